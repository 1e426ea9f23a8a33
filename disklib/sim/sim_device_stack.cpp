#include "disklib/sim/sim_device_stack.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "disklib/control_codes.h"
#include "disklib/multi_string.h"
#include "disklib/scsi_pass_through.h"
#include "disklib/sim/fixture_edit.h"
#include "disklib/storage_query.h"
#include "disklib/text.h"

namespace disklib::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kDriveNoRootDir = 1;
constexpr std::size_t kSectorBytes = 512;

// ---- buffer access ----------------------------------------------------------

std::uint32_t U32(const Bytes& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, sizeof v);
  return v;
}
void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  std::memcpy(b.data() + at, &v, sizeof v);
}
void PutU64(Bytes& b, std::size_t at, std::uint64_t v) {
  std::memcpy(b.data() + at, &v, sizeof v);
}

// ---- the fixture's device tree ---------------------------------------------

std::optional<std::size_t> DeviceIndex(const Fixture& f, const std::string& id) {
  for (std::size_t i = 0; i < f.devices.size(); ++i) {
    if (f.devices[i].id == id) return i;
  }
  return std::nullopt;
}

bool NodePresent(const Fixture& f, const std::string& node) {
  std::optional<std::size_t> i = DeviceIndex(f, node);
  return i && f.devices[*i].present;
}

// True when `ancestor` lies somewhere above `node`.
bool IsBelow(const Fixture& f, const std::string& node, const std::string& ancestor) {
  std::optional<std::size_t> i = DeviceIndex(f, node);
  for (std::size_t steps = 0; i && steps <= f.devices.size(); ++steps) {
    const std::string& parent = f.devices[*i].parent;
    if (parent.empty()) return false;
    if (parent == ancestor) return true;
    i = DeviceIndex(f, parent);
  }
  return false;
}

bool EqualAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && StartsWithIgnoringCase(a, b);
}

// The letter of "C:" (or "C:\"), upper case; 0 for any other name.
char LetterOf(const std::u16string& name) {
  if (name.size() < 2 || name.size() > 3 || name[1] != u':') return 0;
  if (name.size() == 3 && name[2] != u'\\') return 0;
  const char16_t c = AsciiLower(name[0]);
  return (c >= u'a' && c <= u'z') ? static_cast<char>(c - u'a' + 'A') : 0;
}

// ---- multi-string properties ------------------------------------------------

Bytes PropertyBytes(const std::vector<std::string>& entries) {
  if (entries.empty()) return {};  // present without data
  std::vector<std::u16string> wide;
  for (const std::string& entry : entries) wide.push_back(Utf16FromUtf8(entry));
  return MultiStringBytes(wide);
}

std::vector<std::string> PropertyEntries(const Bytes& bytes) {
  std::vector<std::string> entries;
  for (const std::u16string& entry : MultiStringEntries(bytes)) {
    entries.push_back(Utf8FromUtf16(entry));
  }
  return entries;
}

// ---- ATA commands -----------------------------------------------------------

struct AtaRegisters {
  std::uint8_t command;
  std::uint8_t features;
  std::uint8_t lbaMid;
  std::uint8_t lbaHigh;
};

// The command the registers spell, or nothing when a drive would abort it.
// In the 12- and 16-byte pass-through forms the features byte may carry the
// transfer length of IDENTIFY, so it is not checked there.
std::optional<AtaOperation> DecodeAta(const AtaRegisters& r, bool featuresCarryLength) {
  if (r.command == 0xEC) {
    if (r.lbaMid != 0 || r.lbaHigh != 0) return std::nullopt;
    if (!featuresCarryLength && r.features != 0) return std::nullopt;
    return AtaOperation::Identify;
  }
  if (r.command != 0xB0 || r.lbaMid != 0x4F || r.lbaHigh != 0xC2) return std::nullopt;
  if (r.features == 0xD0) return AtaOperation::ReadData;
  if (r.features == 0xD1) return AtaOperation::ReadThresholds;
  return std::nullopt;
}

