// Health, temperature and power-on hours from the attribute and threshold
// sectors.
#include <cstring>

#include "disklib/disklib.h"

namespace disklib {
namespace {

constexpr std::size_t kEntries = 30;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kTableStart = 2;  // behind the revision word

constexpr std::uint8_t kPowerOnHoursId = 9;
constexpr std::uint8_t kTemperatureId = 194;
constexpr std::uint8_t kMaxPlausibleCelsius = 100;
constexpr std::uint8_t kMaxWholeDegreesRaw = 70;

// Attributes judged by their threshold alone.
constexpr std::uint8_t kThresholdOnlyIds[] = {
    1,   2,   3,   4,   6,   7,   8,   10,  11,  12,  13,  187, 188, 191, 192,
    193, 195, 196, 199, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209, 211,
    212, 220, 221, 222, 223, 224, 225, 226, 227, 228, 230, 231, 250, 254};
// Reallocated, pending and offline-uncorrectable sector counts.
constexpr std::uint8_t kSectorCounterIds[] = {5, 197, 198};

template <std::size_t N>
bool Contains(const std::uint8_t (&ids)[N], std::uint8_t id) {
  for (std::uint8_t candidate : ids) {
    if (candidate == id) return true;
  }
  return false;
}

bool IsEvaluated(std::uint8_t id) {
  return Contains(kThresholdOnlyIds, id) || Contains(kSectorCounterIds, id) ||
         id == kPowerOnHoursId || id == kTemperatureId;
}

// Raw 194 is whole degrees up to 70 and tenths of a degree above.
std::uint8_t TemperatureFromRaw(std::uint8_t r0, std::uint8_t r1, std::uint8_t previous) {
  unsigned celsius;
  if (r1 == 0 && r0 <= kMaxWholeDegreesRaw) {
    celsius = r0 != 0 ? r0 : previous;
  } else {
    celsius = (r1 * 256u + r0) / 10u;
  }
  return celsius > kMaxPlausibleCelsius ? 0 : static_cast<std::uint8_t>(celsius);
}

}  // namespace

SmartVerdict EvaluateSmart(const std::uint8_t* attributes, const std::uint8_t* thresholds) {
  SmartVerdict verdict{ardmon::kHealthGood, 0, 0};
  for (std::size_t i = 0; i < kEntries; ++i) {
    const std::uint8_t* attribute = attributes + kTableStart + i * kEntrySize;
    const std::uint8_t* threshold = thresholds + kTableStart + i * kEntrySize;
    const std::uint8_t id = attribute[0];
    if (id != threshold[0] || id == 0 || !IsEvaluated(id)) continue;

    const std::uint8_t value = attribute[3];
    const std::uint8_t* raw = attribute + 5;
    const bool failing = threshold[1] != 0 && value <= threshold[1];
    if (failing) verdict.status = ardmon::kHealthBad;

    if (Contains(kSectorCounterIds, id)) {
      const bool counted = (raw[0] | raw[1]) != 0;
      if (!failing && counted && verdict.status != ardmon::kHealthBad) {
        verdict.status = ardmon::kHealthCaution;
      }
    } else if (id == kPowerOnHoursId) {
      std::memcpy(&verdict.powerOnHours, raw, sizeof verdict.powerOnHours);
    } else if (id == kTemperatureId) {
      verdict.temperature = TemperatureFromRaw(raw[0], raw[1], verdict.temperature);
    }
  }
  return verdict;
}

}  // namespace disklib
