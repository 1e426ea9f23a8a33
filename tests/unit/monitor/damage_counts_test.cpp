#include "monitor/store/damage_counts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "common/nvme_health.h"
#include "common/smart_attributes.h"
#include "monitor/drive_value_name.h"
#include "monitor/store/accepted_values.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using C = DamageCounter;

// An ATA record with the given attributes (ID, value, raw) and thresholds
// of 36 for 5 and 10 for 1.
struct Attribute {
  std::uint8_t id, value;
  std::uint64_t raw;
};
ardmon::TempInfoRecord AtaRecord(std::initializer_list<Attribute> attributes,
                                 std::uint8_t health = ardmon::kHealthCaution) {
  ardmon::TempInfoRecord record{};
  record.SmartSupported = record.AttributesOk = 1;
  record.HealthStatus = health;
  std::strcpy(record.ModelNumber, "TESSERA TS1000  ");
  std::strcpy(record.SerialNumber, "  Z1E2  ");
  std::size_t i = 0;
  for (const Attribute& a : attributes) {
    std::uint8_t* entry = record.AttributeData + ardmon::kSmartTableStart + i * 12;
    std::uint8_t* threshold = record.ThresholdData + ardmon::kSmartTableStart + i++ * 12;
    entry[0] = threshold[0] = a.id;
    entry[3] = entry[4] = a.value;
    for (int b = 0; b < 6; ++b) entry[5 + b] = static_cast<std::uint8_t>(a.raw >> (8 * b));
    threshold[1] = a.id == 5 ? 36 : 10;
  }
  return record;
}

TEST(DamageCounts, AtaCountsTakeRawBytesZeroToThreeOfTheSectorCounters) {
  const auto record =
      AtaRecord({{1, 100, 0xFFFF}, {5, 100, 0x00'AB'00000010}, {197, 100, 0}, {198, 100, 3}});
  EXPECT_EQ(CountsOf(record),
            (DamageCounts{{C::kReallocated, 0x10}, {C::kPending, 0}, {C::kUncorrectable, 3}}));
  EXPECT_EQ(DriveValueNameOf(record), u"TESSERA TS1000   Z1E2");
}

TEST(DamageCounts, NvmeCountsAreMediaErrorsWarningBitsAndWear) {
  ardmon::TempInfoRecord record{};
  record.SmartSupported = record.AttributesOk = 1;
  record.NvmeData = ardmon::nvme::kNvmeRecord;
  ardmon::nvme::WriteHealthField(record.AttributeData, ardmon::nvme::HealthField::MediaErrors, 7);
  ardmon::nvme::WriteHealthField(record.AttributeData, ardmon::nvme::HealthField::CriticalWarning,
                                 2);
  ardmon::nvme::WriteHealthField(record.AttributeData, ardmon::nvme::HealthField::PercentageUsed,
                                 81);
  EXPECT_EQ(
      CountsOf(record),
      (DamageCounts{{C::kMediaErrors, 7}, {C::kCriticalWarning, 2}, {C::kPercentageUsed, 81}}));
  record.AttributesOk = 0;
  EXPECT_THAT(CountsOf(record), IsEmpty());
}

TEST(DamageCounts, TextHoldsKeyCountPairsAndRejectsAnythingElse) {
  const DamageCounts counts{{C::kReallocated, 8}, {C::kPending, 0}, {C::kUncorrectable, 0}};
  EXPECT_EQ(CountsText(counts), u"5=8 197=0 198=0");
  EXPECT_EQ(ParseCounts(u"5=8 197=0 198=0"), counts);
  EXPECT_EQ(ParseCounts(u"media=1  used=90"),
            (DamageCounts{{C::kMediaErrors, 1}, {C::kPercentageUsed, 90}}));
  for (const char16_t* bad : {u"5=", u"5", u"7=1", u"5=-1", u"5=8x", u"5=99999999999999999999"}) {
    EXPECT_EQ(ParseCounts(bad), std::nullopt) << std::string(bad, bad + 3);
  }
}

