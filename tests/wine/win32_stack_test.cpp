// The Win32 device stack against the system it runs on. Wine shows no real
// disks, so the checks keep to what any Windows-like system answers; what
// only real hardware decides is recorded as a test property, not asserted.
#include <windows.h>
// clang-format off
#include <setupapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "disklib/win32/win32_device_stack.h"
#include "tests/wine/driver_service_key.h"

namespace disklib {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string Ascii(const std::u16string& text) {
  return std::string(text.begin(), text.end());
}

std::u16string OwnPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::u16string(path, path + n);
}

// The first entry of a multi-string property, or nothing when it has no
// terminating NUL inside the bytes.
std::optional<std::u16string> FirstEntry(const Bytes& bytes) {
  std::u16string entry;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == u'\0') return entry;
    entry += c;
  }
  return std::nullopt;
}

class Win32StackTest : public ::testing::Test {
 protected:
  Win32DeviceStack stack_;
};

TEST_F(Win32StackTest, SystemDriveLetter) {
  EXPECT_TRUE(stack_.LogicalDrives() & (1u << (u'C' - u'A')));
  EXPECT_EQ(stack_.DriveType(u"C:"), static_cast<std::uint32_t>(DRIVE_FIXED));
  EXPECT_EQ(stack_.DriveType(u"C"), static_cast<std::uint32_t>(DRIVE_NO_ROOT_DIR));

  std::optional<std::u16string> device = stack_.DosDeviceOf(u"C:");
  ASSERT_TRUE(device.has_value());
  RecordProperty("DosDeviceOfC", Ascii(*device));
  EXPECT_TRUE(device->rfind(u"\\Device\\", 0) == 0 || device->rfind(u"\\??\\", 0) == 0)
      << Ascii(*device);
  EXPECT_EQ(device->find(u'\0'), std::u16string::npos);

  EXPECT_FALSE(stack_.DosDeviceOf(u"NoSuchDosName").has_value());
}

TEST_F(Win32StackTest, CompareIgnoresCaseOnly) {
  EXPECT_TRUE(stack_.EqualIgnoringCase(u"\\Device\\Floppy", u"\\DEVICE\\FLOPPY"));
  EXPECT_TRUE(stack_.EqualIgnoringCase(u"", u""));
  EXPECT_FALSE(stack_.EqualIgnoringCase(u"\\Device\\Floppy", u"\\Device\\Harddisk"));
  // Lengths are passed, not found by a NUL: a longer or shorter text differs.
  EXPECT_FALSE(stack_.EqualIgnoringCase(u"\\Device\\Floppy", u"\\Device\\Floppy0"));
  EXPECT_FALSE(stack_.EqualIgnoringCase(u"\\Device\\Floppy", u"\\Device\\Flopp"));
  EXPECT_FALSE(stack_.EqualIgnoringCase(std::u16string(u"ab\0c", 4), u"ab"));
}

TEST_F(Win32StackTest, OpenAndClose) {
  EXPECT_FALSE(stack_.Open(u"\\\\.\\NoSuchArdmonDevice", kNoAccess).has_value());
  EXPECT_FALSE(stack_.Open(u"C:\\no\\such\\file.bin", kReadWrite).has_value());

  std::optional<DeviceHandle> handle = stack_.Open(OwnPath(), kNoAccess);
  ASSERT_TRUE(handle.has_value());
  EXPECT_NE(*handle, reinterpret_cast<DeviceHandle>(INVALID_HANDLE_VALUE));
  stack_.Close(*handle);
}

// The volume of C: answers the device-number request, on Windows and Wine.
TEST_F(Win32StackTest, ControlReturnsTheAnswerAndItsSize) {
  ScopedHandle volume(stack_, stack_.Open(u"\\\\.\\C:", kNoAccess));
  ASSERT_TRUE(volume);
  std::uint8_t number[16];
  std::memset(number, 0xCC, sizeof number);
  std::uint32_t returned = 0;
  ASSERT_TRUE(stack_.Control(volume.get(), 0x2D1080, nullptr, 0, number, sizeof number, returned));
  EXPECT_EQ(returned, 12u);
  std::uint32_t deviceType = 0;
  std::memcpy(&deviceType, number, sizeof deviceType);
  EXPECT_EQ(deviceType, 7u);  // FILE_DEVICE_DISK
  EXPECT_EQ(number[12], 0xCC);
}

