// A profile value as the registry stores it: a type and its bytes, which a
// user or another program may have written with any type and length. The
// readers take a value only when it has the type and size they expect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace monitor {

// The registry's type numbers (REG_SZ, REG_DWORD).
constexpr std::uint32_t kStoredText = 1;
constexpr std::uint32_t kStoredNumber = 4;

struct StoredValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;

  static StoredValue Number(std::int32_t value);
  // The text and the zero unit that ends it, as the registry's writer
  // stores it.
  static StoredValue Text(std::u16string_view text);
};

// The readers: `fallback` for a missing value (nullptr) and for one of
// another type or size.
// A number of exactly four bytes, little-endian.
std::int32_t NumberOr(const StoredValue* value, std::int32_t fallback);
// The same number; nothing where NumberOr falls back.
std::optional<std::int32_t> NumberIn(const StoredValue* value);
// Text up to its first zero unit; an odd last byte is no unit.
std::u16string TextOr(const StoredValue* value, std::u16string_view fallback);
// Text by its stored length, zero units inside kept, the one that ends it
// dropped: for values that are not text, such as the encrypted password.
std::u16string WholeTextOr(const StoredValue* value, std::u16string_view fallback);

}  // namespace monitor
