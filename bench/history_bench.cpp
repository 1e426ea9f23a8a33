// The Graph page's history file at a year's size, under Wine:
//   size     one year at "TIME" 2 (262,800 samples) for four drives, as the
//            page records it, in bytes a sample
//   load     opening that file at start (read, checked, into the history)
//            against building the same history in memory without a file
//   append   one sample's records added to the file, as the worker does
//   compact  opening it when a day has passed: the file written anew
//
// history_bench [REPEATS]   (20)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/timing.h"
#include "monitor/memory_profile.h"
#include "monitor/pages/graph.h"
#include "monitor/store/history_file.h"
#include "monitor/win32/win32_file_system.h"

namespace {

using bench::Print;
using bench::Summary;

constexpr std::size_t kYearSamples = 365 * 24 * 60 / 2;
constexpr std::int64_t kNow = 1'765'000'000;
constexpr std::int64_t kDay = 86400;

std::uint8_t TemperatureAt(std::size_t sample, int slot) {
  return static_cast<std::uint8_t>(30 + (sample / 7 + slot * 5) % 25);
}

// A year as the page records it: each cycle clears the 22 empty slots and
// adds a sample of the four drives.
std::string YearOfRecords() {
  monitor::SlotTable table;
  for (int slot = 0; slot < 4; ++slot) {
    table.slots[slot].slotRecord.Present = 1;
    std::snprintf(table.slots[slot].slotRecord.Temp.ModelNumber, 41, "MODEL %d", slot);
    std::snprintf(table.slots[slot].slotRecord.Temp.SerialNumber, 21, "SERIAL%d", slot);
  }
  monitor::MemoryProfile profile;
  monitor::GraphPageCore graph(table, profile);
  monitor::StoredHistory empty;
  empty.lastSampleTime = kNow;
  graph.Adopt(std::move(empty));
  std::string records = monitor::HistoryHeader(kNow);
  for (std::size_t i = 0; i < kYearSamples; ++i) {
    for (int slot = 4; slot < monitor::kSlotCount; ++slot) graph.ClearGraphSlot(slot);
    for (int slot = 0; slot < 4; ++slot) {
      table.slots[slot].slotRecord.Temp.Temperature = TemperatureAt(i, slot);
    }
    table.lastSampleTime = kNow - 365 * kDay + static_cast<std::int64_t>(i) * 120;
    graph.AddGraphSample(i == 0 ? 0 : 2);
    records += graph.TakeRecords();
  }
  return records;
}

monitor::TemperatureHistory YearInMemory() {
  monitor::TemperatureHistory history;
  monitor::SlotTemperatures temperatures{};
  for (std::size_t i = 0; i < kYearSamples; ++i) {
    for (int slot = 0; slot < 4; ++slot) temperatures[slot] = TemperatureAt(i, slot);
    history.Append(i == 0 ? 0 : 2, temperatures);
  }
  return history;
}

std::u16string Utf16(const std::wstring& text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 20;
  if (repeats < 1) {
    std::fprintf(stderr, "usage: history_bench [REPEATS]\n");
    return 2;
  }
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path folder = std::filesystem::path(temp) / L"history_bench";
  std::filesystem::create_directories(folder);
  monitor::Win32FileSystem files;
  monitor::HistoryFile file(files, {Utf16(folder.wstring()), u""});

  const std::string year = YearOfRecords();
  std::printf("One year at TIME 2 for four drives (%zu samples):\n", kYearSamples);
  std::printf("  file size %zu bytes, %.2f bytes a sample (target <= 32)\n", year.size(),
              static_cast<double>(year.size()) / kYearSamples);

  files.WriteWhole(file.path(), year);
  std::size_t loaded = 0;
  const std::vector<Summary> loads = bench::TimeInTurns(
      repeats, {[&] { loaded = file.Open(kNow + 3600).stored.history.size(); },
                [&] { YearInMemory(); }, [&] { monitor::ReadWholeFile(files, file.path()); },
                [&] { monitor::ReadHistory(year, 0, std::nullopt); }});
  std::printf("\nStart with that file (%zu samples loaded, %d runs each):\n", loaded, repeats);
  Print("opened and loaded (target <= 150 ms)", loads[0]);
  Print("  of which reading the file", loads[2]);
  Print("  and reading the records in memory", loads[3]);
  Print("the same history built in memory", loads[1]);
  std::printf("  ratio file/memory: %.2f (target <= 2)\n", loads[0].medianMs / loads[1].medianMs);

  // A day later the file is written anew: its bytes are put back before
  // each run, untimed.
  std::vector<double> compactions;
  for (int i = 0; i < std::max(repeats / 4, 3); ++i) {
    files.WriteWhole(file.path(), year);
    const auto start = bench::Clock::now();
    file.Open(kNow + kDay);
    compactions.push_back(bench::MillisecondsSince(start));
  }
  std::sort(compactions.begin(), compactions.end());
  std::printf("\nCompaction of one year (%zu runs):\n", compactions.size());
  Print("opened a day later, written anew (target <= 1000 ms)",
        {compactions[compactions.size() / 2], compactions.front(), compactions.back()});

  const std::string one = year.substr(year.size() - 17);  // a cycle's clear and sample
  const std::vector<Summary> appends =
      bench::TimeInTurns(repeats * 50, {[&] { file.Append(one); }});
  std::printf("\nAppend of one cycle's records (%zu bytes, %d runs):\n", one.size(), repeats * 50);
  Print("appended on the worker (target <= 1 ms)", appends[0]);

  std::filesystem::remove_all(folder);
  return 0;
}
