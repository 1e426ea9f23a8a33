#include "disklib/probe/probe_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "common/nvme_health.h"

namespace probe {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ProbeReport : public ::testing::Test {
 protected:
  ardmon::DiskInfoTable disk{};
  ardmon::TempInfoRecord temp{};

  void SetUp() override {
    disk.Present = 1;
    disk.DiskSize = 500107862016ull;
    std::memcpy(disk.DriveLetters, "C:E:", 5);
    std::memcpy(disk.InquiryId, "ATA     ST500DM002-1BD14", 24);
    std::u16string id = u"PCIIDE\\IDECHANNEL\\4&1";
    std::copy(id.begin(), id.end(), disk.ControllerId);
    std::u16string path = u"\\\\?\\ide#disk";
    std::copy(path.begin(), path.end(), disk.DevicePath);
    temp.IdentifyOk = temp.AttributesOk = temp.ThresholdsOk = temp.SmartSupported = 1;
    std::memcpy(temp.ModelNumber, "ST500DM002-1BD142     ", 22);
    temp.Temperature = 38;
    temp.HealthStatus = ardmon::kHealthCaution;
    temp.PowerOnHours = 12001;
  }
  std::string Report() const { return DescribeDrive(3, disk, temp); }
};

TEST_F(ProbeReport, ShowsIdentityAndReadings) {
  const std::string text = Report();
  EXPECT_THAT(text, HasSubstr("Drive 3\n"));
  EXPECT_THAT(text, HasSubstr("C:E:"));
  EXPECT_THAT(text, HasSubstr("PCIIDE\\IDECHANNEL\\4&1"));
  EXPECT_THAT(text, HasSubstr("500107862016 bytes (500.1 GB)"));
  EXPECT_THAT(text, HasSubstr("IDENTIFY yes, S.M.A.R.T. data yes, thresholds yes"));
  EXPECT_THAT(text, HasSubstr("ST500DM002-1BD142\n"));
  EXPECT_THAT(text, HasSubstr("38 C"));
  EXPECT_THAT(text, HasSubstr("Caution"));
  EXPECT_THAT(text, HasSubstr("12001 hours"));
}

TEST_F(ProbeReport, ExplainsAMissingTemperature) {
  temp.Temperature = 0;
  EXPECT_THAT(Report(), HasSubstr("no temperature (attribute 194)"));
  temp.AttributesOk = 0;
  EXPECT_THAT(Report(), HasSubstr("S.M.A.R.T. data could not be read"));
  temp.SmartSupported = 0;
  EXPECT_THAT(Report(), HasSubstr("does not support S.M.A.R.T."));
  temp = {};
  EXPECT_THAT(Report(), HasSubstr("neither ATA nor NVMe commands could read"));
  temp.Temperature = 41;
  EXPECT_THAT(Report(), HasSubstr("41 C (the driver's report alone)"));
  EXPECT_THAT(Report(), Not(HasSubstr("Model")));
}

TEST_F(ProbeReport, ShowsTheNvmeHealthLog) {
  using ardmon::nvme::HealthField;
  temp.NvmeData = 1;
  temp.ThresholdsOk = 0;
  std::uint8_t* log = temp.AttributeData;
  const std::pair<HealthField, std::uint64_t> fields[] = {
      {HealthField::CriticalWarning, 0x06},
      {HealthField::AvailableSpare, 87},
      {HealthField::AvailableSpareThreshold, 10},
      {HealthField::PercentageUsed, 14},
      {HealthField::MediaErrors, 3},
      {HealthField::PowerCycles, 1432},
      {HealthField::UnsafeShutdowns, 37},
      {HealthField::DataUnitsWritten, 18410557}};
  for (const auto& [field, value] : fields) ardmon::nvme::WriteHealthField(log, field, value);
  const std::string text = Report();
  EXPECT_THAT(text, HasSubstr("NVMe Identify yes, health log yes"));
  EXPECT_THAT(text, Not(HasSubstr("thresholds")));
  EXPECT_THAT(text, HasSubstr("ST500DM002-1BD142\n"));
  EXPECT_THAT(text, HasSubstr("38 C"));
  EXPECT_THAT(text, HasSubstr("temperature, reliability degraded\n"));
  EXPECT_THAT(text, HasSubstr("87% (threshold 10%)"));
  EXPECT_THAT(text, HasSubstr("14% of the rated endurance"));
  EXPECT_THAT(text, HasSubstr("Media errors 3\n"));
  EXPECT_THAT(text, HasSubstr("1432 (37 unsafe shutdowns)"));
  EXPECT_THAT(text, HasSubstr("0.0 TB / 9.4 TB"));

  temp.AttributesOk = 0;
  temp.Temperature = 0;
  EXPECT_THAT(Report(), HasSubstr("not available: the NVMe health log could not be read"));
  EXPECT_THAT(Report(), Not(HasSubstr("Spare")));
}

TEST_F(ProbeReport, AbsentDrivesAreSkippedAndEmptySlotsExplained) {
  disk.Present = 0;
  EXPECT_THAT(Report(), HasSubstr("not present"));
  EXPECT_EQ(DescribeDrive(4, ardmon::DiskInfoTable{}, ardmon::TempInfoRecord{}), "");
}

}  // namespace
}  // namespace probe
