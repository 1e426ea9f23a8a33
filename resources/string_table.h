// The generated table behind TableStrings: every string of the monitor in
// both languages, built from strings.json.
#pragma once

#include <cstddef>

namespace ardmon {

struct StringTableEntry {
  unsigned id;
  const char16_t* english;   // nullptr: the English set has no such string
  const char16_t* japanese;  // never nullptr
};

// Sorted by id, each id once.
extern const StringTableEntry kStringTable[];
extern const std::size_t kStringTableSize;

}  // namespace ardmon
