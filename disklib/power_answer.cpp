#include "disklib/power_answer.h"

#include <algorithm>

namespace disklib {
namespace {

constexpr std::uint8_t kResponseCodeMask = 0x7F;  // fixed format: bit 7 is VALID
constexpr std::uint8_t kFixedSense = 0x70;
constexpr std::uint8_t kDescriptorSense = 0x72;
constexpr std::uint8_t kSenseKeyMask = 0x0F;
constexpr std::uint8_t kRecoveredError = 0x01;
// ASC/ASCQ 00h/1Dh: ATA pass-through information available.
constexpr std::uint8_t kAtaInformationAsc = 0x00;
constexpr std::uint8_t kAtaInformationAscq = 0x1D;

// Fixed format: sense key at 2, INFORMATION (ERROR, STATUS, DEVICE,
// COUNT(7:0)) at 3 to 6, ASC and ASCQ at 12 and 13.
constexpr std::size_t kFixedCount = 6;
constexpr std::size_t kFixedAsc = 12, kFixedAscq = 13;
constexpr std::size_t kFixedLength = 14;

// Descriptor format: sense key, ASC and ASCQ at 1 to 3, the additional
// length at 7, descriptors from 8, each a code, an additional length and
// its body. The ATA Status Return descriptor holds COUNT(7:0) at 5.
constexpr std::size_t kDescriptorsStart = 8;
constexpr std::uint8_t kAtaStatusReturn = 0x09;
constexpr std::uint8_t kAtaStatusReturnLength = 0x0C;
constexpr std::size_t kDescriptorCount = 5;

std::optional<std::uint8_t> FixedCount(const PassThroughAnswer& answer) {
  const auto& s = answer.sense;
  if (answer.senseLength < kFixedLength || (s[2] & kSenseKeyMask) != kRecoveredError ||
      s[kFixedAsc] != kAtaInformationAsc || s[kFixedAscq] != kAtaInformationAscq) {
    return std::nullopt;
  }
  return s[kFixedCount];
}

std::optional<std::uint8_t> DescriptorCount(const PassThroughAnswer& answer) {
  const auto& s = answer.sense;
  if (answer.senseLength < kDescriptorsStart || (s[1] & kSenseKeyMask) != kRecoveredError ||
      s[2] != kAtaInformationAsc || s[3] != kAtaInformationAscq) {
    return std::nullopt;
  }
  const std::size_t end = std::min<std::size_t>(answer.senseLength, kDescriptorsStart + s[7]);
  for (std::size_t at = kDescriptorsStart; at + 2 <= end; at += 2 + s[at + 1]) {
    if (s[at] != kAtaStatusReturn) continue;
    if (s[at + 1] != kAtaStatusReturnLength || at + 2 + kAtaStatusReturnLength > end) break;
    return s[at + kDescriptorCount];
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint8_t> ReturnedAtaCount(const PassThroughAnswer& answer) {
  if (answer.scsiStatus != kScsiStatusCheckCondition || answer.senseLength == 0) {
    return std::nullopt;
  }
  switch (answer.sense[0] & kResponseCodeMask) {
    case kFixedSense:
      return FixedCount(answer);
    case kDescriptorSense:
      return DescriptorCount(answer);
    default:
      return std::nullopt;
  }
}

std::optional<PowerMode> PowerModeOfCount(std::uint8_t count) {
  switch (count) {
    case 0x00:  // Standby_z
    case 0x01:  // Standby_y
      return PowerMode::Standby;
    case 0x40:  // NV cache power mode, the drive answering from its cache
    case 0x41:
    case 0x80:  // Idle, then Idle_a, Idle_b, Idle_c
    case 0x81:
    case 0x82:
    case 0x83:
    case 0xFF:  // Active or Idle
      return PowerMode::Awake;
    default:
      return std::nullopt;
  }
}

}  // namespace disklib
