#include "common/smart_evaluation.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace ardmon {
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
  SmartVerdict Evaluate(const DriveFamily* family = nullptr) const {
    return EvaluateSmart(attributes.data(), thresholds.data(), family);
  }
};

const DriveFamily& FamilyNamed(const char* model, const char* firmware = "") {
  const DriveFamily* family = FindDriveFamily(model, firmware);
  EXPECT_NE(family, nullptr) << model;
  return family ? *family : kDriveFamilies[0];
}

std::uint8_t TemperatureOf(std::uint64_t raw, bool inTenths = false) {
  std::uint8_t bytes[6];
  for (int b = 0; b < 6; ++b) bytes[b] = static_cast<std::uint8_t>(raw >> (8 * b));
  return TemperatureFromRaw(bytes, inTenths);
}

TEST(TemperatureFromRaw, ReadsWholeDegreesInByteZeroElseTenths) {
  const struct {
    std::uint64_t raw;
    bool inTenths;
    std::uint8_t celsius;
  } cases[] = {
      {0x28, false, 40},
      {0x01C2, false, 45},  // 450 tenths: byte 0 above 100
      // A drive at 75 degrees reads 75, no longer 7 (whole degrees go to 100).
      {75, false, 75},
      {100, false, 100},
      {1000, false, 100},  // 1000 tenths
      {1010, false, 0},    // 101.0 degrees: a misreading
      {0x2A0000001E, false, 30},
      // The lowest (16h) and highest (2Dh) temperature packed above the
      // current 39 degrees: once read as 570 tenths, so none.
      {0x2D1627, false, 39},
      {0x0300, false, 0},  // no degrees in byte 0
      {0, false, 0},
      {350, true, 35},  // a family that counts tenths
      {1010, true, 0},
      {5, true, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TemperatureOf(c.raw, c.inTenths), c.celsius) << std::hex << c.raw;
  }
}

TEST(EvaluateSmart, TakesTheTemperatureFrom194ElseFrom190) {
  EXPECT_EQ(Tables().Set(0, 190, 65, 35, 45).Set(1, 194, 100, 40, 0).Evaluate().temperature, 40);
  EXPECT_EQ(Tables().Set(0, 194, 100, 0, 0).Set(1, 190, 65, 35, 0).Evaluate().temperature, 35)
      << "194 reads none, as on many SSDs";
  EXPECT_EQ(Tables().Set(0, 190, 65, 0x29, 0).Evaluate().temperature, 41);
  EXPECT_EQ(Tables().Set(0, 231, 100, 33, 0).Evaluate().temperature, 0)
      << "231 is no temperature (many SSDs count their life left there)";
  EXPECT_EQ(Tables().Set(0, 194, 100, 35, 0).Set(1, 194, 100, 0, 0).Evaluate().temperature, 35);
  EXPECT_EQ(Tables().Set(29, 194, 100, 33, 0).Evaluate().temperature, 33);
}

TEST(EvaluateSmart, AllZeroTablesAreGoodWithNothingElse) {
  const SmartVerdict v = Tables().Evaluate();
  EXPECT_EQ(v.status, kHealthGood);
  EXPECT_EQ(v.temperature, 0);
  EXPECT_EQ(v.powerOnHours, 0u);
}

TEST(EvaluateSmart, CountsPowerOnTimeInTheFamilysUnit) {
  const struct {
    const char* model;  // "" for a drive of no family
    std::uint64_t raw;
    std::uint32_t hours;
  } cases[] = {
      {"", 0x0000BB00A1B2C3D4ull, 0xA1B2C3D4u},              // bytes 0-3
      {"Maxtor 4G120J6", 318 * 60 + 50, 318},                // minutes
      {"SAMSUNG SV1604N", 8000, 66},                         // half minutes
      {"FUJITSU MHV2080BH PL", 7 * 3600 + 40 * 60 + 52, 7},  // seconds
  };
  for (const auto& c : cases) {
    const DriveFamily* family = *c.model ? &FamilyNamed(c.model) : nullptr;
    EXPECT_EQ(Tables().Set(3, 9, 90, c.raw, 0).Evaluate(family).powerOnHours, c.hours) << c.model;
  }
}

TEST(EvaluateSmart, SectorCountersRaiseCautionUnlessBad) {
  EXPECT_EQ(Tables().Set(0, 5, 100, 3, 36).Evaluate().status, kHealthCaution);
  EXPECT_EQ(Tables().Set(0, 198, 100, 0x10000, 0).Evaluate().status, kHealthGood)
      << "only raw bytes 0-1 count";
  EXPECT_EQ(Tables().Set(0, 5, 100, 3, 36).Set(1, 10, 20, 0, 20).Evaluate().status, kHealthBad);
  EXPECT_EQ(Tables().Set(0, 1, 6, 0, 6).Set(1, 197, 100, 1, 0).Evaluate().status, kHealthBad);
  EXPECT_EQ(Tables().Set(0, 197, 30, 8, 40).Evaluate().status, kHealthBad)
      << "a counter failing its threshold is bad, not caution";
}

