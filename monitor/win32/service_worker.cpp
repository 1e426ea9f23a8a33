#include "monitor/win32/service_worker.h"

#include "monitor/win32/service_transact.h"

namespace monitor {

void ServiceWorker::StartFetch(const CycleRequest& request) {
  worker_.Post([request, window = window_] {
    PipeServiceChannel channel;
    PostOwned(
        window, kCycleFetched,
        std::make_unique<FetchedCycle>(FetchedCycle{request, FetchCycleRecords(request, channel)}));
  });
}

void ServiceWorker::RegisterFilter() {
  worker_.Post([window = window_] {
    ardmon::PipeMessage message{};
    message.Command = static_cast<std::uint32_t>(ardmon::PipeCommand::AddFilterSil);
    PostMessageW(window, kFilterRegistered, ServiceTransact(&message), 0);
  });
}

}  // namespace monitor
