#include "disklib/probe/probe_json.h"

#include <nlohmann/json.hpp>

namespace probe {
namespace {

using Json = nlohmann::ordered_json;

// "available_spare_percent" -> "availableSparePercent"
std::string CamelCase(const char* snake) {
  std::string out;
  for (bool upper = false; *snake; ++snake) {
    if (*snake == '_') {
      upper = true;
    } else {
      out += upper ? static_cast<char>(*snake - 'a' + 'A') : *snake;
      upper = false;
    }
  }
  return out;
}

Json AttributesJson(const ardmon::DriveFacts& drive) {
  Json attributes = Json::array();
  for (const ardmon::NamedAttribute& attribute : drive.attributes) {
    const ardmon::JudgedAttribute& judged = attribute.judged;
    attributes.push_back({{"id", judged.id},
                          {"name", attribute.name},
                          {"value", judged.value},
                          {"worst", judged.worst},
                          {"threshold", judged.threshold},
                          {"raw", judged.raw},
                          {"verdict", ardmon::HealthWord(judged.verdict)}});
  }
  return attributes;
}

Json NvmeJson(const ardmon::DriveFacts& drive) {
  if (!drive.nvmeLog) return nullptr;
  Json log = Json::object();
  for (std::size_t i = 0; i < ardmon::nvme::kHealthFieldCount; ++i) {
    log[CamelCase(ardmon::NvmeFieldKey(ardmon::nvme::kHealthFields[i].field))] =
        (*drive.nvmeLog)[i];
  }
  return log;
}

}  // namespace

std::string DrivesJson(const std::vector<ardmon::DriveFacts>& drives) {
  Json list = Json::array();
  for (const ardmon::DriveFacts& drive : drives) {
    const bool nvme = drive.protocol == ardmon::DriveProtocol::Nvme;
    list.push_back({
        {"number", drive.number},
        {"model", drive.model},
        {"serial", drive.serial},
        {"firmware", drive.firmware},
        {"letters", drive.letters},
        {"sizeBytes", drive.sizeBytes},
        {"protocol", nvme ? "nvme" : "ata"},
        {"powerState", ardmon::NameOfPower(drive.power).word},
        {"temperatureC", drive.temperatureC ? Json(*drive.temperatureC) : Json(nullptr)},
        {"health", ardmon::HealthWord(drive.health)},
        {"powerOnHours", drive.asleep() ? Json(nullptr) : Json(drive.powerOnHours)},
        {"attributes", AttributesJson(drive)},
        {"nvme", NvmeJson(drive)},
    });
  }
  // The texts are UTF-8 already; a byte that is not would be replaced, never
  // passed on.
  return Json{{"drives", list}}.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace probe
