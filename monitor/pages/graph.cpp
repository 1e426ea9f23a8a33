#include "monitor/pages/graph.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

#include "monitor/settings.h"
#include "monitor/store/csv.h"
#include "monitor/warning_limit.h"
#include "resources/resource_ids.h"

namespace monitor {
namespace {

// Digits, commas and line ends are the same bytes in every ANSI code page,
// so the data lines are written as bytes straight away; only the header
// needs the conversion. Each line takes at most a time of 10 digits, a
// temperature of 3 per slot, their commas and CR LF. The room is reserved,
// not filled: a year of history touches only the memory it uses.
void AppendDataLines(std::string& csv, const TemperatureHistory& history,
                     const std::vector<int>& slots) {
  const std::size_t longest = 11 + 4 * slots.size() + 2;
  csv.reserve(csv.size() + history.size() * longest);
  std::vector<char> line(longest);
  history.ForEachSample(
      [&](std::size_t sample, std::int64_t time, const SlotTemperatures& temperatures) {
        char* out = std::to_chars(line.data(), line.data() + 10, time).ptr;
        *out++ = ',';
        for (const int slot : slots) {
          if (!history.Emptied(sample, slot)) {
            out = std::to_chars(out, out + 3, unsigned{temperatures[slot]}).ptr;
          }
          *out++ = ',';
        }
        *out++ = '\r';
        *out++ = '\n';
        csv.append(line.data(), out);
      });
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
  AppendDataLines(csv, history, present);
  return csv;
}

void GraphPageCore::Adopt(StoredHistory stored) {
  history_ = std::move(stored.history);
  drives_ = std::move(stored.drives);
  records_.emplace(stored.lastSampleTime);
  unconfirmed_.fill(true);
  window_.Rewind();
  window_.Follow(history_.TotalMinutes());
}

void GraphPageCore::AddGraphSample(int intervalMinutes) {
  if (records_) RecordDrives();
  SlotTemperatures temperatures;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    temperatures[slot] = SampledTemperature(table_.slots[slot]);
  }
  // The cycle's intervals are remainders of an hour, never negative.
  const auto interval = static_cast<std::uint32_t>(std::max(intervalMinutes, 0));
  history_.Append(interval, temperatures);
  if (records_) records_->Sample(interval, table_.lastSampleTime, temperatures);
  window_.Follow(history_.TotalMinutes());
}

// A slot's samples belong to the drive that was in it. While the program
// runs a drive only leaves through an empty slot, which clears its column.
// A drive asleep since it came has no name yet: its slot waits until it is
// read, lest a sleeping disk lose its history.
void GraphPageCore::RecordDrives() {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const DriveSlot& occupant = table_.slots[slot];
    if (occupant.reading == DriveReading::kAsleepUnread) continue;
    const bool adopted = std::exchange(unconfirmed_[slot], false);
    SlotDrive drive = table_.Present(slot) ? SlotDriveOf(occupant.slotRecord) : SlotDrive{};
    if (drive == drives_[slot]) continue;
    if (adopted) ClearGraphSlot(slot);
    records_->Drive(slot, drive);
    drives_[slot] = std::move(drive);
  }
}

// The cycle clears every empty slot at every pass: only a clear that
// empties texts is recorded.
void GraphPageCore::ClearGraphSlot(int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  if (history_.empty() || history_.Emptied(history_.size() - 1, slot)) return;
  history_.ClearSlot(slot);
  if (records_) records_->ClearSlots(1u << slot);
}

void GraphPageCore::Clear() {
  history_.Clear();
  window_.Rewind();
  if (records_) records_->ClearAll();
}

// "TEMP" while no drive is selected.
GraphScene GraphPageCore::Scene(int width, int height) const {
  const std::optional<WarningLimit> limit = SelectedWarningLimit(table_, profile_);
  return BuildScene(history_, table_.selectedSlot, window_, width, height,
                    limit ? limit->celsius : ReadUnsigned(profile_, kWarningTemperature));
}

}  // namespace monitor
