#include "monitor/pages/smart_list.h"

#include <gmock/gmock.h>

#include <algorithm>

#include "common/drive_facts.h"
#include "common/nvme_health.h"
#include "common/smart_attributes.h"
#include "common/smart_evaluation.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const ardmon::TableStrings kEnglish{ardmon::Language::English};
const ardmon::TableStrings kJapanese{ardmon::Language::Japanese};
const SlotTable kNoDrive;

class SmartListTest : public ::testing::Test {
 protected:
  SlotTable table;
  ardmon::TempInfoRecord& record = table.slots[2].slotRecord.Temp;

  void SetUp() override {
    table.slots[2].slotRecord.Present = 1;
    record.SmartSupported = 1;
    table.selectedSlot = 2;
  }
  // Entry i of both sectors; a different threshold ID when asked.
  void Set(int i, std::uint8_t id, std::uint8_t value, std::uint64_t raw, std::uint8_t threshold,
           std::uint8_t thresholdId = 0) {
    std::uint8_t* a = record.AttributeData + 2 + 12 * i;
    a[0] = id;
    a[3] = value;
    a[4] = static_cast<std::uint8_t>(value - 1);
    for (int b = 0; b < 6; ++b) a[5 + b] = static_cast<std::uint8_t>(raw >> (8 * b));
    std::uint8_t* t = record.ThresholdData + 2 + 12 * i;
    t[0] = thresholdId ? thresholdId : id;
    t[1] = threshold;
  }
  std::vector<std::uint32_t> ItemData() const {
    std::vector<std::uint32_t> data;
    for (const AttributeRow& row : AttributeRows(table, kEnglish)) data.push_back(row.itemData);
    return data;
  }
  std::uint8_t DriveHealth() const { return ardmon::EvaluateSmart(record).status; }
};

TEST_F(SmartListTest, RowsShowEachEntryInSectorOrder) {
  Set(0, 0xC2, 100, 0x2A0000001E, 0);
  Set(3, 0x01, 200, 0, 51);
  Set(5, 0xFF, 253, 0xFFFFFFFFFFFF, 0);
  const std::vector<AttributeRow> rows = AttributeRows(table, kEnglish);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_THAT(rows[0].cells,
              ElementsAre(u"C2", u"Temperature", u"100", u"99", u"0", u"180388626462"));
  EXPECT_THAT(rows[1].cells, ElementsAre(u"01", u"Read Error Rate", u"200", u"199", u"51", u"0"));
  EXPECT_THAT(rows[2].cells, ElementsAre(u"FF", u"Unknown because of vendor unique.", u"253",
                                         u"252", u"0", u"281474976710655"));
  EXPECT_EQ(AttributeRows(table, kJapanese)[1].cells[1], kJapanese.Get(IDS_ATTR_NAME_01));
}

TEST_F(SmartListTest, VerdictsFollowTheThresholdAndTheSectorCounters) {
  Set(0, 1, 51, 0, 51);       // at the threshold: bad
  Set(1, 3, 52, 0, 51);       // one above: good
  Set(2, 4, 1, 0, 0);         // threshold 0 never fails
  Set(3, 5, 100, 65536, 36);  // low 16 bits zero: good
  Set(4, 197, 100, 1, 0);     // pending sector: caution
  Set(5, 198, 100, 256, 0);   // second raw byte counts too
  Set(6, 9, 100, 70000, 0);   // hours are not a warning
  Set(7, 14, 1, 0, 200);      // not a known attribute: not judged
  EXPECT_THAT(ItemData(),
              ElementsAre(0x0000FF00u | 1, 0xFFFFFF00u | 3, 0xFFFFFF00u | 4, 0xFFFFFF00u | 5,
                          0x00FFFF00u | 197, 0x00FFFF00u | 198, 0xFFFFFF00u | 9, 0xFFFFFF00u | 14));
  EXPECT_EQ(DriveHealth(), ardmon::kHealthBad);
}

TEST_F(SmartListTest, EveryRowColourAgreesWithTheDriveHealth) {
  Set(0, 197, 100, 1, 0);
  EXPECT_EQ(DriveHealth(), ardmon::kHealthCaution);
  EXPECT_THAT(ItemData(), ElementsAre(0x00FFFF00u | 197));
}

