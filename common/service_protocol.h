// The names and limits the monitor and the service agree on.
#pragma once

#include <cstdint>

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
// reachable, and every disk of that cycle as absent. So it sits above the
// slowest answer a working service gives: a USB bridge that lets one
// pass-through request run into its 100-second time-out.
constexpr std::uint32_t kTransactionBoundMs = 120000;

}  // namespace ardmon
