// CVormakDlg: the main dialog, hidden until asked for, with the drive list,
// the six tab pages, the timer and device-change driven monitoring cycle and
// the notification-area icons.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include <array>
#include <memory>

#include "monitor/monitor_cycle.h"
#include "monitor/monitor_hooks.h"
#include "monitor/win32/list_view_drive_list.h"
#include "monitor/win32/shell_tray_area.h"

namespace monitor {

class CVormakApp;

constexpr int kPageCount = 6;

class CVormakDlg : public MonitorHooks {
 public:
  explicit CVormakDlg(CVormakApp& app);
  CVormakDlg(const CVormakDlg&) = delete;
  CVormakDlg& operator=(const CVormakDlg&) = delete;
  ~CVormakDlg() override;

  INT_PTR DoModal();

  // Calls from the cycle into the parts around it.
  void UpdateTrayIcons(bool show) override;
  void InvalidateDialog() override;
  void ShowWarningBox() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  void CreatePages();
  void InsertTabs();
  void PlacePages();
  void InsertColumns();
  void RegisterForDisks();
  void RequestFilterRegistration();
  LRESULT OnNotify(const NMHDR& header);
  LRESULT OnListNotify(const NMHDR& header);
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
  void OnSelectionChange(const NMHDR& header);
  void OnWindowPosChanging(WINDOWPOS& position) const;
  void OnTrayNotify(WPARAM id, LPARAM mouseMessage);
  void ShowTrayMenu();
  void OnCommand(WORD command);
  void ShowSelectedPage();
  void SelectTab(int tab);
  void Hide();
  void Exit();
  void RefreshPages();

  CVormakApp& app_;
  HWND hwnd_ = nullptr;
  bool windowVisible_ = false;
  std::array<HWND, kPageCount> pages_{};
  HWND tab_ = nullptr;
  HICON icon_;
  HDEVNOTIFY deviceNotification_ = nullptr;
  std::unique_ptr<ListViewDriveList> list_;
  std::unique_ptr<ShellTrayArea> tray_;
  std::unique_ptr<MonitorCycle> cycle_;
};

}  // namespace monitor
