// One alert mail from the PC to the SMTP server: the optional POP3 login
// first, then SMTP in the clear, inside TLS from the first byte or after
// STARTTLS, with AUTH LOGIN or AUTH PLAIN. With STARTTLS the POP3 login
// too goes inside TLS, after STLS.
#pragma once

#include "monitor/mail/mail_transport.h"
#include "monitor/mail/mail_types.h"

namespace monitor {

// 252 when the server took the mail; 231 or 232 when the POP or SMTP
// server could not be reached or did not greet; 233 when a login or TLS
// failed, or TLS was asked for and the server does not offer it; 234 when
// the values cannot be sent as they are (an unknown security mode, no
// recipient) or the server refused the mail.
MailResult DeliverMail(MailTransport& transport, const MailTransportSettings& settings,
                       const MailMessageParts& parts);

// Whether a value can go into a protocol line: no CR, LF or NUL, and no
// longer than its room.
bool FitsProtocolLine(std::string_view value);

}  // namespace monitor
