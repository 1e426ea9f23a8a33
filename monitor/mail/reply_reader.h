// Server replies read whole: an SMTP reply to its final line, a POP3
// status line, each within its own deadline. Bytes that arrive after a
// reply wait for the next one.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "monitor/mail/mail_transport.h"

namespace monitor {

// No server reply we wait for is anywhere near this long.
constexpr std::size_t kMaxReplyBytes = 64 * 1024;

class ReplyReader {
 public:
  ReplyReader(MailConnection& connection, std::chrono::milliseconds timeout)
      : connection_(connection), timeout_(timeout) {}

  // Every line of the reply, "250-" continuations and the final "250 "
  // line; nothing when it does not come whole in time.
  std::optional<std::string> SmtpReply();
  // One line.
  std::optional<std::string> PopStatus();
  // Forgets bytes received but not read: what came in clear before TLS
  // must not pass for a reply from inside it.
  void Discard() { pending_.clear(); }

 private:
  // Receives until `end` finds the end of a reply in the pending bytes.
  template <typename End>
  std::optional<std::string> ReadUntil(End end);

  MailConnection& connection_;
  std::chrono::milliseconds timeout_;
  std::string pending_;
};

// Whether a reply begins with the code, "235" or "+OK".
bool Begins(const std::optional<std::string>& reply, std::string_view code);

}  // namespace monitor
