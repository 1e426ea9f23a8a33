// "TempService" under load and under attack, in one run: client processes
// send GetDiskInfo back to back through the monitor's own client, while
// threads here connect again and again as hostile clients do (random bytes,
// half a message, a message and no read, a connection closed at once, a
// zero-length write). Every normal answer must be right, none may take
// more than 5 s, and the service's memory must stay flat.
//
// load_bench [CLIENTS [PER_CLIENT [HOSTILE]]]   (4, 10000, 3)
// load_bench --client COUNT RESULT_FILE         one normal client
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/drive_zero.h"
#include "common/service_protocol.h"
#include "common/win32/wide_text.h"
#include "monitor/win32/service_transact.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kMessageSize = sizeof(ardmon::PipeMessage);
constexpr double kLongestAllowedMs = 5000;

struct ClientResult {
  long long failures = 0;
  double longestMs = 0;
  long long overSecond = 0;  // transactions that took more than a second
};

int RunClient(int count, const char* resultFile) {
  bench::Library library;
  ClientResult result;
  ardmon::DiskInfoTable expected{};
  if (library.ok()) library.DiskInfo(expected);
  for (int i = 0; i < count; ++i) {
    ardmon::PipeMessage message = bench::DiskInfoRequest();
    const auto start = Clock::now();
    monitor::ServiceTransact(&message);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    result.longestMs = std::max(result.longestMs, ms);
    if (ms > 1000) ++result.overSecond;
    if (!library.ok() || !bench::IsDriveZero(message, expected)) ++result.failures;
  }
  if (FILE* out = std::fopen(resultFile, "w")) {
    std::fprintf(out, "%lld %f %lld\n", result.failures, result.longestMs, result.overSecond);
    std::fclose(out);
  }
  return 0;
}

// The kinds of hostile client, taken in turn.
enum Hostile { kRandomBytes, kHalfMessage, kNoRead, kCloseAtOnce, kEmptyWrite, kHostileKinds };
const char* const kHostileNames[] = {"random bytes", "half a message", "message and no read",
                                     "close at once", "zero-length write"};

HANDLE Connect(const std::atomic<bool>& stopping) {
  while (!stopping) {
    const HANDLE pipe = CreateFileW(ardmon::Wide(ardmon::kPipeName), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    if (!WaitNamedPipeW(ardmon::Wide(ardmon::kPipeName), 100)) Sleep(10);
  }
  return INVALID_HANDLE_VALUE;
}

// Holds a connection as a stalled client would, until the service drops it
// or the run ends.
void Linger(HANDLE pipe, const std::atomic<bool>& stopping) {
  for (int i = 0; i < 50 && !stopping; ++i) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return;
    Sleep(100);
  }
}

void AttackOnce(Hostile kind, std::mt19937& random, const std::atomic<bool>& stopping) {
  const HANDLE pipe = Connect(stopping);
  if (pipe == INVALID_HANDLE_VALUE) return;
  std::vector<BYTE> bytes(2 * kMessageSize);
  for (BYTE& b : bytes) b = static_cast<BYTE>(random());
  ardmon::PipeMessage valid = bench::DiskInfoRequest();
  DWORD moved = 0;
  switch (kind) {
    case kRandomBytes:
      WriteFile(pipe, bytes.data(), 1 + random() % bytes.size(), &moved, nullptr);
      break;
    case kHalfMessage:
      WriteFile(pipe, &valid, kMessageSize / 2, &moved, nullptr);
      Linger(pipe, stopping);
      break;
    case kNoRead:
      WriteFile(pipe, &valid, kMessageSize, &moved, nullptr);
      Linger(pipe, stopping);
      break;
    case kCloseAtOnce:
      break;
    case kEmptyWrite:
      WriteFile(pipe, bytes.data(), 0, &moved, nullptr);
      Linger(pipe, stopping);
      break;
    default:
      break;
  }
  CloseHandle(pipe);
}

DWORD ServiceProcessId() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD id = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !id;
       more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, L"ArdmonSvc.exe") == 0) id = entry.th32ProcessID;
  }
  CloseHandle(snapshot);
  return id;
}

struct Memory {
  double workingSetKiB = 0;
  double privateKiB = 0;
  DWORD handles = 0;
};

