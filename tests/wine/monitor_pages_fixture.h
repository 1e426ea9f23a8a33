// The main dialog's pages of the real Ardmon.exe, as the page tests drive
// them: the page holding a control, its texts, clicks, the tabs, the
// message boxes and screenshots of the window.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/wine/monitor_gui_fixture.h"

namespace monitorgui {

constexpr int kTabControlId = 108;
constexpr int kHddInfoTab = 0, kSmartTab = 1, kSettingTab = 2, kLogTab = 3, kGraphTab = 4,
              kMailTab = 5;

class MonitorPages : public MonitorGui {
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

  std::vector<std::wstring> DriveLetters() const {
    const HWND combo = GetDlgItem(PageWith(IDC_DRIVE_LETTERS), IDC_DRIVE_LETTERS);
    std::vector<std::wstring> letters;
    const int count = static_cast<int>(SendBounded(combo, CB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
      // The system carries this text across processes itself.
      wchar_t letter[16] = {};
      SendBounded(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(letter));
      letters.push_back(letter);
    }
    return letters;
  }
  int ChosenLetter() const {
    return static_cast<int>(SendBounded(GetDlgItem(PageWith(IDC_DRIVE_LETTERS), IDC_DRIVE_LETTERS),
                                        CB_GETCURSEL, 0, 0));
  }

  RemoteListView Attributes() const {
    return RemoteListView(GetDlgItem(PageWith(IDC_ATTRIBUTE_LIST), IDC_ATTRIBUTE_LIST));
  }
  static std::vector<std::uint32_t> Colours(const RemoteListView& list) {
    std::vector<std::uint32_t> colours;
    for (const auto& row : list.Rows()) {
      colours.push_back(static_cast<std::uint32_t>(row.data) >> 8);
    }
    return colours;
  }

  // A message box other than one saying `except` (which may still be on
  // its way out), or nothing within the bound.
  std::optional<MessageBoxView> WaitForBox(const std::wstring& except = L"",
                                           DWORD timeoutMs = kReactMs) const {
    std::optional<MessageBoxView> found;
    WaitUntil(
        [&] {
          for (const MessageBoxView& box : Boxes()) {
            if (!box.text.empty() && box.text != except && !FileNameField(box.window)) found = box;
          }
          return found.has_value();
        },
        timeoutMs);
    return found;
  }
  // The file name field of a save dialog, which looks like a box to Boxes().
  static HWND FileNameField(HWND dialog) {
    for (int id : {1148, 1152}) {  // the file name combo box, or the plain field
      const HWND field = GetDlgItem(dialog, id);
      if (field && IsWindowVisible(field)) return field;
    }
    return nullptr;
  }
};

}  // namespace monitorgui
