#include "monitor/pages/win32/smart_page.h"

#include "common/win32/wide_text.h"
#include "monitor/drive_texts.h"
#include "monitor/drive_value_name.h"
#include "monitor/pages/smart_list.h"
#include "monitor/store/accepted_values.h"
#include "monitor/win32/app.h"
#include "monitor/win32/list_columns.h"
#include "resources/resource_ids.h"

namespace monitor {

using ardmon::Wide;

CSmart::CSmart(CVormakApp& app, std::function<void()> acceptanceChanged)
    : PageView(app, IDD_PAGE_SMART), acceptanceChanged_(std::move(acceptanceChanged)) {}

void CSmart::OnInitDialog() {
  list_ = Item(IDC_ATTRIBUTE_LIST);
  InsertColumns(list_, app_.strings(), kSmartColumnHeaders);
  ListView_SetExtendedListViewStyle(
      list_, ListView_GetExtendedListViewStyle(list_) | LVS_EX_FULLROWSELECT);
  SetColumnWidths(list_, SmartColumnWidths(ListWidth(list_)));
}

std::optional<LRESULT> CSmart::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) != IDC_ACCEPT_VALUES || HIWORD(wParam) != BN_CLICKED) break;
      OnAcceptValues();
      return TRUE;
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.idFrom == IDC_ATTRIBUTE_LIST) return OnListNotify(header);
      break;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const COLORREF legend = item.CtlID == IDC_BAD_SQUARE       ? kBadRowColour
                              : item.CtlID == IDC_CAUTION_SQUARE ? kCautionRowColour
                                                                 : kGoodRowColour;
      FillDrawnItem(item, legend);
      FrameDrawnItem(item);
      return TRUE;
    }
    default:
      break;
  }
  return std::nullopt;
}

std::optional<LRESULT> CSmart::OnListNotify(NMHDR& header) {
  switch (header.code) {
    case LVN_ITEMCHANGED:
    case NM_CLICK:
    case NM_RCLICK:
      ShowAttributeDescription();
      return 0;
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
      draw.clrTextBk = RowBackground(static_cast<std::uint32_t>(draw.nmcd.lItemlParam));
      return CDRF_NEWFONT;
    }
    default:
      return std::nullopt;
  }
}

void CSmart::RefreshSmartList() {
  // One repaint for the whole rebuild, not one per row.
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  SetItemText(IDC_ATTRIBUTE_DESCRIPTION, u"");
  int index = 0;
  for (const AttributeRow& row : AttributeRows(app_.slots, app_.strings())) {
    std::wstring id = Wide(row.cells[0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = id.data();
    item.lParam = static_cast<LPARAM>(row.itemData);
    const int inserted = ListView_InsertItem(list_, &item);
    if (inserted < 0) break;
    for (int column = 1; column < kSmartColumnCount; ++column) {
      std::wstring text = Wide(row.cells[column]);
      ListView_SetItemText(list_, inserted, column, text.data());
    }
    ++index;
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  ShowHealth();
}

void CSmart::ShowHealth() {
  const SlotTable& table = app_.slots;
  const DriveSlot* drive = table.SelectedDrive();
  SetItemText(IDC_SMART_HEALTH, drive ? HealthText(drive->slotRecord.Temp.HealthStatus,
                                                   drive->accepted, app_.strings())
                                      : u"");
  const AcceptAction action = AcceptActionFor(table);
  const HWND button = Item(IDC_ACCEPT_VALUES);
  if (action != AcceptAction::kNone) {
    SetItemText(IDC_ACCEPT_VALUES,
                app_.strings().Get(action == AcceptAction::kAccept ? IDS_ACCEPT_VALUES
                                                                   : IDS_FORGET_ACCEPTED));
  }
  ShowWindow(button, action == AcceptAction::kNone ? SW_HIDE : SW_SHOW);
}

void CSmart::OnAcceptValues() {
  const AcceptAction action = AcceptActionFor(app_.slots);
  if (action == AcceptAction::kNone) return;
  const ardmon::TempInfoRecord& record = app_.slots.slots[app_.slots.selectedSlot].slotRecord.Temp;
  if (action == AcceptAction::kAccept) {
    AcceptValues(app_.profile(), record);
  } else {
    ForgetAccepted(app_.profile(), DriveValueNameOf(record));
  }
  acceptanceChanged_();
}

void CSmart::ShowAttributeDescription() {
  std::optional<std::uint32_t> marked;
  const int mark = ListView_GetSelectionMark(list_);
  if (mark >= 0) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = mark;
    if (ListView_GetItem(list_, &item)) marked = static_cast<std::uint32_t>(item.lParam);
  }
  SetItemText(IDC_ATTRIBUTE_DESCRIPTION, AttributeDescription(app_.slots, marked, app_.strings()));
  InvalidateRect(hwnd(), nullptr, FALSE);
}

}  // namespace monitor
