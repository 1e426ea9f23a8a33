// Server replies read whole: an SMTP reply to its final line, a POP3
// status line or a POP3 list, each by its own deadline. Bytes that arrive
// after a reply wait for the next one.
#pragma once

#include <optional>
#include <string>

#include "monitor/mail/mail_transport.h"

namespace monitor {

// No server reply we wait for is anywhere near this long.
constexpr std::size_t kMaxReplyBytes = 64 * 1024;

class ReplyReader {
 public:
  explicit ReplyReader(MailConnection& connection) : connection_(connection) {}

  // Every line of the reply, "250-" continuations and the final "250 "
  // line; nothing when it does not come whole in time.
  std::optional<std::string> SmtpReply(MailDeadline deadline);
  // One line.
  std::optional<std::string> PopStatus(MailDeadline deadline);
  // A "+OK" line and the lines after it up to the one holding only ".";
  // a "-ERR" line alone.
  std::optional<std::string> PopList(MailDeadline deadline);
  // Forgets bytes received but not read: what came in clear before TLS
  // must not pass for a reply from inside it.
  void Discard() { pending_.clear(); }

 private:
  // Receives until `end` finds the end of a reply in the pending bytes.
  template <typename End>
  std::optional<std::string> ReadUntil(End end, MailDeadline deadline);

  MailConnection& connection_;
  std::string pending_;
};

// Whether a reply begins with the code, "235" or "+OK".
bool Begins(const std::optional<std::string>& reply, std::string_view code);

// Whether a line of a multi-line reply begins with `word` as a whole word,
// whatever its case: "STLS" in a POP3 capability list.
bool HasLine(const std::optional<std::string>& reply, std::string_view word);

}  // namespace monitor
