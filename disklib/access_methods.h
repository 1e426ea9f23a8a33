// The seven ways of getting an ATA command to a drive and its 512-byte
// answer back, and the two of them that also carry CHECK POWER MODE.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disklib/device_stack.h"
#include "disklib/power_answer.h"

namespace disklib {

enum class AtaOperation { Identify, ReadData, ReadThresholds };

enum class AccessMethod {
  SmartIoctl,
  ScsiDiskMiniport,
  SataMiniport,
  AtaPassThrough12,
  AtaPassThrough16,
  BridgeCdb12,
  BridgeCdb10,
};

// The drive number for SmartIoctl and ScsiDiskMiniport, PathId and TargetId
// for SataMiniport; pass-through methods use none.
struct Addressing {
  std::uint32_t driveNumber = 0;
  std::uint8_t pathId = 0;
  std::uint8_t targetId = 0;
};

struct AccessRequest {
  std::uint32_t controlCode;        // 0 for pass-through methods
  std::vector<std::uint8_t> bytes;  // input then room for the answer; or the CDB
  std::uint32_t inputSize;
  std::uint32_t outputSize;
  std::uint32_t answerOffset;
};

bool IsPassThrough(AccessMethod method);
// The request a method sends for an operation, as the driver receives it.
AccessRequest BuildRequest(AccessMethod method, AtaOperation operation,
                           const Addressing& addressing);
// Runs one operation; on success copies the answer sector to `sector`
// (which may be null), on failure leaves it untouched. Success needs the
// whole sector back, no error from a control-code method's driver, for
// IDENTIFY a sector that can be IDENTIFY data and for the S.M.A.R.T. data
// a sector that is not all zero.
bool RunAccessMethod(DeviceStack& stack, DeviceHandle handle, AccessMethod method,
                     AtaOperation operation, const Addressing& addressing, std::uint8_t* sector);

// The methods that carry ATA CHECK POWER MODE and bring its registers back,
// in the order they are tried.
constexpr AccessMethod kPowerCheckMethods[] = {AccessMethod::AtaPassThrough12,
                                               AccessMethod::AtaPassThrough16};
// CHECK POWER MODE as one of those methods' CDB: non-data, the registers
// asked back (CK_COND). Empty for another method.
std::vector<std::uint8_t> PowerCheckCdb(AccessMethod method);
// The power mode the drive reports, or nothing when the check got no
// answer that says it.
std::optional<PowerMode> RunPowerCheck(DeviceStack& stack, DeviceHandle handle,
                                       AccessMethod method);

struct ScsiAddress {
  std::uint8_t pathId;
  std::uint8_t targetId;
};
std::optional<ScsiAddress> GetScsiAddress(DeviceStack& stack, DeviceHandle drive);
// The device path of the storage port whose node has exactly this ID.
std::optional<std::u16string> FindStoragePort(DeviceStack& stack,
                                              const std::u16string& controllerId);

}  // namespace disklib
