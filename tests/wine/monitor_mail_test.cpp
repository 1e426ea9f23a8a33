// The Mail page and the alert mail of the real Ardmon.exe, against the
// loopback mail servers: a test mail from the page in every mode, the window
// answering while a server is slow, the question about unapplied edits, the
// one alert mail of a drive that runs hot and its webhook, and the webhook's
// test to a server that is verified and to one that is not.
#include "tests/wine/monitor_pages_fixture.h"

#include <windowsx.h>

#include "common/utf8.h"
#include "monitor/mail/mail_values.h"
#include "monitor/mail/webhook.h"
#include "monitor/mail/win32/crypto_api_cipher.h"
#include "monitor/win32/registry_profile.h"
#include "tests/wine/mail_servers.h"

namespace monitorgui {
namespace {

using monitor::kSettingSection;

class MonitorMail : public MonitorPages {
 protected:
  static void SetUpTestSuite() {
    MonitorPages::SetUpTestSuite();
    ASSERT_TRUE(mailtest::MailServers().TrustTestCa());
  }
  void SetUp() override {
    MonitorPages::SetUp();
    ASSERT_TRUE(servers_.ok()) << "no mail servers; ARDMON_MAIL_SERVERS names their folder";
  }

  static monitor::RegistryProfile Profile() {
    const std::wstring title = Text(IDS_APP_TITLE);
    return monitor::RegistryProfile(u"Halvane", std::u16string(title.begin(), title.end()));
  }
  // Mail settings stored as the page would store them.
  void StoreMailSettings(const std::string& smtp) {
    monitor::RegistryProfile profile = Profile();
    monitor::WriteText(profile, monitor::kSmtpServer, u"localhost");
    monitor::WriteSetting(profile, monitor::kSmtpPort, servers_.Port(smtp));
    monitor::WriteText(profile, monitor::kSenderAddress, u"pc@example.test");
    monitor::WriteText(profile, monitor::kRecipient1, u"me@example.test");
    monitor::StorePassword(profile, cipher_, u"s3cret");
  }

  void Choose(int id, int index) const {
    const HWND box = GetDlgItem(PageWith(id), id);
    SendBounded(box, CB_SETCURSEL, index, 0);
    PostMessageW(PageWith(id), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
  }
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(PageWith(id), id)) != FALSE; }

  // Fills the page for SMTP AUTH over STARTTLS to a server of the test run.
  void FillPage(const std::string& smtp) const {
    Choose(IDC_MAIL_AUTH, 1);
    Choose(IDC_MAIL_SECURITY, 2);
    SetItemText(IDC_SMTP_SERVER, L"localhost");
    SetItemText(IDC_SMTP_PORT, std::to_wstring(servers_.Port(smtp)).c_str());
    SetItemText(IDC_MAIL_USER, L"alert");
    SetItemText(IDC_MAIL_PASSWORD, L"s3cret");
    SetItemText(IDC_SENDER_ADDRESS, L"pc@example.test");
    SetItemText(IDC_RECIPIENT1, L"me@example.test");
  }

  // The answer to a test mail: the box saying how it went, dismissed.
  std::wstring MailTestAnswer(DWORD timeoutMs) const {
    const std::optional<MessageBoxView> box = WaitForBox(L"", timeoutMs);
    if (!box) return L"no answer";
    Answer(box->window, IDOK);
    WaitUntil([&] { return Boxes().empty(); }, kReactMs);
    return box->text;
  }

  std::wstring WebhookUrl(const std::string& server) const {
    return L"https://localhost:" + std::to_wstring(servers_.Port(server)) + L"/hook";
  }
  void StoreWebhookUrl(const std::string& server) const {
    monitor::RegistryProfile profile = Profile();
    const std::wstring url = WebhookUrl(server);
    monitor::WriteText(profile, monitor::kWebhookUrl, std::u16string(url.begin(), url.end()));
  }

  mailtest::MailServers servers_;
  monitor::CryptoApiCipher cipher_;
};

TEST_F(MonitorMail, EveryModeOfThePageDeliversATestMail) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  EXPECT_EQ(ItemText(IDC_SMTP_PORT), L"25");
  EXPECT_EQ(ItemText(IDC_POP_PORT), L"110");
  EXPECT_FALSE(Enabled(IDC_MAIL_USER)) << "no login without authentication";
  FillPage("smtp");
  EXPECT_TRUE(WaitUntil([&] { return Enabled(IDC_MAIL_USER); }, kReactMs));
  EXPECT_FALSE(Enabled(IDC_POP_SERVER));
  ShootWindow("page_mail");

