// IOCTL_STORAGE_QUERY_PROPERTY as the storage drivers of Windows 10 and
// later answer it for NVMe drives: the protocol-specific queries that carry
// an NVMe Identify or Get Log Page command, and the temperature query.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/nvme_health.h"
#include "disklib/device_stack.h"

namespace disklib {

// STORAGE_PROPERTY_ID values.
enum class StorageProperty : std::uint32_t {
  DeviceSeekPenalty = 7,         // StorageDeviceSeekPenaltyProperty
  AdapterProtocolSpecific = 49,  // StorageAdapterProtocolSpecificProperty
  DeviceProtocolSpecific = 50,   // StorageDeviceProtocolSpecificProperty
  DeviceTemperature = 52,        // StorageDeviceTemperatureProperty
};
constexpr std::uint32_t PropertyStandardQuery = 0;
constexpr std::uint32_t ProtocolTypeNvme = 3;
constexpr std::uint32_t NVMeDataTypeIdentify = 1;
constexpr std::uint32_t NVMeDataTypeLogPage = 2;

constexpr std::uint32_t kNvmeIdentifyController = 1;  // CNS
constexpr std::uint32_t kNvmeIdentifySize = 4096;
constexpr std::uint32_t kNvmeHealthLogId = 0x02;
constexpr auto kNvmeHealthLogSize = static_cast<std::uint32_t>(ardmon::nvme::kHealthLogSize);

// STORAGE_PROPERTY_QUERY: the query's parameters start at offset 8; with
// its one-byte parameter array the structure takes 12 bytes.
struct StoragePropertyQuery {
  std::uint32_t PropertyId;
  std::uint32_t QueryType;
};
constexpr std::uint32_t kQueryParametersOffset = 8;
constexpr std::uint32_t kPropertyQuerySize = 12;

// STORAGE_PROTOCOL_SPECIFIC_DATA. ProtocolDataOffset counts from the start
// of this structure.
struct StorageProtocolSpecificData {
  std::uint32_t ProtocolType;
  std::uint32_t DataType;
  std::uint32_t ProtocolDataRequestValue;     // Identify: CNS; log page: log ID
  std::uint32_t ProtocolDataRequestSubValue;  // log page: offset, low 32 bits
  std::uint32_t ProtocolDataOffset;
  std::uint32_t ProtocolDataLength;
  std::uint32_t FixedProtocolReturnData;
  std::uint32_t ProtocolDataRequestSubValue2;  // log page: offset, high 32 bits
  std::uint32_t ProtocolDataRequestSubValue3;  // log page: log specific identifier
  std::uint32_t ProtocolDataRequestSubValue4;  // log page: retain asynchronous event
};

// STORAGE_PROTOCOL_DATA_DESCRIPTOR, the answer: Version and Size both hold
// the size of this structure.
struct StorageProtocolDataDescriptor {
  std::uint32_t Version;
  std::uint32_t Size;
  StorageProtocolSpecificData ProtocolSpecificData;
};

// STORAGE_TEMPERATURE_DATA_DESCRIPTOR, followed by InfoCount entries of
// STORAGE_TEMPERATURE_INFO; temperatures in degrees Celsius, entry 0 the
// device's own (for NVMe the composite temperature).
struct StorageTemperatureDataDescriptor {
  std::uint32_t Version;
  std::uint32_t Size;
  std::int16_t CriticalTemperature;
  std::int16_t WarningTemperature;
  std::uint16_t InfoCount;
  std::uint8_t Reserved0[2];
  std::uint32_t Reserved1[2];
};

// DEVICE_SEEK_PENALTY_DESCRIPTOR: the disk driver's own knowledge, from the
// drive's identity read at start, of whether the medium rotates.
struct DeviceSeekPenaltyDescriptor {
  std::uint32_t Version;
  std::uint32_t Size;
  std::uint8_t IncursSeekPenalty;  // BOOLEAN
};

struct StorageTemperatureInfo {
  std::uint16_t Index;
  std::int16_t Temperature;
  std::int16_t OverThreshold;
  std::int16_t UnderThreshold;
  std::uint8_t OverThresholdChangable;
  std::uint8_t UnderThresholdChangable;
  std::uint8_t EventGenerated;
  std::uint8_t Reserved0;
  std::uint32_t Reserved1;
};

static_assert(sizeof(StoragePropertyQuery) == kQueryParametersOffset);
static_assert(sizeof(StorageProtocolSpecificData) == 40);
static_assert(offsetof(StorageProtocolSpecificData, DataType) == 4);
static_assert(offsetof(StorageProtocolSpecificData, ProtocolDataRequestValue) == 8);
static_assert(offsetof(StorageProtocolSpecificData, ProtocolDataRequestSubValue) == 12);
static_assert(offsetof(StorageProtocolSpecificData, ProtocolDataOffset) == 16);
static_assert(offsetof(StorageProtocolSpecificData, ProtocolDataLength) == 20);
static_assert(offsetof(StorageProtocolSpecificData, FixedProtocolReturnData) == 24);
static_assert(offsetof(StorageProtocolSpecificData, ProtocolDataRequestSubValue2) == 28);
static_assert(offsetof(StorageProtocolSpecificData, ProtocolDataRequestSubValue4) == 36);
static_assert(sizeof(StorageProtocolDataDescriptor) == 48);
static_assert(offsetof(StorageProtocolDataDescriptor, ProtocolSpecificData) == 8);
static_assert(sizeof(StorageTemperatureDataDescriptor) == 24);
static_assert(offsetof(StorageTemperatureDataDescriptor, CriticalTemperature) == 8);
static_assert(offsetof(StorageTemperatureDataDescriptor, WarningTemperature) == 10);
static_assert(offsetof(StorageTemperatureDataDescriptor, InfoCount) == 12);
static_assert(offsetof(DeviceSeekPenaltyDescriptor, IncursSeekPenalty) == 8);
static_assert(sizeof(DeviceSeekPenaltyDescriptor) == 12);
static_assert(sizeof(StorageTemperatureInfo) == 16);
static_assert(offsetof(StorageTemperatureInfo, Temperature) == 2);
static_assert(offsetof(StorageTemperatureInfo, OverThreshold) == 4);
static_assert(offsetof(StorageTemperatureInfo, EventGenerated) == 10);
static_assert(offsetof(StorageTemperatureInfo, Reserved1) == 12);

// Where the protocol data of a query or an answer begins when its offset is
// the usual one: right behind the protocol-specific data.
constexpr std::uint32_t kProtocolDataStart =
    kQueryParametersOffset + sizeof(StorageProtocolSpecificData);
// Room for the temperature answer: the descriptor and the composite and
// eight sensor temperatures an NVMe controller may report.
constexpr std::uint32_t kTemperatureAnswerSize =
    sizeof(StorageTemperatureDataDescriptor) + 9 * sizeof(StorageTemperatureInfo);

enum class NvmeData { IdentifyController, HealthLog };

// The query for one NVMe data structure through one property, with room
// for the answer behind it: the same bytes go in and come back.
std::vector<std::uint8_t> BuildProtocolQuery(StorageProperty property, NvmeData data);
// A standard query of one property, without parameters.
std::vector<std::uint8_t> BuildStandardQuery(StorageProperty property);
std::vector<std::uint8_t> BuildTemperatureQuery();

// The first `needed` bytes of the protocol data in an answer of `returned`
// bytes, or nothing when the descriptor is not the one asked for or the data
// does not lie inside the answer.
const std::uint8_t* ProtocolAnswerData(const std::vector<std::uint8_t>& answer,
                                       std::uint32_t returned, std::uint32_t needed);
// The device temperature in a temperature answer, in degrees Celsius.
std::optional<std::int16_t> ReportedTemperature(const std::uint8_t* answer, std::uint32_t returned);

// Reads the first `size` bytes of an NVMe data structure from a drive into
// `out`: through the property the platform documents for it first, the
// other one next. Only an answer that carries the whole structure counts.
// On failure `out` is not touched.
bool QueryNvmeData(DeviceStack& stack, DeviceHandle drive, NvmeData data, std::uint8_t* out,
                   std::uint32_t size);
std::optional<std::int16_t> QueryDeviceTemperature(DeviceStack& stack, DeviceHandle drive);
// Whether Windows' disk driver says the drive's medium rotates; nothing when
// it does not say. The driver answers from what it holds: the drive is not
// asked, so a sleeping drive stays asleep.
std::optional<bool> QuerySeekPenalty(DeviceStack& stack, DeviceHandle drive);

}  // namespace disklib
