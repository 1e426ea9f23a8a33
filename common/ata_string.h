#pragma once

#include <cstddef>
#include <cstdint>

namespace ardmon {

// ATA identification strings hold the first character of each pair in the
// high byte of a 16-bit word; this undoes that. `length` is even.
inline void CopyAtaString(const std::uint8_t* words, std::size_t length, char* text) {
  for (std::size_t k = 0; k + 1 < length; k += 2) {
    text[k] = static_cast<char>(words[k + 1]);
    text[k + 1] = static_cast<char>(words[k]);
  }
}

}  // namespace ardmon
