#include "monitor/win32/main_dialog.h"
#include "common/win32/wide_text.h"

#include <commctrl.h>

#include "monitor/layout.h"
#include "monitor/selection.h"
#include "monitor/settings.h"
#include "monitor/win32/app.h"
#include "monitor/warning_limit.h"
#include "monitor/win32/drive_temp_dialog.h"
#include "monitor/win32/list_columns.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

using ardmon::Wide;

constexpr int kHddInfoTab = 0;
// Tab order: the tab index is the page's number everywhere.
constexpr std::array<unsigned, kPageCount> kTabLabels = {
    IDS_TAB_HDD_INFO, IDS_TAB_SMART, IDS_TAB_SETTING, IDS_TAB_LOG, IDS_TAB_GRAPH, IDS_TAB_MAIL};
constexpr std::array<unsigned, kColumnCount> kColumnHeaders = {
    IDS_COLUMN_DRIVE, IDS_COLUMN_MODEL,       IDS_COLUMN_CAPACITY,
    IDS_TAB_SMART,    IDS_COLUMN_TEMPERATURE, IDS_COLUMN_HEALTH};
constexpr int kSmartTab = 1;

constexpr GUID kDiskInterface = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
constexpr COLORREF kWarningText = RGB(254, 0, 0);
constexpr COLORREF kNormalText = RGB(1, 1, 1);
constexpr COLORREF kNotCurrentText = RGB(128, 128, 128);
constexpr UINT kStateImageMask = 0xF000;
// Past the service worker's messages.
constexpr UINT kWebhookFailedMessage = WM_APP + 20;

void EnableShutdownAndRestart() {
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
  }
  ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}

}  // namespace

CVormakDlg::CVormakDlg(CVormakApp& app)
    : app_(app),
      icon_(static_cast<HICON>(LoadImageW(app.instance(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0,
                                          0, LR_DEFAULTSIZE))) {}

CVormakDlg::~CVormakDlg() {
  if (icon_) DestroyIcon(icon_);
}

INT_PTR CVormakDlg::DoModal() {
  return DialogBoxIndirectParamW(
      app_.instance(), ardmon::DialogTemplateFor(app_.instance(), app_.language(), IDD_MAIN),
      nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CVormakDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    reinterpret_cast<CVormakDlg*>(lParam)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<CVormakDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR CVormakDlg::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_NOTIFY:
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnNotify(*reinterpret_cast<NMHDR*>(lParam)));
      return TRUE;
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
      return FALSE;
    case WM_TIMER:
      if (wParam != kMonitorTimerId) return FALSE;
      cycle_->OnTimer();
      return TRUE;
    case WM_DEVICECHANGE:
      // Whatever the device: the system's own volume broadcasts count too.
      if (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) {
        cycle_->OnDeviceChange();
      }
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case ServiceWorker::kCycleFetched: {
      const std::unique_ptr<FetchedCycle> fetched = TakePosted<FetchedCycle>(lParam);
      cycle_->OnFetched(fetched->request, fetched->records.get());
      return TRUE;
    }
    case ServiceWorker::kFilterRegistered:
      OnFilterRegistered(wParam != 0);
      return TRUE;
    case kWebhookFailedMessage:
      if (webhookFailures_.ShouldLog(app_.clock().Now())) {
        AddLogEntry(app_.strings().Get(IDS_WEBHOOK_FAILED));
      }
      return TRUE;
    case WM_TRAYNOTIFY:
      OnTrayNotify(wParam, lParam);
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_ENDSESSION:
      // Windows ends without the Exit command: the log is kept all the same.
      if (wParam) report_->SaveLogFiles();
      return FALSE;
    default:
      return FALSE;
  }
}

