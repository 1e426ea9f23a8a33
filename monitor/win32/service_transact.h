#pragma once

#include <windows.h>

#include <cstdint>

#include "common/wire_records.h"
#include "monitor/service_channel.h"

namespace monitor {

// One transaction over "\\.\pipe\GetTemp": returns the reply's Result, or
// 0 when the pipe could not be opened in 16 attempts 100 ms apart, was not
// the service "TempService"'s own (see ServiceTrust), or the exchange did
// not end within its bound (the message is then unchanged).
// Signalling `cancel` (a manual-reset event, optional) ends it at once
// with 0: its pipe I/O is cancelled rather than waited out.
std::uint32_t ServiceTransact(ardmon::PipeMessage* message, HANDLE cancel = nullptr);

// ServiceTransact for a run of transactions, such as a monitoring cycle's,
// that makes the event its transfers wait on once for all of them.
class PipeServiceChannel : public ServiceChannel {
 public:
  explicit PipeServiceChannel(HANDLE cancel = nullptr);
  PipeServiceChannel(const PipeServiceChannel&) = delete;
  PipeServiceChannel& operator=(const PipeServiceChannel&) = delete;
  ~PipeServiceChannel() override;
  std::uint32_t Transact(ardmon::PipeMessage& message) override;

 private:
  HANDLE cancel_;
  HANDLE event_;
};

}  // namespace monitor
