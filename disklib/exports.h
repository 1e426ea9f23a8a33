// The C interface of ArdmonLib.dll, for programs that load it.
#pragma once

#include <cstdint>

extern "C" {
using GetDiskInfoFn = std::int32_t (*)(std::int32_t driveNumber, void* diskInfoTable);
using GetTempInfoFn = std::int32_t (*)(std::int32_t driveNumber, void* tempInfoRecord);
using GetTempInfoIfAwakeFn = GetTempInfoFn;
using AddFilterSilFn = std::int32_t (*)();
using DelFilterSilFn = std::int32_t (*)();
}
