// The Graph page's rules: the history it takes from the slot table at
// every sample, the window it shows, the picture of the selected drive
// and the CSV export.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "monitor/code_page.h"
#include "monitor/pages/graph_history.h"
#include "monitor/pages/graph_scene.h"
#include "monitor/pages/graph_window.h"
#include "monitor/profile.h"
#include "monitor/slot_table.h"
#include "monitor/store/history_records.h"
#include "resources/strings.h"

namespace monitor {

// The export: a header of "Time(minute)" and the display names of the
// slots present now, ended by LF; then per sample its time and the texts of
// those slots, each followed by a comma, and CR LF.
std::string GraphCsv(const TemperatureHistory& history, const SlotTable& table,
                     const ardmon::Strings& strings, const CodePage& codePage);

class GraphPageCore {
 public:
  GraphPageCore(const SlotTable& table, Profile& profile) : table_(table), profile_(profile) {}

  // The history kept across runs: the samples from now on continue it and
  // are recorded for its file, and the first of them empties the columns of
  // the slots whose drive is not the one the file names.
  void Adopt(StoredHistory stored);
  // The file's records for the changes since the last call.
  std::string TakeRecords() { return records_ ? records_->Take() : std::string(); }

  // A sample of every slot's temperature, `intervalMinutes` after the last.
  void AddGraphSample(int intervalMinutes);
  void ClearGraphSlot(int slot);
  // Drops the history; the window goes back to its start.
  void Clear();
  void ScrollTime(ScrollAction action, int thumb) { window_.ScrollTime(action, thumb); }
  void ScrollTemperature(ScrollAction action, int thumb) {
    window_.ScrollTemperature(action, thumb);
  }

  // The selected slot's picture, with its drive's warning temperature now.
  GraphScene Scene(int width, int height) const;
  std::string Csv(const ardmon::Strings& strings, const CodePage& codePage) const {
    return GraphCsv(history_, table_, strings, codePage);
  }

  const GraphWindow& window() const { return window_; }
  const TemperatureHistory& history() const { return history_; }

 private:
  void RecordDrives();

  const SlotTable& table_;
  Profile& profile_;
  TemperatureHistory history_;
  GraphWindow window_;
  // Once adopted: the drives the file names and what to append to it.
  SlotDrives drives_;
  std::optional<HistoryRecords> records_;
  // Slots whose drive is still to be compared with the one the file names.
  std::array<bool, kSlotCount> unconfirmed_{};
};

}  // namespace monitor
