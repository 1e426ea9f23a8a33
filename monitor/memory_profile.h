#pragma once

#include <map>
#include <string>

#include "monitor/profile.h"
#include "monitor/stored_value.h"

namespace monitor {

// A profile held in memory, for tests: the registry's defaults, types and
// readers, and a record of the sections a first access created.
class MemoryProfile : public Profile {
 public:
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
  bool HasRunEntry() override { return runEntry_; }
  bool SetRunEntry(bool present) override;

  // A value of any type and size, as another program may have written it.
  void Store(std::u16string_view section, std::u16string_view name, StoredValue value);

  bool HasSection(std::u16string_view section) const;
  bool HasValue(std::u16string_view section, std::u16string_view name) const;
  // Integer writes so far, to tell a write from a read-back.
  int intWrites() const { return intWrites_; }

 private:
  using Section = std::map<std::u16string, StoredValue, std::less<>>;
  Section& Open(std::u16string_view section);
  const StoredValue* Find(std::u16string_view section, std::u16string_view name) const;

  std::map<std::u16string, Section, std::less<>> sections_;
  bool runEntry_ = false;
  int intWrites_ = 0;
};

}  // namespace monitor
