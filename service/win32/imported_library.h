// The library operations as ArdmonLib.dll exports them, bound by name when
// the service is loaded.
#pragma once

#include <cstdint>

#include "common/disk_library.h"

extern "C" {
__declspec(dllimport) std::int32_t GetDiskInfo(std::int32_t driveNumber, void* record);
__declspec(dllimport) std::int32_t GetTempInfo(std::int32_t driveNumber, void* record);
__declspec(dllimport) std::int32_t GetTempInfoIfAwake(std::int32_t driveNumber, void* record);
__declspec(dllimport) std::int32_t AddFilterSil();
__declspec(dllimport) std::int32_t DelFilterSil();
}

namespace service {

class ImportedLibrary : public ardmon::DiskLibrary {
 public:
  std::int32_t GetDiskInfo(std::int32_t n, void* record) override {
    return ::GetDiskInfo(n, record);
  }
  std::int32_t GetTempInfo(std::int32_t n, void* record) override {
    return ::GetTempInfo(n, record);
  }
  std::int32_t GetTempInfoIfAwake(std::int32_t n, void* record) override {
    return ::GetTempInfoIfAwake(n, record);
  }
  std::int32_t AddFilterSil() override { return ::AddFilterSil(); }
  std::int32_t DelFilterSil() override { return ::DelFilterSil(); }
};

}  // namespace service
