// CSmart: the S.M.A.R.T. page. It lists the selected drive's attributes in
// the colour of their verdicts and describes the one the user marks.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "monitor/pages/win32/page_view.h"

namespace monitor {

class CSmart final : public PageView {
 public:
  explicit CSmart(CVormakApp& app);

  // Rebuilds the list from the selected slot.
  void RefreshSmartList();

 private:
  void OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::optional<LRESULT> OnListNotify(NMHDR& header);
  void ShowAttributeDescription();

  HWND list_ = nullptr;
};

}  // namespace monitor
