// The records that cross the pipe between the monitor and the service, and
// that the disk library fills. They are wire formats: packed, little-endian,
// every offset fixed.
#pragma once

#include <cstddef>
#include <cstdint>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "The wire records are little-endian and are read in place."
#endif

namespace ardmon {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kPayloadSize = 4096;

enum class PipeCommand : std::uint32_t {
  GetDiskInfo = 0,
  AddFilterSil = 1,
  DelFilterSil = 2,
  GetTempInfo = 6,
  GetTempInfoIfAwake = 7,
};

// The Result of GetTempInfoIfAwake for a drive that sleeps; one that was
// read answers 1, as GetTempInfo does.
constexpr std::uint32_t kResultAsleep = 2;

// An ATA drive's attribute temperature above this is taken for a misreading
// and stored as 0 (NVMe drives report theirs exactly).
constexpr std::uint8_t kMaxPlausibleCelsius = 100;

enum HealthStatus : std::uint8_t {
  kHealthNotEvaluated = 0,
  kHealthGood = 1,
  kHealthCaution = 2,
  kHealthBad = 3,
};

#pragma pack(push, 1)

struct PipeMessage {
  std::uint32_t Command;
  std::uint32_t Argument;
  std::uint32_t Result;
  std::uint8_t Payload[kPayloadSize];
};

struct TempInfoRecord {
  std::uint8_t SmartSupported;
  std::uint8_t Temperature;
  std::uint8_t HealthStatus;
  std::uint8_t NvmeData;  // 1 when the sectors hold NVMe data, else 0
  std::uint32_t PowerOnHours;
  std::uint8_t IdentifyOk;
  std::uint8_t AttributesOk;
  std::uint8_t ThresholdsOk;
  std::uint8_t IdentifyData[kSectorSize];
  std::uint8_t AttributeData[kSectorSize];
  std::uint8_t ThresholdData[kSectorSize];
  char SerialNumber[21];
  char FirmwareRevision[9];
  char ModelNumber[41];
  std::uint8_t Reserved1[2];
};

// Characters of the UTF-16 fields, terminating NUL included.
constexpr std::size_t kIdChars = 260;

struct DiskInfoTable {
  std::uint8_t Present;
  std::uint8_t Reserved0[7];
  std::uint64_t DiskSize;
  char DriveLetters[53];
  char InquiryId[41];
  char16_t ControllerId[kIdChars];
  char16_t DevicePath[kIdChars];
  std::uint8_t Reserved1[2];
  TempInfoRecord Temp;
  std::uint8_t Reserved2[4];
};

#pragma pack(pop)

static_assert(sizeof(PipeMessage) == 4108);
static_assert(offsetof(PipeMessage, Command) == 0);
static_assert(offsetof(PipeMessage, Argument) == 4);
static_assert(offsetof(PipeMessage, Result) == 8);
static_assert(offsetof(PipeMessage, Payload) == 12);

static_assert(sizeof(TempInfoRecord) == 1620);
static_assert(offsetof(TempInfoRecord, SmartSupported) == 0);
static_assert(offsetof(TempInfoRecord, Temperature) == 1);
static_assert(offsetof(TempInfoRecord, HealthStatus) == 2);
static_assert(offsetof(TempInfoRecord, NvmeData) == 3);
static_assert(offsetof(TempInfoRecord, PowerOnHours) == 4);
static_assert(offsetof(TempInfoRecord, IdentifyOk) == 8);
static_assert(offsetof(TempInfoRecord, AttributesOk) == 9);
static_assert(offsetof(TempInfoRecord, ThresholdsOk) == 10);
static_assert(offsetof(TempInfoRecord, IdentifyData) == 11);
static_assert(offsetof(TempInfoRecord, AttributeData) == 523);
static_assert(offsetof(TempInfoRecord, ThresholdData) == 1035);
static_assert(offsetof(TempInfoRecord, SerialNumber) == 1547);
static_assert(offsetof(TempInfoRecord, FirmwareRevision) == 1568);
static_assert(offsetof(TempInfoRecord, ModelNumber) == 1577);
static_assert(offsetof(TempInfoRecord, Reserved1) == 1618);

static_assert(sizeof(DiskInfoTable) == 2776);
static_assert(offsetof(DiskInfoTable, Present) == 0);
static_assert(offsetof(DiskInfoTable, DiskSize) == 8);
static_assert(offsetof(DiskInfoTable, DriveLetters) == 16);
static_assert(offsetof(DiskInfoTable, InquiryId) == 69);
static_assert(offsetof(DiskInfoTable, ControllerId) == 110);
static_assert(offsetof(DiskInfoTable, DevicePath) == 630);
static_assert(offsetof(DiskInfoTable, Temp) == 1152);
static_assert(offsetof(DiskInfoTable, Reserved2) == 2772);

static_assert(sizeof(DiskInfoTable) <= kPayloadSize && sizeof(TempInfoRecord) <= kPayloadSize);

}  // namespace ardmon
