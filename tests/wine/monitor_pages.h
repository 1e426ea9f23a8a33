// Driving the pages of the real Ardmon.exe: finding a page by one of its
// controls, reading and setting its texts, clicking its buttons and tabs,
// showing a drive on a tab, and waiting for message boxes.
#pragma once

#include <optional>
#include <string>

#include "tests/wine/monitor_gui_fixture.h"

namespace monitorgui {

constexpr int kTabControlId = 108;
constexpr int kHddInfoTab = 0, kSmartTab = 1, kSettingTab = 2, kLogTab = 3, kGraphTab = 4;

class PageDriver : public MonitorGui {
 protected:
  // The page that holds the control `id`.
  HWND PageWith(int id) const {
    for (HWND page = nullptr; (page = FindWindowExW(window_, page, L"#32770", nullptr));) {
      if (GetDlgItem(page, id)) return page;
    }
    return nullptr;
  }
  std::wstring ItemText(int id) const { return TextOf(GetDlgItem(PageWith(id), id)); }
  void SetItemText(int id, const wchar_t* text) const {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(PageWith(id), id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, kReactMs, &ignored);
  }
  // On the first page with the control, unless told which.
  void Click(int id, HWND page = nullptr) const {
    if (!page) page = PageWith(id);
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
  }

  HWND Tabs() const { return GetDlgItem(window_, kTabControlId); }
  int CurrentTab() const { return static_cast<int>(SendBounded(Tabs(), TCM_GETCURSEL, 0, 0)); }
  // As a click on the tab would: the tab control tells the dialog.
  void ClickTab(int tab) const { PostMessageW(Tabs(), TCM_SETCURFOCUS, tab, 0); }
  bool PageShown(int id) const { return IsWindowVisible(PageWith(id)) != FALSE; }

  // Shows the window on `tab` with the drive of `row` selected, as the
  // tray's icon of the drive and its menu would.
  void ShowDrive(int row, int tab) {
    PostMessageW(window_, kTrayNotify, row, WM_LBUTTONDOWN);
    PostMessageW(window_, WM_COMMAND, ID_TRAY_INFO + tab, 0);
    ASSERT_TRUE(WaitUntil([&] { return Visible() && CurrentTab() == tab; }, kReactMs));
  }

  // A message box other than one saying `except` (which may still be on
  // its way out), or nothing within the bound.
  std::optional<MessageBoxView> WaitForBox(const std::wstring& except = L"") const {
    std::optional<MessageBoxView> found;
    WaitUntil(
        [&] {
          for (const MessageBoxView& box : Boxes()) {
            if (!box.text.empty() && box.text != except) found = box;
          }
          return found.has_value();
        },
        kReactMs);
    return found;
  }
};

}  // namespace monitorgui
