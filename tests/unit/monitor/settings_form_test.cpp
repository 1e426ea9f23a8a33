#include "monitor/pages/settings_form.h"

#include <gmock/gmock.h>

#include <vector>

#include "monitor/memory_profile.h"
#include "monitor/settings.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct RecordingUi : SettingsUi {
  std::vector<unsigned> messages;
  std::vector<SettingField> focus;
  void ShowMessage(unsigned id) override { messages.push_back(id); }
  void Focus(SettingField field) override { focus.push_back(field); }
};

struct RecordingHost : MonitorHooks {
  std::vector<std::string> calls;
  void UpdateTrayIcons(bool show) override { calls.push_back(show ? "tray" : "tray off"); }
  void InvalidateDialog() override { calls.push_back("repaint"); }
};

class SettingsTest : public ::testing::Test {
 protected:
  MemoryProfile profile;
  SlotTable table;
  RecordingHost host;
  RecordingUi ui;
  SettingsPageCore page{profile, table, host};

  SettingsForm Form(std::u16string temperature, std::u16string interval, std::u16string count) {
    SettingsForm form = page.LoadSettings();
    form.numbers = {temperature, interval, count};
    return form;
  }
  std::int32_t Stored(const IntSetting& setting) { return Read(profile, setting); }
};

TEST_F(SettingsTest, LoadShowsTheDefaultsOfANewProfile) {
  const SettingsForm form = page.LoadSettings();
  EXPECT_THAT(form.numbers, ElementsAre(u"50", u"2", u"3"));
  EXPECT_TRUE(form.temperatureLog && form.healthLog && form.deviceLog);
  EXPECT_FALSE(form.runAtStartup);
  EXPECT_FALSE(page.IsSettingChanged(form, ui));
}

TEST_F(SettingsTest, ApplyStoresEverythingThenRefreshesTheTray) {
  SettingsForm form = Form(u" 45 ", u"1", u"1");
  form.healthLog = false;
  form.runAtStartup = true;
  EXPECT_TRUE(page.ApplySettings(form, ui));
  EXPECT_THAT(ui.messages, IsEmpty());
  EXPECT_EQ(Stored(kWarningTemperature), 45);
  EXPECT_EQ(Stored(kCheckInterval), 1) << "1 is accepted despite the wording";
  EXPECT_EQ(Stored(kAllowableCount), 1);
  EXPECT_EQ(Stored(kHealthLog), 0);
  EXPECT_EQ(Stored(kDeviceLog), 1);
  EXPECT_TRUE(profile.HasRunEntry());
  EXPECT_THAT(host.calls, ElementsAre("tray", "repaint"));

  form.runAtStartup = false;
  EXPECT_TRUE(page.ApplySettings(form, ui));
  EXPECT_FALSE(profile.HasRunEntry());
}

TEST_F(SettingsTest, EmptyFieldsAreReportedOneAtATimeInOrder) {
  EXPECT_FALSE(page.ApplySettings(Form(u"", u"", u""), ui));
  EXPECT_THAT(ui.messages, ElementsAre(IDS_PLEASE_INPUT));
  EXPECT_THAT(ui.focus, ElementsAre(SettingField::WarningTemperature));
  EXPECT_FALSE(page.ApplySettings(Form(u"40", u"", u""), ui));
  EXPECT_THAT(ui.focus.back(), SettingField::CheckInterval);
  EXPECT_FALSE(page.ApplySettings(Form(u"40", u"5", u""), ui));
  EXPECT_THAT(ui.focus.back(), SettingField::AllowableCount);
  EXPECT_EQ(profile.intWrites(), 0);
  EXPECT_THAT(host.calls, IsEmpty());
}

TEST_F(SettingsTest, ZeroIntervalOrCountIsRefusedButZeroTemperatureIsStored) {
  EXPECT_FALSE(page.ApplySettings(Form(u"40", u"0", u"0"), ui));
  EXPECT_THAT(ui.messages, ElementsAre(IDS_CHECK_INTERVAL_TOO_SMALL));
  EXPECT_THAT(ui.focus, ElementsAre(SettingField::CheckInterval));
  EXPECT_FALSE(page.ApplySettings(Form(u"40", u"2", u"0"), ui));
  EXPECT_EQ(ui.messages.back(), IDS_ALLOWABLE_COUNT_TOO_SMALL);
  EXPECT_EQ(profile.intWrites(), 0);

  EXPECT_TRUE(page.ApplySettings(Form(u"0", u"2", u"3"), ui));
  EXPECT_EQ(Stored(kWarningTemperature), 0);
}

