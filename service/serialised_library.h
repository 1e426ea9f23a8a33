// The library is not made to be called from two threads at once: the pipe
// server and the metrics scan share it through this, one call at a time and
// in the order the calls come. A scan then cannot take the library back
// between its drives while a pipe request waits, so that request waits at
// most for the one call a scan is making.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "common/disk_library.h"
#include "common/wire_records.h"

namespace service {

class SerialisedLibrary final : public ardmon::DiskLibrary {
 public:
  explicit SerialisedLibrary(ardmon::DiskLibrary& library) : library_(library) {}

  std::int32_t GetDiskInfo(std::int32_t n, void* record) override {
    return Call(record, sizeof(ardmon::DiskInfoTable),
                [&] { return library_.GetDiskInfo(n, record); });
  }
  std::int32_t GetTempInfo(std::int32_t n, void* record) override {
    return Call(record, sizeof(ardmon::TempInfoRecord),
                [&] { return library_.GetTempInfo(n, record); });
  }
  std::int32_t GetTempInfoIfAwake(std::int32_t n, void* record) override {
    return Call(record, sizeof(ardmon::TempInfoRecord),
                [&] { return library_.GetTempInfoIfAwake(n, record); });
  }
  std::int32_t AddFilterSil() override {
    return Call(nullptr, 0, [&] { return library_.AddFilterSil(); });
  }
  std::int32_t DelFilterSil() override {
    return Call(nullptr, 0, [&] { return library_.DelFilterSil(); });
  }

  // Takes no more calls: those waiting for their turn and those still to
  // come return 0 with their record zeroed, without reaching the library.
  // The call under way, which may hang on a drive, is not waited for.
  void Stop() {
    {
      const std::lock_guard<std::mutex> hold(mutex_);
      stopped_ = true;
    }
    turnChanged_.notify_all();
  }

 private:
  template <typename Body>
  std::int32_t Call(void* record, std::size_t recordSize, Body body) {
    const Turn turn(*this);
    if (turn.granted()) return body();
    if (record) std::memset(record, 0, recordSize);
    return 0;
  }

  // Holds the library from the caller's turn to the end of its call, also
  // when the call throws: the next turn comes all the same.
  class Turn {
   public:
    explicit Turn(SerialisedLibrary& owner) : owner_(owner) {
      std::unique_lock<std::mutex> hold(owner_.mutex_);
      const std::uint64_t ticket = owner_.nextTicket_++;
      owner_.turnChanged_.wait(hold, [&] { return owner_.stopped_ || owner_.serving_ == ticket; });
      granted_ = !owner_.stopped_;
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    ~Turn() {
      if (!granted_) return;
      {
        const std::lock_guard<std::mutex> hold(owner_.mutex_);
        ++owner_.serving_;
      }
      owner_.turnChanged_.notify_all();
    }
    bool granted() const { return granted_; }

   private:
    SerialisedLibrary& owner_;
    bool granted_ = false;
  };

  ardmon::DiskLibrary& library_;
  std::mutex mutex_;
  std::condition_variable turnChanged_;
  std::uint64_t nextTicket_ = 0;
  std::uint64_t serving_ = 0;
  bool stopped_ = false;
};

}  // namespace service
