// The webhook's POST through WinHTTP, with its certificate and host-name
// checks as they are: the handshake verifies the server before a byte of
// the request goes.
#pragma once

#include "monitor/mail/webhook_delivery.h"

namespace monitor {

class WinHttpSender final : public WebhookSender {
 public:
  WebhookResult Post(const WebhookRequest& request, Deadline deadline) override;
};

}  // namespace monitor