TEST_F(Win32StackTest, ControlFailsForARequestTheDeviceDoesNotKnow) {
  ScopedHandle file(stack_, stack_.Open(OwnPath(), kNoAccess));
  ASSERT_TRUE(file);
  std::uint8_t address[8] = {};
  std::uint32_t returned = 0;
  // IOCTL_SCSI_GET_ADDRESS on an ordinary file.
  EXPECT_FALSE(stack_.Control(file.get(), 0x41018, nullptr, 0, address, sizeof address, returned));
}

TEST_F(Win32StackTest, InterfaceSets) {
  for (InterfaceClass cls : {InterfaceClass::Disk, InterfaceClass::StoragePort}) {
    int visited = 0;
    const bool had = stack_.VisitInterfaces(cls, [&](const DeviceInterface& itf) {
      ++visited;
      EXPECT_FALSE(itf.path.empty());
      EXPECT_EQ(itf.path.find(u'\0'), std::u16string::npos);
      EXPECT_TRUE(stack_.DeviceIdOf(itf.node).has_value()) << Ascii(itf.path);
      return false;
    });
    const std::string name = cls == InterfaceClass::Disk ? "Disk" : "StoragePort";
    RecordProperty(name + "SetHad", had ? "true" : "false");
    RecordProperty(name + "Interfaces", visited);
  }

  int all = 0, visited = 0;
  stack_.VisitInterfaces(InterfaceClass::Disk, [&](const DeviceInterface&) {
    ++all;
    return false;
  });
  stack_.VisitInterfaces(InterfaceClass::Disk, [&](const DeviceInterface&) {
    ++visited;
    return true;
  });
  EXPECT_EQ(visited, all == 0 ? 0 : 1);
}

