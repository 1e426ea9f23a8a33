// Arbitrary attribute and threshold sectors, as a drive or a damaged reply
// may hold them: the drive's health and the page's rows never disagree,
// and no row reads past its sector.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/smart_evaluation.h"
#include "monitor/pages/smart_list.h"
#include "resources/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  monitor::SlotTable table;
  ardmon::TempInfoRecord& record = table.slots[0].slotRecord.Temp;
  table.slots[0].slotRecord.Present = 1;
  record.SmartSupported = 1;
  const std::size_t attributes = std::min(size, sizeof record.AttributeData);
  std::memcpy(record.AttributeData, data, attributes);
  std::memcpy(record.ThresholdData, data + attributes,
              std::min(size - attributes, sizeof record.ThresholdData));

  static const ardmon::TableStrings strings(ardmon::Language::Japanese);
  const auto rows = monitor::AttributeRows(table, strings);
  const std::uint8_t health = ardmon::EvaluateSmart(record).status;
  const auto has = [&](std::uint32_t colour) {
    return std::any_of(rows.begin(), rows.end(), [&](const monitor::AttributeRow& row) {
      return row.itemData >> 8 == colour;
    });
  };
  const std::uint8_t shown = has(monitor::kBadRowColour)       ? ardmon::kHealthBad
                             : has(monitor::kCautionRowColour) ? ardmon::kHealthCaution
                                                               : ardmon::kHealthGood;
  if (rows.size() > ardmon::kSmartEntries || shown != health) __builtin_trap();
  for (const monitor::AttributeRow& row : rows) {
    monitor::AttributeDescription(table, row.itemData, strings);
  }
  return 0;
}
