// The per-user settings profile and the Run entry that starts the monitor
// at logon. Nothing is cached: readers ask the profile at each use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace monitor {

class Profile {
 public:
  virtual ~Profile() = default;
  // The stored 32-bit value, or the default when the section or the value
  // is missing or unreadable. Opening the section creates what is missing.
  virtual std::int32_t GetProfileInt(std::u16string_view section, std::u16string_view name,
                                     std::int32_t defaultValue) = 0;
  virtual bool WriteProfileInt(std::u16string_view section, std::u16string_view name,
                               std::int32_t value) = 0;
  // The stored 32-bit value; nothing when it is missing or unreadable, for
  // values whose absence means something of its own.
  virtual std::optional<std::int32_t> FindProfileInt(std::u16string_view section,
                                                     std::u16string_view name) = 0;
  // True also when there was no such value.
  virtual bool DeleteProfileValue(std::u16string_view section, std::u16string_view name) = 0;
  virtual std::u16string GetProfileString(std::u16string_view section, std::u16string_view name,
                                          std::u16string_view defaultValue) = 0;
  virtual bool WriteProfileString(std::u16string_view section, std::u16string_view name,
                                  std::u16string_view value) = 0;
  // A string by its stored length, zero units inside it kept; one zero unit
  // that ends it is dropped. For values that are not text, such as the
  // encrypted password. Writing keeps the whole string already.
  virtual std::u16string GetProfileStringWhole(std::u16string_view section,
                                               std::u16string_view name,
                                               std::u16string_view defaultValue) = 0;

  // The "Ardmon" value under the per-user Run key.
  virtual bool HasRunEntry() = 0;
  // Writes the running program's path, or deletes the value; false when the
  // Run key cannot be opened.
  virtual bool SetRunEntry(bool present) = 0;
};

}  // namespace monitor
