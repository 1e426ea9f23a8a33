// CVormakDlg: the main dialog, hidden until asked for, with the drive list,
// the six tab pages, the timer and device-change driven monitoring cycle and
// the notification-area icons.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <dbt.h>

#include <array>
#include <memory>

#include "monitor/mail/win32/alert_mailer.h"
#include "monitor/monitor_cycle.h"
#include "monitor/monitor_hooks.h"
#include "monitor/pages/win32/graph_page.h"
#include "monitor/pages/win32/hdd_info_page.h"
#include "monitor/pages/win32/mail_page.h"
#include "monitor/pages/win32/page_view.h"
#include "monitor/pages/win32/report_page.h"
#include "monitor/pages/win32/setting_page.h"
#include "monitor/pages/win32/smart_page.h"
#include "monitor/win32/list_view_drive_list.h"
#include "monitor/win32/service_worker.h"
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
  void AddLogEntry(const std::u16string& text) override;
  void AddGraphSample(int intervalMinutes) override;
  void ClearGraphSlot(int slot) override;
  void RefreshDriveInfo() override;
  void RefreshSmartList() override;
  void UpdateTrayIcons(bool show) override;
  void ShowValuesCurrent(bool current) override;
  void InvalidateDialog() override;
  void ShowWarningBox() override;
  // Queued to the mail thread; its result is dropped.
  void SendAlertMail(const std::u16string& text) override;
  // Queued to the webhook's thread; a failure comes back to be logged at
  // most once an hour.
  void PostWebhook(const WebhookEvent& event) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  void CreatePages();
  void InsertTabs();
  void PlacePages();
  void InsertColumns();
  void RegisterForDisks();
  // Once the graph's history is read: the first cycle, the timer and the
  // filter registration.
  void StartMonitoring(bool historySetAside);
  void OnFilterRegistered(bool changed);
  LRESULT OnNotify(const NMHDR& header);
  LRESULT OnListNotify(const NMHDR& header);
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
  void OnSelectionChange(const NMHDR& header);
  void OnWindowPosChanging(WINDOWPOS& position) const;
  void OnTrayNotify(WPARAM id, LPARAM mouseMessage);
  void ShowTrayMenu();
  void ShowDriveMenu();
  void EditDriveTemp();
  void OnCommand(WORD command);
  void ShowSelectedPage();
  void KeepUnappliedEdits(int currentTab);
  void SelectTab(int tab);
  void Hide();
  void Exit();
  void RefreshPages();

  CVormakApp& app_;
  HWND hwnd_ = nullptr;
  bool windowVisible_ = false;
  // The pages in tab order; the ones not built yet are blank.
  std::unique_ptr<CHDDInfo> hddInfo_;
  std::unique_ptr<CSmart> smart_;
  std::unique_ptr<CSetting> setting_;
  std::unique_ptr<CReport> report_;
  std::unique_ptr<CGraph> graph_;
  std::unique_ptr<AlertMailer> mailer_;    // outlives the Mail page that uses it
  std::unique_ptr<AlertWebhook> webhook_;  // so does this
  WebhookFailureLog webhookFailures_;
  std::unique_ptr<CMailDlg> mail_;
  std::array<PageView*, kPageCount> pages_{};
  HWND tab_ = nullptr;
  HICON icon_;
  HDEVNOTIFY deviceNotification_ = nullptr;
  std::unique_ptr<ListViewDriveList> list_;
  std::unique_ptr<ShellTrayArea> tray_;
  std::unique_ptr<MonitorCycle> cycle_;
  // Last: it goes first, before what its answers would reach.
  std::unique_ptr<ServiceWorker> serviceWorker_;
};

}  // namespace monitor
