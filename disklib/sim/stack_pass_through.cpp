// IOCTL_SCSI_PASS_THROUGH and the CDBs it carries: INQUIRY, the ATA
// PASS-THROUGH commands and the bridges' vendor commands.
#include <algorithm>

#include "disklib/scsi_pass_through.h"
#include "disklib/sim/stack_requests.h"

namespace disklib::sim {
namespace {

// The ATA registers a pass-through returns when asked to (CK_COND).
struct AtaReturn {
  std::uint8_t error = 0;
  std::uint8_t count = 0;
  std::uint8_t device = 0;
  std::uint8_t status = 0;
};

struct ScsiOutcome {
  bool good = false;
  Bytes data;
  std::uint8_t senseKey = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  std::optional<AtaReturn> registers;
};

constexpr std::uint8_t kRecoveredError = 0x01;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kAbortedCommand = 0x0B;
constexpr std::uint8_t kInvalidOpcode = 0x20;
constexpr std::uint8_t kInvalidField = 0x24;
constexpr std::uint8_t kAtaInformationAvailable = 0x1D;  // ASCQ, with ASC 00h

constexpr std::uint8_t kProtocolNonData = 3;
constexpr std::uint8_t kProtocolPioDataIn = 4;
constexpr std::uint8_t kCheckCondition = 0x20;  // CK_COND, in the flags byte
constexpr std::uint8_t kCheckPowerMode = 0xE5;
constexpr std::uint8_t kDeviceReady = 0x50;  // status: DRDY and DSC

ScsiOutcome Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0) {
  ScsiOutcome o;
  o.senseKey = key;
  o.asc = asc;
  o.ascq = ascq;
  return o;
}

// A completed command whose registers the caller asked for.
ScsiOutcome Registers(const AtaReturn& registers) {
  ScsiOutcome o = Check(kRecoveredError, 0x00, kAtaInformationAvailable);
  o.registers = registers;
  return o;
}

ScsiOutcome Good(Bytes data) {
  ScsiOutcome o;
  o.good = true;
  o.data = std::move(data);
  return o;
}

void PutPadded(Bytes& b, std::size_t at, std::size_t length, const std::string& text) {
  for (std::size_t i = 0; i < length; ++i) {
    b[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
  }
}

ScsiOutcome Inquiry(const Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength) {
  if (cdbLength != 6) return Check(kIllegalRequest, kInvalidField);
  if ((cdb[1] & 1) || cdb[2] != 0) return Check(kIllegalRequest, kInvalidField);  // no VPD
  if (!disk.inquiry) return Check(kIllegalRequest, kInvalidOpcode);
  Bytes data(36, 0);
  data[1] = disk.inquiry->removable ? 0x80 : 0x00;
  data[2] = 0x05;  // SPC-3
  data[3] = 0x02;  // response data format
  data[4] = 31;    // additional length
  PutPadded(data, 8, 8, disk.inquiry->vendor);
  PutPadded(data, 16, 16, disk.inquiry->product);
  PutPadded(data, 32, 4, disk.inquiry->revision);
  const std::size_t allocation = (std::size_t{cdb[3]} << 8) | cdb[4];
  data.resize(std::min(data.size(), allocation));
  return Good(std::move(data));
}

// One ATA command carried by a CDB, and whether the drive returns its sector.
ScsiOutcome AtaThroughCdb(Disk& disk, const AtaRegisters& regs, bool featuresCarryLength,
                          std::uint32_t transferLength) {
  if (transferLength < kSectorBytes) return Check(kIllegalRequest, kInvalidField);
  if (!disk.ata) return Check(kAbortedCommand, 0x00, kAtaInformationAvailable);
  std::optional<AtaOperation> op = DecodeAta(regs, featuresCarryLength);
  std::optional<Sector> sector = op ? Execute(disk, *op) : std::nullopt;
  if (!sector) {  // the drive aborted it
    return Check(kAbortedCommand, 0x00, kAtaInformationAvailable);
  }
  return Good(Bytes(sector->begin(), sector->begin() + SectorAnswerBytes(disk)));
}

// A non-data command without a transfer length: only CHECK POWER MODE,
// which the drive answers as it is, without spinning up. Its count comes
// back in the sense data when the caller set CK_COND; without it the
// command completes with GOOD status and nothing to show for it.
ScsiOutcome NonDataCommand(Disk& disk, const AtaRegisters& regs, std::uint8_t flags) {
  if ((flags & 0x03) != 0) return Check(kIllegalRequest, kInvalidField);
  if (!disk.ata) return Check(kAbortedCommand, 0x00, kAtaInformationAvailable);
  const bool checkPowerMode = regs.command == kCheckPowerMode;
  PowerUpFor(disk, checkPowerMode);
  if (!checkPowerMode) return Check(kAbortedCommand, 0x00, kAtaInformationAvailable);
  if (!(flags & kCheckCondition)) return Good({});
  AtaReturn registers;
  registers.count = PowerModeCount(disk.powerState);
  registers.status = kDeviceReady;
  return Registers(registers);
}

// ATA PASS-THROUGH (12 and 16): PIO data-in of one 512-byte block, its
// length taken from the features or the sector count field, or a non-data
// command.
ScsiOutcome AtaPassThrough(Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
                           std::uint32_t transferLength) {
  const bool sixteen = cdb[0] == 0x85;
  if (cdbLength != (sixteen ? 16 : 12)) return Check(kIllegalRequest, kInvalidField);
  if (!disk.Answers(sixteen ? AccessMethod::AtaPassThrough16 : AccessMethod::AtaPassThrough12)) {
    return Check(kIllegalRequest, kInvalidOpcode);
  }
  const std::uint8_t protocol = (cdb[1] >> 1) & 0x0F;
  const bool multipleCount = (cdb[1] >> 5) != 0;
  const bool extend = sixteen && (cdb[1] & 1);
  const std::uint8_t flags = cdb[2];
  const bool fromDevice = flags & 0x08, inBlocks = flags & 0x04, blocksOf512 = !(flags & 0x10);
  const std::uint8_t lengthField = flags & 0x03;  // 1: features, 2: sector count
  const bool nonData = protocol == kProtocolNonData;
  if ((protocol != kProtocolPioDataIn && !nonData) || multipleCount) {
    return Check(kIllegalRequest, kInvalidField);
  }
  if (!nonData &&
      (!fromDevice || !inBlocks || !blocksOf512 || (lengthField != 1 && lengthField != 2))) {
    return Check(kIllegalRequest, kInvalidField);
  }
  AtaRegisters regs;
  std::uint8_t count;
  if (sixteen) {
    // The high-order bytes only mean something with the extend bit, and a
    // 28-bit command has none.
    if (extend && (cdb[3] | cdb[5] | cdb[7] | cdb[9] | cdb[11]) != 0) {
      return Check(kIllegalRequest, kInvalidField);
    }
    regs = {cdb[14], cdb[4], cdb[10], cdb[12]};
    count = cdb[6];
  } else {
    regs = {cdb[9], cdb[3], cdb[6], cdb[7]};
    count = cdb[4];
  }
  if (nonData) return NonDataCommand(disk, regs, flags);
  const std::uint8_t blocks = lengthField == 1 ? regs.features : count;
  if (blocks != 1) return Check(kIllegalRequest, kInvalidField);
  return AtaThroughCdb(disk, regs, lengthField == 1, transferLength);
}

// The USB bridge's 12-byte vendor command: a fixed preamble, then the
// taskfile registers.
ScsiOutcome BridgeCdb12(Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
                        std::uint32_t transferLength) {
  if (!disk.Answers(AccessMethod::BridgeCdb12)) return Check(kIllegalRequest, kInvalidOpcode);
  if (cdbLength != 12 || cdb[1] != 0x00 || cdb[2] != 0x22 || cdb[3] != 0x10 || cdb[4] != 0x01) {
    return Check(kIllegalRequest, kInvalidField);
  }
  return AtaThroughCdb(disk, {cdb[11], cdb[5], cdb[8], cdb[9]}, false, transferLength);
}

// The 10-byte vendor command of USB and IEEE 1394 bridges.
ScsiOutcome BridgeCdb10(Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
                        std::uint32_t transferLength) {
  if (!disk.Answers(AccessMethod::BridgeCdb10)) return Check(kIllegalRequest, kInvalidOpcode);
  if (cdbLength != 10 || cdb[1] != 0x00 || cdb[8] != 0x02) {
    return Check(kIllegalRequest, kInvalidField);
  }
  return AtaThroughCdb(disk, {cdb[7], cdb[2], cdb[5], cdb[6]}, false, transferLength);
}

ScsiOutcome ExecuteCdb(Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
                       std::uint32_t transferLength) {
  switch (cdb[0]) {
    case 0x12:
      return Inquiry(disk, cdb, cdbLength);
    case 0xA1:
    case 0x85:
      return AtaPassThrough(disk, cdb, cdbLength, transferLength);
    case 0xF8:
      return BridgeCdb12(disk, cdb, cdbLength, transferLength);
    case 0x01:
      return BridgeCdb10(disk, cdb, cdbLength, transferLength);
    default:
      return Check(kIllegalRequest, kInvalidOpcode);
  }
}

// Sense data for a refused command, or for one that returns its ATA
// registers: descriptor format with the ATA Status Return descriptor, or
// with the fixed-format quirk the registers in the INFORMATION field.
Bytes SenseData(const ScsiOutcome& o, bool fixedFormat) {
  if (!o.registers || fixedFormat) {
    Bytes sense = {0x70, 0, o.senseKey, 0, 0, 0, 0, 10, 0, 0, 0, 0, o.asc, o.ascq, 0, 0, 0, 0};
    if (o.registers) {
      sense[3] = o.registers->error;
      sense[4] = o.registers->status;
      sense[5] = o.registers->device;
      sense[6] = o.registers->count;
    }
    return sense;
  }
  constexpr std::uint8_t kStatusReturn = 0x09, kDescriptorLength = 0x0C;
  Bytes sense(8 + 2 + kDescriptorLength, 0);
  sense[0] = 0x72;
  sense[1] = o.senseKey;
  sense[2] = o.asc;
  sense[3] = o.ascq;
  sense[7] = 2 + kDescriptorLength;  // additional sense length
  std::uint8_t* descriptor = sense.data() + 8;
  descriptor[0] = kStatusReturn;
  descriptor[1] = kDescriptorLength;
  descriptor[3] = o.registers->error;
  descriptor[5] = o.registers->count;  // COUNT(7:0)
  descriptor[12] = o.registers->device;
  descriptor[13] = o.registers->status;
  return sense;
}

bool Overlap(std::uint64_t a, std::uint64_t aLength, std::uint64_t b, std::uint64_t bLength) {
  return aLength != 0 && bLength != 0 && a < b + bLength && b < a + aLength;
}

}  // namespace

// SCSI_PASS_THROUGH as a 64-bit port driver validates it: the structure's
// own length, a timeout, and data and sense areas inside the output that
// neither overlap the header nor each other. A command the device refuses
// completes the request with CHECK CONDITION and sense data.
Status PassThrough(Disk& disk, Request& r) {
  constexpr std::uint32_t kHeader = sizeof(ScsiPassThroughHeader);
  if (r.inSize < kHeader || r.outSize < kHeader) return Status::Failed;
  ScsiPassThroughHeader h;
  std::memcpy(&h, r.buffer.data(), kHeader);
  if (h.Length != kHeader || h.CdbLength == 0 || h.CdbLength > sizeof h.Cdb) return Status::Failed;
  if (h.TimeOutValue == 0 || h.TimeOutValue > 30 * 60 * 60) return Status::Failed;
  if (h.DataTransferLength != 0 &&
      (h.DataIn != SCSI_IOCTL_DATA_IN || h.DataBufferOffset < kHeader ||
       h.DataBufferOffset > r.outSize || h.DataBufferOffset + h.DataTransferLength > r.outSize)) {
    return Status::Failed;
  }
  if (h.SenseInfoLength != 0 && (h.SenseInfoOffset < kHeader || h.SenseInfoOffset > r.outSize ||
                                 h.SenseInfoOffset + h.SenseInfoLength > r.outSize)) {
    return Status::Failed;
  }
  if (Overlap(h.DataBufferOffset, h.DataTransferLength, h.SenseInfoOffset, h.SenseInfoLength)) {
    return Status::Failed;
  }

  ScsiOutcome outcome = ExecuteCdb(disk, h.Cdb, h.CdbLength, h.DataTransferLength);
  const bool unknownCommand =
      !outcome.good && outcome.senseKey == kIllegalRequest && outcome.asc == kInvalidOpcode;
  if (unknownCommand && disk.Has(Quirk::GoodStatusNoData)) outcome = Good({});
  if (outcome.good) {
    const auto count = static_cast<std::uint32_t>(
        std::min<std::size_t>(outcome.data.size(), h.DataTransferLength));
    std::copy_n(outcome.data.begin(), count, r.buffer.begin() + h.DataBufferOffset);
    h.ScsiStatus = kScsiStatusGood;
    h.DataTransferLength = count;
    h.SenseInfoLength = 0;
    // The header comes back even when no data does.
    r.returned =
        static_cast<std::uint32_t>(std::max<std::uint64_t>(kHeader, h.DataBufferOffset + count));
  } else {
    const Bytes sense = SenseData(outcome, disk.Has(Quirk::FixedFormatSense));
    const auto senseCount =
        static_cast<std::uint8_t>(std::min<std::size_t>(h.SenseInfoLength, sense.size()));
    std::copy_n(sense.begin(), senseCount, r.buffer.begin() + h.SenseInfoOffset);
    h.ScsiStatus = kScsiStatusCheckCondition;
    h.DataTransferLength = 0;
    h.SenseInfoLength = senseCount;
    r.returned = senseCount != 0 ? h.SenseInfoOffset + senseCount : kHeader;
  }
  std::memcpy(r.buffer.data(), &h, kHeader);
  return Status::Done;
}

}  // namespace disklib::sim
