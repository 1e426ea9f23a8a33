// The service's one job per request: call the library operation that the
// message's command names and put its return value in Result.
#pragma once

#include "common/wire_records.h"
#include "disklib/disk_library.h"

namespace service {

// Answers a request in place. An unassigned command leaves the message as
// it came, so the client gets its own bytes back.
void DispatchRequest(disklib::DiskLibrary& library, ardmon::PipeMessage& message);

}  // namespace service
