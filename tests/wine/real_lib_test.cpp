// The shipped ArdmonLib.dll, loaded from beside this program and called by
// its plain export names, as the service calls it. Wine shows no disk that
// answers, so under Wine every drive reads as absent.
#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/exports.h"
#include "disklib/win32/win32_device_stack.h"
#include "tests/wine/driver_service_key.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using disklib::DeviceProperty;

constexpr std::uint8_t kFill = 0xCC;

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring OwnFolder() {
  return ardmon::ModulePath().parent_path().wstring() + L"\\";
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  // By way of the generic function pointer, which converts to any other.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

Bytes MultiString(std::initializer_list<std::u16string> entries) {
  Bytes bytes;
  for (const std::u16string& entry : entries) {
    for (char16_t c : entry + u'\0') {
      bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }
  bytes.insert(bytes.end(), 2, 0);
  return bytes;
}

bool AllZero(const Bytes& bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

bool AllFill(const Bytes& bytes, std::size_t from) {
  for (std::size_t i = from; i < bytes.size(); ++i) {
    if (bytes[i] != kFill) return false;
  }
  return true;
}

class RealLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW((OwnFolder() + L"ArdmonLib.dll").c_str());
    loadError_ = GetLastError();
    if (!module_) return;
    getDiskInfo_ = Export<GetDiskInfoFn>(module_, "GetDiskInfo");
    getTempInfo_ = Export<GetTempInfoFn>(module_, "GetTempInfo");
    addFilterSil_ = Export<AddFilterSilFn>(module_, "AddFilterSil");
    delFilterSil_ = Export<DelFilterSilFn>(module_, "DelFilterSil");
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(module_, nullptr) << "ArdmonLib.dll beside the test, error " << loadError_;
    ASSERT_TRUE(getDiskInfo_ && getTempInfo_ && addFilterSil_ && delFilterSil_);
  }

  // Both queries of a drive, each into a whole pipe payload filled with a
  // marker: they answer 1, zero their record and write nothing past it.
  static void ExpectAbsent(std::int32_t drive) {
    ExpectZeroRecord(getDiskInfo_, drive, sizeof(ardmon::DiskInfoTable));
    ExpectZeroRecord(getTempInfo_, drive, sizeof(ardmon::TempInfoRecord));
  }
  static void ExpectZeroRecord(std::int32_t (*query)(std::int32_t, void*), std::int32_t drive,
                               std::size_t recordSize) {
    Bytes payload(ardmon::kPayloadSize, kFill);
    EXPECT_EQ(query(drive, payload.data()), 1) << "drive " << drive;
    EXPECT_TRUE(AllZero(payload, recordSize)) << "drive " << drive;
    EXPECT_TRUE(AllFill(payload, recordSize)) << "drive " << drive;
  }

  static inline HMODULE module_ = nullptr;
  static inline DWORD loadError_ = 0;
  static inline GetDiskInfoFn getDiskInfo_ = nullptr;
  static inline GetTempInfoFn getTempInfo_ = nullptr;
  static inline AddFilterSilFn addFilterSil_ = nullptr;
  static inline DelFilterSilFn delFilterSil_ = nullptr;
};

TEST_F(RealLibraryTest, NullRecordsAreLeftAloneAndStillAnswerOne) {
  EXPECT_EQ(getDiskInfo_(0, nullptr), 1);
  EXPECT_EQ(getTempInfo_(0, nullptr), 1);
}

// Numbers no machine has.
TEST_F(RealLibraryTest, DrivesThatCannotExistReadAsZero) {
  for (std::int32_t drive : {-1, 26, 4096}) ExpectAbsent(drive);
}

TEST_F(RealLibraryTest, EveryDriveReadsAsAbsentUnderWine) {
  if (!RunningUnderWine()) GTEST_SKIP() << "real disks may answer";
  for (std::int32_t drive = 0; drive < 26; ++drive) ExpectAbsent(drive);
}

TEST_F(RealLibraryTest, NoFilterEditsWithoutSiliconImageControllers) {
  if (!RunningUnderWine()) GTEST_SKIP() << "the machine may have such controllers";
  EXPECT_EQ(addFilterSil_(), 0);
  EXPECT_EQ(delFilterSil_(), 0);
}

// Lends a present device a SiI3132's hardware IDs and another vendor's
// filter, so the exports meet a controller to edit, and gives its own IDs
// back. The filter goes in only while its driver service would load (a
// kernel driver, not disabled, its file there), behind the other filter,
// and only our entry comes out again. Wine's prefix only.
TEST_F(RealLibraryTest, FilterRegisteredOnlyWithItsDriverBehindOtherFilters) {
  if (!RunningUnderWine()) GTEST_SKIP() << "edits device properties";
  ardmon::testing::DriverServiceKey driver(L"OxaSATAFil");
  ardmon::testing::DriverImageFile image(L"OxaSATAFil");
  ASSERT_TRUE(driver.Remove());
  disklib::Win32DeviceStack stack;
  bool tried = false;
  stack.VisitDevices(true, [&](disklib::DeviceEntry& device) {
    if (tried) return;
    const std::optional<Bytes> ids = device.ReadProperty(DeviceProperty::HardwareId);
    std::optional<Bytes> filters = device.ReadProperty(DeviceProperty::UpperFilters);
    if (!ids || ids->empty() || (filters && !filters->empty())) return;
    tried = true;
    ASSERT_TRUE(device.WriteProperty(DeviceProperty::HardwareId,
                                     MultiString({u"PCI\\VEN_1095&DEV_3132&SUBSYS_71321095&REV_01",
                                                  u"PCI\\VEN_1095&DEV_3132"})));
    const Bytes other = MultiString({u"vendorflt"});
    ASSERT_TRUE(device.WriteProperty(DeviceProperty::UpperFilters, other));

    EXPECT_EQ(addFilterSil_(), 0) << "no driver service";
    ASSERT_TRUE(driver.SetDword(L"Type", 1) && driver.SetDword(L"Start", 4));
    EXPECT_EQ(addFilterSil_(), 0) << "disabled";
    ASSERT_TRUE(driver.SetDword(L"Start", 3) && image.Remove());
    EXPECT_EQ(addFilterSil_(), 0) << "its file missing";
    EXPECT_EQ(device.ReadProperty(DeviceProperty::UpperFilters), std::optional<Bytes>(other));
    ASSERT_TRUE(image.Create());
    EXPECT_EQ(addFilterSil_(), 1);
    EXPECT_EQ(device.ReadProperty(DeviceProperty::UpperFilters),
              std::optional<Bytes>(MultiString({u"vendorflt", u"OxaSATAFil"})));
    EXPECT_EQ(addFilterSil_(), 0);
    EXPECT_EQ(delFilterSil_(), 1);
    EXPECT_EQ(device.ReadProperty(DeviceProperty::UpperFilters), std::optional<Bytes>(other));
    EXPECT_EQ(delFilterSil_(), 0);

    EXPECT_TRUE(device.WriteProperty(DeviceProperty::UpperFilters, {}));
    EXPECT_TRUE(device.WriteProperty(DeviceProperty::HardwareId, *ids));
  });
  if (!tried) GTEST_SKIP() << "no present device without upper filters";
}

}  // namespace
