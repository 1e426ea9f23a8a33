// Volume queries away from the window's thread: a disk that has to spin up
// or a reader waiting for its medium must not freeze the window. The worker
// answers the newest request only and posts the facts to the asking window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "monitor/pages/hdd_info.h"

namespace monitor {

struct VolumeAnswer {
  std::u16string root;
  VolumeFacts facts;
};

class VolumeWorker {
 public:
  // Answers arrive at `window` as `message` with the answer in lParam.
  VolumeWorker(HWND window, UINT message);
  VolumeWorker(const VolumeWorker&) = delete;
  VolumeWorker& operator=(const VolumeWorker&) = delete;
  // Does not wait for a query under way: it finishes on its own.
  ~VolumeWorker();

  // Replaces a request not yet started.
  void Request(const std::u16string& root);
  // Owns the answer of a posted message.
  static std::unique_ptr<VolumeAnswer> Take(LPARAM lParam);

  struct State;  // shared with the thread

 private:
  std::shared_ptr<State> state_;
};

}  // namespace monitor
