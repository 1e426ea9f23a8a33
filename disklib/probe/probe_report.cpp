#include "disklib/probe/probe_report.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "common/drive_facts.h"
#include "common/nvme_health.h"

namespace probe {
namespace {

std::string Trimmed(const char* text, std::size_t room) {
  std::string s(text, strnlen(text, room));
  const std::size_t end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

std::string Utf8(const char16_t* text, std::size_t room) {
  std::string out;
  for (std::size_t i = 0; i < room && text[i] != 0; ++i) {
    const char32_t c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {  // surrogate halves are shown one by one; IDs are ASCII in practice
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Size(std::uint64_t bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%llu bytes (%.1f GB)", static_cast<unsigned long long>(bytes),
                bytes / 1e9);
  return text;
}

const char* YesNo(std::uint8_t flag) {
  return flag ? "yes" : "no";
}

const char* Health(std::uint8_t status) {
  switch (status) {
    case ardmon::kHealthGood:
      return "Good";
    case ardmon::kHealthCaution:
      return "Caution";
    case ardmon::kHealthBad:
      return "Bad";
    default:
      return "not evaluated";
  }
}

void Line(std::ostringstream& out, const char* label, const std::string& value) {
  char head[24];
  std::snprintf(head, sizeof head, "  %-13s", label);
  out << head << value << '\n';
}

namespace nvme = ardmon::nvme;

std::string Celsius(std::uint8_t temperature) {
  return std::to_string(temperature) + " C";
}

std::string Terabytes(std::uint64_t dataUnits) {
  constexpr double kBytesPerUnit = 512000.0;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f TB",
                static_cast<double>(dataUnits) * kBytesPerUnit / 1e12);
  return text;
}

std::string Warnings(std::uint64_t bits) {
  static const std::pair<std::uint8_t, const char*> kNames[] = {
      {nvme::kWarningSpareBelowThreshold, "spare below threshold"},
      {nvme::kWarningTemperature, "temperature"},
      {nvme::kWarningReliabilityDegraded, "reliability degraded"},
      {nvme::kWarningReadOnly, "read-only"},
      {nvme::kWarningVolatileBackupFailed, "volatile memory backup failed"},
  };
  std::string text;
  for (const auto& [bit, name] : kNames) {
    if (bits & bit) text += (text.empty() ? "" : ", ") + std::string(name);
  }
  return text.empty() ? "none" : text;
}

// The facts of the health log that decide the health, and the drive's use.
void DescribeHealthLog(std::ostringstream& out, const std::uint8_t* log) {
  auto field = [log](nvme::HealthField f) { return nvme::ReadHealthField(log, f); };
  auto number = [&](nvme::HealthField f) { return std::to_string(field(f)); };
  using F = nvme::HealthField;
  Line(out, "Warnings", Warnings(field(F::CriticalWarning)));
  Line(out, "Spare",
       number(F::AvailableSpare) + "% (threshold " + number(F::AvailableSpareThreshold) + "%)");
  Line(out, "Used", number(F::PercentageUsed) + "% of the rated endurance");
  Line(out, "Media errors", number(F::MediaErrors));
  Line(out, "Power cycles",
       number(F::PowerCycles) + " (" + number(F::UnsafeShutdowns) + " unsafe shutdowns)");
  Line(out, "Read/written",
       Terabytes(field(F::DataUnitsRead)) + " / " + Terabytes(field(F::DataUnitsWritten)));
}

void DescribeIdentity(std::ostringstream& out, const ardmon::TempInfoRecord& temp) {
  Line(out, "Model", Trimmed(temp.ModelNumber, sizeof temp.ModelNumber));
  Line(out, "Serial", Trimmed(temp.SerialNumber, sizeof temp.SerialNumber));
  Line(out, "Firmware", Trimmed(temp.FirmwareRevision, sizeof temp.FirmwareRevision));
}

void DescribeNvme(std::ostringstream& out, const ardmon::TempInfoRecord& temp) {
  Line(out, "Read",
       std::string("NVMe Identify ") + YesNo(temp.IdentifyOk) + ", health log " +
           YesNo(temp.AttributesOk));
  if (temp.IdentifyOk) DescribeIdentity(out, temp);
  const char* missing = temp.AttributesOk ? "the drive reports no composite temperature"
                                          : "the NVMe health log could not be read";
  Line(out, "Temperature",
       temp.Temperature ? Celsius(temp.Temperature) : std::string("not available: ") + missing);
  Line(out, "Health", Health(temp.HealthStatus));
  if (!temp.AttributesOk) return;
  Line(out, "Power-on", std::to_string(temp.PowerOnHours) + " hours");
  DescribeHealthLog(out, temp.AttributeData);
}

// Why a drive has no temperature, in the order the causes arise.
std::string MissingTemperatureReason(const ardmon::TempInfoRecord& temp) {
  if (!temp.IdentifyOk) return "neither ATA nor NVMe commands could read the drive's identity";
  if (!temp.SmartSupported) return "the drive does not support S.M.A.R.T.";
  if (!temp.AttributesOk || !temp.ThresholdsOk) return "the S.M.A.R.T. data could not be read";
  return "the drive reports no temperature (attribute 194)";
}

std::string Power(ardmon::DrivePower power) {
  const std::string word = ardmon::NameOfPower(power).word;
  switch (power) {
    case ardmon::DrivePower::kAwake:
      return word;
    case ardmon::DrivePower::kAsleep:
      return word + ": sleeping, not read so that it sleeps on (--wake reads it)";
    case ardmon::DrivePower::kUnknown:
      break;
  }
  return word + " (not checked, or the drive did not answer the check)";
}

}  // namespace

std::string DescribeDrive(std::uint32_t n, const ardmon::DiskInfoTable& disk,
                          const ardmon::TempInfoRecord& temp, ardmon::DrivePower power) {
  if (!disk.Present && disk.DevicePath[0] == 0) return {};
  std::ostringstream out;
  out << "Drive " << n << '\n';
  Line(out, "Device path", Utf8(disk.DevicePath, ardmon::kIdChars));
  Line(out, "Controller", Utf8(disk.ControllerId, ardmon::kIdChars));
  if (!disk.Present) {
    Line(out, "Status", "not present (no medium, or the drive cannot be opened)");
    return out.str();
  }
  const std::string letters = Trimmed(disk.DriveLetters, sizeof disk.DriveLetters);
  Line(out, "Letters", letters.empty() ? "(none)" : letters);
  Line(out, "INQUIRY", Trimmed(disk.InquiryId, sizeof disk.InquiryId));
  Line(out, "Size", Size(disk.DiskSize));
  Line(out, "Power", Power(power));
  if (power == ardmon::DrivePower::kAsleep) return out.str();
  if (nvme::IsNvmeRecord(temp)) {
    DescribeNvme(out, temp);
    return out.str();
  }
  Line(out, "Read",
       std::string("IDENTIFY ") + YesNo(temp.IdentifyOk) + ", S.M.A.R.T. data " +
           YesNo(temp.AttributesOk) + ", thresholds " + YesNo(temp.ThresholdsOk));
  if (!temp.IdentifyOk) {
    Line(out, "Temperature",
         temp.Temperature ? Celsius(temp.Temperature) + " (the driver's report alone)"
                          : "not available: " + MissingTemperatureReason(temp));
    return out.str();
  }
  DescribeIdentity(out, temp);
  Line(out, "Temperature",
       temp.Temperature ? Celsius(temp.Temperature)
                        : "not available: " + MissingTemperatureReason(temp));
  Line(out, "Health", Health(temp.HealthStatus));
  Line(out, "Power-on",
       temp.PowerOnHours ? std::to_string(temp.PowerOnHours) + " hours" : "not available");
  return out.str();
}

std::string DescribeFilterEdit(const char* what, std::int32_t result) {
  return std::string(what) +
         (result ? ": changed (takes effect after a restart)\n" : ": nothing to change\n");
}

}  // namespace probe
