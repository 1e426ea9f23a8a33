// GetTempInfo: which access methods are tried for a drive, in which order,
// chosen by the controller it hangs on; a drive that answers none of them
// is asked for NVMe data.
#include <cstring>
#include <string>

#include "common/ata_string.h"
#include "disklib/access_methods.h"
#include "disklib/disklib.h"
#include "disklib/text.h"

namespace disklib {
namespace {

constexpr std::u16string_view kUsbBridge = u"USB\\Vid_0FA7&Pid_01D3";
constexpr std::u16string_view kUsbBridgeVendor = u"USB\\Vid_0FA7";
constexpr std::u16string_view kIeee1394 = u"1394\\";
constexpr std::u16string_view kIde = u"IDE\\";
constexpr std::u16string_view kPciIde = u"PCIIDE\\";
constexpr std::u16string_view kSiliconImage[] = {
    u"PCI\\ven_1095&dev_3132", u"PCI\\ven_1095&dev_3512", u"PCI\\ven_1095&dev_3124"};

constexpr std::size_t kSmartSupportByte = 164;  // IDENTIFY word 82, low byte

struct Outcome {
  bool identify = false;
  bool attributes = false;
  bool thresholds = false;
};

// IDENTIFY with one method and, when it answers, both S.M.A.R.T. reads
// with the same method.
Outcome ReadWith(DeviceStack& stack, DeviceHandle handle, AccessMethod method,
                 const Addressing& addressing, ardmon::TempInfoRecord& record) {
  Outcome outcome;
  outcome.identify = RunAccessMethod(stack, handle, method, AtaOperation::Identify, addressing,
                                     record.IdentifyData);
  if (!outcome.identify) return outcome;
  outcome.attributes = RunAccessMethod(stack, handle, method, AtaOperation::ReadData, addressing,
                                       record.AttributeData);
  outcome.thresholds = RunAccessMethod(stack, handle, method, AtaOperation::ReadThresholds,
                                       addressing, record.ThresholdData);
  return outcome;
}

bool IsSiliconImage(const std::u16string& controllerId) {
  for (std::u16string_view prefix : kSiliconImage) {
    if (StartsWithIgnoringCase(controllerId, prefix)) return true;
  }
  return false;
}

// Through the controller's storage port: the SATA filter's request first,
// then the disk miniport's with the PathId as drive number.
Outcome ReadThroughSiliconImagePort(DeviceStack& stack, DeviceHandle drive,
                                    const std::u16string& controllerId,
                                    ardmon::TempInfoRecord& record) {
  const ScsiAddress address = GetScsiAddress(stack, drive).value_or(ScsiAddress{0, 0});
  std::optional<std::u16string> portPath = FindStoragePort(stack, controllerId);
  if (!portPath) return {};
  ScopedHandle port(stack, stack.Open(*portPath, kReadWrite));
  if (!port) return {};
  Addressing sata;
  sata.pathId = address.pathId;
  sata.targetId = address.targetId;
  Outcome outcome = ReadWith(stack, port.get(), AccessMethod::SataMiniport, sata, record);
  if (outcome.identify) return outcome;
  Addressing byPath;
  byPath.driveNumber = address.pathId;
  return ReadWith(stack, port.get(), AccessMethod::ScsiDiskMiniport, byPath, record);
}

Outcome ReadThroughGenericChain(DeviceStack& stack, DeviceHandle drive, std::uint32_t n,
                                const std::u16string& controllerId,
                                ardmon::TempInfoRecord& record) {
  Addressing byNumber;
  byNumber.driveNumber = n;
  for (AccessMethod method :
       {AccessMethod::SmartIoctl, AccessMethod::AtaPassThrough12, AccessMethod::AtaPassThrough16}) {
    Outcome outcome = ReadWith(stack, drive, method, byNumber, record);
    if (outcome.identify) return outcome;
  }
  if (StartsWithIgnoringCase(controllerId, kUsbBridgeVendor) ||
      StartsWithIgnoringCase(controllerId, kIeee1394)) {
    return ReadWith(stack, drive, AccessMethod::BridgeCdb10, byNumber, record);
  }
  return {};
}

Outcome ReadDrive(DeviceStack& stack, DeviceHandle drive, std::uint32_t n,
                  const std::u16string& controllerId, ardmon::TempInfoRecord& record) {
  Outcome outcome;
  if (StartsWithIgnoringCase(controllerId, kUsbBridge)) {
    outcome = ReadWith(stack, drive, AccessMethod::BridgeCdb12, {}, record);
  } else if (IsSiliconImage(controllerId)) {
    outcome = ReadThroughSiliconImagePort(stack, drive, controllerId, record);
  } else if (StartsWithIgnoringCase(controllerId, kIde) ||
             StartsWithIgnoringCase(controllerId, kPciIde)) {
    Addressing byNumber;
    byNumber.driveNumber = n;
    outcome = ReadWith(stack, drive, AccessMethod::ScsiDiskMiniport, byNumber, record);
  }
  if (outcome.identify) return outcome;
  return ReadThroughGenericChain(stack, drive, n, controllerId, record);
}

}  // namespace

void ReadOpenDrive(DeviceStack& stack, DeviceHandle drive, std::uint32_t n,
                   const std::u16string& controllerId, ardmon::TempInfoRecord& record) {
  const Outcome outcome = ReadDrive(stack, drive, n, controllerId, record);
  if (!outcome.identify) {
    ReadNvmeDrive(stack, drive, record);
    return;
  }
  record.IdentifyOk = outcome.identify;
  record.AttributesOk = outcome.attributes;
  record.ThresholdsOk = outcome.thresholds;

  record.SmartSupported = record.IdentifyData[kSmartSupportByte] & 1;
  ardmon::SwapAtaString(record.IdentifyData + 2 * 10, 20, record.SerialNumber);
  ardmon::SwapAtaString(record.IdentifyData + 2 * 23, 8, record.FirmwareRevision);
  ardmon::SwapAtaString(record.IdentifyData + 2 * 27, 40, record.ModelNumber);

  if (record.SmartSupported && record.AttributesOk && record.ThresholdsOk) {
    const SmartVerdict verdict = EvaluateSmart(record);
    record.HealthStatus = verdict.status;
    record.Temperature = verdict.temperature;
    record.PowerOnHours = verdict.powerOnHours;
  }
}

std::optional<DeviceHandle> OpenPhysicalDrive(DeviceStack& stack, std::uint32_t n) {
  const std::string path = "\\\\.\\PHYSICALDRIVE" + std::to_string(static_cast<std::int32_t>(n));
  return stack.Open(Utf16FromAscii(path), kReadWrite);
}

void GetTempInfo(DeviceStack& stack, std::uint32_t n, ardmon::TempInfoRecord* record) {
  if (!record) return;
  std::memset(record, 0, sizeof *record);

  std::optional<DiskInterface> disk = FindDiskInterface(stack, n);
  if (!disk) return;
  ScopedHandle drive(stack, OpenPhysicalDrive(stack, n));
  if (!drive) return;
  ReadOpenDrive(stack, drive.get(), n, disk->controllerId, *record);
}

}  // namespace disklib
