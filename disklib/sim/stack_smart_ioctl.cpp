// SMART_RCV_DRIVE_DATA on a disk handle, and the SENDCMDOUTPARAMS answer it
// shares with the miniports.
#include <algorithm>

#include "disklib/sim/stack_requests.h"

namespace disklib::sim {

// SENDCMDOUTPARAMS: buffer size, DRIVERSTATUS, then the sector. A command
// the drive aborts still completes the request, with the error inside and
// no sector behind it; a driver with the zero-data quirk hands back the
// sector's length of zeros all the same. Returns the count of bytes
// answered from `at` on.
std::uint32_t PutDriveAnswer(const Disk& disk, Bytes& b, std::size_t at,
                             const std::optional<Sector>& sector) {
  constexpr std::size_t kStatusBytes = 16;
  const std::size_t count = SectorAnswerBytes(disk);
  std::fill(b.begin() + at, b.begin() + at + kStatusBytes + kSectorBytes, 0);
  if (sector) {
    PutU32(b, at, static_cast<std::uint32_t>(count));
    std::copy_n(sector->begin(), count, b.begin() + at + kStatusBytes);
    return static_cast<std::uint32_t>(kStatusBytes + count);
  }
  b[at + 4] = 1;     // bDriverError: SMART_IDE_ERROR
  b[at + 5] = 0x04;  // bIDEError: aborted
  if (!disk.Has(Quirk::SmartAbortZeroData)) return kStatusBytes;
  PutU32(b, at, static_cast<std::uint32_t>(count));
  return static_cast<std::uint32_t>(kStatusBytes + count);
}

Status SmartIoctl(Disk& disk, Request& r) {
  if (!disk.Answers(AccessMethod::SmartIoctl) || !disk.ata) return Status::Failed;
  // SENDCMDINPARAMS less its one-byte buffer in, SENDCMDOUTPARAMS with a
  // sector out.
  if (r.inSize < 32 || r.outSize < 16 + kSectorBytes) return Status::Failed;
  const Bytes& b = r.buffer;
  const std::uint8_t head = (disk.number & 1) ? 0xB0 : 0xA0;
  if (b[12] != static_cast<std::uint8_t>(disk.number) || b[9] != head) return Status::Failed;
  std::optional<AtaOperation> op = DecodeAta({b[10], b[4], b[7], b[8]}, false);
  if (!op) return Status::Failed;
  r.returned = PutDriveAnswer(disk, r.buffer, 0, Execute(disk, *op));
  return Status::Done;
}

}  // namespace disklib::sim
