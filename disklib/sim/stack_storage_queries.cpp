// IOCTL_STORAGE_QUERY_PROPERTY on a disk handle: the NVMe protocol queries
// and the device temperature property.
#include "disklib/sim/fixture_edit.h"
#include "disklib/sim/stack_requests.h"
#include "disklib/storage_query.h"

namespace disklib::sim {
namespace {

// Identify Controller or the health log, carried by a protocol-specific
// query; the data lands at the offset the query names.
Status ProtocolQuery(const Disk& disk, Request& r) {
  if (!disk.nvme) return Status::Failed;
  const NvmeDrive& nvme = *disk.nvme;
  if (!nvme.protocolQueries) return Status::Failed;
  if (r.inSize < kProtocolDataStart || r.outSize < kProtocolDataStart) return Status::Failed;
  StorageProtocolSpecificData p;
  std::memcpy(&p, r.buffer.data() + kQueryParametersOffset, sizeof p);
  if (p.ProtocolType != ProtocolTypeNvme) return Status::Failed;
  Bytes data;
  if (p.DataType == NVMeDataTypeIdentify) {
    if (p.ProtocolDataRequestValue != kNvmeIdentifyController ||
        p.ProtocolDataRequestSubValue != 0 || p.ProtocolDataLength != kNvmeIdentifySize) {
      return Status::Failed;
    }
    data = NvmeIdentifyController(nvme);
  } else if (p.DataType == NVMeDataTypeLogPage) {
    const bool fromTheStart =
        (p.ProtocolDataRequestSubValue | p.ProtocolDataRequestSubValue2 |
         p.ProtocolDataRequestSubValue3 | p.ProtocolDataRequestSubValue4) == 0;
    if (p.ProtocolDataRequestValue != kNvmeHealthLogId || !fromTheStart ||
        p.ProtocolDataLength != kNvmeHealthLogSize) {
      return Status::Failed;
    }
    const Sector log = NvmeHealthLog(nvme);
    data.assign(log.begin(), log.end());
  } else {
    return Status::Failed;
  }
  const std::uint64_t start = std::uint64_t{kQueryParametersOffset} + p.ProtocolDataOffset;
  if (p.ProtocolDataOffset < sizeof p || start + data.size() > r.outSize) return Status::Failed;
  if (disk.Has(Quirk::ShortTransfer)) {
    data.resize(SectorAnswerBytes(disk));
    p.ProtocolDataLength = static_cast<std::uint32_t>(data.size());
  }

  StorageProtocolDataDescriptor answer{sizeof answer, sizeof answer, p};
  std::memcpy(r.buffer.data(), &answer, sizeof answer);
  std::copy(data.begin(), data.end(), r.buffer.begin() + static_cast<std::ptrdiff_t>(start));
  r.returned = static_cast<std::uint32_t>(start + data.size());
  return Status::Done;
}

// The temperature the disk reports of itself: an NVMe drive's composite
// temperature, an ATA drive's attribute 194.
std::optional<std::int16_t> DeviceCelsius(const Disk& disk) {
  if (disk.nvme) {
    const Sector log = NvmeHealthLog(*disk.nvme);
    const std::uint64_t kelvin =
        ardmon::nvme::ReadHealthField(log.data(), ardmon::nvme::HealthField::CompositeTemperature);
    return static_cast<std::int16_t>(static_cast<std::int64_t>(kelvin) -
                                     static_cast<std::int64_t>(kZeroCelsiusKelvin));
  }
  if (disk.ata) return AtaTemperature(*disk.ata);
  return std::nullopt;
}

// The device's temperature, as the one entry of a temperature descriptor.
// A buffer too small for it gets the descriptor's Version and Size alone.
Status TemperatureQuery(std::int16_t celsius, Request& r) {
  constexpr std::uint32_t kDescriptorHeader = 8;
  constexpr std::uint32_t kSize =
      sizeof(StorageTemperatureDataDescriptor) + sizeof(StorageTemperatureInfo);
  if (r.outSize < kDescriptorHeader) return Status::Failed;
  StorageTemperatureDataDescriptor descriptor{};
  descriptor.Version = descriptor.Size = kSize;
  descriptor.CriticalTemperature = kNvmeCriticalCelsius;
  descriptor.WarningTemperature = kNvmeWarningCelsius;
  descriptor.InfoCount = 1;
  if (r.outSize < kSize) {
    std::memcpy(r.buffer.data(), &descriptor, kDescriptorHeader);
    r.returned = kDescriptorHeader;
    return Status::Done;
  }
  StorageTemperatureInfo device{};
  device.Temperature = celsius;
  device.OverThreshold = kNvmeWarningCelsius;
  std::memcpy(r.buffer.data(), &descriptor, sizeof descriptor);
  std::memcpy(r.buffer.data() + sizeof descriptor, &device, sizeof device);
  r.returned = kSize;
  return Status::Done;
}

// Storage drivers know it from the drive's identity: an NVMe drive and an
// ATA one that reports a rotation rate. Without a rate they cannot tell.
Status SeekPenaltyQuery(const Disk& disk, Request& r) {
  if (!disk.nvme && disk.rotationRate == 0) return Status::Failed;
  if (r.outSize < sizeof(DeviceSeekPenaltyDescriptor)) return Status::Failed;
  const DeviceSeekPenaltyDescriptor answer{sizeof answer, sizeof answer,
                                           !disk.nvme && disk.rotationRate != 1};
  std::memcpy(r.buffer.data(), &answer, sizeof answer);
  r.returned = sizeof answer;
  return Status::Done;
}

}  // namespace

// The protocol queries answer for NVMe drives; the temperature property
// also for other disks whose driver serves it.
Status StorageQuery(const Disk& disk, Request& r) {
  if (r.inSize < kPropertyQuerySize) return Status::Failed;
  StoragePropertyQuery query;
  std::memcpy(&query, r.buffer.data(), sizeof query);
  if (query.QueryType != PropertyStandardQuery) return Status::Failed;
  switch (static_cast<StorageProperty>(query.PropertyId)) {
    case StorageProperty::AdapterProtocolSpecific:
    case StorageProperty::DeviceProtocolSpecific:
      return ProtocolQuery(disk, r);
    case StorageProperty::DeviceSeekPenalty:
      return SeekPenaltyQuery(disk, r);
    case StorageProperty::DeviceTemperature: {
      if (!disk.nvme && !disk.Has(Quirk::TemperatureProperty)) return Status::Failed;
      const std::optional<std::int16_t> celsius = DeviceCelsius(disk);
      return celsius ? TemperatureQuery(*celsius, r) : Status::Failed;
    }
  }
  return Status::Failed;
}

}  // namespace disklib::sim
