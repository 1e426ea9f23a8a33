#pragma once

#include <windows.h>

#include "monitor/drive_list.h"

namespace monitor {

// The drive list on the report-mode list view control itself.
class ListViewDriveList : public DriveList {
 public:
  explicit ListViewDriveList(HWND list) : list_(list) {}
  HWND hwnd() const { return list_; }

  int RowCount() const override;
  void InsertRow(int row) override;
  void DeleteRow(int row) override;
  std::u16string CellText(int row, int column) const override;
  void SetCellText(int row, int column, const std::u16string& text) override;
  std::int32_t ItemData(int row) const override;
  void SetItemData(int row, std::int32_t data) override;
  bool Checked(int row) const override;
  void SetChecked(int row, bool checked) override;
  int SelectionMark() const override;
  void SetSelectionMark(int row) override;
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;

 private:
  HWND list_;
};

}  // namespace monitor
