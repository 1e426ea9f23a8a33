#include "monitor/win32/shell_tray_area.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr int kIconSize = 16;
// A memory device context draws black text on white by default.
constexpr COLORREF kTextBackground = RGB(255, 255, 255);
// A sleeping drive's last reading, faded like its base.
constexpr COLORREF kSleepingText = RGB(80, 80, 80);

NOTIFYICONDATAW IconData(HWND owner, UINT id) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;  // the platform's layout, with tip and GUID
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAYNOTIFY;
  return data;
}

HICON LoadSmallIcon(HINSTANCE module, int id) {
  return static_cast<HICON>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, kIconSize, kIconSize, 0));
}

// The number in bold over a filled background, as a 16x16 bitmap for the
// screen.
HBITMAP NumberBitmap(HWND owner, const std::u16string& number, COLORREF colour) {
  HDC screen = GetDC(owner);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kIconSize, kIconSize);
  HFONT font =
      CreateFontW(12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Gothic");
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  HGDIOBJ oldFont = SelectObject(memory, font);
  SetTextColor(memory, colour);
  // Spaces in the text background fill the bitmap before the number.
  TextOutW(memory, 0, 0, L"        ", 8);
  TextOutW(memory, 0, 8, L"        ", 8);
  const std::wstring text(number.begin(), number.end());
  TextOutW(memory, 2, 0, text.c_str(), static_cast<int>(text.size()));
  SelectObject(memory, oldFont);
  SelectObject(memory, oldBitmap);
  DeleteObject(font);
  DeleteDC(memory);
  ReleaseDC(owner, screen);
  return bitmap;
}

}  // namespace

ShellTrayArea::ShellTrayArea(HWND owner, HINSTANCE resources)
    : owner_(owner),
      normal_(LoadSmallIcon(resources, IDI_APP)),
      warning_(LoadSmallIcon(resources, IDI_APP_WARNING)),
      sleeping_(LoadSmallIcon(resources, IDI_APP_SLEEPING)) {}

ShellTrayArea::~ShellTrayArea() {
  if (normal_) DestroyIcon(normal_);
  if (warning_) DestroyIcon(warning_);
  if (sleeping_) DestroyIcon(sleeping_);
}

// The base icon with the number merged over it: the number's background
// colour is its mask, so the text is opaque and its background transparent.
HICON ShellTrayArea::NumberedIcon(IconBase base, const std::u16string& number) const {
  const HICON bases[] = {normal_, warning_, sleeping_};  // by IconBase
  HIMAGELIST parts = ImageList_Create(kIconSize, kIconSize, ILC_COLOR24 | ILC_MASK, 2, 0);
  ImageList_ReplaceIcon(parts, -1, bases[static_cast<int>(base)]);
  HBITMAP numberBitmap =
      NumberBitmap(owner_, number, base == IconBase::kSleeping ? kSleepingText : RGB(0, 0, 0));
  ImageList_AddMasked(parts, numberBitmap, kTextBackground);
  DeleteObject(numberBitmap);
  HIMAGELIST merged = ImageList_Merge(parts, 0, parts, 1, 0, 0);
  HICON icon = merged ? ImageList_GetIcon(merged, 0, ILD_TRANSPARENT) : nullptr;
  if (merged) ImageList_Destroy(merged);
  ImageList_Destroy(parts);
  return icon;
}

bool ShellTrayArea::Show(UINT id, HICON icon, const std::u16string& tip) {
  NOTIFYICONDATAW data = IconData(owner_, id);
  data.hIcon = icon;
  const std::size_t chars = std::min(tip.size(), std::size(data.szTip) - 1);
  std::copy_n(tip.begin(), chars, data.szTip);
  // A failed change means the icon does not exist yet.
  return Shell_NotifyIconW(NIM_MODIFY, &data) || Shell_NotifyIconW(NIM_ADD, &data);
}

bool ShellTrayArea::ShowDriveIcon(const DriveIcon& icon) {
  HICON image = NumberedIcon(icon.base, icon.number);
  const bool shown = Show(static_cast<UINT>(icon.id), image, icon.tip);
  if (image) DestroyIcon(image);
  return shown;
}

bool ShellTrayArea::DeleteIcon(int id) {
  NOTIFYICONDATAW data = IconData(owner_, static_cast<UINT>(id));
  return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

bool ShellTrayArea::ShowAppIcon(const std::u16string& tip) {
  return Show(kAppIconId, normal_, tip);
}

bool ShellTrayArea::RemoveAppIcon() {
  NOTIFYICONDATAW data = IconData(owner_, kAppIconId);
  data.hIcon = normal_;
  if (!Shell_NotifyIconW(NIM_MODIFY, &data)) return false;
  return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

}  // namespace monitor
