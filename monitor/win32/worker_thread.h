// One thread that runs jobs in the order given, away from the window's
// thread, which must never wait on a device, the pipe or the network. The
// jobs post what they find to a window. The worker never holds up the
// program's end: a job under way when the worker goes finishes on its
// own, jobs not started yet are dropped.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

namespace monitor {

class WorkerThread {
 public:
  WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread();

  // Jobs must own what they use: they may outlive the worker.
  void Post(std::function<void()> job);
  // As Post, dropping the jobs not started yet: only the newest counts.
  void Replace(std::function<void()> job);

  struct State;  // shared with the thread

 private:
  std::shared_ptr<State> state_;
};

// Hands `result` to `window` as `message`; the window takes it back with
// TakePosted. Dropped when the window is gone.
template <typename T>
void PostOwned(HWND window, UINT message, std::unique_ptr<T> result) {
  if (PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(result.get()))) result.release();
}

template <typename T>
std::unique_ptr<T> TakePosted(LPARAM lParam) {
  return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}

}  // namespace monitor
