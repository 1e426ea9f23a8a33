#include "monitor/win32/list_columns.h"

#include <string>

namespace monitor {

void InsertColumn(HWND list, int column, const std::u16string& header) {
  std::wstring text(header.begin(), header.end());
  LVCOLUMNW item{};
  item.mask = LVCF_TEXT | LVCF_FMT;
  item.fmt = LVCFMT_LEFT;
  item.pszText = text.data();
  ListView_InsertColumn(list, column, &item);
}

int ListWidth(HWND list) {
  RECT bounds{};
  GetWindowRect(list, &bounds);
  return bounds.right - bounds.left;
}

}  // namespace monitor
