#include "monitor/pages/win32/volume_worker.h"

#include "monitor/pages/win32/win32_volume_query.h"

namespace monitor {

void VolumeWorker::Request(const std::u16string& root) {
  worker_.Replace([root, window = window_, message = message_] {
    Win32VolumeQuery query;
    PostOwned(window, message,
              std::make_unique<VolumeAnswer>(VolumeAnswer{root, VolumeFactsOf(root, query)}));
  });
}

}  // namespace monitor
