// The four operations ArdmonLib.dll exports, as an interface: the service
// binds it to the DLL's imports, tests and the DLL itself to a device stack.
#pragma once

#include <cstdint>

namespace ardmon {

class DiskLibrary {
 public:
  virtual ~DiskLibrary() = default;
  // Fill the record of drive n; always 1.
  virtual std::int32_t GetDiskInfo(std::int32_t n, void* diskInfoTable) = 0;
  virtual std::int32_t GetTempInfo(std::int32_t n, void* tempInfoRecord) = 0;
  // 1 when the filter registration changed something, else 0.
  virtual std::int32_t AddFilterSil() = 0;
  virtual std::int32_t DelFilterSil() = 0;
};

}  // namespace ardmon
