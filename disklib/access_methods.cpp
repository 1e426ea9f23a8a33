#include "disklib/access_methods.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "common/request_limits.h"
#include "common/wire_records.h"
#include "disklib/control_codes.h"
#include "disklib/disklib.h"

namespace disklib {
namespace {

struct AtaRegisters {
  std::uint8_t command;
  std::uint8_t features;
  std::uint8_t lbaMid;   // cylinder low
  std::uint8_t lbaHigh;  // cylinder high
};

constexpr std::uint8_t kIdentifyCommand = 0xEC;
// IDENTIFY word 255: the signature in its low byte says the sector carries a
// checksum in its high byte that makes all 512 bytes add up to zero.
constexpr std::size_t kIntegrityWordOffset = 510;
constexpr std::uint8_t kIntegritySignature = 0xA5;
constexpr std::uint8_t kSmartCommand = 0xB0;
constexpr std::uint8_t kCheckPowerModeCommand = 0xE5;
// ATA PASS-THROUGH byte 1: protocol 3 (non-data) in bits 1 to 4; byte 2:
// CK_COND, no transfer (T_LENGTH 0).
constexpr std::uint8_t kNonDataProtocol = 3 << 1;
constexpr std::uint8_t kCheckCondition = 0x20;

AtaRegisters RegistersFor(AtaOperation operation) {
  switch (operation) {
    case AtaOperation::Identify:
      return {kIdentifyCommand, 0x00, 0x00, 0x00};
    case AtaOperation::ReadData:
      return {kSmartCommand, 0xD0, 0x4F, 0xC2};
    case AtaOperation::ReadThresholds:
      return {kSmartCommand, 0xD1, 0x4F, 0xC2};
  }
  return {};
}

std::uint32_t MiniportControlCode(AtaOperation operation) {
  switch (operation) {
    case AtaOperation::Identify:
      return IOCTL_SCSI_MINIPORT_IDENTIFY;
    case AtaOperation::ReadData:
      return IOCTL_SCSI_MINIPORT_READ_SMART_ATTRIBS;
    case AtaOperation::ReadThresholds:
      return IOCTL_SCSI_MINIPORT_READ_SMART_THRESHOLDS;
  }
  return 0;
}

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  std::memcpy(b.data() + at, &v, sizeof v);
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, sizeof v);
  return v;
}

// SRB_IO_CONTROL, the header of every miniport request.
constexpr std::uint32_t kSrbHeaderLength = 28;
constexpr std::size_t kSrbReturnCodeOffset = 20;
constexpr std::uint32_t kMiniportDataLength = 529;
constexpr std::uint32_t kMiniportAnswerSize = 557;
constexpr std::uint32_t kMiniportAnswerOffset = 44;

AccessRequest MiniportRequest(const char (&signature)[9], AtaOperation operation,
                              std::uint32_t inputSize) {
  AccessRequest r{IOCTL_SCSI_MINIPORT, std::vector<std::uint8_t>(kMiniportAnswerSize, 0), inputSize,
                  kMiniportAnswerSize, kMiniportAnswerOffset};
  PutU32(r.bytes, 0, kSrbHeaderLength);
  std::memcpy(r.bytes.data() + 4, signature, 8);
  PutU32(r.bytes, 12, ardmon::kMiniportTimeout);
  PutU32(r.bytes, 16, MiniportControlCode(operation));
  PutU32(r.bytes, 24, kMiniportDataLength);
  return r;
}

AccessRequest ScsiDiskMiniportRequest(AtaOperation operation, std::uint32_t driveNumber) {
  const AtaRegisters reg = RegistersFor(operation);
  AccessRequest r = MiniportRequest("SCSIDISK", operation, 60);
  r.bytes[32] = reg.features;
  r.bytes[35] = reg.lbaMid;
  r.bytes[36] = reg.lbaHigh;
  r.bytes[38] = reg.command;
  r.bytes[40] = static_cast<std::uint8_t>(driveNumber);
  return r;
}

AccessRequest SataMiniportRequest(AtaOperation operation, const Addressing& addressing) {
  const AtaRegisters reg = RegistersFor(operation);
  AccessRequest r = MiniportRequest("QX_SATA_", operation, 69);
  r.bytes[32] = addressing.pathId;
  r.bytes[33] = addressing.targetId;
  r.bytes[38] = 0xF0;
  r.bytes[61] = reg.features;
  r.bytes[64] = reg.lbaMid;
  r.bytes[65] = reg.lbaHigh;
  r.bytes[67] = reg.command;
  return r;
}

