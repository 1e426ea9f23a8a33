#include "resources/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace ardmon {
namespace {

// Other code and the resource script use these by name.
static_assert(IDS_ADD == 190 && IDS_REMOVE == 191 && IDS_TAB_MAIL == 195);
static_assert(IDS_TAB_HDD_INFO == 201 && IDS_TAB_SMART == 202 && IDS_TAB_SETTING == 203 &&
              IDS_TAB_LOG == 204 && IDS_TAB_GRAPH == 205 && IDS_NO_VALUE == 206);
static_assert(IDS_COLUMN_DRIVE == 207 && IDS_COLUMN_MODEL == 208 && IDS_COLUMN_CAPACITY == 209 &&
              IDS_COLUMN_TEMPERATURE == 213 && IDS_COLUMN_HEALTH == 214);
static_assert(IDS_HEALTH_GOOD == 226 && IDS_HEALTH_CAUTION == 227 && IDS_HEALTH_BAD == 228 &&
              IDS_SMART_SUPPORTED == 229 && IDS_SMART_UNSUPPORTED == 230);
static_assert(IDS_RESTART_QUESTION == 243 && IDS_APPLY_QUESTION == 244 &&
              IDS_OVER_TEMPERATURE == 246 && IDS_HEALTH_IS_BAD == 247 &&
              IDS_HEALTH_IS_CAUTION == 248 && IDS_SERVICE_NOT_STARTED == 250 &&
              IDS_UNKNOWN == 255 && IDS_APP_TITLE == 57344);
static_assert(IDD_MAIN == 100 && IDC_DRIVE_LIST == 140 && IDC_TAB == 108 && IDC_PAGE_FRAME == 159 &&
              IDR_TRAY_MENU == 128 && IDI_APP == 128 && IDI_APP_WARNING == 129);
static_assert(ID_TRAY_INFO == 32771 && ID_TRAY_MAIL == 32776 && ID_TRAY_EXIT == 32778);
static_assert(IDD_PAGE_HDD_INFO == 105 && IDD_PAGE_SMART == 102 && IDD_PAGE_SETTING == 101 &&
              IDD_PAGE_LOG == 103 && IDD_PAGE_GRAPH == 104 && IDD_PAGE_MAIL == 106);

// Strings the English set leaves out on purpose.
const std::set<unsigned> kJapaneseOnly = {IDS_ATTR_DESC_NONE};

// S.M.A.R.T. attributes that have a name of their own.
const std::vector<unsigned> kKnownAttributes = {
    1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  187, 188, 191, 192,
    193, 194, 195, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209,
    211, 212, 220, 221, 222, 223, 224, 225, 226, 227, 228, 230, 231, 250, 254};

TEST(StringTable, IsSortedWithEachIdOnceAndJapaneseForAll) {
  ASSERT_GT(kStringTableSize, 0u);
  for (std::size_t i = 0; i < kStringTableSize; ++i) {
    const StringTableEntry& e = kStringTable[i];
    if (i > 0) {
      EXPECT_LT(kStringTable[i - 1].id, e.id) << "lookup needs ascending ids";
    }
    ASSERT_NE(e.japanese, nullptr) << e.id;
    EXPECT_NE(e.japanese[0], u'\0') << e.id;
    EXPECT_EQ(e.english == nullptr, kJapaneseOnly.count(e.id) == 1) << e.id;
    if (e.english) {
      EXPECT_NE(e.english[0], u'\0') << e.id;
    }
  }
}

TEST(EnglishStrings, ExactWhereTheProgramShowsOrComposesThem) {
  TableStrings en(Language::English);
  EXPECT_EQ(en.Get(IDS_RESTART_QUESTION),
            u"R.E.Z.O.Z. Ezuveda registered service to get SATA S.M.A.R.T. information. \n"
            u"It is necessary to restart for the change to take effect. Is it OK?");
  EXPECT_EQ(en.Get(IDS_HEALTH_IS_BAD), u"HealthStatus is \"Bad\".");
  EXPECT_EQ(en.Get(IDS_HEALTH_IS_CAUTION), u"HealthStatus is \"Caution\".");
  EXPECT_EQ(en.Get(IDS_OVER_TEMPERATURE), u"It is higher than the setting.");
  EXPECT_EQ(en.Get(IDS_APPLY_QUESTION), u"Change has not taken effect. Would you like to apply?");
  EXPECT_EQ(en.Get(IDS_SERVICE_NOT_STARTED), u"TempService does not start.");
  EXPECT_EQ(en.Get(IDS_MAIL_SEND_FAILED), u"sending mail failed ") << "ends in one blank";
  EXPECT_EQ(en.Get(IDS_MAIL_AUTH_FAILED), u"authentication failed.");
  EXPECT_EQ(en.Get(IDS_APP_TITLE), u"Quenby");
  EXPECT_EQ(en.Get(IDS_NO_VALUE), u"--");
  EXPECT_EQ(en.Get(IDS_UNKNOWN), u"Unknown");
  EXPECT_EQ(en.Get(IDS_TAB_HDD_INFO), u"HDD information");
  EXPECT_EQ(en.Get(IDS_TIME_MINUTE), u"Time(minute)");
  EXPECT_EQ(en.Get(IDS_CHECK_INTERVAL_TOO_SMALL), u"Please set more than 1.(Check Interval)");
  // Descriptions keep their odd spacing and trailing line break.
  EXPECT_EQ(
      en.Get(255 + 2),
      u"Overall throughput performance of HDD.\nIf Value is lower than Threshold, there might "
      u"be a problem with performance.\n");
  EXPECT_NE(en.Get(255 + 5).find(u"reserved area.If Value shows 100"), std::u16string::npos);
  EXPECT_EQ(en.Get(IDS_ATTR_NAME_E2), u"Load 'In'-time");
}

TEST(AttributeStrings, EveryKnownAttributeHasANameAndADescription) {
  TableStrings en(Language::English);
  TableStrings ja(Language::Japanese);
  std::set<std::u16string> japanese_vendor_descriptions;
  for (unsigned id : kKnownAttributes) {
    if (id != 6) {
      EXPECT_FALSE(en.Get(255 + id).empty()) << id;
      if (id >= 201) {
        EXPECT_EQ(en.Get(255 + id), u"Unknown because of vendor unique.") << id;
        EXPECT_TRUE(japanese_vendor_descriptions.insert(ja.Get(255 + id)).second)
            << "the Japanese set explains attribute " << id << " on its own";
      }
    }
  }
  // The unnamed attributes share one name; in English none has a description.
  EXPECT_EQ(en.Get(IDS_ATTR_NAME_VENDOR), u"Unknown because of vendor unique.");
  EXPECT_EQ(en.Get(IDS_ATTR_DESC_NONE), u"");
  EXPECT_NE(ja.Get(IDS_ATTR_DESC_NONE), u"");
  EXPECT_EQ(en.Get(IDS_ATTR_NAME_C2), u"Temperature");
  EXPECT_EQ(en.Get(IDS_ATTR_NAME_E7), u"Temperature");
}

TEST(JapaneseStrings, AreTranslatedExceptForSymbols) {
  // The mail choices are protocol names in both sets.
  const std::set<unsigned> same_in_both = {IDS_TAB_SMART,
                                           IDS_NO_VALUE,
                                           IDS_SMART_COLUMN_ID,
                                           IDS_MAIL_CHOICE_NONE,
                                           IDS_MAIL_CHOICE_POP_BEFORE_SMTP,
                                           IDS_MAIL_CHOICE_SMTP_OVER_SSL,
                                           IDS_MAIL_CHOICE_STARTTLS};
  for (std::size_t i = 0; i < kStringTableSize; ++i) {
    const StringTableEntry& e = kStringTable[i];
    if (!e.english) continue;
    EXPECT_EQ(std::u16string(e.english) == e.japanese, same_in_both.count(e.id) == 1) << e.id;
  }
  TableStrings ja(Language::Japanese);
  EXPECT_EQ(ja.Get(IDS_APP_TITLE), u"クエンビー");
  EXPECT_EQ(ja.Get(IDS_HEALTH_GOOD), u"正常");
  const std::u16string restart = ja.Get(IDS_RESTART_QUESTION);
  EXPECT_EQ(std::count(restart.begin(), restart.end(), u'\n'), 1) << "a question of two lines";
}

TEST(TableStrings, MissingStringsAreEmpty) {
  for (Language language : {Language::English, Language::Japanese}) {
    TableStrings strings(language);
    EXPECT_EQ(strings.Get(0), u"");
    EXPECT_EQ(strings.Get(192), u"") << "between two strings of one block";
    EXPECT_EQ(strings.Get(70000), u"");
  }
  EXPECT_EQ(TableStrings(Language::English).Get(IDS_ATTR_DESC_NONE), u"");
}

}  // namespace
}  // namespace ardmon
