#include "monitor/mail/deliver_mail.h"

#include <optional>
#include <string>

#include "monitor/mail/base64.h"
#include "monitor/mail/message.h"
#include "monitor/mail/reply_reader.h"

namespace monitor {
namespace {

using Reply = std::optional<std::string>;

// One connection and the replies read from it.
class Session {
 public:
  explicit Session(std::unique_ptr<MailConnection> connection)
      : connection_(std::move(connection)), replies_(*connection_, kReplyTimeout) {}

  bool StartTls(const std::string& serverName) {
    replies_.Discard();
    return connection_->StartTls(serverName, MailClock::now() + kReplyTimeout);
  }
  Reply SmtpGreeting() { return replies_.SmtpReply(); }
  Reply PopGreeting() { return replies_.PopStatus(); }
  Reply Smtp(const std::string& line) {
    return connection_->Send(line) ? replies_.SmtpReply() : std::nullopt;
  }
  Reply Pop(const std::string& line) {
    return connection_->Send(line) ? replies_.PopStatus() : std::nullopt;
  }
  bool Send(const std::string& bytes) { return connection_->Send(bytes); }

 private:
  std::unique_ptr<MailConnection> connection_;
  ReplyReader replies_;
};

std::unique_ptr<MailConnection> Connect(MailTransport& transport, const std::string& host,
                                        std::uint16_t port) {
  return transport.Connect(host, port, MailClock::now() + kConnectTimeout);
}

bool Contains(const Reply& reply, std::string_view word) {
  return reply && reply->find(word) != std::string::npos;
}

MailResult PopLogin(MailTransport& transport, const MailTransportSettings& settings) {
  std::unique_ptr<MailConnection> connection =
      Connect(transport, settings.popServer, settings.popPort);
  if (!connection) return kPopConnectFailed;
  Session pop(std::move(connection));
  // STARTTLS is for SMTP only: with it the POP login stays in the clear.
  if (settings.security == MailSecurity::SmtpOverSsl && !pop.StartTls(settings.popServer)) {
    return kAuthenticationFailed;
  }
  if (!pop.PopGreeting()) return kPopConnectFailed;
  if (!pop.Pop("USER " + settings.user + "\r\n")) return kAuthenticationFailed;
  if (!Begins(pop.Pop("PASS " + settings.password + "\r\n"), "+OK")) {
    pop.Pop("QUIT\r\n");
    return kAuthenticationFailed;
  }
  return Begins(pop.Pop("QUIT\r\n"), "+OK") ? kMailSent : kAuthenticationFailed;
}

// Each step goes on only when the server asks for the next one, so that
// the password is never sent to a server that did not ask for it.
bool AuthLogin(Session& smtp, const MailTransportSettings& settings) {
  return Begins(smtp.Smtp("AUTH LOGIN\r\n"), "334") &&
         Begins(smtp.Smtp(Base64Encode(settings.user) + "\r\n"), "334") &&
         Begins(smtp.Smtp(Base64Encode(settings.password) + "\r\n"), "235");
}

bool AuthPlain(Session& smtp, const MailTransportSettings& settings) {
  std::string credentials = settings.user;
  credentials += '\0';
  credentials += settings.user;
  credentials += '\0';
  credentials += settings.password;
  return Begins(smtp.Smtp("AUTH PLAIN\r\n"), "334") &&
         Begins(smtp.Smtp(Base64Encode(credentials) + "\r\n"), "235");
}

// In the clear the server's offer decides, LOGIN before PLAIN, and a server
// offering neither gets the mail without a login. Inside TLS LOGIN is tried
// first and PLAIN after it.
bool LogIn(Session& smtp, const MailTransportSettings& settings, const Reply& hello, bool secure) {
  if (secure) return AuthLogin(smtp, settings) || AuthPlain(smtp, settings);
  if (Contains(hello, "LOGIN")) return AuthLogin(smtp, settings);
  if (Contains(hello, "PLAIN")) return AuthPlain(smtp, settings);
  return true;
}

MailResult Quit(Session& smtp, MailResult result) {
  smtp.Smtp("QUIT\r\n");
  return result;
}

MailResult Submit(Session& smtp, const MailMessageParts& parts) {
  const Reply from = smtp.Smtp("MAIL FROM: <" + parts.sender + ">\r\n");
  if (!from) return kSendingFailed;
  if (!Begins(from, "2")) return Quit(smtp, kSendingFailed);
  bool anyRecipient = Begins(smtp.Smtp("RCPT TO:<" + parts.recipient1 + ">\r\n"), "2");
  if (!parts.recipient2.empty()) {
    anyRecipient = Begins(smtp.Smtp("RCPT TO:<" + parts.recipient2 + ">\r\n"), "2") || anyRecipient;
  }
  if (!anyRecipient) return Quit(smtp, kSendingFailed);
  if (!Begins(smtp.Smtp("DATA\r\n"), "3")) return Quit(smtp, kSendingFailed);
  if (!smtp.Send(DotStuffed(MessageText(parts)))) return kSendingFailed;
  if (!Begins(smtp.Smtp(".\r\n"), "2")) return Quit(smtp, kSendingFailed);
  return Quit(smtp, kMailSent);
}

MailResult SmtpDialogue(MailTransport& transport, const MailTransportSettings& settings,
                        const MailMessageParts& parts) {
  std::unique_ptr<MailConnection> connection =
      Connect(transport, settings.smtpServer, settings.smtpPort);
  if (!connection) return kSmtpConnectFailed;
  Session smtp(std::move(connection));
  bool secure = settings.security == MailSecurity::SmtpOverSsl;
  if (secure && !smtp.StartTls(settings.smtpServer)) return kAuthenticationFailed;
  const Reply greeting = smtp.SmtpGreeting();
  if (!greeting) return kSmtpConnectFailed;
  const std::string hello = secure || Contains(greeting, "ESMTP") ? "EHLO " : "HELO ";
  Reply helloReply = smtp.Smtp(hello + settings.smtpServer + "\r\n");
  if (!helloReply) return kSmtpConnectFailed;

  if (settings.security == MailSecurity::StartTls) {
    const Reply ready = smtp.Smtp("STARTTLS\r\n");
    if (!ready) return kAuthenticationFailed;
    if (!Begins(ready, "2")) return Quit(smtp, kAuthenticationFailed);
    if (!smtp.StartTls(settings.smtpServer)) return kAuthenticationFailed;
    secure = true;
    // No greeting after STARTTLS: the server waits for EHLO.
    helloReply = smtp.Smtp("EHLO " + settings.smtpServer + "\r\n");
    if (!helloReply) return kAuthenticationFailed;
  }
  if (settings.auth == MailAuthMode::SmtpAuth && !LogIn(smtp, settings, helloReply, secure)) {
    // In the clear the connection is dropped at once.
    return secure ? Quit(smtp, kAuthenticationFailed) : kAuthenticationFailed;
  }
  return Submit(smtp, parts);
}

bool ValuesFit(const MailTransportSettings& settings, const MailMessageParts& parts) {
  const bool login = settings.auth != MailAuthMode::None;
  return FitsProtocolLine(settings.smtpServer) &&
         (settings.auth != MailAuthMode::PopBeforeSmtp || FitsProtocolLine(settings.popServer)) &&
         (!login || (FitsProtocolLine(settings.user) && FitsProtocolLine(settings.password))) &&
         FitsProtocolLine(parts.sender) && FitsProtocolLine(parts.recipient1) &&
         FitsProtocolLine(parts.recipient2);
}

}  // namespace

bool FitsProtocolLine(std::string_view value) {
  return value.size() <= kMailValueRoom &&
         value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

MailResult DeliverMail(MailTransport& transport, const MailTransportSettings& settings,
                       const MailMessageParts& parts) {
  if (!ValuesFit(settings, parts)) return kSendingFailed;
  if (settings.auth == MailAuthMode::PopBeforeSmtp) {
    const MailResult pop = PopLogin(transport, settings);
    if (pop != kMailSent) return pop;
  }
  return SmtpDialogue(transport, settings, parts);
}

}  // namespace monitor
