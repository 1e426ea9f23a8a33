// Every drive of real_drives.txt (real drives' smartctl reports) and of
// constructed_drives.txt, read as the library and the pages read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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
  unsigned temperature = 0, hours = 0;
  TempInfoRecord record{};
};

// "ID:value:threshold:raw" as attribute entry i; a threshold entry only
// where the drive lists one, so they stand in the order the drive has them.
void AddAttribute(const std::string& text, std::size_t i, std::size_t& thresholds,
                  TempInfoRecord& record) {
  unsigned id, value, threshold;
  unsigned long long raw;
  std::uint8_t* a = record.AttributeData + kSmartTableStart + i * kSmartEntrySize;
  const bool listed =
      std::sscanf(text.c_str(), "%u:%u:%u:%llx", &id, &value, &threshold, &raw) == 4;
  if (!listed) std::sscanf(text.c_str(), "%u:%u:-:%llx", &id, &value, &raw);
  a[0] = static_cast<std::uint8_t>(id);
  a[3] = a[4] = static_cast<std::uint8_t>(value);
  for (int b = 0; b < 7; ++b) a[5 + b] = static_cast<std::uint8_t>(raw >> (8 * b));
  if (!listed) return;
  std::uint8_t* t = record.ThresholdData + kSmartTableStart + thresholds++ * kSmartEntrySize;
  t[0] = static_cast<std::uint8_t>(id);
  t[1] = static_cast<std::uint8_t>(threshold);
}

// An identity string as a drive pads it with spaces.
template <std::size_t N>
void Pad(const std::string& text, char (&field)[N]) {
  std::memset(field, ' ', N - 1);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

std::vector<Drive> Load(const char* file, std::vector<Drive> drives = {}) {
  std::ifstream in(std::string(ARDMON_DRIVE_TABLES) + "/" + file);
  EXPECT_TRUE(in) << file;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream columns(line);
    for (std::string field; std::getline(columns, field, '|');) fields.push_back(field);
    EXPECT_EQ(fields.size(), 7u) << line;
    fields.resize(7);
    Drive& drive = drives.emplace_back();
    drive.name = fields[0];
    drive.health = fields[1];
    drive.temperature = std::stoul(fields[2]);
    drive.hours = std::stoul(fields[3]);
    drive.record.SmartSupported = 1;
    Pad(fields[4], drive.record.ModelNumber);
    Pad(fields[5], drive.record.FirmwareRevision);
    std::istringstream attributes(fields[6]);
    std::size_t i = 0, thresholds = 0;
    for (std::string attribute; i < kSmartEntries && attributes >> attribute; ++i) {
      AddAttribute(attribute, i, thresholds, drive.record);
    }
  }
  return drives;
}

const std::vector<Drive>& AllDrives() {
  static const std::vector<Drive> drives = Load("constructed_drives.txt", Load("real_drives.txt"));
  return drives;
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
      const bool lifetimeCounter =
          attribute.id == 4 || attribute.id == 9 || attribute.id == 12 || attribute.id == 193;
      EXPECT_FALSE(lifetimeCounter && attribute.verdict == kHealthBad) << int(attribute.id);
    }
    EXPECT_EQ(worst, verdict.status) << "the page shows the drive's health";
    ++health[drive.health][static_cast<HealthStatus>(verdict.status)];
  }
  // How our health compares with the drives' own, for people to read.
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
