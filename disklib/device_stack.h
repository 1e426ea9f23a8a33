// The platform operations the disk library needs, as one seam: the Win32
// implementation talks to SetupAPI, the configuration manager and the
// drivers; the simulated one answers from a fixture.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace disklib {

using DevNode = std::uint32_t;
using DeviceHandle = std::uintptr_t;

enum class InterfaceClass {
  Disk,         // GUID_DEVINTERFACE_DISK
  StoragePort,  // GUID_DEVINTERFACE_STORAGEPORT
};

struct DeviceInterface {
  std::u16string path;
  DevNode node;
};

enum class DeviceProperty {
  HardwareId,    // SPDRP_HARDWAREID
  UpperFilters,  // SPDRP_UPPERFILTERS
};

// One device of a device information set, valid only inside the visit.
class DeviceEntry {
 public:
  virtual ~DeviceEntry() = default;
  // The raw bytes of a multi-string property: empty when the property is
  // present without data, nothing when it is absent or cannot be read.
  virtual std::optional<std::vector<std::uint8_t>> ReadProperty(DeviceProperty property) = 0;
  // Writes the property; no bytes removes it.
  virtual bool WriteProperty(DeviceProperty property, const std::vector<std::uint8_t>& bytes) = 0;
};

// A driver service's key, as far as loading its driver depends on it.
struct DriverService {
  std::optional<std::uint32_t> type;   // Type (REG_DWORD), when present
  std::optional<std::uint32_t> start;  // Start (REG_DWORD), when present
  bool imageExists = false;            // the file its ImagePath names, or the default one
};

// Access masks for Open.
constexpr std::uint32_t kNoAccess = 0;
constexpr std::uint32_t kReadWrite = 0x80000000u | 0x40000000u;  // GENERIC_READ | GENERIC_WRITE

class DeviceStack {
 public:
  virtual ~DeviceStack() = default;

  // Visits the present interfaces of a class in enumeration order until
  // `stop` returns true. Interfaces whose detail cannot be read are passed
  // over. False when the interface set cannot be had.
  virtual bool VisitInterfaces(InterfaceClass cls,
                               const std::function<bool(const DeviceInterface&)>& stop) = 0;
  virtual std::optional<DevNode> ParentOf(DevNode node) = 0;
  // The device instance ID, at most 259 characters.
  virtual std::optional<std::u16string> DeviceIdOf(DevNode node) = 0;

  // Opens a path shared for reading and writing, existing only.
  virtual std::optional<DeviceHandle> Open(const std::u16string& path, std::uint32_t access) = 0;
  virtual void Close(DeviceHandle handle) = 0;
  // Whether Windows has the opened disk powered (GetDevicePowerState): false
  // when it has powered the disk down, which any request would undo;
  // nothing when it cannot tell.
  virtual std::optional<bool> DevicePowered(DeviceHandle handle) = 0;
  // One device control request; `in` and `out` may be the same buffer.
  virtual bool Control(DeviceHandle handle, std::uint32_t code, const void* in,
                       std::uint32_t inSize, void* out, std::uint32_t outSize,
                       std::uint32_t& returned) = 0;

  virtual std::uint32_t LogicalDrives() = 0;
  // Drive type of a name such as "C:" (no trailing backslash).
  virtual std::uint32_t DriveType(const std::u16string& name) = 0;
  // The device a DOS name such as "C:" stands for.
  virtual std::optional<std::u16string> DosDeviceOf(const std::u16string& name) = 0;
  // Equality ignoring case under the system's default locale.
  virtual bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) = 0;

  // Visits every device of all classes, or only the present ones. False
  // when the device set cannot be had.
  virtual bool VisitDevices(bool presentOnly, const std::function<void(DeviceEntry&)>& visit) = 0;
  // What the key of the driver service of this name under
  // HKLM\SYSTEM\CurrentControlSet\Services holds; nothing when there is
  // no such key (names ignore case).
  virtual std::optional<DriverService> FindDriverService(const std::u16string& name) = 0;
};

// Closes an opened device when it goes out of scope.
class ScopedHandle {
 public:
  ScopedHandle(DeviceStack& stack, std::optional<DeviceHandle> handle)
      : stack_(stack), handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() {
    if (handle_) stack_.Close(*handle_);
  }
  explicit operator bool() const { return handle_.has_value(); }
  DeviceHandle get() const { return *handle_; }

 private:
  DeviceStack& stack_;
  std::optional<DeviceHandle> handle_;
};

}  // namespace disklib
