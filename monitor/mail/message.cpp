#include "monitor/mail/message.h"

#include <algorithm>

#include "common/utf8.h"
#include "monitor/mail/base64.h"

namespace monitor {
namespace {

constexpr std::size_t kBase64LineLength = 76;

// A line holding an encoded-word is at most 76 characters (RFC 2047).
constexpr std::size_t kEncodedLineRoom = 76;
constexpr std::string_view kSubjectStart = "Subject: ";
constexpr std::string_view kWordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";

// The most bytes whose Base64 text fits in a word after `lead` characters
// of its line.
std::size_t WordBytes(std::size_t lead) {
  return (kEncodedLineRoom - lead - kWordStart.size() - kWordEnd.size()) / 4 * 3;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Base64Lines(std::string_view bytes) {
  const std::string encoded = Base64Encode(bytes);
  std::string lines;
  for (std::size_t at = 0; at < encoded.size(); at += kBase64LineLength) {
    lines += encoded.substr(at, kBase64LineLength);
    lines += "\r\n";
  }
  return lines;
}

// How many of the UTF-8 bytes, at most `room`, end at a character
// boundary.
std::size_t WholeCharacters(std::string_view bytes, std::size_t room) {
  if (bytes.size() <= room) return bytes.size();
  std::size_t end = room;
  while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
  return end > 0 ? end : room;  // no boundary at all: not UTF-8, cut anywhere
}

}  // namespace

std::string EncodedWords(std::string_view bytes, std::size_t firstRoom, std::size_t room,
                         std::string_view separator) {
  std::string words;
  for (std::size_t wordRoom = firstRoom;; wordRoom = room) {
    const std::size_t taken = WholeCharacters(bytes, wordRoom);
    words += kWordStart;
    words += Base64Encode(bytes.substr(0, taken));
    words += kWordEnd;
    bytes.remove_prefix(taken);
    if (bytes.empty()) return words;
    words += separator;
  }
}

// A title too long for one encoded-word goes in several, each on a line
// of its own folded under the first.
std::string SubjectLine(std::u16string_view title) {
  return std::string(kSubjectStart) +
         EncodedWords(ardmon::Utf8FromUtf16(title), WordBytes(kSubjectStart.size()), WordBytes(1),
                      "\r\n ") +
         "\r\n";
}

std::string MailBody(std::u16string_view text) {
  const std::string bytes = ardmon::Utf8FromUtf16(text);
  std::string body;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] == '\r' || bytes[at] == '\n') {
      if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') ++at;
      body += "\r\n";
    } else {
      body += bytes[at];
    }
  }
  if (body.size() < 2 || body.compare(body.size() - 2, 2, "\r\n") != 0) body += "\r\n";
  return body;
}

std::string MessageText(const MailMessageParts& parts) {
  const bool ascii = IsAscii(parts.body);
  std::string text = "From: " + parts.sender + "\r\n";
  text += "To: " + parts.recipient1;
  if (!parts.recipient1.empty() && !parts.recipient2.empty()) text += ",";
  text += parts.recipient2;
  text += "\r\n";
  text += "MIME-Version: 1.0\r\n";
  text += ascii ? "Content-Transfer-Encoding: 7bit\r\n" : "Content-Transfer-Encoding: base64\r\n";
  text += "Content-Type: text/plain; charset=UTF-8\r\n";
  text += "X-Mailer: Halvane-Mailer\r\n";
  text += parts.dateLine;
  text += parts.subjectLine;
  text += "\r\n";
  text += ascii ? parts.body : Base64Lines(parts.body);
  return text;
}

std::string DotStuffed(std::string_view text) {
  std::string stuffed;
  stuffed.reserve(text.size() + 8);
  bool lineStart = true;
  for (const char c : text) {
    if (lineStart && c == '.') stuffed += '.';
    stuffed += c;
    lineStart = c == '\n';
  }
  if (!lineStart) stuffed += "\r\n";
  return stuffed;
}

}  // namespace monitor