// The drive's answer to a well-formed command; nothing when it aborts.
std::optional<Sector> Execute(const Disk& disk, AtaOperation op) {
  const AtaDrive& ata = *disk.ata;
  if (op == AtaOperation::Identify) return IdentifySector(ata, disk.size);
  if (!ata.smartSupported || !ata.smartEnabled || disk.Has(Quirk::SmartAbortZeroData)) {
    return std::nullopt;
  }
  return op == AtaOperation::ReadData ? AttributeSector(ata) : ThresholdSector(ata);
}

// ---- requests ---------------------------------------------------------------

// A buffered request: `buffer` holds the input on entry and the answer on
// return; only `returned` bytes of it reach the caller.
enum class Status { Done, Failed, MoreData };
struct Request {
  std::uint32_t code;
  Bytes& buffer;
  std::uint32_t inSize;
  std::uint32_t outSize;
  std::uint32_t returned = 0;
};

// Bits 14-15 of a control code name the access the handle must have.
bool AccessAllows(std::uint32_t code, std::uint32_t access) {
  const std::uint32_t required = (code >> 14) & 3;
  if ((required & 1) && !(access & kGenericRead)) return false;
  if ((required & 2) && !(access & kGenericWrite)) return false;
  return true;
}

// How much of a sector the disk's driver hands back.
std::size_t SectorAnswerBytes(const Disk& disk) {
  return disk.Has(Quirk::ShortTransfer) ? kSectorBytes / 2 : kSectorBytes;
}

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

