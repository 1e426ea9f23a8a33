#include "monitor/mail/alert_mail.h"

#include "monitor/mail/date_header.h"
#include "monitor/mail/deliver_mail.h"
#include "monitor/mail/mail_values.h"
#include "monitor/mail/message.h"
#include "monitor/mail/wipe.h"

namespace monitor {
namespace {

// The TCP port is the stored number's low 16 bits.
std::uint16_t Port(Profile& profile, const IntSetting& setting) {
  return static_cast<std::uint16_t>(ReadUnsigned(profile, setting) & 0xFFFF);
}

}  // namespace

AlertMail ComposeAlertMail(const MailSources& sources, const std::u16string& text) {
  Profile& profile = sources.profile;
  const auto ansi = [&](std::u16string_view name) {
    return sources.codePage.FromUtf16(ReadText(profile, name));
  };
  AlertMail mail;
  MailTransportSettings& settings = mail.settings;
  settings.smtpServer = ansi(kSmtpServer);
  settings.smtpPort = Port(profile, kSmtpPort);
  settings.popServer = ansi(kPopServer);
  settings.popPort = Port(profile, kPopPort);
  settings.auth = static_cast<MailAuthMode>(Read(profile, kMailAuth));
  settings.security = static_cast<MailSecurity>(Read(profile, kMailSecurity));
  settings.user = ansi(kMailUser);
  std::u16string password = ReadStoredPassword(profile, sources.cipher);
  settings.password = sources.codePage.FromUtf16(password);
  Wipe(password);

  MailMessageParts& parts = mail.parts;
  parts.sender = ansi(kSenderAddress);
  parts.recipient1 = ansi(kRecipient1);
  parts.recipient2 = ansi(kRecipient2);
  parts.dateLine = FormatDateHeader(sources.clock.Local(sources.clock.Now()));
  parts.subjectLine = SubjectLine(sources.title);
  parts.body = MailBody(text);
  return mail;
}

MailResult SendAlertMail(const MailSources& sources, MailTransport& transport,
                         const std::u16string& text) {
  AlertMail mail = ComposeAlertMail(sources, text);
  const MailResult result = DeliverMail(transport, mail.settings, mail.parts);
  Wipe(mail.settings.password);
  return result;
}

}  // namespace monitor
