// The simulated ArdmonLib.dll, loaded from beside this program and called by
// its plain export names, as the service calls it: it answers from
// ArdmonSim.json in its folder and reads that file again on every call.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/nvme_health.h"
#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/exports.h"
#include "disklib/sim/fixture.h"
#include "disklib/sim/spin_up_counts.h"

namespace {

namespace fs = std::filesystem;
using disklib::sim::Fixture;
using disklib::sim::Quirk;

fs::path OwnFolder() {
  return ardmon::ModulePath().parent_path();
}

// The source tree is the root of Wine's drive Z:.
fs::path DemoFixture() {
  return fs::path(std::string("Z:") + ARDMON_DEMO_FIXTURE);
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  // By way of the generic function pointer, which converts to any other.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

template <typename Record>
bool AllZero(const Record& record) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  return std::all_of(bytes, bytes + sizeof record, [](std::uint8_t b) { return b == 0; });
}

class SimLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW((OwnFolder() / L"ArdmonLib.dll").c_str());
    ASSERT_NE(module_, nullptr);
    getDiskInfo_ = Export<GetDiskInfoFn>(module_, "GetDiskInfo");
    getTempInfo_ = Export<GetTempInfoFn>(module_, "GetTempInfo");
    addFilterSil_ = Export<AddFilterSilFn>(module_, "AddFilterSil");
    delFilterSil_ = Export<DelFilterSilFn>(module_, "DelFilterSil");
    ASSERT_TRUE(getDiskInfo_ && getTempInfo_ && addFilterSil_ && delFilterSil_);
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
  }

  // Each test starts from the demo machine and leaves it behind for the demo.
  void SetUp() override { Restore(); }
  void TearDown() override { Restore(); }
  static void Restore() {
    ASSERT_TRUE(CopyFileW(DemoFixture().c_str(), FixtureFile().c_str(), FALSE));
    fs::remove(disklib::sim::SpinUpCountsFile(FixtureFile()));
  }
  static fs::path FixtureFile() { return OwnFolder() / L"ArdmonSim.json"; }

  static ardmon::DiskInfoTable DiskInfo(std::int32_t n) {
    ardmon::DiskInfoTable info;
    std::memset(&info, 0xCC, sizeof info);
    EXPECT_EQ(getDiskInfo_(n, &info), 1);
    return info;
  }
  static ardmon::TempInfoRecord TempInfo(std::int32_t n) {
    ardmon::TempInfoRecord temp;
    std::memset(&temp, 0xCC, sizeof temp);
    EXPECT_EQ(getTempInfo_(n, &temp), 1);
    return temp;
  }
  template <typename Machine>
  static auto& SiliconImageController(Machine& f) {
    for (auto& d : f.devices) {
      if (d.id.rfind("PCI\\VEN_1095&DEV_3132", 0) == 0) return d;
    }
    throw std::runtime_error("no Silicon Image controller in the fixture");
  }
  static std::optional<std::vector<std::string>> FiltersOnFile() {
    const Fixture saved = disklib::sim::LoadFixture(FixtureFile());
    return SiliconImageController(saved).upperFilters;
  }

  static inline HMODULE module_ = nullptr;
  static inline GetDiskInfoFn getDiskInfo_ = nullptr;
  static inline GetTempInfoFn getTempInfo_ = nullptr;
  static inline AddFilterSilFn addFilterSil_ = nullptr;
  static inline DelFilterSilFn delFilterSil_ = nullptr;
};

TEST_F(SimLibrary, AnswersForTheDemoDrives) {
  struct Expected {
    std::int32_t drive;
    const char* letters;
    std::uint8_t temperature;
    std::uint8_t health;
  };
  const Expected expected[] = {{0, "I:", 38, ardmon::kHealthGood},
                               {1, "D:", 41, ardmon::kHealthCaution},
                               {2, "E:", 34, ardmon::kHealthGood},
                               {3, "F:", 44, ardmon::kHealthGood},
                               {5, "C:", 43, ardmon::kHealthGood}};
  for (const Expected& drive : expected) {
    SCOPED_TRACE(drive.drive);
    const ardmon::DiskInfoTable info = DiskInfo(drive.drive);
    EXPECT_EQ(info.Present, 1);
    EXPECT_STREQ(info.DriveLetters, drive.letters);
    const ardmon::TempInfoRecord temp = TempInfo(drive.drive);
    EXPECT_EQ(temp.Temperature, drive.temperature);
    EXPECT_EQ(temp.HealthStatus, drive.health);
  }
  EXPECT_EQ(std::string(TempInfo(0).ModelNumber).substr(0, 18), "MARLOWE MX500AS-01");

  const ardmon::DiskInfoTable reader = DiskInfo(4);
  EXPECT_EQ(reader.Present, 0);
  EXPECT_NE(reader.DevicePath[0], u'\0');
  EXPECT_TRUE(AllZero(DiskInfo(25)));
  EXPECT_EQ(getDiskInfo_(0, nullptr), 1);
  EXPECT_EQ(getTempInfo_(0, nullptr), 1);
}