Status SmartIoctl(const Disk& disk, Request& r) {
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

// ---- miniport requests ------------------------------------------------------

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

Status MiniportAnswer(const Disk& disk, const MiniportRequest& m, Request& r) {
  if (!disk.ata) return Status::Failed;
  PutU32(r.buffer, 20, 0);  // ReturnCode
  r.returned = static_cast<std::uint32_t>(kSrbHeader) +
               PutDriveAnswer(disk, r.buffer, kSrbHeader, Execute(disk, m.operation));
  return Status::Done;
}

// ---- SCSI pass-through ------------------------------------------------------

struct ScsiOutcome {
  bool good = false;
  Bytes data;
  std::uint8_t senseKey = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
};

constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kAbortedCommand = 0x0B;
constexpr std::uint8_t kInvalidOpcode = 0x20;
constexpr std::uint8_t kInvalidField = 0x24;

ScsiOutcome Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0) {
  ScsiOutcome o;
  o.senseKey = key;
  o.asc = asc;
  o.ascq = ascq;
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
ScsiOutcome AtaThroughCdb(const Disk& disk, const AtaRegisters& regs, bool featuresCarryLength,
                          std::uint32_t transferLength) {
  if (transferLength < kSectorBytes) return Check(kIllegalRequest, kInvalidField);
  if (!disk.ata) return Check(kAbortedCommand, 0x00, 0x1D);
  std::optional<AtaOperation> op = DecodeAta(regs, featuresCarryLength);
  std::optional<Sector> sector = op ? Execute(disk, *op) : std::nullopt;
  if (!sector) return Check(kAbortedCommand, 0x00, 0x1D);  // the drive aborted it
  return Good(Bytes(sector->begin(), sector->begin() + SectorAnswerBytes(disk)));
}

// ATA PASS-THROUGH (12 and 16): PIO data-in of one 512-byte block, its
// length taken from the features or the sector count field.
ScsiOutcome AtaPassThrough(const Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
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
  if (protocol != 4 || multipleCount || !fromDevice || !inBlocks || !blocksOf512 ||
      (lengthField != 1 && lengthField != 2)) {
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
  const std::uint8_t blocks = lengthField == 1 ? regs.features : count;
  if (blocks != 1) return Check(kIllegalRequest, kInvalidField);
  return AtaThroughCdb(disk, regs, lengthField == 1, transferLength);
}

// The USB bridge's 12-byte vendor command: a fixed preamble, then the
// taskfile registers.
ScsiOutcome BridgeCdb12(const Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
                        std::uint32_t transferLength) {
  if (!disk.Answers(AccessMethod::BridgeCdb12)) return Check(kIllegalRequest, kInvalidOpcode);
  if (cdbLength != 12 || cdb[1] != 0x00 || cdb[2] != 0x22 || cdb[3] != 0x10 || cdb[4] != 0x01) {
    return Check(kIllegalRequest, kInvalidField);
  }
  return AtaThroughCdb(disk, {cdb[11], cdb[5], cdb[8], cdb[9]}, false, transferLength);
}

// The 10-byte vendor command of USB and IEEE 1394 bridges.
ScsiOutcome BridgeCdb10(const Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
                        std::uint32_t transferLength) {
  if (!disk.Answers(AccessMethod::BridgeCdb10)) return Check(kIllegalRequest, kInvalidOpcode);
  if (cdbLength != 10 || cdb[1] != 0x00 || cdb[8] != 0x02) {
    return Check(kIllegalRequest, kInvalidField);
  }
  return AtaThroughCdb(disk, {cdb[7], cdb[2], cdb[5], cdb[6]}, false, transferLength);
}

ScsiOutcome ExecuteCdb(const Disk& disk, const std::uint8_t* cdb, std::uint8_t cdbLength,
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

bool Overlap(std::uint64_t a, std::uint64_t aLength, std::uint64_t b, std::uint64_t bLength) {
  return aLength != 0 && bLength != 0 && a < b + bLength && b < a + aLength;
}

// SCSI_PASS_THROUGH as a 64-bit port driver validates it: the structure's
// own length, a timeout, and data and sense areas inside the output that
// neither overlap the header nor each other. A command the device refuses
// completes the request with CHECK CONDITION and sense data.
Status PassThrough(const Disk& disk, Request& r) {
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
    h.ScsiStatus = 0;
    h.DataTransferLength = count;
    h.SenseInfoLength = 0;
    r.returned = static_cast<std::uint32_t>(h.DataBufferOffset + count);
  } else {
    std::uint8_t sense[18] = {0x70, 0, outcome.senseKey, 0,           0, 0, 0, 10, 0, 0,
                              0,    0, outcome.asc,      outcome.ascq};
    const std::uint8_t senseCount = std::min<std::uint8_t>(h.SenseInfoLength, sizeof sense);
    std::copy_n(sense, senseCount, r.buffer.begin() + h.SenseInfoOffset);
    h.ScsiStatus = 0x02;  // CHECK CONDITION
    h.DataTransferLength = 0;
    h.SenseInfoLength = senseCount;
    r.returned = senseCount != 0 ? h.SenseInfoOffset + senseCount : kHeader;
  }
  std::memcpy(r.buffer.data(), &h, kHeader);
  return Status::Done;
}

// ---- storage queries --------------------------------------------------------

// Identify Controller or the health log, carried by a protocol-specific
// query; the data lands at the offset the query names.
Status ProtocolQuery(const Disk& disk, Request& r) {
  if (!disk.nvme) return Status::Failed;
  const NvmeDrive& nvme = *disk.nvme;
  if (!nvme.protocolQueries) return Status::Failed;
  if (r.inSize < kProtocolDataStart || r.outSize < kProtocolDataStart) return Status::Failed;
  StorageProtocolSpecificData p;
  std::memcpy(&p, r.buffer.data() + kQueryParametersOffset, sizeof p);
  if (p.ProtocolType != ProtocolTypeNvme) return Status::Failed;
  Bytes data;
  if (p.DataType == NVMeDataTypeIdentify) {
    if (p.ProtocolDataRequestValue != kNvmeIdentifyController ||
        p.ProtocolDataRequestSubValue != 0 || p.ProtocolDataLength != kNvmeIdentifySize) {
      return Status::Failed;
    }
    data = NvmeIdentifyController(nvme);
  } else if (p.DataType == NVMeDataTypeLogPage) {
    const bool fromTheStart =
        (p.ProtocolDataRequestSubValue | p.ProtocolDataRequestSubValue2 |
         p.ProtocolDataRequestSubValue3 | p.ProtocolDataRequestSubValue4) == 0;
    if (p.ProtocolDataRequestValue != kNvmeHealthLogId || !fromTheStart ||
        p.ProtocolDataLength != kNvmeHealthLogSize) {
      return Status::Failed;
    }
    const Sector log = NvmeHealthLog(nvme);
    data.assign(log.begin(), log.end());
  } else {
    return Status::Failed;
  }
  const std::uint64_t start = std::uint64_t{kQueryParametersOffset} + p.ProtocolDataOffset;
  if (p.ProtocolDataOffset < sizeof p || start + data.size() > r.outSize) return Status::Failed;
  if (disk.Has(Quirk::ShortTransfer)) {
    data.resize(SectorAnswerBytes(disk));
    p.ProtocolDataLength = static_cast<std::uint32_t>(data.size());
  }

  StorageProtocolDataDescriptor answer{sizeof answer, sizeof answer, p};
  std::memcpy(r.buffer.data(), &answer, sizeof answer);
  std::copy(data.begin(), data.end(), r.buffer.begin() + static_cast<std::ptrdiff_t>(start));
  r.returned = static_cast<std::uint32_t>(start + data.size());
  return Status::Done;
}

// The temperature the disk reports of itself: an NVMe drive's composite
// temperature, an ATA drive's attribute 194.
std::optional<std::int16_t> DeviceCelsius(const Disk& disk) {
  if (disk.nvme) {
    const Sector log = NvmeHealthLog(*disk.nvme);
    const std::uint64_t kelvin =
        ardmon::nvme::ReadHealthField(log.data(), ardmon::nvme::HealthField::CompositeTemperature);
    return static_cast<std::int16_t>(static_cast<std::int64_t>(kelvin) -
                                     static_cast<std::int64_t>(kZeroCelsiusKelvin));
  }
  if (disk.ata) return AtaTemperature(*disk.ata);
  return std::nullopt;
}

// The device's temperature, as the one entry of a temperature descriptor.
// A buffer too small for it gets the descriptor's Version and Size alone.
Status TemperatureQuery(std::int16_t celsius, Request& r) {
  constexpr std::uint32_t kDescriptorHeader = 8;
  constexpr std::uint32_t kSize =
      sizeof(StorageTemperatureDataDescriptor) + sizeof(StorageTemperatureInfo);
  if (r.outSize < kDescriptorHeader) return Status::Failed;
  StorageTemperatureDataDescriptor descriptor{};
  descriptor.Version = descriptor.Size = kSize;
  descriptor.CriticalTemperature = kNvmeCriticalCelsius;
  descriptor.WarningTemperature = kNvmeWarningCelsius;
  descriptor.InfoCount = 1;
  if (r.outSize < kSize) {
    std::memcpy(r.buffer.data(), &descriptor, kDescriptorHeader);
    r.returned = kDescriptorHeader;
    return Status::Done;
  }
  StorageTemperatureInfo device{};
  device.Temperature = celsius;
  device.OverThreshold = kNvmeWarningCelsius;
  std::memcpy(r.buffer.data(), &descriptor, sizeof descriptor);
  std::memcpy(r.buffer.data() + sizeof descriptor, &device, sizeof device);
  r.returned = kSize;
  return Status::Done;
}

// The protocol queries answer for NVMe drives; the temperature property
// also for other disks whose driver serves it.
Status StorageQuery(const Disk& disk, Request& r) {
  if (r.inSize < kPropertyQuerySize) return Status::Failed;
  StoragePropertyQuery query;
  std::memcpy(&query, r.buffer.data(), sizeof query);
  if (query.QueryType != PropertyStandardQuery) return Status::Failed;
  switch (static_cast<StorageProperty>(query.PropertyId)) {
    case StorageProperty::AdapterProtocolSpecific:
    case StorageProperty::DeviceProtocolSpecific:
      return ProtocolQuery(disk, r);
    case StorageProperty::DeviceTemperature: {
      if (!disk.nvme && !disk.Has(Quirk::TemperatureProperty)) return Status::Failed;
      const std::optional<std::int16_t> celsius = DeviceCelsius(disk);
      return celsius ? TemperatureQuery(*celsius, r) : Status::Failed;
    }
  }
  return Status::Failed;
}

// ---- per kind of handle -----------------------------------------------------

// STORAGE_DEVICE_NUMBER of a disk or of a partition on it.
Status DeviceNumber(std::uint32_t disk, std::uint32_t partition, Request& r) {
  if (r.outSize < 12) return Status::Failed;
  PutU32(r.buffer, 0, FILE_DEVICE_DISK);
  PutU32(r.buffer, 4, disk);
  PutU32(r.buffer, 8, partition);
  r.returned = 12;
  return Status::Done;
}

Status DiskControl(const Disk& disk, Request& r) {
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
    case IOCTL_SCSI_MINIPORT: {
      // On the disk's own handle only the disk miniport answers, for its
      // own drive number; the SATA filter sits on the controller's port.
      std::optional<MiniportRequest> m = MiniportHeader(r);
      if (!m || !IsScsiDisk(*m) || !disk.Answers(AccessMethod::ScsiDiskMiniport)) {
        return Status::Failed;
      }
      if (ScsiDiskDriveNumber(r, *m) != static_cast<std::uint8_t>(disk.number)) {
        return Status::Failed;
      }
      return MiniportAnswer(disk, *m, r);
    }
    default:
      return Status::Failed;
  }
}

// A storage port answers miniport requests for the present disks below its
// node: the SATA filter by PathId and TargetId, the disk miniport by PathId
// as drive number.
Status PortControl(const Fixture& f, const StoragePort& port, Request& r) {
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
    for (const Disk& d : f.disks) {
      if (served(d, AccessMethod::SataMiniport) && d.scsiAddress->pathId == target->pathId &&
          d.scsiAddress->targetId == target->targetId) {
        return MiniportAnswer(d, *m, r);
      }
    }
  } else if (IsScsiDisk(*m)) {
    std::optional<std::uint8_t> drive = ScsiDiskDriveNumber(r, *m);
    if (!drive) return Status::Failed;
    for (const Disk& d : f.disks) {
      if (served(d, AccessMethod::ScsiDiskMiniport) && d.scsiAddress->pathId == *drive) {
        return MiniportAnswer(d, *m, r);
      }
    }
  }
  return Status::Failed;  // no such target
}