// Drives that list their thresholds in another order, or fewer of them,
// still show each attribute with its own threshold.
TEST_F(SmartListTest, EveryAttributeShowsTheThresholdWithItsId) {
  Set(0, 5, 100, 0, 36, /*thresholdId=*/9);
  Set(1, 9, 30, 0, 0, /*thresholdId=*/5);
  Set(2, 0, 100, 0, 0);
  const std::vector<AttributeRow> rows = AttributeRows(table, kEnglish);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].cells[4], u"0");
  EXPECT_EQ(rows[1].cells[4], u"36");
  EXPECT_THAT(ItemData(), ElementsAre(0xFFFFFF00u | 5, 0x00FFFF00u | 9));
}

TEST_F(SmartListTest, NoRowsWithoutADiskOrWithoutSmart) {
  Set(0, 1, 100, 0, 0);
  record.SmartSupported = 0;
  EXPECT_THAT(ItemData(), IsEmpty());
  record.SmartSupported = 1;
  for (int slot : {26, 1}) {
    table.selectedSlot = slot;
    EXPECT_THAT(ItemData(), IsEmpty()) << slot;
  }
}

TEST(SmartRows, DrawGoodRowsWithoutAColourOfTheirOwn) {
  EXPECT_EQ(RowBackground(0xFFFFFF00u | 5), 0xFFFFFFFFu);  // the list's "no colour"
  EXPECT_EQ(RowBackground(0x00FFFF00u | 5), 0x00FFFFu);
  EXPECT_EQ(RowBackground(0x0000FF00u | 5), 0x0000FFu);
}

TEST(AttributeDescriptions, FollowTheIdExceptForIdSixAndUnknownIds) {
  EXPECT_EQ(AttributeDescription(kNoDrive, 0xFFFFFF00u | 5, kEnglish), kEnglish.Get(260));
  EXPECT_EQ(AttributeDescription(kNoDrive, 0x0000FF00u | 254, kEnglish), kEnglish.Get(509));
  for (std::uint8_t id : {6, 14, 255}) {
    EXPECT_EQ(AttributeDescriptionId(id), IDS_ATTR_DESC_NONE) << int(id);
    EXPECT_EQ(AttributeDescription(kNoDrive, 0xFFFFFF00u | id, kEnglish), u"") << int(id);
    EXPECT_EQ(AttributeDescription(kNoDrive, 0xFFFFFF00u | id, kJapanese), kJapanese.Get(510))
        << int(id);
  }
  EXPECT_EQ(AttributeDescription(kNoDrive, std::nullopt, kJapanese), u"");
}

TEST(AttributeNames, EveryKnownAttributeHasANameAndADescriptionInBothLanguages) {
  for (const ardmon::KnownAttribute& known : ardmon::kKnownAttributes) {
    EXPECT_EQ(ardmon::AttributeNameId(known.id), known.nameString);
    EXPECT_NE(kEnglish.Get(known.nameString), u"") << int(known.id);
    EXPECT_NE(kJapanese.Get(known.nameString), u"") << int(known.id);
    EXPECT_NE(kJapanese.Get(AttributeDescriptionId(known.id)), u"") << int(known.id);
    if (known.id != 6) {
      EXPECT_NE(kEnglish.Get(AttributeDescriptionId(known.id)), u"") << int(known.id);
    }
  }
  EXPECT_EQ(std::size(ardmon::kKnownAttributes), 49u);
  EXPECT_EQ(ardmon::AttributeNameId(189), IDS_ATTR_NAME_VENDOR);
}

class NvmeRowsTest : public SmartListTest {
 protected:
  void SetUp() override {
    SmartListTest::SetUp();
    record.NvmeData = ardmon::nvme::kNvmeRecord;
    record.AttributesOk = 1;
    Log(HealthField::CompositeTemperature, 311);
    Log(HealthField::AvailableSpare, 100);
    Log(HealthField::AvailableSpareThreshold, 10);
    Log(HealthField::PowerOnHours, 8123);
  }
  using HealthField = ardmon::nvme::HealthField;
  void Log(HealthField field, std::uint64_t value) {
    ardmon::nvme::WriteHealthField(record.AttributeData, field, value);
  }
  std::vector<std::uint32_t> Colours() const {
    std::vector<std::uint32_t> colours;
    for (std::uint32_t data : ItemData()) colours.push_back(data >> 8);
    return colours;
  }
};

