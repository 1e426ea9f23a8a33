// The drive list as the monitoring cycle and the tray see it: packed rows,
// six text cells, the slot index as item data, a check box per row. The
// Win32 list view implements it on the control; tests use DriveListModel.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace monitor {

constexpr int kColumnCount = 6;
enum Column {
  kColumnDrive,
  kColumnModel,
  kColumnCapacity,
  kColumnSmart,
  kColumnTemperature,
  kColumnHealth
};

class DriveList {
 public:
  virtual ~DriveList() = default;
  virtual int RowCount() const = 0;
  // A new row with an empty first cell and its check box ticked.
  virtual void InsertRow(int row) = 0;
  virtual void DeleteRow(int row) = 0;
  virtual std::u16string CellText(int row, int column) const = 0;
  virtual void SetCellText(int row, int column, const std::u16string& text) = 0;
  virtual std::int32_t ItemData(int row) const = 0;
  virtual void SetItemData(int row, std::int32_t data) = 0;
  virtual bool Checked(int row) const = 0;
  virtual void SetChecked(int row, bool checked) = 0;
  // -1 when no row carries the mark.
  virtual int SelectionMark() const = 0;
  virtual void SetSelectionMark(int row) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class DriveListModel : public DriveList {
 public:
  struct Row {
    std::array<std::u16string, kColumnCount> cells;
    std::int32_t itemData = 0;
    bool checked = true;
  };

  int RowCount() const override { return static_cast<int>(rows_.size()); }
  void InsertRow(int row) override;
  void DeleteRow(int row) override;
  std::u16string CellText(int row, int column) const override { return rows_[row].cells[column]; }
  void SetCellText(int row, int column, const std::u16string& text) override;
  std::int32_t ItemData(int row) const override { return rows_[row].itemData; }
  void SetItemData(int row, std::int32_t data) override { rows_[row].itemData = data; }
  bool Checked(int row) const override { return rows_[row].checked; }
  void SetChecked(int row, bool checked) override { rows_[row].checked = checked; }
  int SelectionMark() const override { return selectionMark_; }
  void SetSelectionMark(int row) override { selectionMark_ = row; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

  const std::vector<Row>& rows() const { return rows_; }
  // Cell texts written so far: a cycle with no news writes none.
  int cellWrites() const { return cellWrites_; }

 private:
  std::vector<Row> rows_;
  int selectionMark_ = -1;
  bool enabled_ = true;
  int cellWrites_ = 0;
};

}  // namespace monitor
