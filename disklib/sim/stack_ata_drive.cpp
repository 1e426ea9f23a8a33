// The ATA drive behind a disk: which commands it knows, and what it
// answers to them.
#include "disklib/sim/stack_requests.h"

namespace disklib::sim {

std::optional<AtaOperation> DecodeAta(const AtaRegisters& r, bool featuresCarryLength) {
  if (r.command == 0xEC) {
    if (r.lbaMid != 0 || r.lbaHigh != 0) return std::nullopt;
    if (!featuresCarryLength && r.features != 0) return std::nullopt;
    return AtaOperation::Identify;
  }
  if (r.command != 0xB0 || r.lbaMid != 0x4F || r.lbaHigh != 0xC2) return std::nullopt;
  if (r.features == 0xD0) return AtaOperation::ReadData;
  if (r.features == 0xD1) return AtaOperation::ReadThresholds;
  return std::nullopt;
}

// The drive's answer to a well-formed command; nothing when it aborts.
std::optional<Sector> Execute(Disk& disk, AtaOperation op) {
  PowerUpFor(disk, false);
  const AtaDrive& ata = *disk.ata;
  if (op == AtaOperation::Identify) return IdentifySector(ata, disk.size, disk.rotationRate);
  if (!ata.smartSupported || !ata.smartEnabled || disk.Has(Quirk::SmartAbortZeroData)) {
    return std::nullopt;
  }
  return op == AtaOperation::ReadData ? AttributeSector(ata) : ThresholdSector(ata);
}

// How much of a sector the disk's driver hands back.
std::size_t SectorAnswerBytes(const Disk& disk) {
  return disk.Has(Quirk::ShortTransfer) ? kSectorBytes / 2 : kSectorBytes;
}

void PowerUpFor(Disk& disk, bool checkPowerMode) {
  if (disk.osPowerDown) {
    disk.osPowerDown = false;
    disk.powerState = PowerState::Active;
  } else if (!checkPowerMode && disk.powerState == PowerState::Standby) {
    disk.powerState = PowerState::Active;
  }
}

std::uint8_t PowerModeCount(PowerState state) {
  switch (state) {
    case PowerState::Standby:
      return 0x00;
    case PowerState::Idle:
      return 0x80;
    case PowerState::Active:
      break;
  }
  return 0xFF;
}

}  // namespace disklib::sim
