// Every drive of real_drives.txt (real drives' smartctl reports) and of
// constructed_drives.txt, read as the library and the pages read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/drive_facts.h"
#include "common/smart_evaluation.h"

namespace ardmon {
namespace {

struct Drive {
  std::string name, health;  // smartctl's PASSED or FAILED
  unsigned temperature = 0;  // as smartctl showed it, 0 for none
  std::uint32_t hours = 0;
  TempInfoRecord record{};
};

// "ID:value:threshold:raw" as attribute entry i; a threshold entry only
// where the drive lists one, so they stand in the order the drive has them.
void AddAttribute(const std::string& text, std::size_t i, std::size_t& thresholds,
                  TempInfoRecord& record) {
  std::istringstream in(text);
  unsigned id, value;
  std::string threshold, raw;
  char colon;
  in >> id >> colon >> value >> colon;
  std::getline(in, threshold, ':');
  std::getline(in, raw);
  std::uint8_t* a = record.AttributeData + kSmartTableStart + i * kSmartEntrySize;
  a[0] = static_cast<std::uint8_t>(id);
  a[3] = a[4] = static_cast<std::uint8_t>(value);
  const std::uint64_t bytes = std::stoull(raw, nullptr, 16);
  for (int b = 0; b < 7; ++b) a[5 + b] = static_cast<std::uint8_t>(bytes >> (8 * b));
  if (threshold == "-") return;
  std::uint8_t* t = record.ThresholdData + kSmartTableStart + thresholds++ * kSmartEntrySize;
  t[0] = static_cast<std::uint8_t>(id);
  t[1] = static_cast<std::uint8_t>(std::stoul(threshold));
}

std::vector<Drive> Load(const char* file) {
  std::vector<Drive> drives;
  std::ifstream in(std::string(ARDMON_DRIVE_TABLES) + "/" + file);
  EXPECT_TRUE(in) << file;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream columns(line);
    for (std::string field; std::getline(columns, field, '|');) fields.push_back(field);
    EXPECT_EQ(fields.size(), 7u) << line;
    if (fields.size() != 7) continue;
    Drive drive{fields[0], fields[1], static_cast<unsigned>(std::stoul(fields[2])),
                static_cast<std::uint32_t>(std::stoul(fields[3]))};
    TempInfoRecord& record = drive.record;
    record.SmartSupported = 1;
    std::strncpy(record.ModelNumber, fields[4].c_str(), sizeof record.ModelNumber - 1);
    std::strncpy(record.FirmwareRevision, fields[5].c_str(), sizeof record.FirmwareRevision - 1);
    std::istringstream attributes(fields[6]);
    std::size_t i = 0, thresholds = 0;
    for (std::string attribute; attributes >> attribute && i < kSmartEntries; ++i) {
      AddAttribute(attribute, i, thresholds, record);
    }
    drives.push_back(drive);
  }
  return drives;
}

const std::vector<Drive>& AllDrives() {
  static const std::vector<Drive> drives = [] {
    std::vector<Drive> all = Load("real_drives.txt");
    const std::vector<Drive> constructed = Load("constructed_drives.txt");
    all.insert(all.end(), constructed.begin(), constructed.end());
    return all;
  }();
  return drives;
}

bool IsLifetimeCounter(std::uint8_t id) {
  return id == 4 || id == 9 || id == 12 || id == 193;
}

TEST(RealDrives, ReadAsSmartctlShowsThem) {
  ASSERT_EQ(AllDrives().size(), 124u);
  std::map<std::string, std::map<HealthStatus, int>> health;  // smartctl's, ours: drives
  for (const Drive& drive : AllDrives()) {
    SCOPED_TRACE(drive.name);
    const SmartVerdict verdict = EvaluateSmart(drive.record);
    EXPECT_EQ(unsigned{verdict.temperature}, drive.temperature);
    EXPECT_EQ(verdict.powerOnHours, drive.hours);
    HealthStatus worst = kHealthGood;
    for (const JudgedAttribute& attribute : JudgedAttributes(drive.record)) {
      worst = std::max(worst, attribute.verdict);
      if (IsLifetimeCounter(attribute.id)) {
        EXPECT_NE(attribute.verdict, kHealthBad) << int(attribute.id);
      }
    }
    EXPECT_EQ(worst, verdict.status) << "the page shows the drive's health";
    ++health[drive.health][static_cast<HealthStatus>(verdict.status)];
  }
  for (const auto& [theirs, ours] : health) {
    std::cout << "smartctl " << theirs << ":";
    for (const auto& [status, drives] : ours)
      std::cout << " " << HealthWord(status) << " " << drives;
    std::cout << "\n";
  }
}

TEST(DriveFamilies, EveryFamilyHasATestDrive) {
  for (std::size_t i = 0; i < kDriveFamilyCount; ++i) {
    EXPECT_TRUE(std::any_of(AllDrives().begin(), AllDrives().end(), [&](const Drive& drive) {
      return FamilyOf(drive.record) == &kDriveFamilies[i];
    })) << kDriveFamilies[i].name;
  }
}

}  // namespace
}  // namespace ardmon