BOOL CVormakDlg::OnInitDialog() {
  RegisterForDisks();
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  ShowWindow(hwnd_, SW_HIDE);
  CreatePages();
  tab_ = GetDlgItem(hwnd_, IDC_TAB);
  InsertTabs();
  PlacePages();
  list_ = std::make_unique<ListViewDriveList>(GetDlgItem(hwnd_, IDC_DRIVE_LIST));
  InsertColumns();
  tray_ = std::make_unique<ShellTrayArea>(hwnd_, app_.instance());
  cycle_ = std::make_unique<MonitorCycle>(app_.slots, app_.channel(), app_.profile(),
                                          app_.strings(), *list_, *this, app_.clock());
  serviceWorker_ = std::make_unique<ServiceWorker>(hwnd_);
  cycle_->SetFetcher(serviceWorker_.get());
  // The first sample continues the history kept across runs.
  graph_->LoadHistory([this](bool setAside) { StartMonitoring(setAside); });
  return TRUE;
}

void CVormakDlg::StartMonitoring(bool historySetAside) {
  if (historySetAside) AddLogEntry(app_.strings().Get(IDS_HISTORY_SET_ASIDE));
  cycle_->Start();
  SetTimer(hwnd_, kMonitorTimerId, kMonitorTimerPeriodMs, nullptr);
  // Asked at every start, after the first cycle's fetch.
  serviceWorker_->RegisterFilter();
}

void CVormakDlg::RegisterForDisks() {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kDiskInterface;
  deviceNotification_ = RegisterDeviceNotificationW(hwnd_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CVormakDlg::CreatePages() {
  hddInfo_ = std::make_unique<CHDDInfo>(app_);
  smart_ = std::make_unique<CSmart>(app_, [this] { cycle_->OnDeviceChange(); });
  setting_ = std::make_unique<CSetting>(app_, *this);
  report_ = std::make_unique<CReport>(app_);
  graph_ = std::make_unique<CGraph>(app_);
  mailer_ = std::make_unique<AlertMailer>(app_.profile(), app_.clock(), app_.title());
  webhook_ = std::make_unique<AlertWebhook>(app_.profile(), app_.clock(), app_.title());
  mail_ = std::make_unique<CMailDlg>(app_, *mailer_, *webhook_);
  pages_ = {hddInfo_.get(), smart_.get(), setting_.get(), report_.get(), graph_.get(), mail_.get()};
  for (PageView* page : pages_) page->Create(hwnd_);
}

void CVormakDlg::InsertTabs() {
  for (int tab = 0; tab < kPageCount; ++tab) {
    std::wstring label = Wide(app_.strings().Get(kTabLabels[tab]));
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = label.data();
    TabCtrl_InsertItem(tab_, tab, &item);
  }
}

void CVormakDlg::PlacePages() {
  RECT frame{};
  GetWindowRect(GetDlgItem(hwnd_, IDC_PAGE_FRAME), &frame);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&frame), 2);
  for (const PageView* page : pages_) {
    MoveWindow(page->hwnd(), frame.left, frame.top, frame.right - frame.left,
               frame.bottom - frame.top, FALSE);
  }
}

void CVormakDlg::InsertColumns() {
  const HWND list = list_->hwnd();
  monitor::InsertColumns(list, app_.strings(), kColumnHeaders);
  ListView_SetExtendedListViewStyle(
      list, ListView_GetExtendedListViewStyle(list) | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  SetColumnWidths(list, ColumnWidths(ListWidth(list)));
}

// A change needs a restart before the filter works.
void CVormakDlg::OnFilterRegistered(bool changed) {
  if (changed && ShowMessage(hwnd_, app_, IDS_RESTART_QUESTION, MB_YESNO) == IDYES) {
    EnableShutdownAndRestart();
  }
}

LRESULT CVormakDlg::OnNotify(const NMHDR& header) {
  if (header.idFrom == IDC_DRIVE_LIST) return OnListNotify(header);
  if (header.idFrom == IDC_TAB && header.code == TCN_SELCHANGE) ShowSelectedPage();
  return 0;
}

LRESULT CVormakDlg::OnListNotify(const NMHDR& header) {
  switch (header.code) {
    case LVN_ITEMCHANGED:
    case NM_CLICK:
      OnSelectionChange(header);
      return 0;
    case NM_RCLICK:
      OnSelectionChange(header);
      if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0) ShowDriveMenu();
      return 0;
    case NM_CUSTOMDRAW:
      return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
    default:
      return 0;
  }
}

