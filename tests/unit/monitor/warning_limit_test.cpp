#include "monitor/warning_limit.h"

#include <gmock/gmock.h>

#include <cstring>

#include "common/nvme_health.h"
#include "monitor/drive_value_name.h"
#include "monitor/pages/graph.h"
#include "monitor_fixture.h"

namespace monitor::testing {
namespace {

using ::testing::ElementsAre;

// An NVMe record whose Identify Controller data carries `wctemp` (Kelvin)
// as the drive sends it: low byte at 266, high byte at 267.
ardmon::TempInfoRecord NvmeRecord(std::uint16_t wctemp, bool identifyOk = true) {
  ardmon::TempInfoRecord temp{};
  temp.NvmeData = ardmon::nvme::kNvmeRecord;
  temp.IdentifyOk = identifyOk;
  temp.IdentifyData[266] = static_cast<std::uint8_t>(wctemp);
  temp.IdentifyData[267] = static_cast<std::uint8_t>(wctemp >> 8);
  return temp;
}

ardmon::TempInfoRecord AtaRecord() {
  // The same bytes in an ATA IDENTIFY mean something else altogether.
  ardmon::TempInfoRecord temp = NvmeRecord(343);
  temp.NvmeData = 0;
  return temp;
}

TEST(WarningLimit, TheDrivesOwnThenItsWctempThenTemp) {
  struct Case {
    const char* what;
    std::optional<std::uint32_t> own;
    ardmon::TempInfoRecord temp;
    WarningLimit expected;
  };
  const Case cases[] = {
      {"own before WCTEMP", 45, NvmeRecord(343), {45, LimitSource::kOwn}},
      {"own 0 is a limit", 0, AtaRecord(), {0, LimitSource::kOwn}},
      {"WCTEMP 343 K", std::nullopt, NvmeRecord(343), {70, LimitSource::kDriveThreshold}},
      {"WCTEMP with a high byte",
       std::nullopt,
       NvmeRecord(0x0164),
       {83, LimitSource::kDriveThreshold}},
      {"NVMe without WCTEMP", std::nullopt, NvmeRecord(0), {50, LimitSource::kSetting}},
      {"NVMe without Identify", std::nullopt, NvmeRecord(343, false), {50, LimitSource::kSetting}},
      {"ATA never WCTEMP", std::nullopt, AtaRecord(), {50, LimitSource::kSetting}},
      {"no drive", std::nullopt, {}, {50, LimitSource::kSetting}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseWarningLimit(c.own, c.temp, 50), c.expected) << c.what;
  }
}

TEST(DriveValueName, ModelAndSerialWithoutTrailingBlanksJoinedByABlank) {
  EXPECT_EQ(DriveValueName(u"MARLOWE MX500AS-01      ", u"MX5A0X1F32K7  "),
            u"MARLOWE MX500AS-01 MX5A0X1F32K7");
  EXPECT_EQ(DriveValueName(u"DISK", u"   WD-123"), u"DISK    WD-123") << "leading blanks stay";
  EXPECT_EQ(DriveValueName(u"DISK", u""), u"DISK ");

  ardmon::TempInfoRecord temp{};
  EXPECT_EQ(DriveValueNameOf(temp), u"") << "a drive not read yet has no name";
  std::memcpy(temp.ModelNumber, "ASHGROVE AG960   ", 17);
  std::memcpy(temp.SerialNumber, "AG9B21  ", 8);
  EXPECT_EQ(DriveValueNameOf(temp), u"ASHGROVE AG960 AG9B21");
}

TEST(WarningLimit, IsStoredAsANumberNamedByTheDriveAndRemovedAgain) {
  MemoryProfile profile;
  ardmon::TempInfoRecord temp = NvmeRecord(343);
  std::memcpy(temp.ModelNumber, "ASHGROVE AG960  ", 16);
  std::memcpy(temp.SerialNumber, "AG9B21", 6);

  ASSERT_TRUE(StoreOwnWarningLimit(profile, temp, 61));
  EXPECT_EQ(profile.FindProfileInt(u"DRIVETEMP", u"ASHGROVE AG960 AG9B21"), 61);
  EXPECT_EQ(WarningLimitOf(profile, temp), (WarningLimit{61, LimitSource::kOwn}));

  ASSERT_TRUE(StoreOwnWarningLimit(profile, temp, std::nullopt));
  EXPECT_FALSE(profile.HasValue(u"DRIVETEMP", u"ASHGROVE AG960 AG9B21"));
  EXPECT_EQ(WarningLimitOf(profile, temp), (WarningLimit{70, LimitSource::kDriveThreshold}));

  profile.Store(kDriveTempSection, u"ASHGROVE AG960 AG9B21", StoredValue::Text(u"40"));
  EXPECT_EQ(WarningLimitOf(profile, temp).source, LimitSource::kDriveThreshold)
      << "a value of another type is none";
  EXPECT_FALSE(StoreOwnWarningLimit(profile, {}, 40)) << "no name to store it under";
}

TEST(WarningLimit, TheDialogsTextIsANumberOrEmptyForTheDefault) {
  MemoryProfile profile;
  SlotTable table;
  ardmon::TempInfoRecord temp = AtaRecord();
  std::memcpy(temp.ModelNumber, "DISK", 4);
  struct Case {
    std::u16string text;
    OwnLimitChange change;
    std::u16string stored;  // as the dialog then shows it
  };
  const Case cases[] = {
      {u" 45 ", OwnLimitChange::kStored, u"45"},
      {u"4x", OwnLimitChange::kNotANumber, u"45"},
      {u"4294967296", OwnLimitChange::kNotANumber, u"45"},
      {u"  ", OwnLimitChange::kRemoved, u""},
      {u"0", OwnLimitChange::kStored, u"0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyOwnWarningLimitText(profile, table, temp, c.text), c.change);
    EXPECT_EQ(OwnWarningLimitText(profile, temp), c.stored);
  }
  EXPECT_EQ(ApplyOwnWarningLimitText(profile, table, {}, u"45"), OwnLimitChange::kUnnamed);

  // The drive menu offers a limit of its own only to a present, named drive.
  table.selectedSlot = 2;
  EXPECT_FALSE(SelectedDriveMayHaveOwnLimit(table));
  table.slots[2].slotRecord.Present = 1;
  EXPECT_FALSE(SelectedDriveMayHaveOwnLimit(table));
  table.slots[2].slotRecord.Temp = temp;
  EXPECT_TRUE(SelectedDriveMayHaveOwnLimit(table));
}

// Drive 0 has its own 40, drive 1 the "TEMP" of 50, the NVMe drive 5 its
// WCTEMP of 70: at 45, 45 and 72 degrees drives 0 and 5 count, drive 1 not.
TEST_F(MonitorTest, EachDriveCountsTowardsItsOwnLimit) {
  Set(kAllowableCount, 2);
  cycle.Start();
  ASSERT_TRUE(StoreOwnWarningLimit(profile, table.slots[0].slotRecord.Temp, 40));
  EXPECT_TRUE(profile.HasValue(u"DRIVETEMP", u"MARLOWE MX500AS-01 MX5A0X1F32K7"));
  Heat(0, 45);
  Heat(1, 45);
  Heat(5, 72);
  hooks.log.clear();
  cycle.RunMonitorCycle(true);
  cycle.RunMonitorCycle(true);
  EXPECT_EQ(table.slots[0].overCount, 2u);
  EXPECT_EQ(table.slots[1].overCount, 0u);
  EXPECT_EQ(table.slots[5].overCount, 2u);
  EXPECT_THAT(hooks.log, ElementsAre(u"I:MARLOWE MX500AS-01It is higher than the setting.",
                                     u"C:ASHGROVE AG960 1TB NVMeIt is higher than the setting."));
  EXPECT_EQ(hooks.warningBoxes, 1);

  // Raising drive 0's own limit above its temperature resets its count only.
  ASSERT_TRUE(StoreOwnWarningLimit(profile, table.slots[0].slotRecord.Temp, 46));
  ResetCountsBelowLimits(table, profile);
  EXPECT_EQ(table.slots[0].overCount, 0u);
  EXPECT_EQ(table.slots[5].overCount, 2u);

  // The graph's warning line is the selected drive's.
  GraphPageCore graph{table, profile};
  const auto lineAt = [&](int slot) {
    table.selectedSlot = slot;
    return graph.Scene(240, 100).warningY;
  };
  EXPECT_EQ(lineAt(0), 35) << "46 of 20 to 60";
  EXPECT_EQ(lineAt(1), 25) << "TEMP 50";
  EXPECT_EQ(lineAt(5), std::nullopt) << "70 is out of view";
}

}  // namespace
}  // namespace monitor::testing
