#include "monitor/pages/hdd_info.h"

#include <cstdio>

#include "monitor/record_text.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr double kGigabyte = 1073741824.0;  // 2^30 bytes

bool StartsWith(const std::u16string& text, std::u16string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::u16string Gigabytes(std::uint64_t bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2fGB", static_cast<double>(bytes) / kGigabyte);
  return Widen(std::string(text));
}

// Groups of three digits from the right, separated by commas.
std::u16string WithThousands(std::uint32_t number) {
  std::string digits = std::to_string(number);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return Widen(digits);
}

}  // namespace

std::u16string MakerOf(const std::u16string& trimmedModel, const ardmon::Strings& strings) {
  if (StartsWith(trimmedModel, u"ST")) return u"Seagate";
  if (StartsWith(trimmedModel, u"WD")) return u"Western Digital";
  const std::size_t blank = trimmedModel.find(u' ');
  if (blank != std::u16string::npos && blank != 0) return trimmedModel.substr(0, blank);
  return strings.Get(IDS_UNKNOWN);
}

std::u16string PowerOnTimeText(std::uint32_t hours, const ardmon::Strings& strings) {
  if (hours == 0) return {};
  return WithThousands(hours) + strings.Get(IDS_HOURS);
}

std::vector<std::u16string> DriveLetterItems(const ardmon::DiskInfoTable& record) {
  const std::u16string letters = WidenField(record.DriveLetters);
  std::vector<std::u16string> items;
  for (std::size_t at = 0; at < letters.size(); at += 2) {
    items.push_back(std::u16string(1, letters[at]) + u":");
  }
  return items;
}

DriveFacts DriveFactsOf(const SlotTable& table, const ardmon::Strings& strings) {
  const DriveSlot* selected = table.SelectedDrive();
  if (!selected) return {};
  const DriveSlot& drive = *selected;
  const ardmon::DiskInfoTable& record = drive.slotRecord;
  DriveFacts facts;
  facts.model =
      Trimmed(drive.reading == DriveReading::kAsleepUnread ? WidenField(record.InquiryId)
                                                           : WidenField(record.Temp.ModelNumber));
  facts.maker = MakerOf(facts.model, strings);
  facts.serial = Trimmed(WidenField(record.Temp.SerialNumber));
  facts.firmware = WidenField(record.Temp.FirmwareRevision);
  facts.powerOnTime = PowerOnTimeText(record.Temp.PowerOnHours, strings);
  if (IsAsleep(drive)) facts.power = strings.Get(IDS_SLEEPING);
  facts.letters = DriveLetterItems(record);
  return facts;
}

std::u16string VolumeRoot(const std::u16string& letter) {
  return letter + u"\\";
}

VolumeFacts VolumeFactsOf(const std::u16string& root, VolumeQuery& query) {
  VolumeFacts facts;
  const std::optional<VolumeNames> names = query.Names(root);
  if (!names) return facts;
  const VolumeSpace space = query.Space(root);
  // Free space beyond the total (a damaged report) counts nothing as used
  // instead of wrapping around.
  const std::uint64_t used = space.total > space.freeForUser ? space.total - space.freeForUser : 0;
  facts.usedSpace = Gigabytes(used);
  facts.freeSpace = Gigabytes(space.freeForUser);
  facts.label = names->label;
  facts.fileSystem = names->fileSystem;
  if (space.total != 0) {
    // Wide enough for used * 100 on any volume size.
    facts.usedShare =
        static_cast<unsigned>(static_cast<unsigned __int128>(used) * 100 / space.total);
  }
  return facts;
}

int UsedBarEnd(int left, int width, unsigned usedShare) {
  return left + static_cast<int>(static_cast<long long>(width) * usedShare / 100);
}

}  // namespace monitor
