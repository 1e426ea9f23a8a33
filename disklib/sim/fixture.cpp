#include "disklib/sim/fixture.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "common/ata_string.h"

namespace disklib::sim {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kMaxAttributes = 30;
constexpr std::size_t kEntrySize = 12;
constexpr std::uint16_t kSmartRevision = 0x0010;

struct MethodName {
  AccessMethod method;
  std::string_view name;
};
constexpr MethodName kMethodNames[] = {
    {AccessMethod::SmartIoctl, "SmartIoctl"},
    {AccessMethod::ScsiDiskMiniport, "ScsiDiskMiniport"},
    {AccessMethod::SataMiniport, "SataMiniport"},
    {AccessMethod::AtaPassThrough12, "AtaPassThrough12"},
    {AccessMethod::AtaPassThrough16, "AtaPassThrough16"},
    {AccessMethod::BridgeCdb12, "BridgeCdb12"},
    {AccessMethod::BridgeCdb10, "BridgeCdb10"},
};

struct QuirkEntry {
  Quirk quirk;
  std::string_view name;
};
constexpr QuirkEntry kQuirkNames[] = {
    {Quirk::GoodStatusNoData, "goodStatusNoData"},
    {Quirk::ShortTransfer, "shortTransfer"},
    {Quirk::TemperatureProperty, "temperatureProperty"},
    {Quirk::SmartAbortZeroData, "smartAbortZeroData"},
};

// GetDriveTypeW's values by the names fixtures use.
constexpr std::string_view kDriveTypeNames[] = {"unknown", "noRootDir", "removable", "fixed",
                                                "remote",  "cdrom",     "ramdisk"};

using ardmon::nvme::HealthField;

// The health log's fields by the names fixtures use; the composite
// temperature is given in Celsius as "temperature".
struct NvmeFieldKey {
  const char* key;
  HealthField field;
};
constexpr NvmeFieldKey kNvmeFieldKeys[] = {
    {"criticalWarning", HealthField::CriticalWarning},
    {"availableSpare", HealthField::AvailableSpare},
    {"spareThreshold", HealthField::AvailableSpareThreshold},
    {"percentageUsed", HealthField::PercentageUsed},
    {"dataUnitsRead", HealthField::DataUnitsRead},
    {"dataUnitsWritten", HealthField::DataUnitsWritten},
    {"hostReadCommands", HealthField::HostReadCommands},
    {"hostWriteCommands", HealthField::HostWriteCommands},
    {"controllerBusyTime", HealthField::ControllerBusyTime},
    {"powerCycles", HealthField::PowerCycles},
    {"powerOnHours", HealthField::PowerOnHours},
    {"unsafeShutdowns", HealthField::UnsafeShutdowns},
    {"mediaErrors", HealthField::MediaErrors},
    {"errorLogEntries", HealthField::ErrorLogEntries},
};
constexpr std::uint64_t kMaxFixtureCelsius = 255;

std::uint64_t FieldMax(HealthField field) {
  const std::size_t size = ardmon::nvme::LayoutOf(field).size;
  return size >= 8 ? UINT64_MAX : (std::uint64_t{1} << (8 * size)) - 1;
}

// Attributes that carry a threshold are usually pre-failure ones.
std::uint16_t DefaultFlags(std::uint8_t threshold) {
  return threshold != 0 ? 0x0033 : 0x0032;
}

// One JSON object being read: remembers which keys were asked for, so that
// a misspelt key is reported instead of silently ignored.
class ObjectReader {
 public:
  ObjectReader(const Json& json, std::string where) : json_(json), where_(std::move(where)) {
    if (!json_.is_object()) Fail("expected an object");
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw FixtureError(where_ + ": " + what);
  }
  std::string Where(std::string_view key) const { return where_ + "." + std::string(key); }

  bool Has(const char* key) {
    seen_.insert(key);
    return json_.contains(key);
  }
  const Json& Get(const char* key) {
    if (!Has(key)) Fail(std::string("missing \"") + key + "\"");
    return json_.at(key);
  }

  std::string String(const char* key, std::optional<std::string> fallback = std::nullopt) {
    if (fallback && !Has(key)) return *fallback;
    const Json& value = Get(key);
    if (!value.is_string()) Fail(std::string("\"") + key + "\" must be a string");
    return value.get<std::string>();
  }

