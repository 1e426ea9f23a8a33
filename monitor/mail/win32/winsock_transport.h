// Mail connections over Winsock: every address of the host in the order
// the resolver gives them, IPv6 and IPv4, each within its own connect
// timeout and all by the deadline; TLS through Schannel.
#pragma once

#include "monitor/mail/mail_transport.h"

namespace monitor {

class WinsockTransport final : public MailTransport {
 public:
  WinsockTransport();
  WinsockTransport(const WinsockTransport&) = delete;
  WinsockTransport& operator=(const WinsockTransport&) = delete;
  ~WinsockTransport() override;

  // Whether the socket library started.
  bool started() const { return started_; }
  std::unique_ptr<MailConnection> Connect(const std::string& host, std::uint16_t port,
                                          MailDeadline deadline) override;

 private:
  bool started_;
};

}  // namespace monitor
