// Texts of the records as the monitor shows them: the ASCII fields widened
// byte for byte to UTF-16, read no further than their field.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace monitor {

inline std::u16string Widen(const char* text, std::size_t room) {
  const std::size_t length = strnlen(text, room);
  return std::u16string(reinterpret_cast<const unsigned char*>(text),
                        reinterpret_cast<const unsigned char*>(text) + length);
}

inline std::u16string Widen(const std::string& text) {
  return Widen(text.c_str(), text.size());
}

// A fixed-size char field of a record.
template <std::size_t N>
std::u16string WidenField(const char (&field)[N]) {
  return Widen(field, N);
}

// A fixed-size UTF-16 field of a record: up to its first zero unit, and no
// further than its end when a damaged record has none.
template <std::size_t N>
std::u16string FieldText(const char16_t (&field)[N]) {
  std::size_t length = 0;
  while (length < N && field[length] != 0) ++length;
  return std::u16string(field, length);
}

inline bool IsWhiteSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

inline std::u16string Trimmed(const std::u16string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsWhiteSpace(text[begin])) ++begin;
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace monitor
