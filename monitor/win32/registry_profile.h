#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "monitor/profile.h"
#include "monitor/stored_value.h"

namespace monitor {

// HKEY_CURRENT_USER\Software\<company>\<application>\<section>, every
// missing key created on the way, integers as REG_DWORD, strings as REG_SZ.
class RegistryProfile : public Profile {
 public:
  RegistryProfile(std::u16string company, std::u16string application);

  std::int32_t GetProfileInt(std::u16string_view section, std::u16string_view name,
                             std::int32_t defaultValue) override;
  bool WriteProfileInt(std::u16string_view section, std::u16string_view name,
                       std::int32_t value) override;
  std::optional<std::int32_t> FindProfileInt(std::u16string_view section,
                                             std::u16string_view name) override;
  bool DeleteProfileValue(std::u16string_view section, std::u16string_view name) override;
  std::u16string GetProfileString(std::u16string_view section, std::u16string_view name,
                                  std::u16string_view defaultValue) override;
  bool WriteProfileString(std::u16string_view section, std::u16string_view name,
                          std::u16string_view value) override;
  std::u16string GetProfileStringWhole(std::u16string_view section, std::u16string_view name,
                                       std::u16string_view defaultValue) override;
  bool HasRunEntry() override;
  bool SetRunEntry(bool present) override;

 private:
  // The section's key, created when missing; nullptr when it cannot be had.
  HKEY OpenSection(std::u16string_view section);
  // The value's type and data as stored; nothing when it is missing.
  std::optional<StoredValue> Stored(std::u16string_view section, std::u16string_view name);
  bool Write(std::u16string_view section, std::u16string_view name, const StoredValue& value);

  std::u16string applicationKey_;
};

}  // namespace monitor
