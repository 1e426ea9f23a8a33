// The edits the demo command makes, seen through the library as the
// service would see them.
#include "disklib/sim/fixture_edit.h"

#include <gtest/gtest.h>

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
  std::string out, err;
};

TEST_F(FixtureEdit, HeatsADrive) {
  ASSERT_EQ(Run({"heat", "0", "57"}), 0) << err;
  EXPECT_EQ(Temp(0).Temperature, 57);
  EXPECT_EQ(Temp(2).Temperature, 34) << "other drives keep theirs";
  ASSERT_EQ(Run({"heat", "2", "85"}), 0) << err;
  EXPECT_EQ(Temp(2).Temperature, 85) << "above 70 as tenths";
}

TEST_F(FixtureEdit, DegradesAndRestoresHealth) {
  ASSERT_EQ(Run({"health", "2", "caution"}), 0) << err;
  EXPECT_EQ(Temp(2).HealthStatus, ardmon::kHealthCaution);
  ASSERT_EQ(Run({"health", "2", "bad"}), 0) << err;
  EXPECT_EQ(Temp(2).HealthStatus, ardmon::kHealthBad);
  ASSERT_EQ(Run({"health", "2", "good"}), 0) << err;
  EXPECT_EQ(Temp(2).HealthStatus, ardmon::kHealthGood);
}

TEST_F(FixtureEdit, HeatsWearsAndDegradesTheNvmeDrive) {
  ASSERT_EQ(Run({"heat", "5", "61"}), 0) << err;
  EXPECT_EQ(Temp(5).Temperature, 61);
  ASSERT_EQ(Run({"wear", "5", "89"}), 0) << err;
  EXPECT_EQ(Temp(5).HealthStatus, ardmon::kHealthGood);
  ASSERT_EQ(Run({"wear", "5", "90"}), 0) << err;
  EXPECT_EQ(Temp(5).HealthStatus, ardmon::kHealthCaution);
  ASSERT_EQ(Run({"health", "5", "good"}), 0) << err;
  EXPECT_EQ(Temp(5).HealthStatus, ardmon::kHealthGood) << "good takes the wear below 90";
  ASSERT_EQ(Run({"health", "5", "caution"}), 0) << err;
  EXPECT_EQ(Temp(5).HealthStatus, ardmon::kHealthCaution);
  ASSERT_EQ(Run({"health", "5", "bad"}), 0) << err;
  EXPECT_EQ(Temp(5).HealthStatus, ardmon::kHealthBad);
  EXPECT_EQ(Temp(5).Temperature, 61) << "health edits leave the temperature";
}

// Edits reach a log given whole in the fixture, not only the fields.
TEST_F(FixtureEdit, EditsAVerbatimHealthLogToo) {
  Fixture fixture = LoadFixture(machine.path());
  NvmeDrive& nvme = *fixture.disks.back().nvme;
  nvme.healthLog = NvmeHealthLog(nvme);
  SaveFixture(fixture, machine.path());
  ASSERT_EQ(Run({"heat", "5", "77"}), 0) << err;
  ASSERT_EQ(Run({"wear", "5", "95"}), 0) << err;
  EXPECT_EQ(Temp(5).Temperature, 77);
  EXPECT_EQ(Temp(5).HealthStatus, ardmon::kHealthCaution);
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
