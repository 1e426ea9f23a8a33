// What the library learns of a drive across calls, so that the next call
// checks its power with the method that answered or skips the check for a
// drive that does not spin. Keyed by the disk's device interface path, as
// drive numbers shift when disks come and go; forgetting costs one check.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "disklib/access_methods.h"

namespace disklib {

struct DriveFacts {
  // Its IDENTIFY or Windows' disk driver says solid state, or it is an NVMe
  // drive: read unchecked. Nothing until either has told.
  std::optional<bool> solidState;
  // The method that last answered CHECK POWER MODE.
  std::optional<AccessMethod> checkMethod;
};

// Safe for concurrent calls.
class DriveMemory {
 public:
  DriveFacts Recall(const std::u16string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = facts_.find(path);
    return it == facts_.end() ? DriveFacts{} : it->second;
  }
  void Remember(const std::u16string& path, const DriveFacts& facts) {
    std::lock_guard<std::mutex> lock(mutex_);
    facts_[path] = facts;
  }

 private:
  mutable std::mutex mutex_;
  std::map<std::u16string, DriveFacts> facts_;
};

}  // namespace disklib
