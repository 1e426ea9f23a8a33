// Which drive the pages show: the slot of the drive list's marked row.
#pragma once

#include "monitor/drive_list.h"
#include "monitor/slot_table.h"

namespace monitor {

// The marked row's slot becomes the selected one; without a mark the
// selection stays.
void FollowSelectionMark(const DriveList& list, SlotTable& table);
// At the end of a cycle: as above, and a list without a mark gets it on its
// first row.
void SettleSelection(DriveList& list, SlotTable& table);
// A click on the tray icon of `row` marks that row; an identifier that names
// no row (the application icon's) leaves the mark as it is.
void MarkRowFromTray(DriveList& list, SlotTable& table, int row);

}  // namespace monitor
