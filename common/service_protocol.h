// The names and limits the monitor and the service agree on.
#pragma once

#include <cstdint>

#include "common/request_limits.h"

namespace ardmon {

constexpr char16_t kServiceName[] = u"TempService";
constexpr char16_t kPipeName[] = u"\\\\.\\pipe\\GetTemp";
constexpr char16_t kReplyEventName[] = u"Global\\TempClient";

// How long either side waits on the other before giving up on a stalled
// peer: the service on a client that does not send its request or take its
// reply, the client on the reply event (its read then waits on).
constexpr std::uint32_t kPeerTimeoutMs = 3000;

// The most one transaction may take, from the first attempt to open the
// pipe to the last byte of the reply; past it the service counts as not
// reachable. So it sits above the slowest answer a working service gives:
// the library's longest call, every request of it running into its device
// time-out, once for the call a metrics scan may be making when the request
// comes (the library takes one call at a time, in turn) and once for the
// request's own, and the peer's time-out for opening the pipe and moving the
// message around them.
constexpr std::uint32_t kLibraryCallsPerTransaction = 2;
constexpr std::uint32_t kTransactionBoundMs =
    kLibraryCallsPerTransaction * kLongestCallSeconds * 1000 + kPeerTimeoutMs;

}  // namespace ardmon
