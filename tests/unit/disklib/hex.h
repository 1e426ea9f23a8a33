// Bytes written out by hand: "28 00 4F" or "00*19" for nineteen zeros.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace disklib::testing {

inline std::vector<std::uint8_t> Hex(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  std::istringstream in(text);
  std::string token;
  while (in >> token) {
    const std::size_t star = token.find('*');
    const auto value = static_cast<std::uint8_t>(std::stoul(token.substr(0, star), nullptr, 16));
    const std::size_t count = star == std::string::npos ? 1 : std::stoul(token.substr(star + 1));
    bytes.insert(bytes.end(), count, value);
  }
  return bytes;
}

}  // namespace disklib::testing
