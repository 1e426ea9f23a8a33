// An NVMe drive in the fixture: its identity and health log fields, and
// the Identify Controller data and health log built from them.
#include <algorithm>
#include <tuple>

#include "common/nvme_identify.h"
#include "disklib/sim/fixture_json.h"

namespace disklib::sim {
namespace {

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

}  // namespace

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
  ardmon::nvme::WriteIdentifyWord(
      data.data(), ardmon::nvme::kWarningTemperatureOffset,
      static_cast<std::uint16_t>(kNvmeWarningCelsius + kZeroCelsiusKelvin));
  ardmon::nvme::WriteIdentifyWord(
      data.data(), ardmon::nvme::kCriticalTemperatureOffset,
      static_cast<std::uint16_t>(kNvmeCriticalCelsius + kZeroCelsiusKelvin));
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

}  // namespace disklib::sim
