#include "monitor/mail/win32/alert_mailer.h"

#include "monitor/mail/deliver_mail.h"
#include "monitor/mail/win32/winsock_transport.h"

namespace monitor {

MailResult DeliverOverWinsock(const AlertMail& mail) {
  WinsockTransport transport;
  if (!transport.started()) return kSendingFailed;
  return DeliverMail(transport, mail.settings, mail.parts);
}

AlertMailer::AlertMailer(Profile& profile, Clock& clock, std::u16string title)
    : sources_{profile, cipher_, codePage_, clock, std::move(title)}, queue_(DeliverOverWinsock) {}

void AlertMailer::Send(const std::u16string& text, MailQueue::Done done) {
  queue_.Send(ComposeAlertMail(sources_, text), std::move(done));
}

}  // namespace monitor
