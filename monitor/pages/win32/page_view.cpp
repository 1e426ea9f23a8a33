#include "monitor/pages/win32/page_view.h"

#include "common/win32/wide_text.h"
#include "monitor/win32/app.h"
#include "resources/win32/resource_language.h"

namespace monitor {

bool PageView::Create(HWND parent) {
  const DLGTEMPLATE* dialog =
      ardmon::DialogTemplateFor(app_.instance(), app_.language(), templateId_);
  return dialog && CreateDialogIndirectParamW(app_.instance(), dialog, parent, DialogProc,
                                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK PageView::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* page = reinterpret_cast<PageView*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    page->hwnd_ = hwnd;
    page->OnInitDialog();
    return TRUE;
  }
  auto* page = reinterpret_cast<PageView*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!page) return FALSE;
  const std::optional<LRESULT> result = page->OnMessage(message, wParam, lParam);
  if (!result) return FALSE;
  SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, *result);
  return TRUE;
}

void PageView::SetItemText(int id, const std::u16string& text) const {
  SetDlgItemTextW(hwnd_, id, ardmon::Wide(text).c_str());
}

std::u16string PageView::ItemText(int id) const {
  return DialogItemText(hwnd_, id);
}

std::u16string DialogItemText(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return std::u16string(text.begin(), text.end());
}

void FillDrawnItem(const DRAWITEMSTRUCT& item, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  FillRect(item.hDC, &item.rcItem, brush);
  DeleteObject(brush);
}

void FrameDrawnItem(const DRAWITEMSTRUCT& item) {
  FrameRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNSHADOW));
}

}  // namespace monitor
