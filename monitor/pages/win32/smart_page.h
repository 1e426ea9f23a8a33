// CSmart: the S.M.A.R.T. page. It lists the selected drive's attributes in
// the colour of their verdicts, describes the one the user marks, shows the
// drive's health and lets the user accept the counts of a drive in Caution.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>

#include "monitor/pages/win32/page_view.h"

namespace monitor {

class CSmart final : public PageView {
 public:
  // `acceptanceChanged` applies accepted or forgotten counts at once.
  CSmart(CVormakApp& app, std::function<void()> acceptanceChanged);

  // Rebuilds the list from the selected slot.
  void RefreshSmartList();

 private:
  void OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::optional<LRESULT> OnListNotify(NMHDR& header);
  void ShowAttributeDescription();
  void ShowHealth();
  void OnAcceptValues();

  std::function<void()> acceptanceChanged_;
  HWND list_ = nullptr;
};

}  // namespace monitor
