// The device stack of a real Windows machine: SetupAPI, the configuration
// manager, CreateFileW and DeviceIoControl.
#pragma once

#include "disklib/device_stack.h"

namespace disklib {

class Win32DeviceStack final : public DeviceStack {
 public:
  bool VisitInterfaces(InterfaceClass cls,
                       const std::function<bool(const DeviceInterface&)>& stop) override;
  std::optional<DevNode> ParentOf(DevNode node) override;
  std::optional<std::u16string> DeviceIdOf(DevNode node) override;

  std::optional<DeviceHandle> Open(const std::u16string& path, std::uint32_t access) override;
  void Close(DeviceHandle handle) override;
  std::optional<bool> DevicePowered(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, const void* in, std::uint32_t inSize,
               void* out, std::uint32_t outSize, std::uint32_t& returned) override;

  std::uint32_t LogicalDrives() override;
  std::uint32_t DriveType(const std::u16string& name) override;
  std::optional<std::u16string> DosDeviceOf(const std::u16string& name) override;
  bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) override;

  bool VisitDevices(bool presentOnly, const std::function<void(DeviceEntry&)>& visit) override;
  // Reads the service's key and looks for its file (win32_driver_service.cpp).
  std::optional<DriverService> FindDriverService(const std::u16string& name) override;
};

}  // namespace disklib
