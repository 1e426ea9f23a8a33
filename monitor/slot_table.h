// Everything the monitor knows about the disks: one slot per physical
// drive number, written only by the monitoring cycle.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/wire_records.h"

namespace monitor {

constexpr int kSlotCount = 26;

// What the last temperature request learnt of a present drive.
enum class DriveReading : std::uint8_t {
  kRead,          // read: awake, or asked regardless
  kAsleep,        // asleep: its record keeps the last reading
  kAsleepUnread,  // asleep whenever asked since it came: its record has no reading
};

struct DriveSlot {
  ardmon::DiskInfoTable slotRecord{};  // all zero: an empty slot
  std::u16string displayName;          // letters then model; the prefix of event texts
  std::uint32_t overCount = 0;         // consecutive counted samples at or above TEMP
  DriveReading reading = DriveReading::kRead;
  // The drive's own verdict at its last reading; slotRecord holds the
  // health shown, which accepted counts may make Good.
  std::uint8_t ownHealth = ardmon::kHealthNotEvaluated;
  bool accepted = false;
};

inline bool IsAsleep(const DriveSlot& drive) {
  return drive.reading != DriveReading::kRead;
}

// A drive whose counter reached the allowable count: its temperature cell
// is drawn red and its tray icon has the warning base. Not while it sleeps:
// its count waits with its reading, and it is not running hot now.
inline bool IsOverLimit(const DriveSlot& drive, std::uint32_t allowableCount) {
  return !IsAsleep(drive) && drive.overCount >= allowableCount;
}

// The temperature a graph sample takes of the drive: none (0) while it
// sleeps, since its reading is not of now.
inline std::uint8_t SampledTemperature(const DriveSlot& drive) {
  return IsAsleep(drive) ? 0 : drive.slotRecord.Temp.Temperature;
}

struct SlotTable {
  std::array<DriveSlot, kSlotCount> slots{};
  std::int32_t selectedSlot = 0;
  std::int64_t lastSampleTime = 0;  // seconds since 1970, of the last graph sample
  // False while the service does not answer: the slots then hold the last
  // values it gave, which the list and the tray show as not current.
  bool valuesCurrent = true;

  bool Present(int slot) const { return slots[slot].slotRecord.Present != 0; }
  // The drive the pages show, when a present one is selected.
  const DriveSlot* SelectedDrive() const {
    const int slot = selectedSlot;
    if (slot < 0 || slot >= kSlotCount || !Present(slot)) return nullptr;
    return &slots[slot];
  }
};

}  // namespace monitor
