// Delivering a webhook: the sender seam (WinHTTP on Windows, a fake in
// the tests), the deadline and the one retry, the queue that keeps it off
// the window's thread, and the rule that a failure is logged at most once
// an hour.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "monitor/mail/webhook.h"
#include "monitor/worker_thread.h"

namespace monitor {

constexpr std::chrono::seconds kWebhookDeadline{15};
constexpr std::int64_t kWebhookFailureLogSeconds = 3600;

enum class WebhookResult {
  Sent,     // the server answered 2xx
  Refused,  // the server answered otherwise
  Failed    // no answer: not reached, not verified, or out of time
};

class WebhookSender {
 public:
  using Deadline = std::chrono::steady_clock::time_point;
  virtual ~WebhookSender() = default;
  // One POST, given up at `deadline`. Nothing may be sent before the
  // server is verified.
  virtual WebhookResult Post(const WebhookRequest& request, Deadline deadline) = 0;
};

// The POST, and once more if the first got no answer and time is left;
// both within one deadline from now. A refusal is not tried again: the
// server has seen the request.
WebhookResult DeliverWebhook(WebhookSender& sender, const WebhookRequest& request,
                             std::chrono::steady_clock::duration deadline = kWebhookDeadline);

// Whether a failure at `now` (seconds) goes to the log: the first one, then
// none until an hour after the last one logged.
class WebhookFailureLog {
 public:
  bool ShouldLog(std::int64_t now);

 private:
  std::optional<std::int64_t> lastLogged_;
};

// The webhooks away from the window's thread, one at a time in order.
class WebhookQueue {
 public:
  using Done = std::function<void(WebhookResult)>;  // told on the worker

  explicit WebhookQueue(std::unique_ptr<WebhookSender> sender);
  WebhookQueue(const WebhookQueue&) = delete;
  WebhookQueue& operator=(const WebhookQueue&) = delete;
  ~WebhookQueue();

  void Send(WebhookRequest request, Done done = nullptr);

 private:
  std::shared_ptr<WebhookSender> sender_;
  // Shared with the requests under way, which may outlive the queue.
  std::shared_ptr<std::atomic<bool>> ended_ = std::make_shared<std::atomic<bool>>(false);
  WorkerThread worker_;
};

}  // namespace monitor
