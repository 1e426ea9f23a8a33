// Timings of the monitoring cycle under Wine, against the installed
// "TempService" serving the demo machine, in one run:
//   cycle     one timer-driven cycle over the 26 slots: the real core
//             (RunMonitorCycle with fullRead) over the real pipe client
//   floor     what such a cycle cannot do without: its 52 messages as raw
//             pipe round trips (connection, write, read) to an echo in a
//             process of its own, plus the simulated library's own time for
//             the same 52 calls, made in this process
//   service   the same 52 messages through ServiceTransact alone, and as
//             echoed round trips with the exchange's reply event and
//             flushes, which tell the exchange's share from the cycle's
//   stopped   one cycle with the service stopped: how long it holds the
//             interface
// The program sits beside the simulated library's fixture, which it resets
// to the demo machine first.
//
// monitor_bench [CYCLES]   (20)
// monitor_bench --echo bare|exchange   the echo process, started by the above
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/core_monitor.h"
#include "bench/echo_exchange.h"
#include "bench/timing.h"
#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/sim/fixture.h"
#include "disklib/sim/simulated_library.h"
#include "monitor/drive_list.h"
#include "monitor/memory_profile.h"
#include "monitor/monitor_cycle.h"
#include "monitor/monitor_hooks.h"
#include "monitor/slot_table.h"
#include "monitor/win32/service_transact.h"
#include "monitor/win32/system_clock.h"
#include "resources/strings.h"
#include "tests/wine/service_control.h"

namespace {

using ardmon::PipeCommand;
using ardmon::PipeMessage;
using bench::Clock;
using bench::MillisecondsSince;
using bench::Print;
using bench::Summary;
using bench::TimeInTurns;

constexpr int kSlots = 26;
using bench::kMessageSize;

// The messages of one full cycle, in its order: for each slot GetDiskInfo,
// then GetTempInfo.
PipeMessage CycleMessage(int index) {
  PipeMessage message{};
  message.Command =
      static_cast<std::uint32_t>(index % 2 ? PipeCommand::GetTempInfo : PipeCommand::GetDiskInfo);
  message.Argument = static_cast<std::uint32_t>(index / 2);
  return message;
}

// How a round trip goes: bare (connect, write, read), or as the service's
// exchange goes (a reply event, and flushes on both sides).
using bench::Exchange;
constexpr Exchange kBare{L"\\\\.\\pipe\\ArdmonMonitorBenchEcho", nullptr};
constexpr Exchange kWithEvent{L"\\\\.\\pipe\\ArdmonMonitorBenchExchange",
                              L"Global\\ArdmonMonitorBenchReply"};

// A busy pipe is waited for, so no time goes to sleep.
HANDLE OpenPipe(const Exchange& exchange) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const HANDLE pipe = CreateFileW(exchange.pipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    if (!WaitNamedPipeW(exchange.pipe, 100)) Sleep(10);  // no pipe yet
  }
  return INVALID_HANDLE_VALUE;
}

void RoundTrip(const Exchange& exchange, PipeMessage& message) {
  const HANDLE event =
      exchange.event ? CreateEventW(nullptr, FALSE, FALSE, exchange.event) : nullptr;
  const HANDLE pipe = OpenPipe(exchange);
  if (pipe != INVALID_HANDLE_VALUE) {
    DWORD moved = 0;
    WriteFile(pipe, &message, kMessageSize, &moved, nullptr);
    if (event) {
      FlushFileBuffers(pipe);
      WaitForSingleObject(event, 3000);
    }
    ReadFile(pipe, &message, kMessageSize, &moved, nullptr);
    CloseHandle(pipe);
  }
  if (event) CloseHandle(event);
}

// "monitor_bench --echo bare|exchange": sends each message back, one
// connection per message as the service takes them, without the library,
// until it is ended.
int ServeEcho(const Exchange& exchange) {
  const HANDLE pipe =
      CreateNamedPipeW(exchange.pipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                       kMessageSize, kMessageSize, 1000, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return 1;
  PipeMessage message;
  for (;;) {
    if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) continue;
    bench::EchoOneClient(pipe, exchange, message);
  }
}

// The echo in a process of its own, as the service is: the same crossing
// between processes.
class EchoProcess {
 public:
  EchoProcess(const char* mode, const Exchange& exchange) {
    const std::wstring exe = ardmon::ModulePath().wstring();
    std::wstring commandLine =
        L"\"" + exe + L"\" --echo " + std::wstring(mode, mode + strlen(mode));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
      return;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    for (int i = 0; i < 500 && !listening_; ++i) {
      listening_ = WaitNamedPipeW(exchange.pipe, 10) || GetLastError() == ERROR_SEM_TIMEOUT;
      if (!listening_) Sleep(10);
    }
  }
  EchoProcess(const EchoProcess&) = delete;
  EchoProcess& operator=(const EchoProcess&) = delete;
  ~EchoProcess() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  bool ok() const { return listening_; }

 private:
  HANDLE process_ = nullptr;
  bool listening_ = false;
};

