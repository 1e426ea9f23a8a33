#include "disklib/win32/win32_device_stack.h"
#include "common/win32/wide_text.h"

// clang-format off
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
// clang-format on

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <string>
#include <vector>

namespace disklib {
namespace {

using ardmon::Wide;

// The interface classes, spelled out so no header has to instantiate them.
constexpr GUID kDiskInterface = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
constexpr GUID kStoragePortInterface = {
    0x2ACCFE60, 0xC130, 0x11D2, {0xB0, 0x82, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

constexpr DWORD kIdChars = 260;

// The text of a buffer up to its first NUL, never past `capacity` units.
std::u16string Narrow(const wchar_t* text, std::size_t capacity) {
  return std::u16string(text, text + wcsnlen(text, capacity));
}

HANDLE AsHandle(DeviceHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// Owns a device information set.
class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
  ~DeviceInfoSet() {
    if (valid()) SetupDiDestroyDeviceInfoList(set_);
  }
  bool valid() const { return set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

// The path and device node of one interface; nothing when the detail cannot
// be read.
std::optional<DeviceInterface> ReadInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& itf) {
  DWORD size = 0;
  // Succeeding without a buffer means there is no detail to report.
  if (SetupDiGetDeviceInterfaceDetailW(set, &itf, nullptr, 0, &size, nullptr)) return {};

  // DWORD units keep the structure aligned; at least one structure so its
  // size field can be written even when no size was reported.
  constexpr std::size_t kHeader = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  std::vector<DWORD> buffer((std::max<std::size_t>(size, kHeader) + 3) / 4);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
  // The size of the fixed part as the platform lays it out: 8 on x64, 6 on
  // 32-bit Windows.
  detail->cbSize = kHeader;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  if (!SetupDiGetDeviceInterfaceDetailW(set, &itf, detail, size, nullptr, &device)) return {};

  const std::size_t pathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
  const std::size_t pathChars = size > pathOffset ? (size - pathOffset) / sizeof(wchar_t) : 0;
  return DeviceInterface{Narrow(detail->DevicePath, pathChars), device.DevInst};
}

DWORD PropertyCode(DeviceProperty property) {
  switch (property) {
    case DeviceProperty::HardwareId:
      return SPDRP_HARDWAREID;
    case DeviceProperty::UpperFilters:
      return SPDRP_UPPERFILTERS;
  }
  return SPDRP_HARDWAREID;
}

// One device of a set being walked.
class SetupDevice final : public DeviceEntry {
 public:
  SetupDevice(HDEVINFO set, const SP_DEVINFO_DATA& data) : set_(set), data_(data) {}

  std::optional<std::vector<std::uint8_t>> ReadProperty(DeviceProperty property) override {
    const DWORD code = PropertyCode(property);
    DWORD size = 0;
    // Succeeding without a buffer: present, but with no data.
    if (SetupDiGetDeviceRegistryPropertyW(set_, &data_, code, nullptr, nullptr, 0, &size)) {
      return std::vector<std::uint8_t>();
    }
    // A property that keeps growing between the queries gives up in the end
    // rather than hold the caller.
    constexpr int kAttempts = 8;
    for (int i = 0; i < kAttempts && GetLastError() == ERROR_INSUFFICIENT_BUFFER; ++i) {
      // Wine asks for a buffer of no bytes where Windows reports success:
      // either way the property is there without data.
      if (size == 0) return std::vector<std::uint8_t>();
      std::vector<std::uint8_t> bytes(size);
      if (SetupDiGetDeviceRegistryPropertyW(set_, &data_, code, nullptr, bytes.data(), size,
                                            &size)) {
        bytes.resize(std::min<std::size_t>(size, bytes.size()));
        return bytes;
      }
    }
    return std::nullopt;
  }

  bool WriteProperty(DeviceProperty property, const std::vector<std::uint8_t>& bytes) override {
    // No data and size 0 removes the property.
    const BYTE* data = bytes.empty() ? nullptr : bytes.data();
    return SetupDiSetDeviceRegistryPropertyW(set_, &data_, PropertyCode(property), data,
                                             static_cast<DWORD>(bytes.size())) != FALSE;
  }

 private:
  HDEVINFO set_;
  SP_DEVINFO_DATA data_;
};

}  // namespace

bool Win32DeviceStack::VisitInterfaces(InterfaceClass cls,
                                       const std::function<bool(const DeviceInterface&)>& stop) {
  const GUID& guid = cls == InterfaceClass::Disk ? kDiskInterface : kStoragePortInterface;
  DeviceInfoSet set(SetupDiGetClassDevsW(&guid, nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_PROFILE | DIGCF_DEVICEINTERFACE));
  if (!set.valid()) return false;
  SP_DEVICE_INTERFACE_DATA itf{};
  itf.cbSize = sizeof itf;
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set.get(), nullptr, &guid, i, &itf); ++i) {
    std::optional<DeviceInterface> found = ReadInterfaceDetail(set.get(), itf);
    if (found && stop(*found)) break;
  }
  return true;
}

std::optional<DevNode> Win32DeviceStack::ParentOf(DevNode node) {
  DEVINST parent = 0;
  if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return std::nullopt;
  return parent;
}

std::optional<std::u16string> Win32DeviceStack::DeviceIdOf(DevNode node) {
  wchar_t id[kIdChars] = {};
  if (CM_Get_Device_IDW(node, id, kIdChars, 0) != CR_SUCCESS) return std::nullopt;
  return Narrow(id, kIdChars);
}

std::optional<DeviceHandle> Win32DeviceStack::Open(const std::u16string& path,
                                                   std::uint32_t access) {
  HANDLE handle = CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  return reinterpret_cast<DeviceHandle>(handle);
}

void Win32DeviceStack::Close(DeviceHandle handle) {
  CloseHandle(AsHandle(handle));
}

std::optional<bool> Win32DeviceStack::DevicePowered(DeviceHandle handle) {
  BOOL on = FALSE;
  if (!GetDevicePowerState(AsHandle(handle), &on)) return std::nullopt;
  return on != FALSE;
}

bool Win32DeviceStack::Control(DeviceHandle handle, std::uint32_t code, const void* in,
                               std::uint32_t inSize, void* out, std::uint32_t outSize,
                               std::uint32_t& returned) {
  DWORD bytes = 0;
  const BOOL ok = DeviceIoControl(AsHandle(handle), code, const_cast<void*>(in), inSize, out,
                                  outSize, &bytes, nullptr);
  returned = bytes;
  return ok != FALSE;
}

std::uint32_t Win32DeviceStack::LogicalDrives() {
  return GetLogicalDrives();
}

std::uint32_t Win32DeviceStack::DriveType(const std::u16string& name) {
  return GetDriveTypeW(Wide(name).c_str());
}

std::optional<std::u16string> Win32DeviceStack::DosDeviceOf(const std::u16string& name) {
  wchar_t target[kIdChars] = {};
  if (QueryDosDeviceW(Wide(name).c_str(), target, kIdChars) == 0) return std::nullopt;
  return Narrow(target, kIdChars);
}

bool Win32DeviceStack::EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
  const std::wstring wa = Wide(a), wb = Wide(b);
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, wa.c_str(),
                        static_cast<int>(wa.size()), wb.c_str(),
                        static_cast<int>(wb.size())) == CSTR_EQUAL;
}

bool Win32DeviceStack::VisitDevices(bool presentOnly,
                                    const std::function<void(DeviceEntry&)>& visit) {
  const DWORD flags = presentOnly ? (DIGCF_PRESENT | DIGCF_ALLCLASSES) : DIGCF_ALLCLASSES;
  DeviceInfoSet set(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, flags));
  if (!set.valid()) return false;
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set.get(), i, &data); ++i) {
    SetupDevice device(set.get(), data);
    visit(device);
  }
  return true;
}

}  // namespace disklib