// SENDCMDINPARAMS in, SENDCMDOUTPARAMS out.
AccessRequest SmartIoctlRequest(AtaOperation operation, std::uint32_t driveNumber) {
  constexpr std::uint32_t kAnswerSize = 16 + ardmon::kSectorSize;
  const AtaRegisters reg = RegistersFor(operation);
  AccessRequest r{SMART_RCV_DRIVE_DATA, std::vector<std::uint8_t>(kAnswerSize, 0), 33, kAnswerSize,
                  16};
  PutU32(r.bytes, 0, ardmon::kSectorSize);
  r.bytes[4] = reg.features;
  r.bytes[5] = 1;  // sector count
  r.bytes[6] = 1;  // sector number
  r.bytes[7] = reg.lbaMid;
  r.bytes[8] = reg.lbaHigh;
  r.bytes[9] = (driveNumber & 1) ? 0xB0 : 0xA0;
  r.bytes[10] = reg.command;
  r.bytes[12] = static_cast<std::uint8_t>(driveNumber);
  return r;
}

std::vector<std::uint8_t> PassThroughCdb(AccessMethod method, AtaOperation operation) {
  const AtaRegisters reg = RegistersFor(operation);
  const bool identify = operation == AtaOperation::Identify;
  switch (method) {
    case AccessMethod::AtaPassThrough12:
      // Identify counts its one block in the features field (T_LENGTH 1),
      // the S.M.A.R.T. reads in the sector count field (T_LENGTH 2).
      if (identify) return {0xA1, 0x08, 0x0D, 0x01, 0, 0, 0, 0, 0, reg.command, 0, 0};
      return {0xA1,       0x08,        0x0E, reg.features, 0x01, 0x01,
              reg.lbaMid, reg.lbaHigh, 0xA0, reg.command,  0,    0};
    case AccessMethod::AtaPassThrough16:
      if (identify) return {0x85, 0x09, 0x0D, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, reg.command, 0};
      return {0x85, 0x09, 0x0E,       0, reg.features, 0,    0x01,        0,
              0x01, 0,    reg.lbaMid, 0, reg.lbaHigh,  0xA0, reg.command, 0};
    case AccessMethod::BridgeCdb12:
      if (identify) return {0xF8, 0x00, 0x22, 0x10, 0x01, 0, 0, 0, 0, 0, 0, reg.command};
      return {0xF8, 0x00, 0x22,       0x10,        0x01, reg.features,
              0,    0,    reg.lbaMid, reg.lbaHigh, 0,    reg.command};
    case AccessMethod::BridgeCdb10:
      return {0x01, 0x00, reg.features, 0, 0, reg.lbaMid, reg.lbaHigh, reg.command, 0x02, 0};
    default:
      return {};
  }
}

// SENDCMDOUTPARAMS, also behind a miniport's header: cBufferSize, then
// DRIVERSTATUS (bDriverError first), then the sector.
constexpr std::uint32_t kDriverStatusSize = 12;

// A control-code answer whose driver reports an error holds no sector, even
// when it hands back the sector's full length.
bool DriverReportsSuccess(const AccessRequest& request) {
  if (request.bytes[request.answerOffset - kDriverStatusSize] != 0) return false;
  return request.controlCode != IOCTL_SCSI_MINIPORT ||
         U32(request.bytes, kSrbReturnCodeOffset) == 0;
}

bool AllZero(const std::uint8_t* sector) {
  return std::all_of(sector, sector + ardmon::kSectorSize, [](std::uint8_t b) { return b == 0; });
}

// False for a sector that cannot be IDENTIFY data: all zero, or signed by
// the integrity word with a checksum that does not add up.
bool IsIdentifySector(const std::uint8_t* sector) {
  const std::uint8_t* end = sector + ardmon::kSectorSize;
  if (AllZero(sector)) return false;
  if (sector[kIntegrityWordOffset] != kIntegritySignature) return true;
  return std::accumulate(sector, end, std::uint8_t{0}, [](std::uint8_t sum, std::uint8_t b) {
           return static_cast<std::uint8_t>(sum + b);
         }) == 0;
}

}  // namespace

bool IsPassThrough(AccessMethod method) {
  return method == AccessMethod::AtaPassThrough12 || method == AccessMethod::AtaPassThrough16 ||
         method == AccessMethod::BridgeCdb12 || method == AccessMethod::BridgeCdb10;
}

