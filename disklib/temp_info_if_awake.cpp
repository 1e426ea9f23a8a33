// GetTempInfoIfAwake: whether a drive that may spin sleeps, found out
// without waking it, before it is read.
#include <cstring>
#include <vector>

#include "common/nvme_health.h"
#include "disklib/access_methods.h"
#include "disklib/disklib.h"
#include "disklib/storage_query.h"

namespace disklib {
namespace {

using ardmon::DrivePower;

// IDENTIFY word 217, the nominal media rotation rate: 0 not reported, 1
// solid state, 401h to FFFEh revolutions per minute, the rest reserved.
constexpr std::size_t kRotationRateOffset = 2 * 217;
constexpr std::uint16_t kSolidStateRate = 1;
constexpr std::uint16_t kLowestRpm = 0x401;
constexpr std::uint16_t kHighestRpm = 0xFFFE;

// Whether what was read shows a drive that does not spin; nothing when the
// read showed nothing of it.
std::optional<bool> SolidStateOf(const ardmon::TempInfoRecord& record) {
  if (ardmon::nvme::IsNvmeRecord(record)) return true;
  if (!record.IdentifyOk) return std::nullopt;
  const std::uint16_t rate =
      record.IdentifyData[kRotationRateOffset] | record.IdentifyData[kRotationRateOffset + 1] << 8;
  if (rate == kSolidStateRate) return true;
  if (rate >= kLowestRpm && rate <= kHighestRpm) return false;
  return std::nullopt;
}

struct PowerCheck {
  std::optional<PowerMode> mode;
  std::optional<AccessMethod> method;  // the one that answered
};

// The method that answered last time first, then the others in order.
PowerCheck CheckPower(DeviceStack& stack, DeviceHandle drive,
                      std::optional<AccessMethod> remembered) {
  std::vector<AccessMethod> order;
  if (remembered) order.push_back(*remembered);
  for (AccessMethod method : kPowerCheckMethods) {
    if (method != remembered) order.push_back(method);
  }
  for (AccessMethod method : order) {
    if (std::optional<PowerMode> mode = RunPowerCheck(stack, drive, method)) return {mode, method};
  }
  return {};
}

}  // namespace

DrivePower GetTempInfoIfAwake(DeviceStack& stack, std::uint32_t n, ardmon::TempInfoRecord* record,
                              DriveMemory& memory) {
  if (!record) return DrivePower::kUnknown;
  std::memset(record, 0, sizeof *record);

  std::optional<DiskInterface> disk = FindDiskInterface(stack, n);
  if (!disk) return DrivePower::kUnknown;
  ScopedHandle drive(stack, OpenPhysicalDrive(stack, n));
  if (!drive) return DrivePower::kUnknown;

  DriveFacts facts = memory.Recall(disk->path);
  std::optional<PowerMode> mode;
  if (facts.solidState != true) {
    // Powered down by Windows, the disk would spin up for any request, even
    // one its driver answers.
    const std::optional<bool> powered = stack.DevicePowered(drive.get());
    if (powered && !*powered) return DrivePower::kAsleep;
    // An SSD may claim standby falsely; the driver knows it before the first
    // read would tell.
    if (!facts.solidState) {
      if (const std::optional<bool> rotates = QuerySeekPenalty(stack, drive.get())) {
        facts.solidState = !*rotates;
      }
    }
  }
  if (facts.solidState != true) {
    const PowerCheck check = CheckPower(stack, drive.get(), facts.checkMethod);
    if (check.method) facts.checkMethod = check.method;
    mode = check.mode;
    if (mode == PowerMode::Standby) {
      memory.Remember(disk->path, facts);
      return DrivePower::kAsleep;
    }
  }

  ReadOpenDrive(stack, drive.get(), n, disk->controllerId, *record);
  if (const std::optional<bool> solidState = SolidStateOf(*record)) facts.solidState = solidState;
  memory.Remember(disk->path, facts);
  return mode == PowerMode::Awake || facts.solidState == true ? DrivePower::kAwake
                                                              : DrivePower::kUnknown;
}

}  // namespace disklib