  struct Mode {
    int auth, security;
    const char* smtp;
    const char* pop;
  };
  // "-", "SMTP AUTH", "POP Before SMTP"; "-", "SMTP over SSL", "STARTTLS".
  for (const Mode& mode :
       {Mode{1, 2, "smtp", "pop3"}, Mode{0, 0, "smtp", "pop3"}, Mode{1, 1, "smtps", "pop3"},
        Mode{2, 0, "smtp", "pop3"}, Mode{2, 1, "smtps", "pop3s"}}) {
    SCOPED_TRACE(std::to_string(mode.auth) + "/" + std::to_string(mode.security));
    Choose(IDC_MAIL_AUTH, mode.auth);
    Choose(IDC_MAIL_SECURITY, mode.security);
    SetItemText(IDC_SMTP_PORT, std::to_wstring(servers_.Port(mode.smtp)).c_str());
    if (mode.auth == 2) {
      ASSERT_TRUE(WaitUntil([&] { return Enabled(IDC_POP_SERVER); }, kReactMs));
      SetItemText(IDC_POP_SERVER, L"localhost");
      SetItemText(IDC_POP_PORT, std::to_wstring(servers_.Port(mode.pop)).c_str());
    }
    const std::size_t before = servers_.Mails(mode.smtp).size();
    const std::size_t loginsBefore = servers_.Logins(mode.smtp).size();
    const int popLoginsBefore = servers_.PopLoginLines();
    Click(IDC_MAIL_TEST);
    EXPECT_EQ(MailTestAnswer(10000), Text(IDS_MAIL_SENT));
    const auto mails = servers_.Mails(mode.smtp);
    ASSERT_EQ(mails.size(), before + 1);
    EXPECT_EQ(mails.back()["body"], "TestMail\n");
    EXPECT_EQ(mails.back()["rcpt_tos"], mailtest::json::array({"me@example.test"}));
    EXPECT_EQ(servers_.Logins(mode.smtp).size(), loginsBefore + (mode.auth == 1 ? 1 : 0));
    EXPECT_EQ(servers_.PopLoginLines() > popLoginsBefore, mode.auth == 2);
    EXPECT_EQ(profile_.ReadInt(L"SSLTLS"), static_cast<unsigned>(mode.security))
        << "applied before the mail";
    EXPECT_TRUE(Enabled(IDC_MAIL_TEST));
  }
}

TEST_F(MonitorMail, TheWindowAnswersWhileTheServerIsSlowToGreet) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  FillPage("slow");
  Choose(IDC_MAIL_SECURITY, 0);
  Click(IDC_MAIL_TEST);
  ASSERT_TRUE(WaitUntil([&] { return !Enabled(IDC_MAIL_TEST); }, kReactMs))
      << "one test mail at a time";
  // The server greets after 5 seconds; meanwhile the window answers at once.
  for (int probe = 0; probe < 6; ++probe) {
    DWORD_PTR result = 0;
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result));
    EXPECT_LT(GetTickCount64() - start, 500u);
    Sleep(500);
  }
  EXPECT_TRUE(Boxes().empty()) << "the mail is still under way";
  EXPECT_EQ(MailTestAnswer(15000), Text(IDS_MAIL_SENT));
  EXPECT_TRUE(Enabled(IDC_MAIL_TEST));
}

// A mode the page does not know shows as no selection, is kept as it is
// and refused at the mail; a refused apply sends nothing at all.
TEST_F(MonitorMail, NoTestMailGoesWithAnUnknownModeOrARefusedApply) {
  StoreMailSettings("smtp");
  profile_.WriteInt(L"SSLTLS", 7);
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  EXPECT_EQ(
      SendBounded(GetDlgItem(PageWith(IDC_MAIL_SECURITY), IDC_MAIL_SECURITY), CB_GETCURSEL, 0, 0),
      CB_ERR);
  const std::size_t mails = servers_.Mails("smtp").size();
  Click(IDC_MAIL_TEST);
  EXPECT_EQ(MailTestAnswer(10000), Text(IDS_MAIL_SEND_FAILED));
  EXPECT_EQ(profile_.ReadInt(L"SSLTLS"), 7u) << "never -1";

  Choose(IDC_MAIL_SECURITY, 0);
  SetItemText(IDC_SMTP_PORT, L"");
  Click(IDC_MAIL_TEST);
  EXPECT_EQ(MailTestAnswer(kReactMs), Text(IDS_PLEASE_INPUT));
  Sleep(500);
  EXPECT_TRUE(Boxes().empty()) << "no mail, no answer";
  EXPECT_EQ(servers_.Mails("smtp").size(), mails);
  EXPECT_EQ(profile_.ReadInt(L"SSLTLS"), 7u) << "nothing stored";
}

