#include "common/drive_facts.h"

#include <cstring>

#include "common/smart_evaluation.h"
#include "common/utf8.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace ardmon {
namespace {

using nvme::HealthField;

// Field by field in log order, as kHealthFields.
constexpr const char* kNvmeFieldKeys[] = {
    "critical_warning",
    "composite_temperature_kelvin",
    "available_spare_percent",
    "available_spare_threshold_percent",
    "percentage_used",
    "data_units_read",
    "data_units_written",
    "host_read_commands",
    "host_write_commands",
    "controller_busy_time_minutes",
    "power_cycles",
    "power_on_hours",
    "unsafe_shutdowns",
    "media_errors",
    "error_log_entries",
};
static_assert(std::size(kNvmeFieldKeys) == nvme::kHealthFieldCount);

// Latin-1 bytes up to the field's end or NUL, trailing spaces dropped.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  std::size_t length = strnlen(field, N);
  while (length > 0 && field[length - 1] == ' ') --length;
  std::u16string wide(reinterpret_cast<const unsigned char*>(field),
                      reinterpret_cast<const unsigned char*>(field) + length);
  return Utf8FromUtf16(wide);
}

}  // namespace

unsigned AttributeNameId(std::uint8_t id) {
  const KnownAttribute* known = FindKnownAttribute(id);
  return known ? known->nameString : IDS_ATTR_NAME_VENDOR;
}

unsigned NvmeFieldNameId(HealthField field) {
  return IDS_NVME_NAME_CRITICAL_WARNING + static_cast<unsigned>(field);
}

const char* HealthWord(HealthStatus status) {
  switch (status) {
    case kHealthGood:
      return "good";
    case kHealthCaution:
      return "caution";
    case kHealthBad:
      return "bad";
    default:
      return "unknown";
  }
}

PowerStateName NameOfPower(DrivePower power) {
  switch (power) {
    case DrivePower::kAwake:
      return {"awake", 0};
    case DrivePower::kAsleep:
      return {"standby", 1};
    case DrivePower::kUnknown:
      break;
  }
  return {"unknown", 2};
}

const char* NvmeFieldKey(HealthField field) {
  return kNvmeFieldKeys[static_cast<std::size_t>(field)];
}

std::vector<JudgedAttribute> JudgedAttributes(const TempInfoRecord& record) {
  std::vector<JudgedAttribute> judged;
  if (!record.SmartSupported || nvme::IsNvmeRecord(record)) return judged;
  const DriveFamily* family = FamilyOf(record);
  for (std::size_t i = 0; i < kSmartEntries; ++i) {
    const AttributeEntry attribute = AttributeAt(record.AttributeData, i);
    if (attribute.id() == 0) continue;
    const std::uint8_t threshold = ThresholdFor(record.ThresholdData, attribute.id());
    judged.push_back({attribute.id(), attribute.value(), attribute.worst(), threshold,
                      attribute.raw(), JudgeAttribute(attribute, threshold, family)});
  }
  return judged;
}

std::optional<DriveFacts> ReadDriveFacts(std::uint32_t number, const DiskInfoTable& disk,
                                         const TempInfoRecord& temp, DrivePower power) {
  if (!disk.Present) return std::nullopt;
  static const TableStrings english(Language::English);
  DriveFacts facts;
  facts.number = number;
  facts.power = power;
  facts.model = FieldText(temp.ModelNumber);
  // Without IDENTIFY (a sleeping drive is not asked) the name the drive
  // gave Windows, as the monitor shows it.
  if (facts.model.empty()) facts.model = FieldText(disk.InquiryId);
  facts.serial = FieldText(temp.SerialNumber);
  facts.firmware = FieldText(temp.FirmwareRevision);
  facts.letters = FieldText(disk.DriveLetters);
  facts.sizeBytes = disk.DiskSize;
  facts.protocol = nvme::IsNvmeRecord(temp) ? DriveProtocol::Nvme : DriveProtocol::Ata;
  if (temp.Temperature != 0) facts.temperatureC = temp.Temperature;
  facts.health = static_cast<HealthStatus>(temp.HealthStatus);
  facts.powerOnHours = temp.PowerOnHours;
  for (const JudgedAttribute& judged : JudgedAttributes(temp)) {
    facts.attributes.push_back({judged, Utf8FromUtf16(english.Get(AttributeNameId(judged.id)))});
  }
  if (facts.protocol == DriveProtocol::Nvme && temp.AttributesOk) {
    auto& log = facts.nvmeLog.emplace();
    for (std::size_t i = 0; i < nvme::kHealthFieldCount; ++i) {
      log[i] = nvme::ReadHealthField(temp.AttributeData, nvme::kHealthFields[i].field);
    }
  }
  return facts;
}

DrivePower ReadTempInfo(ardmon::DiskLibrary& library, std::uint32_t n, SleepingDrives sleeping,
                        TempInfoRecord& temp) {
  const auto drive = static_cast<std::int32_t>(n);
  if (sleeping == SleepingDrives::Wake) {
    library.GetTempInfo(drive, &temp);
    return DrivePower::kUnknown;
  }
  const auto power = static_cast<DrivePower>(library.GetTempInfoIfAwake(drive, &temp));
  // Any other answer counts as unknown: 0 comes only from a service that
  // stops, whose scan is thrown away.
  return power == DrivePower::kAwake || power == DrivePower::kAsleep ? power : DrivePower::kUnknown;
}

std::vector<DriveFacts> ReadAllDrives(ardmon::DiskLibrary& library, SleepingDrives sleeping,
                                      const std::function<bool()>& stopRequested) {
  std::vector<DriveFacts> drives;
  for (std::uint32_t n = 0; n < kDriveNumbers; ++n) {
    if (stopRequested && stopRequested()) break;
    DiskInfoTable disk{};
    TempInfoRecord temp{};
    library.GetDiskInfo(static_cast<std::int32_t>(n), &disk);
    if (!disk.Present) continue;
    const DrivePower power = ReadTempInfo(library, n, sleeping, temp);
    if (auto facts = ReadDriveFacts(n, disk, temp, power)) drives.push_back(std::move(*facts));
  }
  return drives;
}

}  // namespace ardmon
