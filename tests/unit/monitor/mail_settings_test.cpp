#include "monitor/pages/mail_settings.h"

#include <gmock/gmock.h>

#include <vector>

#include "monitor/mail/mail_values.h"
#include "monitor/mail/webhook.h"
#include "monitor/memory_profile.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct RecordingUi : MailUi {
  std::vector<unsigned> messages;
  std::vector<MailField> focus;
  void ShowMessage(unsigned id) override { messages.push_back(id); }
  void Focus(MailField field) override { focus.push_back(field); }
};

// Swaps the bytes of each unit: enough to tell stored from clear text.
struct SwapCipher : PasswordCipher {
  bool ProtectPassword(unsigned char* bytes, std::size_t length, bool) override {
    for (std::size_t i = 0; i + 1 < length; i += 2) std::swap(bytes[i], bytes[i + 1]);
    return true;
  }
};

class MailPageTest : public ::testing::Test {
 protected:
  // A complete form for SMTP AUTH, as the user would fill it in.
  MailForm Filled() {
    MailForm form = page.OnShowPage();
    form.auth = 1;
    form.loginEnabled = true;
    form[MailField::SmtpServer] = u"smtp.test";
    form[MailField::Sender] = u"pc@test";
    form[MailField::Recipient2] = u"me@test";
    form[MailField::User] = u"user";
    form[MailField::Password] = u"secret";
    form.temperatureMail = true;
    return form;
  }
  std::u16string Text(std::u16string_view name) { return ReadText(profile, name); }
  std::int32_t Stored(const IntSetting& setting) { return Read(profile, setting); }

  MemoryProfile profile;
  SwapCipher cipher;
  RecordingUi ui;
  MailPageCore page{profile, cipher};
};

TEST(MailAuthRule, EnablesThePopAndLoginFieldsByMode) {
  EXPECT_FALSE(EnablesForAuth(0)->pop || EnablesForAuth(0)->login);
  EXPECT_TRUE(!EnablesForAuth(1)->pop && EnablesForAuth(1)->login);
  EXPECT_TRUE(EnablesForAuth(2)->pop && EnablesForAuth(2)->login);
  EXPECT_FALSE(EnablesForAuth(-1)) << "no selection leaves the fields as they are";
}

TEST_F(MailPageTest, AFreshProfileShowsTheDefaultsAndIsNotModified) {
  const MailForm form = page.OnShowPage();
  EXPECT_EQ(form[MailField::SmtpPort], u"25");
  EXPECT_EQ(form[MailField::PopPort], u"110");
  EXPECT_EQ(form.auth, 0);
  EXPECT_EQ(form.security, 0);
  EXPECT_FALSE(form.temperatureMail || form.healthMail || form.popEnabled || form.loginEnabled);
  EXPECT_FALSE(page.IsModified(form, ui));
}

TEST_F(MailPageTest, ApplyStoresEveryValueAndTheShownPageReadsThemBack) {
  MailForm form = Filled();
  form.security = 2;
  form[MailField::SmtpPort] = u"587";
  ASSERT_TRUE(page.OnApply(form, ui));
  EXPECT_THAT(ui.messages, IsEmpty());
  EXPECT_EQ(Stored(kMailAuth), 1);
  EXPECT_EQ(Stored(kMailSecurity), 2);
  EXPECT_EQ(Stored(kTemperatureMail), 1);
  EXPECT_EQ(Stored(kHealthMail), 0);
  EXPECT_EQ(Stored(kSmtpPort), 587);
  EXPECT_EQ(Stored(kPopPort), 110);
  EXPECT_EQ(Text(kSmtpServer), u"smtp.test");
  EXPECT_EQ(Text(kRecipient2), u"me@test");
  EXPECT_EQ(Text(kMailPassword), u"\u7300\u6500\u6300\u7200\u6500\u7400") << "never in clear";

  const MailForm shown = page.OnShowPage();
  EXPECT_EQ(shown.texts, form.texts);
  EXPECT_TRUE(shown.loginEnabled);
  EXPECT_FALSE(page.IsModified(shown, ui));
}

