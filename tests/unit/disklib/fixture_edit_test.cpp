// The edits the demo command makes, seen through the library as the
// service would see them.
#include "disklib/sim/fixture_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "disklib/disklib.h"
#include "disklib/sim/simulated_library.h"
#include "sim_machine.h"

namespace disklib::sim {
namespace {

class FixtureEdit : public ::testing::Test {
 protected:
  ardmon::testing::DemoMachineFile machine;

  int Run(std::vector<const char*> args) {
    args.insert(args.begin(), {"ardmon-sim", machine.path().c_str()});
    return RunFixtureCommand(static_cast<int>(args.size()), args.data(), out, err);
  }
  ardmon::TempInfoRecord Temp(std::int32_t drive) {
    ardmon::TempInfoRecord record{};
    SimulatedLibrary(machine.path()).GetTempInfo(drive, &record);
    return record;
  }
  // Runs an edit that must succeed and reads the drive it named.
  ardmon::TempInfoRecord After(std::vector<const char*> args) {
    EXPECT_EQ(Run(args), 0) << err;
    return Temp(std::stoi(args[1]));
  }
  std::string out, err;
};

TEST_F(FixtureEdit, HeatsADrive) {
  EXPECT_EQ(After({"heat", "0", "57"}).Temperature, 57);
  EXPECT_EQ(Temp(2).Temperature, 34) << "other drives keep theirs";
  EXPECT_EQ(After({"heat", "2", "85"}).Temperature, 85) << "above 70 as tenths";
  EXPECT_EQ(After({"heat", "5", "61"}).Temperature, 61) << "the NVMe drive";
}

// Drive 2 is an ATA drive, drive 5 the NVMe drive.
TEST_F(FixtureEdit, SetsHealthAndWear) {
  EXPECT_EQ(After({"health", "2", "caution"}).HealthStatus, ardmon::kHealthCaution);
  EXPECT_EQ(After({"health", "2", "bad"}).HealthStatus, ardmon::kHealthBad);
  EXPECT_EQ(After({"health", "2", "good"}).HealthStatus, ardmon::kHealthGood);

  EXPECT_EQ(After({"wear", "5", "89"}).HealthStatus, ardmon::kHealthGood);
  EXPECT_EQ(After({"wear", "5", "90"}).HealthStatus, ardmon::kHealthCaution);
  EXPECT_EQ(After({"health", "5", "good"}).HealthStatus, ardmon::kHealthGood)
      << "good takes the wear below 90";
  EXPECT_EQ(After({"health", "5", "caution"}).HealthStatus, ardmon::kHealthCaution);
  EXPECT_EQ(After({"health", "5", "bad"}).HealthStatus, ardmon::kHealthBad);
  EXPECT_EQ(Temp(5).Temperature, 43) << "health edits leave the temperature";
}

// Edits reach a log given whole in the fixture, not only the fields.
TEST_F(FixtureEdit, EditsAVerbatimHealthLogToo) {
  Fixture fixture = LoadFixture(machine.path());
  NvmeDrive& nvme = *fixture.disks.back().nvme;
  nvme.healthLog = NvmeHealthLog(nvme);
  SaveFixture(fixture, machine.path());
  EXPECT_EQ(After({"heat", "5", "77"}).Temperature, 77);
  EXPECT_EQ(After({"wear", "5", "95"}).HealthStatus, ardmon::kHealthCaution);
}

TEST_F(FixtureEdit, UnplugsAndPlugsADrive) {
  ASSERT_EQ(Run({"unplug", "1"}), 0) << err;
  ardmon::DiskInfoTable disk{};
  SimulatedLibrary(machine.path()).GetDiskInfo(1, &disk);
  EXPECT_EQ(disk.Present, 0);
  ASSERT_EQ(Run({"plug", "1"}), 0) << err;
  SimulatedLibrary(machine.path()).GetDiskInfo(1, &disk);
  EXPECT_EQ(disk.Present, 1);
}

TEST_F(FixtureEdit, RefusesWhatItCannotDo) {
  EXPECT_EQ(Run({"heat", "9", "50"}), 1);
  EXPECT_NE(err.find("no drive 9"), std::string::npos);
  EXPECT_EQ(Run({"heat", "4", "50"}), 1) << "the card reader answers no ATA or NVMe commands";
  EXPECT_EQ(Run({"wear", "0", "50"}), 1) << "an ATA drive has no wear to set";
  EXPECT_EQ(Run({"wear", "5", "256"}), 1);
  EXPECT_EQ(Run({"heat", "-1", "50"}), 1);
  EXPECT_EQ(Run({"heat", "0", "300"}), 1);
  EXPECT_EQ(Run({"health", "0", "fine"}), 1);
  EXPECT_EQ(Run({"spin", "0"}), 2);
  EXPECT_EQ(Temp(0).Temperature, 38) << "a refused edit leaves the machine alone";
}

}  // namespace
}  // namespace disklib::sim