// A volume on one disk has that disk's device number, as a partition of it;
// its extents name the disks it lies on. VOLUME_DISK_EXTENTS: a count, then
// 24-byte extents from offset 8.
Status VolumeControl(const Fixture& f, const Volume& volume, Request& r) {
  constexpr std::uint32_t kFirstExtent = 8, kExtentSize = 24;
  if (r.code == IOCTL_STORAGE_GET_DEVICE_NUMBER) {
    if (volume.disks.size() != 1) return Status::Failed;
    return DeviceNumber(volume.disks.front(), 1, r);
  }
  if (r.code != IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS || volume.disks.empty()) {
    return Status::Failed;
  }
  if (r.outSize < kFirstExtent + kExtentSize) return Status::Failed;
  const auto count = static_cast<std::uint32_t>(volume.disks.size());
  PutU32(r.buffer, 0, count);
  if (r.outSize < kFirstExtent + std::uint64_t{kExtentSize} * count) {
    r.returned = kFirstExtent;
    return Status::MoreData;
  }
  constexpr std::uint64_t kPartitionStart = 1 << 20;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = kFirstExtent + i * kExtentSize;
    std::uint64_t length = 0;
    for (const Disk& d : f.disks) {
      if (d.number == volume.disks[i] && d.size > kPartitionStart) {
        length = d.size - kPartitionStart;
      }
    }
    PutU32(r.buffer, at, volume.disks[i]);
    PutU32(r.buffer, at + 4, 0);
    PutU64(r.buffer, at + 8, kPartitionStart);
    PutU64(r.buffer, at + 16, length);
  }
  r.returned = kFirstExtent + kExtentSize * count;
  return Status::Done;
}