void PrintRows(const monitor::DriveListModel& list) {
  for (const auto& row : list.rows()) {
    std::printf("   ");
    for (const auto& cell : row.cells) {
      std::string text;
      for (char16_t c : cell) text += c < 0x80 ? static_cast<char>(c) : '?';
      std::printf(" %-24s", text.c_str());
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--echo") == 0) {
    return ServeEcho(std::strcmp(argv[2], "bare") == 0 ? kBare : kWithEvent);
  }
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 20;
  if (cycles < 1) {
    std::fprintf(stderr, "usage: monitor_bench [CYCLES]\n");
    return 2;
  }
  const std::filesystem::path fixture = ardmon::ModulePath().parent_path() / L"ArdmonSim.json";
  if (!bench::ResetToDemoMachine("monitor_bench")) return 1;
  servicetest::ServiceControl service(L"TempService");
  if (!service.ok() || !service.EnsureRunning()) {
    std::fprintf(stderr, "monitor_bench: TempService is not installed or does not start\n");
    return 1;
  }
  EchoProcess bare("bare", kBare), withEvent("exchange", kWithEvent);
  if (!bare.ok() || !withEvent.ok()) {
    std::fprintf(stderr, "monitor_bench: no echo pipe\n");
    return 1;
  }

  // The first cycle finds the drives and reads every temperature once.
  bench::CoreMonitor monitor;
  monitor.cycle.RunMonitorCycle(false);
  std::printf("Demo machine, %d slots; the drive list after the first cycle:\n", kSlots);
  PrintRows(monitor.list);
  if (monitor.list.RowCount() != 5) {
    std::fprintf(stderr, "monitor_bench: expected the 5 drives of the demo machine\n");
    return 1;
  }

  disklib::StackLibrary library = disklib::sim::SimulatedLibrary(fixture);
  const auto libraryCalls = [&] {
    PipeMessage message;
    for (int i = 0; i < 2 * kSlots; ++i) {
      message = CycleMessage(i);
      if (i % 2) {
        library.GetTempInfo(static_cast<std::int32_t>(message.Argument), message.Payload);
      } else {
        library.GetDiskInfo(static_cast<std::int32_t>(message.Argument), message.Payload);
      }
    }
  };
  const auto echoes = [](const Exchange& exchange) {
    return [&exchange] {
      for (int i = 0; i < 2 * kSlots; ++i) {
        PipeMessage message = CycleMessage(i);
        RoundTrip(exchange, message);
      }
    };
  };
  const auto transactions = [] {
    for (int i = 0; i < 2 * kSlots; ++i) {
      PipeMessage message = CycleMessage(i);
      monitor::ServiceTransact(&message);
    }
  };

  std::printf("\nOne timer-driven cycle against its 52 messages (%d runs each):\n", cycles);
  const std::vector<Summary> timed =
      TimeInTurns(cycles, {[&] { monitor.cycle.RunMonitorCycle(true); }, libraryCalls,
                           echoes(kBare), echoes(kWithEvent), transactions});
  const Summary& cycle = timed[0];
  const Summary& library52 = timed[1];
  const Summary& echo52 = timed[2];
  const Summary& exchange52 = timed[3];
  const Summary& service52 = timed[4];
  Print("(a) cycle, RunMonitorCycle(true)", cycle);
  Print("    52 library calls in process", library52);
  Print("    52 raw pipe round trips (echo)", echo52);
  Print("(b) floor: round trips + library calls",
        {echo52.medianMs + library52.medianMs, echo52.minMs + library52.minMs,
         echo52.maxMs + library52.maxMs});
  Print("    52 ServiceTransact calls", service52);
  Print("    52 round trips as the exchange (echo)", exchange52);
  const double floor = echo52.medianMs + library52.medianMs;
  std::printf("  ratio (a)/(b): %.2f (target <= 1.2)\n", cycle.medianMs / floor);
  std::printf("  ratio (a)/(52 ServiceTransact): %.2f (the cycle's own share)\n",
              cycle.medianMs / service52.medianMs);
  std::printf("  ratio (a)/(exchange round trips + library calls): %.2f\n",
              cycle.medianMs / (exchange52.medianMs + library52.medianMs));

  std::printf("\nWith the service stopped:\n");
  SERVICE_STATUS status{};
  service.Control(SERVICE_CONTROL_STOP, status);
  if (service.WaitFor(SERVICE_STOPPED, 10000).dwCurrentState != SERVICE_STOPPED) {
    std::fprintf(stderr, "monitor_bench: TempService does not stop\n");
    return 1;
  }
  const auto start = Clock::now();
  monitor.cycle.RunMonitorCycle(true);
  const double blocked = MillisecondsSince(start);
  const bool restarted = service.EnsureRunning();
  std::printf("  (c) one cycle holds the interface %.2f s (target <= 2 s); rows left: %d\n",
              blocked / 1000, monitor.list.RowCount());
  if (!restarted) std::fprintf(stderr, "monitor_bench: TempService does not start again\n");
  return restarted ? 0 : 1;
}
