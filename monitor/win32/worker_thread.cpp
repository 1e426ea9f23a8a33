#include "monitor/win32/worker_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace monitor {

struct WorkerThread::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> jobs;
  bool stopping = false;
};

namespace {

void Serve(const std::shared_ptr<WorkerThread::State>& state) {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(state->mutex);
      state->wake.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
      if (state->stopping) return;
      job = std::move(state->jobs.front());
      state->jobs.pop_front();
    }
    job();
  }
}

}  // namespace

WorkerThread::WorkerThread() : state_(std::make_shared<State>()) {
  std::thread(Serve, state_).detach();
}

WorkerThread::~WorkerThread() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
    state_->jobs.clear();
  }
  state_->wake.notify_one();
}

void WorkerThread::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->jobs.push_back(std::move(job));
  }
  state_->wake.notify_one();
}

void WorkerThread::Replace(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->jobs.clear();
    state_->jobs.push_back(std::move(job));
  }
  state_->wake.notify_one();
}

}  // namespace monitor
