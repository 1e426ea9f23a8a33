#include "monitor/pages/win32/report_page.h"

#include <commctrl.h>

#include <array>

#include "common/win32/wide_text.h"
#include "monitor/pages/win32/csv_export.h"
#include "monitor/win32/app.h"
#include "monitor/win32/list_columns.h"
#include "monitor/win32/posted.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr std::array<unsigned, 2> kLogColumnHeaders = {IDS_LOG_COLUMN_TIME, IDS_LOG_COLUMN_MESSAGE};
constexpr UINT kSaveMessage = WM_APP + 1;
// lParam: the LoadedLog, for TakePosted.
constexpr UINT kLoadedMessage = WM_APP + 2;
// The last write at the end: a few milliseconds on a working disk. One that
// takes longer leaves the files as the writes after each change left them.
constexpr std::chrono::milliseconds kLastWriteBound{1000};

}  // namespace

CReport::CReport(CVormakApp& app) : PageView(app, IDD_PAGE_LOG), log_(*codePage_, app.clock()) {}

void CReport::OnInitDialog() {
  list_ = Item(IDC_LOG_LIST);
  InsertColumns(list_, app_.strings(), kLogColumnHeaders);
  ListView_SetExtendedListViewStyle(
      list_, ListView_GetExtendedListViewStyle(list_) | LVS_EX_FULLROWSELECT);
  const int width = ListWidth(list_);
  SetColumnWidths(list_, std::array<int, 2>{width / 4, width * 2 / 3});
  store_.Load(ThisUsersLogFolders(), [window = hwnd()](LoadedLog loaded) {
    PostOwned(window, kLoadedMessage, std::make_unique<LoadedLog>(std::move(loaded)));
  });
}

std::optional<LRESULT> CReport::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSaveMessage) {
    savePending_ = false;
    store_.Write(log_.Snapshot());
    return 0;
  }
  if (message == kLoadedMessage) {
    OnLoaded(std::move(*TakePosted<LoadedLog>(lParam)));
    return 0;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return std::nullopt;
  switch (LOWORD(wParam)) {
    case IDC_SAVE:
      ExportCsv(hwnd(), app_, *files_, [this] { return log_.Csv(); });
      return 0;
    case IDC_CLEAR:
      Clear();
      return 0;
    default:
      return std::nullopt;
  }
}

// The rows of the files go below those the first cycles added meanwhile,
// which the files then need.
void CReport::OnLoaded(LoadedLog loaded) {
  const std::size_t first = log_.rows().size();
  log_.TakeLoaded(std::move(loaded));
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  for (std::size_t row = first; row < log_.rows().size(); ++row) {
    InsertRow(static_cast<int>(row), log_.rows()[row]);
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  if (first > 0) SaveSoon();
}

void CReport::AddLogEntry(const std::u16string& text) {
  InsertRow(0, log_.AddLogEntry(text));
  SaveSoon();
}

// As at the exit, a write that fails is not reported. Before the files
// were read there is no folder to write to: only an end within moments of
// the start comes that early.
void CReport::SaveLogFiles() {
  savePending_ = false;
  if (log_.loaded()) store_.WriteAndWait(log_.Snapshot(), kLastWriteBound);
}

// A cycle that logs for many drives at once writes the files once, right
// after it.
void CReport::SaveSoon() {
  if (savePending_ || !log_.loaded()) return;
  savePending_ = PostMessageW(hwnd(), kSaveMessage, 0, 0) != FALSE;
  if (!savePending_) store_.Write(log_.Snapshot());
}

void CReport::InsertRow(int row, const LogEntry& entry) {
  std::wstring time = ardmon::Wide(entry.time);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = time.data();
  const int inserted = ListView_InsertItem(list_, &item);
  if (inserted < 0) return;
  std::wstring message = ardmon::Wide(entry.message);
  ListView_SetItemText(list_, inserted, 1, message.data());
}

void CReport::Clear() {
  log_.Clear();
  ListView_DeleteAllItems(list_);
  SaveSoon();
}

}  // namespace monitor
