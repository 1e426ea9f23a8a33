#include "disklib/probe/probe_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

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
  EXPECT_THAT(Report(), HasSubstr("no access method could read"));
  EXPECT_THAT(Report(), Not(HasSubstr("Model")));
}

TEST_F(ProbeReport, AbsentDrivesAreSkippedAndEmptySlotsExplained) {
  disk.Present = 0;
  EXPECT_THAT(Report(), HasSubstr("not present"));
  EXPECT_EQ(DescribeDrive(4, ardmon::DiskInfoTable{}, ardmon::TempInfoRecord{}), "");
}

}  // namespace
}  // namespace probe