TEST_F(SettingsTest, ANumberBeyond32BitsIsRefusedAndTheRestKeepsItsValue) {
  page.LoadSettings();
  // The temperature parses; the interval does not, so it and the count
  // keep the loaded 2 and 3, and the apply goes on with them.
  EXPECT_TRUE(page.ApplySettings(Form(u"60", u"4294967296", u"7"), ui));
  EXPECT_THAT(ui.messages, ElementsAre(IDS_PARSE_POSITIVE_INTEGER));
  EXPECT_THAT(ui.focus, ElementsAre(SettingField::CheckInterval));
  EXPECT_EQ(Stored(kWarningTemperature), 60);
  EXPECT_EQ(Stored(kCheckInterval), 2);
  EXPECT_EQ(Stored(kAllowableCount), 3);
}

TEST_F(SettingsTest, UnsignedParseAcceptsBlanksAroundDigitsOnly) {
  EXPECT_EQ(ParseUnsigned(u"4294967295"), 4294967295u);
  EXPECT_EQ(ParseUnsigned(u"\t 007 "), 7u);
  for (const char16_t* bad :
       {u"4294967296", u"99999999999999999999999", u" ", u"-1", u"1 2", u"+3", u"12a", u"\uFF11"}) {
    EXPECT_EQ(ParseUnsigned(bad), std::nullopt) << std::string(bad, bad + 1);
  }
}

TEST_F(SettingsTest, ApplyResetsOnlyTheCountersOfDrivesBelowTheNewLimit) {
  table.slots[0].slotRecord.Temp.Temperature = 45;
  table.slots[0].overCount = 4;
  table.slots[1].slotRecord.Temp.Temperature = 55;
  table.slots[1].overCount = 4;
  table.slots[2].slotRecord.Temp.Temperature = 50;
  table.slots[2].overCount = 4;
  EXPECT_TRUE(page.ApplySettings(Form(u"50", u"2", u"3"), ui));
  EXPECT_EQ(table.slots[0].overCount, 0u);
  EXPECT_EQ(table.slots[1].overCount, 4u);
  EXPECT_EQ(table.slots[2].overCount, 4u) << "at the limit is not below it";
}

TEST_F(SettingsTest, DefaultOnAFreshProfileWritesAllSevenValuesAndTheRunEntry) {
  EXPECT_TRUE(page.ApplySettings(page.DefaultSettings(), ui));
  EXPECT_EQ(profile.intWrites(), 7);
  EXPECT_EQ(Stored(kWarningTemperature), 50);
  EXPECT_EQ(Stored(kCheckInterval), 2);
  EXPECT_EQ(Stored(kAllowableCount), 3);
  for (const IntSetting* flag : {&kTemperatureLog, &kHealthLog, &kDeviceLog, &kNoWake}) {
    EXPECT_TRUE(profile.HasValue(kSettingSection, flag->name));
    EXPECT_EQ(Stored(*flag), 1);
  }
  EXPECT_TRUE(profile.HasRunEntry());
}

TEST_F(SettingsTest, ChangedTellsEditsFromStoredValuesUntilApplied) {
  SettingsForm form = page.LoadSettings();
  EXPECT_FALSE(page.IsSettingChanged(form, ui));
  form.deviceLog = false;
  EXPECT_TRUE(page.IsSettingChanged(form, ui));
  form.noWake = false;
  EXPECT_TRUE(page.ApplySettings(form, ui));
  EXPECT_FALSE(page.IsSettingChanged(form, ui));
  EXPECT_EQ(Stored(kNoWake), 0);

  for (int field = 0; field < kSettingFieldCount; ++field) {
    SettingsForm edited = form;
    edited.numbers[field] = u"9";
    EXPECT_TRUE(page.IsSettingChanged(edited, ui)) << field;
    edited.numbers[field] = u"";
    EXPECT_TRUE(page.IsSettingChanged(edited, ui)) << field;
  }
  form.runAtStartup = true;
  EXPECT_TRUE(page.IsSettingChanged(form, ui));
  EXPECT_THAT(ui.messages, IsEmpty());
}

}  // namespace
}  // namespace monitor
