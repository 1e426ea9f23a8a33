#include "monitor/mail/reply_reader.h"

namespace monitor {
namespace {

constexpr std::size_t kNotFound = std::string::npos;

// The end of the final line of an SMTP reply: a line whose fourth
// character is not "-".
std::size_t SmtpReplyEnd(const std::string& bytes) {
  for (std::size_t start = 0;;) {
    const std::size_t newline = bytes.find('\n', start);
    if (newline == kNotFound) return kNotFound;
    const std::size_t length = newline - start;
    if (length < 4 || bytes[start + 3] != '-') return newline + 1;
    start = newline + 1;
  }
}

std::size_t LineEnd(const std::string& bytes) {
  const std::size_t newline = bytes.find('\n');
  return newline == kNotFound ? kNotFound : newline + 1;
}

}  // namespace

template <typename End>
std::optional<std::string> ReplyReader::ReadUntil(End end) {
  const MailDeadline deadline = MailClock::now() + timeout_;
  for (;;) {
    const std::size_t length = end(pending_);
    if (length != kNotFound) {
      std::string reply = pending_.substr(0, length);
      pending_.erase(0, length);
      return reply;
    }
    if (pending_.size() > kMaxReplyBytes || !connection_.Receive(pending_, deadline)) {
      return std::nullopt;
    }
  }
}

std::optional<std::string> ReplyReader::SmtpReply() {
  return ReadUntil(SmtpReplyEnd);
}

std::optional<std::string> ReplyReader::PopStatus() {
  return ReadUntil(LineEnd);
}

bool Begins(const std::optional<std::string>& reply, std::string_view code) {
  return reply && reply->compare(0, code.size(), code) == 0;
}

}  // namespace monitor
