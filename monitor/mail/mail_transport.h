// The network under the mail dialogues: connections that send, receive
// with a deadline and turn into TLS. Winsock and Schannel on Windows; a
// scripted server in tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace monitor {

using MailClock = std::chrono::steady_clock;
using MailDeadline = MailClock::time_point;

constexpr std::chrono::seconds kConnectTimeout{15};
// For each awaited reply, and for the TLS handshake.
constexpr std::chrono::seconds kReplyTimeout{30};

class MailConnection {
 public:
  virtual ~MailConnection() = default;
  // All the bytes, or false.
  virtual bool Send(std::string_view bytes) = 0;
  // Appends what has arrived, at least one byte; false when nothing came
  // before the deadline, the peer closed or the connection failed.
  virtual bool Receive(std::string& received, MailDeadline deadline) = 0;
  // The TLS handshake as a client of `serverName`; true only when the
  // server's certificate leads to a trusted root and is for that name.
  // From then on Send and Receive go through TLS.
  virtual bool StartTls(const std::string& serverName, MailDeadline deadline) = 0;
};

class MailTransport {
 public:
  virtual ~MailTransport() = default;
  // A connection to the first of the host's addresses that accepts one;
  // nothing when the name does not resolve or no address accepts.
  virtual std::unique_ptr<MailConnection> Connect(const std::string& host, std::uint16_t port,
                                                  MailDeadline deadline) = 0;
};

}  // namespace monitor
