// The S.M.A.R.T. attribute and threshold sectors as the drives fill them,
// and the attributes this system knows (smart_evaluation.h judges them).
#pragma once

#include <cstddef>
#include <cstdint>

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

}  // namespace ardmon
