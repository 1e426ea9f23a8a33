// The rules at their edges; real_drives_test reads real drives by them.
#include "common/smart_evaluation.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

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
    for (int b = 0; b < 6; ++b) a[5 + b] = static_cast<std::uint8_t>(raw >> (8 * b));
    thresholds[2 + 12 * i] = id;
    thresholds[3 + 12 * i] = threshold;
    return *this;
  }
  SmartVerdict Evaluate(const DriveFamily* family = nullptr) const {
    return EvaluateSmart(attributes.data(), thresholds.data(), family);
  }
};

TEST(TemperatureFromRaw, ReadsWholeDegreesInByteZeroElseTenths) {
  const struct {
    std::uint64_t raw;
    bool inTenths;
    unsigned celsius;
  } cases[] = {
      {0x28, false, 40},
      {0x01C2, false, 45},  // 450 tenths: byte 0 above 100
      // A drive at 75 degrees reads 75, no longer 7 (whole degrees go to 100).
      {75, false, 75},
      {100, false, 100},
      {1000, false, 100},
      {1010, false, 0},  // 101.0 degrees: a misreading
      // The lowest (16h) and highest (2Dh) temperature packed above the
      // current 39 degrees: once read as 5671 tenths, so none.
      {0x2A002D1627, false, 39},
      {0x0300, false, 0},
      {350, true, 35},  // a family that counts tenths
      {1010, true, 0},
  };
  for (const auto& c : cases) {
    std::uint8_t raw[6];
    for (int b = 0; b < 6; ++b) raw[b] = static_cast<std::uint8_t>(c.raw >> (8 * b));
    EXPECT_EQ(TemperatureFromRaw(raw, c.inTenths), c.celsius) << std::hex << c.raw;
  }
}

TEST(EvaluateSmart, TakesTheTemperatureFrom194ElseFrom190) {
  EXPECT_EQ(Tables().Set(0, 190, 65, 35, 45).Set(1, 194, 100, 40, 0).Evaluate().temperature, 40);
  EXPECT_EQ(Tables().Set(0, 194, 100, 0, 0).Set(1, 190, 65, 35, 0).Evaluate().temperature, 35);
  EXPECT_EQ(Tables().Set(0, 231, 100, 33, 0).Evaluate().temperature, 0)
      << "231 is no temperature (many SSDs count their life left there)";
  EXPECT_EQ(Tables().Set(0, 194, 100, 35, 0).Set(29, 194, 100, 0, 0).Evaluate().temperature, 35);
}

TEST(EvaluateSmart, SectorCountersRaiseCautionUnlessBadOrVendorData) {
  EXPECT_EQ(Tables().Set(0, 5, 100, 3, 36).Evaluate().status, kHealthCaution);
  EXPECT_EQ(Tables().Set(0, 198, 100, 0x10000, 0).Evaluate().status, kHealthGood)
      << "only raw bytes 0-1 count";
  EXPECT_EQ(Tables().Set(0, 1, 6, 0, 6).Set(1, 197, 100, 1, 0).Evaluate().status, kHealthBad);
  EXPECT_EQ(Tables().Set(0, 197, 30, 8, 40).Evaluate().status, kHealthBad);

  const DriveFamily* phison = FindDriveFamily("KINGSTON SMS151S324G", "S9FM00.7");
  ASSERT_NE(phison, nullptr);
  EXPECT_EQ(Tables().Set(0, 197, 100, 0x64646464, 0).Evaluate(phison).status, kHealthGood);
  EXPECT_EQ(Tables().Set(0, 197, 5, 0x64646464, 10).Evaluate(phison).status, kHealthBad)
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
  EXPECT_EQ(Tables().Set(0, 1, 0, 0, 0).Evaluate().status, kHealthGood) << "threshold 0";
  EXPECT_EQ(Tables().Set(0, 190, 10, 0, 45).Evaluate().status, kHealthGood) << "not judged";
}

// Drives that list fewer thresholds than attributes, or list them in another
// order, keep every attribute's own threshold and raw values.
TEST(EvaluateSmart, FindsThresholdsByTheirId) {
  Tables t;
  t.Set(0, 194, 100, 40, 0).Set(1, 5, 1, 9, 0).Set(2, 9, 100, 0xBB00A1B2C3D4, 0);
  t.thresholds = {};
  t.thresholds[2] = 5;
  t.thresholds[3] = 10;
  const SmartVerdict v = t.Evaluate();
  EXPECT_EQ(v.temperature, 40);
  EXPECT_EQ(v.powerOnHours, 0xA1B2C3D4u) << "raw bytes 0-3";
  EXPECT_EQ(v.status, kHealthBad);
  EXPECT_EQ(Tables().Set(0, 0, 0, 9, 10).Evaluate().status, kHealthGood) << "ID 0";
}

TEST(MatchesPattern, MatchesAWholeTextByAnyAlternative) {
  const struct {
    const char* patterns;
    const char* text;
    bool matches;
  } cases[] = {
      {"A?C", "ABC", true},     {"A?C", "AC", false},     {"AB", "ABC", false},
      {"*x*", "abxcd", true},   {"*", "", true},          {"[0-9A]x", "7x", true},
      {"[0-9A]x", "Ax", true},  {"[0-9A]x", "Bx", false}, {"ab|cd", "cd", true},
      {"ab|cd", "abcd", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(c.patterns, c.text), c.matches) << c.patterns << " " << c.text;
  }
}

}  // namespace
}  // namespace ardmon
