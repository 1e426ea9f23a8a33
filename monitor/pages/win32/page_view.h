// One tab page of the main dialog: a child dialog made from its template in
// the application's language, hidden until the main dialog shows it. The
// pages derive from it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace monitor {

class CVormakApp;

class PageView {
 public:
  PageView(CVormakApp& app, unsigned templateId) : app_(app), templateId_(templateId) {}
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;
  virtual ~PageView() = default;

  // Creates the page, hidden, as a child of the main dialog.
  bool Create(HWND parent);
  HWND hwnd() const { return hwnd_; }
  bool Visible() const { return IsWindowVisible(hwnd_) != FALSE; }

  // For pages whose edits take effect only through Apply: whether the
  // controls hold edits not applied, the apply offered when the user
  // leaves the page, and the reload that drops them when the window hides.
  virtual bool HasUnappliedEdits() { return false; }
  virtual void ApplyEdits() {}
  virtual void DiscardEdits() {}

 protected:
  virtual void OnInitDialog() {}
  // The result of a message the page handles; nothing for the default
  // handling.
  virtual std::optional<LRESULT> OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return std::nullopt;
  }

  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void SetItemText(int id, const std::u16string& text) const;
  std::u16string ItemText(int id) const;
  bool Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
  void SetChecked(int id, bool checked) const {
    CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
  }

  CVormakApp& app_;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  unsigned templateId_;
  HWND hwnd_ = nullptr;
};

// The text of a dialog's control.
std::u16string DialogItemText(HWND dialog, int id);
// Fills an owner-drawn static control with one colour (0x00BBGGRR).
void FillDrawnItem(const DRAWITEMSTRUCT& item, COLORREF colour);
// A thin frame around it, so that a white square shows on a light page.
void FrameDrawnItem(const DRAWITEMSTRUCT& item);

}  // namespace monitor
