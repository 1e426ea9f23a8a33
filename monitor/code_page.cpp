#include "monitor/code_page.h"

namespace monitor {

std::string Latin1CodePage::FromUtf16(std::u16string_view text) const {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    // A surrogate pair is one character: one default character for both.
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    }
    bytes.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
  }
  return bytes;
}

std::u16string Latin1CodePage::ToUtf16(std::string_view bytes) const {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) text.push_back(static_cast<unsigned char>(byte));
  return text;
}

}  // namespace monitor
