#include "monitor/win32/service_worker.h"

#include "monitor/win32/service_transact.h"

namespace monitor {

ServiceWorker::ServiceWorker(HWND window)
    : window_(window), cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr), CloseHandle) {}

ServiceWorker::~ServiceWorker() {
  CancelAll();
}

void ServiceWorker::CancelAll() {
  if (cancel_.get()) SetEvent(cancel_.get());
}

void ServiceWorker::StartFetch(const CycleRequest& request) {
  worker_.Post([request, window = window_, cancel = cancel_] {
    const auto post = [&](std::unique_ptr<CycleRecords> records) {
      PostOwned(window, kCycleFetched,
                std::make_unique<FetchedCycle>(FetchedCycle{request, std::move(records)}));
    };
    PipeServiceChannel channel(cancel.get());
    std::unique_ptr<CycleRecords> records;
    try {
      records = FetchCycleRecords(request, channel);
    } catch (...) {
      // The cycle still ends, as one the service did not answer: without
      // its message the window would wait for it, and monitor no more. The
      // worker reports what was thrown.
      post(nullptr);
      throw;
    }
    post(std::move(records));
  });
}

void ServiceWorker::RegisterFilter() {
  worker_.Post([window = window_, cancel = cancel_] {
    ardmon::PipeMessage message{};
    message.Command = static_cast<std::uint32_t>(ardmon::PipeCommand::AddFilterSil);
    PostMessageW(window, kFilterRegistered, ServiceTransact(&message, cancel.get()), 0);
  });
}

}  // namespace monitor
