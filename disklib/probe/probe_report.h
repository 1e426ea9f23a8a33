// What ArdmonProbe prints about one drive: the library's records in words,
// so a user can see why a drive shows no temperature.
#pragma once

#include <cstdint>
#include <string>

#include "common/wire_records.h"

namespace probe {

// Empty when the library found no drive with this number.
std::string DescribeDrive(std::uint32_t n, const ardmon::DiskInfoTable& disk,
                          const ardmon::TempInfoRecord& temp);
std::string DescribeFilterEdit(const char* what, std::int32_t result);

}  // namespace probe