TEST_F(NvmeRowsTest, ShowEveryFieldOfTheHealthLogInLogOrder) {
  const std::vector<AttributeRow> rows = AttributeRows(table, kEnglish);
  ASSERT_EQ(rows.size(), ardmon::nvme::kHealthFieldCount);
  EXPECT_THAT(rows[1].cells, ElementsAre(u"01", u"Composite Temperature", u"38", u"", u"", u"311"));
  EXPECT_THAT(rows[2].cells, ElementsAre(u"03", u"Available Spare", u"100", u"", u"10", u"100"));
  EXPECT_THAT(rows[11].cells, ElementsAre(u"80", u"Power On Hours", u"", u"", u"", u"8123"));
  EXPECT_EQ(rows[1].itemData, 0xFFFFFF00u | 2);
  EXPECT_EQ(AttributeRows(table, kJapanese)[1].cells[1],
            kJapanese.Get(IDS_NVME_NAME_COMPOSITE_TEMPERATURE));

  Log(HealthField::CompositeTemperature, 0);
  EXPECT_EQ(AttributeRows(table, kEnglish)[1].cells[2], u"") << "no reading";
  record.AttributesOk = 0;
  EXPECT_THAT(ItemData(), IsEmpty()) << "a log never read is not a list of zeros";
}

TEST_F(NvmeRowsTest, ColourTheFieldsThatMakeTheDriveCautionOrBad) {
  const std::vector<std::uint32_t> allGood = Colours();
  EXPECT_EQ(std::count(allGood.begin(), allGood.end(), kGoodRowColour), 15);
  Log(HealthField::MediaErrors, 1);
  Log(HealthField::PercentageUsed, 90);
  EXPECT_EQ(Colours()[13], kCautionRowColour);
  EXPECT_EQ(Colours()[4], kCautionRowColour);
  EXPECT_EQ(ardmon::nvme::EvaluateHealthLog(record.AttributeData), ardmon::kHealthCaution);
  Log(HealthField::CriticalWarning, ardmon::nvme::kWarningTemperature);
  EXPECT_EQ(Colours()[0], kCautionRowColour);
  Log(HealthField::CriticalWarning, ardmon::nvme::kWarningReadOnly);
  EXPECT_EQ(Colours()[0], kBadRowColour);
  Log(HealthField::CriticalWarning, 0);
  Log(HealthField::AvailableSpare, 9);
  EXPECT_EQ(Colours()[2], kBadRowColour);
  EXPECT_EQ(ardmon::nvme::EvaluateHealthLog(record.AttributeData), ardmon::kHealthBad);
}

TEST_F(NvmeRowsTest, DescribeTheMarkedField) {
  const auto rows = AttributeRows(table, kEnglish);
  EXPECT_EQ(AttributeDescription(table, rows[4].itemData, kEnglish),
            kEnglish.Get(IDS_NVME_DESC_PERCENTAGE_USED));
  EXPECT_EQ(AttributeDescription(table, 0xFFFFFF00u | 5, kEnglish),
            kEnglish.Get(IDS_NVME_DESC_PERCENTAGE_USED))
      << "field 5, not ATA attribute 5";
  EXPECT_EQ(AttributeDescription(table, 0xFFFFFF00u | 16, kEnglish), u"");
  for (unsigned field = 0; field < ardmon::nvme::kHealthFieldCount; ++field) {
    for (const ardmon::TableStrings* strings : {&kEnglish, &kJapanese}) {
      EXPECT_NE(strings->Get(IDS_NVME_NAME_CRITICAL_WARNING + field), u"") << field;
      EXPECT_NE(strings->Get(IDS_NVME_DESC_CRITICAL_WARNING + field), u"") << field;
    }
  }
}

TEST(SmartColumns, TakeTheirShareOfTheListWidth) {
  EXPECT_THAT(SmartColumnWidths(480), ElementsAre(40, 160, 60, 60, 60, 80));
  EXPECT_THAT(SmartColumnWidths(437), ElementsAre(36, 145, 54, 54, 54, 72));
}

}  // namespace
}  // namespace monitor