// Leaving the tab is the main dialog's rule; what is the page's own is that
// a password-only edit counts, Yes stores it encrypted, and hiding the
// window reloads the stored one.
TEST_F(MonitorMail, LeavingTheMailTabAfterAPasswordEditAsksToApplyIt) {
  StoreMailSettings("smtp");
  profile_.WriteInt(L"MAILAUTH", 1);
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  EXPECT_EQ(ItemText(IDC_MAIL_PASSWORD), L"s3cret") << "decrypted for the page";
  SetItemText(IDC_MAIL_PASSWORD, L"changed");
  ClickTab(kLogTab);
  const std::optional<MessageBoxView> box = WaitForBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, Text(IDS_APPLY_QUESTION));
  Answer(box->window, IDYES);
  monitor::RegistryProfile profile = Profile();
  EXPECT_TRUE(WaitUntil([&] { return monitor::ReadStoredPassword(profile, cipher_) == u"changed"; },
                        kReactMs));

  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  SetItemText(IDC_MAIL_PASSWORD, L"dropped");
  PostMessageW(window_, WM_COMMAND, IDCANCEL, 0);
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(IDC_MAIL_PASSWORD) == L"changed"; }, kReactMs));
}

TEST_F(MonitorMail, AHotDriveSendsOneAlertMailAndItsWebhook) {
  StoreMailSettings("smtp");
  profile_.WriteInt(L"TEMPMAIL", 1);
  StoreWebhookUrl("https");
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  const std::size_t before = servers_.Mails("smtp").size();
  const std::size_t postsBefore = servers_.Webhooks("https").size();
  Heat(0, 60);
  const std::optional<MessageBoxView> box = WaitForBox(L"", 4 * kCycleMs);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, Text(IDS_OVER_TEMPERATURE));
  EXPECT_TRUE(WaitUntil([&] { return servers_.Mails("smtp").size() > before; }, 10000));
  Sleep(3000);  // three more cycles at 60 degrees: no more mail
  const auto mails = servers_.Mails("smtp");
  ASSERT_EQ(mails.size(), before + 1);
  const std::wstring text =
      std::wstring(kDemo[0].letters) + kDemo[0].model + Text(IDS_OVER_TEMPERATURE);
  EXPECT_EQ(mails.back()["body"],
            ardmon::Utf8FromUtf16(std::u16string(text.begin(), text.end())) + "\n");
  EXPECT_EQ(mails.back()["date_utcoffset_minutes"], mailtest::ZoneOffsetMinutes());

  const auto posts = servers_.Webhooks("https");
  ASSERT_EQ(posts.size(), postsBefore + 1);
  const mailtest::json event = mailtest::json::parse(posts.back()["body"].get<std::string>());
  EXPECT_EQ(posts.back()["content_type"], "application/json; charset=utf-8");
  EXPECT_EQ(event["event"], "temperature");
  EXPECT_EQ(event["text"], ardmon::Utf8FromUtf16(std::u16string(text.begin(), text.end())));
  const std::wstring letters = kDemo[0].letters, model = kDemo[0].model;
  EXPECT_EQ(event["drive"], std::string(letters.begin(), letters.end()));
  EXPECT_EQ(event["model"], std::string(model.begin(), model.end()));
  EXPECT_FALSE(event["serial"].get<std::string>().empty());
  EXPECT_FALSE(event["computer"].get<std::string>().empty());
  Answer(box->window, IDOK);
}

// A count that rises is an event of its own, mailed and posted, though the
// drive's health (Caution since its first 8 sectors) does not change.
TEST_F(MonitorMail, ARisingCountIsMailedAndPosted) {
  StoreMailSettings("smtp");
  profile_.WriteInt(L"HEALTHMAIL", 1);
  StoreWebhookUrl("https");
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  const std::size_t before = servers_.Mails("smtp").size();
  const std::size_t postsBefore = servers_.Webhooks("https").size();
  machine_.Change([](disklib::sim::Fixture& f) { disklib::sim::SetReallocatedSectors(f, 1, 16); });
  ASSERT_TRUE(WaitUntil(
      [&] {
        return servers_.Webhooks("https").size() > postsBefore &&
               servers_.Mails("smtp").size() > before;
      },
      10000));
  const auto mails = servers_.Mails("smtp");
  ASSERT_EQ(mails.size(), before + 1);
  EXPECT_NE(mails.back()["body"].get<std::string>().find("8 -> 16"), std::string::npos);
  const mailtest::json event =
      mailtest::json::parse(servers_.Webhooks("https").back()["body"].get<std::string>());
  EXPECT_EQ(event["event"], "count");
  EXPECT_NE(event["text"].get<std::string>().find("8 -> 16"), std::string::npos);
}

