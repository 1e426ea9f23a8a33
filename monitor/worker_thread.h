// One thread that runs jobs in the order given, away from the window's
// thread, which must never wait on a device, the pipe or the network. The
// worker holds up the program's end at most for its exit wait: a job still
// under way after it finishes on its own, jobs not started yet are dropped.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace monitor {

class WorkerThread {
 public:
  explicit WorkerThread(std::chrono::milliseconds exitWait = std::chrono::milliseconds::zero());
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread();

  // Jobs must own what they use: they may outlive the worker.
  void Post(std::function<void()> job);
  // As Post, dropping the jobs not started yet: only the newest counts.
  void Replace(std::function<void()> job);
  // Waits at most `bound` for every job posted so far to finish, for an
  // owner whose queued jobs must not be dropped at its end.
  void Drain(std::chrono::milliseconds bound);

  struct State;  // shared with the thread

 private:
  std::shared_ptr<State> state_;
};

}  // namespace monitor
