// The platform's volume queries behind the HDD information page's seam.
#pragma once

#include "monitor/pages/hdd_info.h"

namespace monitor {

class Win32VolumeQuery final : public VolumeQuery {
 public:
  std::optional<VolumeNames> Names(const std::u16string& root) override;
  VolumeSpace Space(const std::u16string& root) override;
};

}  // namespace monitor
