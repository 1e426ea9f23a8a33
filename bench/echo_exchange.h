// The minimal pipe exchange the benchmarks compare the service with: one
// 4108-byte message per connection sent straight back, optionally with the
// service's reply event and flush.
#pragma once

#include <windows.h>

#include "common/wire_records.h"

namespace bench {

struct Exchange {
  const wchar_t* pipe;
  const wchar_t* event;  // none: a bare echo
};

constexpr DWORD kMessageSize = sizeof(ardmon::PipeMessage);

// Answers the connected client of `pipe` and disconnects it.
inline void EchoOneClient(HANDLE pipe, const Exchange& exchange, ardmon::PipeMessage& message) {
  const HANDLE event =
      exchange.event ? OpenEventW(EVENT_MODIFY_STATE, FALSE, exchange.event) : nullptr;
  DWORD moved = 0;
  ReadFile(pipe, &message, kMessageSize, &moved, nullptr);
  if (event) SetEvent(event);
  WriteFile(pipe, &message, kMessageSize, &moved, nullptr);
  FlushFileBuffers(pipe);
  DisconnectNamedPipe(pipe);
  if (event) CloseHandle(event);
}

}  // namespace bench
