// The HDD information page's rules: who made the selected drive, its
// identity and power-on time, the letters of its volumes, and the label,
// file system and used share of the chosen volume.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/wire_records.h"
#include "monitor/slot_table.h"
#include "resources/strings.h"

namespace monitor {

// Colours (0x00BBGGRR) of the used and the free space, in the bar and the
// legend squares.
constexpr std::uint32_t kUsedSpaceColour = 0xFF00FF;
constexpr std::uint32_t kFreeSpaceColour = 0xFF0000;
// The used share that means "no volume shown": no bar.
constexpr unsigned kNoUsedShare = 101;

// What the platform says about one volume root such as "C:\".
struct VolumeNames {
  std::u16string label;
  std::u16string fileSystem;
};
struct VolumeSpace {
  std::uint64_t freeForUser = 0;
  std::uint64_t total = 0;
};

class VolumeQuery {
 public:
  virtual ~VolumeQuery() = default;
  // Nothing when the volume cannot be queried (a drive without medium).
  virtual std::optional<VolumeNames> Names(const std::u16string& root) = 0;
  // Both 0 when the query fails.
  virtual VolumeSpace Space(const std::u16string& root) = 0;
};

// Seagate and Western Digital by their model prefixes, else the first word
// of a model that has a blank after it, else "Unknown".
std::u16string MakerOf(const std::u16string& trimmedModel, const ardmon::Strings& strings);
// "12,345hours"; empty for 0.
std::u16string PowerOnTimeText(std::uint32_t hours, const ardmon::Strings& strings);
// "C:", "D:", ... from the record's letter pairs.
std::vector<std::u16string> DriveLetterItems(const ardmon::DiskInfoTable& record);

struct DriveFacts {
  std::u16string maker, model, serial, firmware, powerOnTime;
  std::u16string power;  // "Sleeping" while the drive sleeps, else empty
  std::vector<std::u16string> letters;
};
// The facts of the selected slot; all empty when no disk is there. A drive
// asleep since it came is named by its INQUIRY answer until it is read.
DriveFacts DriveFactsOf(const SlotTable& table, const ardmon::Strings& strings);

struct VolumeFacts {
  std::u16string label, fileSystem, usedSpace, freeSpace;
  unsigned usedShare = kNoUsedShare;  // percent, rounded down
};
// "C:" becomes the root "C:\".
std::u16string VolumeRoot(const std::u16string& letter);
// The facts of one volume root; all empty when it cannot be queried.
VolumeFacts VolumeFactsOf(const std::u16string& root, VolumeQuery& query);

// Where the used colour ends in a bar spanning [left, left + width).
int UsedBarEnd(int left, int width, unsigned usedShare);

}  // namespace monitor
