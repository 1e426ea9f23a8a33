// The network under the mail dialogues: connections that send, receive
// with a deadline and turn into TLS. Winsock and Schannel on Windows; a
// scripted server in tests.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace monitor {

using MailClock = std::chrono::steady_clock;
using MailDeadline = MailClock::time_point;

// For each address of a host, and for all of them together.
constexpr std::chrono::seconds kConnectTimeout{15};
constexpr std::chrono::seconds kConnectPhaseTimeout{45};
// For each awaited reply, and for the TLS handshake.
constexpr std::chrono::seconds kReplyTimeout{30};
// The reply to the end of the data: the server may be checking the message
// (RFC 5321 4.5.3.2.6).
constexpr std::chrono::minutes kDataEndTimeout{10};

// Tries `addresses` in turn until `connect`(address, its deadline) gives a
// connection other than `none`: each address has kConnectTimeout of its own
// and all of them end by `deadline`, so a silent first address does not use
// up the time of the others.
template <typename Addresses, typename Connection, typename Now, typename Connect>
Connection ConnectToFirst(const Addresses& addresses, Connection none, MailDeadline deadline,
                          Now now, Connect connect) {
  for (const auto& address : addresses) {
    if (now() >= deadline) break;
    Connection connection = connect(address, std::min(deadline, now() + kConnectTimeout));
    if (connection != none) return connection;
  }
  return none;
}

class MailConnection {
 public:
  virtual ~MailConnection() = default;
  // All the bytes, or false.
  virtual bool Send(std::string_view bytes) = 0;
  // Appends what has arrived, at least one byte; false when nothing came
  // before the deadline, the peer closed or the connection failed.
  virtual bool Receive(std::string& received, MailDeadline deadline) = 0;
  // The TLS handshake as a client of `serverName`; true only when it ended
  // before the deadline with TLS 1.2 or later and the server's certificate
  // leads to a trusted root and is for that name. From then on Send and
  // Receive go through TLS.
  virtual bool StartTls(const std::string& serverName, MailDeadline deadline) = 0;
};

class MailTransport {
 public:
  virtual ~MailTransport() = default;
  // A connection to the first of the host's addresses that accepts one,
  // each address tried within kConnectTimeout and all of them by the
  // deadline; nothing when the name does not resolve or no address accepts.
  virtual std::unique_ptr<MailConnection> Connect(const std::string& host, std::uint16_t port,
                                                  MailDeadline deadline) = 0;
  // The time the deadlines count in: the steady clock, or a test's.
  virtual MailDeadline Now() { return MailClock::now(); }
};

}  // namespace monitor
