// The simulated library, except that the drives named answer
// GetTempInfoIfAwake as the test says: asleep (or any value but awake and
// unknown) with nothing read. It notes the drives GetTempInfo read, as that
// wakes them.
#pragma once

#include <cstring>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "disklib/sim/simulated_library.h"

namespace ardmon::testing {

class PowerAnswers final : public DiskLibrary {
 public:
  PowerAnswers(const std::filesystem::path& machine, std::map<std::int32_t, DrivePower> answers)
      : library_(disklib::sim::SimulatedLibrary(machine)), answers_(std::move(answers)) {}

  std::int32_t GetDiskInfo(std::int32_t n, void* record) override {
    return library_.GetDiskInfo(n, record);
  }
  std::int32_t GetTempInfo(std::int32_t n, void* record) override {
    woken.push_back(n);
    return library_.GetTempInfo(n, record);
  }
  std::int32_t GetTempInfoIfAwake(std::int32_t n, void* record) override {
    const auto answer = answers_.find(n);
    if (answer == answers_.end()) return library_.GetTempInfoIfAwake(n, record);
    if (answer->second == DrivePower::kAwake || answer->second == DrivePower::kUnknown) {
      library_.GetTempInfo(n, record);
    } else {
      std::memset(record, 0, sizeof(TempInfoRecord));
    }
    return static_cast<std::int32_t>(answer->second);
  }
  std::int32_t AddFilterSil() override { return library_.AddFilterSil(); }
  std::int32_t DelFilterSil() override { return library_.DelFilterSil(); }

  std::vector<std::int32_t> woken;

 private:
  disklib::StackLibrary library_;
  std::map<std::int32_t, DrivePower> answers_;
};

}  // namespace ardmon::testing
