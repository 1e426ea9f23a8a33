#pragma once

#include "common/disk_library.h"
#include "monitor/service_channel.h"

namespace monitor {

// The service's dispatch called directly, for tests that run the monitor's
// logic without a pipe. Copying the message in and out keeps the client's
// and the service's buffers apart, as over the pipe. The caller counts as
// an administrator, whose monitor may register the filter.
class InProcessChannel : public ServiceChannel {
 public:
  explicit InProcessChannel(ardmon::DiskLibrary& library) : library_(library) {}
  std::uint32_t Transact(ardmon::PipeMessage& message) override;

 private:
  ardmon::DiskLibrary& library_;
};

}  // namespace monitor
