// The drive list menu's "Warning Temperature..." dialog: the drive's own
// warning temperature, or an empty field for the default it names.
#pragma once

#include <windows.h>

#include <string>

#include "monitor/slot_table.h"

namespace monitor {

class CVormakApp;

class DriveTempDialog {
 public:
  // Of the drive as it is now: a cycle while the dialog is open does not
  // move the setting to another drive.
  DriveTempDialog(CVormakApp& app, const DriveSlot& drive);
  DriveTempDialog(const DriveTempDialog&) = delete;
  DriveTempDialog& operator=(const DriveTempDialog&) = delete;

  // True when the drive's own limit was stored or removed.
  bool DoModal(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam);
  void OnInitDialog();
  void OnOk();

  CVormakApp& app_;
  ardmon::TempInfoRecord temp_;
  std::u16string displayName_;
  HWND hwnd_ = nullptr;
};

}  // namespace monitor
