#include "monitor/pages/win32/mail_page.h"

#include <windowsx.h>

#include <array>

#include "common/win32/wide_text.h"
#include "monitor/win32/app.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

constexpr UINT kMailResultMessage = WM_APP + 2;
constexpr UINT kWebhookResultMessage = WM_APP + 3;

// The edits of the text fields, in MailField order.
constexpr std::array<int, kMailFieldCount> kFieldEdits = {
    IDC_SMTP_SERVER, IDC_POP_SERVER,     IDC_SMTP_PORT, IDC_POP_PORT,      IDC_RECIPIENT1,
    IDC_RECIPIENT2,  IDC_SENDER_ADDRESS, IDC_MAIL_USER, IDC_MAIL_PASSWORD, IDC_WEBHOOK_URL};

constexpr std::array<unsigned, 3> kAuthEntries = {IDS_MAIL_CHOICE_NONE, IDS_MAIL_CHOICE_SMTP_AUTH,
                                                  IDS_MAIL_CHOICE_POP_BEFORE_SMTP};
constexpr std::array<unsigned, 3> kSecurityEntries = {
    IDS_MAIL_CHOICE_NONE, IDS_MAIL_CHOICE_SMTP_OVER_SSL, IDS_MAIL_CHOICE_STARTTLS};

unsigned WebhookMessage(WebhookResult result) {
  switch (result) {
    case WebhookResult::Sent:
      return IDS_WEBHOOK_SENT;
    case WebhookResult::Refused:
      return IDS_WEBHOOK_REFUSED;
    default:
      return IDS_WEBHOOK_FAILED;
  }
}

int EditLimit(MailField field) {
  if (field == MailField::SmtpPort || field == MailField::PopPort) return kMailPortLimit;
  return field == MailField::WebhookUrl ? kWebhookUrlLimit : kMailTextLimit;
}

int EditOf(MailField field) {
  return kFieldEdits[static_cast<int>(field)];
}

}  // namespace

CMailDlg::CMailDlg(CVormakApp& app, AlertMailer& mailer, AlertWebhook& webhook)
    : PageView(app, IDD_PAGE_MAIL),
      core_(app.profile(), cipher_),
      mailer_(mailer),
      webhook_(webhook) {}

void CMailDlg::OnInitDialog() {
  for (unsigned entry : kAuthEntries) {
    ComboBox_AddString(Item(IDC_MAIL_AUTH), ardmon::Wide(app_.strings().Get(entry)).c_str());
  }
  for (unsigned entry : kSecurityEntries) {
    ComboBox_AddString(Item(IDC_MAIL_SECURITY), ardmon::Wide(app_.strings().Get(entry)).c_str());
  }
  for (int i = 0; i < kMailFieldCount; ++i) {
    Edit_LimitText(Item(kFieldEdits[i]), EditLimit(static_cast<MailField>(i)));
  }
}

std::optional<LRESULT> CMailDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam) OnShowPage();
      break;  // the default handling still runs
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_MAIL_AUTH && HIWORD(wParam) == CBN_SELCHANGE) {
        OnAuthSelChange();
        return 0;
      }
      if (HIWORD(wParam) != BN_CLICKED) break;
      switch (LOWORD(wParam)) {
        case IDC_APPLY:
          OnApply();
          return 0;
        case IDC_CLEAR:
          OnClear();
          return 0;
        case IDC_MAIL_TEST:
          OnMailTest();
          return 0;
        case IDC_WEBHOOK_TEST:
          OnWebhookTest();
          return 0;
        default:
          break;
      }
      break;
    case kMailResultMessage:
      EnableWindow(Item(IDC_MAIL_TEST), TRUE);
      ShowMessage(static_cast<unsigned>(wParam));
      return 0;
    case kWebhookResultMessage:
      EnableWindow(Item(IDC_WEBHOOK_TEST), TRUE);
      ShowMessage(WebhookMessage(static_cast<WebhookResult>(wParam)));
      return 0;
    default:
      break;
  }
  return std::nullopt;
}

void CMailDlg::OnShowPage() {
  WriteForm(core_.OnShowPage());
  OnAuthSelChange();
}

