// One PipeMessage transaction with the temperature service: the monitor's
// only way to learn anything about the disks.
#pragma once

#include <cstdint>

#include "common/wire_records.h"

namespace monitor {

class ServiceChannel {
 public:
  virtual ~ServiceChannel() = default;
  // Sends the message and puts the reply into the same buffer; returns the
  // reply's Result, or 0 when the service could not be reached (the
  // message is then unchanged).
  virtual std::uint32_t Transact(ardmon::PipeMessage& message) = 0;
};

}  // namespace monitor
