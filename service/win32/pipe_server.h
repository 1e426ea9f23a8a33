// The pipe "\\.\pipe\GetTemp": its security, its creation, and the loop
// that serves one client at a time until the stop event.
#pragma once

#include <windows.h>

#include "common/wire_records.h"
#include "disklib/disk_library.h"

namespace service {

// SYSTEM and Administrators may do anything with the pipe; Users may read
// and write its data but not change its access list or owner.
class PipeSecurity {
 public:
  PipeSecurity() = default;
  PipeSecurity(const PipeSecurity&) = delete;
  PipeSecurity& operator=(const PipeSecurity&) = delete;
  ~PipeSecurity();
  // False (with the last error set) when the descriptor cannot be built.
  bool Build();
  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  PACL dacl_ = nullptr;
};

// The single pipe instance, or INVALID_HANDLE_VALUE when another process
// already owns the name or the pipe cannot be made.
HANDLE CreateServicePipe(PipeSecurity& security);

class PipeServer {
 public:
  PipeServer(HANDLE pipe, HANDLE stopEvent, disklib::DiskLibrary& library);
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;
  ~PipeServer();
  // False when the server's own events cannot be made.
  bool Ready() const { return connectEvent_ && ioEvent_; }
  // Serves clients until the stop event is signalled.
  void Run();

 private:
  enum class Outcome { Done, Failed, TimedOut, Stopped };

  bool WaitForClient();
  void ServeClient();
  bool ReadRequest();
  void HandOverReply();
  Outcome Transfer(bool write, void* buffer, DWORD size, DWORD timeoutMs, bool stoppable,
                   DWORD& moved);
  Outcome Await(OVERLAPPED& overlapped, DWORD timeoutMs, bool stoppable, DWORD& moved);

  HANDLE pipe_;
  HANDLE stopEvent_;
  disklib::DiskLibrary& library_;
  HANDLE connectEvent_;
  HANDLE ioEvent_;
  OVERLAPPED connect_{};
  bool connectPending_ = false;
  ardmon::PipeMessage message_{};
};

}  // namespace service
