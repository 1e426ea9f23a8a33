#include "monitor/pages/win32/volume_worker.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "monitor/pages/win32/win32_volume_query.h"

namespace monitor {

// Shared with the thread, which may outlive the worker by one query.
struct VolumeWorker::State {
  HWND window;
  UINT message;
  std::mutex mutex;
  std::condition_variable wake;
  std::optional<std::u16string> pending;
  bool stopping = false;
};

namespace {

void Serve(const std::shared_ptr<VolumeWorker::State>& state) {
  Win32VolumeQuery query;
  for (;;) {
    std::u16string root;
    {
      std::unique_lock<std::mutex> lock(state->mutex);
      state->wake.wait(lock, [&] { return state->stopping || state->pending; });
      if (state->stopping) return;
      root = std::move(*state->pending);
      state->pending.reset();
    }
    auto answer = std::make_unique<VolumeAnswer>(VolumeAnswer{root, VolumeFactsOf(root, query)});
    if (PostMessageW(state->window, state->message, 0, reinterpret_cast<LPARAM>(answer.get()))) {
      answer.release();  // the window owns it now
    }
  }
}

}  // namespace

VolumeWorker::VolumeWorker(HWND window, UINT message) : state_(std::make_shared<State>()) {
  state_->window = window;
  state_->message = message;
  std::thread(Serve, state_).detach();
}

VolumeWorker::~VolumeWorker() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
  }
  state_->wake.notify_one();
}

void VolumeWorker::Request(const std::u16string& root) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->pending = root;
  }
  state_->wake.notify_one();
}

std::unique_ptr<VolumeAnswer> VolumeWorker::Take(LPARAM lParam) {
  return std::unique_ptr<VolumeAnswer>(reinterpret_cast<VolumeAnswer*>(lParam));
}

}  // namespace monitor
