// The library is not made to be called from two threads at once: the pipe
// server and the metrics scan share it through this, one call at a time and
// in the order the calls come. A scan then cannot take the library back
// between its drives while a pipe request waits, so that request waits at
// most for the one call a scan is making.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "common/disk_library.h"

namespace service {

class SerialisedLibrary final : public ardmon::DiskLibrary {
 public:
  explicit SerialisedLibrary(ardmon::DiskLibrary& library) : library_(library) {}

  std::int32_t GetDiskInfo(std::int32_t n, void* record) override {
    const Turn turn(*this);
    return library_.GetDiskInfo(n, record);
  }
  std::int32_t GetTempInfo(std::int32_t n, void* record) override {
    const Turn turn(*this);
    return library_.GetTempInfo(n, record);
  }
  std::int32_t AddFilterSil() override {
    const Turn turn(*this);
    return library_.AddFilterSil();
  }
  std::int32_t DelFilterSil() override {
    const Turn turn(*this);
    return library_.DelFilterSil();
  }

 private:
  // Holds the library from the caller's turn to the end of its call.
  class Turn {
   public:
    explicit Turn(SerialisedLibrary& owner) : owner_(owner) {
      std::unique_lock<std::mutex> hold(owner_.mutex_);
      const std::uint64_t ticket = owner_.nextTicket_++;
      owner_.turnChanged_.wait(hold, [&] { return owner_.serving_ == ticket; });
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    ~Turn() {
      {
        const std::lock_guard<std::mutex> hold(owner_.mutex_);
        ++owner_.serving_;
      }
      owner_.turnChanged_.notify_all();
    }

   private:
    SerialisedLibrary& owner_;
  };

  ardmon::DiskLibrary& library_;
  std::mutex mutex_;
  std::condition_variable turnChanged_;
  std::uint64_t nextTicket_ = 0;
  std::uint64_t serving_ = 0;
};

}  // namespace service
