#include "monitor/win32/service_transact.h"
#include "common/win32/wide_text.h"

#include "common/service_protocol.h"
#include "monitor/service_trust.h"
#include "monitor/win32/service_identity.h"

namespace monitor {
namespace {

using ardmon::Wide;

constexpr int kOpenAttempts = 16;
constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kMessageSize = sizeof(ardmon::PipeMessage);

// The least the client needs: read the reply, write the request. The
// server may learn who the client is but not act as it.
HANDLE TryOpen() {
  return CreateFileW(
      Wide(ardmon::kPipeName), FILE_GENERIC_READ | FILE_WRITE_DATA, 0, nullptr, OPEN_EXISTING,
      FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
}

// Milliseconds left until `deadline` (GetTickCount64), 0 when it has passed.
DWORD Remaining(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// Sleeps `ms`, less when `cancel` comes first.
void Pause(HANDLE cancel, DWORD ms) {
  if (cancel) {
    WaitForSingleObject(cancel, ms);
  } else {
    Sleep(ms);
  }
}

bool Cancelled(HANDLE cancel) {
  return cancel && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0;
}

// 16 attempts 100 ms apart. Within an attempt's 100 ms a busy pipe is
// waited for rather than slept over: the service's instances listen again
// moments after each client, and a client that always slept the full
// interval would spend most of a monitoring cycle asleep.
HANDLE OpenPipe(HANDLE cancel) {
  for (int attempt = 0; attempt < kOpenAttempts && !Cancelled(cancel); ++attempt) {
    const ULONGLONG attemptEnd = GetTickCount64() + kRetryDelayMs;
    for (;;) {
      const HANDLE pipe = TryOpen();
      if (pipe != INVALID_HANDLE_VALUE) return pipe;
      if (GetLastError() != ERROR_PIPE_BUSY) {  // no service: the plain wait
        Pause(cancel, kRetryDelayMs);
        break;
      }
      const DWORD left = Remaining(attemptEnd);
      if (left == 0) break;
      if (!WaitNamedPipeW(Wide(ardmon::kPipeName), left)) {
        if (const DWORD rest = Remaining(attemptEnd)) Pause(cancel, rest);
        break;
      }
    }
  }
  return INVALID_HANDLE_VALUE;
}

// Another process may have taken the pipe's name while the service was
// stopped: its "service" would learn the monitor's requests and feed it
// made-up drives.
bool ServedByTheService(HANDLE pipe) {
  static ControlManagerDirectory directory;
  static ServiceTrust trust(directory);
  return trust.Trusts(PipeHandleFacts(pipe));
}

// Moves a whole buffer before the deadline; false when the pipe fails, the
// time runs out or `cancel` comes, the transfer under way then cancelled.
// `event` (manual-reset) signals the transfer's end; each read or write
// resets it as it starts, and one that ends at once is not waited for.
bool TransferAll(HANDLE pipe, HANDLE event, BYTE* bytes, DWORD size, bool write, ULONGLONG deadline,
                 HANDLE cancel) {
  const HANDLE waits[] = {event, cancel};
  const DWORD waitCount = cancel ? 2 : 1;
  for (DWORD done = 0; done < size;) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD moved = 0;
    const BOOL finished = write ? WriteFile(pipe, bytes + done, size - done, nullptr, &overlapped)
                                : ReadFile(pipe, bytes + done, size - done, nullptr, &overlapped);
    if (!finished && GetLastError() != ERROR_IO_PENDING) return false;
    if (!finished &&
        WaitForMultipleObjects(waitCount, waits, FALSE, Remaining(deadline)) != WAIT_OBJECT_0) {
      CancelIoEx(pipe, &overlapped);
      GetOverlappedResult(pipe, &overlapped, &moved, TRUE);
      return false;
    }
    if (!GetOverlappedResult(pipe, &overlapped, &moved, FALSE) || moved == 0) return false;
    done += moved;
  }
  return true;
}

// The request out and the reply in.
bool Exchange(HANDLE pipe, HANDLE event, ardmon::PipeMessage& message, ULONGLONG deadline,
              HANDLE cancel) {
  auto* bytes = reinterpret_cast<BYTE*>(&message);
  return TransferAll(pipe, event, bytes, kMessageSize, true, deadline, cancel) &&
         TransferAll(pipe, event, bytes, kMessageSize, false, deadline, cancel);
}

HANDLE MakeTransferEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// The whole exchange is bounded, so a service that takes a request and
// never answers cannot hold the monitor's cycles. The request is not
// flushed: flushing waits, without a bound, for the service to read it,
// and the reply, which cannot come before, is what the client waits for.
// Nor does the client wait for the reply event that the service signals:
// the read waits for the reply itself, and the one event name is shared by
// every client, so with several served at once another client may take
// the signal and leave this one waiting on it in vain.
std::uint32_t TransactOver(HANDLE event, ardmon::PipeMessage* message, HANDLE cancel) {
  const ULONGLONG deadline = GetTickCount64() + ardmon::kTransactionBoundMs;
  const HANDLE pipe = OpenPipe(cancel);
  if (pipe == INVALID_HANDLE_VALUE) return 0;
  ardmon::PipeMessage reply = *message;
  const bool answered = ServedByTheService(pipe) && Exchange(pipe, event, reply, deadline, cancel);
  CloseHandle(pipe);
  if (!answered) return 0;
  *message = reply;
  return message->Result;
}

}  // namespace

std::uint32_t ServiceTransact(ardmon::PipeMessage* message, HANDLE cancel) {
  const HANDLE event = MakeTransferEvent();
  if (!event) return 0;
  const std::uint32_t result = TransactOver(event, message, cancel);
  CloseHandle(event);
  return result;
}

PipeServiceChannel::PipeServiceChannel(HANDLE cancel)
    : cancel_(cancel), event_(MakeTransferEvent()) {}

PipeServiceChannel::~PipeServiceChannel() {
  if (event_) CloseHandle(event_);
}

std::uint32_t PipeServiceChannel::Transact(ardmon::PipeMessage& message) {
  return event_ ? TransactOver(event_, &message, cancel_) : ServiceTransact(&message, cancel_);
}

}  // namespace monitor
