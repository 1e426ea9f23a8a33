// The pipe "\\.\pipe\GetTemp": its security, its creation, and the loop
// that serves one client at a time until the stop event.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

#include "common/disk_library.h"
#include "common/wire_records.h"

namespace service {

// SYSTEM and Administrators may do anything with the pipe; Users may read
// and write its data, but neither create an instance of it (for a pipe,
// FILE_APPEND_DATA is that right) nor change its access list or owner.
constexpr DWORD kUsersPipeRights = FILE_GENERIC_READ | FILE_WRITE_DATA;

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
  BYTE owner_[SECURITY_MAX_SID_SIZE]{};
};

// How many clients the pipe takes at once. One stalled or hostile client
// then holds one instance for its bound at the most, while the others go on
// serving; the library is still called by one thread, one request at a time.
constexpr DWORD kPipeInstances = 8;

// An instance of the pipe: the first one also claims the name, so it is
// INVALID_HANDLE_VALUE when another process already owns it (or the pipe
// cannot be made).
HANDLE CreateServicePipe(PipeSecurity& security, bool first);

// Serves the instances of the pipe on one thread with overlapped I/O:
// each instance listens, reads a request, answers it and waits for its
// client to take the answer, each wait bounded.
class PipeServer {
 public:
  // Takes over `firstPipe` and makes the other instances beside it.
  PipeServer(HANDLE firstPipe, PipeSecurity& security, HANDLE stopEvent,
             ardmon::DiskLibrary& library);
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;
  // Only once Run is over, or was never called.
  ~PipeServer();
  // False when an instance or its event cannot be made.
  bool Ready() const;
  // Serves clients until the stop event is signalled or Close: 0, or the
  // error that ended the serving.
  DWORD Run();
  // From any thread, while Run may be inside a library call that hangs:
  // every instance is disconnected and closed at once, those in use too,
  // so each client's end breaks and no request is taken after it. Run
  // touches no instance from then on.
  void Close();

 private:
  enum class Stage { Listening, Reading, Writing, Parting, Resting };
  struct Instance {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    bool pending = false;  // an operation is under way on `overlapped`
    Stage stage = Stage::Resting;
    ULONGLONG deadline = 0;
    DWORD received = 0;
    ardmon::PipeMessage message{};
    BYTE extra = 0;
  };

  void Listen(Instance& instance);
  void Advance(Instance& instance);
  void StartRead(Instance& instance);
  void Answer(Instance& instance);
  bool Dispatch(Instance& instance);
  void Part(Instance& instance);
  void Drop(Instance& instance);
  void Cancel(Instance& instance);
  void Expire(ULONGLONG now);
  DWORD NextWait(ULONGLONG now) const;

  HANDLE stopEvent_;
  ardmon::DiskLibrary& library_;
  std::vector<Instance> instances_;
  // Guards the instances' pipe handles and `closed_`. Run holds it except
  // while it waits and while the library works.
  std::mutex mutex_;
  std::unique_lock<std::mutex> serving_{mutex_, std::defer_lock};
  bool closed_ = false;
};

}  // namespace service
