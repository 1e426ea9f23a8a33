// Whatever records come over the pipe, as a damaged or hostile service may
// send them: the cycle applies them, and the drive list, the events, the
// tray icons and the pages read each text field no further than its end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "monitor/drive_list.h"
#include "monitor/memory_profile.h"
#include "monitor/monitor_cycle.h"
#include "monitor/pages/hdd_info.h"
#include "monitor/pages/smart_list.h"
#include "monitor/tray_icons.h"
#include "resources/strings.h"

namespace {

class IdleChannel : public monitor::ServiceChannel {
 public:
  std::uint32_t Transact(ardmon::PipeMessage&) override { return 0; }
};

class FixedClock : public monitor::Clock {
 public:
  std::int64_t Now() override { return 1'800'000'000; }
  std::optional<monitor::CalendarTime> Local(std::int64_t time) override {
    return monitor::CalendarAt(time, 0);
  }
};

class CountingTray : public monitor::TrayArea {
 public:
  bool ShowDriveIcon(const monitor::DriveIcon& icon) override {
    return icon.tip.size() <= monitor::kTipChars;
  }
  bool DeleteIcon(int) override { return false; }
  bool ShowAppIcon(const std::u16string&) override { return true; }
  bool RemoveAppIcon() override { return false; }
};

// The parts around the cycle, reading what it leaves as the real ones do.
class ReadingHooks : public monitor::MonitorHooks {
 public:
  ReadingHooks(monitor::SlotTable& table, monitor::DriveList& list, monitor::Profile& profile,
               const ardmon::Strings& strings)
      : table_(table), list_(list), profile_(profile), strings_(strings) {}
  void UpdateTrayIcons(bool show) override {
    CountingTray tray;
    monitor::UpdateTrayIcons(show, list_, table_, profile_, strings_, tray);
  }
  void RefreshDriveInfo() override { monitor::DriveFactsOf(table_, strings_); }
  void RefreshSmartList() override { monitor::AttributeRows(table_, strings_); }

 private:
  monitor::SlotTable& table_;
  monitor::DriveList& list_;
  monitor::Profile& profile_;
  const ardmon::Strings& strings_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ardmon::TableStrings strings(ardmon::Language::English);
  monitor::SlotTable table;
  monitor::DriveListModel list;
  monitor::MemoryProfile profile;
  IdleChannel channel;
  FixedClock clock;
  ReadingHooks hooks(table, list, profile, strings);
  monitor::MonitorCycle cycle(table, channel, profile, strings, list, hooks, clock);

  // Each record on the heap, exactly its size, so a read past it is seen.
  auto records = std::make_unique<monitor::CycleRecords>();
  std::memcpy(records->disks.data(), data, std::min(size, sizeof records->disks));
  // The bytes after the records say which drives sleep.
  const std::size_t flags = sizeof records->disks;
  for (std::size_t at = flags; at < size && at - flags < records->asleep.size(); ++at)
    records->asleep[at - flags] = data[at] & 1;
  monitor::CycleRequest request;
  request.fullRead = true;
  request.readTemperature.fill(true);
  for (int pass = 0; pass < 2; ++pass) {
    for (int slot = 0; slot < monitor::kSlotCount; ++slot) table.selectedSlot = slot;
    cycle.OnFetched(request, records.get());
  }
  return 0;
}
