// Arbitrary answers of a storage driver to the NVMe queries, and whatever
// health log they carry: no read past the answer, and the record made of
// them stays within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/nvme_health.h"
#include "disklib/disklib.h"
#include "disklib/storage_query.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly the bytes the driver returned, so that any read beyond them is
  // caught.
  const std::vector<std::uint8_t> answer(data, data + size);
  const auto returned = static_cast<std::uint32_t>(size);

  ardmon::TempInfoRecord record{};
  if (const std::uint8_t* log = disklib::ProtocolAnswerData(answer, returned, 512)) {
    if (log < answer.data() || log + 512 > answer.data() + answer.size()) __builtin_trap();
    std::memcpy(record.AttributeData, log, 512);
    record.AttributesOk = 1;
  }
  const std::optional<std::int16_t> reported = disklib::ReportedTemperature(data, returned);
  disklib::FillNvmeRecord(record, reported);

  if (record.AttributesOk) {
    const std::uint64_t hours = ardmon::nvme::ReadHealthField(
        record.AttributeData, ardmon::nvme::HealthField::PowerOnHours);
    if (record.NvmeData != 1 || record.HealthStatus < ardmon::kHealthGood ||
        record.HealthStatus > ardmon::kHealthBad ||
        record.PowerOnHours != (hours > 0xFFFFFFFFu ? 0xFFFFFFFFu : hours)) {
      __builtin_trap();
    }
  }
  return 0;
}
