#include "monitor/mail/mail_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace monitor {

struct MailQueue::State {
  Deliver deliver;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<AlertMail, Done>> waiting;
  bool busy = false;
  bool stopping = false;
};

namespace {

void Serve(const std::shared_ptr<MailQueue::State>& state) {
  for (;;) {
    std::pair<AlertMail, MailQueue::Done> job;
    {
      std::unique_lock<std::mutex> lock(state->mutex);
      state->changed.wait(lock, [&] { return state->stopping || !state->waiting.empty(); });
      if (state->stopping) return;
      job = std::move(state->waiting.front());
      state->waiting.pop_front();
      state->busy = true;
    }
    const MailResult result = state->deliver(job.first);
    bool stopping;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->busy = false;
      stopping = state->stopping;
    }
    state->changed.notify_all();
    // At the end of the program no one is left to hear of it.
    if (stopping) return;
    if (job.second) job.second(result);
  }
}

}  // namespace

MailQueue::MailQueue(Deliver deliver) : state_(std::make_shared<State>()) {
  state_->deliver = std::move(deliver);
  std::thread(Serve, state_).detach();
}

MailQueue::~MailQueue() {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->stopping = true;
  state_->waiting.clear();
  state_->changed.notify_all();
  state_->changed.wait_for(lock, kMailExitWait, [&] { return !state_->busy; });
}

void MailQueue::Send(AlertMail mail, Done done) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->waiting.emplace_back(std::move(mail), std::move(done));
  }
  state_->changed.notify_all();
}

}  // namespace monitor
