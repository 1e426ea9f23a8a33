#include "disklib/probe/probe_report.h"

#include <cstdio>
#include <cstring>
#include <sstream>

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

// Why a drive has no temperature, in the order the causes arise.
std::string MissingTemperatureReason(const ardmon::TempInfoRecord& temp) {
  if (!temp.IdentifyOk) return "no access method could read the drive's identity";
  if (!temp.SmartSupported) return "the drive does not support S.M.A.R.T.";
  if (!temp.AttributesOk || !temp.ThresholdsOk) return "the S.M.A.R.T. data could not be read";
  return "the drive reports no temperature (attribute 194)";
}

}  // namespace

std::string DescribeDrive(std::uint32_t n, const ardmon::DiskInfoTable& disk,
                          const ardmon::TempInfoRecord& temp) {
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
  Line(out, "Read",
       std::string("IDENTIFY ") + YesNo(temp.IdentifyOk) + ", S.M.A.R.T. data " +
           YesNo(temp.AttributesOk) + ", thresholds " + YesNo(temp.ThresholdsOk));
  if (!temp.IdentifyOk) {
    Line(out, "Temperature", "not available: " + MissingTemperatureReason(temp));
    return out.str();
  }
  Line(out, "Model", Trimmed(temp.ModelNumber, sizeof temp.ModelNumber));
  Line(out, "Serial", Trimmed(temp.SerialNumber, sizeof temp.SerialNumber));
  Line(out, "Firmware", Trimmed(temp.FirmwareRevision, sizeof temp.FirmwareRevision));
  Line(out, "Temperature",
       temp.Temperature ? std::to_string(temp.Temperature) + " C"
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
