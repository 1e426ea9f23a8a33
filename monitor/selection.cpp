#include "monitor/selection.h"

namespace monitor {

void FollowSelectionMark(const DriveList& list, SlotTable& table) {
  const int mark = list.SelectionMark();
  if (mark >= 0 && mark < list.RowCount()) table.selectedSlot = list.ItemData(mark);
}

void SettleSelection(DriveList& list, SlotTable& table) {
  if (list.SelectionMark() < 0 && list.RowCount() > 0) list.SetSelectionMark(0);
  FollowSelectionMark(list, table);
}

void MarkRowFromTray(DriveList& list, SlotTable& table, int row) {
  if (row >= 0 && row < list.RowCount()) list.SetSelectionMark(row);
  FollowSelectionMark(list, table);
}

}  // namespace monitor
