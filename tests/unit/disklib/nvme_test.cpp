// The NVMe health log read through the shared layout, its health rule, and
// what an NVMe record holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <tuple>

#include "common/nvme_health.h"
#include "disklib/disklib.h"

namespace {

namespace nvme = ardmon::nvme;
using nvme::HealthField;

using Log = std::array<std::uint8_t, 512>;

// Two bytes at each offset: a one-byte field must not take in the next one.
TEST(NvmeHealthLog, FieldsLieAtTheirOffsets) {
  const std::tuple<HealthField, std::size_t, std::uint64_t> fields[] = {
      {HealthField::CriticalWarning, 0, 0x2A},      {HealthField::CompositeTemperature, 1, 0x012A},
      {HealthField::AvailableSpare, 3, 0x2A},       {HealthField::AvailableSpareThreshold, 4, 0x2A},
      {HealthField::PercentageUsed, 5, 0x2A},       {HealthField::DataUnitsRead, 32, 0x012A},
      {HealthField::DataUnitsWritten, 48, 0x012A},  {HealthField::HostReadCommands, 64, 0x012A},
      {HealthField::HostWriteCommands, 80, 0x012A}, {HealthField::ControllerBusyTime, 96, 0x012A},
      {HealthField::PowerCycles, 112, 0x012A},      {HealthField::PowerOnHours, 128, 0x012A},
      {HealthField::UnsafeShutdowns, 144, 0x012A},  {HealthField::MediaErrors, 160, 0x012A},
      {HealthField::ErrorLogEntries, 176, 0x012A}};
  for (const auto& [field, offset, expected] : fields) {
    Log log{};
    log[offset] = 0x2A;
    log[offset + 1] = 0x01;
    EXPECT_EQ(nvme::ReadHealthField(log.data(), field), expected) << offset;
  }
}

TEST(NvmeHealthLog, CountersBeyondSixtyFourBitsSaturate) {
  Log log{};
  for (std::size_t i = 0; i < 8; ++i) log[160 + i] = 0xFF;
  EXPECT_EQ(nvme::ReadHealthField(log.data(), HealthField::MediaErrors), UINT64_MAX);
  log[160] = 0x01;
  log[175] = 0x01;  // the top byte of the 128-bit counter
  EXPECT_EQ(nvme::ReadHealthField(log.data(), HealthField::MediaErrors), UINT64_MAX);

  nvme::WriteHealthField(log.data(), HealthField::MediaErrors, 7);
  EXPECT_EQ(log[175], 0);
  EXPECT_EQ(nvme::ReadHealthField(log.data(), HealthField::MediaErrors), 7u);
}

// An overheating drive is shown at its temperature: many declare warning
// thresholds of 110 to 118 degrees.
TEST(NvmeHealthLog, KelvinBecomeCelsiusWithinOneTo255Degrees) {
  EXPECT_EQ(nvme::CelsiusFromKelvin(0), 0) << "not reported";
  EXPECT_EQ(nvme::CelsiusFromKelvin(273), 0);
  EXPECT_EQ(nvme::CelsiusFromKelvin(274), 1);
  EXPECT_EQ(nvme::CelsiusFromKelvin(374), 101);
  EXPECT_EQ(nvme::CelsiusFromKelvin(528), 255);
  EXPECT_EQ(nvme::CelsiusFromKelvin(529), 0);
}

// A healthy drive, changed one field at a time.
TEST(NvmeHealthRule, EveryBranch) {
  const std::tuple<const char*, HealthField, std::uint64_t, ardmon::HealthStatus> cases[] = {
      {"healthy", HealthField::PercentageUsed, 89, ardmon::kHealthGood},
      {"spare below threshold bit", HealthField::CriticalWarning, 0x01, ardmon::kHealthBad},
      {"temperature bit", HealthField::CriticalWarning, 0x02, ardmon::kHealthCaution},
      {"reliability bit", HealthField::CriticalWarning, 0x04, ardmon::kHealthBad},
      {"read-only bit", HealthField::CriticalWarning, 0x08, ardmon::kHealthBad},
      {"backup bit", HealthField::CriticalWarning, 0x10, ardmon::kHealthBad},
      {"a bit outside the rule", HealthField::CriticalWarning, 0x20, ardmon::kHealthGood},
      {"spare below threshold", HealthField::AvailableSpare, 9, ardmon::kHealthBad},
      {"spare at threshold", HealthField::AvailableSpare, 10, ardmon::kHealthGood},
      {"media errors", HealthField::MediaErrors, 1, ardmon::kHealthCaution},
      {"worn to 90 percent", HealthField::PercentageUsed, 90, ardmon::kHealthCaution},
  };
  for (const auto& [what, field, value, expected] : cases) {
    Log log{};
    log[3] = 100;
    log[4] = 10;
    nvme::WriteHealthField(log.data(), field, value);
    EXPECT_EQ(nvme::EvaluateHealthLog(log.data()), expected) << what;
  }

  Log both{};
  both[0] = 0x02 | 0x08;
  both[5] = 95;
  EXPECT_EQ(nvme::EvaluateHealthLog(both.data()), ardmon::kHealthBad) << "Bad outweighs Caution";
  Log onlyHighBytes{};
  onlyHighBytes[175] = 1;
  EXPECT_EQ(nvme::EvaluateHealthLog(onlyHighBytes.data()), ardmon::kHealthCaution)
      << "a media error count beyond 64 bits";
}

class NvmeRecord : public ::testing::Test {
 protected:
  NvmeRecord() {
    const std::string identify =
        "VVSSAG9B2107004417      ASHGROVE AG960 1TB NVMe                 2.1.0A  ";
    std::memcpy(record.IdentifyData, identify.data(), identify.size());
    record.AttributeData[1] = 0x3C;  // 316 K
    record.AttributeData[2] = 0x01;
    record.AttributeData[3] = 100;
    record.AttributeData[4] = 10;
  }
  ardmon::TempInfoRecord record{};
};

TEST_F(NvmeRecord, IdentifyAndLogFillTheRecordAndMarkIt) {
  record.IdentifyOk = record.AttributesOk = 1;
  record.AttributeData[128] = 0x11;  // 4369 hours
  record.AttributeData[129] = 0x11;
  disklib::FillNvmeRecord(record, 60);
  EXPECT_EQ(record.SmartSupported, 1);
  EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&record)[3], 1) << "the NVMe marker";
  EXPECT_EQ(record.ThresholdsOk, 0);
  EXPECT_EQ(record.Temperature, 43) << "the log's, not the one reported apart";
  EXPECT_EQ(record.HealthStatus, ardmon::kHealthGood);
  EXPECT_EQ(record.PowerOnHours, 4369u);
  // As stored, not byte-swapped, trailing blanks kept.
  EXPECT_STREQ(record.SerialNumber, "AG9B2107004417      ");
  EXPECT_STREQ(record.ModelNumber, "ASHGROVE AG960 1TB NVMe                 ");
  EXPECT_STREQ(record.FirmwareRevision, "2.1.0A  ");
  EXPECT_TRUE(std::all_of(std::begin(record.ThresholdData), std::end(record.ThresholdData),
                          [](std::uint8_t b) { return b == 0; }));
}

