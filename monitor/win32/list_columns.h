// The header of a report-mode list view: its columns, left-aligned, with
// texts from the string table, and their widths.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstddef>

#include "resources/strings.h"

namespace monitor {

void InsertColumn(HWND list, int column, const std::u16string& header);

template <std::size_t N>
void InsertColumns(HWND list, const ardmon::Strings& strings,
                   const std::array<unsigned, N>& headerIds) {
  for (std::size_t column = 0; column < N; ++column) {
    InsertColumn(list, static_cast<int>(column), strings.Get(headerIds[column]));
  }
}

template <typename Width, std::size_t N>
void SetColumnWidths(HWND list, const std::array<Width, N>& widths) {
  for (std::size_t column = 0; column < N; ++column) {
    ListView_SetColumnWidth(list, static_cast<int>(column), widths[column]);
  }
}

// The list's width in pixels, its border included.
int ListWidth(HWND list);

}  // namespace monitor
