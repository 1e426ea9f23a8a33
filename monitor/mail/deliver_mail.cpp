#include "monitor/mail/deliver_mail.h"

#include <optional>
#include <string>

#include "monitor/mail/base64.h"
#include "monitor/mail/message.h"
#include "monitor/mail/reply_reader.h"
#include "monitor/mail/wipe.h"

namespace monitor {
namespace {

using Reply = std::optional<std::string>;

// One connection and the replies read from it, each by its own deadline.
class Session {
 public:
  Session(MailTransport& transport, std::unique_ptr<MailConnection> connection)
      : transport_(transport), connection_(std::move(connection)), replies_(*connection_) {}

  bool StartTls(const std::string& serverName) {
    replies_.Discard();
    return connection_->StartTls(serverName, After(kReplyTimeout));
  }
  Reply SmtpGreeting() { return replies_.SmtpReply(After(kReplyTimeout)); }
  Reply PopGreeting() { return replies_.PopStatus(After(kReplyTimeout)); }
  Reply Smtp(std::string_view line, MailClock::duration timeout = kReplyTimeout) {
    return connection_->Send(line) ? replies_.SmtpReply(After(timeout)) : std::nullopt;
  }
  Reply Pop(std::string_view line) {
    return connection_->Send(line) ? replies_.PopStatus(After(kReplyTimeout)) : std::nullopt;
  }
  Reply PopList(std::string_view line) {
    return connection_->Send(line) ? replies_.PopList(After(kReplyTimeout)) : std::nullopt;
  }
  bool Send(std::string_view bytes) { return connection_->Send(bytes); }

 private:
  MailDeadline After(MailClock::duration timeout) { return transport_.Now() + timeout; }

