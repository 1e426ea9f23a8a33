// Whether the server of an opened pipe is the service "TempService", judged
// only from what a standard user may learn: a user may not open a process
// that the service control manager started for LocalSystem, so nothing here
// asks for one.
#pragma once

#include <atomic>
#include <cstdint>

namespace monitor {

enum class PipeOwner { LocalSystem, Other, None };

// What the client learns through the handle of a pipe it has opened.
class OpenedPipe {
 public:
  virtual ~OpenedPipe() = default;
  // The owner in the pipe's security descriptor.
  virtual PipeOwner Owner() const = 0;
  // The process that created the pipe instance; 0 when not known.
  virtual std::uint32_t ServerProcessId() const = 0;
};

// The service control manager's view of the service.
class ServiceDirectory {
 public:
  virtual ~ServiceDirectory() = default;
  // The process running the service; 0 when it does not run or cannot be
  // asked.
  virtual std::uint32_t ServiceProcessId() = 0;
};

class ServiceTrust {
 public:
  explicit ServiceTrust(ServiceDirectory& directory) : directory_(directory) {}

  // Only LocalSystem can make a pipe owned by LocalSystem: a user may give
  // its objects no owner but itself or its own groups. With that checked on
  // every pipe, a server id once confirmed by the service control manager
  // stays the service's (or another LocalSystem process's, which could
  // serve the name anyway), so the manager is asked again only when the
  // server differs. Safe from several threads at once.
  bool Trusts(const OpenedPipe& pipe);

 private:
  ServiceDirectory& directory_;
  std::atomic<std::uint32_t> confirmedId_{0};
};

}  // namespace monitor
