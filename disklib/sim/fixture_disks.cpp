// A physical drive in the fixture: how Windows reaches it, which access
// methods answer, its driver's quirks, and the ATA or NVMe drive behind it.
#include <algorithm>
#include <iterator>
#include <tuple>

#include "disklib/sim/fixture_json.h"

namespace disklib::sim {
namespace {

// A fixture's name of an enumerator.
template <typename T>
struct Named {
  T value;
  std::string_view name;
};

constexpr Named<AccessMethod> kMethodNames[] = {
    {AccessMethod::SmartIoctl, "SmartIoctl"},
    {AccessMethod::ScsiDiskMiniport, "ScsiDiskMiniport"},
    {AccessMethod::SataMiniport, "SataMiniport"},
    {AccessMethod::AtaPassThrough12, "AtaPassThrough12"},
    {AccessMethod::AtaPassThrough16, "AtaPassThrough16"},
    {AccessMethod::BridgeCdb12, "BridgeCdb12"},
    {AccessMethod::BridgeCdb10, "BridgeCdb10"},
};

constexpr Named<Quirk> kQuirkNames[] = {
    {Quirk::GoodStatusNoData, "goodStatusNoData"},
    {Quirk::ShortTransfer, "shortTransfer"},
    {Quirk::TemperatureProperty, "temperatureProperty"},
    {Quirk::SmartAbortZeroData, "smartAbortZeroData"},
    {Quirk::FixedFormatSense, "fixedFormatSense"},
};

constexpr Named<PowerState> kPowerStateNames[] = {
    {PowerState::Active, "active"},
    {PowerState::Idle, "idle"},
    {PowerState::Standby, "standby"},
};

template <typename T, std::size_t N>
std::optional<T> ValueNamed(const Named<T> (&table)[N], std::string_view name) {
  for (const Named<T>& entry : table) {
    if (entry.name == name) return entry.value;
  }
  return std::nullopt;
}

template <typename T, std::size_t N>
std::string_view NameOf(const Named<T> (&table)[N], T value) {
  for (const Named<T>& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return {};
}

// IDENTIFY word 217: not reported, solid state, or a speed in rpm.
constexpr std::uint16_t kSolidState = 1;
constexpr std::uint16_t kLowestRpm = 0x0401;
constexpr std::uint16_t kHighestRpm = 0xFFFE;
constexpr std::uint32_t kMaxDelayMs = 600000;  // longer than any test waits

void ParsePower(ObjectReader& r, Disk& d) {
  const std::string state = r.String("powerState", "active");
  const std::optional<PowerState> power = PowerStateFromName(state);
  if (!power) r.Fail("\"powerState\" is active, idle or standby, not \"" + state + "\"");
  d.powerState = *power;
  d.osPowerDown = r.Bool("osPowerDown", false);
  d.rotationRate = static_cast<std::uint16_t>(r.Unsigned("rotationRate", kHighestRpm, 0));
  if (d.rotationRate > kSolidState && d.rotationRate < kLowestRpm) {
    r.Fail("\"rotationRate\" is 0, 1 or a speed from 1025 to 65534 rpm");
  }
  d.spinUpMs = static_cast<std::uint32_t>(r.Unsigned("spinUpMs", kMaxDelayMs, 0));
}

Inquiry ParseInquiry(const Json& json, const std::string& where) {
  ObjectReader q(json, where);
  Inquiry inquiry;
  inquiry.vendor = Bounded(q, "vendor", 8);
  inquiry.product = Bounded(q, "product", 16);
  inquiry.revision = Bounded(q, "revision", 4);
  inquiry.removable = q.Bool("removable", false);
  q.Finish();
  return inquiry;
}

ScsiAddress ParseScsiAddress(const Json& json, const std::string& where) {
  ObjectReader s(json, where);
  ScsiAddress address;
  address.portNumber = static_cast<std::uint8_t>(s.Unsigned("portNumber", 255, 0));
  address.pathId = static_cast<std::uint8_t>(s.Unsigned("pathId", 255, 0));
  address.targetId = static_cast<std::uint8_t>(s.Unsigned("targetId", 255, 0));
  address.lun = static_cast<std::uint8_t>(s.Unsigned("lun", 255, 0));
  s.Finish();
  return address;
}

}  // namespace

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
bool Disk::Asleep() const {
  return osPowerDown || powerState == PowerState::Standby;
}
bool Disk::operator==(const Disk& o) const {
  return std::tie(number, path, node, size, openable, answerDelayMs, inquiry, scsiAddress, methods,
                  ata, nvme, quirks, powerState, osPowerDown, rotationRate, spinUpMs) ==
         std::tie(o.number, o.path, o.node, o.size, o.openable, o.answerDelayMs, o.inquiry,
                  o.scsiAddress, o.methods, o.ata, o.nvme, o.quirks, o.powerState, o.osPowerDown,
                  o.rotationRate, o.spinUpMs);
}

Disk ParseDisk(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  Disk d;
  d.number = static_cast<std::uint32_t>(r.Unsigned("number", 0xFFFFFFFF));
  d.path = r.String("path");
  d.node = r.String("node");
  d.size = r.Unsigned("size", UINT64_MAX);
  d.openable = r.Bool("openable", true);
  d.answerDelayMs = static_cast<std::uint32_t>(r.Unsigned("answerDelayMs", kMaxDelayMs, 0));
  if (r.Has("inquiry")) d.inquiry = ParseInquiry(json.at("inquiry"), r.Where("inquiry"));
  if (r.Has("scsiAddress")) {
    d.scsiAddress = ParseScsiAddress(json.at("scsiAddress"), r.Where("scsiAddress"));
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
  ParsePower(r, d);
  r.Finish();
  return d;
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
  if (d.powerState != PowerState::Active) {
    j["powerState"] = std::string(PowerStateName(d.powerState));
  }
  if (d.osPowerDown) j["osPowerDown"] = true;
  if (d.rotationRate != 0) j["rotationRate"] = d.rotationRate;
  if (d.spinUpMs != 0) j["spinUpMs"] = d.spinUpMs;
  return j;
}

std::optional<AccessMethod> AccessMethodFromName(std::string_view name) {
  return ValueNamed(kMethodNames, name);
}

std::string_view AccessMethodName(AccessMethod method) {
  return NameOf(kMethodNames, method);
}

std::optional<Quirk> QuirkFromName(std::string_view name) {
  return ValueNamed(kQuirkNames, name);
}

std::string_view QuirkName(Quirk quirk) {
  return NameOf(kQuirkNames, quirk);
}

std::optional<PowerState> PowerStateFromName(std::string_view name) {
  return ValueNamed(kPowerStateNames, name);
}

std::string_view PowerStateName(PowerState state) {
  return NameOf(kPowerStateNames, state);
}

}  // namespace disklib::sim
