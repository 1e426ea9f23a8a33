#include "common/smart_evaluation.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ardmon {
namespace {

constexpr std::uint8_t kPowerOnTimeId = 9;
constexpr std::uint8_t kTemperatureId = 194;
constexpr std::uint8_t kAirflowTemperatureId = 190;
// Above this, raw 194 is tenths of a degree up to 100.0 degrees.
constexpr unsigned kMaxTenthsRaw = 10 * kMaxPlausibleCelsius;

// Start/stop count, power-on time, power cycles, load cycles: they wear
// out with use.
bool IsLifetimeCounter(std::uint8_t id) {
  return id == 4 || id == kPowerOnTimeId || id == 12 || id == 193;
}

// An identity string without the blanks around it.
template <std::size_t N>
std::string_view Trimmed(const char (&field)[N]) {
  std::string_view text(field, strnlen(field, N));
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

}  // namespace

bool IsSectorCounter(std::uint8_t id, const DriveFamily* family) {
  if (id != 5 && id != 197 && id != 198) return false;
  return !family ||
         std::find(std::begin(family->notSectorCounts), std::end(family->notSectorCounts), id) ==
             std::end(family->notSectorCounts);
}

std::uint8_t ThresholdFor(const std::uint8_t* thresholds, std::uint8_t id) {
  for (std::size_t i = 0; i < kSmartEntries; ++i) {
    const ThresholdEntry entry = ThresholdAt(thresholds, i);
    if (entry.id() == id) return entry.threshold();
  }
  return 0;
}

HealthStatus JudgeAttribute(AttributeEntry attribute, std::uint8_t threshold,
                            const DriveFamily* family) {
  const std::uint8_t id = attribute.id();
  if (!FindKnownAttribute(id)) return kHealthGood;
  if (threshold != 0 && attribute.value() <= threshold) {
    return IsLifetimeCounter(id) ? kHealthCaution : kHealthBad;
  }
  const std::uint8_t* raw = attribute.rawBytes();
  if (IsSectorCounter(id, family) && (raw[0] | raw[1]) != 0) return kHealthCaution;
  return kHealthGood;
}

// Whole degrees in byte 0; a byte 0 above 100 with the next byte makes
// tenths of a degree (C2h 01h is 45.0); drives pack other data, such as the
// lowest and highest temperature, into the bytes above.
std::uint8_t TemperatureFromRaw(const std::uint8_t* raw, bool inTenths) {
  const unsigned word = raw[1] * 256u + raw[0];
  unsigned celsius = 0;
  if (inTenths) {
    celsius = word / 10;
  } else if (raw[0] <= kMaxPlausibleCelsius) {
    celsius = raw[0];
  } else if (word <= kMaxTenthsRaw) {
    celsius = word / 10;
  }
  return celsius <= kMaxPlausibleCelsius ? static_cast<std::uint8_t>(celsius) : 0;
}

std::uint32_t PowerOnHoursFromRaw(const std::uint8_t* raw, PowerOnUnit unit) {
  std::uint32_t count;
  std::memcpy(&count, raw, sizeof count);
  switch (unit) {
    case PowerOnUnit::Minutes:
      return count / 60;
    case PowerOnUnit::HalfMinutes:
      return count / 120;
    case PowerOnUnit::Seconds:
      return count / 3600;
    default:
      return count;
  }
}

SmartVerdict EvaluateSmart(const std::uint8_t* attributes, const std::uint8_t* thresholds,
                           const DriveFamily* family) {
  SmartVerdict verdict{kHealthGood, 0, 0};
  std::uint8_t airflowTemperature = 0;
  bool powerOnSeen = false;
  for (std::size_t i = 0; i < kSmartEntries; ++i) {
    const AttributeEntry attribute = AttributeAt(attributes, i);
    const std::uint8_t id = attribute.id();
    if (id == 0) continue;
    verdict.status = std::max<std::uint8_t>(
        verdict.status, JudgeAttribute(attribute, ThresholdFor(thresholds, id), family));

    const std::uint8_t* raw = attribute.rawBytes();
    if (id == kPowerOnTimeId && !powerOnSeen) {
      powerOnSeen = true;
      verdict.powerOnHours =
          PowerOnHoursFromRaw(raw, family ? family->powerOn : PowerOnUnit::Hours);
    } else if (id == kTemperatureId && verdict.temperature == 0) {
      verdict.temperature = TemperatureFromRaw(raw, family && family->temperatureInTenths);
    } else if (id == kAirflowTemperatureId && airflowTemperature == 0) {
      airflowTemperature = TemperatureFromRaw(raw, false);
    }
  }
  // 190 only for drives whose 194 gives none.
  if (verdict.temperature == 0) verdict.temperature = airflowTemperature;
  return verdict;
}

const DriveFamily* FamilyOf(const TempInfoRecord& record) {
  return FindDriveFamily(Trimmed(record.ModelNumber), Trimmed(record.FirmwareRevision));
}

SmartVerdict EvaluateSmart(const TempInfoRecord& record) {
  return EvaluateSmart(record.AttributeData, record.ThresholdData, FamilyOf(record));
}

}  // namespace ardmon
