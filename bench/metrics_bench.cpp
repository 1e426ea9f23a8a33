// The metrics scan's cost under Wine on the demo machine, in one run:
//   scan      one scan of the 26 drive numbers as the service makes it
//             (ReadAllDrives and the exposition text), with the simulated
//             library in this process, against one timer-driven monitor
//             cycle (RunMonitorCycle with fullRead) over the real pipe
//   pipe      GetTempInfo round trips through ServiceTransact, sent without
//             a pause while the installed "TempService" scans every
//             10 seconds into a folder of this run; each is counted as
//             during a scan or not by the scan's time that the file reports
// The program sits beside the simulated library's fixture, which it resets
// to the demo machine first.
//
// metrics_bench [SCANS]   (20)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/core_monitor.h"
#include "bench/timing.h"
#include "common/drive_facts.h"
#include "common/win32/wide_text.h"
#include "disklib/sim/fixture.h"
#include "disklib/sim/simulated_library.h"
#include "monitor/drive_list.h"
#include "monitor/memory_profile.h"
#include "monitor/monitor_cycle.h"
#include "monitor/monitor_hooks.h"
#include "monitor/win32/service_transact.h"
#include "monitor/win32/system_clock.h"
#include "resources/strings.h"
#include "service/metrics_text.h"
#include "tests/wine/service_control.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::MillisecondsSince;

double UnixSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// A sample's value in the file, or -1.
double SampleOf(const std::string& text, const std::string& name) {
  const std::size_t at = text.find("\n" + name + " ");
  return at == std::string::npos ? -1 : std::atof(text.c_str() + at + name.size() + 2);
}

void Configure(const std::wstring& folder, DWORD seconds) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, ardmon::Wide(service::kMetricsKey), 0, nullptr, 0,
                  KEY_SET_VALUE, nullptr, &key, nullptr);
  RegSetValueExW(key, ardmon::Wide(service::kMetricsFolderValue), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  RegSetValueExW(key, ardmon::Wide(service::kMetricsIntervalValue), 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&seconds), sizeof seconds);
  RegCloseKey(key);
}

struct Trip {
  double startUnix;
  double ms;
};

void PrintTrips(const char* what, std::vector<double> ms) {
  if (ms.empty()) return std::printf("  %-28s none\n", what), void();
  std::sort(ms.begin(), ms.end());
  std::printf("  %-28s %5zu trips, median %7.2f ms, 99th %7.2f ms, max %7.2f ms\n", what, ms.size(),
              ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
}

}  // namespace

int main(int argc, char** argv) {
  const int scans = argc > 1 ? std::atoi(argv[1]) : 20;
  if (scans < 1) {
    std::fprintf(stderr, "usage: metrics_bench [SCANS]\n");
    return 2;
  }
  const fs::path here = ardmon::ModulePath().parent_path();
  const fs::path fixture = here / L"ArdmonSim.json";
  if (!bench::ResetToDemoMachine("metrics_bench")) return 1;
  servicetest::ServiceControl service(L"TempService");
  if (!service.ok() || !service.EnsureRunning()) {
    std::fprintf(stderr, "metrics_bench: TempService is not installed or does not start\n");
    return 1;
  }

  disklib::StackLibrary library = disklib::sim::SimulatedLibrary(fixture);
  bench::CoreMonitor monitor;
  monitor.cycle.RunMonitorCycle(false);
  std::size_t bytes = 0;
  const auto times = bench::TimeInTurns(scans, {[&] {
                                                  service::DriveScan scan;
                                                  scan.drives = ardmon::ReadAllDrives(library);
                                                  bytes = service::MetricsText(scan).size();
                                                },
                                                [&] { monitor.cycle.RunMonitorCycle(true); }});
  std::printf("Demo machine, %d runs each (%zu bytes of metrics):\n", scans, bytes);
  bench::Print("metrics scan (library in process)", times[0]);
  bench::Print("monitor cycle over the pipe", times[1]);

  // The service scans at start and every interval; round trips for a
  // little more than one interval see the second scan whole.
  const fs::path folder = here / L"metrics-bench";
  fs::create_directories(folder);
  Configure(folder.wstring(), service::kShortestMetricsIntervalSeconds);
  SERVICE_STATUS status{};
  service.Control(SERVICE_CONTROL_STOP, status);
  if (!service.EnsureRunning()) return 1;
  std::vector<Trip> trips;
  const auto start = Clock::now();
  while (MillisecondsSince(start) < (service::kShortestMetricsIntervalSeconds + 1.5) * 1000) {
    ardmon::PipeMessage message{};
    message.Command = static_cast<std::uint32_t>(ardmon::PipeCommand::GetTempInfo);
    const double at = UnixSeconds();
    const auto sent = Clock::now();
    monitor::ServiceTransact(&message);
    trips.push_back({at, MillisecondsSince(sent)});
  }
  std::ostringstream text;
  text << std::ifstream(folder / L"quenby.prom", std::ios::binary).rdbuf();
  const double finished = SampleOf(text.str(), "quenby_scan_timestamp_seconds");
  const double duration = SampleOf(text.str(), "quenby_scan_duration_seconds");
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, ardmon::Wide(service::kMetricsKey));
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  if (finished < 0) {
    std::fprintf(stderr, "metrics_bench: the service wrote no metrics\n");
    return 1;
  }
  std::vector<double> during, outside;
  for (const Trip& trip : trips) {
    const bool overlaps =
        trip.startUnix <= finished && trip.startUnix + trip.ms / 1000 >= finished - duration;
    (overlaps ? during : outside).push_back(trip.ms);
  }
  std::printf("The service's own scan took %.2f ms; pipe round trips (GetTempInfo, drive 0):\n",
              duration * 1000);
  PrintTrips("while the service scans", during);
  PrintTrips("while it does not", outside);
  return 0;
}