// WinHTTP verifies the server before the request goes: a certificate for
// another host name gets no request at all.
TEST_F(MonitorMail, SendTestPostsOnlyToAServerItVerified) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  const std::size_t before = servers_.Webhooks("https").size();
  SetItemText(IDC_WEBHOOK_URL, WebhookUrl("https").c_str());
  Click(IDC_WEBHOOK_TEST);
  EXPECT_EQ(MailTestAnswer(20000), Text(IDS_WEBHOOK_SENT));
  const auto posts = servers_.Webhooks("https");
  ASSERT_EQ(posts.size(), before + 1);
  EXPECT_EQ(posts.back()["path"], "/hook");
  const mailtest::json event = mailtest::json::parse(posts.back()["body"].get<std::string>());
  EXPECT_EQ(event["event"], "test");
  EXPECT_EQ(event["text"], "TestMail");
  EXPECT_EQ(event["time"].get<std::string>().size(), 25u) << event["time"];
  EXPECT_TRUE(Enabled(IDC_WEBHOOK_TEST));

  SetItemText(IDC_WEBHOOK_URL, (WebhookUrl("https") + L"?ntfy").c_str());
  Click(IDC_WEBHOOK_TEST);
  EXPECT_EQ(MailTestAnswer(20000), Text(IDS_WEBHOOK_SENT));
  const auto ntfy = servers_.Webhooks("https");
  ASSERT_EQ(ntfy.size(), before + 2);
  EXPECT_EQ(ntfy.back()["path"], "/hook") << "without the suffix";
  EXPECT_EQ(ntfy.back()["body"], "TestMail");
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(computer, &size));
  const std::wstring title = Text(IDS_APP_TITLE) + L" - " + computer;
  EXPECT_EQ(ntfy.back()["title"],
            monitor::EncodedHeaderText(std::u16string(title.begin(), title.end())));

  SetItemText(IDC_WEBHOOK_URL, WebhookUrl("https_other").c_str());
  Click(IDC_WEBHOOK_TEST);
  EXPECT_EQ(MailTestAnswer(35000), Text(IDS_WEBHOOK_FAILED));
  EXPECT_TRUE(servers_.Webhooks("https_other").empty());
  EXPECT_EQ(servers_.Webhooks("https").size(), before + 2);

  // A redirect would take the event where the user did not send it.
  std::wstring moved = WebhookUrl("https");
  moved.replace(moved.rfind(L"/hook"), 5, L"/moved");
  SetItemText(IDC_WEBHOOK_URL, moved.c_str());
  Click(IDC_WEBHOOK_TEST);
  EXPECT_EQ(MailTestAnswer(20000), Text(IDS_WEBHOOK_REFUSED));
  const auto redirected = servers_.Webhooks("https");
  ASSERT_EQ(redirected.size(), before + 3) << "the redirect was followed";
  EXPECT_EQ(redirected.back()["path"], "/moved");
}

// The server takes the request and does not answer: the window goes on,
// and the test gives up at the deadline, with no time left for a retry.
TEST_F(MonitorMail, AWebhookThatGetsNoAnswerEndsAtItsDeadline) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  SetItemText(IDC_WEBHOOK_URL, WebhookUrl("https_silent").c_str());
  const ULONGLONG start = GetTickCount64();
  Click(IDC_WEBHOOK_TEST);
  ASSERT_TRUE(WaitUntil([&] { return !servers_.Webhooks("https_silent").empty(); }, 10000));
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result));
  EXPECT_EQ(MailTestAnswer(25000), Text(IDS_WEBHOOK_FAILED));
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_GE(took, 14000u);
  EXPECT_LT(took, 20000u);
  EXPECT_EQ(servers_.Webhooks("https_silent").size(), 1u) << "no retry";
}

TEST_F(MonitorMail, TheMailPageInTheUsersLanguage) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kMailTab));
  Choose(IDC_MAIL_AUTH, 2);
  EXPECT_TRUE(WaitUntil([&] { return Enabled(IDC_POP_SERVER); }, kReactMs));
  const HWND auth = GetDlgItem(PageWith(IDC_MAIL_AUTH), IDC_MAIL_AUTH);
  EXPECT_EQ(SendBounded(auth, CB_GETCOUNT, 0, 0), 3);
  ShootWindow(ardmon::UserLanguage() == ardmon::Language::Japanese ? "page_mail_ja"
                                                                   : "page_mail_en");
}

}  // namespace
}  // namespace monitorgui
