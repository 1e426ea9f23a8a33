// The threads that serve while the service runs, beside ServiceMain's. Each
// watches the stop event; a stop is over only when every one of them has
// returned, so a thread that the service starts is started here.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace service {

class ServiceThreads {
 public:
  ServiceThreads() = default;
  ServiceThreads(const ServiceThreads&) = delete;
  ServiceThreads& operator=(const ServiceThreads&) = delete;
  ~ServiceThreads();

  // Runs `body` on a thread of its own; its result (a Win32 error code, 0
  // when it ended for the stop) becomes the service's exit code. False
  // with the last error set when the thread cannot be made.
  bool Start(std::function<DWORD()> body);
  // Waits until the stop event is signalled or a thread has ended on its
  // own, which ends the service too.
  void WaitForStop(HANDLE stopEvent) const;
  // Waits for every thread, calling `progress` after each `intervalMs`
  // that some are still running; returns the first nonzero result.
  DWORD Join(DWORD intervalMs, const std::function<void()>& progress) const;

 private:
  std::vector<HANDLE> threads_;
};

}  // namespace service
