#include "disklib/storage_query.h"

#include <algorithm>
#include <cstring>

#include "disklib/control_codes.h"

namespace disklib {
namespace {

struct NvmeCommand {
  std::uint32_t dataType;
  std::uint32_t requestValue;
  std::uint32_t length;
};

NvmeCommand CommandFor(NvmeData data) {
  if (data == NvmeData::IdentifyController) {
    return {NVMeDataTypeIdentify, kNvmeIdentifyController, kNvmeIdentifySize};
  }
  return {NVMeDataTypeLogPage, kNvmeHealthLogId, kNvmeHealthLogSize};
}

// Identify Controller is the adapter's data, the health log is asked of the
// device; some drivers serve each through the other property only.
constexpr StorageProperty kIdentifyOrder[] = {StorageProperty::AdapterProtocolSpecific,
                                              StorageProperty::DeviceProtocolSpecific};
constexpr StorageProperty kHealthLogOrder[] = {StorageProperty::DeviceProtocolSpecific,
                                               StorageProperty::AdapterProtocolSpecific};

}  // namespace

std::vector<std::uint8_t> BuildProtocolQuery(StorageProperty property, NvmeData data) {
  const NvmeCommand command = CommandFor(data);
  std::vector<std::uint8_t> bytes(kProtocolDataStart + command.length, 0);
  const StoragePropertyQuery query{static_cast<std::uint32_t>(property), PropertyStandardQuery};
  StorageProtocolSpecificData protocol{};
  protocol.ProtocolType = ProtocolTypeNvme;
  protocol.DataType = command.dataType;
  protocol.ProtocolDataRequestValue = command.requestValue;
  protocol.ProtocolDataOffset = sizeof protocol;
  protocol.ProtocolDataLength = command.length;
  std::memcpy(bytes.data(), &query, sizeof query);
  std::memcpy(bytes.data() + kQueryParametersOffset, &protocol, sizeof protocol);
  return bytes;
}

std::vector<std::uint8_t> BuildStandardQuery(StorageProperty property) {
  std::vector<std::uint8_t> bytes(kPropertyQuerySize, 0);
  const StoragePropertyQuery query{static_cast<std::uint32_t>(property), PropertyStandardQuery};
  std::memcpy(bytes.data(), &query, sizeof query);
  return bytes;
}

std::vector<std::uint8_t> BuildTemperatureQuery() {
  return BuildStandardQuery(StorageProperty::DeviceTemperature);
}

const std::uint8_t* ProtocolAnswerData(const std::vector<std::uint8_t>& answer,
                                       std::uint32_t returned, std::uint32_t needed) {
  StorageProtocolDataDescriptor descriptor;
  if (returned > answer.size() || returned < sizeof descriptor) return nullptr;
  std::memcpy(&descriptor, answer.data(), sizeof descriptor);
  if (descriptor.Version != sizeof descriptor || descriptor.Size != sizeof descriptor) {
    return nullptr;
  }
  const StorageProtocolSpecificData& protocol = descriptor.ProtocolSpecificData;
  if (protocol.ProtocolDataOffset < sizeof protocol || protocol.ProtocolDataLength < needed) {
    return nullptr;
  }
  // The offset is the driver's word: it must not lead outside the answer.
  const std::uint64_t start = std::uint64_t{kQueryParametersOffset} + protocol.ProtocolDataOffset;
  if (start + needed > returned) return nullptr;
  return answer.data() + start;
}

std::optional<std::int16_t> ReportedTemperature(const std::uint8_t* answer,
                                                std::uint32_t returned) {
  StorageTemperatureDataDescriptor descriptor;
  StorageTemperatureInfo device;
  if (returned < sizeof descriptor + sizeof device) return std::nullopt;
  std::memcpy(&descriptor, answer, sizeof descriptor);
  if (descriptor.InfoCount == 0 || descriptor.Size < sizeof descriptor + sizeof device) {
    return std::nullopt;
  }
  std::memcpy(&device, answer + sizeof descriptor, sizeof device);
  return device.Temperature;
}

bool QueryNvmeData(DeviceStack& stack, DeviceHandle drive, NvmeData data, std::uint8_t* out,
                   std::uint32_t size) {
  for (StorageProperty property :
       data == NvmeData::IdentifyController ? kIdentifyOrder : kHealthLogOrder) {
    std::vector<std::uint8_t> buffer = BuildProtocolQuery(property, data);
    const auto length = static_cast<std::uint32_t>(buffer.size());
    std::uint32_t returned = 0;
    if (!stack.Control(drive, IOCTL_STORAGE_QUERY_PROPERTY, buffer.data(), length, buffer.data(),
                       length, returned)) {
      continue;
    }
    // Only the whole structure asked for is an answer, though the record
    // keeps less of it.
    if (const std::uint8_t* found = ProtocolAnswerData(buffer, returned, CommandFor(data).length)) {
      std::memcpy(out, found, size);
      return true;
    }
  }
  return false;
}

std::optional<std::int16_t> QueryDeviceTemperature(DeviceStack& stack, DeviceHandle drive) {
  const std::vector<std::uint8_t> query = BuildTemperatureQuery();
  std::uint8_t answer[kTemperatureAnswerSize] = {};
  std::uint32_t returned = 0;
  if (!stack.Control(drive, IOCTL_STORAGE_QUERY_PROPERTY, query.data(), kPropertyQuerySize, answer,
                     sizeof answer, returned)) {
    return std::nullopt;
  }
  return ReportedTemperature(answer, std::min<std::uint32_t>(returned, sizeof answer));
}

std::optional<bool> QuerySeekPenalty(DeviceStack& stack, DeviceHandle drive) {
  const std::vector<std::uint8_t> query = BuildStandardQuery(StorageProperty::DeviceSeekPenalty);
  DeviceSeekPenaltyDescriptor answer{};
  std::uint32_t returned = 0;
  if (!stack.Control(drive, IOCTL_STORAGE_QUERY_PROPERTY, query.data(), kPropertyQuerySize, &answer,
                     sizeof answer, returned) ||
      returned < offsetof(DeviceSeekPenaltyDescriptor, IncursSeekPenalty) + 1) {
    return std::nullopt;
  }
  return answer.IncursSeekPenalty != 0;
}

}  // namespace disklib
