#pragma once

#include <functional>
#include <memory>

#include "common/disk_library.h"
#include "disklib/device_stack.h"
#include "disklib/drive_memory.h"

namespace disklib {

// The library over device stacks made afresh for every call; only what it
// learnt of the drives' power survives between calls. No exception leaves
// it: a call that throws (out of memory) returns what it returns on
// failure, with what it had written.
class StackLibrary : public ardmon::DiskLibrary {
 public:
  using StackFactory = std::function<std::unique_ptr<DeviceStack>()>;
  explicit StackLibrary(StackFactory makeStack) : makeStack_(std::move(makeStack)) {}

  std::int32_t GetDiskInfo(std::int32_t n, void* diskInfoTable) override;
  std::int32_t GetTempInfo(std::int32_t n, void* tempInfoRecord) override;
  std::int32_t GetTempInfoIfAwake(std::int32_t n, void* tempInfoRecord) override;
  std::int32_t AddFilterSil() override;
  std::int32_t DelFilterSil() override;

 private:
  StackFactory makeStack_;
  DriveMemory memory_;
};

}  // namespace disklib
