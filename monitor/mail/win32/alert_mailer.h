// The monitor's alert mail on Windows: composed on the caller's thread
// from the stored settings, delivered over Winsock and Schannel on the one
// mail thread.
#pragma once

#include <string>

#include "monitor/mail/alert_mail.h"
#include "monitor/mail/mail_queue.h"
#include "monitor/mail/win32/crypto_api_cipher.h"
#include "monitor/win32/ansi_code_page.h"

namespace monitor {

// One mail over a fresh socket library, as every mail has its own.
MailResult DeliverOverWinsock(const AlertMail& mail);

class AlertMailer {
 public:
  AlertMailer(Profile& profile, Clock& clock, std::u16string title);

  // Composes the mail now and queues it; `done` hears the result on the
  // mail thread.
  void Send(const std::u16string& text, MailQueue::Done done = nullptr);

 private:
  CryptoApiCipher cipher_;
  AnsiCodePage codePage_;
  MailSources sources_;
  MailQueue queue_;
};

}  // namespace monitor
