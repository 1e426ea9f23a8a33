#include "monitor/tray_icons.h"

#include <gmock/gmock.h>

#include "monitor/layout.h"
#include "monitor/selection.h"
#include "monitor_fixture.h"

namespace monitor::testing {
namespace {

using ::testing::ElementsAre;

// The notification area as a set of icons by identifier.
class FakeTray : public TrayArea {
 public:
  std::map<int, DriveIcon> drives;
  std::optional<std::u16string> appIcon;
  std::vector<int> deleted;

  bool ShowDriveIcon(const DriveIcon& icon) override {
    drives.insert_or_assign(icon.id, icon);
    return true;
  }
  bool DeleteIcon(int id) override {
    deleted.push_back(id);
    return drives.erase(id) > 0;
  }
  bool ShowAppIcon(const std::u16string& tip) override {
    appIcon = tip;
    return true;
  }
  bool RemoveAppIcon() override {
    const bool shown = appIcon.has_value();
    appIcon.reset();
    return shown;
  }
};

class TrayTest : public MonitorTest {
 protected:
  FakeTray tray;
  bool Update(bool show = true) {
    return UpdateTrayIcons(show, list, table, profile, strings, tray);
  }
};

TEST_F(TrayTest, OneNumberedIconPerTickedDrive) {
  cycle.Start();
  Update();
  ASSERT_EQ(tray.drives.size(), 5u);
  EXPECT_FALSE(tray.appIcon);
  const DriveIcon& first = tray.drives.at(0);
  EXPECT_EQ(first.number, u"38");
  EXPECT_EQ(first.base, IconBase::kNormal);
  EXPECT_EQ(first.tip, u"I:\nMARLOWE MX500AS-01\n38\u2103");
  const std::u16string path(table.slots[0].slotRecord.DevicePath);
  EXPECT_EQ(profile.GetProfileInt(kSettingSection, path, 7), 1) << "the check state is stored";
}

TEST_F(TrayTest, TheApplicationIconStandsInWhenNothingIsTicked) {
  cycle.Start();
  for (int row = 0; row < list.RowCount(); ++row) list.SetChecked(row, false);
  Update();
  EXPECT_TRUE(tray.drives.empty());
  EXPECT_EQ(tray.appIcon, u"Quenby");
  list.SetChecked(1, true);
  Update();
  EXPECT_FALSE(tray.appIcon);
  EXPECT_EQ(tray.drives.count(1), 1u);
  const std::u16string path(table.slots[0].slotRecord.DevicePath);
  EXPECT_EQ(profile.GetProfileInt(kSettingSection, path, 7), 0);
}

TEST_F(TrayTest, AHotDriveGetsTheRedBaseAndAMissingReadingShowsDashes) {
  Set(kAllowableCount, 1);
  Heat(0, 55);
  Heat(2, 55);
  cycle.Start();
  table.slots[1].slotRecord.Temp.Temperature = 0;
  table.slots[2].reading = DriveReading::kAsleep;
  Update();
  EXPECT_EQ(tray.drives.at(0).base, IconBase::kWarning);
  EXPECT_EQ(tray.drives.at(3).base, IconBase::kNormal);
  EXPECT_EQ(tray.drives.at(1).number, u"--");
  EXPECT_EQ(tray.drives.at(2).base, IconBase::kSleeping) << "asleep, it does not run hot now";
  EXPECT_EQ(tray.drives.at(2).number, u"55") << "its last reading";
}

TEST_F(TrayTest, TipsSayFirstThatTheValuesAreNotCurrent) {
  cycle.Start();
  table.valuesCurrent = false;
  Update();
  const std::u16string note = u"Not current: TempService does not answer\n";
  EXPECT_EQ(tray.drives.at(0).tip, note + u"I:\nMARLOWE MX500AS-01\n38\u2103");
  for (int row = 0; row < list.RowCount(); ++row) list.SetChecked(row, false);
  Update();
  EXPECT_EQ(tray.appIcon, note + u"Quenby");
}

TEST_F(TrayTest, IconsOfVanishedRowsAreDeleted) {
  cycle.Start();
  Update();
  Plug(3, false);
  Plug(2, false);
  cycle.OnDeviceChange();
  tray.deleted.clear();
  Update();
  EXPECT_EQ(tray.drives.size(), 3u);
  EXPECT_THAT(tray.deleted, ElementsAre(3, 4, 5)) << "until a deletion fails";
}

TEST_F(TrayTest, HidingRemovesEveryIconAndKeepsTheChoices) {
  cycle.Start();
  list.SetChecked(2, false);
  Update();
  Update(false);
  EXPECT_TRUE(tray.drives.empty());
  EXPECT_FALSE(tray.appIcon);
  const std::u16string path(table.slots[2].slotRecord.DevicePath);
  EXPECT_EQ(profile.GetProfileInt(kSettingSection, path, 7), 0);
}

TEST_F(TrayTest, AClickOnADriveIconSelectsItsRowTheApplicationIconNothing) {
  cycle.Start();
  MarkRowFromTray(list, table, 2);
  EXPECT_EQ(list.SelectionMark(), 2);
  EXPECT_EQ(table.selectedSlot, 2);
  MarkRowFromTray(list, table, kAppIconId);
  EXPECT_EQ(list.SelectionMark(), 2);
  EXPECT_EQ(table.selectedSlot, 2);
}

TEST(ColumnWidths, FollowTheListWidth) {
  EXPECT_THAT(ColumnWidths(474), ElementsAre(65, 130, 65, 65, 65, 65));
  EXPECT_THAT(ColumnWidths(0), ElementsAre(0, 0, 0, 0, 0, 0));
}

TEST(MemoryProfile, GivesDefaultsAndCreatesTheSectionOnFirstRead) {
  MemoryProfile profile;
  EXPECT_FALSE(profile.HasSection(kSettingSection));
  EXPECT_EQ(Read(profile, kWarningTemperature), 50);
  EXPECT_TRUE(profile.HasSection(kSettingSection));
  EXPECT_EQ(Read(profile, kCheckInterval), 2);
  EXPECT_EQ(Read(profile, kAllowableCount), 3);
  EXPECT_TRUE(IsOn(profile, kTemperatureLog) && IsOn(profile, kHealthLog) &&
              IsOn(profile, kDeviceLog));
  EXPECT_FALSE(IsOn(profile, kTemperatureMail) || IsOn(profile, kHealthMail));
  profile.WriteProfileInt(kSettingSection, u"TIME", 0);
  EXPECT_EQ(Read(profile, kCheckInterval), 0) << "a stored 0 is taken as stored";
}

}  // namespace
}  // namespace monitor::testing
