#include "resources/strings.h"

#include <algorithm>

#include "resources/string_table.h"

namespace ardmon {

std::u16string TableStrings::Get(unsigned id) const {
  const StringTableEntry* end = kStringTable + kStringTableSize;
  const StringTableEntry* entry = std::lower_bound(
      kStringTable, end, id, [](const StringTableEntry& e, unsigned key) { return e.id < key; });
  if (entry == end || entry->id != id) return {};
  // A Japanese text missing would show the English one, as the resources do.
  const char16_t* text =
      language_ == Language::Japanese && entry->japanese ? entry->japanese : entry->english;
  return text ? std::u16string(text) : std::u16string();
}

}  // namespace ardmon
