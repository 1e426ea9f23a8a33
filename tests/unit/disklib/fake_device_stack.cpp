#include "fake_device_stack.h"

#include <algorithm>

namespace disklib::testing {
namespace {

std::string Narrow(const std::u16string& s) {
  return std::string(s.begin(), s.end());
}

// SENDCMDOUTPARAMS at `at`: the buffer size and DRIVERSTATUS ahead of the
// sector.
void PutDriverStatus(const FakeDevice& device, std::uint8_t* at) {
  const std::uint32_t size = 512;
  std::memcpy(at, &size, sizeof size);
  std::memset(at + 4, 0, 12);
  at[4] = device.driverError;
}

std::string OperationOf(std::uint8_t command, std::uint8_t features) {
  if (command == 0xEC) return "Identify";
  if (command == 0xB0 && features == 0xD0) return "ReadData";
  if (command == 0xB0 && features == 0xD1) return "ReadThresholds";
  if (command == 0xE5) return "CheckPowerMode";
  return "Unknown";
}

class FakeEntry : public DeviceEntry {
 public:
  explicit FakeEntry(FakeRegistryDevice& device) : device_(device) {}
  std::optional<std::vector<std::uint8_t>> ReadProperty(DeviceProperty property) override {
    return property == DeviceProperty::HardwareId ? device_.hardwareId : device_.upperFilters;
  }
  bool WriteProperty(DeviceProperty property, const std::vector<std::uint8_t>& bytes) override {
    if (!device_.writable || property != DeviceProperty::UpperFilters) return false;
    ++device_.writes;
    device_.upperFilters = bytes.empty() ? std::nullopt : std::optional(bytes);
    return true;
  }