LRESULT CVormakDlg::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const int slot = static_cast<int>(draw.nmcd.lItemlParam);
      const bool red =
          draw.iSubItem == kColumnTemperature && slot >= 0 && slot < kSlotCount &&
          IsOverLimit(app_.slots.slots[slot], ReadUnsigned(app_.profile(), kAllowableCount));
      draw.clrText = red ? kWarningText : app_.slots.valuesCurrent ? kNormalText : kNotCurrentText;
      return CDRF_NEWFONT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

// A check box the user changed (not the cycle, which disables the list)
// changes the tray icons and is stored with them.
void CVormakDlg::OnSelectionChange(const NMHDR& header) {
  if (header.code == LVN_ITEMCHANGED && list_->Enabled()) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uNewState ^ change.uOldState) & kStateImageMask) UpdateTrayIcons(true);
  }
  FollowSelectionMark(*list_, app_.slots);
  RefreshPages();
}

void CVormakDlg::RefreshPages() {
  RefreshDriveInfo();
  RefreshSmartList();
  graph_->Repaint();
}

// The dialog is run modally but stays invisible until it is asked for.
void CVormakDlg::OnWindowPosChanging(WINDOWPOS& position) const {
  if (windowVisible_) {
    position.flags |= SWP_SHOWWINDOW;
  } else {
    position.flags &= ~SWP_SHOWWINDOW;
  }
}

void CVormakDlg::OnTrayNotify(WPARAM id, LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN) {
    const int row = static_cast<int>(id);
    MarkRowFromTray(*list_, app_.slots, row);
    if (row < list_->RowCount()) {
      ListView_SetItemState(list_->hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED,
                            LVIS_SELECTED | LVIS_FOCUSED);
    }
    RefreshPages();
    ShowSelectedPage();
    SetForegroundWindow(hwnd_);
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    ShowTrayMenu();
  }
}

void CVormakDlg::ShowTrayMenu() {
  POINT cursor{};
  GetCursorPos(&cursor);
  HMENU menu = ardmon::LoadMenuFor(app_.instance(), app_.language(), IDR_TRAY_MENU);
  if (!menu) return;
  SetForegroundWindow(hwnd_);
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, cursor.x, cursor.y, 0,
                 hwnd_, nullptr);
  DestroyMenu(menu);
}

// The selected drive's own settings; a drive that has not named itself
// has none.
void CVormakDlg::ShowDriveMenu() {
  POINT cursor{};
  GetCursorPos(&cursor);
  HMENU menu = ardmon::LoadMenuFor(app_.instance(), app_.language(), IDR_DRIVE_MENU);
  if (!menu) return;
  const bool named = SelectedDriveMayHaveOwnLimit(app_.slots);
  EnableMenuItem(menu, ID_DRIVE_TEMP, MF_BYCOMMAND | (named ? MF_ENABLED : MF_GRAYED));
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd_, nullptr);
  DestroyMenu(menu);
}

void CVormakDlg::EditDriveTemp() {
  const DriveSlot* drive = app_.slots.SelectedDrive();
  if (!drive) return;
  DriveTempDialog dialog(app_, *drive);
  if (!dialog.DoModal(hwnd_)) return;
  UpdateTrayIcons(true);
  InvalidateRect(list_->hwnd(), nullptr, FALSE);
  RefreshPages();
}

void CVormakDlg::OnCommand(WORD command) {
  switch (command) {
    case IDOK:  // Enter does not close the dialog
      return;
    case IDCANCEL:
      Hide();
      return;
    case ID_TRAY_INFO:
    case ID_TRAY_SMART:
    case ID_TRAY_SETTING:
    case ID_TRAY_LOG:
    case ID_TRAY_GRAPH:
    case ID_TRAY_MAIL:
      SelectTab(command - ID_TRAY_INFO);
      return;
    case ID_TRAY_EXIT:
      Exit();
      return;
    case ID_DRIVE_TEMP:
      EditDriveTemp();
      return;
    default:
      return;
  }
}

