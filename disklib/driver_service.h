// Whether Windows would load a driver service's driver, and which file its
// key names. A filter listed for a device whose driver cannot load makes
// Windows fail that device at its next start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disklib/device_stack.h"

namespace disklib {

constexpr std::uint32_t kKernelDriverType = 1;  // Type: SERVICE_KERNEL_DRIVER
constexpr std::uint32_t kStartDisabled = 4;     // Start: SERVICE_DISABLED

// A kernel driver, not disabled, whose file exists.
bool DriverCanLoad(const std::optional<DriverService>& service);

// The file a driver service loads, as a Win32 path: its ImagePath (already
// expanded when the value is REG_EXPAND_SZ), or System32\drivers\<name>.sys
// when it has none. `\SystemRoot\` and a path without a root lie under the
// Windows folder, and a `\??\` prefix before a drive's path is dropped.
// Nothing when ImagePath is another kernel path, which names no file on a
// drive letter.
std::optional<std::u16string> DriverImagePath(const std::u16string& name,
                                              const std::optional<std::u16string>& imagePath,
                                              const std::u16string& windowsFolder);

}  // namespace disklib
