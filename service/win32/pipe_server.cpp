#include "service/win32/pipe_server.h"

#include <aclapi.h>

#include <cstring>

#include "common/service_protocol.h"
#include "common/win32/wide_text.h"
#include "service/dispatch.h"
#include "service/win32/caller.h"
#include "service/win32/service_threads.h"

namespace service {
namespace {

using ardmon::Wide;

constexpr DWORD kMessageSize = sizeof(ardmon::PipeMessage);
constexpr DWORD kPipeTimeoutMs = 1000;
// A client that left before it was seen: the instance listens again after this.
constexpr DWORD kListenAgainMs = 100;

bool AddWellKnownEntry(WELL_KNOWN_SID_TYPE type, DWORD rights, BYTE (&sid)[SECURITY_MAX_SID_SIZE],
                       EXPLICIT_ACCESS_W& entry) {
  DWORD size = sizeof sid;
  if (!CreateWellKnownSid(type, nullptr, sid, &size)) return false;
  entry = {};
  entry.grfAccessPermissions = rights;
  entry.grfAccessMode = GRANT_ACCESS;
  entry.grfInheritance = NO_INHERITANCE;
  BuildTrusteeWithSidW(&entry.Trustee, sid);
  return true;
}

}  // namespace

PipeSecurity::~PipeSecurity() {
  if (dacl_) LocalFree(dacl_);
}

bool PipeSecurity::Build() {
  // Well-known SIDs rather than account names, which are translated on
  // localized systems.
  BYTE system[SECURITY_MAX_SID_SIZE], administrators[SECURITY_MAX_SID_SIZE],
      users[SECURITY_MAX_SID_SIZE];
  EXPLICIT_ACCESS_W entries[3];
  if (!AddWellKnownEntry(WinLocalSystemSid, FILE_ALL_ACCESS, system, entries[0]) ||
      !AddWellKnownEntry(WinBuiltinAdministratorsSid, FILE_ALL_ACCESS, administrators,
                         entries[1]) ||
      !AddWellKnownEntry(WinBuiltinUsersSid, kUsersPipeRights, users, entries[2])) {
    return false;
  }
  const DWORD error = SetEntriesInAclW(3, entries, nullptr, &dacl_);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  // LocalSystem's own objects are owned by Administrators by default; the
  // monitor trusts only a pipe owned by LocalSystem, which no user can make.
  DWORD ownerSize = sizeof owner_;
  if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, dacl_, FALSE) ||
      !CreateWellKnownSid(WinLocalSystemSid, nullptr, owner_, &ownerSize) ||
      !SetSecurityDescriptorOwner(&descriptor_, owner_, FALSE)) {
    return false;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  return true;
}

HANDLE CreateServicePipe(PipeSecurity& security, bool first) {
  return CreateNamedPipeW(
      Wide(ardmon::kPipeName),
      PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, kPipeInstances,
      kMessageSize, kMessageSize, kPipeTimeoutMs, security.attributes());
}

PipeServer::PipeServer(HANDLE firstPipe, PipeSecurity& security, HANDLE stopEvent,
                       ardmon::DiskLibrary& library)
    : stopEvent_(stopEvent), library_(library), instances_(kPipeInstances) {
  for (std::size_t i = 0; i < instances_.size(); ++i) {
    instances_[i].pipe = i == 0 ? firstPipe : CreateServicePipe(security, false);
    instances_[i].overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
}

PipeServer::~PipeServer() {
  for (Instance& instance : instances_) Cancel(instance);
  Close();
  for (Instance& instance : instances_) {
    if (instance.overlapped.hEvent) CloseHandle(instance.overlapped.hEvent);
  }
}

bool PipeServer::Ready() const {
  for (const Instance& instance : instances_) {
    if (instance.pipe == INVALID_HANDLE_VALUE || !instance.overlapped.hEvent) return false;
  }
  return true;
}

DWORD PipeServer::Run() {
  serving_.lock();
  for (Instance& instance : instances_) Listen(instance);
  std::vector<HANDLE> events;
  for (const Instance& instance : instances_) events.push_back(instance.overlapped.hEvent);
  events.push_back(stopEvent_);
  DWORD result = 0;
  while (!closed_) {
    const ULONGLONG now = GetTickCount64();
    Expire(now);
    const DWORD timeout = NextWait(now);
    serving_.unlock();
    const DWORD wait =
        WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, timeout);
    const DWORD error = GetLastError();
    serving_.lock();
    if (closed_ || wait == WAIT_OBJECT_0 + instances_.size()) break;
    if (wait < WAIT_OBJECT_0 + instances_.size()) {
      Advance(instances_[wait - WAIT_OBJECT_0]);
    } else if (wait == WAIT_FAILED) {
      result = error;
      break;
    }
  }
  serving_.unlock();
  return result;
}

void PipeServer::Close() {
  const std::lock_guard<std::mutex> hold(mutex_);
  closed_ = true;
  for (Instance& instance : instances_) {
    if (instance.pipe == INVALID_HANDLE_VALUE) continue;
    // An operation under way ends with the handle; its OVERLAPPED and
    // buffer stay, as the instances do, until the process ends.
    DisconnectNamedPipe(instance.pipe);
    CloseHandle(instance.pipe);
    instance.pipe = INVALID_HANDLE_VALUE;
  }
}

