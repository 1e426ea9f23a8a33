#include "monitor/mail/webhook_delivery.h"

#include <utility>

#include "monitor/mail/mail_queue.h"

namespace monitor {

WebhookResult DeliverWebhook(WebhookSender& sender, const WebhookRequest& request,
                             std::chrono::steady_clock::duration deadline) {
  const WebhookSender::Deadline end = std::chrono::steady_clock::now() + deadline;
  const WebhookResult first = sender.Post(request, end);
  if (first != WebhookResult::Failed || std::chrono::steady_clock::now() >= end) return first;
  return sender.Post(request, end);
}

// A clock set back starts the hour afresh rather than silencing the log.
bool WebhookFailureLog::ShouldLog(std::int64_t now) {
  if (lastLogged_ && now >= *lastLogged_ && now - *lastLogged_ < kWebhookFailureLogSeconds) {
    return false;
  }
  lastLogged_ = now;
  return true;
}

WebhookQueue::WebhookQueue(std::unique_ptr<WebhookSender> sender)
    : sender_(std::move(sender)), worker_(kMailExitWait) {}

WebhookQueue::~WebhookQueue() {
  *ended_ = true;
}

void WebhookQueue::Send(WebhookRequest request, Done done) {
  worker_.Post(
      [sender = sender_, ended = ended_, request = std::move(request), done = std::move(done)] {
        const WebhookResult result = DeliverWebhook(*sender, request);
        if (done && !*ended) done(result);
      });
}

}  // namespace monitor
