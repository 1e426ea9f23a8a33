// A scripted device stack for the library's unit tests: devices answer the
// access methods they are told to, and every request is logged as
// "Method/Operation@path" so tests can check the order of attempts.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "disklib/control_codes.h"
#include "disklib/device_stack.h"
#include "disklib/multi_string.h"
#include "disklib/scsi_pass_through.h"
#include "disklib/storage_query.h"

namespace disklib::testing {

// An IDENTIFY sector with only its first word set: fixed, not removable.
inline std::vector<std::uint8_t> AnyIdentify() {
  std::vector<std::uint8_t> sector(512, 0);
  sector[0] = 0x40;
  return sector;
}

// A S.M.A.R.T. data sector holding only its revision.
inline std::vector<std::uint8_t> AnyAttributes() {
  std::vector<std::uint8_t> sector(512, 0);
  sector[0] = 0x10;
  return sector;
}

// How a device answers CHECK POWER MODE with CK_COND: the registers in
// descriptor or fixed format sense data, sense that carries no registers,
// or GOOD status without sense.
enum class PowerSense { Descriptor, Fixed, Other, None };

// The sense data of a CK_COND answer carrying `count`, byte by byte.
std::vector<std::uint8_t> PowerSenseBytes(PowerSense format, std::uint8_t count);

struct FakeDevice {
  // IOCTL_STORAGE_GET_DEVICE_NUMBER; the request fails when unset.
  std::optional<std::pair<std::uint32_t, std::uint32_t>> typeAndNumber;
  // Disk numbers of the volume's extents; more than one overflows the
  // caller's buffer. The request fails when unset.
  std::optional<std::vector<std::uint32_t>> extents;
  std::optional<std::uint64_t> length;
  bool openable = true;
  // What GetDevicePowerState says: false when Windows has powered it down.
  std::optional<bool> powered = true;
  // INQUIRY vendor and product identification, 24 bytes, when it answers.
  std::string inquiry;
  // "Method/Operation" pairs that answer, e.g. "SmartIoctl/Identify" or
  // "AtaPassThrough16/CheckPowerMode"; a method name alone answers all
  // operations. The storage queries
  // answer as "AdapterProtocol" or "DeviceProtocol" with "Identify" or
  // "HealthLog", and "Temperature".
  std::set<std::string> answers;
  std::uint8_t scsiStatus = 0;
  // CHECK POWER MODE's count register (FFh: active) and how it comes back.
  std::uint8_t powerCount = 0xFF;
  // What the disk driver says of the medium's seek penalty: nothing, the
  // query fails. The driver answers it, so it is not logged as a request.
  std::optional<bool> seekPenalty;
  PowerSense powerSense = PowerSense::Descriptor;
  // DRIVERSTATUS.bDriverError of the control-code methods' answers, and the
  // miniports' SRB_IO_CONTROL.ReturnCode.
  std::uint8_t driverError = 0;
  std::uint32_t returnCode = 0;
  // The answer bytes the driver reports: the pass-through DataTransferLength,
  // or the count behind the answer offset of a control-code method or a
  // storage query's descriptor; unset: what was asked.
  std::optional<std::uint32_t> reportedTransfer;
  std::optional<std::pair<std::uint8_t, std::uint8_t>> scsiAddress;
  std::vector<std::uint8_t> identify = AnyIdentify();
  std::vector<std::uint8_t> attributes = AnyAttributes();
  std::vector<std::uint8_t> thresholds = std::vector<std::uint8_t>(512, 0);
  std::vector<std::uint8_t> nvmeIdentify = std::vector<std::uint8_t>(4096, 0);
  std::vector<std::uint8_t> healthLog = std::vector<std::uint8_t>(512, 0);
  std::int16_t celsius = 0;  // the temperature query's answer
};

struct FakeNode {
  std::u16string id;
  std::optional<DevNode> parent;
};

struct FakeRegistryDevice {
  bool present = true;
  std::optional<std::vector<std::uint8_t>> hardwareId;
  std::optional<std::vector<std::uint8_t>> upperFilters;
  bool writable = true;
  int writes = 0;
};

using disklib::MultiStringBytes;

class FakeDeviceStack : public DeviceStack {
 public:
  std::map<DevNode, FakeNode> nodes;
  std::vector<DeviceInterface> diskInterfaces;
  std::vector<DeviceInterface> portInterfaces;
  bool interfaceSetsAvailable = true;
  std::map<std::u16string, FakeDevice> devices;
  std::uint32_t logicalDrives = 0;
  std::map<char16_t, std::uint32_t> driveTypes;
  std::map<char16_t, std::u16string> dosDevices;
  std::vector<FakeRegistryDevice> registry;
  std::map<std::u16string, DriverService> services;  // installed driver services, exact names

  std::vector<std::string> log;
  std::vector<std::vector<std::uint8_t>> passThroughRequests;
  int controlCalls = 0;  // every Control request, whatever it asks
  int openHandles = 0;

  bool VisitInterfaces(InterfaceClass cls,
                       const std::function<bool(const DeviceInterface&)>& stop) override;
  std::optional<DevNode> ParentOf(DevNode node) override;
  std::optional<std::u16string> DeviceIdOf(DevNode node) override;
  std::optional<DeviceHandle> Open(const std::u16string& path, std::uint32_t access) override;
  void Close(DeviceHandle handle) override;
  std::optional<bool> DevicePowered(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, const void* in, std::uint32_t inSize,
               void* out, std::uint32_t outSize, std::uint32_t& returned) override;
  std::uint32_t LogicalDrives() override { return logicalDrives; }
  std::uint32_t DriveType(const std::u16string& name) override;
  std::optional<std::u16string> DosDeviceOf(const std::u16string& name) override;
  bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b) override;
  bool VisitDevices(bool presentOnly, const std::function<void(DeviceEntry&)>& visit) override;
  std::optional<DriverService> FindDriverService(const std::u16string& name) override;

  // The methods tried, in order, as "Method/Operation@path".
  std::vector<std::string> Attempts() const { return log; }

 private:
  bool Answer(FakeDevice& device, const std::string& method, const std::string& operation);
  const std::vector<std::uint8_t>& SectorFor(FakeDevice& device, const std::string& operation);
  bool Miniport(FakeDevice& device, const std::string& where, std::uint8_t* buffer,
                std::uint32_t& returned);
  bool Smart(FakeDevice& device, const std::string& where, std::uint8_t* buffer,
             std::uint32_t& returned);
  bool PassThrough(FakeDevice& device, const std::string& where, std::uint8_t* buffer,
                   std::uint32_t inSize);
  static void AnswerPowerCheck(const FakeDevice& device, std::uint8_t* buffer);
  bool StorageQuery(FakeDevice& device, const std::string& where, std::uint8_t* buffer,
                    std::uint32_t inSize, std::uint32_t outSize, std::uint32_t& returned);

  std::map<DeviceHandle, std::u16string> handles_;
  DeviceHandle next_ = 100;
};

}  // namespace disklib::testing
