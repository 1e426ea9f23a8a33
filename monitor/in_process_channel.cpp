#include "monitor/in_process_channel.h"

#include "service/dispatch.h"

namespace monitor {

std::uint32_t InProcessChannel::Transact(ardmon::PipeMessage& message) {
  ardmon::PipeMessage served = message;
  service::DispatchRequest(library_, served, service::Caller::Administrator);
  message = served;
  return message.Result;
}

}  // namespace monitor
