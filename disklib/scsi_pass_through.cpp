#include "disklib/scsi_pass_through.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "common/request_limits.h"
#include "disklib/control_codes.h"
#include "disklib/disklib.h"

namespace disklib {

std::optional<PassThroughAnswer> SendPassThrough(DeviceStack& stack, DeviceHandle handle,
                                                 const std::uint8_t* cdb, std::uint8_t cdbLength,
                                                 std::uint8_t* output,
                                                 std::uint32_t transferLength) {
  std::vector<std::uint8_t> buffer;
  try {
    buffer.assign(std::size_t{transferLength} + kPassThroughSlack, 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  ScsiPassThroughHeader header{};
  header.Length = sizeof(ScsiPassThroughHeader);
  header.TargetId = 1;
  header.CdbLength = cdbLength;
  header.SenseInfoLength = kSenseLength;
  header.DataIn = transferLength != 0 ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_UNSPECIFIED;
  header.DataTransferLength = transferLength;
  header.TimeOutValue = ardmon::kPassThroughTimeout;
  header.DataBufferOffset = kDataOffset;
  header.SenseInfoOffset = kSenseOffset;
  std::memcpy(header.Cdb, cdb, std::min<std::size_t>(cdbLength, sizeof header.Cdb));
  std::memcpy(buffer.data(), &header, sizeof header);

  std::uint32_t returned = 0;
  if (!stack.Control(handle, IOCTL_SCSI_PASS_THROUGH, buffer.data(), sizeof header, buffer.data(),
                     transferLength + kDataOffset, returned)) {
    return std::nullopt;
  }
  std::memcpy(&header, buffer.data(), sizeof header);
  PassThroughAnswer answer;
  answer.scsiStatus = header.ScsiStatus;
  answer.transferred = header.DataTransferLength;
  answer.senseLength = std::min(header.SenseInfoLength, kSenseLength);
  std::memcpy(answer.sense.data(), buffer.data() + kSenseOffset, answer.senseLength);
  if (answer.scsiStatus == kScsiStatusGood) {
    // A driver may report more than was asked for; the caller's area holds
    // only what it asked for.
    const std::uint32_t copied = std::min(answer.transferred, transferLength);
    if (copied != 0 && output) std::memcpy(output, buffer.data() + kDataOffset, copied);
  }
  return answer;
}

std::optional<std::uint32_t> ScsiPassThrough(DeviceStack& stack, DeviceHandle handle,
                                             const std::uint8_t* cdb, std::uint8_t cdbLength,
                                             std::uint8_t* output, std::uint32_t transferLength) {
  std::optional<PassThroughAnswer> answer =
      SendPassThrough(stack, handle, cdb, cdbLength, output, transferLength);
  if (!answer || answer->scsiStatus != kScsiStatusGood) return std::nullopt;
  return answer->transferred;
}

}  // namespace disklib
