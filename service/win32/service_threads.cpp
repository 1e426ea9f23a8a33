#include "service/win32/service_threads.h"

#include <memory>

namespace service {
namespace {

DWORD WINAPI RunBody(void* context) {
  const std::unique_ptr<std::function<DWORD()>> body(static_cast<std::function<DWORD()>*>(context));
  return (*body)();
}

}  // namespace

ServiceThreads::~ServiceThreads() {
  for (HANDLE thread : threads_) CloseHandle(thread);
}

bool ServiceThreads::Start(std::function<DWORD()> body) {
  auto context = std::make_unique<std::function<DWORD()>>(std::move(body));
  const HANDLE thread = CreateThread(nullptr, 0, RunBody, context.get(), 0, nullptr);
  if (!thread) return false;
  context.release();  // the thread owns it now
  threads_.push_back(thread);
  return true;
}

void ServiceThreads::WaitForStop(HANDLE stopEvent) const {
  std::vector<HANDLE> waits = threads_;
  waits.insert(waits.begin(), stopEvent);
  WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
}

DWORD ServiceThreads::Join(DWORD intervalMs, const std::function<void()>& progress) const {
  while (WaitForMultipleObjects(static_cast<DWORD>(threads_.size()), threads_.data(), TRUE,
                                intervalMs) == WAIT_TIMEOUT) {
    progress();
  }
  for (HANDLE thread : threads_) {
    DWORD result = 0;
    if (GetExitCodeThread(thread, &result) && result != 0) return result;
  }
  return 0;
}

}  // namespace service
