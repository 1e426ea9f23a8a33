#include "monitor/pages/win32/graph_page.h"

#include <array>

#include "monitor/pages/win32/csv_export.h"
#include "monitor/pages/win32/graph_painter.h"
#include "monitor/win32/app.h"
#include "monitor/win32/posted.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr UINT kHistoryOpenedMessage = WM_APP + 2;
constexpr UINT kRecordMessage = WM_APP + 3;

// In the order of GraphWindow::AxisLabels.
constexpr std::array<int, kAxisLabelCount> kAxisLabels = {
    IDC_AXIS_TOP,    IDC_AXIS_BELOW_TOP, IDC_AXIS_MIDDLE, IDC_AXIS_ABOVE_BOTTOM,
    IDC_AXIS_BOTTOM, IDC_AXIS_LEFT,      IDC_AXIS_CENTRE, IDC_AXIS_RIGHT};

static_assert(static_cast<int>(ScrollAction::LineBack) == SB_LINELEFT &&
                  static_cast<int>(ScrollAction::PageForward) == SB_PAGERIGHT &&
                  static_cast<int>(ScrollAction::ThumbTrack) == SB_THUMBTRACK &&
                  static_cast<int>(ScrollAction::ToEnd) == SB_RIGHT &&
                  static_cast<int>(ScrollAction::EndScroll) == SB_ENDSCROLL,
              "scroll actions are numbered as the platform's requests");
static_assert(SB_LINEUP == SB_LINELEFT && SB_TOP == SB_LEFT && SB_BOTTOM == SB_RIGHT,
              "both bars number their requests alike");

void SetBar(HWND bar, const ScrollBar& state) {
  SetScrollRange(bar, SB_CTL, 0, state.max, FALSE);
  SetScrollPos(bar, SB_CTL, state.position, TRUE);
  ShowWindow(bar, state.shown ? SW_SHOW : SW_HIDE);
}

// The thumb's place: the request carries 16 bits of it, which a history
// of more than a year outgrows.
int ThumbOf(HWND bar, WPARAM request) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_TRACKPOS;
  if (GetScrollInfo(bar, SB_CTL, &info) && info.nMax > 0xFFFF) return info.nTrackPos;
  return HIWORD(request);
}

}  // namespace

CGraph::CGraph(CVormakApp& app) : PageView(app, IDD_PAGE_GRAPH), core_(app.slots, app.profile()) {}

CGraph::~CGraph() {
  Record();
}

void CGraph::LoadHistory(std::function<void(bool setAside)> loaded) {
  loaded_ = std::move(loaded);
  history_.Open(hwnd(), kHistoryOpenedMessage, app_.clock().Now());
}

void CGraph::OnInitDialog() {
  ShowWindowState();
}

std::optional<LRESULT> CGraph::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM:
      if (wParam != IDC_GRAPH_AREA) break;
      Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      return OnScroll(reinterpret_cast<HWND>(lParam), wParam);
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == IDC_SAVE) {
        ExportCsv(hwnd(), app_, files_, [this] { return core_.Csv(app_.strings(), codePage_); });
        return 0;
      }
      if (LOWORD(wParam) == IDC_CLEAR) {
        Clear();
        return 0;
      }
      break;
    case kGraphSampleMessage:
      AddGraphSample(static_cast<int>(wParam));
      return 0;
    case kHistoryOpenedMessage: {
      const std::unique_ptr<OpenedHistory> opened = TakePosted<OpenedHistory>(lParam);
      core_.Adopt(std::move(opened->stored));
      ShowWindowState();
      Repaint();
      if (loaded_) loaded_(opened->setAside);
      return 0;
    }
    case kRecordMessage:
      Record();
      return 0;
    default:
      break;
  }
  return std::nullopt;
}

std::optional<LRESULT> CGraph::OnScroll(HWND bar, WPARAM request) {
  if (LOWORD(request) > SB_ENDSCROLL) return std::nullopt;
  const auto action = static_cast<ScrollAction>(LOWORD(request));
  if (bar == Item(IDC_TIME_BAR)) {
    core_.ScrollTime(action, ThumbOf(bar, request));
  } else if (bar == Item(IDC_TEMPERATURE_BAR)) {
    core_.ScrollTemperature(action, ThumbOf(bar, request));
  } else {
    return std::nullopt;
  }
  ShowWindowState();
  Repaint();
  return 0;
}

void CGraph::AddGraphSample(int intervalMinutes) {
  core_.AddGraphSample(intervalMinutes);
  RecordSoon();
  ShowWindowState();
  Repaint();
}

// The window does not move, so the labels stay as they are.
void CGraph::ClearGraphSlot(int slot) {
  core_.ClearGraphSlot(slot);
  RecordSoon();
  Repaint();
}

void CGraph::Clear() {
  core_.Clear();
  RecordSoon();
  ShowWindowState();
  Repaint();
}

void CGraph::RecordSoon() {
  if (recordPending_) return;
  recordPending_ = PostMessageW(hwnd(), kRecordMessage, 0, 0) != FALSE;
  if (!recordPending_) Record();
}

void CGraph::Record() {
  recordPending_ = false;
  history_.Append(core_.TakeRecords());
}

void CGraph::ShowWindowState() const {
  const GraphWindow& window = core_.window();
  SetBar(Item(IDC_TIME_BAR), window.timeBar);
  SetBar(Item(IDC_TEMPERATURE_BAR), window.temperatureBar);
  const auto labels = window.AxisLabels();
  // Only changed labels are written, so a sample that does not move the
  // window does not redraw them.
  for (int label = 0; label < kAxisLabelCount; ++label) {
    if (ItemText(kAxisLabels[label]) != labels[label]) {
      SetItemText(kAxisLabels[label], labels[label]);
    }
  }
}

void CGraph::Repaint() const {
  InvalidateRect(Item(IDC_GRAPH_AREA), nullptr, FALSE);
}

void CGraph::Draw(const DRAWITEMSTRUCT& item) const {
  const GraphScene scene =
      core_.Scene(item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top);
  PaintGraph(item.hDC, {item.rcItem.left, item.rcItem.top}, scene);
}

}  // namespace monitor
