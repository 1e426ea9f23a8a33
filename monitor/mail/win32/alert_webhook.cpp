#include "monitor/mail/win32/alert_webhook.h"

#include <windows.h>

#include "monitor/mail/win32/winhttp_sender.h"

namespace monitor {
namespace {

std::u16string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return u"";
  return std::u16string(name, name + size);
}

}  // namespace

AlertWebhook::AlertWebhook(Profile& profile, Clock& clock, std::u16string title)
    : profile_(profile),
      clock_(clock),
      title_(std::move(title)),
      computer_(ComputerName()),
      queue_(std::make_unique<WinHttpSender>()) {}

bool AlertWebhook::Send(WebhookEvent event, WebhookQueue::Done done) {
  std::optional<WebhookRequest> request =
      ComposeAlertWebhook(profile_, clock_, computer_, title_, std::move(event));
  if (!request) return false;
  queue_.Send(std::move(*request), std::move(done));
  return true;
}

}  // namespace monitor
