// The platform's SCSI_PASS_THROUGH request as a 64-bit process sends it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "disklib/device_stack.h"

namespace disklib {

#pragma pack(push, 1)
struct ScsiPassThroughHeader {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  std::uint8_t Reserved0[3];
  std::uint32_t DataTransferLength;
  std::uint32_t TimeOutValue;
  std::uint8_t Reserved1[4];
  std::uint64_t DataBufferOffset;  // ULONG_PTR: eight bytes, aligned, in a 64-bit process
  std::uint32_t SenseInfoOffset;
  std::uint8_t Cdb[16];
  std::uint8_t Reserved2[4];
};
#pragma pack(pop)

static_assert(sizeof(ScsiPassThroughHeader) == 56);
static_assert(offsetof(ScsiPassThroughHeader, CdbLength) == 6);
static_assert(offsetof(ScsiPassThroughHeader, DataIn) == 8);
static_assert(offsetof(ScsiPassThroughHeader, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughHeader, TimeOutValue) == 16);
static_assert(offsetof(ScsiPassThroughHeader, DataBufferOffset) == 24);
static_assert(offsetof(ScsiPassThroughHeader, SenseInfoOffset) == 32);
static_assert(offsetof(ScsiPassThroughHeader, Cdb) == 36);

constexpr std::uint32_t kSenseOffset = 56;
constexpr std::uint8_t kSenseLength = 24;
constexpr std::uint32_t kDataOffset = 80;
static_assert(kSenseOffset + kSenseLength == kDataOffset);
// Room allocated behind the transferred data, as the driver may write sense
// or padding there.
constexpr std::uint32_t kPassThroughSlack = 592;
constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;
constexpr std::uint8_t SCSI_IOCTL_DATA_UNSPECIFIED = 2;

constexpr std::uint8_t kScsiStatusGood = 0x00;
constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;

// What a device answered to a CDB, whatever its status.
struct PassThroughAnswer {
  std::uint8_t scsiStatus = 0;
  std::uint32_t transferred = 0;  // as the driver reports it, maybe more than asked
  std::array<std::uint8_t, kSenseLength> sense{};
  std::uint8_t senseLength = 0;  // the sense bytes the driver returned
};

// Sends a CDB, data-in when `transferLength` is not zero, else without
// data; copies at most `transferLength` bytes to `output`. Nothing when
// the request itself failed.
std::optional<PassThroughAnswer> SendPassThrough(DeviceStack& stack, DeviceHandle handle,
                                                 const std::uint8_t* cdb, std::uint8_t cdbLength,
                                                 std::uint8_t* output,
                                                 std::uint32_t transferLength);

}  // namespace disklib
