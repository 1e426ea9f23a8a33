// The four operations ArdmonLib.dll exports, as an interface: the service
// binds it to the DLL's imports, tests and the DLL itself to a device stack.
#pragma once

#include <cstdint>

namespace ardmon {

// What GetTempInfoIfAwake found out about a drive's power.
enum class DrivePower : std::int32_t {
  kAwake = 1,    // read: the drive said it is awake, or it does not sleep (solid state, NVMe)
  kAsleep = 2,   // nothing read, the record is all zero: reading would have woken the drive
  kUnknown = 3,  // read as GetTempInfo reads: no check reached the drive
};

class DiskLibrary {
 public:
  virtual ~DiskLibrary() = default;
  // Fill the record of drive n; always 1.
  virtual std::int32_t GetDiskInfo(std::int32_t n, void* diskInfoTable) = 0;
  virtual std::int32_t GetTempInfo(std::int32_t n, void* tempInfoRecord) = 0;
  // GetTempInfo for a drive that is awake; a DrivePower.
  virtual std::int32_t GetTempInfoIfAwake(std::int32_t n, void* tempInfoRecord) = 0;
  // 1 when the filter registration changed something, else 0.
  virtual std::int32_t AddFilterSil() = 0;
  virtual std::int32_t DelFilterSil() = 0;
};

}  // namespace ardmon
