// The profile's readers take values as another program may have stored
// them: of any type and any length.
#include "monitor/stored_value.h"

#include <gmock/gmock.h>

#include "monitor/memory_profile.h"
#include "monitor/pages/settings_form.h"
#include "monitor/settings.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;

StoredValue Raw(std::uint32_t type, std::vector<std::uint8_t> bytes) {
  return {type, bytes};
}

TEST(StoredNumber, IsFourLittleEndianBytesOfTheNumberTypeOnly) {
  EXPECT_THAT(StoredValue::Number(0x12345678).bytes, ElementsAre(0x78, 0x56, 0x34, 0x12));
  const StoredValue number = StoredValue::Number(-5);
  EXPECT_EQ(NumberOr(&number, 7), -5);
  const StoredValue shortNumber = Raw(kStoredNumber, {1, 2, 3});
  const StoredValue longNumber = Raw(kStoredNumber, {1, 0, 0, 0, 0});
  const StoredValue quadWord = Raw(11, {1, 0, 0, 0, 0, 0, 0, 0});
  const StoredValue binary = Raw(3, {1, 0, 0, 0});
  const StoredValue text = StoredValue::Text(u"55");
  for (const StoredValue* wrong : {&shortNumber, &longNumber, &quadWord, &binary, &text}) {
    EXPECT_EQ(NumberOr(wrong, 7), 7);
  }
  EXPECT_EQ(NumberOr(nullptr, 7), 7);
}

TEST(StoredText, EndsAtItsFirstZeroUnitWhileTheWholeTextKeepsInnerOnes) {
  EXPECT_THAT(StoredValue::Text(u"ab").bytes, ElementsAre('a', 0, 'b', 0, 0, 0));
  const StoredValue inner = StoredValue::Text(std::u16string(u"a\0b", 3));
  EXPECT_EQ(TextOr(&inner, u"-"), u"a");
  EXPECT_EQ(WholeTextOr(&inner, u"-"), std::u16string(u"a\0b", 3));

  const StoredValue unterminated = Raw(kStoredText, {'a', 0, 'b', 0});
  EXPECT_EQ(TextOr(&unterminated, u"-"), u"ab");
  EXPECT_EQ(WholeTextOr(&unterminated, u"-"), u"ab");
  const StoredValue oddLength = Raw(kStoredText, {'a', 0, 'b'});
  EXPECT_EQ(TextOr(&oddLength, u"-"), u"a") << "half a unit is no unit";
  const StoredValue twoZeros = Raw(kStoredText, {'a', 0, 0, 0, 0, 0});
  EXPECT_EQ(WholeTextOr(&twoZeros, u"-"), std::u16string(u"a\0", 2)) << "only the end is dropped";
  const StoredValue empty = Raw(kStoredText, {});
  EXPECT_EQ(TextOr(&empty, u"-"), u"");

  const StoredValue expandable = Raw(2, {'a', 0, 0, 0});
  const StoredValue number = StoredValue::Number(1);
  for (const StoredValue* wrong : {&expandable, &number}) {
    EXPECT_EQ(TextOr(wrong, u"-"), u"-");
    EXPECT_EQ(WholeTextOr(wrong, u"-"), u"-");
  }
  EXPECT_EQ(TextOr(nullptr, u"-"), u"-");
}

TEST(StoredSettings, OfAnotherTypeOrSizeShowTheirDefaults) {
  MemoryProfile profile;
  profile.Store(kSettingSection, kWarningTemperature.name, StoredValue::Text(u"60"));
  profile.Store(kSettingSection, kCheckInterval.name, Raw(kStoredNumber, {9, 0}));
  profile.Store(kSettingSection, kDeviceLog.name, StoredValue::Number(0));
  SlotTable table;
  MonitorHooks host;
  SettingsPageCore page(profile, table, host);
  const SettingsForm form = page.LoadSettings();
  EXPECT_THAT(form.numbers, ElementsAre(u"50", u"2", u"3"));
  EXPECT_FALSE(form.deviceLog) << "a value of the right type still counts";
}

}  // namespace
}  // namespace monitor
