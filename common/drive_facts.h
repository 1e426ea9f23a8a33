// One drive as the library's two records describe it, in the words every
// output shares: the S.M.A.R.T. page, the metrics file and the probe's JSON
// take the attribute names, the verdicts and the units from here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/disk_library.h"
#include "common/nvme_health.h"
#include "common/wire_records.h"

namespace ardmon {

// The page's name string of an attribute; vendor-unique IDs share one.
unsigned AttributeNameId(std::uint8_t id);
// The page's name string of an NVMe health log field.
unsigned NvmeFieldNameId(nvme::HealthField field);
// Lower-case words of a health status for scripts: "good", "caution",
// "bad", and "unknown" when it was not evaluated.
const char* HealthWord(HealthStatus status);
// A drive's power for scripts ("awake", "standby", "unknown") and as the
// metrics gauge counts it (0, 1, 2).
struct PowerStateName {
  const char* word;
  unsigned number;
};
PowerStateName NameOfPower(DrivePower power);

// An attribute the page lists, with its verdict.
struct JudgedAttribute {
  std::uint8_t id;
  std::uint8_t value;
  std::uint8_t worst;
  std::uint8_t threshold;
  std::uint64_t raw;  // six bytes, little-endian
  HealthStatus verdict;
};
// The attributes of an ATA record that the page lists, in sector order;
// none without S.M.A.R.T. support.
std::vector<JudgedAttribute> JudgedAttributes(const TempInfoRecord& record);

// An NVMe health log field's name for machines, in snake case, with its
// unit where it has one ("available_spare_percent").
const char* NvmeFieldKey(nvme::HealthField field);

enum class DriveProtocol { Ata, Nvme };

struct NamedAttribute {
  JudgedAttribute judged;
  std::string name;  // English, as the page shows it; UTF-8
};

// A present drive. Texts are UTF-8 with trailing spaces removed; a byte
// outside ASCII in a drive's identity is taken as Latin-1, as the pages
// show it. A drive left asleep was not read: of it only what Windows holds
// is known (its INQUIRY name as the model, letters, size).
struct DriveFacts {
  std::uint32_t number = 0;
  DrivePower power = DrivePower::kUnknown;
  std::string model, serial, firmware, letters;
  std::uint64_t sizeBytes = 0;
  DriveProtocol protocol = DriveProtocol::Ata;
  std::optional<std::uint8_t> temperatureC;  // none when the drive gives none
  HealthStatus health = kHealthNotEvaluated;
  std::uint32_t powerOnHours = 0;
  std::vector<NamedAttribute> attributes;  // ATA only
  // NVMe only, when the health log was read: every field in log order.
  std::optional<std::array<std::uint64_t, nvme::kHealthFieldCount>> nvmeLog;

  bool asleep() const { return power == DrivePower::kAsleep; }
};

// Nothing for a drive number without a present drive.
std::optional<DriveFacts> ReadDriveFacts(std::uint32_t number, const DiskInfoTable& disk,
                                         const TempInfoRecord& temp,
                                         DrivePower power = DrivePower::kUnknown);

// Whether reading the drives may wake those that sleep.
enum class SleepingDrives { Skip, Wake };

// Drive n's record: with Skip read only when the drive is awake or its power
// cannot be told (asleep: all zero); with Wake read as it is, its power
// unknown.
DrivePower ReadTempInfo(ardmon::DiskLibrary& library, std::uint32_t n, SleepingDrives sleeping,
                        TempInfoRecord& temp);

// Drive numbers 0 to 25, as the monitor watches them.
constexpr std::uint32_t kDriveNumbers = 26;

// Every present drive, asked of the library one drive at a time. With
// `stopRequested` true before a drive it ends early with what it has.
std::vector<DriveFacts> ReadAllDrives(ardmon::DiskLibrary& library,
                                      SleepingDrives sleeping = SleepingDrives::Skip,
                                      const std::function<bool()>& stopRequested = {});

}  // namespace ardmon
