// Timings of "TempService" as the monitor sees it, in one run:
//   library    GetDiskInfo(0) of the simulated ArdmonLib.dll called directly
//   echo       a bare named-pipe echo of the same message (server thread here)
//   protocol   the service's exchange (reply event, flushes) with an echo
//              server thread instead of the service: what the exchange costs
//   service    one transaction of the monitor's client, GetDiskInfo of drive
//              0, through one PipeServiceChannel as a monitor cycle makes them
// each timed from a listening pipe, first one after the other, then in
// turns; then transactions back to back, as a monitor cycle sends them; then
// client processes in parallel.
//
// service_bench [ROUND_TRIPS [CLIENTS [PER_CLIENT]]]   (2000, 4, 2500)
// service_bench --client COUNT   one of the parallel clients; exits with its
//                                number of failed or wrong transactions
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/drive_zero.h"
#include "bench/echo_exchange.h"
#include "common/service_protocol.h"
#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/exports.h"
#include "monitor/win32/service_transact.h"

namespace {

using ardmon::Wide;

using ardmon::PipeMessage;
using Clock = std::chrono::steady_clock;

using bench::kMessageSize;
// What one monitor cycle sends: GetDiskInfo and GetTempInfo for 26 drives.
constexpr int kCycleTransactions = 52;
constexpr int kCycles = 4;

std::filesystem::path OwnPath() {
  return ardmon::ModulePath();
}

struct Summary {
  double meanUs;
  double medianUs;
  double p99Us;
};

// A timed step and what runs untimed before it.
struct Run {
  std::function<void()> ready;
  std::function<void()> once;
};

// Times each run n times, in turns, so that a machine whose load changes
// meanwhile slows all of them alike.
std::vector<Summary> TimeInTurns(int n, const std::vector<Run>& runs) {
  std::vector<std::vector<double>> samples(runs.size());
  for (int i = 0; i < n; ++i) {
    for (std::size_t r = 0; r < runs.size(); ++r) {
      runs[r].ready();
      const auto start = Clock::now();
      runs[r].once();
      samples[r].push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
  std::vector<Summary> summaries;
  for (auto& s : samples) {
    std::sort(s.begin(), s.end());
    double total = 0;
    for (double x : s) total += x;
    summaries.push_back({total / n, s[n / 2], s[std::min(n - 1, n * 99 / 100)]});
  }
  return summaries;
}

Summary Time(int n, const std::function<void()>& ready, const std::function<void()>& once) {
  return TimeInTurns(n, {{ready, once}}).front();
}

void Print(const char* what, const Summary& s) {
  std::printf("%-26s mean %9.1f us  median %9.1f us  p99 %9.1f us\n", what, s.meanUs, s.medianUs,
              s.p99Us);
}

using bench::DiskInfoRequest;
using bench::IsDriveZero;
using bench::Library;

// A pipe and, for the service's exchange, the reply event beside it.
using bench::Exchange;

constexpr Exchange kBareEcho{L"\\\\.\\pipe\\ArdmonBenchEcho", nullptr};
constexpr Exchange kProtocolEcho{L"\\\\.\\pipe\\ArdmonBenchProtocol", L"Global\\ArdmonBenchReply"};

// One blocking pipe instance that sends every message back, doing per
// request what the exchange asks of a server and nothing more.
class EchoServer {
 public:
  explicit EchoServer(Exchange exchange)
      : exchange_(exchange),
        pipe_(CreateNamedPipeW(exchange.pipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                               kMessageSize, kMessageSize, 1000, nullptr)) {
    if (pipe_ != INVALID_HANDLE_VALUE) thread_ = std::thread([this] { Serve(); });
  }
  EchoServer(const EchoServer&) = delete;
  EchoServer& operator=(const EchoServer&) = delete;
  ~EchoServer() {
    stopping_ = true;
    // A last connection wakes the thread from ConnectNamedPipe.
    WaitNamedPipeW(exchange_.pipe, NMPWAIT_WAIT_FOREVER);
    const HANDLE wake = CreateFileW(exchange_.pipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (thread_.joinable()) thread_.join();
    if (wake != INVALID_HANDLE_VALUE) CloseHandle(wake);
    if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  }
  bool ok() const { return pipe_ != INVALID_HANDLE_VALUE; }

 private:
  void Serve() {
    PipeMessage message;
    for (;;) {
      if (!ConnectNamedPipe(pipe_, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) continue;
      if (stopping_) return;
      bench::EchoOneClient(pipe_, exchange_, message);
    }
  }

  Exchange exchange_;
  HANDLE pipe_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
};

enum class Retry { kSleep, kWaitForPipe };

// A client of `exchange`: 16 opens 100 ms apart as the monitor's client
// makes them (kSleep), or waking as soon as the pipe listens (kWaitForPipe);
// with an event it also flushes and waits for the event before reading.
void Transact(const Exchange& exchange, Retry retry, PipeMessage& message) {
  const HANDLE event =
      exchange.event ? CreateEventW(nullptr, FALSE, FALSE, exchange.event) : nullptr;
  HANDLE pipe = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 16 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
    pipe = CreateFileW(exchange.pipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    if (pipe != INVALID_HANDLE_VALUE) break;
    if (retry == Retry::kSleep) {
      Sleep(100);
    } else if (!WaitNamedPipeW(exchange.pipe, 100) && GetLastError() != ERROR_SEM_TIMEOUT) {
      Sleep(100);  // no pipe at all: WaitNamedPipeW returns at once
    }
  }
  if (pipe != INVALID_HANDLE_VALUE) {
    DWORD moved = 0;
    WriteFile(pipe, &message, kMessageSize, &moved, nullptr);
    if (event) {
      FlushFileBuffers(pipe);
      WaitForSingleObject(event, ardmon::kPeerTimeoutMs);
    }
    ReadFile(pipe, &message, kMessageSize, &moved, nullptr);
    CloseHandle(pipe);
  }
  if (event) CloseHandle(event);
}

int RunClient(int count) {
  Library library;
  if (!library.ok()) return count;
  ardmon::DiskInfoTable expected{};
  library.DiskInfo(expected);
  monitor::PipeServiceChannel channel;
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    PipeMessage message = DiskInfoRequest();
    channel.Transact(message);
    if (!IsDriveZero(message, expected)) ++failures;
  }
  return failures;
}

struct Parallel {
  double seconds;
  long long failures;
};

Parallel RunParallel(int clients, int perClient) {
  const std::wstring exe = OwnPath().wstring();
  std::vector<HANDLE> processes;
  const auto start = Clock::now();
  for (int i = 0; i < clients; ++i) {
    std::wstring commandLine = L"\"" + exe + L"\" --client " + std::to_wstring(perClient);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
      continue;
    }
    CloseHandle(process.hThread);
    processes.push_back(process.hProcess);
  }
  // A client that could not start counts all its transactions as failed.
  long long failures = static_cast<long long>(clients - processes.size()) * perClient;
  WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), TRUE, INFINITE);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (HANDLE process : processes) {
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    failures += code;
    CloseHandle(process);
  }
  return {seconds, failures};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--client") == 0) return RunClient(std::atoi(argv[2]));
  const int roundTrips = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int clients = argc > 2 ? std::atoi(argv[2]) : 4;
  const int perClient = argc > 3 ? std::atoi(argv[3]) : 2500;
  if (roundTrips < 1 || clients < 1 || clients > MAXIMUM_WAIT_OBJECTS || perClient < 1) {
    std::fprintf(stderr, "usage: service_bench [ROUND_TRIPS [CLIENTS (1-64) [PER_CLIENT]]]\n");
    return 2;
  }

  Library library;
  EchoServer bareEcho(kBareEcho), protocolEcho(kProtocolEcho);
  if (!library.ok() || !bareEcho.ok() || !protocolEcho.ok()) {
    std::fprintf(stderr, "service_bench: no simulated library beside the program, or no pipe\n");
    return 1;
  }
  ardmon::DiskInfoTable expected{};
  library.DiskInfo(expected);
  if (!expected.Present) {
    std::fprintf(stderr, "service_bench: drive 0 of the fixture is not present\n");
    return 1;
  }
  const Exchange service{Wide(ardmon::kPipeName), Wide(ardmon::kReplyEventName)};
  monitor::PipeServiceChannel channel;
  int wrong = 0;
  const auto serviceTransact = [&] {
    PipeMessage message = DiskInfoRequest();
    channel.Transact(message);
    if (!IsDriveZero(message, expected)) ++wrong;
  };
  const auto listening = [](const Exchange& e) {
    return [&e] { WaitNamedPipeW(e.pipe, NMPWAIT_WAIT_FOREVER); };
  };
  const auto transact = [](const Exchange& e, Retry retry) {
    return [&e, retry] {
      PipeMessage message = DiskInfoRequest();
      Transact(e, retry, message);
    };
  };
  const auto nothing = [] {};

  std::printf("Round trips of a %lu-byte message, each from a listening pipe (%d):\n", kMessageSize,
              roundTrips);
  ardmon::DiskInfoTable table;
  const Summary direct = Time(roundTrips, nothing, [&] { library.DiskInfo(table); });
  Print("library call alone", direct);
  const Summary bare = Time(roundTrips, listening(kBareEcho), transact(kBareEcho, Retry::kSleep));
  Print("echo", bare);
  const Summary protocol =
      Time(roundTrips, listening(kProtocolEcho), transact(kProtocolEcho, Retry::kSleep));
  Print("echo with the exchange", protocol);
  const Summary served = Time(roundTrips, listening(service), serviceTransact);
  Print("service", served);
  std::printf("ratio service / echo: %.2f mean, %.2f median (target <= 1.5)\n",
              served.meanUs / bare.meanUs, served.medianUs / bare.medianUs);
  std::printf("      (service - library call) / echo: %.2f mean\n",
              (served.meanUs - direct.meanUs) / bare.meanUs);
  std::printf("      service / (echo with the exchange + library call): %.2f mean\n",
              served.meanUs / (protocol.meanUs + direct.meanUs));
  // The same three again in turns: the ratio above compares runs made
  // minutes apart, which a shared machine's changing load can tilt.
  const std::vector<Summary> turns =
      TimeInTurns(roundTrips, {{nothing, [&] { library.DiskInfo(table); }},
                               {listening(kProtocolEcho), transact(kProtocolEcho, Retry::kSleep)},
                               {listening(service), serviceTransact}});
  std::printf("      the same in turns: %.2f mean, %.2f median\n",
              turns[2].meanUs / (turns[1].meanUs + turns[0].meanUs),
              turns[2].medianUs / (turns[1].medianUs + turns[0].medianUs));

  const int backToBack = kCycles * kCycleTransactions;
  std::printf("\nBack to back, as a monitor cycle sends them (%d):\n", backToBack);
  const Summary cycle = Time(backToBack, nothing, serviceTransact);
  Print("service", cycle);
  Print("echo, same retries", Time(backToBack, nothing, transact(kBareEcho, Retry::kSleep)));
  const Summary waiting = Time(backToBack, nothing, transact(service, Retry::kWaitForPipe));
  Print("service, WaitNamedPipe retry", waiting);
  std::printf("one cycle of %d transactions: %.2f s; with WaitNamedPipe retries %.2f s\n",
              kCycleTransactions, cycle.meanUs * kCycleTransactions / 1e6,
              waiting.meanUs * kCycleTransactions / 1e6);
  std::printf("wrong or failed answers from the service above: %d\n", wrong);

  const Parallel parallel = RunParallel(clients, perClient);
  const long long total = static_cast<long long>(clients) * perClient;
  std::printf(
      "\nParallel: %d client processes x %d transactions: %.1f s, %.1f transactions/s, "
      "%lld failed (target 0)\n",
      clients, perClient, parallel.seconds, total / parallel.seconds, parallel.failures);
  return wrong == 0 && parallel.failures == 0 ? 0 : 1;
}
