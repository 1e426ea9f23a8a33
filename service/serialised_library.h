// The library is not made to be called from two threads at once: the pipe
// server and the metrics scan share it through this, one call at a time.
// Each call holds the lock alone, so a pipe request waits at most for the
// one drive a scan is reading.
#pragma once

#include <mutex>

#include "disklib/disk_library.h"

namespace service {

class SerialisedLibrary final : public disklib::DiskLibrary {
 public:
  explicit SerialisedLibrary(disklib::DiskLibrary& library) : library_(library) {}

  std::int32_t GetDiskInfo(std::int32_t n, void* record) override {
    const std::lock_guard<std::mutex> hold(mutex_);
    return library_.GetDiskInfo(n, record);
  }
  std::int32_t GetTempInfo(std::int32_t n, void* record) override {
    const std::lock_guard<std::mutex> hold(mutex_);
    return library_.GetTempInfo(n, record);
  }
  std::int32_t AddFilterSil() override {
    const std::lock_guard<std::mutex> hold(mutex_);
    return library_.AddFilterSil();
  }
  std::int32_t DelFilterSil() override {
    const std::lock_guard<std::mutex> hold(mutex_);
    return library_.DelFilterSil();
  }

 private:
  disklib::DiskLibrary& library_;
  std::mutex mutex_;
};

}  // namespace service