TEST_F(NvmeRecord, PowerOnHoursSaturateAtTheLargestThirtyTwoBitCount) {
  record.AttributesOk = 1;
  for (const std::uint64_t hours : {0xFFFFFFFFull, 0x100000000ull}) {
    nvme::WriteHealthField(record.AttributeData, HealthField::PowerOnHours, hours);
    disklib::FillNvmeRecord(record, std::nullopt);
    EXPECT_EQ(record.PowerOnHours, 0xFFFFFFFFu) << hours;
  }
  record.AttributeData[140] = 1;  // beyond 64 bits
  disklib::FillNvmeRecord(record, std::nullopt);
  EXPECT_EQ(record.PowerOnHours, 0xFFFFFFFFu);
}

TEST_F(NvmeRecord, EitherHalfAloneStillMarksTheRecord) {
  ardmon::TempInfoRecord logOnly = record;
  logOnly.AttributesOk = 1;
  disklib::FillNvmeRecord(logOnly, std::nullopt);
  EXPECT_EQ(logOnly.NvmeData, 1);
  EXPECT_EQ(logOnly.Temperature, 43);
  EXPECT_STREQ(logOnly.ModelNumber, "") << "Identify data not read is not used";

  record.IdentifyOk = 1;
  // The driver's reading of a drive above 100 degrees is as real as the log's.
  const std::pair<std::int16_t, std::uint8_t> cases[] = {{101, 101}, {255, 255}, {256, 0},
                                                         {1, 1},     {0, 0},     {-5, 0}};
  for (const auto& [reported, expected] : cases) {
    disklib::FillNvmeRecord(record, reported);
    EXPECT_EQ(record.Temperature, expected) << reported;
  }
  EXPECT_EQ(record.NvmeData, 1);
  EXPECT_EQ(record.HealthStatus, ardmon::kHealthNotEvaluated);
  EXPECT_EQ(record.PowerOnHours, 0u);
}

}  // namespace
