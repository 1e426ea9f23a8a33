// The S.M.A.R.T. attribute and threshold sectors as the drives fill them,
// the attributes this system knows, and the rule by which one attribute is
// judged: the library derives a drive's health from it and the monitor
// colours each attribute row by it, so the two can never disagree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/wire_records.h"

namespace ardmon {

// Both sectors: a 2-byte revision, then 30 entries of 12 bytes.
constexpr std::size_t kSmartEntries = 30;
constexpr std::size_t kSmartEntrySize = 12;
constexpr std::size_t kSmartTableStart = 2;

// One attribute entry: ID, flags (2), current value, worst value, raw
// value (6, little-endian), reserved.
struct AttributeEntry {
  const std::uint8_t* bytes;

  std::uint8_t id() const { return bytes[0]; }
  std::uint8_t value() const { return bytes[3]; }
  std::uint8_t worst() const { return bytes[4]; }
  const std::uint8_t* rawBytes() const { return bytes + 5; }
  std::uint64_t raw() const {
    std::uint64_t raw = 0;
    for (int b = 5; b >= 0; --b) raw = raw << 8 | rawBytes()[b];
    return raw;
  }
};

// One threshold entry: ID, threshold, reserved (10).
struct ThresholdEntry {
  const std::uint8_t* bytes;

  std::uint8_t id() const { return bytes[0]; }
  std::uint8_t threshold() const { return bytes[1]; }
};

inline AttributeEntry AttributeAt(const std::uint8_t* sector, std::size_t i) {
  return {sector + kSmartTableStart + i * kSmartEntrySize};
}
inline ThresholdEntry ThresholdAt(const std::uint8_t* sector, std::size_t i) {
  return {sector + kSmartTableStart + i * kSmartEntrySize};
}

// An attribute with a name of its own (the string of that name); exactly
// these are judged.
struct KnownAttribute {
  std::uint8_t id;
  std::uint16_t nameString;
};

inline constexpr KnownAttribute kKnownAttributes[] = {
    {1, 512},   {2, 513},   {3, 514},   {4, 515},   {5, 516},   {6, 517},   {7, 518},
    {8, 519},   {9, 520},   {10, 521},  {11, 522},  {12, 523},  {13, 524},  {187, 526},
    {188, 527}, {191, 530}, {192, 531}, {193, 532}, {194, 533}, {195, 534}, {196, 535},
    {197, 536}, {198, 537}, {199, 538}, {200, 539}, {201, 540}, {202, 541}, {203, 542},
    {204, 543}, {205, 544}, {206, 545}, {207, 546}, {208, 547}, {209, 548}, {211, 549},
    {212, 550}, {220, 551}, {221, 552}, {222, 553}, {223, 554}, {224, 555}, {225, 556},
    {226, 557}, {227, 558}, {228, 559}, {230, 560}, {231, 561}, {250, 563}, {254, 564}};

inline const KnownAttribute* FindKnownAttribute(std::uint8_t id) {
  for (const KnownAttribute& known : kKnownAttributes) {
    if (known.id == id) return &known;
  }
  return nullptr;
}

// Reallocated, pending and offline-uncorrectable sectors: any of them
// counted is a warning before the value falls to its threshold.
inline bool IsSectorCounter(std::uint8_t id) {
  return id == 5 || id == 197 || id == 198;
}

// The verdict on one attribute as a health status: an unknown attribute is
// not judged (Good); Bad at or below a threshold that is not 0; Caution for
// a sector counter whose low 16 raw bits are not 0.
inline HealthStatus JudgeAttribute(AttributeEntry attribute, ThresholdEntry threshold) {
  const std::uint8_t id = attribute.id();
  if (!FindKnownAttribute(id)) return kHealthGood;
  if (threshold.threshold() != 0 && attribute.value() <= threshold.threshold()) {
    return kHealthBad;
  }
  const std::uint8_t* raw = attribute.rawBytes();
  if (IsSectorCounter(id) && (raw[0] | raw[1]) != 0) return kHealthCaution;
  return kHealthGood;
}

// The pairs that count: the same non-zero ID at the same position of both
// sectors.
inline bool IsPaired(AttributeEntry attribute, ThresholdEntry threshold) {
  return attribute.id() != 0 && attribute.id() == threshold.id();
}

}  // namespace ardmon
