// The SMTP and POP3 dialogues and their reply reader fed arbitrary server
// bytes. The input: one byte for the authentication and security modes,
// one for a failing TLS handshake, then chunks of server bytes, each a
// length byte (high bit set: for the POP server) and that many bytes; one
// chunk arrives per receive, one whose length byte says 127 after a minute,
// so that some replies come too late.
#include <cstddef>
#include <cstdint>

#include "monitor/mail/deliver_mail.h"
#include "monitor/mail/message.h"
#include "tests/unit/monitor/mail/scripted_mail_server.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  monitor::MailTransportSettings settings;
  settings.smtpServer = "smtp.test";
  settings.popServer = "pop.test";
  settings.user = "user";
  settings.password = "password";
  settings.auth = static_cast<monitor::MailAuthMode>(data[0] % 3);
  settings.security = static_cast<monitor::MailSecurity>(data[0] / 3 % 4);
  monitor::MailMessageParts parts;
  parts.sender = "pc@test";
  parts.recipient1 = "me@test";
  parts.recipient2 = data[0] & 0x80 ? "you@test" : "";
  parts.subjectLine = monitor::SubjectLine(u"Quenby");
  parts.body = monitor::MailBody(u"TestMail\n.\n");

  std::deque<monitor::testing::Chunk> smtp, pop;
  for (std::size_t at = 2; at < size;) {
    const std::size_t length = data[at] & 0x7F;
    const bool forPop = data[at] & 0x80;
    ++at;
    const std::size_t taken = length < size - at ? length : size - at;
    const std::chrono::seconds after{length == 0x7F ? 60 : 0};
    (forPop ? pop : smtp)
        .emplace_back(after, std::string(reinterpret_cast<const char*>(data + at), taken));
    at += taken;
  }
  monitor::testing::ScriptedMailServer server;
  server.At("smtp.test", 25, std::move(smtp)).tlsFails = data[1] & 1;
  server.At("pop.test", 110, std::move(pop)).tlsFails = data[1] & 2;
  const monitor::MailResult result = monitor::DeliverMail(server, settings, parts);
  if (result != monitor::kMailSent && result != monitor::kPopConnectFailed &&
      result != monitor::kSmtpConnectFailed && result != monitor::kAuthenticationFailed &&
      result != monitor::kSendingFailed) {
    __builtin_trap();
  }
  return 0;
}
