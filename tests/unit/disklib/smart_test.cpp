#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "common/wire_records.h"
#include "disklib/disklib.h"

namespace disklib {
namespace {

struct Tables {
  std::array<std::uint8_t, 512> attributes{};
  std::array<std::uint8_t, 512> thresholds{};

  // Entry i of both tables, the raw count least significant byte first.
  Tables& Set(int i, std::uint8_t id, std::uint8_t value, std::uint64_t raw,
              std::uint8_t threshold) {
    std::uint8_t* a = attributes.data() + 2 + 12 * i;
    a[0] = id;
    a[3] = value;
    a[4] = value;
    for (int b = 0; b < 6; ++b) a[5 + b] = static_cast<std::uint8_t>(raw >> (8 * b));
    std::uint8_t* t = thresholds.data() + 2 + 12 * i;
    t[0] = id;
    t[1] = threshold;
    return *this;
  }
  SmartVerdict Evaluate() const { return EvaluateSmart(attributes.data(), thresholds.data()); }
};

std::uint8_t TemperatureOf(std::uint64_t raw) {
  return Tables().Set(0, 194, 100, raw, 0).Evaluate().temperature;
}

TEST(EvaluateSmart, ReadsTheTemperatureInWholeDegreesOrTenths) {
  EXPECT_EQ(TemperatureOf(0x28), 40);
  EXPECT_EQ(TemperatureOf(0x01C2), 45);  // 450 tenths
  EXPECT_EQ(TemperatureOf(70), 70);
  EXPECT_EQ(TemperatureOf(75), 7);  // from 71 on, tenths
  EXPECT_EQ(TemperatureOf(1000), 100);
  EXPECT_EQ(TemperatureOf(1010), 0);           // 101 is not plausible
  EXPECT_EQ(TemperatureOf(0x2A0000001E), 30);  // bytes beyond the second are ignored
  EXPECT_EQ(TemperatureOf(0), 0);
}

TEST(EvaluateSmart, ZeroRawKeepsAnEarlierTemperature) {
  Tables t;
  t.Set(0, 194, 100, 35, 0).Set(1, 194, 100, 0, 0);
  EXPECT_EQ(t.Evaluate().temperature, 35);
}

TEST(EvaluateSmart, AllZeroTablesAreGoodWithNothingElse) {
  const SmartVerdict v = Tables().Evaluate();
  EXPECT_EQ(v.status, ardmon::kHealthGood);
  EXPECT_EQ(v.temperature, 0);
  EXPECT_EQ(v.powerOnHours, 0u);
}

TEST(EvaluateSmart, PowerOnHoursAreTheLowFourRawBytes) {
  EXPECT_EQ(Tables().Set(3, 9, 90, 0x0000BB00A1B2C3D4ull, 0).Evaluate().powerOnHours, 0xA1B2C3D4u);
}

TEST(EvaluateSmart, SectorCountersRaiseCautionUnlessBad) {
  EXPECT_EQ(Tables().Set(0, 5, 100, 3, 36).Evaluate().status, ardmon::kHealthCaution);
  EXPECT_EQ(Tables().Set(0, 198, 100, 0x10000, 0).Evaluate().status, ardmon::kHealthGood)
      << "only raw bytes 0-1 count";
  EXPECT_EQ(Tables().Set(0, 5, 100, 3, 36).Set(1, 10, 20, 0, 20).Evaluate().status,
            ardmon::kHealthBad);
  EXPECT_EQ(Tables().Set(0, 1, 6, 0, 6).Set(1, 197, 100, 1, 0).Evaluate().status,
            ardmon::kHealthBad);
  EXPECT_EQ(Tables().Set(0, 197, 30, 8, 40).Evaluate().status, ardmon::kHealthBad)
      << "a counter failing its threshold is bad, not caution";
}

TEST(EvaluateSmart, ThresholdsJudgeOnlyKnownIds) {
  EXPECT_EQ(Tables().Set(0, 1, 0, 0, 0).Evaluate().status, ardmon::kHealthGood)
      << "a zero threshold never fails";
  EXPECT_EQ(Tables().Set(0, 254, 51, 0, 51).Evaluate().status, ardmon::kHealthBad);
  EXPECT_EQ(Tables().Set(0, 190, 10, 0, 45).Evaluate().status, ardmon::kHealthGood)
      << "190 is not evaluated";
  EXPECT_EQ(Tables().Set(0, 9, 1, 5, 2).Evaluate().status, ardmon::kHealthBad);
  EXPECT_EQ(Tables().Set(0, 194, 20, 40, 25).Evaluate().status, ardmon::kHealthBad);
}

TEST(EvaluateSmart, PairsWithDifferentIdsOrIdZeroAreSkipped) {
  Tables t;
  t.Set(0, 194, 100, 40, 0).Set(1, 5, 1, 9, 10);
  t.thresholds[2 + 0] = 5;  // entry 0 now pairs 194 with a threshold for 5
  t.thresholds[2 + 12] = 194;
  const SmartVerdict v = t.Evaluate();
  EXPECT_EQ(v.temperature, 0);
  EXPECT_EQ(v.status, ardmon::kHealthGood);

  Tables zero;
  zero.Set(0, 0, 0, 9, 10);
  EXPECT_EQ(zero.Evaluate().status, ardmon::kHealthGood);
}

TEST(EvaluateSmart, ReadsAllThirtyEntries) {
  EXPECT_EQ(Tables().Set(29, 194, 100, 33, 0).Evaluate().temperature, 33);
}

}  // namespace
}  // namespace disklib
