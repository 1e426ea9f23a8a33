// The simulated ArdmonLib.dll, loaded from beside this program and called by
// its plain export names, as the service calls it: it answers from
// ArdmonSim.json in its folder and reads that file again on every call.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/exports.h"
#include "disklib/sim/fixture.h"

namespace {

namespace fs = std::filesystem;
using disklib::sim::Fixture;

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
  static const disklib::sim::Device& SiliconImageController(const Fixture& f) {
    for (const auto& d : f.devices) {
      if (d.id.rfind("PCI\\VEN_1095&DEV_3132", 0) == 0) return d;
    }
    throw std::runtime_error("no Silicon Image controller in the fixture");
  }

  static inline HMODULE module_ = nullptr;
  static inline GetDiskInfoFn getDiskInfo_ = nullptr;
  static inline GetTempInfoFn getTempInfo_ = nullptr;
  static inline AddFilterSilFn addFilterSil_ = nullptr;
  static inline DelFilterSilFn delFilterSil_ = nullptr;
};

TEST_F(SimLibrary, AnswersForTheDemoDrives) {
  struct Expected {
    const char* letters;
    std::uint8_t temperature;
    std::uint8_t health;
  };
  const Expected expected[] = {{"C:", 38, ardmon::kHealthGood},
                               {"D:", 41, ardmon::kHealthCaution},
                               {"E:", 34, ardmon::kHealthGood},
                               {"F:", 44, ardmon::kHealthGood}};
  for (std::int32_t n = 0; n < 4; ++n) {
    SCOPED_TRACE(n);
    const ardmon::DiskInfoTable info = DiskInfo(n);
    EXPECT_EQ(info.Present, 1);
    EXPECT_STREQ(info.DriveLetters, expected[n].letters);
    const ardmon::TempInfoRecord temp = TempInfo(n);
    EXPECT_EQ(temp.Temperature, expected[n].temperature);
    EXPECT_EQ(temp.HealthStatus, expected[n].health);
  }
  EXPECT_EQ(std::string(TempInfo(0).ModelNumber).substr(0, 18), "MARLOWE MX500AS-01");

  const ardmon::DiskInfoTable reader = DiskInfo(4);
  EXPECT_EQ(reader.Present, 0);
  EXPECT_NE(reader.DevicePath[0], u'\0');
  EXPECT_TRUE(AllZero(DiskInfo(25)));
  EXPECT_EQ(getDiskInfo_(0, nullptr), 1);
  EXPECT_EQ(getTempInfo_(0, nullptr), 1);
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
  const Fixture added = disklib::sim::LoadFixture(FixtureFile());
  EXPECT_EQ(SiliconImageController(added).upperFilters,
            std::optional<std::vector<std::string>>({"OxaSATAFil"}));
  EXPECT_EQ(delFilterSil_(), 1);
  EXPECT_FALSE(
      SiliconImageController(disklib::sim::LoadFixture(FixtureFile())).upperFilters.has_value());
  EXPECT_EQ(delFilterSil_(), 0);
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
