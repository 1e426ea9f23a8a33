// The message as it goes out after DATA: the header lines, the blank line
// and the body, UTF-8 declared as such.
#pragma once

#include <string>
#include <string_view>

#include "monitor/mail/mail_types.h"

namespace monitor {

// UTF-8 text as Base64 encoded-words (RFC 2047) that never split a
// character: the first of at most `firstRoom` bytes, each other of at most
// `room`, joined by `separator`; one word at least.
std::string EncodedWords(std::string_view bytes, std::size_t firstRoom, std::size_t room,
                         std::string_view separator);
// "Subject: =?UTF-8?B?...?=" and CR LF for a title; a long title in
// several encoded-words on folded lines.
std::string SubjectLine(std::u16string_view title);
// The text in UTF-8, every line ending in CR LF.
std::string MailBody(std::u16string_view text);
// The header and the body; an ASCII body goes as it is (7bit), any other
// in Base64 lines.
std::string MessageText(const MailMessageParts& parts);
// A line that begins with "." gets another one, so that no line of the
// text ends the data early; the text ends in CR LF.
std::string DotStuffed(std::string_view text);

}  // namespace monitor