class SimDeviceEntry : public DeviceEntry {
 public:
  SimDeviceEntry(SimDeviceStack& stack, std::size_t device) : stack_(stack), device_(device) {}
  std::optional<std::vector<std::uint8_t>> ReadProperty(DeviceProperty property) override {
    return stack_.ReadProperty(device_, property);
  }
  bool WriteProperty(DeviceProperty property, const std::vector<std::uint8_t>& bytes) override {
    return stack_.WriteProperty(device_, property, bytes);
  }

 private:
  SimDeviceStack& stack_;
  std::size_t device_;
};

}  // namespace

SimDeviceStack::SimDeviceStack(Fixture fixture, std::optional<std::filesystem::path> saveTo)
    : fixture_(std::move(fixture)), saveTo_(std::move(saveTo)) {}

bool SimDeviceStack::VisitInterfaces(InterfaceClass cls,
                                     const std::function<bool(const DeviceInterface&)>& stop) {
  auto visit = [&](const std::string& path, const std::string& node) {
    std::optional<std::size_t> i = DeviceIndex(fixture_, node);
    if (!i || !fixture_.devices[*i].present) return false;
    return stop(DeviceInterface{Utf16FromUtf8(path), static_cast<DevNode>(*i + 1)});
  };
  if (cls == InterfaceClass::Disk) {
    for (const Disk& d : fixture_.disks) {
      if (visit(d.path, d.node)) break;
    }
  } else {
    for (const StoragePort& p : fixture_.storagePorts) {
      if (visit(p.path, p.node)) break;
    }
  }
  return true;
}

