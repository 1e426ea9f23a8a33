#include "monitor/win32/service_transact.h"
#include "common/win32/wide_text.h"

#include <windows.h>

#include "common/service_protocol.h"

namespace monitor {
namespace {

using ardmon::Wide;

constexpr int kOpenAttempts = 16;
constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kMessageSize = sizeof(ardmon::PipeMessage);

HANDLE TryOpen() {
  return CreateFileW(Wide(ardmon::kPipeName), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                     OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

// Milliseconds left until `deadline` (GetTickCount64), 0 when it has passed.
DWORD Remaining(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// 16 attempts 100 ms apart. Within an attempt's 100 ms a busy pipe is
// waited for rather than slept over: the service's single instance listens
// again moments after each client, and a client that always slept the full
// interval would spend most of a monitoring cycle asleep.
HANDLE OpenPipe() {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    const ULONGLONG attemptEnd = GetTickCount64() + kRetryDelayMs;
    for (;;) {
      const HANDLE pipe = TryOpen();
      if (pipe != INVALID_HANDLE_VALUE) return pipe;
      if (GetLastError() != ERROR_PIPE_BUSY) {  // no service: the plain wait
        Sleep(kRetryDelayMs);
        break;
      }
      const DWORD left = Remaining(attemptEnd);
      if (left == 0) break;
      if (!WaitNamedPipeW(Wide(ardmon::kPipeName), left)) {
        if (const DWORD rest = Remaining(attemptEnd)) Sleep(rest);
        break;
      }
    }
  }
  return INVALID_HANDLE_VALUE;
}

// Moves a whole buffer before the deadline; false when the pipe fails or
// the time runs out, the transfer under way then cancelled.
bool TransferAll(HANDLE pipe, BYTE* bytes, DWORD size, bool write, ULONGLONG deadline) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!overlapped.hEvent) return false;
  DWORD done = 0;
  bool ok = true;
  while (ok && done < size) {
    ResetEvent(overlapped.hEvent);
    DWORD moved = 0;
    const BOOL started = write ? WriteFile(pipe, bytes + done, size - done, nullptr, &overlapped)
                               : ReadFile(pipe, bytes + done, size - done, nullptr, &overlapped);
    if (!started && GetLastError() != ERROR_IO_PENDING) {
      ok = false;
    } else if (WaitForSingleObject(overlapped.hEvent, Remaining(deadline)) != WAIT_OBJECT_0) {
      CancelIoEx(pipe, &overlapped);
      GetOverlappedResult(pipe, &overlapped, &moved, TRUE);
      ok = false;
    } else {
      ok = GetOverlappedResult(pipe, &overlapped, &moved, FALSE) && moved > 0;
      done += moved;
    }
  }
  CloseHandle(overlapped.hEvent);
  return ok;
}

}  // namespace

// The whole exchange is bounded, so a service that takes a request and
// never answers cannot hold the monitor's cycles. The request is not
// flushed: flushing waits, without a bound, for the service to read it,
// and the reply, which cannot come before, is what the client waits for.
// Nor does the client wait for the reply event that the service signals:
// the read waits for the reply itself, and the one event name is shared by
// every client, so with several served at once another client may take
// the signal and leave this one waiting on it in vain.
std::uint32_t ServiceTransact(ardmon::PipeMessage* message) {
  const ULONGLONG deadline = GetTickCount64() + ardmon::kTransactionBoundMs;
  const HANDLE pipe = OpenPipe();
  if (pipe == INVALID_HANDLE_VALUE) return 0;
  ardmon::PipeMessage reply = *message;
  auto* bytes = reinterpret_cast<BYTE*>(&reply);
  const bool answered = TransferAll(pipe, bytes, kMessageSize, true, deadline) &&
                        TransferAll(pipe, bytes, kMessageSize, false, deadline);
  CloseHandle(pipe);
  if (!answered) return 0;
  *message = reply;
  return message->Result;
}

}  // namespace monitor