void CMailDlg::OnAuthSelChange() {
  const std::optional<MailFieldEnables> enables =
      EnablesForAuth(ComboBox_GetCurSel(Item(IDC_MAIL_AUTH)));
  if (!enables) return;
  EnableWindow(Item(IDC_POP_SERVER), enables->pop);
  EnableWindow(Item(IDC_POP_PORT), enables->pop);
  EnableWindow(Item(IDC_MAIL_USER), enables->login);
  EnableWindow(Item(IDC_MAIL_PASSWORD), enables->login);
}

void CMailDlg::OnApply() {
  MailForm form = ReadForm();
  const std::u16string popPort = form[MailField::PopPort];
  core_.OnApply(form, *this);
  if (form[MailField::PopPort] != popPort) SetItemText(IDC_POP_PORT, form[MailField::PopPort]);
}

void CMailDlg::OnClear() {
  WriteForm(core_.OnClear(ReadForm()));
  OnApply();
}

// The button waits for the mail it sent, so that one test is under way at
// a time.
void CMailDlg::OnMailTest() {
  MailForm form = ReadForm();
  if (!core_.PrepareMailTest(form, *this)) return;
  SetItemText(IDC_POP_PORT, form[MailField::PopPort]);
  EnableWindow(Item(IDC_MAIL_TEST), FALSE);
  const HWND page = hwnd();
  mailer_.Send(app_.strings().Get(IDS_TEST_MAIL),
               [page](MailResult result) { PostMessageW(page, kMailResultMessage, result, 0); });
}

// As the test mail: one test under way at a time, with the stored URL.
void CMailDlg::OnWebhookTest() {
  MailForm form = ReadForm();
  if (!core_.PrepareWebhookTest(form, *this)) return;
  SetItemText(IDC_POP_PORT, form[MailField::PopPort]);
  WebhookEvent event;
  event.event = u"test";
  event.text = app_.strings().Get(IDS_TEST_MAIL);
  const HWND page = hwnd();
  EnableWindow(Item(IDC_WEBHOOK_TEST), FALSE);
  const bool sent = webhook_.Send(std::move(event), [page](WebhookResult result) {
    PostMessageW(page, kWebhookResultMessage, static_cast<WPARAM>(result), 0);
  });
  if (!sent) EnableWindow(Item(IDC_WEBHOOK_TEST), TRUE);
}

bool CMailDlg::IsModified() {
  return core_.IsModified(ReadForm(), *this);
}

MailForm CMailDlg::ReadForm() const {
  MailForm form;
  for (int i = 0; i < kMailFieldCount; ++i) form.texts[i] = ItemText(kFieldEdits[i]);
  form.auth = ComboBox_GetCurSel(Item(IDC_MAIL_AUTH));
  form.security = ComboBox_GetCurSel(Item(IDC_MAIL_SECURITY));
  form.temperatureMail = Checked(IDC_TEMPERATURE_MAIL);
  form.healthMail = Checked(IDC_HEALTH_MAIL);
  form.popEnabled = IsWindowEnabled(Item(IDC_POP_SERVER)) != FALSE;
  form.loginEnabled = IsWindowEnabled(Item(IDC_MAIL_USER)) != FALSE;
  return form;
}

void CMailDlg::WriteForm(const MailForm& form) {
  for (int i = 0; i < kMailFieldCount; ++i) SetItemText(kFieldEdits[i], form.texts[i]);
  ComboBox_SetCurSel(Item(IDC_MAIL_AUTH), form.auth);
  ComboBox_SetCurSel(Item(IDC_MAIL_SECURITY), form.security);
  SetChecked(IDC_TEMPERATURE_MAIL, form.temperatureMail);
  SetChecked(IDC_HEALTH_MAIL, form.healthMail);
}

void CMailDlg::ShowMessage(unsigned stringId) {
  monitor::ShowMessage(hwnd(), app_, stringId, MB_OK);
}

void CMailDlg::Focus(MailField field) {
  SetFocus(Item(EditOf(field)));
}

}  // namespace monitor