TEST_F(MailPageTest, EventMailNeedsTheRequiredFieldsInOrder) {
  MailForm form = Filled();
  form.popEnabled = true;
  form.texts = {};
  form[MailField::SmtpPort] = u"25";
  form[MailField::PopPort] = u"110";
  const auto focusAfterApply = [&] {
    EXPECT_FALSE(page.OnApply(form, ui));
    return ui.focus.back();
  };
  EXPECT_EQ(focusAfterApply(), MailField::SmtpServer);
  form[MailField::SmtpServer] = u"smtp.test";
  EXPECT_EQ(focusAfterApply(), MailField::PopServer);
  form[MailField::PopServer] = u"pop.test";
  EXPECT_EQ(focusAfterApply(), MailField::User);
  form[MailField::User] = u"u";
  EXPECT_EQ(focusAfterApply(), MailField::Password);
  form[MailField::Password] = u"p";
  EXPECT_EQ(focusAfterApply(), MailField::Sender);
  form[MailField::Sender] = u"pc@test";
  EXPECT_EQ(focusAfterApply(), MailField::Recipient1);
  EXPECT_EQ(ui.messages, std::vector<unsigned>(6, IDS_PLEASE_INPUT));
  EXPECT_FALSE(profile.HasValue(kSettingSection, kSmtpServer)) << "nothing stored";
  form[MailField::Recipient2] = u"me@test";
  EXPECT_TRUE(page.OnApply(form, ui));
}

TEST_F(MailPageTest, DisabledFieldsAreNotRequiredAndNoEventMailStoresAnything) {
  MailForm form = Filled();
  form.loginEnabled = false;
  form[MailField::User].clear();
  form[MailField::Password].clear();
  EXPECT_TRUE(page.ValidateInputs(form, ui));

  MailForm empty = page.OnShowPage();
  empty.texts = {};
  empty[MailField::SmtpPort] = u"25";
  EXPECT_TRUE(page.OnApply(empty, ui)) << "an empty disabled POP port is filled in";
  EXPECT_EQ(empty[MailField::PopPort], u"110");
  EXPECT_THAT(ui.messages, IsEmpty());
}

TEST_F(MailPageTest, EmptyPortsAreRefusedWhereTheyCount) {
  MailForm form = Filled();
  form[MailField::SmtpPort].clear();
  EXPECT_FALSE(page.OnApply(form, ui));
  EXPECT_THAT(ui.focus, ElementsAre(MailField::SmtpPort));
  form[MailField::SmtpPort] = u"25";
  form[MailField::PopPort].clear();
  form.popEnabled = true;
  EXPECT_FALSE(page.OnApply(form, ui));
  EXPECT_THAT(ui.focus, ElementsAre(MailField::SmtpPort, MailField::PopPort));
  EXPECT_TRUE(page.IsModified(form, ui)) << "an empty port field is an edit";
}

TEST_F(MailPageTest, APortThatIsNoNumberStopsTheReadingThere) {
  MailForm form = Filled();
  ASSERT_TRUE(page.OnApply(form, ui));
  form[MailField::SmtpPort] = u"2x5";
  form[MailField::Sender] = u"other@test";
  EXPECT_FALSE(page.OnApply(form, ui));
  EXPECT_THAT(ui.messages, ElementsAre(IDS_PARSE_POSITIVE_INTEGER));
  EXPECT_THAT(ui.focus, ElementsAre(MailField::SmtpPort));
  EXPECT_EQ(Text(kSenderAddress), u"pc@test") << "the fields after it keep their values";
}

TEST_F(MailPageTest, ClearEmptiesAndStoresAtOnceKeepingTheModes) {
  MailForm form = Filled();
  form.security = 1;
  ASSERT_TRUE(page.OnApply(form, ui));
  MailForm cleared = page.OnClear(form);
  ASSERT_TRUE(page.OnApply(cleared, ui));
  EXPECT_THAT(ui.messages, IsEmpty());
  EXPECT_EQ(Text(kSmtpServer), u"");
  EXPECT_EQ(Text(kMailPassword), u"");
  EXPECT_EQ(Stored(kSmtpPort), 25);
  EXPECT_EQ(Stored(kPopPort), 110);
  EXPECT_EQ(Stored(kTemperatureMail), 0);
  EXPECT_EQ(Stored(kMailAuth), 1);
  EXPECT_EQ(Stored(kMailSecurity), 1);
}

