// Alert mail over Winsock and Schannel, as Ardmon.exe sends it, to real
// servers on loopback: aiosmtpd and dovecot, started by the test run with
// a test CA that the prefix trusts. And the stored password through
// CryptoAPI and the registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "monitor/mail/date_header.h"
#include "monitor/mail/deliver_mail.h"
#include "monitor/mail/mail_values.h"
#include "monitor/mail/message.h"
#include "monitor/mail/win32/alert_mailer.h"
#include "monitor/mail/win32/crypto_api_cipher.h"
#include "monitor/win32/registry_profile.h"
#include "monitor/win32/system_clock.h"
#include "tests/wine/mail_servers.h"

namespace monitor {
namespace {

using mailtest::json;

TEST(CryptoApiCipher, GivesTheStoredFormOfTheKnownAnswer) {
  CryptoApiCipher cipher;
  unsigned char bytes[] = {'s', 0, 'e', 0, 'c', 0, 'r', 0, 'e', 0, 't', 0};
  ASSERT_TRUE(cipher.ProtectPassword(bytes, sizeof bytes, true));
  const unsigned char expected[] = {0x39, 0xb3, 0x2d, 0x7e, 0x2a, 0xc9,
                                    0xcc, 0x9e, 0x82, 0x65, 0x6a, 0x48};
  EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 12),
            std::vector<unsigned char>(expected, expected + 12));
  ASSERT_TRUE(cipher.ProtectPassword(bytes, sizeof bytes, false));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 12), std::string("s\0e\0c\0r\0e\0t\0", 12));
}

TEST(CryptoApiCipher, StoresAPasswordWhoseCiphertextHoldsAZeroUnitWhole) {
  CryptoApiCipher cipher;
  // The key stream itself: a password unit equal to it encrypts to zero.
  unsigned char stream[8] = {};
  ASSERT_TRUE(cipher.ProtectPassword(stream, sizeof stream, true));
  std::u16string password = u"ab?d";
  password[2] = static_cast<char16_t>(stream[4] | stream[5] << 8);
  password[3] = static_cast<char16_t>(stream[6] | stream[7] << 8);

  RegistryProfile profile(u"Halvane", u"MailTest");
  ASSERT_TRUE(StorePassword(profile, cipher, password));
  EXPECT_EQ(profile.GetProfileString(kSettingSection, kMailPassword, u"").size(), 2u);
  EXPECT_EQ(ReadStoredPassword(profile, cipher), password);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Halvane\\MailTest");
}

class MailDelivery : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const mailtest::MailServers servers;
    ASSERT_TRUE(servers.ok()) << "no mail servers; ARDMON_MAIL_SERVERS names their folder";
    ASSERT_TRUE(servers.TrustTestCa());
  }

  MailDelivery() {
    settings_.smtpServer = "localhost";
    settings_.popServer = "localhost";
    settings_.user = servers_.User();
    settings_.password = servers_.Password();
    mail_.parts.sender = "pc@example.test";
    mail_.parts.recipient1 = "me@example.test";
    mail_.parts.dateLine = FormatDateHeader(clock_.Local(clock_.Now()));
    mail_.parts.subjectLine = SubjectLine(u"Quenby");
    mail_.parts.body = MailBody(u"TestMail");
  }

  MailResult Send(const std::string& smtp, MailAuthMode auth, MailSecurity security,
                  const std::string& pop = "pop3") {
    settings_.smtpPort = servers_.Port(smtp);
    settings_.popPort = servers_.Port(pop);
    settings_.auth = auth;
    settings_.security = security;
    mail_.settings = settings_;
    return DeliverOverWinsock(mail_);
  }

  // The last mail the server received arrived whole and parses cleanly.
  void ExpectTestMail(const std::string& server, std::size_t count) {
    const std::vector<json> mails = servers_.Mails(server);
    ASSERT_EQ(mails.size(), count) << server;
    const json& mail = mails.back();
    EXPECT_EQ(mail["body"], "TestMail\n") << mail.dump();
    EXPECT_EQ(mail["subject"], "Quenby");
    EXPECT_EQ(mail["charset"], "utf-8");
    EXPECT_EQ(mail["date_utcoffset_minutes"], mailtest::ZoneOffsetMinutes());
    EXPECT_EQ(mail["rcpt_tos"], json::array({"me@example.test"}));
    EXPECT_EQ(mail["defects"], json::array()) << mail.dump();
  }

  mailtest::MailServers servers_;
  SystemClock clock_;
  MailTransportSettings settings_;
  AlertMail mail_;
};

TEST_F(MailDelivery, ArrivesInEveryMode) {
  struct Mode {
    const char* smtp;
    MailAuthMode auth;
    MailSecurity security;
    const char* pop;
    const char* login;  // the login the SMTP server saw, if any
  };
  // The POP modes last: the POP server's log may still grow after a login.
  const Mode modes[] = {
      {"smtp", MailAuthMode::None, MailSecurity::None, "pop3", nullptr},
      {"smtp", MailAuthMode::SmtpAuth, MailSecurity::None, "pop3", "LOGIN alert ok"},
      {"smtp_plain", MailAuthMode::SmtpAuth, MailSecurity::None, "pop3", "PLAIN alert ok"},
      {"smtp", MailAuthMode::SmtpAuth, MailSecurity::StartTls, "pop3", "LOGIN alert ok"},
      {"smtps", MailAuthMode::SmtpAuth, MailSecurity::SmtpOverSsl, "pop3", "LOGIN alert ok"},
      {"smtp", MailAuthMode::PopBeforeSmtp, MailSecurity::None, "pop3", nullptr},
      {"smtps", MailAuthMode::PopBeforeSmtp, MailSecurity::SmtpOverSsl, "pop3s", nullptr},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE(std::string(mode.smtp) + " " + mode.pop + " " + (mode.login ? mode.login : ""));
    const std::size_t mails = servers_.Mails(mode.smtp).size();
    const std::size_t logins = servers_.Logins(mode.smtp).size();
    const int popLogins = servers_.PopLoginLines();
    EXPECT_EQ(Send(mode.smtp, mode.auth, mode.security, mode.pop), kMailSent);
    ExpectTestMail(mode.smtp, mails + 1);
    const std::vector<std::string> seen = servers_.Logins(mode.smtp);
    ASSERT_EQ(seen.size(), logins + (mode.login ? 1 : 0));
    if (mode.login) {
      EXPECT_EQ(seen.back(), mode.login);
    }
    if (mode.auth == MailAuthMode::PopBeforeSmtp) {
      EXPECT_GT(servers_.PopLoginLines(), popLogins);
    }
  }
}

