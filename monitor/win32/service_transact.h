#pragma once

#include <cstdint>

#include "common/wire_records.h"
#include "monitor/service_channel.h"

namespace monitor {

// One transaction over "\\.\pipe\GetTemp": returns the reply's Result, or
// 0 when the pipe could not be opened in 16 attempts 100 ms apart or the
// exchange did not end within its bound (the message is then unchanged).
std::uint32_t ServiceTransact(ardmon::PipeMessage* message);

class PipeServiceChannel : public ServiceChannel {
 public:
  std::uint32_t Transact(ardmon::PipeMessage& message) override {
    return ServiceTransact(&message);
  }
};

}  // namespace monitor
