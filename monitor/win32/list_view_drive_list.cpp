#include "monitor/win32/list_view_drive_list.h"

#include <commctrl.h>

namespace monitor {
namespace {
constexpr int kCellChars = 260;
}  // namespace

int ListViewDriveList::RowCount() const {
  return ListView_GetItemCount(list_);
}

void ListViewDriveList::InsertRow(int row) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(L"");
  const int inserted = ListView_InsertItem(list_, &item);
  if (inserted >= 0) ListView_SetCheckState(list_, inserted, TRUE);
}

void ListViewDriveList::DeleteRow(int row) {
  ListView_DeleteItem(list_, row);
}

std::u16string ListViewDriveList::CellText(int row, int column) const {
  wchar_t text[kCellChars] = {};
  ListView_GetItemText(list_, row, column, text, kCellChars);
  return std::u16string(text, text + wcsnlen(text, kCellChars));
}

void ListViewDriveList::SetCellText(int row, int column, const std::u16string& text) {
  std::wstring wide(text.begin(), text.end());
  ListView_SetItemText(list_, row, column, wide.data());
}

std::int32_t ListViewDriveList::ItemData(int row) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!ListView_GetItem(list_, &item)) return 0;
  return static_cast<std::int32_t>(item.lParam);
}

void ListViewDriveList::SetItemData(int row, std::int32_t data) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = data;
  ListView_SetItem(list_, &item);
}

bool ListViewDriveList::Checked(int row) const {
  return ListView_GetCheckState(list_, row) != FALSE;
}

void ListViewDriveList::SetChecked(int row, bool checked) {
  ListView_SetCheckState(list_, row, checked ? TRUE : FALSE);
}

int ListViewDriveList::SelectionMark() const {
  return ListView_GetSelectionMark(list_);
}

void ListViewDriveList::SetSelectionMark(int row) {
  ListView_SetSelectionMark(list_, row);
}

bool ListViewDriveList::Enabled() const {
  return IsWindowEnabled(list_) != FALSE;
}

void ListViewDriveList::SetEnabled(bool enabled) {
  EnableWindow(list_, enabled ? TRUE : FALSE);
}

}  // namespace monitor
