// The simulated machine: its devices, disks, storage ports and volumes, as
// read from and written back to a fixture file. FIXTURE.md beside this file
// describes the file format.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/nvme_health.h"
#include "common/utf8.h"
#include "disklib/access_methods.h"
#include "disklib/driver_service.h"

namespace disklib::sim {

using Sector = std::array<std::uint8_t, 512>;

// A device node; also a member of the device information sets that the
// filter registration walks.
struct Device {
  std::string id;      // device instance ID
  std::string parent;  // instance ID of the parent node, empty for a root
  std::optional<std::vector<std::string>> hardwareIds;
  std::optional<std::vector<std::string>> upperFilters;
  bool present = true;

  bool operator==(const Device& o) const;
};

struct Attribute {
  std::uint8_t id = 0;
  std::uint16_t flags = 0;
  std::uint8_t value = 0;
  std::uint8_t worst = 0;
  std::uint64_t raw = 0;  // six bytes, least significant first in the sector
  std::uint8_t threshold = 0;

  bool operator==(const Attribute& o) const;
};

// What the drive answers to IDENTIFY DEVICE and the two S.M.A.R.T. reads.
struct AtaDrive {
  std::string model;
  std::string serial;
  std::string firmware;
  bool smartSupported = true;
  bool smartEnabled = true;  // false: the S.M.A.R.T. reads are aborted
  std::vector<Attribute> attributes;
  // Whole sectors given verbatim replace the ones built from the fields.
  std::optional<Sector> identifySector;
  std::optional<Sector> attributeSector;
  std::optional<Sector> thresholdSector;

  bool operator==(const AtaDrive& o) const;
};

// The composite temperature thresholds every simulated NVMe drive reports.
constexpr std::int16_t kNvmeWarningCelsius = 70;
constexpr std::int16_t kNvmeCriticalCelsius = 85;
using ardmon::nvme::kZeroCelsiusKelvin;

// What an NVMe drive answers to the storage query: Identify Controller and
// its health log.
struct NvmeDrive {
  std::string model;
  std::string serial;
  std::string firmware;
  // The health log's fields, by ardmon::nvme::HealthField; the composite
  // temperature in Kelvin.
  std::array<std::uint64_t, ardmon::nvme::kHealthFieldCount> fields = DefaultFields();
  // false: the driver serves only the temperature query, not the protocol
  // queries.
  bool protocolQueries = true;
  // A whole log given verbatim replaces the one built from the fields.
  std::optional<Sector> healthLog;

  std::uint64_t Get(ardmon::nvme::HealthField field) const;
  // Sets a field in both the fields and a verbatim log.
  void Set(ardmon::nvme::HealthField field, std::uint64_t value);
  static std::array<std::uint64_t, ardmon::nvme::kHealthFieldCount> DefaultFields();
  bool operator==(const NvmeDrive& o) const;
};

struct Inquiry {
  std::string vendor;    // up to 8 characters, space-padded when sent
  std::string product;   // up to 16
  std::string revision;  // up to 4
  bool removable = false;

  bool operator==(const Inquiry& o) const;
};

struct ScsiAddress {
  std::uint8_t portNumber = 0;
  std::uint8_t pathId = 0;
  std::uint8_t targetId = 0;
  std::uint8_t lun = 0;

