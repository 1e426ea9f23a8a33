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
  ardmon::DrivePower power = ardmon::DrivePower::kAwake;

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
  std::string Report() const { return DescribeDrive(3, disk, temp, power); }
  void ExpectAll(std::initializer_list<const char*> parts) const {
    const std::string text = Report();
    for (const char* part : parts) EXPECT_THAT(text, HasSubstr(part));
  }
};

TEST_F(ProbeReport, ShowsIdentityAndReadings) {
  ExpectAll({"Drive 3\n", "C:E:", "PCIIDE\\IDECHANNEL\\4&1", "500107862016 bytes (500.1 GB)",
             "Power        awake\n", "IDENTIFY yes, S.M.A.R.T. data yes, thresholds yes",
             "ST500DM002-1BD142\n", "38 C", "Caution", "12001 hours"});
}

// Left asleep, the drive was not read: what Windows knows, and how to read it.
TEST_F(ProbeReport, ASleepingDriveShowsWhatWindowsKnowsOfIt) {
  power = ardmon::DrivePower::kAsleep;
  ExpectAll({"C:E:", "ATA     ST500DM002-1BD14\n", "500107862016 bytes",
             "Power        standby: sleeping", "--wake"});
  EXPECT_THAT(Report(), Not(HasSubstr("Temperature")));
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
  ExpectAll({"NVMe Identify yes, health log yes", "ST500DM002-1BD142\n", "38 C",
             "temperature, reliability degraded\n", "87% (threshold 10%)",
             "14% of the rated endurance", "Media errors 3\n", "1432 (37 unsafe shutdowns)",
             "0.0 TB / 9.4 TB"});
  EXPECT_THAT(Report(), Not(HasSubstr("thresholds")));

  temp.AttributesOk = 0;
  temp.Temperature = 0;
  EXPECT_THAT(Report(), HasSubstr("not available: the NVMe health log could not be read"));
  EXPECT_THAT(Report(), Not(HasSubstr("Spare")));
}

TEST_F(ProbeReport, AbsentDrivesAreSkippedAndEmptySlotsExplained) {
  disk.Present = 0;
  EXPECT_THAT(Report(), HasSubstr("not present"));
  EXPECT_EQ(DescribeDrive(4, ardmon::DiskInfoTable{}, ardmon::TempInfoRecord{}, power), "");
}

}  // namespace
}  // namespace probe
