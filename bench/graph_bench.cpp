// The Graph page's history at its largest, under Wine, in one run:
//   memory   one year of samples at "TIME" 2 (262,800), as the history
//            counts its blocks and as the process's private bytes grow
//   paint    a repaint (the picture of the window and its drawing through
//            an off-screen bitmap) with one year of history against one
//            with one day, both showing the newest two hours as after a
//            sample: the year must cost at most 1.5 times the day
//   export   the CSV of one year for the four drives of the demo machine,
//            made, and made and written through the file system
//
// graph_bench [REPEATS]   (200)
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/timing.h"
#include "monitor/memory_profile.h"
#include "monitor/pages/graph.h"
#include "monitor/pages/win32/graph_painter.h"
#include "monitor/win32/ansi_code_page.h"
#include "monitor/win32/win32_file_system.h"
#include "resources/strings.h"

namespace {

using bench::Print;
using bench::Summary;

constexpr std::size_t kDaySamples = 24 * 60 / 2;
constexpr std::size_t kYearSamples = 365 * kDaySamples;
// About the drawing area's size on the page.
constexpr int kWidth = 420;
constexpr int kHeight = 170;

// The process's committed private memory (Wine leaves PrivateUsage at 0;
// on Windows the two are the same).
std::size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

// The demo machine's four drives, their temperatures wandering.
void FillDrives(monitor::SlotTable& table) {
  const char16_t* names[] = {u"C:MARLOWE MX500AS-01", u"D:TESSERA TS1000DM003-1CH1",
                             u"E:KESTREL KS2000NV-00A", u"F:ORBITA OB320UX-2H"};
  for (int slot = 0; slot < 4; ++slot) {
    table.slots[slot].slotRecord.Present = 1;
    table.slots[slot].displayName = names[slot];
  }
}

void AddSamples(monitor::GraphPageCore& graph, monitor::SlotTable& table, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    for (int slot = 0; slot < 4; ++slot) {
      table.slots[slot].slotRecord.Temp.Temperature =
          static_cast<std::uint8_t>(30 + (i / 7 + slot * 5) % 25);
    }
    graph.AddGraphSample(i == 0 ? 0 : 2);
  }
}

// A target like the page's: the screen's kind of bitmap.
class PaintTarget {
 public:
  PaintTarget() : screen_(GetDC(nullptr)), dc_(CreateCompatibleDC(screen_)) {
    bitmap_ = CreateCompatibleBitmap(screen_, kWidth, kHeight);
    old_ = SelectObject(dc_, bitmap_);
  }
  PaintTarget(const PaintTarget&) = delete;
  PaintTarget& operator=(const PaintTarget&) = delete;
  ~PaintTarget() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    ReleaseDC(nullptr, screen_);
  }
  HDC dc() const { return dc_; }

 private:
  HDC screen_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

void Paint(const monitor::GraphPageCore& graph, const PaintTarget& target) {
  monitor::PaintGraph(target.dc(), {0, 0}, graph.Scene(kWidth, kHeight));
}

double MegabytesPerSecond(std::size_t bytes, double ms) {
  return bytes / 1e6 / (ms / 1000);
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 200;
  if (repeats < 1) {
    std::fprintf(stderr, "usage: graph_bench [REPEATS]\n");
    return 2;
  }
  monitor::MemoryProfile profile;
  monitor::SlotTable table;
  FillDrives(table);

  const std::size_t before = PrivateBytes();
  monitor::GraphPageCore year(table, profile);
  AddSamples(year, table, kYearSamples);
  const std::size_t grown = PrivateBytes() - before;
  std::printf("History of one year at TIME 2 (%zu samples, %lld minutes):\n", year.history().size(),
              static_cast<long long>(year.history().TotalMinutes()));
  std::printf("  as counted          %8.2f bytes a sample (%zu bytes)\n",
              static_cast<double>(year.history().MemoryBytes()) / kYearSamples,
              year.history().MemoryBytes());
  std::printf("  as the process grew %8.2f bytes a sample (target <= 32)\n",
              static_cast<double>(grown) / kYearSamples);

  monitor::GraphPageCore day(table, profile);
  AddSamples(day, table, kDaySamples);
  const PaintTarget target;
  std::printf("\nA repaint of %dx%d pixels showing the newest two hours (%d runs each):\n", kWidth,
              kHeight, repeats);
  const std::vector<Summary> paints =
      bench::TimeInTurns(repeats, {[&] { Paint(day, target); }, [&] { Paint(year, target); }});
  Print("one day of history", paints[0]);
  Print("one year of history", paints[1]);
  std::printf("  ratio year/day: %.2f (target <= 1.5)\n", paints[1].medianMs / paints[0].medianMs);

  const ardmon::TableStrings strings(ardmon::Language::English);
  const monitor::AnsiCodePage ansi;
  monitor::Win32FileSystem files;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring path = std::wstring(temp) + L"graph_bench.csv";
  const std::u16string target16(path.begin(), path.end());
  const std::string csv = year.Csv(strings, ansi);
  const int exports = std::max(repeats / 20, 3);
  const std::vector<Summary> made = bench::TimeInTurns(
      exports, {[&] { year.Csv(strings, ansi); },
                [&] {
                  monitor::ReplaceTogether(files, {{target16, csv}});
                },
                [&] {
                  monitor::ReplaceTogether(files, {{target16, year.Csv(strings, ansi)}});
                }});
  std::filesystem::remove(path);
  std::printf("\nThe CSV of one year, four drives (%zu bytes, %d runs each):\n", csv.size(),
              exports);
  Print("made", made[0]);
  Print("written (beside, flushed, renamed)", made[1]);
  Print("made and written", made[2]);
  // The best run tells what the code does when the machine lets it run.
  for (const auto& [what, summary] :
       {std::pair{"made", made[0]}, {"written", made[1]}, {"made and written", made[2]}}) {
    std::printf("  %-18s %6.0f MB/s at the median, %6.0f MB/s at best\n", what,
                MegabytesPerSecond(csv.size(), summary.medianMs),
                MegabytesPerSecond(csv.size(), summary.minMs));
  }
  std::printf("  (target >= 50 MB/s)\n");
  return 0;
}
