// ardmon-history: writes a graph history for the demo, so that the Graph
// page shows lines at once. The drives are read from a simulated machine as
// the monitor reads them; each gets samples at a check interval of
// 2 minutes over the last days, its temperature swinging a few degrees
// with the time of day around what the machine says now.
//
//   ardmon-history FIXTURE HISTORY_FILE [DAYS]   (7)
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>

#include "disklib/sim/simulated_library.h"
#include "monitor/in_process_channel.h"
#include "monitor/memory_profile.h"
#include "monitor/monitor_cycle.h"
#include "monitor/pages/graph.h"

namespace {

constexpr std::int64_t kDay = 86400;
constexpr int kIntervalMinutes = 2;
constexpr double kPi = 3.14159265358979323846;

std::uint8_t Swung(std::uint8_t celsius, std::int64_t time, int slot) {
  if (celsius == 0) return 0;
  const double day = 2 * kPi * static_cast<double>(time % kDay) / kDay;
  return static_cast<std::uint8_t>(std::lround(celsius + 4 * std::sin(day + slot) - 2));
}

}  // namespace

int main(int argc, char** argv) {
  const int days = argc > 3 ? std::atoi(argv[3]) : 7;
  if (argc < 3 || days < 1) {
    std::cerr << "usage: ardmon-history FIXTURE HISTORY_FILE [DAYS]\n";
    return 2;
  }
  disklib::StackLibrary library = disklib::sim::SimulatedLibrary(argv[1]);
  monitor::InProcessChannel channel(library);
  monitor::CycleRequest request{true, {}, std::nullopt};
  request.readTemperature.fill(true);
  const auto records = monitor::FetchCycleRecords(request, channel);

  monitor::SlotTable table;
  for (int slot = 0; slot < monitor::kSlotCount; ++slot)
    table.slots[slot].slotRecord = records->disks[slot];
  monitor::MemoryProfile profile;
  monitor::GraphPageCore graph(table, profile);
  const std::int64_t now = std::time(nullptr);
  monitor::StoredHistory empty;
  empty.lastSampleTime = now;
  graph.Adopt(std::move(empty));
  for (std::int64_t time = now - days * kDay; time <= now; time += kIntervalMinutes * 60) {
    for (int slot = 0; slot < monitor::kSlotCount; ++slot) {
      if (!table.Present(slot)) graph.ClearGraphSlot(slot);  // as every cycle does
      table.slots[slot].slotRecord.Temp.Temperature =
          Swung(records->disks[slot].Temp.Temperature, time, slot);
    }
    table.lastSampleTime = time;
    graph.AddGraphSample(graph.history().empty() ? 0 : kIntervalMinutes);
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << monitor::HistoryHeader(now) << graph.TakeRecords();
  if (!out.flush()) {
    std::cerr << "ardmon-history: cannot write " << argv[2] << "\n";
    return 1;
  }
  std::cout << "wrote " << graph.history().size() << " samples over " << days << " days to "
            << argv[2] << "\n";
  return 0;
}
