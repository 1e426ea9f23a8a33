// The control codes a disk handle answers, by family.
#include "disklib/control_codes.h"
#include "disklib/sim/stack_requests.h"

namespace disklib::sim {

Status DeviceNumber(std::uint32_t disk, std::uint32_t partition, Request& r) {
  if (r.outSize < 12) return Status::Failed;
  PutU32(r.buffer, 0, FILE_DEVICE_DISK);
  PutU32(r.buffer, 4, disk);
  PutU32(r.buffer, 8, partition);
  r.returned = 12;
  return Status::Done;
}

Status DiskControl(Disk& disk, Request& r) {
  switch (r.code) {
    case IOCTL_STORAGE_GET_DEVICE_NUMBER:
      return DeviceNumber(disk.number, 0, r);  // the whole disk, no partition
    case IOCTL_DISK_GET_LENGTH_INFO:
      if (r.outSize < 8 || disk.size == 0) return Status::Failed;  // no medium
      PutU64(r.buffer, 0, disk.size);
      r.returned = 8;
      return Status::Done;
    case IOCTL_SCSI_GET_ADDRESS:
      if (r.outSize < 8 || !disk.scsiAddress) return Status::Failed;
      PutU32(r.buffer, 0, 8);
      r.buffer[4] = disk.scsiAddress->portNumber;
      r.buffer[5] = disk.scsiAddress->pathId;
      r.buffer[6] = disk.scsiAddress->targetId;
      r.buffer[7] = disk.scsiAddress->lun;
      r.returned = 8;
      return Status::Done;
    case IOCTL_SCSI_PASS_THROUGH:
      return PassThrough(disk, r);
    case IOCTL_STORAGE_QUERY_PROPERTY:
      return StorageQuery(disk, r);
    case SMART_RCV_DRIVE_DATA:
      return SmartIoctl(disk, r);
    case IOCTL_SCSI_MINIPORT:
      return DiskMiniport(disk, r);
    default:
      return Status::Failed;
  }
}

}  // namespace disklib::sim
