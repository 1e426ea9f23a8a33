// The real library works on the machine's own device stack.
#include "disklib/stack_factory.h"
#include "disklib/win32/win32_device_stack.h"

namespace disklib {

std::unique_ptr<DeviceStack> MakeDeviceStack() {
  return std::make_unique<Win32DeviceStack>();
}

}  // namespace disklib
