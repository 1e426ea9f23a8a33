// CHDDInfo: the HDD information page. It shows the selected drive's maker,
// identity and power-on time, and the label, file system and space of the
// volume chosen among the drive's letters.
#pragma once

#include <memory>

#include "monitor/pages/hdd_info.h"
#include "monitor/pages/win32/page_view.h"
#include "monitor/pages/win32/volume_worker.h"

namespace monitor {

class CHDDInfo final : public PageView {
 public:
  explicit CHDDInfo(CVormakApp& app);

  // Refills the page from the selected slot.
  void RefreshDriveInfo();
  // Shows the volume of the chosen letter.
  void ShowVolumeInfo();

 private:
  void OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::u16string ChosenRoot() const;
  void ShowVolumeFacts(const VolumeFacts& facts);
  void OnDrawItem(const DRAWITEMSTRUCT& item) const;

  unsigned usedShare_ = kNoUsedShare;
  std::u16string shownRoot_;  // the volume the fields show or will show
  std::unique_ptr<VolumeWorker> volumes_;
};

}  // namespace monitor