TEST_F(SimLibrary, AnswersForTheNvmeDriveWithItsIdentifyAndHealthLog) {
  using ardmon::nvme::HealthField;
  const ardmon::TempInfoRecord temp = TempInfo(5);
  EXPECT_EQ(temp.NvmeData, 1);
  EXPECT_EQ(temp.SmartSupported, 1);
  EXPECT_EQ(temp.IdentifyOk, 1);
  EXPECT_EQ(temp.AttributesOk, 1);
  EXPECT_EQ(temp.ThresholdsOk, 0);
  EXPECT_STREQ(temp.ModelNumber, "ASHGROVE AG960 1TB NVMe                 ");
  EXPECT_STREQ(temp.SerialNumber, "AG9B2107004417      ");
  EXPECT_STREQ(temp.FirmwareRevision, "2.1.0A  ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(temp.IdentifyData) + 24, 8), "ASHGROVE");
  EXPECT_EQ(temp.Temperature, 43);
  EXPECT_EQ(temp.HealthStatus, ardmon::kHealthGood);
  EXPECT_EQ(temp.PowerOnHours, 4873u);
  EXPECT_EQ(ardmon::nvme::ReadHealthField(temp.AttributeData, HealthField::PowerCycles), 1432u);
  EXPECT_EQ(ardmon::nvme::ReadHealthField(temp.AttributeData, HealthField::DataUnitsWritten),
            18410557u);
  EXPECT_TRUE(std::all_of(std::begin(temp.ThresholdData), std::end(temp.ThresholdData),
                          [](std::uint8_t b) { return b == 0; }));
}

TEST_F(SimLibrary, AWornNvmeDriveAndOneWhoseDriverReportsOnlyItsTemperature) {
  Fixture f = disklib::sim::LoadFixture(FixtureFile());
  disklib::sim::NvmeDrive& nvme = *f.disks.back().nvme;
  nvme.Set(ardmon::nvme::HealthField::AvailableSpare, 5);
  disklib::sim::SaveFixture(f, FixtureFile());
  EXPECT_EQ(TempInfo(5).HealthStatus, ardmon::kHealthBad) << "spare below its threshold";

  nvme.protocolQueries = false;
  disklib::sim::SaveFixture(f, FixtureFile());
  ardmon::TempInfoRecord expected{};
  expected.Temperature = 43;
  const ardmon::TempInfoRecord temp = TempInfo(5);
  EXPECT_EQ(std::memcmp(&temp, &expected, sizeof temp), 0);
}

TEST_F(SimLibrary, TheNextCallSeesAChangedFixture) {
  Fixture f = disklib::sim::LoadFixture(FixtureFile());
  for (auto& a : f.disks.at(0).ata->attributes) {
    if (a.id == 194) a.raw = 57;
  }
  f.disks.erase(f.disks.begin() + 2);
  disklib::sim::SaveFixture(f, FixtureFile());

  EXPECT_EQ(TempInfo(0).Temperature, 57);
  EXPECT_TRUE(AllZero(DiskInfo(2)));
  EXPECT_TRUE(AllZero(TempInfo(2)));
  EXPECT_EQ(DiskInfo(3).Present, 1);
}

TEST_F(SimLibrary, FilterRegistrationIsWrittenToTheFixture) {
  EXPECT_EQ(addFilterSil_(), 1);
  EXPECT_EQ(addFilterSil_(), 0);
  EXPECT_EQ(FiltersOnFile(), std::optional<std::vector<std::string>>({"OxaSATAFil"}));
  EXPECT_EQ(delFilterSil_(), 1);
  EXPECT_FALSE(FiltersOnFile().has_value());
  EXPECT_EQ(delFilterSil_(), 0);
}

// Only a driver that would load: a kernel driver, not disabled, its file
// there.
TEST_F(SimLibrary, FilterRegistrationNeedsItsDriverAndKeepsOtherFilters) {
  using Filters = std::optional<std::vector<std::string>>;
  using disklib::sim::Service;
  Fixture f = disklib::sim::LoadFixture(FixtureFile());
  SiliconImageController(f).upperFilters = Filters({"vendorflt"});
  const std::vector<Service> cannotLoad[] = {
      {},
      {Service{"OxaSATAFil", 1, 4, true}},
      {Service{"OxaSATAFil", 2, 3, true}},
      {Service{"OxaSATAFil", 1, 3, false}},
  };
  for (const std::vector<Service>& services : cannotLoad) {
    f.services = services;
    SCOPED_TRACE(disklib::sim::WriteFixture(f).substr(0, 120));
    disklib::sim::SaveFixture(f, FixtureFile());
    EXPECT_EQ(addFilterSil_(), 0);
    EXPECT_EQ(disklib::sim::LoadFixture(FixtureFile()), f) << "nothing written";
  }

  f.services = {Service{"oxasatafil", 1, 0, true}};
  disklib::sim::SaveFixture(f, FixtureFile());
  EXPECT_EQ(addFilterSil_(), 1);
  EXPECT_EQ(FiltersOnFile(), Filters({"vendorflt", "OxaSATAFil"}));
  EXPECT_EQ(delFilterSil_(), 1);
  EXPECT_EQ(FiltersOnFile(), Filters({"vendorflt"}));
}

// Drive 2 behind a bridge that answers the 12-byte pass-through it does not
// know with GOOD and no data; drive 3 behind one that hands back half
// sectors but reports the temperature property.
TEST_F(SimLibrary, QuirkyDrivesAreReadThroughTheNextMethodOrNotAtAll) {
  Fixture f = disklib::sim::LoadFixture(FixtureFile());
  f.disks.at(2).methods = {disklib::AccessMethod::AtaPassThrough16};
  f.disks.at(2).quirks = {Quirk::GoodStatusNoData};
  f.disks.at(3).quirks = {Quirk::ShortTransfer, Quirk::TemperatureProperty};
  disklib::sim::SaveFixture(f, FixtureFile());

  const ardmon::TempInfoRecord bridged = TempInfo(2);
  EXPECT_EQ(bridged.IdentifyOk + bridged.AttributesOk + bridged.ThresholdsOk, 3);
  EXPECT_EQ(std::string(bridged.ModelNumber).substr(0, 20), "KESTREL KS2000NV-00A");
  EXPECT_EQ(bridged.Temperature, 34);
  const ardmon::TempInfoRecord shortened = TempInfo(3);
  EXPECT_EQ(shortened.IdentifyOk + shortened.AttributesOk, 0);
  EXPECT_EQ(shortened.Temperature, 44) << "through the property alone";
}

// Drivers that complete an aborted S.M.A.R.T. read with a sector of zeros
// and the error inside: the drive is identified, its health not evaluated.
// Drive 0 answers through the disk miniport, drive 1 through the SATA
// filter.
TEST_F(SimLibrary, AbortedSmartReadsWithZeroDataAreNotRead) {
  Fixture f = disklib::sim::LoadFixture(FixtureFile());
  for (std::int32_t drive : {0, 1}) f.disks.at(drive).quirks = {Quirk::SmartAbortZeroData};
  disklib::sim::SaveFixture(f, FixtureFile());
  for (std::int32_t drive : {0, 1}) {
    SCOPED_TRACE(drive);
    const ardmon::TempInfoRecord temp = TempInfo(drive);
    EXPECT_EQ(temp.IdentifyOk + temp.SmartSupported, 2);
    EXPECT_EQ(temp.AttributesOk + temp.ThresholdsOk, 0);
    EXPECT_EQ(temp.HealthStatus, ardmon::kHealthNotEvaluated);
    EXPECT_EQ(temp.Temperature, 0);
  }
}

// The drive's information comes from what Windows holds; its first read
// spins it up, written back and counted beside the library, once.
TEST_F(SimLibrary, AReadWakesADiskInStandbyOnceAndCountsIt) {
  Fixture f = disklib::sim::LoadFixture(FixtureFile());
  f.disks.at(0).powerState = disklib::sim::PowerState::Standby;
  disklib::sim::SaveFixture(f, FixtureFile());
  const fs::path counts = OwnFolder() / L"ArdmonSim.counts.json";
  EXPECT_EQ(DiskInfo(0).Present, 1);
  EXPECT_FALSE(fs::exists(counts));
  EXPECT_EQ(TempInfo(0).Temperature, 38);
  EXPECT_EQ(TempInfo(0).Temperature, 38);
  EXPECT_EQ(disklib::sim::LoadFixture(FixtureFile()).disks.at(0).powerState,
            disklib::sim::PowerState::Active);
  EXPECT_EQ(disklib::sim::LoadSpinUps(counts), (std::map<std::uint32_t, std::uint32_t>{{0, 1}}));
}

TEST_F(SimLibrary, MissingOrBrokenFixtureIsAMachineWithoutDisks) {
  std::ofstream(FixtureFile(), std::ios::trunc) << "{\"disks\": [";
  EXPECT_TRUE(AllZero(DiskInfo(0)));
  EXPECT_TRUE(AllZero(TempInfo(0)));
  EXPECT_EQ(addFilterSil_(), 0);
  fs::remove(FixtureFile());
  EXPECT_TRUE(AllZero(DiskInfo(0)));
  EXPECT_EQ(delFilterSil_(), 0);
  EXPECT_FALSE(fs::exists(FixtureFile()));
}

}  // namespace