 private:
  FakeRegistryDevice& device_;
};

}  // namespace

std::vector<std::uint8_t> PowerSenseBytes(PowerSense format, std::uint8_t count) {
  const std::uint8_t kStatus = 0x50, kDevice = 0x40;  // DRDY and DSC; LBA mode
  switch (format) {
    case PowerSense::Descriptor:
      return {0x72, 0x01, 0x00, 0x1D, 0, 0,     0, 14,  // recovered error, 00h/1Dh
              0x09, 0x0C, 0x00, 0x00, 0, count, 0, 0,  0, 0, 0, 0, kDevice, kStatus};
    case PowerSense::Fixed:
      return {0x70, 0, 0x01, 0x00, kStatus, kDevice, count, 10, 0, 0, 0, 0, 0x00, 0x1D, 0, 0, 0, 0};
    case PowerSense::Other:  // illegal request, invalid command operation code
      return {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00, 0, 0, 0, 0};
    case PowerSense::None:
      break;
  }
  return {};
}

bool FakeDeviceStack::VisitInterfaces(InterfaceClass cls,
                                      const std::function<bool(const DeviceInterface&)>& stop) {
  if (!interfaceSetsAvailable) return false;
  for (const DeviceInterface& itf : cls == InterfaceClass::Disk ? diskInterfaces : portInterfaces) {
    if (stop(itf)) break;
  }
  return true;
}

std::optional<DevNode> FakeDeviceStack::ParentOf(DevNode node) {
  auto it = nodes.find(node);
  if (it == nodes.end()) return std::nullopt;
  return it->second.parent;
}

std::optional<std::u16string> FakeDeviceStack::DeviceIdOf(DevNode node) {
  auto it = nodes.find(node);
  if (it == nodes.end()) return std::nullopt;
  return it->second.id;
}

std::optional<DeviceHandle> FakeDeviceStack::Open(const std::u16string& path, std::uint32_t) {
  auto it = devices.find(path);
  if (it == devices.end() || !it->second.openable) return std::nullopt;
  handles_[next_] = path;
  ++openHandles;
  return next_++;
}

void FakeDeviceStack::Close(DeviceHandle handle) {
  if (handles_.erase(handle)) --openHandles;
}

std::optional<bool> FakeDeviceStack::DevicePowered(DeviceHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return std::nullopt;
  return devices.at(it->second).powered;
}

std::uint32_t FakeDeviceStack::DriveType(const std::u16string& name) {
  auto it = driveTypes.find(name[0]);
  return it == driveTypes.end() ? 0 : it->second;
}

std::optional<std::u16string> FakeDeviceStack::DosDeviceOf(const std::u16string& name) {
  auto it = dosDevices.find(name[0]);
  if (it == dosDevices.end()) return std::nullopt;
  return it->second;
}

bool FakeDeviceStack::EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool FakeDeviceStack::VisitDevices(bool presentOnly,
                                   const std::function<void(DeviceEntry&)>& visit) {
  for (FakeRegistryDevice& device : registry) {
    if (presentOnly && !device.present) continue;
    FakeEntry entry(device);
    visit(entry);
  }
  return true;
}

std::optional<DriverService> FakeDeviceStack::FindDriverService(const std::u16string& name) {
  auto it = services.find(name);
  if (it == services.end()) return std::nullopt;
  return it->second;
}

bool FakeDeviceStack::Answer(FakeDevice& device, const std::string& method,
                             const std::string& operation) {
  return device.answers.count(method) || device.answers.count(method + "/" + operation);
}

const std::vector<std::uint8_t>& FakeDeviceStack::SectorFor(FakeDevice& device,
                                                            const std::string& operation) {
  if (operation == "Identify") return device.identify;
  return operation == "ReadData" ? device.attributes : device.thresholds;
}

bool FakeDeviceStack::Miniport(FakeDevice& device, const std::string& where, std::uint8_t* buffer,
                               std::uint32_t& returned) {
  const std::string signature(reinterpret_cast<const char*>(buffer + 4), 8);
  std::string method, operation;
  if (signature == "SCSIDISK") {
    method = "ScsiDiskMiniport";
    operation = OperationOf(buffer[38], buffer[32]);
  } else {
    method = "SataMiniport";
    operation = OperationOf(buffer[67], buffer[61]);
  }
  log.push_back(method + "/" + operation + "@" + where);
  if (!Answer(device, method, operation)) return false;
  std::memcpy(buffer + 20, &device.returnCode, sizeof device.returnCode);
  PutDriverStatus(device, buffer + 28);
  std::memcpy(buffer + 44, SectorFor(device, operation).data(), 512);
  returned = 44 + device.reportedTransfer.value_or(512);
  return true;
}

bool FakeDeviceStack::Smart(FakeDevice& device, const std::string& where, std::uint8_t* buffer,
                            std::uint32_t& returned) {
  const std::string operation = OperationOf(buffer[10], buffer[4]);
  log.push_back("SmartIoctl/" + operation + "@" + where);
  if (!Answer(device, "SmartIoctl", operation)) return false;
  PutDriverStatus(device, buffer);
  std::memcpy(buffer + 16, SectorFor(device, operation).data(), 512);
  returned = 16 + device.reportedTransfer.value_or(512);
  return true;
}

bool FakeDeviceStack::PassThrough(FakeDevice& device, const std::string& where,
                                  std::uint8_t* buffer, std::uint32_t inSize) {
  passThroughRequests.emplace_back(buffer, buffer + inSize);
  ScsiPassThroughHeader header;
  std::memcpy(&header, buffer, sizeof header);
  const std::uint8_t* cdb = header.Cdb;
  std::string method, operation;
  switch (cdb[0]) {
    case 0x12:
      log.push_back("Inquiry@" + where);
      if (device.inquiry.empty()) return false;
      std::memcpy(buffer + kDataOffset + 8, device.inquiry.data(), device.inquiry.size());
      header.DataTransferLength = device.reportedTransfer.value_or(36);
      std::memcpy(buffer, &header, sizeof header);
      return true;
    case 0xA1:
      method = "AtaPassThrough12";
      operation = OperationOf(cdb[9], cdb[3]);
      break;
    case 0x85:
      method = "AtaPassThrough16";
      operation = OperationOf(cdb[14], cdb[4]);
      break;
    case 0xF8:
      method = "BridgeCdb12";
      operation = OperationOf(cdb[11], cdb[5]);
      break;
    case 0x01:
      method = "BridgeCdb10";
      operation = OperationOf(cdb[7], cdb[2]);
      break;
  }
  log.push_back(method + "/" + operation + "@" + where);
  if (!Answer(device, method, operation)) return false;
  if (operation == "CheckPowerMode") {
    AnswerPowerCheck(device, buffer);
    return true;
  }
  std::memcpy(buffer + kDataOffset, SectorFor(device, operation).data(), 512);
  header.ScsiStatus = device.scsiStatus;
  header.DataTransferLength = device.reportedTransfer.value_or(512);
  std::memcpy(buffer, &header, sizeof header);
  return true;
}

// No data; the registers, if any, in the sense area the request names.
void FakeDeviceStack::AnswerPowerCheck(const FakeDevice& device, std::uint8_t* buffer) {
  ScsiPassThroughHeader header;
  std::memcpy(&header, buffer, sizeof header);
  const std::vector<std::uint8_t> sense = PowerSenseBytes(device.powerSense, device.powerCount);
  const auto length =
      static_cast<std::uint8_t>(std::min<std::size_t>(sense.size(), header.SenseInfoLength));
  std::copy_n(sense.begin(), length, buffer + header.SenseInfoOffset);
  header.ScsiStatus = sense.empty() ? 0x00 : 0x02;  // GOOD or CHECK CONDITION
  header.SenseInfoLength = length;
  header.DataTransferLength = 0;
  std::memcpy(buffer, &header, sizeof header);
}

// Answers as the platform's storage drivers do, data right behind the
// descriptor; a protocol query must bring room for its data.
bool FakeDeviceStack::StorageQuery(FakeDevice& device, const std::string& where,
                                   std::uint8_t* buffer, std::uint32_t inSize,
                                   std::uint32_t outSize, std::uint32_t& returned) {
  StoragePropertyQuery query;
  std::memcpy(&query, buffer, sizeof query);
  if (query.PropertyId == static_cast<std::uint32_t>(StorageProperty::DeviceSeekPenalty)) {
    if (!device.seekPenalty || outSize < sizeof(DeviceSeekPenaltyDescriptor)) return false;
    const DeviceSeekPenaltyDescriptor answer{12, 12, *device.seekPenalty};
    std::memcpy(buffer, &answer, sizeof answer);
    returned = sizeof answer;
    return true;
  }
  if (query.PropertyId == static_cast<std::uint32_t>(StorageProperty::DeviceTemperature)) {
    log.push_back("Temperature@" + where);
    if (!Answer(device, "Temperature", "") || inSize != kPropertyQuerySize) return false;
    StorageTemperatureDataDescriptor descriptor{};
    descriptor.Version = descriptor.Size = 40;
    descriptor.InfoCount = 1;
    StorageTemperatureInfo info{};
    info.Temperature = device.celsius;
    std::memcpy(buffer, &descriptor, sizeof descriptor);
    std::memcpy(buffer + sizeof descriptor, &info, sizeof info);
    returned = 40;
    return outSize >= 40;
  }
  StorageProtocolSpecificData protocol;
  std::memcpy(&protocol, buffer + kQueryParametersOffset, sizeof protocol);
  const std::string property =
      query.PropertyId == static_cast<std::uint32_t>(StorageProperty::AdapterProtocolSpecific)
          ? "AdapterProtocol"
          : "DeviceProtocol";
  const bool identify = protocol.DataType == NVMeDataTypeIdentify;
  const std::string data = identify ? "Identify" : "HealthLog";
  log.push_back(property + "/" + data + "@" + where);
  const std::vector<std::uint8_t>& answer = identify ? device.nvmeIdentify : device.healthLog;
  if (!Answer(device, property, data) || inSize != outSize ||
      outSize != kProtocolDataStart + answer.size()) {
    return false;
  }
  StorageProtocolDataDescriptor descriptor{48, 48, protocol};
  std::memcpy(buffer, &descriptor, sizeof descriptor);
  std::memcpy(buffer + kProtocolDataStart, answer.data(), answer.size());
  returned = kProtocolDataStart +
             device.reportedTransfer.value_or(static_cast<std::uint32_t>(answer.size()));
  return true;
}

bool FakeDeviceStack::Control(DeviceHandle handle, std::uint32_t code, const void* in,
                              std::uint32_t inSize, void* out, std::uint32_t outSize,
                              std::uint32_t& returned) {
  const std::u16string& path = handles_.at(handle);
  FakeDevice& device = devices.at(path);
  const std::string where = Narrow(path);
  auto* buffer = static_cast<std::uint8_t*>(out);
  returned = 0;
  ++controlCalls;
  switch (code) {
    case IOCTL_STORAGE_GET_DEVICE_NUMBER: {
      if (!device.typeAndNumber || outSize < 12) return false;
      std::uint32_t answer[3] = {device.typeAndNumber->first, device.typeAndNumber->second, 0};
      std::memcpy(buffer, answer, 12);
      return true;
    }
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
      if (!device.extents || device.extents->size() * 24 + 8 > outSize) return false;
      std::memset(buffer, 0, outSize);
      auto count = static_cast<std::uint32_t>(device.extents->size());
      std::memcpy(buffer, &count, 4);
      for (std::uint32_t i = 0; i < count; ++i)
        std::memcpy(buffer + 8 + 24 * i, &(*device.extents)[i], 4);
      return true;
    }
    case IOCTL_DISK_GET_LENGTH_INFO:
      if (!device.length) return false;
      std::memcpy(buffer, &*device.length, 8);
      return true;
    case IOCTL_SCSI_GET_ADDRESS:
      if (!device.scsiAddress) return false;
      buffer[5] = device.scsiAddress->first;
      buffer[6] = device.scsiAddress->second;
      return true;
    case IOCTL_SCSI_MINIPORT:
      return in == out && Miniport(device, where, buffer, returned);
    case SMART_RCV_DRIVE_DATA:
      return in == out && Smart(device, where, buffer, returned);
    case IOCTL_SCSI_PASS_THROUGH:
      return in == out && PassThrough(device, where, buffer, inSize);
    case IOCTL_STORAGE_QUERY_PROPERTY:
      if (in != out) std::memcpy(buffer, in, inSize);
      return StorageQuery(device, where, buffer, inSize, outSize, returned);
  }
  return false;
}

}  // namespace disklib::testing
