#include "monitor/stored_value.h"

#include <algorithm>

namespace monitor {

StoredValue StoredValue::Number(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return {kStoredNumber,
          {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
           static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

StoredValue StoredValue::Text(std::u16string_view text) {
  StoredValue value{kStoredText, {}};
  value.bytes.reserve((text.size() + 1) * 2);
  for (const char16_t unit : text) {
    value.bytes.push_back(static_cast<std::uint8_t>(unit));
    value.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  value.bytes.insert(value.bytes.end(), 2, 0);
  return value;
}

std::optional<std::int32_t> NumberIn(const StoredValue* value) {
  if (!value || value->type != kStoredNumber || value->bytes.size() != 4) return std::nullopt;
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = bits << 8 | value->bytes[i];
  return static_cast<std::int32_t>(bits);
}

std::int32_t NumberOr(const StoredValue* value, std::int32_t fallback) {
  return NumberIn(value).value_or(fallback);
}

std::u16string WholeTextOr(const StoredValue* value, std::u16string_view fallback) {
  if (!value || value->type != kStoredText) return std::u16string(fallback);
  std::u16string text(value->bytes.size() / 2, u'\0');
  for (std::size_t unit = 0; unit < text.size(); ++unit) {
    text[unit] = static_cast<char16_t>(value->bytes[2 * unit] | value->bytes[2 * unit + 1] << 8);
  }
  if (!text.empty() && text.back() == u'\0') text.pop_back();
  return text;
}

std::u16string TextOr(const StoredValue* value, std::u16string_view fallback) {
  std::u16string text = WholeTextOr(value, fallback);
  text.resize(std::min(text.find(u'\0'), text.size()));
  return text;
}

}  // namespace monitor
