// CVormakApp: the monitor as one resident process: a single copy, after the
// service is up, running the main dialog for its whole life.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "monitor/slot_table.h"
#include "monitor/win32/registry_profile.h"
#include "monitor/win32/service_transact.h"
#include "monitor/win32/system_clock.h"
#include "resources/win32/resource_language.h"

namespace monitor {

class CVormakApp {
 public:
  explicit CVormakApp(HINSTANCE instance);
  CVormakApp(const CVormakApp&) = delete;
  CVormakApp& operator=(const CVormakApp&) = delete;
  ~CVormakApp();

  // The process's life; returns the exit code.
  int Run();

  HINSTANCE instance() const { return instance_; }
  ardmon::Language language() const { return language_; }
  const ardmon::Strings& strings() const { return strings_; }
  std::u16string title() const;
  Profile& profile() { return *profile_; }
  ServiceChannel& channel() { return channel_; }
  Clock& clock() { return clock_; }

  // The slot table, for the life of the process.
  SlotTable slots;

 private:
  bool IsSecondCopy();
  bool RegisterDialogClass();
  bool WaitForService();
  void SetRegistryKey(const std::u16string& company);

  HINSTANCE instance_;
  ardmon::Language language_;
  ardmon::ResourceStrings strings_;
  HANDLE instanceMutex_ = nullptr;
  std::unique_ptr<RegistryProfile> profile_;
  PipeServiceChannel channel_;
  SystemClock clock_;
};

// A message box with the application title as caption.
int ShowMessage(HWND owner, const CVormakApp& app, unsigned stringId, UINT buttons);

}  // namespace monitor
