#include "monitor/tray_icons.h"

#include "monitor/drive_texts.h"
#include "monitor/record_text.h"
#include "monitor/settings.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

// Values the service no longer confirms say so first, where a cut tip keeps
// it.
std::u16string StaleNote(const SlotTable& table, const ardmon::Strings& strings) {
  return table.valuesCurrent ? std::u16string() : strings.Get(IDS_VALUES_NOT_CURRENT) + u"\n";
}

IconBase BaseOf(const DriveSlot& drive, std::uint32_t count) {
  if (IsAsleep(drive)) return IconBase::kSleeping;
  return IsOverLimit(drive, count) ? IconBase::kWarning : IconBase::kNormal;
}

DriveIcon IconOf(int row, const DriveList& list, const SlotTable& table, std::uint32_t count,
                 const ardmon::Strings& strings) {
  const DriveSlot& drive = table.slots[list.ItemData(row)];
  std::u16string tip = StaleNote(table, strings) + list.CellText(row, kColumnDrive) + u"\n" +
                       list.CellText(row, kColumnModel) + u"\n" +
                       list.CellText(row, kColumnTemperature);
  if (tip.size() > kTipChars) tip.resize(kTipChars);
  return {row, BaseOf(drive, count), TemperatureNumber(drive.slotRecord.Temp.Temperature, strings),
          tip};
}

}  // namespace

bool UpdateTrayIcons(bool show, const DriveList& list, const SlotTable& table, Profile& profile,
                     const ardmon::Strings& strings, TrayArea& tray) {
  const std::uint32_t count = ReadUnsigned(profile, kAllowableCount);
  bool driveIconShown = false;
  const int rows = list.RowCount();
  for (int row = 0; row < rows; ++row) {
    const DriveSlot& drive = table.slots[list.ItemData(row)];
    const bool checked = list.Checked(row);
    if (show && checked) {
      tray.ShowDriveIcon(IconOf(row, list, table, count, strings));
      driveIconShown = true;
    } else {
      tray.DeleteIcon(row);
    }
    const std::u16string devicePath = FieldText(drive.slotRecord.DevicePath);
    if (!devicePath.empty()) profile.WriteProfileInt(kSettingSection, devicePath, checked);
  }
  // Icons of rows that have gone; identifiers never exceed the slot count.
  for (int id = rows; id <= kSlotCount && tray.DeleteIcon(id); ++id) {
  }
  if (show && !driveIconShown) {
    return tray.ShowAppIcon(StaleNote(table, strings) + strings.Get(IDS_APP_TITLE));
  }
  return tray.RemoveAppIcon();
}

}  // namespace monitor
