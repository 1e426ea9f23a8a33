#include "service/win32/pipe_server.h"
#include "common/win32/wide_text.h"

#include <aclapi.h>

#include <cstring>

#include "common/service_protocol.h"
#include "service/dispatch.h"

namespace service {
namespace {

using ardmon::Wide;

constexpr DWORD kMessageSize = sizeof(ardmon::PipeMessage);
constexpr DWORD kPipeTimeoutMs = 1000;
// After a stop, how long a client that is taking its reply still gets.
constexpr DWORD kStopGraceMs = 100;

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
      !AddWellKnownEntry(WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_WRITE, users,
                         entries[2])) {
    return false;
  }
  const DWORD error = SetEntriesInAclW(3, entries, nullptr, &dacl_);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, dacl_, FALSE)) {
    return false;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  return true;
}

HANDLE CreateServicePipe(PipeSecurity& security) {
  return CreateNamedPipeW(
      Wide(ardmon::kPipeName),
      PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kMessageSize,
      kMessageSize, kPipeTimeoutMs, security.attributes());
}

PipeServer::PipeServer(HANDLE pipe, HANDLE stopEvent, disklib::DiskLibrary& library)
    : pipe_(pipe),
      stopEvent_(stopEvent),
      library_(library),
      connectEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      ioEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PipeServer::~PipeServer() {
  if (connectPending_) {
    DWORD ignored;
    CancelIoEx(pipe_, &connect_);
    GetOverlappedResult(pipe_, &connect_, &ignored, TRUE);
  }
  if (connectEvent_) CloseHandle(connectEvent_);
  if (ioEvent_) CloseHandle(ioEvent_);
}

void PipeServer::Run() {
  while (WaitForClient()) {
    ServeClient();
    DisconnectNamedPipe(pipe_);
  }
}

// True when a client is connected, false when the service is stopping.
bool PipeServer::WaitForClient() {
  for (;;) {
    if (!connectPending_) {
      connect_ = {};
      connect_.hEvent = connectEvent_;
      if (!ConnectNamedPipe(pipe_, &connect_)) {
        switch (GetLastError()) {
          case ERROR_IO_PENDING:
            connectPending_ = true;
            break;
          case ERROR_PIPE_CONNECTED:  // the client came before the call
            SetEvent(connectEvent_);
            break;
          default:  // a client that left before it was seen: listen anew
            DisconnectNamedPipe(pipe_);
            if (WaitForSingleObject(stopEvent_, kStopGraceMs) == WAIT_OBJECT_0) return false;
            continue;
        }
      }
    }
    // The connect event comes first, so a client connecting as the stop
    // arrives is still served.
    const HANDLE events[] = {connectEvent_, stopEvent_};
    switch (WaitForMultipleObjects(2, events, FALSE, INFINITE)) {
      case WAIT_OBJECT_0:
        connectPending_ = false;
        return true;
      case WAIT_OBJECT_0 + 1:
        return false;
      default:
        continue;
    }
  }
}

void PipeServer::ServeClient() {
  const HANDLE replyEvent = OpenEventW(EVENT_MODIFY_STATE, FALSE, Wide(ardmon::kReplyEventName));
  if (ReadRequest()) {
    DispatchRequest(library_, message_);
    // Without the client's event the reply still goes out; the client's
    // read waits for it.
    if (replyEvent) SetEvent(replyEvent);
    HandOverReply();
  }
  if (replyEvent) CloseHandle(replyEvent);
}

// A whole message, or what a client sent before it closed its end (the rest
// reads as zero). A client that stalls, or a stop, drops the request.
bool PipeServer::ReadRequest() {
  std::memset(&message_, 0, sizeof message_);
  auto* bytes = reinterpret_cast<BYTE*>(&message_);
  DWORD received = 0;
  const ULONGLONG deadline = GetTickCount64() + ardmon::kPeerTimeoutMs;
  while (received < kMessageSize) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    DWORD moved = 0;
    switch (Transfer(false, bytes + received, kMessageSize - received,
                     static_cast<DWORD>(deadline - now), true, moved)) {
      case Outcome::Done:
        received += moved;
        break;
      case Outcome::Failed:
        return received > 0;
      case Outcome::TimedOut:
      case Outcome::Stopped:
        return false;
    }
  }
  return true;
}

// Writes the reply and waits until the client has taken it and closed its
// end. This is the pipe flush with a bound: FlushFileBuffers would wait for
// a client that never reads without limit.
void PipeServer::HandOverReply() {
  DWORD moved = 0;
  if (Transfer(true, &message_, kMessageSize, ardmon::kPeerTimeoutMs, false, moved) !=
      Outcome::Done) {
    return;
  }
  BYTE extra;
  if (Transfer(false, &extra, 1, ardmon::kPeerTimeoutMs, true, moved) == Outcome::Stopped) {
    Transfer(false, &extra, 1, kStopGraceMs, false, moved);
  }
}

PipeServer::Outcome PipeServer::Transfer(bool write, void* buffer, DWORD size, DWORD timeoutMs,
                                         bool stoppable, DWORD& moved) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = ioEvent_;
  ResetEvent(ioEvent_);
  const BOOL started = write ? WriteFile(pipe_, buffer, size, nullptr, &overlapped)
                             : ReadFile(pipe_, buffer, size, nullptr, &overlapped);
  if (!started && GetLastError() != ERROR_IO_PENDING) return Outcome::Failed;
  return Await(overlapped, timeoutMs, stoppable, moved);
}

PipeServer::Outcome PipeServer::Await(OVERLAPPED& overlapped, DWORD timeoutMs, bool stoppable,
                                      DWORD& moved) {
  const HANDLE events[] = {overlapped.hEvent, stopEvent_};
  const DWORD wait = WaitForMultipleObjects(stoppable ? 2 : 1, events, FALSE, timeoutMs);
  if (wait == WAIT_OBJECT_0) {
    return GetOverlappedResult(pipe_, &overlapped, &moved, FALSE) ? Outcome::Done : Outcome::Failed;
  }
  // The operation must be over before its OVERLAPPED and buffer go away.
  CancelIoEx(pipe_, &overlapped);
  GetOverlappedResult(pipe_, &overlapped, &moved, TRUE);
  return wait == WAIT_OBJECT_0 + 1 ? Outcome::Stopped : Outcome::TimedOut;
}

}  // namespace service
