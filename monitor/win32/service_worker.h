// The monitor's transactions with the service, away from the window's
// thread: the cycles' fetches and the filter registration, one at a time in
// the order asked. What they bring is posted to the main dialog.
#pragma once

#include <windows.h>

#include <memory>

#include "monitor/monitor_cycle.h"
#include "monitor/win32/posted.h"
#include "monitor/worker_thread.h"

namespace monitor {

struct FetchedCycle {
  CycleRequest request;
  std::unique_ptr<CycleRecords> records;
};

class ServiceWorker final : public CycleFetcher {
 public:
  // lParam: the FetchedCycle, for TakePosted.
  static constexpr UINT kCycleFetched = WM_APP + 10;
  // wParam: the service's answer, nonzero when the registration changed.
  static constexpr UINT kFilterRegistered = WM_APP + 11;

  explicit ServiceWorker(HWND window);
  ~ServiceWorker() override;

  void StartFetch(const CycleRequest& request) override;
  void RegisterFilter();
  // Ends the transaction under way at once, its pipe I/O cancelled, and
  // every later one before it starts: the program is ending.
  void CancelAll();

 private:
  HWND window_;
  // Manual-reset; shared with the jobs, which may outlive the worker.
  std::shared_ptr<void> cancel_;
  WorkerThread worker_;
};

}  // namespace monitor
