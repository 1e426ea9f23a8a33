#include "service/metrics_text.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

namespace service {
namespace {

using ardmon::DriveFacts;
using Labels = std::vector<std::pair<const char*, std::string>>;

// Label values escape the backslash, the double quote and the line feed.
std::string Escaped(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// One metric family: its samples, written with their HELP and TYPE lines
// when there is at least one.
class Family {
 public:
  Family(const char* name, const char* help) : name_(name), help_(help) {}

  void Add(const Labels& labels, const std::string& value) {
    samples_ += name_;
    if (!labels.empty()) {
      samples_ += '{';
      for (std::size_t i = 0; i < labels.size(); ++i) {
        if (i) samples_ += ',';
        samples_ += labels[i].first + std::string("=\"") + Escaped(labels[i].second) + '"';
      }
      samples_ += '}';
    }
    samples_ += ' ' + value + '\n';
  }
  void Add(const Labels& labels, std::uint64_t value) { Add(labels, std::to_string(value)); }

  void WriteTo(std::string& out) const {
    if (samples_.empty()) return;
    out += std::string("# HELP ") + name_ + ' ' + help_ + '\n';
    out += std::string("# TYPE ") + name_ + " gauge\n";
    out += samples_;
  }

 private:
  const char* name_;
  const char* help_;
  std::string samples_;
};

Labels DriveLabel(const DriveFacts& drive) {
  return {{"drive", std::to_string(drive.number)}};
}

const char* ProtocolWord(ardmon::DriveProtocol protocol) {
  return protocol == ardmon::DriveProtocol::Nvme ? "nvme" : "ata";
}

void WriteDriveFamilies(const std::vector<DriveFacts>& drives, std::string& out) {
  Family info("quenby_drive_info", "Identity of a present drive; the value is always 1.");
  Family temperature("quenby_drive_temperature_celsius",
                     "Drive temperature in degrees Celsius; absent when the drive gives none.");
  Family health("quenby_drive_health", "Drive health: 0 not evaluated, 1 good, 2 caution, 3 bad.");
  Family powerOn("quenby_drive_power_on_seconds",
                 "Time the drive has been powered on, counted in whole hours.");
  Family power("quenby_drive_power_state",
               "Drive power: 0 awake, 1 standby (left asleep, not read), 2 unknown.");
  for (const DriveFacts& drive : drives) {
    info.Add({{"drive", std::to_string(drive.number)},
              {"model", drive.model},
              {"serial", drive.serial},
              {"firmware", drive.firmware},
              {"letters", drive.letters},
              {"protocol", ProtocolWord(drive.protocol)}},
             1);
    power.Add(DriveLabel(drive), ardmon::NameOfPower(drive.power).number);
    // What a sleeping drive would have to be woken for is left out, not
    // given as 0.
    if (drive.asleep()) continue;
    if (drive.temperatureC) temperature.Add(DriveLabel(drive), *drive.temperatureC);
    health.Add(DriveLabel(drive), drive.health);
    powerOn.Add(DriveLabel(drive), std::uint64_t{drive.powerOnHours} * 3600);
  }
  for (const Family* family : {&info, &power, &temperature, &health, &powerOn}) {
    family->WriteTo(out);
  }
}

void WriteAttributeFamilies(const std::vector<DriveFacts>& drives, std::string& out) {
  Family value("quenby_drive_smart_attribute_value",
               "Current normalised value of an ATA S.M.A.R.T. attribute.");
  Family worst("quenby_drive_smart_attribute_worst",
               "Worst normalised value of an ATA S.M.A.R.T. attribute.");
  Family threshold("quenby_drive_smart_attribute_threshold",
                   "Threshold of an ATA S.M.A.R.T. attribute; at or below it, and not 0, the "
                   "attribute is bad.");
  Family raw("quenby_drive_smart_attribute_raw", "Raw value of an ATA S.M.A.R.T. attribute.");
  for (const DriveFacts& drive : drives) {
    // A sector that lists an ID twice would give two series of one name.
    std::set<std::uint8_t> seen;
    for (const ardmon::NamedAttribute& attribute : drive.attributes) {
      const ardmon::JudgedAttribute& judged = attribute.judged;
      if (!seen.insert(judged.id).second) continue;
      const Labels labels = {{"drive", std::to_string(drive.number)},
                             {"id", std::to_string(judged.id)},
                             {"name", attribute.name}};
      value.Add(labels, judged.value);
      worst.Add(labels, judged.worst);
      threshold.Add(labels, judged.threshold);
      raw.Add(labels, judged.raw);
    }
  }
  for (const Family* family : {&value, &worst, &threshold, &raw}) family->WriteTo(out);
}

void WriteNvmeFamilies(const std::vector<DriveFacts>& drives, std::string& out) {
  using ardmon::nvme::HealthField;
  const std::pair<HealthField, const char*> fields[] = {
      {HealthField::CriticalWarning, "NVMe critical warning bits (0 when none is set)."},
      {HealthField::AvailableSpare, "NVMe spare capacity left, in percent."},
      {HealthField::AvailableSpareThreshold,
       "NVMe spare capacity below which the drive warns, in percent."},
      {HealthField::PercentageUsed, "NVMe share of the rated endurance used, in percent."},
      {HealthField::MediaErrors, "NVMe media and data integrity errors."},
      {HealthField::DataUnitsWritten, "NVMe data written, in thousands of 512-byte units."},
  };
  for (const auto& [field, help] : fields) {
    const std::string name = std::string("quenby_drive_nvme_") + ardmon::NvmeFieldKey(field);
    Family family(name.c_str(), help);
    for (const DriveFacts& drive : drives) {
      if (drive.nvmeLog) family.Add(DriveLabel(drive), (*drive.nvmeLog)[std::size_t(field)]);
    }
    family.WriteTo(out);
  }
}

}  // namespace

std::uint32_t MetricsIntervalSeconds(std::optional<std::uint32_t> configured) {
  return std::max(configured.value_or(kDefaultMetricsIntervalSeconds),
                  kShortestMetricsIntervalSeconds);
}

ardmon::SleepingDrives MetricsSleepingDrives(std::optional<std::uint32_t> noWake) {
  return noWake.value_or(1) != 0 ? ardmon::SleepingDrives::Skip : ardmon::SleepingDrives::Wake;
}

std::string MetricsText(const DriveScan& scan) {
  std::string out;
  WriteDriveFamilies(scan.drives, out);
  WriteAttributeFamilies(scan.drives, out);
  WriteNvmeFamilies(scan.drives, out);
  Family finished("quenby_scan_timestamp_seconds", "Unix time at which the drives were read.");
  finished.Add({}, Fixed(scan.finishedAtSeconds, 3));
  Family duration("quenby_scan_duration_seconds", "Time reading every drive took.");
  duration.Add({}, Fixed(scan.durationSeconds, 6));
  Family count("quenby_drives", "Number of present drives.");
  count.Add({}, scan.drives.size());
  for (const Family* family : {&finished, &duration, &count}) family->WriteTo(out);
  return out;
}

}  // namespace service
