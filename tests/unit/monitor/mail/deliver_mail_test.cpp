// The SMTP and POP3 dialogues against scripted servers, line by line, in
// every mode, and the result of every refusal.
#include "monitor/mail/deliver_mail.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <vector>

#include "monitor/mail/message.h"
#include "scripted_mail_server.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ScriptedMailServer;
using namespace std::chrono_literals;

constexpr char kGreeting[] = "220 smtp.test ESMTP ready\r\n";
constexpr char kHello[] = "250-smtp.test\r\n250-AUTH LOGIN PLAIN\r\n250 STARTTLS\r\n";
constexpr char kOk[] = "250 OK\r\n";
constexpr char kGoAhead[] = "354 go ahead\r\n";
constexpr char kBye[] = "221 bye\r\n";
constexpr char kAsk[] = "334 VXNlcm5hbWU6\r\n";
constexpr char kLoggedIn[] = "235 ok\r\n";
constexpr char kRefused[] = "535 no\r\n";
// "u", "p" and "u NUL u NUL p" in Base64.
constexpr char kUser64[] = "C: dQ==\r\n";
constexpr char kPassword64[] = "C: cA==\r\n";
constexpr char kPlain64[] = "C: dQB1AHA=\r\n";

std::string S(const char* reply) {
  return std::string("S: ") + reply;
}

class DeliverMailTest : public ::testing::Test {
 protected:
  DeliverMailTest() {
    settings.smtpServer = "smtp.test";
    settings.popServer = "pop.test";
    settings.user = "u";
    settings.password = "p";
    parts.sender = "pc@test";
    parts.recipient1 = "me@test";
    parts.dateLine = "Date: Tue, 08 Dec 2026 15:26:05 +0100\r\n";
    parts.subjectLine = SubjectLine(u"Quenby");
    parts.body = "TestMail\r\n";
  }

  testing::ScriptedPeer& Smtp(std::deque<testing::Chunk> chunks) {
    return server.At("smtp.test", 25, std::move(chunks));
  }
  testing::ScriptedPeer& Pop(std::deque<testing::Chunk> chunks) {
    return server.At("pop.test", 110, std::move(chunks));
  }
  const std::vector<std::string>& SmtpLines() { return server.Transcript("smtp.test", 25); }
  const std::vector<std::string>& PopLines() { return server.Transcript("pop.test", 110); }
  // What the client sent after the greeting and hello, up to DATA.
  std::string Message() { return "C: " + DotStuffed(MessageText(parts)); }
  MailResult Deliver() { return DeliverMail(server, settings, parts); }

  ScriptedMailServer server;
  MailTransportSettings settings;
  MailMessageParts parts;
};

