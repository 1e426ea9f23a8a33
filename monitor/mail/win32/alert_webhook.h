// The monitor's webhook on Windows: composed on the caller's thread from
// the stored URL, posted through WinHTTP on a thread of its own.
#pragma once

#include <string>

#include "monitor/clock.h"
#include "monitor/mail/webhook_delivery.h"
#include "monitor/profile.h"

namespace monitor {

class AlertWebhook {
 public:
  AlertWebhook(Profile& profile, Clock& clock, std::u16string title);

  // False, and nothing sent, when no usable URL is stored; `done` hears
  // the result on the webhook's thread.
  bool Send(WebhookEvent event, WebhookQueue::Done done = nullptr);

 private:
  Profile& profile_;
  Clock& clock_;
  std::u16string title_;
  std::u16string computer_;
  WebhookQueue queue_;
};

}  // namespace monitor
