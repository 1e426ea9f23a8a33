#pragma once

#include <cstddef>
#include <cstdint>

namespace ardmon {

// ATA identification strings hold the first character of each pair in the
// high byte of a 16-bit word. Exchanging the bytes of every word turns one
// form into the other, so this both reads and writes them. `length` is even;
// the areas do not overlap.
inline void SwapAtaString(const void* from, std::size_t length, void* to) {
  const auto* source = static_cast<const std::uint8_t*>(from);
  auto* target = static_cast<std::uint8_t*>(to);
  for (std::size_t k = 0; k + 1 < length; k += 2) {
    target[k] = source[k + 1];
    target[k + 1] = source[k];
  }
}

}  // namespace ardmon
