// The trust seam as Windows answers it: the owner and server of a pipe read
// through its handle, and the service's process from the service control
// manager, each with rights a standard user holds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "monitor/service_trust.h"

namespace monitor {

// A pipe handle opened with READ_CONTROL, which reading the owner needs.
class PipeHandleFacts final : public OpenedPipe {
 public:
  explicit PipeHandleFacts(HANDLE pipe) : pipe_(pipe) {}
  // An owner that cannot be read counts as none.
  PipeOwner Owner() const override;
  std::uint32_t ServerProcessId() const override;

 private:
  HANDLE pipe_;
};

class ControlManagerDirectory final : public ServiceDirectory {
 public:
  ControlManagerDirectory() = default;
  ControlManagerDirectory(const ControlManagerDirectory&) = delete;
  ControlManagerDirectory& operator=(const ControlManagerDirectory&) = delete;
  ~ControlManagerDirectory() override;
  std::uint32_t ServiceProcessId() override;

 private:
  std::mutex mutex_;
  SC_HANDLE manager_ = nullptr;
};

}  // namespace monitor
