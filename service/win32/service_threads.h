// The threads that serve while the service runs, beside ServiceMain's. A
// stop does not wait for them: one may be inside a library call that hangs
// on a drive for minutes, so the process ends around them.
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
  // The first nonzero result of the threads that have ended, else 0.
  DWORD EndedWith() const;

 private:
  std::vector<HANDLE> threads_;
};

// Runs one job of a serving thread (a request, a scan). One that throws is
// told in the debug output as `what` failing, and the thread goes on with
// the next: false then.
bool RunJob(const char* what, const std::function<void()>& job);

}  // namespace service
