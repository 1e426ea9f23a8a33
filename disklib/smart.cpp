// Health, temperature and power-on hours from the attribute and threshold
// sectors.
#include <cstring>

#include "common/smart_attributes.h"
#include "disklib/disklib.h"

namespace disklib {
namespace {

constexpr std::uint8_t kPowerOnHoursId = 9;
constexpr std::uint8_t kTemperatureId = 194;
constexpr std::uint8_t kMaxWholeDegreesRaw = 70;

// Raw 194 is whole degrees up to 70 and tenths of a degree above.
std::uint8_t TemperatureFromRaw(std::uint8_t r0, std::uint8_t r1, std::uint8_t previous) {
  unsigned celsius;
  if (r1 == 0 && r0 <= kMaxWholeDegreesRaw) {
    celsius = r0 != 0 ? r0 : previous;
  } else {
    celsius = (r1 * 256u + r0) / 10u;
  }
  return celsius > ardmon::kMaxPlausibleCelsius ? 0 : static_cast<std::uint8_t>(celsius);
}

}  // namespace

SmartVerdict EvaluateSmart(const std::uint8_t* attributes, const std::uint8_t* thresholds) {
  SmartVerdict verdict{ardmon::kHealthGood, 0, 0};
  for (std::size_t i = 0; i < ardmon::kSmartEntries; ++i) {
    const ardmon::AttributeEntry attribute = ardmon::AttributeAt(attributes, i);
    const ardmon::ThresholdEntry threshold = ardmon::ThresholdAt(thresholds, i);
    if (!ardmon::IsPaired(attribute, threshold)) continue;

    // Bad over Caution over Good.
    const ardmon::HealthStatus judged = ardmon::JudgeAttribute(attribute, threshold);
    if (judged > verdict.status) verdict.status = judged;

    const std::uint8_t* raw = attribute.rawBytes();
    if (attribute.id() == kPowerOnHoursId) {
      std::memcpy(&verdict.powerOnHours, raw, sizeof verdict.powerOnHours);
    } else if (attribute.id() == kTemperatureId) {
      verdict.temperature = TemperatureFromRaw(raw[0], raw[1], verdict.temperature);
    }
  }
  return verdict;
}

}  // namespace disklib
