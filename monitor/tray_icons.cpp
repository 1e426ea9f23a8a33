#include "monitor/tray_icons.h"

#include "monitor/drive_texts.h"
#include "monitor/record_text.h"
#include "monitor/settings.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

DriveIcon IconOf(int row, const DriveList& list, const DriveSlot& drive, std::uint32_t count,
                 const ardmon::Strings& strings) {
  std::u16string tip = list.CellText(row, kColumnDrive) + u"\n" + list.CellText(row, kColumnModel) +
                       u"\n" + list.CellText(row, kColumnTemperature);
  if (tip.size() > kTipChars) tip.resize(kTipChars);
  return {row, IsOverLimit(drive, count),
          TemperatureNumber(drive.slotRecord.Temp.Temperature, strings), tip};
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
      tray.ShowDriveIcon(IconOf(row, list, drive, count, strings));
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
  if (show && !driveIconShown) return tray.ShowAppIcon(strings.Get(IDS_APP_TITLE));
  return tray.RemoveAppIcon();
}

}  // namespace monitor
