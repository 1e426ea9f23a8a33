#include "monitor/mail/mail_queue.h"

#include <utility>

#include "monitor/mail/wipe.h"

namespace monitor {

MailQueue::MailQueue(Deliver deliver) : deliver_(std::move(deliver)) {}

// The worker, ended after this, drops the mails not started and waits for
// the one under way; at the end of the program no one is left to hear of it.
MailQueue::~MailQueue() {
  *ended_ = true;
}

void MailQueue::Send(AlertMail mail, Done done) {
  worker_.Post([deliver = deliver_, ended = ended_, mail = std::move(mail),
                done = std::move(done)]() mutable {
    const MailResult result = deliver(mail);
    Wipe(mail.settings.password);
    if (done && !*ended) done(result);
  });
}

}  // namespace monitor
