// An ATA drive in the fixture: its identity and S.M.A.R.T. attributes, and
// the IDENTIFY and S.M.A.R.T. sectors built from them.
#include <algorithm>
#include <tuple>

#include "common/ata_string.h"
#include "common/smart_attributes.h"
#include "disklib/sim/fixture_json.h"

namespace disklib::sim {
namespace {

constexpr std::uint16_t kSmartRevision = 0x0010;
constexpr std::size_t kRotationRateWord = 217;
constexpr std::uint8_t kIntegritySignature = 0xA5;  // the low byte of word 255

// Attributes that carry a threshold are usually pre-failure ones.
std::uint16_t DefaultFlags(std::uint8_t threshold) {
  return threshold != 0 ? 0x0033 : 0x0032;
}

Attribute ParseAttribute(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  Attribute a;
  a.id = static_cast<std::uint8_t>(r.Unsigned("id", 255));
  a.value = static_cast<std::uint8_t>(r.Unsigned("value", 255));
  a.worst = static_cast<std::uint8_t>(r.Unsigned("worst", 255, a.value));
  a.raw = r.Unsigned("raw", 0xFFFFFFFFFFFFull, 0);
  a.threshold = static_cast<std::uint8_t>(r.Unsigned("threshold", 255, 0));
  a.flags = static_cast<std::uint16_t>(r.Unsigned("flags", 0xFFFF, DefaultFlags(a.threshold)));
  r.Finish();
  return a;
}

// An ATA string: space-padded, the first character of each pair in the
// high byte of its word.
void PutAtaString(Sector& s, std::size_t word, std::size_t length, std::string text) {
  text.resize(length, ' ');
  ardmon::SwapAtaString(text.data(), length, s.data() + 2 * word);
}

void PutWord(Sector& s, std::size_t word, std::uint16_t value) {
  s[2 * word] = static_cast<std::uint8_t>(value & 0xFF);
  s[2 * word + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The last byte makes all 512 add up to zero, as drives sign these sectors.
void Checksum(Sector& s) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i + 1 < s.size(); ++i) sum = static_cast<std::uint8_t>(sum + s[i]);
  s[511] = static_cast<std::uint8_t>(0x100 - sum);
}

Sector BuiltIdentifySector(const AtaDrive& drive, std::uint64_t diskSize) {
  Sector s{};
  const std::uint64_t sectors = diskSize / 512;
  PutWord(s, 0, 0x0040);  // fixed, not removable
  PutWord(s, 1, 16383);   // legacy geometry
  PutWord(s, 3, 16);
  PutWord(s, 6, 63);
  PutAtaString(s, 10, 20, drive.serial);
  PutAtaString(s, 23, 8, drive.firmware);
  PutAtaString(s, 27, 40, drive.model);
  PutWord(s, 47, 0x8010);
  PutWord(s, 49, 0x2F00);  // LBA and DMA
  PutWord(s, 53, 0x0007);
  const std::uint32_t lba28 =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, 0x0FFFFFFF));
  PutWord(s, 60, static_cast<std::uint16_t>(lba28 & 0xFFFF));
  PutWord(s, 61, static_cast<std::uint16_t>(lba28 >> 16));
  PutWord(s, 80, 0x01F0);  // ATA-4 to ATA-8
  const std::uint16_t smart = drive.smartSupported ? 1 : 0;
  PutWord(s, 82, static_cast<std::uint16_t>(0x7468 | smart));
  PutWord(s, 83, 0x7C00);  // 48-bit addressing among others
  PutWord(s, 84, 0x4163);
  PutWord(s, 85, static_cast<std::uint16_t>(0x7468 | (drive.smartEnabled ? smart : 0)));
  PutWord(s, 86, 0x3C00);
  PutWord(s, 87, 0x4163);
  for (std::size_t w = 0; w < 4; ++w) {
    PutWord(s, 100 + w, static_cast<std::uint16_t>(sectors >> (16 * w)));
  }
  s[510] = kIntegritySignature;
  Checksum(s);
  return s;
}

}  // namespace

bool Attribute::operator==(const Attribute& o) const {
  return std::tie(id, flags, value, worst, raw, threshold) ==
         std::tie(o.id, o.flags, o.value, o.worst, o.raw, o.threshold);
}
bool AtaDrive::operator==(const AtaDrive& o) const {
  return std::tie(model, serial, firmware, smartSupported, smartEnabled, attributes, identifySector,
                  attributeSector, thresholdSector) ==
         std::tie(o.model, o.serial, o.firmware, o.smartSupported, o.smartEnabled, o.attributes,
                  o.identifySector, o.attributeSector, o.thresholdSector);
}