void CVormakDlg::SelectTab(int tab) {
  TabCtrl_SetCurSel(tab_, tab);
  ShowSelectedPage();
}

void CVormakDlg::ShowSelectedPage() {
  KeepUnappliedEdits(TabCtrl_GetCurSel(tab_));
  const int current = TabCtrl_GetCurSel(tab_);
  if (current == kSmartTab) RefreshSmartList();
  const int shown = current < 0 ? kHddInfoTab : current;
  for (int tab = 0; tab < kPageCount; ++tab) {
    ShowWindow(pages_[tab]->hwnd(), tab == shown ? SW_SHOW : SW_HIDE);
  }
  windowVisible_ = true;
  ShowWindow(hwnd_, SW_SHOW);
}

// Leaving a page with edits not applied: apply them if the user wants,
// and come back to the page if the apply refused them. Only the page
// shown can hold such edits.
void CVormakDlg::KeepUnappliedEdits(int currentTab) {
  for (int tab = 0; tab < kPageCount; ++tab) {
    PageView& page = *pages_[tab];
    if (tab == currentTab || !page.Visible() || !page.HasUnappliedEdits()) continue;
    if (ShowMessage(hwnd_, app_, IDS_APPLY_QUESTION, MB_YESNO) != IDYES) return;
    page.ApplyEdits();
    if (page.HasUnappliedEdits()) TabCtrl_SetCurSel(tab_, tab);
    return;
  }
}

// Edits not applied are discarded.
void CVormakDlg::Hide() {
  for (PageView* page : pages_) page->DiscardEdits();
  windowVisible_ = false;
  ShowWindow(hwnd_, SW_HIDE);
}

void CVormakDlg::Exit() {
  // A stalled service must not hold the program's end.
  serviceWorker_->CancelAll();
  report_->SaveLogFiles();
  KillTimer(hwnd_, kMonitorTimerId);
  UpdateTrayIcons(false);
  for (const PageView* page : pages_) EndDialog(page->hwnd(), IDCANCEL);
  if (deviceNotification_) UnregisterDeviceNotification(deviceNotification_);
  deviceNotification_ = nullptr;
  EndDialog(hwnd_, IDCANCEL);
}

void CVormakDlg::AddLogEntry(const std::u16string& text) {
  report_->AddLogEntry(text);
}

void CVormakDlg::AddGraphSample(int intervalMinutes) {
  graph_->AddGraphSample(intervalMinutes);
}

void CVormakDlg::ClearGraphSlot(int slot) {
  graph_->ClearGraphSlot(slot);
}

void CVormakDlg::RefreshDriveInfo() {
  hddInfo_->RefreshDriveInfo();
}

void CVormakDlg::RefreshSmartList() {
  smart_->RefreshSmartList();
}

void CVormakDlg::UpdateTrayIcons(bool show) {
  monitor::UpdateTrayIcons(show, *list_, app_.slots, app_.profile(), app_.strings(), *tray_);
}

void CVormakDlg::ShowValuesCurrent(bool current) {
  const std::wstring state = current ? L"" : Wide(app_.strings().Get(IDS_VALUES_NOT_CURRENT));
  SetDlgItemTextW(hwnd_, IDC_LIST_STATE, state.c_str());
  InvalidateRect(list_->hwnd(), nullptr, FALSE);
}

// The cycle may have moved the selection to another drive: the graph
// follows it too.
void CVormakDlg::InvalidateDialog() {
  InvalidateRect(hwnd_, nullptr, FALSE);
  graph_->Repaint();
}

void CVormakDlg::SendAlertMail(const std::u16string& text) {
  mailer_->Send(text);
}

void CVormakDlg::PostWebhook(const WebhookEvent& event) {
  const HWND dialog = hwnd_;
  webhook_->Send(event, [dialog](WebhookResult result) {
    if (result != WebhookResult::Sent) PostMessageW(dialog, kWebhookFailedMessage, 0, 0);
  });
}

void CVormakDlg::ShowWarningBox() {
  ShowMessage(hwnd_, app_, IDS_OVER_TEMPERATURE, MB_OK);
}

}  // namespace monitor
