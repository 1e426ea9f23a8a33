// How the fixture's parts are read from and written to JSON: the reader
// that reports misspelt keys, sectors as hex text, and the parse and write
// functions of each part. Internal to the simulator.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "disklib/sim/fixture.h"

namespace disklib::sim {

using Json = nlohmann::ordered_json;

// One JSON object being read: remembers which keys were asked for, so that
// a misspelt key is reported instead of silently ignored.
class ObjectReader {
 public:
  ObjectReader(const Json& json, std::string where);

  [[noreturn]] void Fail(const std::string& what) const;
  std::string Where(std::string_view key) const;

  bool Has(const char* key);
  const Json& Get(const char* key);
  std::string String(const char* key, std::optional<std::string> fallback = std::nullopt);
  bool Bool(const char* key, bool fallback);
  std::uint64_t Unsigned(const char* key, std::uint64_t max,
                         std::optional<std::uint64_t> fallback = std::nullopt);
  std::optional<std::vector<std::string>> StringList(const char* key);
  const Json& List(const char* key);
  // Fails on a key that was never asked for.
  void Finish() const;

 private:
  const Json& json_;
  std::string where_;
  std::set<std::string> seen_;
};

std::string Indexed(const std::string& where, std::size_t i);
// A text of at most `max` characters, empty when left out.
std::string Bounded(ObjectReader& reader, const char* key, std::size_t max);

Sector ParseSector(const Json& value, const std::string& where);
std::string SectorText(const Sector& sector);

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

Service ParseService(const Json& json, const std::string& where);
Json ServiceJson(const Service& service);
Device ParseDevice(const Json& json, const std::string& where);
Json DeviceJson(const Device& device);
StoragePort ParsePort(const Json& json, const std::string& where);
Json PortJson(const StoragePort& port);
Volume ParseVolume(const Json& json, const std::string& where);
Json VolumeJson(const Volume& volume);
Disk ParseDisk(const Json& json, const std::string& where);
Json DiskJson(const Disk& disk);
AtaDrive ParseAta(const Json& json, const std::string& where);
Json AtaJson(const AtaDrive& ata);
NvmeDrive ParseNvme(const Json& json, const std::string& where);
Json NvmeJson(const NvmeDrive& nvme);

}  // namespace disklib::sim
