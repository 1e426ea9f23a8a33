#include "disklib/sim/fixture_edit.h"

#include <algorithm>
#include <exception>

#include "common/smart_evaluation.h"

namespace disklib::sim {
namespace {

constexpr std::uint8_t kReallocatedSectorsId = 5;
constexpr std::uint8_t kTemperatureId = 194;
constexpr std::uint8_t kHealthyValue = 100;
constexpr std::uint8_t kReallocatedThreshold = 36;
constexpr std::uint64_t kCautionCount = 8;
constexpr int kHealthyMargin = 60;
constexpr std::uint64_t kNvmeCautionMediaErrors = 3;
constexpr std::uint64_t kNvmeWornOut = ardmon::nvme::kCautionPercentageUsed;

using ardmon::nvme::HealthField;

Disk& DiskOf(Fixture& fixture, std::uint32_t drive) {
  auto it = std::find_if(fixture.disks.begin(), fixture.disks.end(),
                         [&](const Disk& d) { return d.number == drive; });
  if (it == fixture.disks.end()) throw FixtureError("no drive " + std::to_string(drive));
  return *it;
}

NvmeDrive& NvmeOf(Fixture& fixture, std::uint32_t drive) {
  Disk& disk = DiskOf(fixture, drive);
  if (!disk.nvme) throw FixtureError("drive " + std::to_string(drive) + " is no NVMe drive");
  return *disk.nvme;
}

// The ATA drive, or nothing for an NVMe drive; neither is an error.
AtaDrive* AtaOrNvme(Fixture& fixture, std::uint32_t drive) {
  Disk& disk = DiskOf(fixture, drive);
  if (disk.ata) return &*disk.ata;
  if (disk.nvme) return nullptr;
  throw FixtureError("drive " + std::to_string(drive) + " answers neither ATA nor NVMe commands");
}

void SetNvmeHealth(NvmeDrive& nvme, Health health) {
  constexpr std::uint64_t kBadWarning = ardmon::nvme::kWarningReliabilityDegraded;
  nvme.Set(HealthField::CriticalWarning, health == Health::Bad ? kBadWarning : 0);
  nvme.Set(HealthField::MediaErrors, health == Health::Good ? 0 : kNvmeCautionMediaErrors);
  if (nvme.Get(HealthField::PercentageUsed) >= kNvmeWornOut) {
    nvme.Set(HealthField::PercentageUsed, kNvmeWornOut - 1);
  }
  const std::uint64_t threshold = nvme.Get(HealthField::AvailableSpareThreshold);
  if (nvme.Get(HealthField::AvailableSpare) < threshold) {
    nvme.Set(HealthField::AvailableSpare, threshold);
  }
}

// The attribute with this ID, added at the end of the table when missing.
Attribute& AttributeOf(AtaDrive& ata, std::uint8_t id) {
  auto it = std::find_if(ata.attributes.begin(), ata.attributes.end(),
                         [&](const Attribute& a) { return a.id == id; });
  if (it != ata.attributes.end()) return *it;
  Attribute added;
  added.id = id;
  added.value = added.worst = kHealthyValue;
  ata.attributes.push_back(added);
  return ata.attributes.back();
}

std::uint32_t Number(const char* text, const char* what) {
  try {
    std::size_t used = 0;
    const unsigned long n = std::stoul(text, &used);
    if (text[used] == '\0' && text[0] != '-' && n <= UINT32_MAX) {
      return static_cast<std::uint32_t>(n);
    }
  } catch (const std::exception&) {
  }
  throw FixtureError(std::string("not ") + what + ": " + text);
}

// A number from 0 to 255, such as a temperature or a percentage.
std::uint8_t Byte(const char* text, const char* what) {
  const std::uint32_t n = Number(text, what);
  if (n > 255) throw FixtureError(std::string(what) + " is at most 255");
  return static_cast<std::uint8_t>(n);
}

Health HealthNamed(const std::string& name) {
  if (name == "good") return Health::Good;
  if (name == "caution") return Health::Caution;
  if (name == "bad") return Health::Bad;
  throw FixtureError("health is good, caution or bad, not " + name);
}

void SetPower(Fixture& fixture, std::uint32_t drive, const std::string& name) {
  if (name == "down") {
    SetOsPowerDown(fixture, drive, true);
    return;
  }
  const std::optional<PowerState> state = PowerStateFromName(name);
  if (!state) throw FixtureError("power is active, idle, standby or down, not " + name);
  SetPowerState(fixture, drive, *state);
  SetOsPowerDown(fixture, drive, false);
}

constexpr const char* kUsage =
    "usage: ardmon-sim FIXTURE heat N CELSIUS | health N good|caution|bad | wear N PERCENT |\n"
    "       unplug N | plug N | power N active|idle|standby|down\n";

}  // namespace

void SetTemperature(Fixture& fixture, std::uint32_t drive, std::uint8_t celsius) {
  AtaDrive* ata = AtaOrNvme(fixture, drive);
  if (!ata) {
    NvmeOf(fixture, drive).Set(HealthField::CompositeTemperature, celsius + kZeroCelsiusKelvin);
    return;
  }
  Attribute& temperature = AttributeOf(*ata, kTemperatureId);
  // Drives report whole degrees in the low byte; the bytes above (often
  // the extremes) are kept.
  temperature.raw = (temperature.raw & ~std::uint64_t{0xFF}) | celsius;
}

std::optional<std::int16_t> AtaTemperature(const AtaDrive& ata) {
  auto it = std::find_if(ata.attributes.begin(), ata.attributes.end(),
                         [](const Attribute& a) { return a.id == kTemperatureId; });
  if (it == ata.attributes.end()) return std::nullopt;
  std::uint8_t raw[6];
  for (int i = 0; i < 6; ++i) raw[i] = static_cast<std::uint8_t>(it->raw >> (8 * i));
  return ardmon::TemperatureFromRaw(raw, false);
}

void SetHealth(Fixture& fixture, std::uint32_t drive, Health health) {
  AtaDrive* ata = AtaOrNvme(fixture, drive);
  if (!ata) {
    SetNvmeHealth(NvmeOf(fixture, drive), health);
    return;
  }
  Attribute& sectors = AttributeOf(*ata, kReallocatedSectorsId);
  if (sectors.threshold == 0) sectors.threshold = kReallocatedThreshold;
  if (health == Health::Bad) {
    sectors.value = sectors.threshold;
  } else if (sectors.value <= sectors.threshold) {
    sectors.value = static_cast<std::uint8_t>(std::min(253, sectors.threshold + kHealthyMargin));
  }
  sectors.raw = health == Health::Good ? 0 : kCautionCount;
}

void SetReallocatedSectors(Fixture& fixture, std::uint32_t drive, std::uint64_t count) {
  AtaDrive* ata = AtaOrNvme(fixture, drive);
  if (!ata) throw FixtureError("drive " + std::to_string(drive) + " is no ATA drive");
  AttributeOf(*ata, kReallocatedSectorsId).raw = count;
}

void SetWear(Fixture& fixture, std::uint32_t drive, std::uint8_t percentUsed) {
  NvmeOf(fixture, drive).Set(HealthField::PercentageUsed, percentUsed);
}

void SetPlugged(Fixture& fixture, std::uint32_t drive, bool plugged) {
  const std::string node = DiskOf(fixture, drive).node;
  for (Device& device : fixture.devices) {
    if (device.id == node) device.present = plugged;
  }
}

void SetPowerState(Fixture& fixture, std::uint32_t drive, PowerState state) {
  DiskOf(fixture, drive).powerState = state;
}

void SetOsPowerDown(Fixture& fixture, std::uint32_t drive, bool poweredDown) {
  DiskOf(fixture, drive).osPowerDown = poweredDown;
}

int RunFixtureCommand(int argc, const char* const* argv, std::string& out, std::string& err) {
  if (argc < 4) {
    err = kUsage;
    return 2;
  }
  const std::filesystem::path file = argv[1];
  const std::string verb = argv[2];
  try {
    Fixture fixture = LoadFixture(file);
    const std::uint32_t drive = Number(argv[3], "a drive number");
    if (verb == "heat" && argc == 5) {
      SetTemperature(fixture, drive, Byte(argv[4], "a temperature"));
    } else if (verb == "wear" && argc == 5) {
      SetWear(fixture, drive, Byte(argv[4], "a percentage"));
    } else if (verb == "health" && argc == 5) {
      SetHealth(fixture, drive, HealthNamed(argv[4]));
    } else if ((verb == "unplug" || verb == "plug") && argc == 4) {
      SetPlugged(fixture, drive, verb == "plug");
    } else if (verb == "power" && argc == 5) {
      SetPower(fixture, drive, argv[4]);
    } else {
      err = kUsage;
      return 2;
    }
    SaveFixture(fixture, file);
    out = "drive " + std::to_string(drive) + ": " + verb + " done\n";
    return 0;
  } catch (const std::exception& e) {
    err = std::string("ardmon-sim: ") + e.what() + "\n";
    return 1;
  }
}

}  // namespace disklib::sim