  bool Bool(const char* key, bool fallback) {
    if (!Has(key)) return fallback;
    const Json& value = json_.at(key);
    if (!value.is_boolean()) Fail(std::string("\"") + key + "\" must be true or false");
    return value.get<bool>();
  }

  std::uint64_t Unsigned(const char* key, std::uint64_t max,
                         std::optional<std::uint64_t> fallback = std::nullopt) {
    if (fallback && !Has(key)) return *fallback;
    const Json& value = Get(key);
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > max) {
      Fail(std::string("\"") + key + "\" must be an integer from 0 to " + std::to_string(max));
    }
    return value.get<std::uint64_t>();
  }

  std::optional<std::vector<std::string>> StringList(const char* key) {
    if (!Has(key)) return std::nullopt;
    const Json& value = json_.at(key);
    if (!value.is_array()) Fail(std::string("\"") + key + "\" must be a list of strings");
    std::vector<std::string> list;
    for (const Json& item : value) {
      if (!item.is_string()) Fail(std::string("\"") + key + "\" must be a list of strings");
      list.push_back(item.get<std::string>());
    }
    return list;
  }

  const Json& List(const char* key) {
    static const Json kEmpty = Json::array();
    if (!Has(key)) return kEmpty;
    const Json& value = json_.at(key);
    if (!value.is_array()) Fail(std::string("\"") + key + "\" must be a list");
    return value;
  }

  void Finish() const {
    for (auto it = json_.begin(); it != json_.end(); ++it) {
      if (!seen_.count(it.key())) Fail("unknown key \"" + it.key() + "\"");
    }
  }

 private:
  const Json& json_;
  std::string where_;
  std::set<std::string> seen_;
};

std::string Indexed(const std::string& where, std::size_t i) {
  return where + "[" + std::to_string(i) + "]";
}

Sector ParseSector(const Json& value, const std::string& where) {
  if (!value.is_string()) throw FixtureError(where + ": a sector is a string of hex digits");
  std::string digits;
  for (char c : value.get<std::string>()) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      throw FixtureError(where + ": a sector is a string of hex digits");
    }
  }
  Sector sector{};
  if (digits.size() != 2 * sector.size()) {
    throw FixtureError(where + ": a sector needs 1024 hex digits, got " +
                       std::to_string(digits.size()));
  }
  for (std::size_t i = 0; i < sector.size(); ++i) {
    sector[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  }
  return sector;
}

// Groups of 16 bytes keep a written sector readable.
std::string SectorText(const Sector& sector) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < sector.size(); ++i) {
    if (i != 0 && i % 16 == 0) text += ' ';
    text += kHex[sector[i] >> 4];
    text += kHex[sector[i] & 0xF];
  }
  return text;
}

std::string Bounded(ObjectReader& reader, const char* key, std::size_t max) {
  std::string text = reader.String(key, std::string());
  if (text.size() > max) {
    reader.Fail(std::string("\"") + key + "\" holds at most " + std::to_string(max) +
                " characters");
  }
  return text;
}

Device ParseDevice(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  Device d;
  d.id = r.String("id");
  if (d.id.empty()) r.Fail("\"id\" is empty");
  d.parent = r.String("parent", std::string());
  d.hardwareIds = r.StringList("hardwareIds");
  d.upperFilters = r.StringList("upperFilters");
  d.present = r.Bool("present", true);
  r.Finish();
  return d;
}

