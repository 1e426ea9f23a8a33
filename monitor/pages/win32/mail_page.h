// CMailDlg: the Mail page. Its edits take effect only through Apply, Clear
// Mail Test or Send test; the main dialog asks about unapplied edits when
// the user leaves. A test mail or webhook travels on its own thread; its
// result comes back as a message.
#pragma once

#include <windows.h>

#include "monitor/mail/win32/alert_mailer.h"
#include "monitor/mail/win32/alert_webhook.h"
#include "monitor/mail/win32/crypto_api_cipher.h"
#include "monitor/pages/mail_settings.h"
#include "monitor/pages/win32/page_view.h"

namespace monitor {

class CMailDlg final : public PageView, private MailUi {
 public:
  CMailDlg(CVormakApp& app, AlertMailer& mailer, AlertWebhook& webhook);

  // Reloads the controls from the stored values.
  void OnShowPage();
  void OnApply();
  bool IsModified();

  bool HasUnappliedEdits() override { return IsModified(); }
  void ApplyEdits() override { OnApply(); }
  void DiscardEdits() override { OnShowPage(); }

 private:
  void OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAuthSelChange();
  void OnClear();
  void OnMailTest();
  void OnWebhookTest();
  MailForm ReadForm() const;
  void WriteForm(const MailForm& form);
  void ShowMessage(unsigned stringId) override;
  void Focus(MailField field) override;

  CryptoApiCipher cipher_;
  MailPageCore core_;
  AlertMailer& mailer_;
  AlertWebhook& webhook_;
};

}  // namespace monitor
