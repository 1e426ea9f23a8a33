#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace disklib {

inline char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

// True when `text` begins with all of `prefix`, ignoring the case of ASCII
// letters.
inline bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

inline std::u16string Utf16FromAscii(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace disklib
