// Mail away from the window's thread: one thread of its own delivers the
// mails one at a time, in the order asked, while the window and the
// monitoring cycle go on.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "monitor/mail/alert_mail.h"
#include "monitor/worker_thread.h"

namespace monitor {

// How long the end of the program waits for a mail under way.
constexpr std::chrono::seconds kMailExitWait{2};

class MailQueue {
 public:
  using Deliver = std::function<MailResult(const AlertMail&)>;
  // Told on the mail thread.
  using Done = std::function<void(MailResult)>;

  explicit MailQueue(Deliver deliver);
  MailQueue(const MailQueue&) = delete;
  MailQueue& operator=(const MailQueue&) = delete;
  // Drops the mails not started and waits at most kMailExitWait for the
  // one under way, which is then left to end with the process.
  ~MailQueue();

  // `done`, when given, is told the result once the mail is through,
  // unless the queue has ended by then.
  void Send(AlertMail mail, Done done = nullptr);

 private:
  Deliver deliver_;
  // Shared with the mails under way, which may outlive the queue.
  std::shared_ptr<std::atomic<bool>> ended_ = std::make_shared<std::atomic<bool>>(false);
  WorkerThread worker_{kMailExitWait};
};

}  // namespace monitor
