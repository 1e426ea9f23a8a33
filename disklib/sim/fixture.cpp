// The fixture as a whole: its five lists, the references between them, and
// the file it is read from and written back to. Each part has a file of its
// own: fixture_devices.cpp, fixture_disks.cpp, fixture_ata.cpp and
// fixture_nvme.cpp.
#include "disklib/sim/fixture.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "disklib/sim/fixture_json.h"

namespace disklib::sim {
namespace {

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

template <typename Part>
void ParseList(ObjectReader& r, const char* key, std::vector<Part>& parts,
               Part (*parse)(const Json&, const std::string&)) {
  const Json& list = r.List(key);
  for (std::size_t i = 0; i < list.size(); ++i) parts.push_back(parse(list[i], Indexed(key, i)));
}

template <typename Part>
Json ListJson(const std::vector<Part>& parts, Json (*write)(const Part&)) {
  Json list = Json::array();
  for (const Part& part : parts) list.push_back(write(part));
  return list;
}

}  // namespace

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
  ParseList(r, "services", f.services, ParseService);
  ParseList(r, "devices", f.devices, ParseDevice);
  ParseList(r, "storagePorts", f.storagePorts, ParsePort);
  ParseList(r, "disks", f.disks, ParseDisk);
  ParseList(r, "volumes", f.volumes, ParseVolume);
  r.Finish();
  CheckConsistency(f);
  return f;
}

std::string WriteFixture(const Fixture& f) {
  Json j;
  if (!f.services.empty()) j["services"] = ListJson(f.services, ServiceJson);
  j["devices"] = ListJson(f.devices, DeviceJson);
  j["storagePorts"] = ListJson(f.storagePorts, PortJson);
  j["disks"] = ListJson(f.disks, DiskJson);
  j["volumes"] = ListJson(f.volumes, VolumeJson);
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

void SaveFixture(const Fixture& fixture, const std::filesystem::path& file) {
  ReplaceFileText(file, WriteFixture(fixture));
}

void ReplaceFileText(const std::filesystem::path& file, const std::string& text) {
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

}  // namespace disklib::sim
