#include "monitor/mail/reply_reader.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace monitor {
namespace {

constexpr std::size_t kNotFound = std::string::npos;

// The line starting at `start` without its line break, and where the next
// one starts; nothing when the line has not come whole.
std::optional<std::pair<std::string_view, std::size_t>> LineAt(const std::string& bytes,
                                                               std::size_t start) {
  const std::size_t newline = bytes.find('\n', start);
  if (newline == kNotFound) return std::nullopt;
  std::string_view line(bytes.data() + start, newline - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return std::make_pair(line, newline + 1);
}

// The end of the final line of an SMTP reply: a line whose fourth
// character is not "-".
std::size_t SmtpReplyEnd(const std::string& bytes) {
  for (std::size_t start = 0;;) {
    const auto line = LineAt(bytes, start);
    if (!line) return kNotFound;
    if (line->first.size() < 4 || line->first[3] != '-') return line->second;
    start = line->second;
  }
}

std::size_t LineEnd(const std::string& bytes) {
  const auto line = LineAt(bytes, 0);
  return line ? line->second : kNotFound;
}

std::size_t PopListEnd(const std::string& bytes) {
  const auto status = LineAt(bytes, 0);
  if (!status) return kNotFound;
  if (status->first.substr(0, 3) != "+OK") return status->second;
  for (std::size_t start = status->second;;) {
    const auto line = LineAt(bytes, start);
    if (!line) return kNotFound;
    if (line->first == ".") return line->second;
    start = line->second;
  }
}

bool SameWord(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

template <typename End>
std::optional<std::string> ReplyReader::ReadUntil(End end, MailDeadline deadline) {
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

std::optional<std::string> ReplyReader::SmtpReply(MailDeadline deadline) {
  return ReadUntil(SmtpReplyEnd, deadline);
}

std::optional<std::string> ReplyReader::PopStatus(MailDeadline deadline) {
  return ReadUntil(LineEnd, deadline);
}

std::optional<std::string> ReplyReader::PopList(MailDeadline deadline) {
  return ReadUntil(PopListEnd, deadline);
}

bool Begins(const std::optional<std::string>& reply, std::string_view code) {
  return reply && reply->compare(0, code.size(), code) == 0;
}

bool HasLine(const std::optional<std::string>& reply, std::string_view word) {
  if (!reply) return false;
  for (std::size_t start = 0;;) {
    const auto line = LineAt(*reply, start);
    if (!line) return false;
    // A capability may carry arguments after a blank.
    const std::string_view name = line->first.substr(0, line->first.find(' '));
    if (SameWord(name, word)) return true;
    start = line->second;
  }
}

}  // namespace monitor
