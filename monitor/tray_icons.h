// Which notification-area icons the monitor shows: one numbered icon per
// ticked drive, identified by its row, or else the application icon.
#pragma once

#include <string>

#include "monitor/drive_list.h"
#include "monitor/profile.h"
#include "monitor/slot_table.h"
#include "resources/strings.h"

namespace monitor {

// The drive symbol under the number: red once the drive's counter reached
// COUNT, grey while the drive sleeps.
enum class IconBase { kNormal, kWarning, kSleeping };

struct DriveIcon {
  int id;  // the drive list row
  IconBase base;
  std::u16string number;  // the temperature, the last one while asleep, or "--"
  // Drive, model and temperature cells, one per line, after a line that
  // says they are not current while the service does not answer.
  std::u16string tip;
};

// The notification area. Show calls change an icon or add it when it does
// not exist yet; each returns the success of its last shell call, which for
// RemoveAppIcon is a failed change when the icon was not shown.
class TrayArea {
 public:
  virtual ~TrayArea() = default;
  virtual bool ShowDriveIcon(const DriveIcon& icon) = 0;
  virtual bool DeleteIcon(int id) = 0;
  virtual bool ShowAppIcon(const std::u16string& tip) = 0;
  // Deletes the application icon when it is shown.
  virtual bool RemoveAppIcon() = 0;
};

constexpr int kAppIconId = 1195;
constexpr std::size_t kTipChars = 127;

// Brings the icons in line with the list and stores every row's check state
// under its device path. Returns the success of the last shell call.
bool UpdateTrayIcons(bool show, const DriveList& list, const SlotTable& table, Profile& profile,
                     const ardmon::Strings& strings, TrayArea& tray);

}  // namespace monitor
