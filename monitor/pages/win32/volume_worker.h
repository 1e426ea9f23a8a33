// Volume queries away from the window's thread: a disk that has to spin up
// or a reader waiting for its medium must not freeze the window. Only the
// newest request is answered; the facts are posted to the asking window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "monitor/pages/hdd_info.h"
#include "monitor/win32/posted.h"
#include "monitor/worker_thread.h"

namespace monitor {

struct VolumeAnswer {
  std::u16string root;
  VolumeFacts facts;
};

class VolumeWorker {
 public:
  // Answers arrive at `window` as `message`; take them with
  // TakePosted<VolumeAnswer>.
  VolumeWorker(HWND window, UINT message) : window_(window), message_(message) {}

  void Request(const std::u16string& root);

 private:
  HWND window_;
  UINT message_;
  WorkerThread worker_;
};

}  // namespace monitor
