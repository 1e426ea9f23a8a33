// Changes to a simulated machine as the world would make them: a drive
// heats up, its health degrades, it is unplugged or plugged back in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "disklib/sim/fixture.h"

namespace disklib::sim {

enum class Health { Good, Caution, Bad };

// Each throws FixtureError when the machine has no such drive, or the
// drive does not answer the commands the change needs.
void SetTemperature(Fixture& fixture, std::uint32_t drive, std::uint8_t celsius);
// ATA: Caution counts reallocated sectors, Bad puts that attribute at its
// threshold. NVMe: Caution counts media errors, Bad also reports degraded
// reliability; Good clears both, keeps the wear below 90 percent and the
// spare at its threshold or above.
void SetHealth(Fixture& fixture, std::uint32_t drive, Health health);
// An ATA drive's count of reallocated sectors (attribute 5's raw value),
// its value and threshold left as they are.
void SetReallocatedSectors(Fixture& fixture, std::uint32_t drive, std::uint64_t count);
// The share of an NVMe drive's rated endurance used, in percent.
void SetWear(Fixture& fixture, std::uint32_t drive, std::uint8_t percentUsed);
// An ATA drive's temperature as its attribute 194 gives it; nothing
// without the attribute.
std::optional<std::int16_t> AtaTemperature(const AtaDrive& ata);
// An unplugged drive's device node is absent, so the drive is not found.
void SetPlugged(Fixture& fixture, std::uint32_t drive, bool plugged);
// The drive's own power mode; whether Windows has powered the disk down.
void SetPowerState(Fixture& fixture, std::uint32_t drive, PowerState state);
void SetOsPowerDown(Fixture& fixture, std::uint32_t drive, bool poweredDown);

// "ardmon-sim" command line: FIXTURE heat N CELSIUS | health N good|caution|bad
// | wear N PERCENT | unplug N | plug N | power N active|idle|standby|down
// (down: Windows powers the disk down; the others also power it up).
// Returns the exit code; messages go to `out`/`err`.
int RunFixtureCommand(int argc, const char* const* argv, std::string& out, std::string& err);

}  // namespace disklib::sim