TEST(DamageCounts, EachWorseningIsOneEvent) {
  struct Case {
    C counter;
    std::optional<std::uint64_t> before;
    std::uint64_t now;
    bool raised;
  } cases[] = {
      {C::kReallocated, 8, 16, true},      {C::kReallocated, 16, 8, false},
      {C::kReallocated, 8, 8, false},      {C::kReallocated, std::nullopt, 8, false},
      {C::kPending, 0, 1, true},           {C::kUncorrectable, 2, 3, true},
      {C::kMediaErrors, 0, 1, true},       {C::kMediaErrors, 5, 4, false},
      {C::kCriticalWarning, 2, 6, true},   {C::kCriticalWarning, 6, 2, false},
      {C::kCriticalWarning, 6, 6, false},  {C::kPercentageUsed, 79, 80, true},
      {C::kPercentageUsed, 80, 89, false}, {C::kPercentageUsed, 89, 95, true},
      {C::kPercentageUsed, 70, 101, true}, {C::kPercentageUsed, 100, 140, false},
      {C::kPercentageUsed, 95, 90, false}, {C::kPercentageUsed, std::nullopt, 95, false},
  };
  for (const Case& c : cases) {
    DamageCounts before;
    if (c.before) before[c.counter] = *c.before;
    const auto worse = Worsenings(before, {{c.counter, c.now}});
    EXPECT_EQ(worse.size(), c.raised ? 1u : 0u)
        << static_cast<int>(c.counter) << " " << c.before.value_or(-1) << " -> " << c.now;
  }
  const auto worse = Worsenings({{C::kReallocated, 8}, {C::kPending, 1}},
                                {{C::kReallocated, 16}, {C::kPending, 1}});
  ASSERT_EQ(worse.size(), 1u);
  EXPECT_EQ(WorseningText(worse[0], u"Reallocated Sectors Count"),
            u"Reallocated Sectors Count 8 -> 16");
}

TEST(AcceptedValues, AcceptedCountsShowGoodUntilOneRisesAboveAndNeverHideBad) {
  const DamageCounts accepted{{C::kReallocated, 16}, {C::kPending, 0}, {C::kUncorrectable, 0}};
  struct Case {
    const char* what;
    ardmon::TempInfoRecord record;
    DamageCounts accepted;
    ShownHealth shown;
  } cases[] = {
      {"at the accepted count",
       AtaRecord({{5, 100, 16}, {197, 100, 0}}),
       accepted,
       {ardmon::kHealthGood, true}},
      {"below it", AtaRecord({{5, 100, 9}}), accepted, {ardmon::kHealthGood, true}},
      {"risen above", AtaRecord({{5, 100, 17}}), accepted, {ardmon::kHealthCaution, false}},
      {"another counter counts",
       AtaRecord({{5, 100, 16}, {197, 100, 1}}),
       accepted,
       {ardmon::kHealthCaution, false}},
      {"nothing accepted", AtaRecord({{5, 100, 16}}), {}, {ardmon::kHealthCaution, false}},
      {"Bad", AtaRecord({{5, 30, 16}}, ardmon::kHealthBad), accepted, {ardmon::kHealthBad, false}},
      {"Good anyway",
       AtaRecord({{5, 100, 0}}, ardmon::kHealthGood),
       accepted,
       {ardmon::kHealthGood, false}},
  };
  for (const Case& c : cases) {
    const ShownHealth shown = HealthShown(c.record, c.record.HealthStatus, c.accepted);
    EXPECT_EQ(shown.status, c.shown.status) << c.what;
    EXPECT_EQ(shown.accepted, c.shown.accepted) << c.what;
  }
  ardmon::TempInfoRecord nvme = AtaRecord({});
  nvme.NvmeData = ardmon::nvme::kNvmeRecord;
  EXPECT_FALSE(CanAccept(nvme, ardmon::kHealthCaution));
}

}  // namespace
}  // namespace monitor
