#include "service/win32/service_threads.h"

#include <memory>
#include <string>

#include "common/thrown.h"

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

DWORD ServiceThreads::EndedWith() const {
  for (HANDLE thread : threads_) {
    DWORD result = 0;
    if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &result) &&
        result != 0) {
      return result;
    }
  }
  return 0;
}

bool RunJob(const char* what, const std::function<void()>& job) {
  const auto failure = ardmon::WhatJobThrew(job);
  if (!failure) return true;
  OutputDebugStringA(
      (std::string("TempService: ") + what + " failed (" + *failure + "); going on\n").c_str());
  return false;
}

}  // namespace service