TEST(EvaluateSmart, VendorDataInASectorCounterWarnsOfNothing) {
  Tables phison;
  phison.Set(0, 197, 100, 0x64646464, 0);
  EXPECT_EQ(phison.Evaluate().status, kHealthCaution);
  EXPECT_EQ(phison.Evaluate(&FamilyNamed("KINGSTON SMS151S324G", "S9FM00.7")).status, kHealthGood);
  EXPECT_EQ(phison.Set(0, 197, 5, 0x64646464, 10)
                .Evaluate(&FamilyNamed("KINGSTON SMS151S324G", "S9FM00.7"))
                .status,
            kHealthBad)
      << "its threshold still counts";
}

// Worn-out counters of use say a drive is old, which the drive itself does
// not call failing; every other known attribute at its threshold is Bad.
TEST(EvaluateSmart, OnlyLifetimeCountersAtTheirThresholdGiveCaution) {
  for (std::uint8_t id : {4, 9, 12, 193}) {
    EXPECT_EQ(Tables().Set(0, id, 1, 5, 2).Evaluate().status, kHealthCaution) << int(id);
  }
  for (std::uint8_t id : {1, 5, 10, 194, 254}) {
    EXPECT_EQ(Tables().Set(0, id, 51, 0, 51).Evaluate().status, kHealthBad) << int(id);
  }
  EXPECT_EQ(Tables().Set(0, 1, 0, 0, 0).Evaluate().status, kHealthGood)
      << "a zero threshold never fails";
  EXPECT_EQ(Tables().Set(0, 190, 10, 0, 45).Evaluate().status, kHealthGood)
      << "190 is not evaluated";
}

// Drives that list fewer thresholds than attributes, or list them in another
// order, keep every attribute's own threshold and raw values.
TEST(EvaluateSmart, FindsThresholdsByTheirId) {
  Tables t;
  t.Set(0, 194, 100, 40, 0).Set(1, 5, 1, 9, 10).Set(2, 9, 100, 1234, 0);
  t.thresholds[2 + 0] = 5;  // 5's threshold first, 194 without one
  t.thresholds[2 + 1] = 10;
  t.thresholds[2 + 12] = 0;
  t.thresholds[2 + 12 + 1] = 0;
  const SmartVerdict v = t.Evaluate();
  EXPECT_EQ(v.temperature, 40);
  EXPECT_EQ(v.powerOnHours, 1234u);
  EXPECT_EQ(v.status, kHealthBad);
  EXPECT_EQ(ThresholdFor(t.thresholds.data(), 5), 10);
  EXPECT_EQ(ThresholdFor(t.thresholds.data(), 194), 0);

  Tables zero;
  zero.Set(0, 0, 0, 9, 10);
  EXPECT_EQ(zero.Evaluate().status, kHealthGood);
}

TEST(MatchesPattern, MatchesAWholeTextByAnyAlternative) {
  const struct {
    const char* patterns;
    const char* text;
    bool matches;
  } cases[] = {
      {"A?C", "ABC", true},
      {"A?C", "AC", false},
      {"AB", "ABC", false},
      {"A*", "A", true},
      {"*x*", "abxcd", true},
      {"*", "", true},
      {"[0-9A]x", "7x", true},
      {"[0-9A]x", "Ax", true},
      {"[0-9A]x", "Bx", false},
      {"ab|cd", "cd", true},
      {"ab|cd", "abcd", false},
      {"S[89AB]FM[0-9][0-9].[0-9]", "S9FM01.6", true},
      {"S[89AB]FM[0-9][0-9].[0-9]", "S8FM06.A", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(c.patterns, c.text), c.matches) << c.patterns << " " << c.text;
  }
}

TEST(FamilyOf, KnowsARecordByItsPaddedModelAndFirmware) {
  TempInfoRecord record{};
  std::memcpy(record.ModelNumber, "Maxtor 6Y060L0                          ", 40);
  std::memcpy(record.FirmwareRevision, "YAR41BW0", 8);
  EXPECT_EQ(FamilyOf(record), FindDriveFamily("Maxtor 6Y060L0", ""));
  EXPECT_NE(FamilyOf(record), nullptr);
  std::memcpy(record.ModelNumber, "SAMSUNG HM160HI                         ", 40);
  EXPECT_EQ(FamilyOf(record), nullptr) << "a later SpinPoint M counts hours";
}

}  // namespace
}  // namespace ardmon
