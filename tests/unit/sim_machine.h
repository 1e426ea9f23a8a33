// The demo machine in a file of the test's own, so filter edits written
// back to it do not touch the source tree; the process number keeps test
// runs of other build trees on the machine from sharing it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace ardmon::testing {

class DemoMachineFile {
 public:
  DemoMachineFile() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("ardmon-") + std::to_string(getpid()) + "-" + test->test_suite_name() +
             "-" + test->name() + ".json");
    std::filesystem::copy_file(ARDMON_DEMO_FIXTURE, path_,
                               std::filesystem::copy_options::overwrite_existing);
  }
  DemoMachineFile(const DemoMachineFile&) = delete;
  DemoMachineFile& operator=(const DemoMachineFile&) = delete;
  ~DemoMachineFile() { std::filesystem::remove(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace ardmon::testing
