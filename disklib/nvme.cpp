// The NVMe path of GetTempInfo: what the record holds for a drive that is
// reached through the storage query rather than by ATA commands.
#include <algorithm>
#include <cstring>

#include "common/nvme_health.h"
#include "disklib/disklib.h"
#include "disklib/storage_query.h"

namespace disklib {
namespace {

namespace nvme = ardmon::nvme;

// Identify Controller strings: ASCII, space-padded, in reading order.
constexpr std::size_t kSerialOffset = 4, kSerialLength = 20;
constexpr std::size_t kModelOffset = 24, kModelLength = 40;
constexpr std::size_t kFirmwareOffset = 64, kFirmwareLength = 8;

constexpr std::uint64_t kMaxPowerOnHours = 0xFFFFFFFFu;

std::uint8_t PlausibleCelsius(std::int16_t celsius) {
  return celsius >= 1 && celsius <= nvme::kMaxNvmeCelsius ? static_cast<std::uint8_t>(celsius) : 0;
}

}  // namespace

void FillNvmeRecord(ardmon::TempInfoRecord& record, std::optional<std::int16_t> reportedCelsius) {
  if (record.IdentifyOk || record.AttributesOk) {
    record.SmartSupported = 1;
    record.NvmeData = nvme::kNvmeRecord;
  }
  if (record.IdentifyOk) {
    std::memcpy(record.SerialNumber, record.IdentifyData + kSerialOffset, kSerialLength);
    std::memcpy(record.ModelNumber, record.IdentifyData + kModelOffset, kModelLength);
    std::memcpy(record.FirmwareRevision, record.IdentifyData + kFirmwareOffset, kFirmwareLength);
  }
  if (record.AttributesOk) {
    const std::uint8_t* log = record.AttributeData;
    record.Temperature = nvme::CelsiusFromKelvin(
        nvme::ReadHealthField(log, nvme::HealthField::CompositeTemperature));
    record.HealthStatus = nvme::EvaluateHealthLog(log);
    record.PowerOnHours = static_cast<std::uint32_t>(
        std::min(nvme::ReadHealthField(log, nvme::HealthField::PowerOnHours), kMaxPowerOnHours));
  } else if (reportedCelsius) {
    record.Temperature = PlausibleCelsius(*reportedCelsius);
  }
}

void ReadNvmeDrive(DeviceStack& stack, DeviceHandle drive, ardmon::TempInfoRecord& record) {
  record.IdentifyOk = QueryNvmeData(stack, drive, NvmeData::IdentifyController, record.IdentifyData,
                                    ardmon::kSectorSize);
  record.AttributesOk =
      QueryNvmeData(stack, drive, NvmeData::HealthLog, record.AttributeData, nvme::kHealthLogSize);
  std::optional<std::int16_t> reported;
  if (!record.AttributesOk) reported = QueryDeviceTemperature(stack, drive);
  FillNvmeRecord(record, reported);
}

}  // namespace disklib
