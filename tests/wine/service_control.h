// What the service tests need around the service itself: its control
// manager entry, its process, the simulated library it serves from, and
// a clock.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/disk_library.h"
#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/exports.h"

namespace servicetest {

inline std::filesystem::path OwnPath() {
  return ardmon::ModulePath();
}

// A service in the control manager, opened with every right the tests use.
class ServiceControl {
 public:
  explicit ServiceControl(const wchar_t* name)
      : manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)),
        service_(manager_ ? OpenServiceW(manager_, name, SERVICE_ALL_ACCESS) : nullptr) {}
  ServiceControl(const ServiceControl&) = delete;
  ServiceControl& operator=(const ServiceControl&) = delete;
  ~ServiceControl() {
    if (service_) CloseServiceHandle(service_);
    if (manager_) CloseServiceHandle(manager_);
  }

  bool ok() const { return service_ != nullptr; }

  SERVICE_STATUS Query() const {
    SERVICE_STATUS status{};
    QueryServiceStatus(service_, &status);
    return status;
  }

  // Polls until the status satisfies `done` or the time is up; returns the
  // last status seen either way.
  template <typename Done>
  SERVICE_STATUS WaitUntil(Done done, DWORD timeoutMs) const {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    SERVICE_STATUS status = Query();
    while (!done(status) && GetTickCount64() < deadline) {
      Sleep(20);
      status = Query();
    }
    return status;
  }
  SERVICE_STATUS WaitFor(DWORD state, DWORD timeoutMs) const {
    return WaitUntil([state](const SERVICE_STATUS& s) { return s.dwCurrentState == state; },
                     timeoutMs);
  }

  // False with the last error when the control manager refuses.
  bool Control(DWORD control, SERVICE_STATUS& status) {
    return ControlService(service_, control, &status) != FALSE;
  }
  bool Start() { return StartServiceW(service_, 0, nullptr) != FALSE; }

  // Starts the service unless it runs, and waits for RUNNING.
  bool EnsureRunning(DWORD timeoutMs = 10000) {
    if (Query().dwCurrentState == SERVICE_RUNNING) return true;
    WaitFor(SERVICE_STOPPED, timeoutMs);
    Start();
    return WaitFor(SERVICE_RUNNING, timeoutMs).dwCurrentState == SERVICE_RUNNING;
  }

 private:
  SC_HANDLE manager_;
  SC_HANDLE service_;
};

inline bool ProcessRunning(const wchar_t* exeName) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    found = lstrcmpiW(entry.szExeFile, exeName) == 0;
  }
  CloseHandle(snapshot);
  return found;
}

inline bool WaitForProcessGone(const wchar_t* exeName, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (ProcessRunning(exeName)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
  return true;
}

class Stopwatch {
 public:
  long long ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point start_ = Clock::now();
};

// The simulated ArdmonLib.dll beside this program, the same file the
// service loaded: what it answers directly is what the service must relay.
class DirectLibrary {
 public:
  DirectLibrary() : module_(LoadLibraryW((OwnPath().parent_path() / L"ArdmonLib.dll").c_str())) {
    getDiskInfo_ = Export<GetDiskInfoFn>("GetDiskInfo");
    getTempInfo_ = Export<GetTempInfoFn>("GetTempInfo");
    getTempInfoIfAwake_ = Export<GetTempInfoIfAwakeFn>("GetTempInfoIfAwake");
  }
  DirectLibrary(const DirectLibrary&) = delete;
  DirectLibrary& operator=(const DirectLibrary&) = delete;
  ~DirectLibrary() {
    if (module_) FreeLibrary(module_);
  }

  bool ok() const { return getDiskInfo_ && getTempInfo_ && getTempInfoIfAwake_; }

  ardmon::DiskInfoTable DiskInfo(std::int32_t drive) const {
    ardmon::DiskInfoTable table{};
    getDiskInfo_(drive, &table);
    return table;
  }
  ardmon::TempInfoRecord TempInfo(std::int32_t drive) const {
    ardmon::TempInfoRecord record{};
    getTempInfo_(drive, &record);
    return record;
  }
  ardmon::DrivePower Power(std::int32_t drive) const {
    ardmon::TempInfoRecord record{};
    return static_cast<ardmon::DrivePower>(getTempInfoIfAwake_(drive, &record));
  }

 private:
  template <typename Fn>
  Fn Export(const char* name) const {
    if (!module_) return nullptr;
    // By way of the generic function pointer, which converts to any other.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }

  HMODULE module_;
  GetDiskInfoFn getDiskInfo_ = nullptr;
  GetTempInfoFn getTempInfo_ = nullptr;
  GetTempInfoIfAwakeFn getTempInfoIfAwake_ = nullptr;
};

}  // namespace servicetest
