#include "monitor/drive_texts.h"

#include <cstdio>

#include "monitor/record_text.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

std::u16string Capacity(std::uint64_t bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2fGB", static_cast<double>(bytes) / 1073741824.0);
  return Widen(text);
}

unsigned HealthStringId(std::uint8_t status) {
  switch (status) {
    case ardmon::kHealthGood:
      return IDS_HEALTH_GOOD;
    case ardmon::kHealthCaution:
      return IDS_HEALTH_CAUTION;
    case ardmon::kHealthBad:
      return IDS_HEALTH_BAD;
    default:
      return IDS_UNKNOWN;
  }
}

}  // namespace

std::u16string DriveText(const ardmon::DiskInfoTable& record, const ardmon::Strings& strings) {
  std::u16string letters = WidenField(record.DriveLetters);
  return letters.empty() ? strings.Get(IDS_NO_VALUE) : letters;
}

std::u16string ModelText(const ardmon::DiskInfoTable& record, const ardmon::Strings& strings) {
  std::u16string model = WidenField(record.Temp.ModelNumber);
  if (model.empty()) model = WidenField(record.InquiryId);
  if (model.empty()) model = strings.Get(IDS_UNKNOWN);
  return Trimmed(model);
}

std::u16string HealthText(std::uint8_t status, bool accepted, const ardmon::Strings& strings) {
  return strings.Get(HealthStringId(status)) + (accepted ? strings.Get(IDS_ACCEPTED_MARK) : u"");
}

std::u16string TemperatureNumber(std::uint8_t temperature, const ardmon::Strings& strings) {
  return temperature ? Widen(std::to_string(temperature)) : strings.Get(IDS_NO_VALUE);
}

std::array<std::u16string, kColumnCount> RowCells(const ardmon::DiskInfoTable& record,
                                                  DriveReading reading, bool accepted,
                                                  const ardmon::Strings& strings) {
  const std::uint8_t temperature = record.Temp.Temperature;
  unsigned smart = record.Temp.SmartSupported ? IDS_SMART_SUPPORTED : IDS_SMART_UNSUPPORTED;
  if (reading == DriveReading::kAsleepUnread) smart = IDS_NO_VALUE;
  std::u16string temperatureCell =
      temperature ? Widen(std::to_string(temperature)) + u"\u2103" : strings.Get(IDS_NO_VALUE);
  if (reading != DriveReading::kRead) temperatureCell = strings.Get(IDS_SLEEPING);
  return {DriveText(record, strings),
          ModelText(record, strings),
          Capacity(record.DiskSize),
          strings.Get(smart),
          temperatureCell,
          HealthText(record.Temp.HealthStatus, accepted, strings)};
}

}  // namespace monitor
