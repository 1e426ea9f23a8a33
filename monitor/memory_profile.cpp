#include "monitor/memory_profile.h"

#include <utility>

namespace monitor {

MemoryProfile::Section& MemoryProfile::Open(std::u16string_view section) {
  auto it = sections_.find(section);
  if (it == sections_.end()) it = sections_.emplace(std::u16string(section), Section{}).first;
  return it->second;
}

const StoredValue* MemoryProfile::Find(std::u16string_view section,
                                       std::u16string_view name) const {
  auto s = sections_.find(section);
  if (s == sections_.end()) return nullptr;
  auto v = s->second.find(name);
  return v == s->second.end() ? nullptr : &v->second;
}

std::int32_t MemoryProfile::GetProfileInt(std::u16string_view section, std::u16string_view name,
                                          std::int32_t defaultValue) {
  Open(section);
  return NumberOr(Find(section, name), defaultValue);
}

std::optional<std::int32_t> MemoryProfile::FindProfileInt(std::u16string_view section,
                                                          std::u16string_view name) {
  Open(section);
  return NumberIn(Find(section, name));
}

bool MemoryProfile::DeleteProfileValue(std::u16string_view section, std::u16string_view name) {
  Section& values = Open(section);
  const auto found = values.find(name);
  if (found != values.end()) values.erase(found);
  return true;
}

bool MemoryProfile::WriteProfileInt(std::u16string_view section, std::u16string_view name,
                                    std::int32_t value) {
  Store(section, name, StoredValue::Number(value));
  ++intWrites_;
  return true;
}

std::u16string MemoryProfile::GetProfileString(std::u16string_view section,
                                               std::u16string_view name,
                                               std::u16string_view defaultValue) {
  Open(section);
  return TextOr(Find(section, name), defaultValue);
}

std::u16string MemoryProfile::GetProfileStringWhole(std::u16string_view section,
                                                    std::u16string_view name,
                                                    std::u16string_view defaultValue) {
  Open(section);
  return WholeTextOr(Find(section, name), defaultValue);
}

bool MemoryProfile::WriteProfileString(std::u16string_view section, std::u16string_view name,
                                       std::u16string_view value) {
  Store(section, name, StoredValue::Text(value));
  return true;
}

void MemoryProfile::Store(std::u16string_view section, std::u16string_view name,
                          StoredValue value) {
  Open(section)[std::u16string(name)] = std::move(value);
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
