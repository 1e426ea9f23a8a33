#include "monitor/win32/drive_temp_dialog.h"

#include "common/win32/wide_text.h"
#include "monitor/pages/win32/page_view.h"
#include "monitor/warning_limit.h"
#include "monitor/win32/app.h"
#include "resources/resource_ids.h"

namespace monitor {

using ardmon::Wide;

DriveTempDialog::DriveTempDialog(CVormakApp& app, const DriveSlot& drive)
    : app_(app), temp_(drive.slotRecord.Temp), displayName_(drive.displayName) {}

bool DriveTempDialog::DoModal(HWND owner) {
  return DialogBoxIndirectParamW(
             app_.instance(),
             ardmon::DialogTemplateFor(app_.instance(), app_.language(), IDD_DRIVE_TEMP), owner,
             DialogProc, reinterpret_cast<LPARAM>(this)) == IDOK;
}

INT_PTR CALLBACK DriveTempDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    reinterpret_cast<DriveTempDialog*>(lParam)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<DriveTempDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  return self ? self->Handle(message, wParam) : FALSE;
}

INT_PTR DriveTempDialog::Handle(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) OnOk();
      if (LOWORD(wParam) == IDCANCEL) EndDialog(hwnd_, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

void DriveTempDialog::OnInitDialog() {
  Profile& profile = app_.profile();
  SetDlgItemTextW(hwnd_, IDC_DRIVE_TEMP_DRIVE, Wide(displayName_).c_str());
  SetDlgItemTextW(hwnd_, IDC_DRIVE_TEMP_OWN, Wide(OwnWarningLimitText(profile, temp_)).c_str());
  SetDlgItemTextW(
      hwnd_, IDC_DRIVE_TEMP_DEFAULT,
      Wide(WarningLimitText(DefaultWarningLimit(profile, temp_), app_.strings())).c_str());
}

// A text that is no number keeps the dialog open; a drive that never named
// itself has nowhere to keep a limit, and the dialog closes as cancelled.
void DriveTempDialog::OnOk() {
  switch (ApplyOwnWarningLimitText(app_.profile(), app_.slots, temp_,
                                   DialogItemText(hwnd_, IDC_DRIVE_TEMP_OWN))) {
    case OwnLimitChange::kNotANumber:
      ShowMessage(hwnd_, app_, IDS_PARSE_POSITIVE_INTEGER, MB_OK);
      SetFocus(GetDlgItem(hwnd_, IDC_DRIVE_TEMP_OWN));
      return;
    case OwnLimitChange::kUnnamed:
      EndDialog(hwnd_, IDCANCEL);
      return;
    case OwnLimitChange::kStored:
    case OwnLimitChange::kRemoved:
      EndDialog(hwnd_, IDOK);
      return;
  }
}

}  // namespace monitor
