#include "monitor/drive_list.h"

namespace monitor {

void DriveListModel::InsertRow(int row) {
  rows_.insert(rows_.begin() + row, Row{});
  if (selectionMark_ >= row) ++selectionMark_;
}

// The mark follows its row, as in the list control, and is lost with it.
void DriveListModel::DeleteRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  rows_.erase(rows_.begin() + row);
  if (selectionMark_ == row) {
    selectionMark_ = -1;
  } else if (selectionMark_ > row) {
    --selectionMark_;
  }
}

void DriveListModel::SetCellText(int row, int column, const std::u16string& text) {
  rows_[row].cells[column] = text;
  ++cellWrites_;
}

}  // namespace monitor