AccessRequest BuildRequest(AccessMethod method, AtaOperation operation,
                           const Addressing& addressing) {
  switch (method) {
    case AccessMethod::SmartIoctl:
      return SmartIoctlRequest(operation, addressing.driveNumber);
    case AccessMethod::ScsiDiskMiniport:
      return ScsiDiskMiniportRequest(operation, addressing.driveNumber);
    case AccessMethod::SataMiniport:
      return SataMiniportRequest(operation, addressing);
    default: {
      std::vector<std::uint8_t> cdb = PassThroughCdb(method, operation);
      const auto size = static_cast<std::uint32_t>(cdb.size());
      return {0, std::move(cdb), size, ardmon::kSectorSize, 0};
    }
  }
}

bool RunAccessMethod(DeviceStack& stack, DeviceHandle handle, AccessMethod method,
                     AtaOperation operation, const Addressing& addressing, std::uint8_t* sector) {
  AccessRequest request = BuildRequest(method, operation, addressing);
  std::uint8_t answer[ardmon::kSectorSize];
  if (IsPassThrough(method)) {
    // Bridges answer commands they do not know with GOOD and no data, or
    // with part of the sector: only the whole sector is an answer.
    const std::optional<std::uint32_t> transferred =
        ScsiPassThrough(stack, handle, request.bytes.data(),
                        static_cast<std::uint8_t>(request.inputSize), answer, ardmon::kSectorSize);
    if (transferred != ardmon::kSectorSize) return false;
  } else {
    std::uint32_t returned = 0;
    if (!stack.Control(handle, request.controlCode, request.bytes.data(), request.inputSize,
                       request.bytes.data(), request.outputSize, returned) ||
        returned < request.answerOffset + ardmon::kSectorSize || !DriverReportsSuccess(request)) {
      return false;
    }
    std::memcpy(answer, request.bytes.data() + request.answerOffset, ardmon::kSectorSize);
  }
  if (operation == AtaOperation::Identify && !IsIdentifySector(answer)) return false;
  // A drive that reads its S.M.A.R.T. data has attributes to report: all
  // zeros are what some drivers hand back for a read the drive aborted. A
  // threshold sector may rightly be empty.
  if (operation == AtaOperation::ReadData && AllZero(answer)) return false;
  if (sector) std::memcpy(sector, answer, ardmon::kSectorSize);
  return true;
}

std::vector<std::uint8_t> PowerCheckCdb(AccessMethod method) {
  // The command register is byte 9 of the 12-byte form, byte 14 of the
  // 16-byte form; all other registers stay zero.
  std::vector<std::uint8_t> cdb;
  if (method == AccessMethod::AtaPassThrough12) {
    cdb.assign(12, 0);
    cdb[0] = 0xA1;
    cdb[9] = kCheckPowerModeCommand;
  } else if (method == AccessMethod::AtaPassThrough16) {
    cdb.assign(16, 0);
    cdb[0] = 0x85;
    cdb[14] = kCheckPowerModeCommand;
  } else {
    return cdb;
  }
  cdb[1] = kNonDataProtocol;
  cdb[2] = kCheckCondition;
  return cdb;
}

std::optional<PowerMode> RunPowerCheck(DeviceStack& stack, DeviceHandle handle,
                                       AccessMethod method) {
  const std::vector<std::uint8_t> cdb = PowerCheckCdb(method);
  if (cdb.empty()) return std::nullopt;
  const std::optional<PassThroughAnswer> answer =
      SendPassThrough(stack, handle, cdb.data(), static_cast<std::uint8_t>(cdb.size()), nullptr, 0);
  if (!answer) return std::nullopt;
  const std::optional<std::uint8_t> count = ReturnedAtaCount(*answer);
  if (!count) return std::nullopt;
  return PowerModeOfCount(*count);
}

std::optional<ScsiAddress> GetScsiAddress(DeviceStack& stack, DeviceHandle drive) {
  std::uint8_t address[8] = {};  // SCSI_ADDRESS: Length, PortNumber, PathId, TargetId, Lun
  std::uint32_t returned = 0;
  if (!stack.Control(drive, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, address, sizeof address,
                     returned)) {
    return std::nullopt;
  }
  return ScsiAddress{address[5], address[6]};
}

std::optional<std::u16string> FindStoragePort(DeviceStack& stack,
                                              const std::u16string& controllerId) {
  std::optional<std::u16string> port;
  stack.VisitInterfaces(InterfaceClass::StoragePort, [&](const DeviceInterface& itf) {
    std::optional<std::u16string> id = stack.DeviceIdOf(itf.node);
    if (!id || *id != controllerId) return false;
    port = itf.path;
    return true;
  });
  return port;
}

}  // namespace disklib
