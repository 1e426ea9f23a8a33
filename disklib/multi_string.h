// Multi-string device properties (REG_MULTI_SZ): UTF-16 strings, each
// NUL-terminated, the list ended by an empty string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace disklib {

// The strings up to the empty one that ends the list. Bytes past the last
// whole character are dropped; an unterminated last string ends with the
// data.
std::vector<std::u16string> MultiStringEntries(const std::vector<std::uint8_t>& bytes);
// The strings, each NUL-terminated, then the empty string that ends the list.
std::vector<std::uint8_t> MultiStringBytes(const std::vector<std::u16string>& entries);

}  // namespace disklib
