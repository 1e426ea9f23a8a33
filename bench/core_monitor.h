// What the cycle benchmarks share: the monitor's core with nothing around
// it (no window, no tray, no log), over the real pipe client, and the demo
// machine put back into the simulated library's fixture before a run.
#pragma once

#include <cstdio>
#include <exception>
#include <filesystem>

#include "common/win32/wide_text.h"
#include "disklib/sim/fixture.h"
#include "monitor/drive_list.h"
#include "monitor/memory_profile.h"
#include "monitor/monitor_cycle.h"
#include "monitor/monitor_hooks.h"
#include "monitor/win32/service_transact.h"
#include "monitor/win32/system_clock.h"
#include "resources/strings.h"

namespace bench {

struct CoreMonitor {
  monitor::SlotTable table;
  monitor::PipeServiceChannel channel;
  monitor::MemoryProfile profile;
  ardmon::TableStrings strings{ardmon::Language::English};
  monitor::DriveListModel list;
  monitor::MonitorHooks hooks;
  monitor::SystemClock clock;
  monitor::MonitorCycle cycle{table, channel, profile, strings, list, hooks, clock};
};

// Writes the demo machine over the fixture beside the benchmark; false, with
// the reason printed, when it cannot.
inline bool ResetToDemoMachine(const char* program) {
  const std::filesystem::path fixture = ardmon::ModulePath().parent_path() / L"ArdmonSim.json";
  try {
    disklib::sim::SaveFixture(
        disklib::sim::LoadFixture(L"Z:" + std::filesystem::path(ARDMON_DEMO_FIXTURE).wstring()),
        fixture);
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: no demo machine: %s\n", program, e.what());
    return false;
  }
}

}  // namespace bench
