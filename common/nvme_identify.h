// Fields of the NVMe Identify Controller data beyond the identity strings,
// read from the part of it a record keeps in its IdentifyData: the
// composite temperature thresholds the drive sets for itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/wire_records.h"

namespace ardmon::nvme {

// Warning and critical composite temperature thresholds, 16-bit Kelvin;
// 0 when the drive reports none.
constexpr std::size_t kWarningTemperatureOffset = 266;
constexpr std::size_t kCriticalTemperatureOffset = 268;
static_assert(kCriticalTemperatureOffset + 2 <= kSectorSize, "within the kept first sector");

inline std::uint16_t ReadIdentifyWord(const std::uint8_t* identify, std::size_t offset) {
  return static_cast<std::uint16_t>(identify[offset] | identify[offset + 1] << 8);
}

inline void WriteIdentifyWord(std::uint8_t* identify, std::size_t offset, std::uint16_t value) {
  identify[offset] = static_cast<std::uint8_t>(value);
  identify[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace ardmon::nvme
