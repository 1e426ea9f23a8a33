// What one alert mail needs to travel: where and how to connect and log in,
// and the pieces of the message. Protocol text is 8-bit: the names and
// addresses in the ANSI code page, the subject and body in UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "resources/resource_ids.h"

namespace monitor {

// The index of the Mail page's "Authentication" box.
enum class MailAuthMode { None = 0, SmtpAuth = 1, PopBeforeSmtp = 2 };
// The index of its "SSL/TLS" box.
enum class MailSecurity { None = 0, SmtpOverSsl = 1, StartTls = 2 };

struct MailTransportSettings {
  std::string smtpServer;
  std::uint16_t smtpPort = 25;
  std::string popServer;
  std::uint16_t popPort = 110;
  MailAuthMode auth = MailAuthMode::None;
  MailSecurity security = MailSecurity::None;
  std::string user;
  std::string password;
};

struct MailMessageParts {
  std::string sender;
  std::string recipient1;   // may be empty
  std::string recipient2;   // may be empty
  std::string dateLine;     // a whole header line with its CR LF, or empty
  std::string subjectLine;  // a whole header line with its CR LF
  std::string body;         // UTF-8, ending in CR LF
};

// The outcome of a mail: the string-table identifier of its message.
using MailResult = unsigned;
constexpr MailResult kMailSent = IDS_MAIL_SENT;
constexpr MailResult kPopConnectFailed = IDS_MAIL_POP_CONNECT_FAILED;
constexpr MailResult kSmtpConnectFailed = IDS_MAIL_SMTP_CONNECT_FAILED;
constexpr MailResult kAuthenticationFailed = IDS_MAIL_AUTH_FAILED;
constexpr MailResult kSendingFailed = IDS_MAIL_SEND_FAILED;

// Host names, user, password and addresses fit in this many bytes.
constexpr std::size_t kMailValueRoom = 127;

}  // namespace monitor
