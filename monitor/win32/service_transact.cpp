#include "monitor/win32/service_transact.h"

#include <windows.h>

#include "common/service_protocol.h"

namespace monitor {
namespace {

constexpr int kOpenAttempts = 16;
constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kMessageSize = sizeof(ardmon::PipeMessage);

const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

HANDLE OpenPipe() {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    const HANDLE pipe = CreateFileW(Wide(ardmon::kPipeName), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    Sleep(kRetryDelayMs);
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