// The POP server's log is written by a process of its own, a moment later.
bool Eventually(const std::function<bool()>& done) {
  for (int turn = 0; turn < 40 && !done(); ++turn) Sleep(50);
  return done();
}

int Count(const std::string& text, const std::string& word) {
  int count = 0;
  for (std::size_t at = 0; (at = text.find(word, at)) != std::string::npos; at += word.size()) {
    ++count;
  }
  return count;
}

// Before any refused login: the POP server makes the next login from the
// same address wait.
TEST_F(MailDelivery, WithStartTlsThePopLoginGoesInsideTlsOrNotAtAll) {
  const std::size_t before = servers_.PopUserLines().size();
  EXPECT_EQ(Send("smtp", MailAuthMode::PopBeforeSmtp, MailSecurity::StartTls, "pop3"), kMailSent);
  ASSERT_TRUE(Eventually([&] { return servers_.PopUserLines().size() > before; }));
  const std::string login = servers_.PopUserLines()[before];
  EXPECT_NE(login.find("Login: user=<alert>"), std::string::npos) << login;
  EXPECT_NE(login.find(", TLS,"), std::string::npos) << login;

  const auto visits = [&] {
    return Count(servers_.PopLog("dovecot-nostls.log"), "no auth attempts");
  };
  const int visited = visits();
  EXPECT_EQ(Send("smtp", MailAuthMode::PopBeforeSmtp, MailSecurity::StartTls, "pop3_nostls"),
            kAuthenticationFailed);
  EXPECT_TRUE(Eventually([&] { return visits() > visited; })) << "the client came and went";
  EXPECT_TRUE(servers_.PopUserLines("dovecot-nostls.log").empty()) << "no USER, no PASS";
}

TEST_F(MailDelivery, AWrongPasswordIsAnAuthenticationFailure) {
  settings_.password = "wrong";
  EXPECT_EQ(Send("smtp", MailAuthMode::SmtpAuth, MailSecurity::StartTls), kAuthenticationFailed);
  const std::vector<std::string> logins = servers_.Logins("smtp");
  ASSERT_GE(logins.size(), 2u);
  EXPECT_EQ(logins[logins.size() - 2], "LOGIN alert refused");
  EXPECT_EQ(logins.back(), "PLAIN alert refused") << "inside TLS PLAIN follows LOGIN";
  EXPECT_EQ(Send("smtp", MailAuthMode::PopBeforeSmtp, MailSecurity::None, "pop3"),
            kAuthenticationFailed);
}

TEST_F(MailDelivery, ACertificateNotForTheServerGetsNoLoginAtAll) {
  const std::size_t logins = servers_.Logins("starttls_other").size();
  EXPECT_EQ(Send("starttls_other", MailAuthMode::SmtpAuth, MailSecurity::StartTls),
            kAuthenticationFailed);
  EXPECT_EQ(servers_.Logins("starttls_other").size(), logins) << "no AUTH";
  EXPECT_TRUE(servers_.Mails("starttls_other").empty());

  EXPECT_EQ(Send("smtps_untrusted", MailAuthMode::SmtpAuth, MailSecurity::SmtpOverSsl),
            kAuthenticationFailed);
  EXPECT_TRUE(servers_.Logins("smtps_untrusted").empty()) << "no AUTH";

  // The POP server's certificate is for "localhost", not for its address.
  const int popLogins = servers_.PopLoginLines();
  settings_.popServer = "127.0.0.1";
  EXPECT_EQ(Send("smtps", MailAuthMode::PopBeforeSmtp, MailSecurity::SmtpOverSsl, "pop3s"),
            kAuthenticationFailed);
  EXPECT_EQ(servers_.PopLoginLines(), popLogins) << "no USER, no PASS";
}

TEST_F(MailDelivery, AServerThatStopsAtTls11GetsNoLogin) {
  EXPECT_EQ(Send("smtps_tls11", MailAuthMode::SmtpAuth, MailSecurity::SmtpOverSsl),
            kAuthenticationFailed);
  EXPECT_EQ(servers_.Logins("smtps_tls11"), std::vector<std::string>{"TLS TLSv1.1 ok"})
      << "the handshake went through; no AUTH after it";
}

TEST_F(MailDelivery, ARefusedRecipientIsASendingFailure) {
  EXPECT_EQ(Send("refuse_rcpt", MailAuthMode::None, MailSecurity::None), kSendingFailed);
  EXPECT_TRUE(servers_.Mails("refuse_rcpt").empty());
}

TEST_F(MailDelivery, NoServerIsAConnectionFailure) {
  EXPECT_EQ(Send("closed", MailAuthMode::None, MailSecurity::None), kSmtpConnectFailed);
  EXPECT_EQ(Send("smtp", MailAuthMode::PopBeforeSmtp, MailSecurity::None, "closed"),
            kPopConnectFailed);
}

}  // namespace
}  // namespace monitor