void PipeServer::Listen(Instance& instance) {
  ResetEvent(instance.overlapped.hEvent);
  instance.stage = Stage::Listening;
  instance.deadline = 0;
  if (ConnectNamedPipe(instance.pipe, &instance.overlapped)) {
    SetEvent(instance.overlapped.hEvent);
    return;
  }
  switch (GetLastError()) {
    case ERROR_IO_PENDING:
      instance.pending = true;
      return;
    case ERROR_PIPE_CONNECTED:  // the client came before the call
      SetEvent(instance.overlapped.hEvent);
      return;
    default:  // a client that left before it was seen: listen anew shortly
      DisconnectNamedPipe(instance.pipe);
      instance.stage = Stage::Resting;
      instance.deadline = GetTickCount64() + kListenAgainMs;
      return;
  }
}

// The operation of `instance` has ended (or its client came at once).
void PipeServer::Advance(Instance& instance) {
  DWORD moved = 0;
  bool ok = true;
  if (instance.pending) {
    ok = GetOverlappedResult(instance.pipe, &instance.overlapped, &moved, FALSE) != FALSE;
    instance.pending = false;
  }
  // No ResetEvent: every step below starts a read or a write, which resets
  // the event as it begins, or listens anew, which resets it too.
  switch (instance.stage) {
    case Stage::Listening:
      if (!ok) return Drop(instance);
      std::memset(&instance.message, 0, sizeof instance.message);
      instance.received = 0;
      instance.deadline = GetTickCount64() + ardmon::kPeerTimeoutMs;
      instance.stage = Stage::Reading;
      return StartRead(instance);
    case Stage::Reading:
      instance.received += moved;
      if (ok && instance.received < kMessageSize) return StartRead(instance);
      // A whole message, or what a client sent before it closed its end
      // (the rest reads as zero).
      if (instance.received > 0) return Answer(instance);
      return Drop(instance);
    case Stage::Writing:
      if (!ok) return Drop(instance);
      return Part(instance);
    case Stage::Parting:
    case Stage::Resting:
      return Drop(instance);
  }
}

void PipeServer::StartRead(Instance& instance) {
  auto* bytes = reinterpret_cast<BYTE*>(&instance.message) + instance.received;
  if (ReadFile(instance.pipe, bytes, kMessageSize - instance.received, nullptr,
               &instance.overlapped) ||
      GetLastError() == ERROR_IO_PENDING) {
    instance.pending = true;
  } else if (instance.received > 0) {
    Answer(instance);  // the client has closed its end after part of a request
  } else {
    Drop(instance);
  }
}

// The library call runs here, on the one serving thread.
void PipeServer::Answer(Instance& instance) {
  if (!Dispatch(instance)) {
    if (!closed_) Drop(instance);
    return;
  }
  instance.stage = Stage::Writing;
  instance.deadline = GetTickCount64() + ardmon::kPeerTimeoutMs;
  const bool writing =
      WriteFile(instance.pipe, &instance.message, kMessageSize, nullptr, &instance.overlapped) ||
      GetLastError() == ERROR_IO_PENDING;
  // Signalled once the reply is on its way, so that a client reading it need
  // not wait for the event's lookup; one waiting for the event reads after
  // it all the same. Without the client's event the reply still goes out.
  if (const HANDLE replyEvent =
          OpenEventW(EVENT_MODIFY_STATE, FALSE, Wide(ardmon::kReplyEventName))) {
    SetEvent(replyEvent);
    CloseHandle(replyEvent);
  }
  if (writing) {
    instance.pending = true;
  } else {
    Drop(instance);
  }
}

// Fills in the answer with the lock let go, so that Close need not wait for
// a drive. False when there is nothing to send: the call threw, or the pipe
// was closed meanwhile.
bool PipeServer::Dispatch(Instance& instance) {
  ardmon::PipeMessage& message = instance.message;
  const Caller caller = ChangesDevices(message.Command) ? CallerOf(instance.pipe) : Caller::User;
  serving_.unlock();
  const bool answered = RunJob("a request", [&] { DispatchRequest(library_, message, caller); });
  serving_.lock();
  return answered && !closed_;
}

// Waits until the client has taken its answer and closed its end: the pipe
// flush with a bound, as FlushFileBuffers would wait for a client that
// never reads without limit.
void PipeServer::Part(Instance& instance) {
  instance.stage = Stage::Parting;
  if (ReadFile(instance.pipe, &instance.extra, 1, nullptr, &instance.overlapped) ||
      GetLastError() == ERROR_IO_PENDING) {
    instance.pending = true;
  } else {
    Drop(instance);
  }
}

void PipeServer::Drop(Instance& instance) {
  Cancel(instance);
  DisconnectNamedPipe(instance.pipe);
  Listen(instance);
}

// An operation must be over before its OVERLAPPED and buffer are used again.
void PipeServer::Cancel(Instance& instance) {
  if (!instance.pending || instance.pipe == INVALID_HANDLE_VALUE) return;
  DWORD ignored = 0;
  CancelIoEx(instance.pipe, &instance.overlapped);
  GetOverlappedResult(instance.pipe, &instance.overlapped, &ignored, TRUE);
  instance.pending = false;
}

// A stalled client loses its instance at its deadline, unless what it waited
// for has just come.
void PipeServer::Expire(ULONGLONG now) {
  for (Instance& instance : instances_) {
    if (instance.deadline == 0 || now < instance.deadline) continue;
    if (WaitForSingleObject(instance.overlapped.hEvent, 0) == WAIT_OBJECT_0) continue;
    if (instance.stage == Stage::Resting) {
      Listen(instance);
    } else {
      Drop(instance);
    }
  }
}

DWORD PipeServer::NextWait(ULONGLONG now) const {
  ULONGLONG next = 0;
  for (const Instance& instance : instances_) {
    if (instance.deadline != 0 && (next == 0 || instance.deadline < next)) next = instance.deadline;
  }
  if (next == 0) return INFINITE;
  return next <= now ? 0 : static_cast<DWORD>(next - now);
}

}  // namespace service
