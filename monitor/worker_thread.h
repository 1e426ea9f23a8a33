// One thread that runs jobs in the order given, away from the window's
// thread, which must never wait on a device, the pipe or the network. The
// worker holds up the program's end at most for its exit wait: a job still
// under way after it finishes on its own, jobs not started yet are dropped.
// A job that throws ends there: the worker says so and runs the next one.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

#include "monitor/debug_output.h"

namespace monitor {

class WorkerThread {
 public:
  // Where a job's failure is told.
  using Report = std::function<void(std::string_view line)>;

  explicit WorkerThread(std::chrono::milliseconds exitWait = std::chrono::milliseconds::zero(),
                        Report report = DebugOutput);
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
