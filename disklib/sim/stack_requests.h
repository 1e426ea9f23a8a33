// How the simulated stack answers a request: the buffer it works in, and
// one entry point per family of requests. Internal to the simulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "disklib/access_methods.h"
#include "disklib/sim/fixture.h"

namespace disklib::sim {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kSectorBytes = 512;

inline std::uint32_t U32(const Bytes& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, sizeof v);
  return v;
}
inline void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  std::memcpy(b.data() + at, &v, sizeof v);
}
inline void PutU64(Bytes& b, std::size_t at, std::uint64_t v) {
  std::memcpy(b.data() + at, &v, sizeof v);
}

// A buffered request: `buffer` holds the input on entry and the answer on
// return; only `returned` bytes of it reach the caller.
enum class Status { Done, Failed, MoreData };
struct Request {
  std::uint32_t code;
  Bytes& buffer;
  std::uint32_t inSize;
  std::uint32_t outSize;
  std::uint32_t returned = 0;
};

// ---- the fixture's device tree (stack_enumeration.cpp) ----------------------

std::optional<std::size_t> DeviceIndex(const Fixture& f, const std::string& id);
bool NodePresent(const Fixture& f, const std::string& node);
// True when `ancestor` lies somewhere above `node`.
bool IsBelow(const Fixture& f, const std::string& node, const std::string& ancestor);
bool EqualAsciiNoCase(std::u16string_view a, std::u16string_view b);
// The letter of "C:" (or "C:\"), upper case; 0 for any other name.
char LetterOf(const std::u16string& name);

// ---- the ATA drive (stack_ata_drive.cpp) ------------------------------------

struct AtaRegisters {
  std::uint8_t command;
  std::uint8_t features;
  std::uint8_t lbaMid;
  std::uint8_t lbaHigh;
};

// The command the registers spell, or nothing when a drive would abort it.
// In the 12- and 16-byte pass-through forms the features byte may carry the
// transfer length of IDENTIFY, so it is not checked there.
std::optional<AtaOperation> DecodeAta(const AtaRegisters& r, bool featuresCarryLength);
// The drive's answer to a well-formed command; nothing when it aborts.
// The command wakes a sleeping disk.
std::optional<Sector> Execute(Disk& disk, AtaOperation op);
// A command reaching the drive: Windows powers up a disk it has powered
// down, and the drive spins up from standby for any command but CHECK
// POWER MODE, which it answers as it is.
void PowerUpFor(Disk& disk, bool checkPowerMode);
// CHECK POWER MODE's count register for the drive's mode.
std::uint8_t PowerModeCount(PowerState state);
// How much of a sector the disk's driver hands back.
std::size_t SectorAnswerBytes(const Disk& disk);

// ---- per family of requests --------------------------------------------------

// SMART_RCV_DRIVE_DATA (stack_smart_ioctl.cpp).
Status SmartIoctl(Disk& disk, Request& r);
// SENDCMDOUTPARAMS at `at`, as SMART_RCV_DRIVE_DATA and the miniports
// answer; returns the count of bytes answered from `at` on.
std::uint32_t PutDriveAnswer(const Disk& disk, Bytes& b, std::size_t at,
                             const std::optional<Sector>& sector);
// IOCTL_SCSI_MINIPORT on a disk handle and on a storage port
// (stack_miniports.cpp).
Status DiskMiniport(Disk& disk, Request& r);
Status PortControl(Fixture& f, const StoragePort& port, Request& r);
// IOCTL_SCSI_PASS_THROUGH and the CDBs it carries (stack_pass_through.cpp).
Status PassThrough(Disk& disk, Request& r);
// IOCTL_STORAGE_QUERY_PROPERTY (stack_storage_queries.cpp).
Status StorageQuery(const Disk& disk, Request& r);
// Every control code on a disk handle (stack_disk_control.cpp).
Status DiskControl(Disk& disk, Request& r);
// STORAGE_DEVICE_NUMBER of a disk or of a partition on it.
Status DeviceNumber(std::uint32_t disk, std::uint32_t partition, Request& r);
// The control codes on a volume handle (stack_volumes.cpp).
Status VolumeControl(const Fixture& f, const Volume& volume, Request& r);

}  // namespace disklib::sim