std::optional<DevNode> SimDeviceStack::ParentOf(DevNode node) {
  if (node == 0 || node > fixture_.devices.size()) return std::nullopt;
  const std::string& parent = fixture_.devices[node - 1].parent;
  if (parent.empty()) return std::nullopt;
  std::optional<std::size_t> i = DeviceIndex(fixture_, parent);
  if (!i) return std::nullopt;
  return static_cast<DevNode>(*i + 1);
}

std::optional<std::u16string> SimDeviceStack::DeviceIdOf(DevNode node) {
  if (node == 0 || node > fixture_.devices.size()) return std::nullopt;
  std::u16string id = Utf16FromUtf8(fixture_.devices[node - 1].id);
  if (id.size() > 259) id.resize(259);
  return id;
}

std::optional<DeviceHandle> SimDeviceStack::Open(const std::u16string& path, std::uint32_t access) {
  std::optional<OpenObject> object;
  static constexpr std::u16string_view kDevicePrefix = u"\\\\.\\";
  static constexpr std::u16string_view kPhysicalDrive = u"\\\\.\\PHYSICALDRIVE";
  if (StartsWithIgnoringCase(path, kPhysicalDrive)) {
    const std::u16string digits = path.substr(kPhysicalDrive.size());
    std::uint64_t number = 0;
    bool valid = !digits.empty() && digits.size() <= 10 && (digits == u"0" || digits[0] != u'0');
    for (char16_t c : digits) {
      valid = valid && c >= u'0' && c <= u'9';
      number = number * 10 + (c - u'0');
    }
    if (valid) {
      for (std::size_t i = 0; i < fixture_.disks.size(); ++i) {
        const Disk& d = fixture_.disks[i];
        if (d.number == number && NodePresent(fixture_, d.node)) object = {Kind::Disk, i, access};
      }
    }
  } else if (StartsWithIgnoringCase(path, kDevicePrefix) && LetterOf(path.substr(4)) &&
             path.size() == 6) {
    const char letter = LetterOf(path.substr(4));
    for (std::size_t i = 0; i < fixture_.volumes.size(); ++i) {
      if (fixture_.volumes[i].letter == letter) object = {Kind::Volume, i, access};
    }
  } else {
    for (std::size_t i = 0; i < fixture_.disks.size() && !object; ++i) {
      const Disk& d = fixture_.disks[i];
      if (EqualAsciiNoCase(path, Utf16FromUtf8(d.path)) && NodePresent(fixture_, d.node)) {
        object = {Kind::Disk, i, access};
      }
    }
    for (std::size_t i = 0; i < fixture_.storagePorts.size() && !object; ++i) {
      const StoragePort& p = fixture_.storagePorts[i];
      if (EqualAsciiNoCase(path, Utf16FromUtf8(p.path)) && NodePresent(fixture_, p.node)) {
        object = {Kind::Port, i, access};
      }
    }
  }
  if (!object) return std::nullopt;
  // Reading or writing a disk that refuses it; opens for queries only pass.
  const bool wantsData = (access & (kGenericRead | kGenericWrite)) != 0;
  if (object->kind == Kind::Disk && wantsData && !fixture_.disks[object->index].openable) {
    return std::nullopt;
  }
  const DeviceHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(handle, *object);
  return handle;
}

void SimDeviceStack::Close(DeviceHandle handle) {
  handles_.erase(handle);
}

std::optional<bool> SimDeviceStack::DevicePowered(DeviceHandle handle) {
  if (handles_.find(handle) == handles_.end()) return std::nullopt;
  return true;
}

