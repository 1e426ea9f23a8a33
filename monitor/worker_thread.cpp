#include "monitor/worker_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "common/thrown.h"

namespace monitor {

struct WorkerThread::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> jobs;
  std::chrono::milliseconds exitWait{};
  WorkerThread::Report report;
  bool busy = false;
  bool stopping = false;
};

namespace {

void Run(const std::function<void()>& job, const WorkerThread::Report& report) {
  if (const auto failure = ardmon::WhatJobThrew(job)) {
    report("Ardmon: a background job failed (" + *failure + "); the next one runs");
  }
}

void Serve(const std::shared_ptr<WorkerThread::State>& state) {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(state->mutex);
      state->wake.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
      if (state->stopping) return;
      job = std::move(state->jobs.front());
      state->jobs.pop_front();
      state->busy = true;
    }
    Run(job, state->report);
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->busy = false;
    }
    state->wake.notify_all();
  }
}

}  // namespace

WorkerThread::WorkerThread(std::chrono::milliseconds exitWait, Report report)
    : state_(std::make_shared<State>()) {
  state_->exitWait = exitWait;
  state_->report = std::move(report);
  std::thread(Serve, state_).detach();
}

WorkerThread::~WorkerThread() {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->stopping = true;
  state_->jobs.clear();
  state_->wake.notify_all();
  state_->wake.wait_for(lock, state_->exitWait, [&] { return !state_->busy; });
}

void WorkerThread::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->jobs.push_back(std::move(job));
  }
  state_->wake.notify_all();
}

void WorkerThread::Replace(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->jobs.clear();
    state_->jobs.push_back(std::move(job));
  }
  state_->wake.notify_all();
}

void WorkerThread::Drain(std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->wake.wait_for(lock, bound, [&] { return state_->jobs.empty() && !state_->busy; });
}

}  // namespace monitor
