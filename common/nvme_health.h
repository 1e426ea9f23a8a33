// The NVMe SMART / Health Information log (log page 02h, 512 bytes) as the
// library stores it in a record's AttributeData: where each field lies, how
// to read it, and the one rule that turns it into a health status. The
// library, the monitor and the simulated drives all read the log through
// this file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>

#include "common/wire_records.h"

namespace ardmon::nvme {

constexpr std::size_t kHealthLogSize = 512;

// The fields a user is shown, in the order of the log.
enum class HealthField {
  CriticalWarning,       // bit flags, below
  CompositeTemperature,  // Kelvin, 0 when not reported
  AvailableSpare,        // percent of the spare capacity left
  AvailableSpareThreshold,
  PercentageUsed,  // of the rated endurance; may exceed 100
  DataUnitsRead,   // thousands of 512-byte units
  DataUnitsWritten,
  HostReadCommands,
  HostWriteCommands,
  ControllerBusyTime,  // minutes
  PowerCycles,
  PowerOnHours,
  UnsafeShutdowns,
  MediaErrors,  // media and data integrity errors
  ErrorLogEntries,
};

struct HealthFieldLayout {
  HealthField field;
  std::size_t offset;
  std::size_t size;  // 1, 2 or 16 bytes, little-endian
};

inline constexpr HealthFieldLayout kHealthFields[] = {
    {HealthField::CriticalWarning, 0, 1},     {HealthField::CompositeTemperature, 1, 2},
    {HealthField::AvailableSpare, 3, 1},      {HealthField::AvailableSpareThreshold, 4, 1},
    {HealthField::PercentageUsed, 5, 1},      {HealthField::DataUnitsRead, 32, 16},
    {HealthField::DataUnitsWritten, 48, 16},  {HealthField::HostReadCommands, 64, 16},
    {HealthField::HostWriteCommands, 80, 16}, {HealthField::ControllerBusyTime, 96, 16},
    {HealthField::PowerCycles, 112, 16},      {HealthField::PowerOnHours, 128, 16},
    {HealthField::UnsafeShutdowns, 144, 16},  {HealthField::MediaErrors, 160, 16},
    {HealthField::ErrorLogEntries, 176, 16},
};
constexpr std::size_t kHealthFieldCount = std::size(kHealthFields);

constexpr bool TableFollowsTheEnum() {
  for (std::size_t i = 0; i < kHealthFieldCount; ++i) {
    if (kHealthFields[i].field != static_cast<HealthField>(i)) return false;
    if (kHealthFields[i].offset + kHealthFields[i].size > kHealthLogSize) return false;
  }
  return true;
}
static_assert(TableFollowsTheEnum(), "LayoutOf indexes the table by the enum");

constexpr const HealthFieldLayout& LayoutOf(HealthField field) {
  return kHealthFields[static_cast<std::size_t>(field)];
}

// Bits of the critical warning.
constexpr std::uint8_t kWarningSpareBelowThreshold = 1 << 0;
constexpr std::uint8_t kWarningTemperature = 1 << 1;
constexpr std::uint8_t kWarningReliabilityDegraded = 1 << 2;
constexpr std::uint8_t kWarningReadOnly = 1 << 3;
constexpr std::uint8_t kWarningVolatileBackupFailed = 1 << 4;

// A field as an unsigned number. The 128-bit counters saturate at
// 2^64-1: a count beyond that reads as the largest one, never as a small
// one.
inline std::uint64_t ReadHealthField(const std::uint8_t* log, HealthField field) {
  const HealthFieldLayout& layout = LayoutOf(field);
  const std::uint8_t* bytes = log + layout.offset;
  const std::size_t low = std::min<std::size_t>(layout.size, 8);
  for (std::size_t i = low; i < layout.size; ++i) {
    if (bytes[i] != 0) return std::numeric_limits<std::uint64_t>::max();
  }
  std::uint64_t value = 0;
  for (std::size_t i = low; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

// Writes a field; the high half of a 128-bit counter becomes zero and a
// value too large for a narrow field is cut to its low bytes.
inline void WriteHealthField(std::uint8_t* log, HealthField field, std::uint64_t value) {
  const HealthFieldLayout& layout = LayoutOf(field);
  for (std::size_t i = 0; i < layout.size; ++i) {
    log[layout.offset + i] = i < 8 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0;
  }
}

// NVMe temperatures are integer Kelvin.
constexpr std::uint64_t kZeroCelsiusKelvin = 273;

// NVMe drives report their temperature exactly, and some run hotter than
// 100 degrees (their warning thresholds reach 118): every whole degree the
// record can hold is shown.
constexpr std::uint8_t kMaxNvmeCelsius = 255;

// Whole degrees Celsius from integer Kelvin; 0 when the drive reports none
// or a reading outside 1 to 255 degrees.
constexpr std::uint8_t CelsiusFromKelvin(std::uint64_t kelvin) {
  if (kelvin <= kZeroCelsiusKelvin || kelvin > kZeroCelsiusKelvin + kMaxNvmeCelsius) {
    return 0;
  }
  return static_cast<std::uint8_t>(kelvin - kZeroCelsiusKelvin);
}

constexpr std::uint64_t kCautionPercentageUsed = 90;

// The verdict on one field:
//   Bad     the critical warning reports the spare below its threshold,
//           degraded reliability, a read-only medium or a failed volatile
//           memory backup (bits 0, 2, 3, 4), or the available spare is
//           below its threshold;
//   Caution the critical warning reports the temperature (bit 1), a media
//           and data integrity error was counted, or 90 percent or more of
//           the rated endurance is used;
//   Good    otherwise, and for every other field.
inline HealthStatus JudgeHealthField(const std::uint8_t* log, HealthField field) {
  constexpr std::uint8_t kBadWarnings = kWarningSpareBelowThreshold | kWarningReliabilityDegraded |
                                        kWarningReadOnly | kWarningVolatileBackupFailed;
  const std::uint64_t value = ReadHealthField(log, field);
  switch (field) {
    case HealthField::CriticalWarning:
      if ((value & kBadWarnings) != 0) return kHealthBad;
      return (value & kWarningTemperature) != 0 ? kHealthCaution : kHealthGood;
    case HealthField::AvailableSpare:
      return value < ReadHealthField(log, HealthField::AvailableSpareThreshold) ? kHealthBad
                                                                                : kHealthGood;
    case HealthField::PercentageUsed:
      return value >= kCautionPercentageUsed ? kHealthCaution : kHealthGood;
    case HealthField::MediaErrors:
      return value != 0 ? kHealthCaution : kHealthGood;
    default:
      return kHealthGood;
  }
}

// The health of an NVMe drive: the worst verdict over its fields.
inline HealthStatus EvaluateHealthLog(const std::uint8_t* log) {
  HealthStatus worst = kHealthGood;
  for (const HealthFieldLayout& layout : kHealthFields) {
    worst = std::max(worst, JudgeHealthField(log, layout.field));
  }
  return worst;
}

// A record that holds NVMe data carries this in its NvmeData byte.
constexpr std::uint8_t kNvmeRecord = 1;

inline bool IsNvmeRecord(const TempInfoRecord& record) {
  return record.NvmeData == kNvmeRecord;
}

}  // namespace ardmon::nvme
