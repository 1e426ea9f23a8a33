// The alert mail composed from the stored settings and sent.
#include "monitor/mail/alert_mail.h"

#include <gtest/gtest.h>

#include "monitor/mail/mail_values.h"
#include "monitor/memory_profile.h"
#include "scripted_mail_server.h"
#include "tests/unit/monitor/monitor_fixture.h"

namespace monitor {
namespace {

// Leaves the password in clear, so the test reads what it stored.
struct ClearCipher : PasswordCipher {
  bool ProtectPassword(unsigned char*, std::size_t, bool) override { return true; }
};

class AlertMailTest : public ::testing::Test {
 protected:
  AlertMailTest() {
    clock.now = 1796739965;  // 2026-12-08 14:26:05 UTC
    clock.utcOffsetMinutes = -300;
    WriteText(profile, kSmtpServer, u"smtp.test");
    WriteText(profile, kSenderAddress, u"pc@test");
    WriteText(profile, kRecipient1, u"me@test");
  }
  void Set(const IntSetting& setting, std::int32_t value) {
    profile.WriteProfileInt(kSettingSection, setting.name, value);
  }

  MemoryProfile profile;
  ClearCipher cipher;
  Latin1CodePage latin1;
  testing::FakeClock clock;
  MailSources sources{profile, cipher, latin1, clock, u"Quenby"};
};

TEST_F(AlertMailTest, ComposesFromTheStoredValuesAtTheMomentOfSending) {
  WriteText(profile, kPopServer, u"pop.test");
  WriteText(profile, kMailUser, u"J\u00FCrgen");
  StorePassword(profile, cipher, u"pa\u00DF");
  WriteText(profile, kRecipient2, u"you@test");
  Set(kMailAuth, 2);
  Set(kMailSecurity, 1);
  Set(kSmtpPort, 0x10000 + 587);
  Set(kPopPort, 995);

  const AlertMail mail = ComposeAlertMail(sources, u"C:DISK It is higher than the setting.");
  EXPECT_EQ(mail.settings.smtpServer, "smtp.test");
  EXPECT_EQ(mail.settings.smtpPort, 587) << "the low 16 bits";
  EXPECT_EQ(mail.settings.popServer, "pop.test");
  EXPECT_EQ(mail.settings.popPort, 995);
  EXPECT_EQ(mail.settings.auth, MailAuthMode::PopBeforeSmtp);
  EXPECT_EQ(mail.settings.security, MailSecurity::SmtpOverSsl);
  EXPECT_EQ(mail.settings.user, "J\xFCrgen") << "in the code page";
  EXPECT_EQ(mail.settings.password, "pa\xDF");
  EXPECT_EQ(mail.parts.sender, "pc@test");
  EXPECT_EQ(mail.parts.recipient2, "you@test");
  EXPECT_EQ(mail.parts.dateLine, "Date: Tue, 08 Dec 2026 09:26:05 -0500\r\n");
  EXPECT_EQ(mail.parts.subjectLine, "Subject: =?UTF-8?B?UXVlbmJ5?=\r\n");
  EXPECT_EQ(mail.parts.body, "C:DISK It is higher than the setting.\r\n");
}

TEST_F(AlertMailTest, SendsTheTestMailAndRefusesAnInjectedAddress) {
  testing::ScriptedMailServer server;
  server.At("smtp.test", 25,
            {"220 ESMTP\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n", "250 ok\r\n",
             "221 bye\r\n"});
  EXPECT_EQ(SendAlertMail(sources, server, u"TestMail"), kMailSent);
  const auto& lines = server.Transcript("smtp.test", 25);
  ASSERT_GT(lines.size(), 9u);
  EXPECT_NE(lines[9].find("\r\n\r\nTestMail\r\n"), std::string::npos);

  WriteText(profile, kRecipient1, u"me@test>\r\nRCPT TO:<spam@test");
  EXPECT_EQ(SendAlertMail(sources, server, u"TestMail"), kSendingFailed);
}

}  // namespace
}  // namespace monitor
