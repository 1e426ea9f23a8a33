#include "disklib/sim/spin_up_counts.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "disklib/sim/fixture.h"

namespace disklib::sim {

std::filesystem::path SpinUpCountsFile(const std::filesystem::path& fixtureFile) {
  std::filesystem::path counts = fixtureFile;
  counts.replace_extension(".counts.json");
  return counts;
}

std::map<std::uint32_t, std::uint32_t> LoadSpinUps(const std::filesystem::path& countsFile) {
  std::map<std::uint32_t, std::uint32_t> counts;
  const std::optional<std::string> text = ReadFixtureText(countsFile);
  if (!text) return counts;
  const nlohmann::json json = nlohmann::json::parse(*text, nullptr, false);
  if (!json.is_object() || !json.contains("disks") || !json["disks"].is_object()) return counts;
  for (const auto& [number, disk] : json["disks"].items()) {
    const auto spinUps = disk.find("spinUps");
    if (spinUps == disk.end() || !spinUps->is_number_unsigned()) continue;
    try {
      counts[static_cast<std::uint32_t>(std::stoul(number))] = spinUps->get<std::uint32_t>();
    } catch (const std::exception&) {  // not a disk number: not ours
    }
  }
  return counts;
}

void CountSpinUp(const std::filesystem::path& countsFile, std::uint32_t disk) {
  std::map<std::uint32_t, std::uint32_t> counts = LoadSpinUps(countsFile);
  ++counts[disk];
  nlohmann::ordered_json disks = nlohmann::ordered_json::object();
  for (const auto& [number, spinUps] : counts) {
    disks[std::to_string(number)] = {{"spinUps", spinUps}};
  }
  ReplaceFileText(countsFile, nlohmann::ordered_json{{"disks", disks}}.dump(2) + "\n");
}

}  // namespace disklib::sim