// The instance ID of a node as the set itself names it.
TEST_F(Win32StackTest, DeviceIdOfADevicesNode) {
  HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  int compared = 0, withParent = 0;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    wchar_t expected[260] = {};
    if (!SetupDiGetDeviceInstanceIdW(set, &device, expected, 260, nullptr)) continue;
    std::optional<std::u16string> id = stack_.DeviceIdOf(device.DevInst);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(*id, std::u16string(expected, expected + wcslen(expected)));
    ++compared;
    if (std::optional<DevNode> parent = stack_.ParentOf(device.DevInst)) {
      ++withParent;
      EXPECT_TRUE(stack_.DeviceIdOf(*parent).has_value());
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  RecordProperty("DevicesWithParent", withParent);
  if (compared == 0) GTEST_SKIP() << "no present devices";
}

TEST_F(Win32StackTest, NoParentOrIdForAnUnknownNode) {
  EXPECT_FALSE(stack_.ParentOf(0xFFFFFF).has_value());
  EXPECT_FALSE(stack_.DeviceIdOf(0xFFFFFF).has_value());
}

TEST_F(Win32StackTest, DeviceProperties) {
  int present = 0, withIds = 0;
  ASSERT_TRUE(stack_.VisitDevices(true, [&](DeviceEntry& device) {
    ++present;
    std::optional<Bytes> ids = device.ReadProperty(DeviceProperty::HardwareId);
    device.ReadProperty(DeviceProperty::UpperFilters);
    if (!ids || ids->empty()) return;
    ++withIds;
    std::optional<std::u16string> first = FirstEntry(*ids);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(first->empty());
  }));
  int all = 0;
  ASSERT_TRUE(stack_.VisitDevices(false, [&](DeviceEntry&) { ++all; }));
  RecordProperty("PresentDevices", present);
  RecordProperty("PresentWithHardwareIds", withIds);
  RecordProperty("AllDevices", all);
  EXPECT_GE(all, present);
}

// Writes a filter list to a device that has none and takes it away again.
// Only in Wine's throwaway prefix: on Windows this edits real devices.
TEST_F(Win32StackTest, UpperFiltersWrittenReadAndRemoved) {
  if (!RunningUnderWine()) GTEST_SKIP() << "edits device properties";
  const Bytes list = {'A', 0, 'b', 0, 0, 0, 'C', 0, 0, 0, 0, 0};
  bool tried = false;
  stack_.VisitDevices(true, [&](DeviceEntry& device) {
    if (tried) return;
    std::optional<Bytes> before = device.ReadProperty(DeviceProperty::UpperFilters);
    if (before && !before->empty()) return;
    tried = true;
    ASSERT_TRUE(device.WriteProperty(DeviceProperty::UpperFilters, list));
    EXPECT_EQ(device.ReadProperty(DeviceProperty::UpperFilters), std::optional<Bytes>(list));
    ASSERT_TRUE(device.WriteProperty(DeviceProperty::UpperFilters, {}));
    // Windows deletes the value; Wine keeps it without data, which reads as
    // present and empty.
    EXPECT_EQ(device.ReadProperty(DeviceProperty::UpperFilters), std::optional<Bytes>(Bytes()));
  });
  if (!tried) GTEST_SKIP() << "no present device without upper filters";
}

// What a real service key holds, and whether the file it names is there
// under the prefix's Windows folder. Only in Wine's throwaway prefix: on
// Windows this would touch the machine's services.
TEST_F(Win32StackTest, DriverServiceKeyAndItsFile) {
  if (!RunningUnderWine()) GTEST_SKIP() << "edits the machine's services";
  using ardmon::testing::DriverImageFile;
  using ardmon::testing::DriverServiceKey;
  constexpr wchar_t kName[] = L"ArdmonTestFilter";
  const std::wstring inDrivers = std::wstring(L"System32\\drivers\\") + kName + L".sys";
  struct Image {
    DWORD type;
    std::wstring path;
  };
  struct Case {
    const char* what;
    DWORD type;
    DWORD start;
    std::optional<Image> imagePath;
    bool fileThere;
    bool imageExists;
  };
  const Case cases[] = {
      {"the default file", 1, 3, {}, true, true},
      {"the default file missing", 1, 3, {}, false, false},
      {"without a root", 2, 4, Image{REG_SZ, inDrivers}, true, true},
      {"expanded", 1, 3, Image{REG_EXPAND_SZ, L"%SystemRoot%\\" + inDrivers}, true, true},
      {"not expanded", 1, 3, Image{REG_SZ, L"%SystemRoot%\\" + inDrivers}, true, false},
      {"a folder", 1, 3, Image{REG_SZ, L"System32\\drivers"}, true, false},
      {"not text", 1, 3, Image{REG_BINARY, L"x"}, true, false},
  };
  DriverServiceKey key(kName);
  DriverImageFile file(kName);
  ASSERT_TRUE(key.Remove());
  EXPECT_FALSE(stack_.FindDriverService(u"ArdmonTestFilter").has_value());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(key.Remove() && key.SetDword(L"Type", c.type) && key.SetDword(L"Start", c.start));
    if (c.imagePath) {
      ASSERT_TRUE(key.SetText(L"ImagePath", c.imagePath->path, c.imagePath->type));
    }
    ASSERT_TRUE(c.fileThere ? file.Create() : file.Remove());
    const std::optional<DriverService> found = stack_.FindDriverService(u"ARDMONtestfilter");
    ASSERT_TRUE(found.has_value()) << "key names ignore case";
    EXPECT_EQ(found->type, std::optional<std::uint32_t>(c.type));
    EXPECT_EQ(found->start, std::optional<std::uint32_t>(c.start));
    EXPECT_EQ(found->imageExists, c.imageExists);
  }
}

}  // namespace
}  // namespace disklib