TEST_F(MailPageTest, AChangedPasswordAloneIsAnEdit) {
  MailForm form = Filled();
  ASSERT_TRUE(page.OnApply(form, ui));
  EXPECT_FALSE(page.IsModified(form, ui));
  form[MailField::Password] = u"secreT";
  EXPECT_TRUE(page.IsModified(form, ui));
  form[MailField::Password] = u"secret";
  form.healthMail = true;
  EXPECT_TRUE(page.IsModified(form, ui));
}

TEST_F(MailPageTest, TheTestMailNeedsTheFieldsButNotAnEventChoice) {
  MailForm form = Filled();
  form.temperatureMail = false;
  form[MailField::Sender].clear();
  EXPECT_FALSE(page.PrepareMailTest(form, ui));
  EXPECT_THAT(ui.focus, ElementsAre(MailField::Sender));
  EXPECT_FALSE(profile.HasValue(kSettingSection, kSmtpServer)) << "nothing stored";

  form[MailField::Sender] = u"pc@test";
  EXPECT_TRUE(page.PrepareMailTest(form, ui));
  EXPECT_EQ(Text(kSenderAddress), u"pc@test") << "applied before the mail";
}

TEST_F(MailPageTest, NoTestMailGoesWhenTheApplyRefusesThePage) {
  MailForm form = Filled();
  ASSERT_TRUE(page.OnApply(form, ui));
  form[MailField::SmtpServer] = u"new.test";
  form.popEnabled = true;
  form[MailField::PopServer] = u"pop.test";
  form[MailField::PopPort].clear();
  EXPECT_FALSE(page.PrepareMailTest(form, ui)) << "an empty POP port";
  form[MailField::PopPort] = u"1x0";
  EXPECT_FALSE(page.PrepareMailTest(form, ui)) << "a port that is no number";
  EXPECT_THAT(ui.messages, ElementsAre(IDS_PLEASE_INPUT, IDS_PARSE_POSITIVE_INTEGER))
      << "once each";
}

TEST_F(MailPageTest, ABoxWithoutSelectionKeepsItsStoredValue) {
  WriteSetting(profile, kMailSecurity, 7);
  MailForm form = page.OnShowPage();
  EXPECT_EQ(form.security, -1);
  ASSERT_TRUE(page.OnApply(form, ui));
  EXPECT_EQ(Stored(kMailSecurity), 7) << "never -1";
  EXPECT_FALSE(page.IsModified(form, ui)) << "the box shows what is stored";
  form.security = 2;
  ASSERT_TRUE(page.OnApply(form, ui));
  EXPECT_EQ(Stored(kMailSecurity), 2);
}

TEST_F(MailPageTest, AWebhookUrlIsStoredOnlyWhenItMayBeUsed) {
  MailForm form = Filled();
  form[MailField::WebhookUrl] = u"http://hooks.example.test/x";
  EXPECT_FALSE(page.OnApply(form, ui));
  EXPECT_THAT(ui.messages, ElementsAre(IDS_WEBHOOK_URL_REFUSED));
  EXPECT_THAT(ui.focus, ElementsAre(MailField::WebhookUrl));
  EXPECT_EQ(Text(kWebhookUrl), u"");
  EXPECT_EQ(Text(kSmtpServer), u"") << "nothing of the page is stored";

  form[MailField::WebhookUrl] = u"https://hooks.example.test/x";
  ASSERT_TRUE(page.OnApply(form, ui));
  EXPECT_EQ(Text(kWebhookUrl), u"https://hooks.example.test/x");
  EXPECT_FALSE(page.IsModified(page.OnShowPage(), ui));
}

TEST_F(MailPageTest, TheWebhookTestNeedsAUrlButNoMailSettings) {
  MailForm form = page.OnShowPage();
  EXPECT_FALSE(page.PrepareWebhookTest(form, ui));
  EXPECT_THAT(ui.messages, ElementsAre(IDS_PLEASE_INPUT));
  EXPECT_THAT(ui.focus, ElementsAre(MailField::WebhookUrl));

  form[MailField::WebhookUrl] = u"https://localhost:8443/hook";
  EXPECT_TRUE(page.PrepareWebhookTest(form, ui));
  EXPECT_EQ(Text(kWebhookUrl), u"https://localhost:8443/hook");
}

}  // namespace
}  // namespace monitor
