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
                     OPEN_EXISTING, 0, nullptr);
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
      const ULONGLONG now = GetTickCount64();
      if (now >= attemptEnd) break;
      if (!WaitNamedPipeW(Wide(ardmon::kPipeName), static_cast<DWORD>(attemptEnd - now))) {
        const ULONGLONG later = GetTickCount64();
        if (later < attemptEnd) Sleep(static_cast<DWORD>(attemptEnd - later));
        break;
      }
    }
  }
  return INVALID_HANDLE_VALUE;
}

// Moves a whole buffer, or as much as the pipe takes before it fails.
void WriteAll(HANDLE pipe, const BYTE* bytes, DWORD size) {
  DWORD done = 0, moved = 0;
  while (done < size && WriteFile(pipe, bytes + done, size - done, &moved, nullptr) && moved) {
    done += moved;
  }
}

void ReadAll(HANDLE pipe, BYTE* bytes, DWORD size) {
  DWORD done = 0, moved = 0;
  while (done < size && ReadFile(pipe, bytes + done, size - done, &moved, nullptr) && moved) {
    done += moved;
  }
}

}  // namespace

std::uint32_t ServiceTransact(ardmon::PipeMessage* message) {
  // Without the event the read below still waits for the reply.
  const HANDLE replyEvent = CreateEventW(nullptr, FALSE, FALSE, Wide(ardmon::kReplyEventName));
  const HANDLE pipe = OpenPipe();
  if (pipe == INVALID_HANDLE_VALUE) {
    if (replyEvent) CloseHandle(replyEvent);
    return 0;
  }
  auto* bytes = reinterpret_cast<BYTE*>(message);
  WriteAll(pipe, bytes, kMessageSize);
  FlushFileBuffers(pipe);
  // Bounded, so a service that dies mid-request cannot hold the monitor:
  // the read then returns the reply when it comes or fails with the pipe.
  if (replyEvent) WaitForSingleObject(replyEvent, ardmon::kPeerTimeoutMs);
  ReadAll(pipe, bytes, kMessageSize);
  CloseHandle(pipe);
  if (replyEvent) CloseHandle(replyEvent);
  return message->Result;
}

}  // namespace monitor
