// The probe's JSON of the demo machine, parsed back, with drive 3 asleep,
// drive 1 awake and the others of unknown power (as the simulator answers).
#include "disklib/probe/probe_json.h"

#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "power_answers.h"
#include "sim_machine.h"

namespace probe {
namespace {

using nlohmann::json;

json DriveOf(const json& all, std::uint32_t number) {
  for (const json& drive : all.at("drives")) {
    if (drive.at("number") == number) return drive;
  }
  return nullptr;
}

TEST(ProbeJson, TheDemoMachineParsesBackWithEveryDrivesFacts) {
  ardmon::testing::DemoMachineFile machine;
  ardmon::testing::PowerAnswers library(
      machine.path(), {{1, ardmon::DrivePower::kAwake}, {3, ardmon::DrivePower::kAsleep}});
  const json all = json::parse(DrivesJson(ardmon::ReadAllDrives(library)));
  ASSERT_EQ(all.at("drives").size(), 5u) << "the card reader without a card is left out";

  const json ata = DriveOf(all, 1);
  EXPECT_EQ(ata.at("model"), "TESSERA TS1000DM003-1CH1");
  EXPECT_EQ(ata.at("serial"), "Z1D4R9WQ");
  EXPECT_EQ(ata.at("letters"), "D:");
  EXPECT_EQ(ata.at("protocol"), "ata");
  EXPECT_EQ(ata.at("powerState"), "awake");
  EXPECT_EQ(ata.at("temperatureC"), 41);
  EXPECT_EQ(ata.at("health"), "caution");
  EXPECT_EQ(ata.at("powerOnHours"), 21873);
  EXPECT_TRUE(ata.at("nvme").is_null());
  const json reallocated = ata.at("attributes").at(3);
  EXPECT_EQ(reallocated, json::parse(R"({"id": 5, "name": "Reallocated Sectors Count",
      "value": 100, "worst": 100, "threshold": 36, "raw": 8, "verdict": "caution"})"));

  const json nvme = DriveOf(all, 5);
  EXPECT_EQ(nvme.at("protocol"), "nvme");
  EXPECT_EQ(nvme.at("powerState"), "awake");  // it does not spin: read unchecked
  EXPECT_EQ(nvme.at("letters"), "C:");
  EXPECT_EQ(nvme.at("health"), "good");
  EXPECT_TRUE(nvme.at("attributes").empty());
  EXPECT_EQ(nvme.at("nvme").at("availableSpareThresholdPercent"), 10);
  EXPECT_EQ(nvme.at("nvme").at("dataUnitsWritten"), 18410557);
  EXPECT_EQ(nvme.at("nvme").at("compositeTemperatureKelvin"), 316);
  EXPECT_EQ(nvme.at("nvme").size(), ardmon::nvme::kHealthFieldCount);

  EXPECT_EQ(DriveOf(all, 3), json::parse(R"({"number": 3, "model": "ORBITA  OB320UX",
      "serial": "", "firmware": "", "letters": "F:", "sizeBytes": 320072933376,
      "protocol": "ata", "powerState": "standby", "temperatureC": null, "health": "unknown",
      "powerOnHours": null, "attributes": [], "nvme": null})"));
}

// Drives fill their identity with whatever bytes they like: each byte is
// one character (Latin-1), escaped as JSON needs.
TEST(ProbeJson, AnyModelTextGivesValidJson) {
  ardmon::DiskInfoTable disk{};
  ardmon::TempInfoRecord temp{};
  disk.Present = 1;
  const char model[] = "Q\"\\\x01\t\xC3\xFF\x80 end   ";
  std::memcpy(temp.ModelNumber, model, sizeof model - 1);
  const auto facts = ardmon::ReadDriveFacts(7, disk, temp);
  ASSERT_TRUE(facts);
  const json all = json::parse(DrivesJson({*facts}));
  const json drive = all.at("drives").at(0);
  EXPECT_EQ(drive.at("model"), u8"Q\"\\\u0001\t\u00C3\u00FF\u0080 end");
  EXPECT_TRUE(drive.at("temperatureC").is_null());
  EXPECT_EQ(drive.at("health"), "unknown");
}

}  // namespace
}  // namespace probe
