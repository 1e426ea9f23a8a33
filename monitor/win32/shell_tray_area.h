#pragma once

#include <windows.h>

#include "monitor/tray_icons.h"

namespace monitor {

constexpr UINT WM_TRAYNOTIFY = WM_APP + 123;

// The notification area through Shell_NotifyIconW, with the drive icons'
// numbers drawn over the base icons with GDI.
class ShellTrayArea : public TrayArea {
 public:
  ShellTrayArea(HWND owner, HINSTANCE resources);
  ShellTrayArea(const ShellTrayArea&) = delete;
  ShellTrayArea& operator=(const ShellTrayArea&) = delete;
  ~ShellTrayArea() override;

  bool ShowDriveIcon(const DriveIcon& icon) override;
  bool DeleteIcon(int id) override;
  bool ShowAppIcon(const std::u16string& tip) override;
  bool RemoveAppIcon() override;

 private:
  HICON NumberedIcon(IconBase base, const std::u16string& number) const;
  bool Show(UINT id, HICON icon, const std::u16string& tip);

  HWND owner_;
  HICON normal_;
  HICON warning_;
  HICON sleeping_;
};

}  // namespace monitor
