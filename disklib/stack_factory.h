#pragma once

#include <memory>

#include "disklib/device_stack.h"

namespace disklib {

// The stack the exported functions work on: one per call, so nothing
// survives between calls. Each library flavour links its own definition.
std::unique_ptr<DeviceStack> MakeDeviceStack();

}  // namespace disklib
