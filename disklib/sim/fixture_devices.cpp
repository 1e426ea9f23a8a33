// The fixture's machine around its disks: driver services, device nodes,
// storage ports and volumes.
#include <cctype>
#include <iterator>
#include <tuple>

#include "disklib/sim/fixture_json.h"

namespace disklib::sim {
namespace {

// GetDriveTypeW's values by the names fixtures use.
constexpr std::string_view kDriveTypeNames[] = {"unknown", "noRootDir", "removable", "fixed",
                                                "remote",  "cdrom",     "ramdisk"};

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

}  // namespace

bool Service::operator==(const Service& o) const {
  return std::tie(name, type, start, imageExists) ==
         std::tie(o.name, o.type, o.start, o.imageExists);
}
bool Device::operator==(const Device& o) const {
  return std::tie(id, parent, hardwareIds, upperFilters, present) ==
         std::tie(o.id, o.parent, o.hardwareIds, o.upperFilters, o.present);
}
bool StoragePort::operator==(const StoragePort& o) const {
  return std::tie(path, node) == std::tie(o.path, o.node);
}
bool Volume::operator==(const Volume& o) const {
  return std::tie(letter, type, dosDevice, disks) ==
         std::tie(o.letter, o.type, o.dosDevice, o.disks);
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

Json DeviceJson(const Device& d) {
  Json j;
  j["id"] = d.id;
  if (!d.parent.empty()) j["parent"] = d.parent;
  if (d.hardwareIds) j["hardwareIds"] = *d.hardwareIds;
  if (d.upperFilters) j["upperFilters"] = *d.upperFilters;
  if (!d.present) j["present"] = false;
  return j;
}

StoragePort ParsePort(const Json& json, const std::string& where) {
  ObjectReader r(json, where);
  StoragePort p;
  p.path = r.String("path");
  p.node = r.String("node");
  r.Finish();
  return p;
}

Json PortJson(const StoragePort& port) {
  return Json{{"path", port.path}, {"node", port.node}};
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

}  // namespace disklib::sim
