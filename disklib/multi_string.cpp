#include "disklib/multi_string.h"

namespace disklib {

std::vector<std::u16string> MultiStringEntries(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::u16string> entries;
  std::u16string entry;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c != u'\0') {
      entry += c;
      continue;
    }
    if (entry.empty()) return entries;
    entries.push_back(std::move(entry));
    entry.clear();
  }
  if (!entry.empty()) entries.push_back(std::move(entry));
  return entries;
}

std::vector<std::uint8_t> MultiStringBytes(const std::vector<std::u16string>& entries) {
  std::vector<std::uint8_t> bytes;
  auto put = [&](char16_t c) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  };
  for (const std::u16string& entry : entries) {
    for (char16_t c : entry) put(c);
    put(u'\0');
  }
  put(u'\0');
  return bytes;
}

}  // namespace disklib