AtaDrive ParseAta(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  AtaDrive a;
  ParseIdentity(r, a);
  a.smartSupported = r.Bool("smartSupported", true);
  a.smartEnabled = r.Bool("smartEnabled", true);
  const Json& attributes = r.List("attributes");
  if (attributes.size() > ardmon::kSmartEntries) r.Fail("at most 30 attributes fit a sector");
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    a.attributes.push_back(ParseAttribute(attributes[i], Indexed(r.Where("attributes"), i)));
  }
  if (r.Has("identifySector")) {
    a.identifySector = ParseSector(json.at("identifySector"), r.Where("identifySector"));
  }
  if (r.Has("attributeSector")) {
    a.attributeSector = ParseSector(json.at("attributeSector"), r.Where("attributeSector"));
  }
  if (r.Has("thresholdSector")) {
    a.thresholdSector = ParseSector(json.at("thresholdSector"), r.Where("thresholdSector"));
  }
  r.Finish();
  return a;
}

Json AtaJson(const AtaDrive& a) {
  Json j;
  WriteIdentity(j, a);
  j["smartSupported"] = a.smartSupported;
  if (!a.smartEnabled) j["smartEnabled"] = false;
  Json attributes = Json::array();
  for (const Attribute& at : a.attributes) {
    Json e;
    e["id"] = at.id;
    e["value"] = at.value;
    if (at.worst != at.value) e["worst"] = at.worst;
    e["raw"] = at.raw;
    e["threshold"] = at.threshold;
    if (at.flags != DefaultFlags(at.threshold)) e["flags"] = at.flags;
    attributes.push_back(e);
  }
  j["attributes"] = attributes;
  if (a.identifySector) j["identifySector"] = SectorText(*a.identifySector);
  if (a.attributeSector) j["attributeSector"] = SectorText(*a.attributeSector);
  if (a.thresholdSector) j["thresholdSector"] = SectorText(*a.thresholdSector);
  return j;
}

Sector IdentifySector(const AtaDrive& drive, std::uint64_t diskSize, std::uint16_t rotationRate) {
  Sector s = drive.identifySector ? *drive.identifySector : BuiltIdentifySector(drive, diskSize);
  if (rotationRate != 0) {
    PutWord(s, kRotationRateWord, rotationRate);
    if (s[510] == kIntegritySignature) Checksum(s);
  }
  return s;
}

Sector AttributeSector(const AtaDrive& drive) {
  if (drive.attributeSector) return *drive.attributeSector;
  Sector s{};
  PutWord(s, 0, kSmartRevision);
  for (std::size_t i = 0; i < drive.attributes.size() && i < ardmon::kSmartEntries; ++i) {
    const Attribute& a = drive.attributes[i];
    std::uint8_t* e = s.data() + ardmon::kSmartTableStart + i * ardmon::kSmartEntrySize;
    e[0] = a.id;
    e[1] = static_cast<std::uint8_t>(a.flags & 0xFF);
    e[2] = static_cast<std::uint8_t>(a.flags >> 8);
    e[3] = a.value;
    e[4] = a.worst;
    for (std::size_t b = 0; b < 6; ++b) e[5 + b] = static_cast<std::uint8_t>(a.raw >> (8 * b));
  }
  s[362] = 0x82;  // off-line data collection completed
  s[364] = 0x58;  // off-line collection time, seconds
  s[365] = 0x02;
  s[367] = 0x7B;  // off-line and self-test capabilities
  s[368] = 0x03;  // saves attributes across power cycles
  s[370] = 0x01;  // error logging supported
  s[372] = 0x02;  // short self-test, minutes
  s[373] = 0x5A;  // extended self-test, minutes
  Checksum(s);
  return s;
}

Sector ThresholdSector(const AtaDrive& drive) {
  if (drive.thresholdSector) return *drive.thresholdSector;
  Sector s{};
  PutWord(s, 0, kSmartRevision);
  for (std::size_t i = 0; i < drive.attributes.size() && i < ardmon::kSmartEntries; ++i) {
    std::uint8_t* e = s.data() + ardmon::kSmartTableStart + i * ardmon::kSmartEntrySize;
    e[0] = drive.attributes[i].id;
    e[1] = drive.attributes[i].threshold;
  }
  Checksum(s);
  return s;
}

}  // namespace disklib::sim
