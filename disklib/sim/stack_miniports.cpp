// IOCTL_SCSI_MINIPORT: the disk miniport (SCSIDISK) on a disk handle and on
// its storage port, and the SATA filter (QX_SATA_) on the port.
#include "disklib/control_codes.h"
#include "disklib/sim/stack_requests.h"

namespace disklib::sim {
namespace {

constexpr std::size_t kSrbHeader = 28;  // SRB_IO_CONTROL

struct MiniportRequest {
  std::string signature;
  AtaOperation operation;
};

std::optional<AtaOperation> OperationOfMiniportCode(std::uint32_t code) {
  switch (code) {
    case IOCTL_SCSI_MINIPORT_IDENTIFY:
      return AtaOperation::Identify;
    case IOCTL_SCSI_MINIPORT_READ_SMART_ATTRIBS:
      return AtaOperation::ReadData;
    case IOCTL_SCSI_MINIPORT_READ_SMART_THRESHOLDS:
      return AtaOperation::ReadThresholds;
    default:
      return std::nullopt;
  }
}

// The SRB_IO_CONTROL header as the port driver checks it before passing
// the request on: its length, a timeout, and room for the answer.
std::optional<MiniportRequest> MiniportHeader(const Request& r) {
  if (r.inSize < kSrbHeader) return std::nullopt;
  const Bytes& b = r.buffer;
  const std::uint32_t length = U32(b, 24);
  if (U32(b, 0) != kSrbHeader || U32(b, 12) == 0) return std::nullopt;
  if (length < 16 + kSectorBytes || kSrbHeader + std::uint64_t{length} > r.outSize) {
    return std::nullopt;
  }
  std::optional<AtaOperation> op = OperationOfMiniportCode(U32(b, 16));
  if (!op) return std::nullopt;
  return MiniportRequest{std::string(b.begin() + 4, b.begin() + 12), *op};
}

bool IsScsiDisk(const MiniportRequest& m) {
  return m.signature == "SCSIDISK";
}
bool IsSataFilter(const MiniportRequest& m) {
  return m.signature == "QX_SATA_";
}

// The SCSIDISK body is a SENDCMDINPARAMS behind the header.
std::optional<std::uint8_t> ScsiDiskDriveNumber(const Request& r, const MiniportRequest& m) {
  if (r.inSize < kSrbHeader + 32) return std::nullopt;
  const Bytes& b = r.buffer;
  if (DecodeAta({b[38], b[32], b[35], b[36]}, false) != m.operation) return std::nullopt;
  return b[40];
}

struct SataTarget {
  std::uint8_t pathId;
  std::uint8_t targetId;
};
std::optional<SataTarget> SataFilterTarget(const Request& r, const MiniportRequest& m) {
  if (r.inSize < 69) return std::nullopt;
  const Bytes& b = r.buffer;
  if (b[38] != 0xF0) return std::nullopt;
  if (DecodeAta({b[67], b[61], b[64], b[65]}, false) != m.operation) return std::nullopt;
  return SataTarget{b[32], b[33]};
}

Status MiniportAnswer(Disk& disk, const MiniportRequest& m, Request& r) {
  if (!disk.ata) return Status::Failed;
  PutU32(r.buffer, 20, 0);  // ReturnCode
  r.returned = static_cast<std::uint32_t>(kSrbHeader) +
               PutDriveAnswer(disk, r.buffer, kSrbHeader, Execute(disk, m.operation));
  return Status::Done;
}

}  // namespace

// On the disk's own handle only the disk miniport answers, for its own
// drive number; the SATA filter sits on the controller's port.
Status DiskMiniport(Disk& disk, Request& r) {
  std::optional<MiniportRequest> m = MiniportHeader(r);
  if (!m || !IsScsiDisk(*m) || !disk.Answers(AccessMethod::ScsiDiskMiniport)) {
    return Status::Failed;
  }
  if (ScsiDiskDriveNumber(r, *m) != static_cast<std::uint8_t>(disk.number)) {
    return Status::Failed;
  }
  return MiniportAnswer(disk, *m, r);
}

// A storage port answers miniport requests for the present disks below its
// node: the SATA filter by PathId and TargetId, the disk miniport by PathId
// as drive number.
Status PortControl(Fixture& f, const StoragePort& port, Request& r) {
  if (r.code != IOCTL_SCSI_MINIPORT) return Status::Failed;
  std::optional<MiniportRequest> m = MiniportHeader(r);
  if (!m) return Status::Failed;
  auto served = [&](const Disk& d, AccessMethod method) {
    return d.Answers(method) && d.scsiAddress && NodePresent(f, d.node) &&
           IsBelow(f, d.node, port.node);
  };
  if (IsSataFilter(*m)) {
    std::optional<SataTarget> target = SataFilterTarget(r, *m);
    if (!target) return Status::Failed;
    for (Disk& d : f.disks) {
      if (served(d, AccessMethod::SataMiniport) && d.scsiAddress->pathId == target->pathId &&
          d.scsiAddress->targetId == target->targetId) {
        return MiniportAnswer(d, *m, r);
      }
    }
  } else if (IsScsiDisk(*m)) {
    std::optional<std::uint8_t> drive = ScsiDiskDriveNumber(r, *m);
    if (!drive) return Status::Failed;
    for (Disk& d : f.disks) {
      if (served(d, AccessMethod::ScsiDiskMiniport) && d.scsiAddress->pathId == *drive) {
        return MiniportAnswer(d, *m, r);
      }
    }
  }
  return Status::Failed;  // no such target
}

}  // namespace disklib::sim
