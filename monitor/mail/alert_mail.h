// The alert mail: the event's text as the body of a mail composed from the
// stored mail settings, every mail with the application's title as its
// subject.
#pragma once

#include <string>

#include "monitor/clock.h"
#include "monitor/code_page.h"
#include "monitor/mail/mail_transport.h"
#include "monitor/mail/mail_types.h"
#include "monitor/mail/password_store.h"
#include "monitor/profile.h"

namespace monitor {

// Where a mail's settings and texts come from, read afresh for each mail.
struct MailSources {
  Profile& profile;
  PasswordCipher& cipher;
  const CodePage& codePage;  // names, addresses and the login
  Clock& clock;
  std::u16string title;
};

struct AlertMail {
  MailTransportSettings settings;
  MailMessageParts parts;
};

AlertMail ComposeAlertMail(const MailSources& sources, const std::u16string& text);

// Composes the mail and delivers it at once.
MailResult SendAlertMail(const MailSources& sources, MailTransport& transport,
                         const std::u16string& text);

}  // namespace monitor
