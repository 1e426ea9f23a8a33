// What ArdmonProbe prints about one drive: the library's records in words,
// so a user can see why a drive shows no temperature.
#pragma once

#include <cstdint>
#include <string>

#include "common/disk_library.h"
#include "common/wire_records.h"

namespace probe {

// Empty when the library found no drive with this number. A drive left
// asleep has only what Windows knows of it: `temp` was not read.
std::string DescribeDrive(std::uint32_t n, const ardmon::DiskInfoTable& disk,
                          const ardmon::TempInfoRecord& temp, ardmon::DrivePower power);
std::string DescribeFilterEdit(const char* what, std::int32_t result);

}  // namespace probe