Memory ServiceMemory(DWORD id) {
  Memory memory;
  const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
  if (!process) return memory;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    memory.workingSetKiB = counters.WorkingSetSize / 1024.0;
    memory.privateKiB = counters.PrivateUsage / 1024.0;
  }
  GetProcessHandleCount(process, &memory.handles);
  CloseHandle(process);
  return memory;
}

void PrintMemory(const char* when, const Memory& m) {
  std::printf("service memory %-7s working set %8.0f KiB, private %8.0f KiB, %lu handles\n", when,
              m.workingSetKiB, m.privateKiB, m.handles);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--client") == 0) {
    return RunClient(std::atoi(argv[2]), argv[3]);
  }
  const int clients = argc > 1 ? std::atoi(argv[1]) : 4;
  const int perClient = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int hostile = argc > 3 ? std::atoi(argv[3]) : 3;
  if (clients < 1 || clients > MAXIMUM_WAIT_OBJECTS || perClient < 1 || hostile < 0) {
    std::fprintf(stderr, "usage: load_bench [CLIENTS (1-64) [PER_CLIENT [HOSTILE]]]\n");
    return 2;
  }
  const DWORD service = ServiceProcessId();
  if (!service) {
    std::fprintf(stderr, "load_bench: ArdmonSvc.exe is not running\n");
    return 1;
  }
  // Warm: the service's first answers load what it keeps for its life.
  for (int i = 0; i < 20; ++i) {
    ardmon::PipeMessage message = bench::DiskInfoRequest();
    monitor::ServiceTransact(&message);
  }
  const Memory before = ServiceMemory(service);

  std::atomic<bool> stopping{false};
  std::vector<std::atomic<long long>> attacks(kHostileKinds);
  std::vector<std::thread> attackers;
  for (int h = 0; h < hostile; ++h) {
    attackers.emplace_back([&, h] {
      std::mt19937 random(1234 + h);
      for (int round = h; !stopping; ++round) {
        const auto kind = static_cast<Hostile>(round % kHostileKinds);
        AttackOnce(kind, random, stopping);
        ++attacks[kind];
      }
    });
  }

  const std::wstring exe = ardmon::ModulePath().wstring();
  std::vector<HANDLE> processes;
  std::vector<std::wstring> results;
  const auto start = Clock::now();
  for (int i = 0; i < clients; ++i) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    results.push_back(std::wstring(folder) + L"load_bench_client_" + std::to_wstring(i) + L".txt");
    DeleteFileW(results.back().c_str());
    std::wstring commandLine = L"\"" + exe + L"\" --client " + std::to_wstring(perClient) + L" \"" +
                               results.back() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      processes.push_back(process.hProcess);
    }
  }
  WaitForMultipleObjects(static_cast<DWORD>(processes.size()), processes.data(), TRUE, INFINITE);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  stopping = true;
  for (std::thread& attacker : attackers) attacker.join();
  for (HANDLE process : processes) CloseHandle(process);

  ClientResult total;
  total.failures = static_cast<long long>(clients - processes.size()) * perClient;
  for (const std::wstring& file : results) {
    ClientResult one{perClient, 0, 0};
    if (FILE* in = _wfopen(file.c_str(), L"r")) {
      if (std::fscanf(in, "%lld %lf %lld", &one.failures, &one.longestMs, &one.overSecond) != 3) {
        one.failures = perClient;
      }
      std::fclose(in);
    }
    DeleteFileW(file.c_str());
    total.failures += one.failures;
    total.longestMs = std::max(total.longestMs, one.longestMs);
    total.overSecond += one.overSecond;
  }
  Sleep(500);  // the last stalled connections are dropped
  const Memory after = ServiceMemory(service);

  const long long transactions = static_cast<long long>(clients) * perClient;
  std::printf(
      "%d client processes x %d transactions with %d hostile threads: %.1f s, "
      "%.0f transactions/s\n",
      clients, perClient, hostile, seconds, transactions / seconds);
  std::printf("failed or wrong answers: %lld (target 0)\n", total.failures);
  std::printf(
      "longest transaction of a normal client: %.0f ms (target <= %.0f); "
      "%lld took more than a second\n",
      total.longestMs, kLongestAllowedMs, total.overSecond);
  for (int kind = 0; kind < kHostileKinds; ++kind) {
    std::printf("hostile connections, %-18s %lld\n", kHostileNames[kind], attacks[kind].load());
  }
  PrintMemory("before", before);
  PrintMemory("after", after);
  return total.failures == 0 && total.longestMs <= kLongestAllowedMs ? 0 : 1;
}
