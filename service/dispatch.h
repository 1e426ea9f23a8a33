// The service's one job per request: call the library operation that the
// message's command names and put its return value in Result.
#pragma once

#include <cstdint>

#include "common/disk_library.h"
#include "common/wire_records.h"

namespace service {

// Who sent a request, as far as the commands that change the machine's
// device configuration care: those are served to administrators (and the
// system account) only.
enum class Caller { User, Administrator };

// Whether `command` changes the device configuration, so that the caller
// must be known before it is served.
bool ChangesDevices(std::uint32_t command);

// Answers a request in place. An unassigned command leaves the message as
// it came, so the client gets its own bytes back; a device change asked by
// a User gets Result 0 and changes nothing.
void DispatchRequest(ardmon::DiskLibrary& library, ardmon::PipeMessage& message, Caller caller);

}  // namespace service