  bool operator==(const ScsiAddress& o) const;
};

// Ways in which real drivers and bridges answer other than by the book.
enum class Quirk {
  GoodStatusNoData,     // a pass-through command the drive does not know completes
                        // with GOOD status and no data
  ShortTransfer,        // sector answers carry only their first half, and say so
  TemperatureProperty,  // the device temperature property answers, NVMe or not
  SmartAbortZeroData,   // the drive aborts its S.M.A.R.T. reads, and the control-code and
                        // miniport ones come back as a whole buffer of zeros with the error
  FixedFormatSense,     // the ATA registers of a pass-through come back in fixed-format sense
};

// The drive's power mode, as CHECK POWER MODE reports it.
enum class PowerState { Active, Idle, Standby };

struct Disk {
  std::uint32_t number = 0;         // \\.\PHYSICALDRIVEn
  std::string path;                 // disk interface path
  std::string node;                 // instance ID of its device node
  std::uint64_t size = 0;           // 0: no medium, the length query fails
  bool openable = true;             // false: only opens without access rights succeed
  std::uint32_t answerDelayMs = 0;  // each request to the disk takes this long
  std::optional<Inquiry> inquiry;
  std::optional<ScsiAddress> scsiAddress;
  std::vector<AccessMethod> methods;  // the ways of reaching the drive that answer
  std::optional<AtaDrive> ata;
  std::optional<NvmeDrive> nvme;
  std::vector<Quirk> quirks;
  PowerState powerState = PowerState::Active;
  bool osPowerDown = false;        // Windows has powered the disk down (D3)
  std::uint16_t rotationRate = 0;  // IDENTIFY word 217: 0 not reported, 1 solid state, else rpm
  std::uint32_t spinUpMs = 0;      // added to the answer that wakes the disk

  bool Answers(AccessMethod method) const;
  bool Has(Quirk quirk) const;
  // Any command but CHECK POWER MODE would spin it up.
  bool Asleep() const;
  bool operator==(const Disk& o) const;
};

// A storage port serves the disks whose device nodes lie below its node.
struct StoragePort {
  std::string path;
  std::string node;

  bool operator==(const StoragePort& o) const;
};

struct Volume {
  char letter = 'C';
  std::uint32_t type = 3;  // GetDriveTypeW's value
  std::string dosDevice;   // e.g. \Device\HarddiskVolume1
  std::vector<std::uint32_t> disks;

  bool operator==(const Volume& o) const;
};

// An installed driver service: its key under
// HKLM\SYSTEM\CurrentControlSet\Services and whether its file exists.
struct Service {
  std::string name;
  std::uint32_t type = kKernelDriverType;
  std::uint32_t start = 3;  // started on demand
  bool imageExists = true;

  bool operator==(const Service& o) const;
};

struct Fixture {
  std::vector<Service> services;
  std::vector<Device> devices;
  std::vector<StoragePort> storagePorts;
  std::vector<Disk> disks;
  std::vector<Volume> volumes;

  bool operator==(const Fixture& o) const;
};

class FixtureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws FixtureError naming the offending place.
Fixture ParseFixture(std::string_view text);
std::string WriteFixture(const Fixture& fixture);

// The file's text, or nothing when it cannot be read.
std::optional<std::string> ReadFixtureText(const std::filesystem::path& file);
Fixture LoadFixture(const std::filesystem::path& file);
// A missing or broken file is a machine without disks.
Fixture LoadFixtureOrEmpty(const std::filesystem::path& file);
// Throws FixtureError when the file cannot be written.
void SaveFixture(const Fixture& fixture, const std::filesystem::path& file);
// Writes the text beside the file and moves it into place, so that a reader
// never sees half of it; throws FixtureError when it cannot.
void ReplaceFileText(const std::filesystem::path& file, const std::string& text);

// The sectors a drive returns; a nonzero rotation rate also goes into a
// sector given verbatim.
Sector IdentifySector(const AtaDrive& drive, std::uint64_t diskSize,
                      std::uint16_t rotationRate = 0);
Sector AttributeSector(const AtaDrive& drive);
Sector ThresholdSector(const AtaDrive& drive);
std::vector<std::uint8_t> NvmeIdentifyController(const NvmeDrive& drive);
Sector NvmeHealthLog(const NvmeDrive& drive);

std::optional<AccessMethod> AccessMethodFromName(std::string_view name);
std::string_view AccessMethodName(AccessMethod method);
std::optional<Quirk> QuirkFromName(std::string_view name);
std::string_view QuirkName(Quirk quirk);
std::optional<PowerState> PowerStateFromName(std::string_view name);
std::string_view PowerStateName(PowerState state);

using ardmon::Utf16FromUtf8;
using ardmon::Utf8FromUtf16;

}  // namespace disklib::sim