  MailTransport& transport_;
  std::unique_ptr<MailConnection> connection_;
  ReplyReader replies_;
};

std::unique_ptr<MailConnection> Connect(MailTransport& transport, const std::string& host,
                                        std::uint16_t port) {
  return transport.Connect(host, port, transport.Now() + kConnectPhaseTimeout);
}

bool Contains(const Reply& reply, std::string_view word) {
  return reply && reply->find(word) != std::string::npos;
}

// A protocol line that holds a secret, built in one buffer of its final
// size so that no copy is left behind unwiped.
SecretText SecretLine(std::string_view head, std::string_view secret) {
  std::string line;
  line.reserve(head.size() + secret.size() + 2);
  line += head;
  line += secret;
  line += "\r\n";
  return SecretText(std::move(line));
}

SecretText Base64Line(std::string_view secret) {
  return SecretLine("", SecretText(Base64Encode(secret)).text());
}

// The login goes inside TLS only: a server that does not offer STLS
// (RFC 2595) gets no credentials.
bool PopStartTls(Session& pop, const std::string& serverName) {
  const auto quit = [&] {
    pop.Pop("QUIT\r\n");
    return false;
  };
  const Reply capabilities = pop.PopList("CAPA\r\n");
  if (!capabilities) return false;
  if (!HasLine(capabilities, "STLS")) return quit();
  const Reply ready = pop.Pop("STLS\r\n");
  if (!ready) return false;
  if (!Begins(ready, "+OK")) return quit();
  return pop.StartTls(serverName);
}

MailResult PopLogin(MailTransport& transport, const MailTransportSettings& settings) {
  std::unique_ptr<MailConnection> connection =
      Connect(transport, settings.popServer, settings.popPort);
  if (!connection) return kPopConnectFailed;
  Session pop(transport, std::move(connection));
  if (settings.security == MailSecurity::SmtpOverSsl && !pop.StartTls(settings.popServer)) {
    return kAuthenticationFailed;
  }
  if (!pop.PopGreeting()) return kPopConnectFailed;
  if (settings.security == MailSecurity::StartTls && !PopStartTls(pop, settings.popServer)) {
    return kAuthenticationFailed;
  }
  if (!pop.Pop("USER " + settings.user + "\r\n")) return kAuthenticationFailed;
  if (!Begins(pop.Pop(SecretLine("PASS ", settings.password).text()), "+OK")) {
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
         Begins(smtp.Smtp(Base64Line(settings.password).text()), "235");
}

bool AuthPlain(Session& smtp, const MailTransportSettings& settings) {
  if (!Begins(smtp.Smtp("AUTH PLAIN\r\n"), "334")) return false;
  std::string bytes;
  bytes.reserve(2 * settings.user.size() + settings.password.size() + 2);
  bytes += settings.user;
  bytes += '\0';
  bytes += settings.user;
  bytes += '\0';
  bytes += settings.password;
  const SecretText credentials(std::move(bytes));
  return Begins(smtp.Smtp(Base64Line(credentials.text()).text()), "235");
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

// Empty recipients are left out; one accepted recipient is enough.
MailResult Submit(Session& smtp, const MailMessageParts& parts) {
  const Reply from = smtp.Smtp("MAIL FROM:<" + parts.sender + ">\r\n");
  if (!from) return kSendingFailed;
  if (!Begins(from, "2")) return Quit(smtp, kSendingFailed);
  bool anyRecipient = false;
  for (const std::string* recipient : {&parts.recipient1, &parts.recipient2}) {
    if (recipient->empty()) continue;
    const Reply accepted = smtp.Smtp("RCPT TO:<" + *recipient + ">\r\n");
    if (!accepted) return kSendingFailed;
    anyRecipient = Begins(accepted, "2") || anyRecipient;
  }
  if (!anyRecipient) return Quit(smtp, kSendingFailed);
  if (!Begins(smtp.Smtp("DATA\r\n"), "3")) return Quit(smtp, kSendingFailed);
  if (!smtp.Send(DotStuffed(MessageText(parts)))) return kSendingFailed;
  const Reply taken = smtp.Smtp(".\r\n", kDataEndTimeout);
  if (!taken) return kSendingFailed;
  return Quit(smtp, Begins(taken, "2") ? kMailSent : kSendingFailed);
}

MailResult SmtpDialogue(MailTransport& transport, const MailTransportSettings& settings,
                        const MailMessageParts& parts) {
  std::unique_ptr<MailConnection> connection =
      Connect(transport, settings.smtpServer, settings.smtpPort);
  if (!connection) return kSmtpConnectFailed;
  Session smtp(transport, std::move(connection));
  bool secure = settings.security == MailSecurity::SmtpOverSsl;
  if (secure && !smtp.StartTls(settings.smtpServer)) return kAuthenticationFailed;
  const Reply greeting = smtp.SmtpGreeting();
  if (!greeting) return kSmtpConnectFailed;
  // STARTTLS is an extension of EHLO.
  const bool extended =
      secure || settings.security == MailSecurity::StartTls || Contains(greeting, "ESMTP");
  Reply helloReply = smtp.Smtp((extended ? "EHLO " : "HELO ") + settings.smtpServer + "\r\n");
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

bool KnownSecurity(MailSecurity security) {
  return security == MailSecurity::None || security == MailSecurity::SmtpOverSsl ||
         security == MailSecurity::StartTls;
}

// Settings that can go out as they are: a known security mode, values that
// fit their protocol lines and at least one recipient.
bool Sendable(const MailTransportSettings& settings, const MailMessageParts& parts) {
  const bool login = settings.auth != MailAuthMode::None;
  return KnownSecurity(settings.security) && FitsProtocolLine(settings.smtpServer) &&
         (settings.auth != MailAuthMode::PopBeforeSmtp || FitsProtocolLine(settings.popServer)) &&
         (!login || (FitsProtocolLine(settings.user) && FitsProtocolLine(settings.password))) &&
         FitsProtocolLine(parts.sender) && FitsProtocolLine(parts.recipient1) &&
         FitsProtocolLine(parts.recipient2) &&
         !(parts.recipient1.empty() && parts.recipient2.empty());
}

}  // namespace

bool FitsProtocolLine(std::string_view value) {
  return value.size() <= kMailValueRoom &&
         value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

MailResult DeliverMail(MailTransport& transport, const MailTransportSettings& settings,
                       const MailMessageParts& parts) {
  if (!Sendable(settings, parts)) return kSendingFailed;
  if (settings.auth == MailAuthMode::PopBeforeSmtp) {
    const MailResult pop = PopLogin(transport, settings);
    if (pop != kMailSent) return pop;
  }
  return SmtpDialogue(transport, settings, parts);
}

}  // namespace monitor
