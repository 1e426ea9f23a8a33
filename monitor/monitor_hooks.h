// What the monitoring cycle calls in the parts around it: the log, the
// alert mail and its webhook, the graph, the pages, the tray icons and the warning box.
// Each does nothing until its part is built.
#pragma once

#include <string>

#include "monitor/mail/webhook.h"

namespace monitor {

class MonitorHooks {
 public:
  virtual ~MonitorHooks() = default;
  virtual void AddLogEntry(const std::u16string& /*text*/) {}
  virtual void SendAlertMail(const std::u16string& /*text*/) {}
  // Beside each mail; the time and the computer are left to fill in.
  virtual void PostWebhook(const WebhookEvent& /*event*/) {}
  virtual void AddGraphSample(int /*intervalMinutes*/) {}
  virtual void ClearGraphSlot(int /*slot*/) {}
  virtual void RefreshDriveInfo() {}
  virtual void RefreshSmartList() {}
  virtual void InvalidateDialog() {}
  virtual void UpdateTrayIcons(bool /*show*/) {}
  // Whether the drive list shows values the service has just given, or the
  // last ones it gave before it stopped answering.
  virtual void ShowValuesCurrent(bool /*current*/) {}
  // The modal temperature warning; returns when the user closes it.
  virtual void ShowWarningBox() {}
};

}  // namespace monitor
