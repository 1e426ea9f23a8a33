#include "monitor/pages/graph.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "monitor/pages/csv.h"
#include "monitor/settings.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

// Digits, commas and line ends are the same bytes in every ANSI code page,
// so the data lines are written as bytes at once; only the header needs
// the conversion.
template <typename Number>
void AppendDecimal(std::string& text, Number value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.append(digits, end);
}

}  // namespace

std::string GraphCsv(const TemperatureHistory& history, const SlotTable& table,
                     const ardmon::Strings& strings, const CodePage& codePage) {
  std::vector<int> present;
  std::u16string header = CsvField(strings.Get(IDS_TIME_MINUTE));
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!table.Present(slot)) continue;
    present.push_back(slot);
    header += u',' + CsvField(table.slots[slot].displayName);
  }
  std::string csv = codePage.FromUtf16(header) + '\n';
  csv.reserve(csv.size() + history.size() * (12 + 4 * present.size()));
  for (std::size_t sample = 0; sample < history.size(); ++sample) {
    AppendDecimal(csv, history.TimeOf(sample));
    csv += ',';
    for (const int slot : present) {
      if (!history.Emptied(sample, slot)) {
        AppendDecimal(csv, unsigned{history.TemperatureOf(sample, slot)});
      }
      csv += ',';
    }
    csv += "\r\n";
  }
  return csv;
}

void GraphPageCore::AddGraphSample(int intervalMinutes) {
  SlotTemperatures temperatures;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    temperatures[slot] = table_.slots[slot].slotRecord.Temp.Temperature;
  }
  // The cycle's intervals are remainders of an hour, never negative.
  history_.Append(static_cast<std::uint32_t>(std::max(intervalMinutes, 0)), temperatures);
  window_.Follow(history_.TotalMinutes());
}

void GraphPageCore::ClearGraphSlot(int slot) {
  if (slot >= 0 && slot < kSlotCount) history_.ClearSlot(slot);
}

void GraphPageCore::Clear() {
  history_.Clear();
  window_.Rewind();
}

GraphScene GraphPageCore::Scene(int width, int height) const {
  return BuildScene(history_, table_.selectedSlot, window_, width, height,
                    Read(profile_, kWarningTemperature));
}

}  // namespace monitor
