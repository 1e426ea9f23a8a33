// How long one library call may keep the service's only caller waiting:
// the device time-out each request carries, and the most requests with a
// time-out that one GetTempInfoIfAwake sends when every method it tries
// stalls until its time-out. The worst route is a USB bridge's: the power
// check in both ATA pass-through forms, then the bridge's own command, both
// forms again and the vendor command, whose IDENTIFY then answers at the
// last moment and whose two reads stall again. The storage queries and
// S.M.A.R.T. requests carry no time-out of their own.
#pragma once

#include <cstdint>

namespace ardmon {

// Seconds, in the header of every SCSI pass-through request.
constexpr std::uint32_t kPassThroughTimeout = 100;
// Seconds, in the header of every miniport request.
constexpr std::uint32_t kMiniportTimeout = 10;

constexpr std::uint32_t kMostPassThroughRequests = 8;
constexpr std::uint32_t kMostMiniportRequests = 4;

constexpr std::uint32_t kLongestCallSeconds =
    kMostPassThroughRequests * kPassThroughTimeout + kMostMiniportRequests * kMiniportTimeout;

}  // namespace ardmon
