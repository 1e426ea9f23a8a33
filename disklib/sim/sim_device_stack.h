// A DeviceStack that plays a whole machine from a fixture. It decodes every
// request as the platform's drivers would and fails the malformed ones, so
// that a wrong byte in our requests shows up here and not only on a real
// machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "disklib/device_stack.h"
#include "disklib/sim/fixture.h"

namespace disklib::sim {

class SimDeviceStack : public DeviceStack {
 public:
  // With a file, every property edit and every disk woken is written back
  // to it at once, and each spin-up counted in the counts file beside it.
  explicit SimDeviceStack(Fixture fixture,
                          std::optional<std::filesystem::path> saveTo = std::nullopt);

  const Fixture& fixture() const { return fixture_; }
  // Handles opened and not yet closed.
  std::size_t OpenHandleCount() const { return handles_.size(); }

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
  std::optional<DriverService> FindDriverService(const std::u16string& name) override;

  // Used by the device entries handed out during a visit.
  std::optional<std::vector<std::uint8_t>> ReadProperty(std::size_t device,
                                                        DeviceProperty property) const;
  bool WriteProperty(std::size_t device, DeviceProperty property,
                     const std::vector<std::uint8_t>& bytes);

 private:
  enum class Kind { Disk, Port, Volume };
  struct OpenObject {
    Kind kind;
    std::size_t index;  // into the fixture's list of that kind
    std::uint32_t access;
  };

  const Volume* VolumeOf(const std::u16string& name) const;
  std::vector<bool> AsleepDisks() const;
  // The disks a request woke stay awake: written back, counted, and their
  // answer waits while they spin up.
  void KeepSpinUps(const std::vector<bool>& asleepBefore);

  Fixture fixture_;
  std::optional<std::filesystem::path> saveTo_;
  std::map<DeviceHandle, OpenObject> handles_;
  DeviceHandle nextHandle_ = 0x104;
};

}  // namespace disklib::sim