bool SimDeviceStack::Control(DeviceHandle handle, std::uint32_t code, const void* in,
                             std::uint32_t inSize, void* out, std::uint32_t outSize,
                             std::uint32_t& returned) {
  returned = 0;
  auto it = handles_.find(handle);
  if (it == handles_.end()) return false;
  const OpenObject& object = it->second;
  if (!AccessAllows(code, object.access)) return false;
  if ((inSize != 0 && !in) || (outSize != 0 && !out)) return false;

  Bytes buffer(std::max(inSize, outSize), 0);
  if (inSize != 0) std::memcpy(buffer.data(), in, inSize);
  Request request{code, buffer, inSize, outSize};
  Status status = Status::Failed;
  switch (object.kind) {
    case Kind::Disk: {
      const Disk& disk = fixture_.disks[object.index];
      // As a slow bridge or a drive spinning up keeps its caller waiting.
      std::this_thread::sleep_for(std::chrono::milliseconds(disk.answerDelayMs));
      status = DiskControl(disk, request);
      break;
    }
    case Kind::Port:
      status = PortControl(fixture_, fixture_.storagePorts[object.index], request);
      break;
    case Kind::Volume:
      status = VolumeControl(fixture_, fixture_.volumes[object.index], request);
      break;
  }
  if (status == Status::Failed) return false;
  returned = std::min(request.returned, outSize);
  if (returned != 0) std::memcpy(out, buffer.data(), returned);
  return status == Status::Done;
}

std::uint32_t SimDeviceStack::LogicalDrives() {
  std::uint32_t mask = 0;
  for (const Volume& v : fixture_.volumes) mask |= 1u << (v.letter - 'A');
  return mask;
}

const Volume* SimDeviceStack::VolumeOf(const std::u16string& name) const {
  const char letter = LetterOf(name);
  for (const Volume& v : fixture_.volumes) {
    if (letter != 0 && v.letter == letter) return &v;
  }
  return nullptr;
}

std::uint32_t SimDeviceStack::DriveType(const std::u16string& name) {
  const Volume* v = VolumeOf(name);
  return v ? v->type : kDriveNoRootDir;
}

std::optional<std::u16string> SimDeviceStack::DosDeviceOf(const std::u16string& name) {
  const Volume* v = VolumeOf(name);
  if (!v || name.size() != 2) return std::nullopt;
  return Utf16FromUtf8(v->dosDevice);
}

bool SimDeviceStack::EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
  return EqualAsciiNoCase(a, b);
}

bool SimDeviceStack::VisitDevices(bool presentOnly,
                                  const std::function<void(DeviceEntry&)>& visit) {
  for (std::size_t i = 0; i < fixture_.devices.size(); ++i) {
    if (presentOnly && !fixture_.devices[i].present) continue;
    SimDeviceEntry entry(*this, i);
    visit(entry);
  }
  return true;
}

std::optional<DriverService> SimDeviceStack::FindDriverService(const std::u16string& name) {
  for (const Service& s : fixture_.services) {
    if (EqualAsciiNoCase(Utf16FromUtf8(s.name), name)) {
      return DriverService{s.type, s.start, s.imageExists};
    }
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> SimDeviceStack::ReadProperty(
    std::size_t device, DeviceProperty property) const {
  const Device& d = fixture_.devices.at(device);
  const std::optional<std::vector<std::string>>& list =
      property == DeviceProperty::HardwareId ? d.hardwareIds : d.upperFilters;
  if (!list) return std::nullopt;
  return PropertyBytes(*list);
}

bool SimDeviceStack::WriteProperty(std::size_t device, DeviceProperty property,
                                   const std::vector<std::uint8_t>& bytes) {
  // Hardware IDs come from the bus driver; only the filter list is ours.
  if (property != DeviceProperty::UpperFilters) return false;
  Device& d = fixture_.devices.at(device);
  const std::optional<std::vector<std::string>> before = d.upperFilters;
  if (bytes.empty()) {
    d.upperFilters.reset();
  } else {
    d.upperFilters = PropertyEntries(bytes);
  }
  if (saveTo_) {
    try {
      SaveFixture(fixture_, *saveTo_);
    } catch (const std::exception&) {
      d.upperFilters = before;
      return false;
    }
  }
  return true;
}

}  // namespace disklib::sim
