#include "monitor/memory_profile.h"

namespace monitor {

MemoryProfile::Section& MemoryProfile::Open(std::u16string_view section) {
  auto it = sections_.find(section);
  if (it == sections_.end()) it = sections_.emplace(std::u16string(section), Section{}).first;
  return it->second;
}

const MemoryProfile::Value* MemoryProfile::Find(std::u16string_view section,
                                                std::u16string_view name) const {
  auto s = sections_.find(section);
  if (s == sections_.end()) return nullptr;
  auto v = s->second.find(name);
  return v == s->second.end() ? nullptr : &v->second;
}

std::int32_t MemoryProfile::GetProfileInt(std::u16string_view section, std::u16string_view name,
                                          std::int32_t defaultValue) {
  Open(section);
  const Value* value = Find(section, name);
  const auto* number = value ? std::get_if<std::int32_t>(value) : nullptr;
  return number ? *number : defaultValue;
}

bool MemoryProfile::WriteProfileInt(std::u16string_view section, std::u16string_view name,
                                    std::int32_t value) {
  Open(section)[std::u16string(name)] = value;
  ++intWrites_;
  return true;
}

// Text ends at its first zero unit, as the registry's reader takes it.
std::u16string MemoryProfile::GetProfileString(std::u16string_view section,
                                               std::u16string_view name,
                                               std::u16string_view defaultValue) {
  const std::u16string text = GetProfileStringWhole(section, name, defaultValue);
  return text.substr(0, text.find(u'\0'));
}

std::u16string MemoryProfile::GetProfileStringWhole(std::u16string_view section,
                                                    std::u16string_view name,
                                                    std::u16string_view defaultValue) {
  Open(section);
  const Value* value = Find(section, name);
  const auto* text = value ? std::get_if<std::u16string>(value) : nullptr;
  return text ? *text : std::u16string(defaultValue);
}

bool MemoryProfile::WriteProfileString(std::u16string_view section, std::u16string_view name,
                                       std::u16string_view value) {
  Open(section)[std::u16string(name)] = std::u16string(value);
  return true;
}

bool MemoryProfile::SetRunEntry(bool present) {
  runEntry_ = present;
  return true;
}

bool MemoryProfile::HasSection(std::u16string_view section) const {
  return sections_.find(section) != sections_.end();
}

bool MemoryProfile::HasValue(std::u16string_view section, std::u16string_view name) const {
  return Find(section, name) != nullptr;
}

}  // namespace monitor