// A plain name, or an object that says how the service differs from a
// kernel driver started on demand whose file is there.
Service ParseService(const Json& json, const std::string& where) {
  Service service;
  if (json.is_string()) {
    service.name = json.get<std::string>();
  } else {
    ObjectReader r(json, where);
    service.name = r.String("name");
    service.type = static_cast<std::uint32_t>(r.Unsigned("type", 0xFFFFFFFF, service.type));
    service.start = static_cast<std::uint32_t>(r.Unsigned("start", 0xFFFFFFFF, service.start));
    service.imageExists = r.Bool("imageExists", service.imageExists);
    r.Finish();
  }
  if (service.name.empty()) throw FixtureError(where + ": a service needs a name");
  return service;
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

// Model, serial and firmware, as long as both ATA IDENTIFY and NVMe
// Identify Controller hold them.
template <typename Drive>
void ParseIdentity(ObjectReader& r, Drive& drive) {
  drive.model = Bounded(r, "model", 40);
  drive.serial = Bounded(r, "serial", 20);
  drive.firmware = Bounded(r, "firmware", 8);
}

template <typename Drive>
void WriteIdentity(Json& j, const Drive& drive) {
  j["model"] = drive.model;
  j["serial"] = drive.serial;
  j["firmware"] = drive.firmware;
}

AtaDrive ParseAta(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  AtaDrive a;
  ParseIdentity(r, a);
  a.smartSupported = r.Bool("smartSupported", true);
  a.smartEnabled = r.Bool("smartEnabled", true);
  const Json& attributes = r.List("attributes");
  if (attributes.size() > kMaxAttributes) r.Fail("at most 30 attributes fit a sector");
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

NvmeDrive ParseNvme(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  NvmeDrive n;
  ParseIdentity(r, n);
  if (r.Has("temperature")) {
    n.Set(HealthField::CompositeTemperature,
          r.Unsigned("temperature", kMaxFixtureCelsius) + kZeroCelsiusKelvin);
  }
  for (const NvmeFieldKey& k : kNvmeFieldKeys) {
    if (r.Has(k.key)) n.Set(k.field, r.Unsigned(k.key, FieldMax(k.field)));
  }
  n.protocolQueries = r.Bool("protocolQueries", true);
  if (r.Has("healthLog")) n.healthLog = ParseSector(json.at("healthLog"), r.Where("healthLog"));
  r.Finish();
  return n;
}

Disk ParseDisk(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  Disk d;
  d.number = static_cast<std::uint32_t>(r.Unsigned("number", 0xFFFFFFFF));
  d.path = r.String("path");
  d.node = r.String("node");
  d.size = r.Unsigned("size", UINT64_MAX);
  d.openable = r.Bool("openable", true);
  d.answerDelayMs = static_cast<std::uint32_t>(r.Unsigned("answerDelayMs", 600000, 0));
  if (r.Has("inquiry")) {
    ObjectReader q(json.at("inquiry"), r.Where("inquiry"));
    Inquiry inquiry;
    inquiry.vendor = Bounded(q, "vendor", 8);
    inquiry.product = Bounded(q, "product", 16);
    inquiry.revision = Bounded(q, "revision", 4);
    inquiry.removable = q.Bool("removable", false);
    q.Finish();
    d.inquiry = inquiry;
  }
  if (r.Has("scsiAddress")) {
    ObjectReader s(json.at("scsiAddress"), r.Where("scsiAddress"));
    ScsiAddress address;
    address.portNumber = static_cast<std::uint8_t>(s.Unsigned("portNumber", 255, 0));
    address.pathId = static_cast<std::uint8_t>(s.Unsigned("pathId", 255, 0));
    address.targetId = static_cast<std::uint8_t>(s.Unsigned("targetId", 255, 0));
    address.lun = static_cast<std::uint8_t>(s.Unsigned("lun", 255, 0));
    s.Finish();
    d.scsiAddress = address;
  }
  for (const std::string& name : r.StringList("methods").value_or(std::vector<std::string>{})) {
    std::optional<AccessMethod> method = AccessMethodFromName(name);
    if (!method) r.Fail("unknown access method \"" + name + "\"");
    if (!d.Answers(*method)) d.methods.push_back(*method);
  }
  for (const std::string& name : r.StringList("quirks").value_or(std::vector<std::string>{})) {
    std::optional<Quirk> quirk = QuirkFromName(name);
    if (!quirk) r.Fail("unknown quirk \"" + name + "\"");
    if (!d.Has(*quirk)) d.quirks.push_back(*quirk);
  }
  if (r.Has("ata")) d.ata = ParseAta(json.at("ata"), r.Where("ata"));
  if (r.Has("nvme")) d.nvme = ParseNvme(json.at("nvme"), r.Where("nvme"));
  r.Finish();
  return d;
}

StoragePort ParsePort(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  StoragePort p;
  p.path = r.String("path");
  p.node = r.String("node");
  r.Finish();
  return p;
}

std::uint32_t ParseDriveType(ObjectReader& r) {
  const Json& value = r.Get("type");
  if (value.is_number_unsigned() && value.get<std::uint64_t>() <= 0xFFFFFFFF) {
    return static_cast<std::uint32_t>(value.get<std::uint64_t>());
  }
  if (value.is_string()) {
    const std::string name = value.get<std::string>();
    for (std::size_t i = 0; i < std::size(kDriveTypeNames); ++i) {
      if (name == kDriveTypeNames[i]) return static_cast<std::uint32_t>(i);
    }
  }
  r.Fail(
      "\"type\" is a drive type number or one of unknown, noRootDir, removable, fixed, "
      "remote, cdrom, ramdisk");
}

Volume ParseVolume(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  Volume v;
  const std::string letter = r.String("letter");
  const bool withColon = letter.size() == 2 && letter[1] == ':';
  if ((letter.size() != 1 && !withColon) || !std::isalpha(static_cast<unsigned char>(letter[0]))) {
    r.Fail("\"letter\" is one letter, such as \"C\"");
  }
  v.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
  v.type = ParseDriveType(r);
  v.dosDevice = r.String("dosDevice");
  const Json& disks = r.List("disks");
  for (std::size_t i = 0; i < disks.size(); ++i) {
    if (!disks[i].is_number_unsigned() || disks[i].get<std::uint64_t>() > 0xFFFFFFFF) {
      r.Fail("\"disks\" is a list of disk numbers");
    }
    v.disks.push_back(static_cast<std::uint32_t>(disks[i].get<std::uint64_t>()));
  }
  r.Finish();
  return v;
}

// References between the parts must resolve, and the parent chains must end.
void CheckConsistency(const Fixture& f) {
  auto find = [&](const std::string& id) {
    return std::find_if(f.devices.begin(), f.devices.end(),
                        [&](const Device& d) { return d.id == id; });
  };
  for (std::size_t i = 0; i < f.devices.size(); ++i) {
    const Device& d = f.devices[i];
    if (find(d.id) != f.devices.begin() + static_cast<std::ptrdiff_t>(i)) {
      throw FixtureError("devices: \"" + d.id + "\" is listed twice");
    }
    std::string up = d.parent;
    for (std::size_t steps = 0; !up.empty(); ++steps) {
      auto parent = find(up);
      if (parent == f.devices.end()) {
        throw FixtureError("devices: parent \"" + up + "\" is not a listed device");
      }
      if (steps > f.devices.size()) {
        throw FixtureError("devices: the parents of \"" + d.id + "\" form a loop");
      }
      up = parent->parent;
    }
  }
  std::set<std::uint32_t> numbers;
  for (const Disk& disk : f.disks) {
    if (!numbers.insert(disk.number).second) {
      throw FixtureError("disks: number " + std::to_string(disk.number) + " is listed twice");
    }
    if (find(disk.node) == f.devices.end()) {
      throw FixtureError("disks: node \"" + disk.node + "\" is not a listed device");
    }
  }
  for (const StoragePort& port : f.storagePorts) {
    if (find(port.node) == f.devices.end()) {
      throw FixtureError("storagePorts: node \"" + port.node + "\" is not a listed device");
    }
  }
  std::set<char> letters;
  for (const Volume& v : f.volumes) {
    if (!letters.insert(v.letter).second) {
      throw FixtureError(std::string("volumes: letter ") + v.letter + " is listed twice");
    }
  }
}

Json ServiceJson(const Service& service) {
  const Service plain{service.name};
  if (service == plain) return service.name;
  Json j;
  j["name"] = service.name;
  if (service.type != plain.type) j["type"] = service.type;
  if (service.start != plain.start) j["start"] = service.start;
  if (!service.imageExists) j["imageExists"] = false;
  return j;
}

Json DeviceJson(const Device& d) {
  Json j;
  j["id"] = d.id;
  if (!d.parent.empty()) j["parent"] = d.parent;
  if (d.hardwareIds) j["hardwareIds"] = *d.hardwareIds;
  if (d.upperFilters) j["upperFilters"] = *d.upperFilters;
  if (!d.present) j["present"] = false;
  return j;
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

Json NvmeJson(const NvmeDrive& n) {
  Json j;
  WriteIdentity(j, n);
  const std::uint64_t kelvin = n.Get(HealthField::CompositeTemperature);
  if (kelvin >= kZeroCelsiusKelvin) j["temperature"] = kelvin - kZeroCelsiusKelvin;
  for (const NvmeFieldKey& k : kNvmeFieldKeys) j[k.key] = n.Get(k.field);
  if (!n.protocolQueries) j["protocolQueries"] = false;
  if (n.healthLog) j["healthLog"] = SectorText(*n.healthLog);
  return j;
}

Json DiskJson(const Disk& d) {
  Json j;
  j["number"] = d.number;
  j["path"] = d.path;
  j["node"] = d.node;
  j["size"] = d.size;
  if (!d.openable) j["openable"] = false;
  if (d.answerDelayMs != 0) j["answerDelayMs"] = d.answerDelayMs;
  if (d.inquiry) {
    Json q;
    q["vendor"] = d.inquiry->vendor;
    q["product"] = d.inquiry->product;
    if (!d.inquiry->revision.empty()) q["revision"] = d.inquiry->revision;
    if (d.inquiry->removable) q["removable"] = true;
    j["inquiry"] = q;
  }
  if (d.scsiAddress) {
    Json s;
    if (d.scsiAddress->portNumber != 0) s["portNumber"] = d.scsiAddress->portNumber;
    s["pathId"] = d.scsiAddress->pathId;
    s["targetId"] = d.scsiAddress->targetId;
    if (d.scsiAddress->lun != 0) s["lun"] = d.scsiAddress->lun;
    j["scsiAddress"] = s;
  }
  Json methods = Json::array();
  for (AccessMethod m : d.methods) methods.push_back(std::string(AccessMethodName(m)));
  j["methods"] = methods;
  if (d.ata) j["ata"] = AtaJson(*d.ata);
  if (d.nvme) j["nvme"] = NvmeJson(*d.nvme);
  if (!d.quirks.empty()) {
    Json quirks = Json::array();
    for (Quirk q : d.quirks) quirks.push_back(std::string(QuirkName(q)));
    j["quirks"] = quirks;
  }
  return j;
}

Json VolumeJson(const Volume& v) {
  Json j;
  j["letter"] = std::string(1, v.letter);
  if (v.type < std::size(kDriveTypeNames)) {
    j["type"] = std::string(kDriveTypeNames[v.type]);
  } else {
    j["type"] = v.type;
  }
  j["dosDevice"] = v.dosDevice;
  j["disks"] = v.disks;
  return j;
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

}  // namespace

bool Service::operator==(const Service& o) const {
  return std::tie(name, type, start, imageExists) ==
         std::tie(o.name, o.type, o.start, o.imageExists);
}
bool Device::operator==(const Device& o) const {
  return std::tie(id, parent, hardwareIds, upperFilters, present) ==
         std::tie(o.id, o.parent, o.hardwareIds, o.upperFilters, o.present);
}
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
std::uint64_t NvmeDrive::Get(HealthField field) const {
  return fields[static_cast<std::size_t>(field)];
}
void NvmeDrive::Set(HealthField field, std::uint64_t value) {
  fields[static_cast<std::size_t>(field)] = value;
  if (healthLog) ardmon::nvme::WriteHealthField(healthLog->data(), field, value);
}
std::array<std::uint64_t, ardmon::nvme::kHealthFieldCount> NvmeDrive::DefaultFields() {
  std::array<std::uint64_t, ardmon::nvme::kHealthFieldCount> f{};
  f[static_cast<std::size_t>(HealthField::AvailableSpare)] = 100;
  f[static_cast<std::size_t>(HealthField::AvailableSpareThreshold)] = 10;
  return f;
}
bool NvmeDrive::operator==(const NvmeDrive& o) const {
  return std::tie(model, serial, firmware, fields, protocolQueries, healthLog) ==
         std::tie(o.model, o.serial, o.firmware, o.fields, o.protocolQueries, o.healthLog);
}
bool Inquiry::operator==(const Inquiry& o) const {
  return std::tie(vendor, product, revision, removable) ==
         std::tie(o.vendor, o.product, o.revision, o.removable);
}
bool ScsiAddress::operator==(const ScsiAddress& o) const {
  return std::tie(portNumber, pathId, targetId, lun) ==
         std::tie(o.portNumber, o.pathId, o.targetId, o.lun);
}
bool Disk::Answers(AccessMethod method) const {
  return std::find(methods.begin(), methods.end(), method) != methods.end();
}
bool Disk::Has(Quirk quirk) const {
  return std::find(quirks.begin(), quirks.end(), quirk) != quirks.end();
}
bool Disk::operator==(const Disk& o) const {
  return std::tie(number, path, node, size, openable, answerDelayMs, inquiry, scsiAddress, methods,
                  ata, nvme, quirks) == std::tie(o.number, o.path, o.node, o.size, o.openable,
                                                 o.answerDelayMs, o.inquiry, o.scsiAddress,
                                                 o.methods, o.ata, o.nvme, o.quirks);
}
bool StoragePort::operator==(const StoragePort& o) const {
  return std::tie(path, node) == std::tie(o.path, o.node);
}
bool Volume::operator==(const Volume& o) const {
  return std::tie(letter, type, dosDevice, disks) ==
         std::tie(o.letter, o.type, o.dosDevice, o.disks);
}
bool Fixture::operator==(const Fixture& o) const {
  return std::tie(services, devices, storagePorts, disks, volumes) ==
         std::tie(o.services, o.devices, o.storagePorts, o.disks, o.volumes);
}

Fixture ParseFixture(std::string_view text) {
  Json json;
  try {
    json = Json::parse(text.begin(), text.end());
  } catch (const Json::exception& e) {  // bad syntax, or a number too large to hold
    throw FixtureError(std::string("not JSON: ") + e.what());
  }
  ObjectReader r(json, "fixture");
  Fixture f;
  const Json& services = r.List("services");
  for (std::size_t i = 0; i < services.size(); ++i) {
    f.services.push_back(ParseService(services[i], Indexed("services", i)));
  }
  const Json& devices = r.List("devices");
  for (std::size_t i = 0; i < devices.size(); ++i) {
    f.devices.push_back(ParseDevice(devices[i], Indexed("devices", i)));
  }
  const Json& ports = r.List("storagePorts");
  for (std::size_t i = 0; i < ports.size(); ++i) {
    f.storagePorts.push_back(ParsePort(ports[i], Indexed("storagePorts", i)));
  }
  const Json& disks = r.List("disks");
  for (std::size_t i = 0; i < disks.size(); ++i) {
    f.disks.push_back(ParseDisk(disks[i], Indexed("disks", i)));
  }
  const Json& volumes = r.List("volumes");
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    f.volumes.push_back(ParseVolume(volumes[i], Indexed("volumes", i)));
  }
  r.Finish();
  CheckConsistency(f);
  return f;
}

std::string WriteFixture(const Fixture& f) {
  Json j;
  for (const Service& service : f.services) j["services"].push_back(ServiceJson(service));
  j["devices"] = Json::array();
  for (const Device& d : f.devices) j["devices"].push_back(DeviceJson(d));
  j["storagePorts"] = Json::array();
  for (const StoragePort& p : f.storagePorts) {
    j["storagePorts"].push_back(Json{{"path", p.path}, {"node", p.node}});
  }
  j["disks"] = Json::array();
  for (const Disk& d : f.disks) j["disks"].push_back(DiskJson(d));
  j["volumes"] = Json::array();
  for (const Volume& v : f.volumes) j["volumes"].push_back(VolumeJson(v));
  return j.dump(2) + "\n";
}

std::optional<std::string> ReadFixtureText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Fixture LoadFixture(const std::filesystem::path& file) {
  std::optional<std::string> text = ReadFixtureText(file);
  if (!text) throw FixtureError("cannot read " + file.u8string());
  return ParseFixture(*text);
}

Fixture LoadFixtureOrEmpty(const std::filesystem::path& file) {
  try {
    return LoadFixture(file);
  } catch (const std::exception&) {
    return {};
  }
}

// Written beside and moved into place, so that a library reading the file
// at the same moment never sees half a machine.
void SaveFixture(const Fixture& fixture, const std::filesystem::path& file) {
  const std::string text = WriteFixture(fixture);
  std::filesystem::path written = file;
  written += ".new";
  std::ofstream out(written, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  // On Windows the replacement fails while a reader holds the old file
  // open, and the simulated library reads it at every call: try again a
  // little later.
  constexpr int kAttempts = 50;
  std::error_code error;
  for (int attempt = 0; out && attempt < kAttempts; ++attempt) {
    std::filesystem::rename(written, file, error);
    if (!error) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!out || error) {
    std::filesystem::remove(written, error);
    throw FixtureError("cannot write " + file.u8string());
  }
}

Sector IdentifySector(const AtaDrive& drive, std::uint64_t diskSize) {
  if (drive.identifySector) return *drive.identifySector;
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
  s[510] = 0xA5;  // integrity word signature
  Checksum(s);
  return s;
}

Sector AttributeSector(const AtaDrive& drive) {
  if (drive.attributeSector) return *drive.attributeSector;
  Sector s{};
  PutWord(s, 0, kSmartRevision);
  for (std::size_t i = 0; i < drive.attributes.size() && i < kMaxAttributes; ++i) {
    const Attribute& a = drive.attributes[i];
    std::uint8_t* e = s.data() + 2 + i * kEntrySize;
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
  for (std::size_t i = 0; i < drive.attributes.size() && i < kMaxAttributes; ++i) {
    std::uint8_t* e = s.data() + 2 + i * kEntrySize;
    e[0] = drive.attributes[i].id;
    e[1] = drive.attributes[i].threshold;
  }
  Checksum(s);
  return s;
}

std::vector<std::uint8_t> NvmeIdentifyController(const NvmeDrive& drive) {
  std::vector<std::uint8_t> data(4096, 0);
  auto put = [&](std::size_t at, std::size_t length, std::string text) {
    text.resize(length, ' ');
    std::copy(text.begin(), text.end(), data.begin() + static_cast<std::ptrdiff_t>(at));
  };
  auto putLittle = [&](std::size_t at, std::size_t length, std::uint32_t value) {
    for (std::size_t i = 0; i < length; ++i)
      data[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put(4, 20, drive.serial);
  put(24, 40, drive.model);
  put(64, 8, drive.firmware);
  data[77] = 5;                  // largest transfer: 32 pages
  putLittle(78, 2, 1);           // controller ID
  putLittle(80, 4, 0x00010400);  // version 1.4
  // Composite temperature thresholds, Kelvin.
  putLittle(266, 2, static_cast<std::uint32_t>(kNvmeWarningCelsius + kZeroCelsiusKelvin));
  putLittle(268, 2, static_cast<std::uint32_t>(kNvmeCriticalCelsius + kZeroCelsiusKelvin));
  data[512] = 0x66;      // submission queue entries of 64 bytes
  data[513] = 0x44;      // completion queue entries of 16 bytes
  putLittle(516, 4, 1);  // one namespace
  return data;
}

Sector NvmeHealthLog(const NvmeDrive& drive) {
  if (drive.healthLog) return *drive.healthLog;
  Sector s{};
  for (const auto& layout : ardmon::nvme::kHealthFields) {
    ardmon::nvme::WriteHealthField(s.data(), layout.field, drive.Get(layout.field));
  }
  return s;
}

std::optional<AccessMethod> AccessMethodFromName(std::string_view name) {
  for (const MethodName& m : kMethodNames) {
    if (m.name == name) return m.method;
  }
  return std::nullopt;
}

std::string_view AccessMethodName(AccessMethod method) {
  for (const MethodName& m : kMethodNames) {
    if (m.method == method) return m.name;
  }
  return {};
}

std::optional<Quirk> QuirkFromName(std::string_view name) {
  for (const QuirkEntry& q : kQuirkNames) {
    if (q.name == name) return q.quirk;
  }
  return std::nullopt;
}

std::string_view QuirkName(Quirk quirk) {
  for (const QuirkEntry& q : kQuirkNames) {
    if (q.quirk == quirk) return q.name;
  }
  return {};
}

}  // namespace disklib::sim
