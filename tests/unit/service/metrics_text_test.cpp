// The metrics file's text for the demo machine (four ATA drives and an NVMe
// one), with an identity that needs escaping, a drive without a temperature,
// and drives whose power the library tells: 3 asleep, 1 awake, the others
// unknown (as the simulator answers).
#include "service/metrics_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "power_answers.h"
#include "sim_machine.h"

namespace service {
namespace {

using ardmon::DrivePower;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class MetricsTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ardmon::testing::PowerAnswers library(machine_.path(),
                                          {{1, DrivePower::kAwake}, {3, DrivePower::kAsleep}});
    scan_.drives = ardmon::ReadAllDrives(library);
    ASSERT_THAT(library.woken, IsEmpty());
    scan_.finishedAtSeconds = 1765280000.25;
    scan_.durationSeconds = 0.0625;
    ASSERT_EQ(scan_.drives.size(), 5u);
  }
  ardmon::DriveFacts& Drive(std::uint32_t number) {
    for (ardmon::DriveFacts& drive : scan_.drives) {
      if (drive.number == number) return drive;
    }
    throw std::out_of_range("no such drive");
  }

  ardmon::testing::DemoMachineFile machine_;
  DriveScan scan_;
};

TEST_F(MetricsTextTest, GivesEachPresentDriveItsSeries) {
  const std::string text = MetricsText(scan_);
  const char* const lines[] = {
      "quenby_drive_info{drive=\"0\",model=\"MARLOWE MX500AS-01\",serial=\"MX5A0X1F32K7\","
      "firmware=\"1.04\",letters=\"I:\",protocol=\"ata\"} 1\n",
      "quenby_drive_info{drive=\"5\",model=\"ASHGROVE AG960 1TB NVMe\",serial=\"AG9B2107004417\","
      "firmware=\"2.1.0A\",letters=\"C:\",protocol=\"nvme\"} 1\n",
      "quenby_drive_info{drive=\"3\",model=\"ORBITA  OB320UX\",serial=\"\",firmware=\"\","
      "letters=\"F:\",protocol=\"ata\"} 1\n",
      "quenby_drive_power_state{drive=\"0\"} 2\n",
      "quenby_drive_power_state{drive=\"1\"} 0\n",
      "quenby_drive_power_state{drive=\"3\"} 1\n",
      "quenby_drive_power_state{drive=\"5\"} 0\n",  // NVMe does not spin: read unchecked
      "quenby_drive_temperature_celsius{drive=\"0\"} 38\n",
      "quenby_drive_temperature_celsius{drive=\"5\"} 43\n",
      "quenby_drive_health{drive=\"0\"} 1\n",
      "quenby_drive_health{drive=\"1\"} 2\n",
      "quenby_drive_power_on_seconds{drive=\"0\"} 43322400\n",
      "quenby_drive_smart_attribute_value{drive=\"0\",id=\"194\",name=\"Temperature\"} ",
      "quenby_drive_smart_attribute_raw{drive=\"1\",id=\"5\",name=\"Reallocated Sectors Count\"} "
      "8\n",
      "quenby_drive_smart_attribute_value{drive=\"1\",id=\"190\",name=\"Unknown because of vendor "
      "unique.\"} 59\n",
      "quenby_drive_nvme_critical_warning{drive=\"5\"} 0\n",
      "quenby_drive_nvme_available_spare_percent{drive=\"5\"} 100\n",
      "quenby_drive_nvme_available_spare_threshold_percent{drive=\"5\"} 10\n",
      "quenby_drive_nvme_percentage_used{drive=\"5\"} 3\n",
      "quenby_drive_nvme_media_errors{drive=\"5\"} 0\n",
      "quenby_drive_nvme_data_units_written{drive=\"5\"} 18410557\n",
      "quenby_scan_timestamp_seconds 1765280000.250\n",
      "quenby_scan_duration_seconds 0.062500\n",
      "quenby_drives 5\n",
  };
  for (const char* line : lines) EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_THAT(text, Not(HasSubstr("drive=\"4\""))) << "the card reader has no card";
  for (const char* family : {"temperature_celsius", "health", "power_on_seconds",
                             "smart_attribute_value", "smart_attribute_raw"}) {
    EXPECT_THAT(text, Not(HasSubstr(std::string(family) + "{drive=\"3\"")))
        << "drive 3 sleeps and was not read";
  }
  EXPECT_THAT(text, Not(HasSubstr("smart_attribute_value{drive=\"5\"")));
  EXPECT_THAT(text, Not(HasSubstr("nvme_media_errors{drive=\"0\"")));
}

// Every family: HELP, then TYPE gauge, then its samples together, and no
// family twice; every line ends with a line feed.
TEST_F(MetricsTextTest, EachFamilyHasHelpAndTypeOnceBeforeItsSamples) {
  const std::string text = MetricsText(scan_);
  ASSERT_FALSE(text.empty());
  ASSERT_EQ(text.back(), '\n');
  std::istringstream lines(text);
  std::map<std::string, int> families;
  std::string line, current, help;
  while (std::getline(lines, line)) {
    if (line.rfind("# HELP ", 0) == 0) {
      help = line.substr(7, line.find(' ', 7) - 7);
      EXPECT_EQ(++families[help], 1) << help;
    } else if (line.rfind("# TYPE ", 0) == 0) {
      EXPECT_EQ(line, "# TYPE " + help + " gauge");
      current = help;
    } else {
      EXPECT_EQ(line.substr(0, line.find_first_of("{ ")), current) << line;
    }
  }
  EXPECT_EQ(families.size(), 18u);
}

TEST_F(MetricsTextTest, EscapesLabelValuesAndLeavesOutAMissingTemperature) {
  Drive(2).model = "A \"quoted\" back\\slash\nand line";
  Drive(2).serial = "S\xC3\xA9rie";  // UTF-8 passes as it is
  Drive(2).temperatureC.reset();
  const std::string text = MetricsText(scan_);
  EXPECT_THAT(text, HasSubstr("model=\"A \\\"quoted\\\" back\\\\slash\\nand line\","
                              "serial=\"S\xC3\xA9rie\""));
  EXPECT_THAT(text, Not(HasSubstr("temperature_celsius{drive=\"2\"}")));
  EXPECT_THAT(text, HasSubstr("quenby_drive_health{drive=\"2\"}"));
}

TEST(MetricsInterval, DefaultsAndNeverGoesBelowTheShortest) {
  const std::pair<std::optional<std::uint32_t>, std::uint32_t> cases[] = {
      {std::nullopt, 300}, {0, 10}, {9, 10}, {10, 10}, {3600, 3600}};
  for (const auto& [configured, seconds] : cases) {
    EXPECT_EQ(MetricsIntervalSeconds(configured), seconds);
  }
}

// Only NoWake 0 reads a sleeping drive, with GetTempInfo, which wakes it.
TEST_F(MetricsTextTest, OnlyNoWakeZeroWakesASleepingDrive) {
  const std::pair<std::optional<std::uint32_t>, bool> cases[] = {
      {std::nullopt, false}, {1, false}, {7, false}, {0, true}};
  for (const auto& [noWake, wakes] : cases) {
    ardmon::testing::PowerAnswers library(machine_.path(), {{3, DrivePower::kAsleep}});
    const auto drives = ardmon::ReadAllDrives(library, MetricsSleepingDrives(noWake));
    EXPECT_EQ(library.woken.size(), wakes ? 5u : 0u) << noWake.value_or(1);
    EXPECT_EQ(drives.at(3).temperatureC.has_value(), wakes) << noWake.value_or(1);
  }
}

}  // namespace
}  // namespace service
