// Reading and changing common controls of other processes: the monitor's
// drive list and the notification area's icons. The controls take pointers
// in their own address space, so the structures and texts travel through
// memory allocated in the control's process.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace monitorgui {

// Sent with a bound, so a monitor busy in a long cycle fails the test
// instead of hanging it.
inline LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
  return static_cast<LRESULT>(result);
}

class RemoteMemory {
 public:
  static constexpr SIZE_T kSize = 8192;

  explicit RemoteMemory(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_) {
      base_ = static_cast<char*>(
          VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  ~RemoteMemory() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }

  bool ok() const { return base_ != nullptr; }
  // The address at `offset` as the other process sees it.
  template <typename T = void>
  T* At(SIZE_T offset = 0) const {
    return reinterpret_cast<T*>(base_ + offset);
  }
  template <typename T>
  bool Write(SIZE_T offset, const T& value) const {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, base_ + offset, &value, sizeof value, &done) &&
           done == sizeof value;
  }
  template <typename T>
  bool Read(SIZE_T offset, T& value) const {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, base_ + offset, &value, sizeof value, &done) &&
           done == sizeof value;
  }
  std::wstring ReadText(SIZE_T offset, SIZE_T chars) const {
    std::wstring text(chars, L'\0');
    SIZE_T done = 0;
    if (!ReadProcessMemory(process_, base_ + offset, text.data(), chars * sizeof(wchar_t), &done)) {
      return {};
    }
    text.resize(std::find(text.begin(), text.end(), L'\0') - text.begin());
    return text;
  }

 private:
  HANDLE process_ = nullptr;
  char* base_ = nullptr;
};

// A report-mode list view with check boxes in another process.
class RemoteListView {
 public:
  static constexpr int kColumns = 6;
  struct Row {
    std::array<std::wstring, kColumns> cells;
    bool checked;
    LPARAM data;
  };

  explicit RemoteListView(HWND list) : list_(list), memory_(list) {}
  bool ok() const { return list_ && memory_.ok(); }

  int Count() const { return static_cast<int>(SendBounded(list_, LVM_GETITEMCOUNT, 0, 0)); }

  std::wstring Text(int row, int column) const {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = memory_.At<wchar_t>(kTextOffset);
    item.cchTextMax = kTextChars;
    if (!memory_.Write(0, item)) return {};
    SendBounded(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory_.At()));
    return memory_.ReadText(kTextOffset, kTextChars);
  }

  UINT State(int row, UINT mask) const {
    return static_cast<UINT>(SendBounded(list_, LVM_GETITEMSTATE, row, mask));
  }
  // State image 2 is the ticked box, 1 the empty one.
  bool Checked(int row) const { return (State(row, LVIS_STATEIMAGEMASK) >> 12) == 2; }
  bool Selected(int row) const { return State(row, LVIS_SELECTED) != 0; }

  LPARAM ItemData(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!memory_.Write(0, item)) return -1;
    SendBounded(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(memory_.At()));
    return memory_.Read(0, item) ? item.lParam : -1;
  }

  // As a click on the box would: the list tells its parent of the change.
  bool SetChecked(int row, bool checked) const {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    return memory_.Write(0, item) &&
           SendBounded(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(memory_.At())) != 0;
  }

  // Selects and focuses the row, as a click on it would.
  bool Select(int row) const {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return memory_.Write(0, item) &&
           SendBounded(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(memory_.At())) != 0;
  }

  std::vector<Row> Rows() const {
    std::vector<Row> rows;
    const int count = Count();
    for (int row = 0; row < count; ++row) {
      Row r{};
      for (int column = 0; column < kColumns; ++column) r.cells[column] = Text(row, column);
      r.checked = Checked(row);
      r.data = ItemData(row);
      rows.push_back(r);
    }
    return rows;
  }

 private:
  static constexpr SIZE_T kTextOffset = 1024;
  static constexpr int kTextChars = 1024;

  HWND list_;
  RemoteMemory memory_;
};

struct TrayIcon {
  std::wstring tip;
  RECT rect;  // on the screen
};

// The icons of the notification area as Wine's tray keeps them: each icon
// has a tooltip window owned by the tray window, with one tool whose
// rectangle is the icon's place on the tray and whose text is its tip. A
// deleted icon's tooltip stays behind with an empty rectangle.
inline std::vector<TrayIcon> TrayIcons() {
  std::vector<TrayIcon> icons;
  const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (!tray) return icons;
  struct Search {
    HWND tray;
    std::vector<HWND> tooltips;
  } search{tray, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (GetWindow(window, GW_OWNER) == s.tray && lstrcmpW(name, TOOLTIPS_CLASSW) == 0) {
          s.tooltips.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (search.tooltips.empty()) return icons;

  constexpr SIZE_T kTextOffset = 1024;
  constexpr int kTextChars = 1024;
  const RemoteMemory memory(tray);
  if (!memory.ok()) return icons;
  for (HWND tooltip : search.tooltips) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.lpszText = memory.At<wchar_t>(kTextOffset);
    if (!memory.Write(0, tool) ||
        !SendBounded(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(memory.At())) ||
        !memory.Read(0, tool)) {
      continue;
    }
    tool.lpszText = memory.At<wchar_t>(kTextOffset);
    memory.Write(0, tool);
    SendBounded(tooltip, TTM_GETTEXTW, kTextChars, reinterpret_cast<LPARAM>(memory.At()));
    if (IsRectEmpty(&tool.rect)) continue;
    RECT rect = tool.rect;
    MapWindowPoints(tool.hwnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    icons.push_back({memory.ReadText(kTextOffset, kTextChars), rect});
  }
  return icons;
}

// The tips of the tray's icons, sorted, to compare with what should be there.
inline std::vector<std::wstring> TrayTips() {
  std::vector<std::wstring> tips;
  for (const TrayIcon& icon : TrayIcons()) tips.push_back(icon.tip);
  std::sort(tips.begin(), tips.end());
  return tips;
}

}  // namespace monitorgui