TEST_F(DeliverMailTest, PlainMailWithoutLoginGoesOutLineByLine) {
  Smtp({kGreeting, kHello, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_THAT(
      SmtpLines(),
      ElementsAre(S(kGreeting), "C: EHLO smtp.test\r\n", S(kHello), "C: MAIL FROM:<pc@test>\r\n",
                  S(kOk), "C: RCPT TO:<me@test>\r\n", S(kOk), "C: DATA\r\n", S(kGoAhead), Message(),
                  "C: .\r\n", S(kOk), "C: QUIT\r\n", S(kBye)));
}

TEST_F(DeliverMailTest, AServerWithoutEsmtpIsGreetedWithHeloAndTwoRecipientsGetTheMail) {
  parts.recipient2 = "you@test";
  Smtp({"220 old server\r\n", "250 hi\r\n", kOk, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  const auto& lines = SmtpLines();
  EXPECT_EQ(lines[1], "C: HELO smtp.test\r\n");
  EXPECT_EQ(lines[5], "C: RCPT TO:<me@test>\r\n");
  EXPECT_EQ(lines[7], "C: RCPT TO:<you@test>\r\n");
}

TEST_F(DeliverMailTest, RepliesSplitOverReceivesAndLateGreetingsKeepTheDialogueInStep) {
  // The greeting in three pieces, the hello's lines cut mid-line, a reply
  // and the next one's start in separate pieces.
  Smtp({"22", "0 smtp.test ES", "MTP\r\n", "250-smtp.test\r\n250-AU", "TH LOGIN\r\n250 HELP\r\n",
        "250 ", "OK\r\n", kOk, kGoAhead, kOk, kBye});
  settings.auth = MailAuthMode::None;
  EXPECT_EQ(Deliver(), kMailSent);
  const auto& lines = SmtpLines();
  EXPECT_EQ(lines[3], "C: EHLO smtp.test\r\n") << "after the whole greeting";
  EXPECT_EQ(lines[6], "C: MAIL FROM:<pc@test>\r\n") << "after the whole hello reply";
  EXPECT_EQ(lines[9], "C: RCPT TO:<me@test>\r\n");
}

TEST_F(DeliverMailTest, SmtpAuthUsesLoginBeforePlainAsTheServerOffers) {
  settings.auth = MailAuthMode::SmtpAuth;
  Smtp({kGreeting, kHello, kAsk, kAsk, kLoggedIn, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_THAT(std::vector<std::string>(SmtpLines().begin() + 3, SmtpLines().begin() + 10),
              ElementsAre("C: AUTH LOGIN\r\n", S(kAsk), kUser64, S(kAsk), kPassword64, S(kLoggedIn),
                          "C: MAIL FROM:<pc@test>\r\n"));

  Smtp({kGreeting, "250 AUTH PLAIN\r\n", kAsk, kLoggedIn, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_EQ(SmtpLines()[3], "C: AUTH PLAIN\r\n");
  EXPECT_EQ(SmtpLines()[5], kPlain64);

  Smtp({kGreeting, "250 SIZE 1000\r\n", kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent) << "no offer: the mail goes without login";
  EXPECT_EQ(SmtpLines()[3], "C: MAIL FROM:<pc@test>\r\n");
}

TEST_F(DeliverMailTest, ARefusedLoginInTheClearEndsAtOnce) {
  settings.auth = MailAuthMode::SmtpAuth;
  Smtp({kGreeting, kHello, kAsk, kAsk, kRefused});
  EXPECT_EQ(Deliver(), kAuthenticationFailed);
  EXPECT_EQ(SmtpLines().back(), S(kRefused)) << "no QUIT, no MAIL";

  // A server that does not ask for the user name gets no password.
  Smtp({kGreeting, kHello, "504 not here\r\n"});
  EXPECT_EQ(Deliver(), kAuthenticationFailed);
  EXPECT_EQ(SmtpLines().back(), "S: 504 not here\r\n");
}

TEST_F(DeliverMailTest, PopBeforeSmtpLogsInFirst) {
  settings.auth = MailAuthMode::PopBeforeSmtp;
  Pop({"+OK ready\r\n", "+OK\r\n", "+OK in\r\n", "+OK bye\r\n"});
  Smtp({kGreeting, kHello, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_THAT(PopLines(),
              ElementsAre("S: +OK ready\r\n", "C: USER u\r\n", "S: +OK\r\n", "C: PASS p\r\n",
                          "S: +OK in\r\n", "C: QUIT\r\n", "S: +OK bye\r\n"));
  EXPECT_THAT(server.connects(), ElementsAre("pop.test:110", "smtp.test:25"));
  EXPECT_EQ(SmtpLines()[3], "C: MAIL FROM:<pc@test>\r\n") << "no AUTH after POP";
}

TEST_F(DeliverMailTest, PopBeforeSmtpWithStartTlsLogsInAfterStls) {
  settings.auth = MailAuthMode::PopBeforeSmtp;
  settings.security = MailSecurity::StartTls;
  // Clear text after the go-ahead must not be read as a reply inside TLS.
  Pop({"+OK ready\r\n", "+OK caps\r\nUSER\r\nstls\r\n.\r\n", "+OK begin\r\n+OK fake\r\n", "+OK\r\n",
       "+OK in\r\n", "+OK bye\r\n"});
  Smtp({kGreeting, kHello, "220 go\r\n", kHello, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_THAT(
      PopLines(),
      ElementsAre("S: +OK ready\r\n", "C: CAPA\r\n", "S: +OK caps\r\nUSER\r\nstls\r\n.\r\n",
                  "C: STLS\r\n", "S: +OK begin\r\n+OK fake\r\n", "TLS pop.test", "C: USER u\r\n",
                  "S: +OK\r\n", "C: PASS p\r\n", "S: +OK in\r\n", "C: QUIT\r\n", "S: +OK bye\r\n"));
}

// Whatever stops the upgrade, neither the user nor the password leaves.
TEST_F(DeliverMailTest, APopServerThatCannotStartTlsGetsNoCredentials) {
  settings.auth = MailAuthMode::PopBeforeSmtp;
  settings.security = MailSecurity::StartTls;
  struct Case {
    const char* what;
    std::deque<testing::Chunk> pop;
    bool tlsFails;
    const char* last;
    MailClock::duration tlsTakes = {};
  };
  const Case cases[] = {
      {"no STLS offered",
       {"+OK\r\n", "+OK\r\nUSER\r\nSTLSX\r\n.\r\n", "+OK bye\r\n"},
       false,
       "S: +OK bye\r\n"},
      {"no CAPA", {"+OK\r\n", "-ERR what\r\n", "+OK bye\r\n"}, false, "S: +OK bye\r\n"},
      {"STLS refused",
       {"+OK\r\n", "+OK\r\nSTLS\r\n.\r\n", "-ERR not now\r\n", "+OK bye\r\n"},
       false,
       "S: +OK bye\r\n"},
      {"handshake failed", {"+OK\r\n", "+OK\r\nSTLS\r\n.\r\n", "+OK go\r\n"}, true, "TLS pop.test"},
      {"a list that trickles past its deadline",
       {"+OK\r\n", "+OK\r\n", testing::Chunk(20s, "STLS\r\n"), testing::Chunk(20s, ".\r\n")},
       false,
       "S: nothing within 10 s"},
  };
  for (const Case& c : cases) {
    testing::ScriptedPeer& pop = Pop(c.pop);
    pop.tlsFails = c.tlsFails;
    pop.tlsTakes = c.tlsTakes;
    EXPECT_EQ(Deliver(), kAuthenticationFailed) << c.what;
    EXPECT_EQ(PopLines().back(), c.last) << c.what;
    for (const std::string& line : PopLines()) {
      EXPECT_NE(line.substr(0, 4), "C: U") << c.what;
      EXPECT_NE(line.substr(0, 4), "C: P") << c.what;
    }
    EXPECT_THAT(server.connects(), ElementsAre("pop.test:110")) << c.what;
  }
}

// Each awaited reply has 30 s, the reply to the end of the data 10
// minutes, and a reply that comes in pieces has that time for the whole.
TEST_F(DeliverMailTest, EveryReplyHasItsDeadline) {
  struct Case {
    std::size_t late;  // the reply that comes late, by its place in the script
    MailClock::duration after;
    MailResult result;
    const char* last;
  };
  const Case cases[] = {
      {0, 29s, kMailSent, "S: 221 bye\r\n"},
      {0, 31s, kSmtpConnectFailed, "S: nothing within 30 s"},
      {1, 31s, kSmtpConnectFailed, "S: nothing within 30 s"},
      {2, 31s, kSendingFailed, "S: nothing within 30 s"},
      {3, 31s, kSendingFailed, "S: nothing within 30 s"},
      {4, 31s, kSendingFailed, "S: nothing within 30 s"},
      {5, 9min, kMailSent, "S: 221 bye\r\n"},
      {5, 11min, kSendingFailed, "S: nothing within 600 s"},
      {6, 31s, kMailSent, "S: nothing within 30 s"},
  };
  for (const Case& c : cases) {
    std::deque<testing::Chunk> script = {kGreeting, kHello, kOk, kOk, kGoAhead, kOk, kBye};
    script[c.late].after = c.after;
    Smtp(script);
    EXPECT_EQ(Deliver(), c.result) << c.late;
    EXPECT_EQ(SmtpLines().back(), c.last) << c.late;
  }
  Smtp({"22", testing::Chunk(20s, "0 ESMTP"), testing::Chunk(20s, "\r\n")});
  EXPECT_EQ(Deliver(), kSmtpConnectFailed);
  EXPECT_EQ(SmtpLines().back(), "S: nothing within 10 s");
}

TEST_F(DeliverMailTest, AnEmptyRecipientIsNeitherAddressedNorListed) {
  parts.recipient1 = "";
  parts.recipient2 = "you@test";
  Smtp({kGreeting, kHello, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_EQ(SmtpLines()[5], "C: RCPT TO:<you@test>\r\n");
  EXPECT_EQ(SmtpLines()[7], "C: DATA\r\n");
  EXPECT_NE(SmtpLines()[9].find("\r\nTo: you@test\r\n"), std::string::npos);
}

TEST_F(DeliverMailTest, ARefusedPopPasswordStopsTheMail) {
  settings.auth = MailAuthMode::PopBeforeSmtp;
  Pop({"+OK ready\r\n", "+OK\r\n", "-ERR wrong\r\n", "+OK bye\r\n"});
  EXPECT_EQ(Deliver(), kAuthenticationFailed);
  EXPECT_EQ(PopLines().back(), "S: +OK bye\r\n") << "QUIT after the refusal";
  EXPECT_THAT(server.connects(), ElementsAre("pop.test:110")) << "SMTP is not tried";

  Pop({"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "-ERR\r\n"});
  EXPECT_EQ(Deliver(), kAuthenticationFailed) << "a refused QUIT";
}

TEST_F(DeliverMailTest, UnreachableOrSilentServersAreConnectionFailures) {
  EXPECT_EQ(Deliver(), kSmtpConnectFailed) << "nothing at smtp.test";
  Smtp({});
  EXPECT_EQ(Deliver(), kSmtpConnectFailed) << "no greeting";
  Smtp({kGreeting});
  EXPECT_EQ(Deliver(), kSmtpConnectFailed) << "no hello reply";
  Smtp({"220 ESMTP\r\n250-first line of many"});
  EXPECT_EQ(Deliver(), kSmtpConnectFailed) << "a reply that never ends";

  settings.auth = MailAuthMode::PopBeforeSmtp;
  Smtp({kGreeting, kHello, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kPopConnectFailed) << "nothing at pop.test";
  Pop({});
  EXPECT_EQ(Deliver(), kPopConnectFailed) << "no POP greeting";
  EXPECT_THAT(SmtpLines(), IsEmpty());
}

// Addresses 0 to 3; each in `silent` takes its whole deadline and fails.
TEST(ConnectToFirst, EachAddressHasItsOwnTimeAndAllOfThemABound) {
  struct Case {
    std::vector<int> silent;
    int connected;
    std::vector<std::chrono::seconds> deadlines;  // each tried address's, from the start
  };
  const Case cases[] = {
      {{}, 0, {15s}},
      {{0}, 1, {15s, 30s}},
      {{0, 1}, 2, {15s, 30s, 45s}},
      {{0, 1, 2}, -1, {15s, 30s, 45s}},  // the fourth is never tried
  };
  for (const Case& c : cases) {
    const MailDeadline start{};
    MailDeadline now = start;
    std::vector<std::chrono::seconds> deadlines;
    const int connected = ConnectToFirst(
        std::vector<int>{0, 1, 2, 3}, -1, start + kConnectPhaseTimeout, [&] { return now; },
        [&](int address, MailDeadline deadline) {
          deadlines.push_back(std::chrono::duration_cast<std::chrono::seconds>(deadline - start));
          if (std::find(c.silent.begin(), c.silent.end(), address) == c.silent.end()) {
            return address;
          }
          now = deadline;
          return -1;
        });
    EXPECT_EQ(connected, c.connected);
    EXPECT_EQ(deadlines, c.deadlines);
  }
}

TEST_F(DeliverMailTest, RefusalsOfTheMailAreReported) {
  Smtp({kGreeting, kHello, "550 no sender\r\n", kBye});
  EXPECT_EQ(Deliver(), kSendingFailed) << "MAIL FROM";
  EXPECT_EQ(SmtpLines()[5], "C: QUIT\r\n");

  parts.recipient2 = "you@test";
  Smtp({kGreeting, kHello, kOk, "550 no\r\n", "550 no\r\n", kBye});
  EXPECT_EQ(Deliver(), kSendingFailed) << "RCPT TO for every recipient";

  Smtp({kGreeting, kHello, kOk, "550 no\r\n", kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent) << "one recipient of two is enough";

  Smtp({kGreeting, kHello, kOk, kOk, kOk, "554 no data\r\n", kBye});
  EXPECT_EQ(Deliver(), kSendingFailed) << "DATA";

  Smtp({kGreeting, kHello, kOk, kOk, kOk, kGoAhead, "552 too big\r\n", kBye});
  EXPECT_EQ(Deliver(), kSendingFailed) << "the end of the data";

  Smtp({kGreeting, kHello, kOk, kOk, kOk, kGoAhead});
  EXPECT_EQ(Deliver(), kSendingFailed) << "no reply to the end of the data";
}

TEST_F(DeliverMailTest, StartTlsLogsInInsideTlsOnly) {
  settings.security = MailSecurity::StartTls;
  settings.auth = MailAuthMode::SmtpAuth;
  // Clear text after the go-ahead must not be read as the hello inside TLS.
  Smtp({"220 no e-word\r\n", kHello, std::string("220 go\r\n") + kHello + kAsk, kHello, kAsk, kAsk,
        kLoggedIn, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_EQ(SmtpLines()[1], "C: EHLO smtp.test\r\n") << "STARTTLS is an EHLO extension";
  EXPECT_THAT(
      std::vector<std::string>(SmtpLines().begin() + 3, SmtpLines().begin() + 10),
      ElementsAre("C: STARTTLS\r\n", "S: 220 go\r\n" + std::string(kHello) + kAsk, "TLS smtp.test",
                  "C: EHLO smtp.test\r\n", S(kHello), "C: AUTH LOGIN\r\n", S(kAsk)));
}

TEST_F(DeliverMailTest, ARefusedStartTlsOrAFailedHandshakeSendsNothingSecret) {
  settings.security = MailSecurity::StartTls;
  settings.auth = MailAuthMode::SmtpAuth;
  Smtp({kGreeting, kHello, "454 not now\r\n", kBye});
  EXPECT_EQ(Deliver(), kAuthenticationFailed);
  EXPECT_THAT(std::vector<std::string>(SmtpLines().begin() + 4, SmtpLines().end()),
              ElementsAre("S: 454 not now\r\n", "C: QUIT\r\n", S(kBye)))
      << "no handshake attempted";

  Smtp({kGreeting, kHello, "220 go\r\n", kHello}).tlsFails = true;
  EXPECT_EQ(Deliver(), kAuthenticationFailed);
  EXPECT_EQ(SmtpLines().back(), "TLS smtp.test");

  settings.security = MailSecurity::SmtpOverSsl;
  Smtp({kGreeting}).tlsFails = true;
  EXPECT_EQ(Deliver(), kAuthenticationFailed);
  EXPECT_THAT(SmtpLines(), ElementsAre("TLS smtp.test"));
}

TEST_F(DeliverMailTest, SmtpOverSslRunsTlsFromTheFirstByteOnBothConnections) {
  settings.security = MailSecurity::SmtpOverSsl;
  settings.auth = MailAuthMode::PopBeforeSmtp;
  settings.popPort = 995;
  settings.smtpPort = 465;
  server.At("pop.test", 995, {"+OK\r\n", "+OK\r\n", "+OK\r\n", "+OK\r\n"});
  server.At("smtp.test", 465, {"220 no e-word\r\n", kHello, kOk, kOk, kGoAhead, kOk, kBye});
  EXPECT_EQ(Deliver(), kMailSent);
  EXPECT_EQ(server.Transcript("pop.test", 995)[0], "TLS pop.test");
  const auto& smtp = server.Transcript("smtp.test", 465);
  EXPECT_EQ(smtp[0], "TLS smtp.test");
  EXPECT_EQ(smtp[2], "C: EHLO smtp.test\r\n") << "inside TLS it is always EHLO";
}

TEST_F(DeliverMailTest, InsideTlsARefusedLoginFallsBackToPlainThenQuits) {
  settings.security = MailSecurity::SmtpOverSsl;
  settings.auth = MailAuthMode::SmtpAuth;
  Smtp({kGreeting, "250 SIZE\r\n", kAsk, kAsk, kRefused, kAsk, kRefused, kBye});
  EXPECT_EQ(Deliver(), kAuthenticationFailed);
  EXPECT_THAT(std::vector<std::string>(SmtpLines().begin() + 6, SmtpLines().end()),
              ElementsAre(kUser64, S(kAsk), kPassword64, S(kRefused), "C: AUTH PLAIN\r\n", S(kAsk),
                          kPlain64, S(kRefused), "C: QUIT\r\n", S(kBye)));
}

TEST_F(DeliverMailTest, ValuesThatCannotGoOutAreRefusedBeforeAnyConnection) {
  Smtp({kGreeting, kHello, kOk, kOk, kGoAhead, kOk, kBye});
  const auto refused = [&](auto change) {
    const MailTransportSettings keep = settings;
    const MailMessageParts keepParts = parts;
    change();
    const MailResult result = Deliver();
    settings = keep;
    parts = keepParts;
    return result == kSendingFailed && server.connects().empty();
  };
  settings.auth = MailAuthMode::PopBeforeSmtp;
  EXPECT_TRUE(refused([&] { parts.recipient1 = "me@test\r\nRCPT TO:<spam@test>"; }));
  EXPECT_TRUE(refused([&] { parts.recipient2 = "a\nb"; }));
  EXPECT_TRUE(refused([&] { parts.sender = std::string("pc\0@test", 8); }));
  EXPECT_TRUE(refused([&] { settings.password = "p\r"; }));
  EXPECT_TRUE(refused([&] { settings.user = std::string(128, 'u'); }));
  EXPECT_TRUE(refused([&] { settings.popServer = "pop.test\n"; }));
  EXPECT_TRUE(refused([&] { settings.smtpServer = std::string(128, 's'); }));
  EXPECT_TRUE(refused([&] { settings.security = static_cast<MailSecurity>(3); }));
  EXPECT_TRUE(refused([&] { settings.security = static_cast<MailSecurity>(-1); }));
  EXPECT_TRUE(refused([&] { parts.recipient1.clear(); }));
  settings.auth = MailAuthMode::None;
  settings.password = std::string(127, 'p');
  settings.popServer = "unused\r\n";
  EXPECT_EQ(Deliver(), kMailSent) << "127 bytes fit, values not used are not checked";
}

}  // namespace
}  // namespace monitor
