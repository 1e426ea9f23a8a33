#include "service/win32/service_host.h"

#include <atomic>

#include "common/service_protocol.h"
#include "service/serialised_library.h"
#include "service/win32/imported_library.h"
#include "service/win32/metrics_writer.h"
#include "service/win32/pipe_server.h"
#include "service/win32/service_threads.h"

namespace service {
namespace {

constexpr DWORD kStartWaitHintMs = 3000;
constexpr DWORD kStopWaitHintMs = 3000;
// The pipe's name stays taken while any handle to the old pipe is open, a
// client's too: a start tries to claim it this long, this often.
constexpr DWORD kClaimPipeMs = 10000;
constexpr DWORD kClaimRetryMs = 250;

// Shared by the dispatcher's thread (control handler) and ServiceMain's;
// the stop event exists before SERVICE_RUNNING lets a stop arrive.
SERVICE_STATUS_HANDLE statusHandle = nullptr;
std::atomic<DWORD> currentState{SERVICE_START_PENDING};
std::atomic<DWORD> currentCheckPoint{0};
std::atomic<DWORD> currentWaitHint{0};
std::atomic<HANDLE> stopEvent{nullptr};
HANDLE serviceMainDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
std::atomic<bool> serviceMainStarted{false};

bool SetStatus(DWORD state, DWORD win32ExitCode, DWORD serviceSpecificExitCode, DWORD checkPoint,
               DWORD waitHint) {
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted =
      state == SERVICE_START_PENDING ? 0 : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
  status.dwWin32ExitCode =
      serviceSpecificExitCode != 0 ? ERROR_SERVICE_SPECIFIC_ERROR : win32ExitCode;
  status.dwServiceSpecificExitCode = serviceSpecificExitCode;
  status.dwCheckPoint = checkPoint;
  status.dwWaitHint = waitHint;
  return SetServiceStatus(statusHandle, &status) != FALSE;
}

// Records the state, so that an interrogation re-reports it, and reports it.
void Enter(DWORD state, DWORD checkPoint, DWORD waitHint) {
  currentState = state;
  currentCheckPoint = checkPoint;
  currentWaitHint = waitHint;
  ReportStatus(state, 0, 0, checkPoint, waitHint);
}

void WINAPI ControlHandler(DWORD control) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    if (currentState == SERVICE_RUNNING) Enter(SERVICE_STOP_PENDING, 1, kStopWaitHintMs);
    StopService();
    return;
  }
  ReportStatus(currentState, 0, 0, currentCheckPoint, currentWaitHint);
}

// The last report, once the pipe is closed, then the end of the process. A
// library call under way is not waited for, nor is the library's detach,
// which ExitProcess would run and which may wait on a lock that call holds.
[[noreturn]] void EndService(DWORD error) {
  currentState = SERVICE_STOPPED;
  // A failure of this last report is not followed further.
  SetStatus(SERVICE_STOPPED, error, 0, 0, 0);
  TerminateProcess(GetCurrentProcess(), error);
  // Not reached for the calling process; were it, this thread must still
  // not return into what the serving threads use.
  for (;;) Sleep(INFINITE);
}

// The first instance of the pipe, which claims its name, with START_PENDING
// check points while the name is still taken.
HANDLE ClaimPipe(PipeSecurity& security) {
  const ULONGLONG deadline = GetTickCount64() + kClaimPipeMs;
  for (DWORD checkPoint = 2;; ++checkPoint) {
    const HANDLE pipe = CreateServicePipe(security, true);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    const DWORD error = GetLastError();
    const bool taken = error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY;
    if (!taken || GetTickCount64() >= deadline) {
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
    Enter(SERVICE_START_PENDING, checkPoint, kStartWaitHintMs);
    Sleep(kClaimRetryMs);
  }
}

// Runs the service from its start to its stop, where it ends the process;
// returns only when it could not serve, with a Win32 error code.
DWORD Serve() {
  PipeSecurity security;
  if (!security.Build()) return GetLastError();
  const HANDLE pipe = ClaimPipe(security);
  if (pipe == INVALID_HANDLE_VALUE) return GetLastError();
  const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ImportedLibrary imported;
  // The pipe server and the metrics scan share the library one call at a time.
  SerialisedLibrary library(imported);
  // Every instance of the pipe exists before RUNNING is reported, and is
  // closed before STOPPED.
  PipeServer server(pipe, security, stop, library);
  MetricsScanner metrics(library, stop);
  ServiceThreads threads;
  if (!stop || !server.Ready() || !threads.Start([&server] { return server.Run(); })) {
    const DWORD error = GetLastError();
    if (stop) CloseHandle(stop);
    return error != 0 ? error : ERROR_GEN_FAILURE;
  }
  stopEvent = stop;
  Enter(SERVICE_RUNNING, 0, 0);
  // Without its thread the service still serves the pipe; no metrics then.
  if (!threads.Start([&metrics] {
        metrics.Run();
        return DWORD{0};
      })) {
    OutputDebugStringW(L"TempService: no metrics thread\n");
  }
  threads.WaitForStop(stop);
  if (currentState != SERVICE_STOP_PENDING) Enter(SERVICE_STOP_PENDING, 1, kStopWaitHintMs);
  StopService();
  // This thread ends the stop: a serving thread may be inside a library
  // call that hangs on a drive. Clients lose their connections and no
  // request gets a turn at the library from now on.
  server.Close();
  library.Stop();
  EndService(threads.EndedWith());
}

}  // namespace

bool ReportStatus(DWORD state, DWORD win32ExitCode, DWORD serviceSpecificExitCode, DWORD checkPoint,
                  DWORD waitHint) {
  if (SetStatus(state, win32ExitCode, serviceSpecificExitCode, checkPoint, waitHint)) return true;
  StopService();
  return false;
}

void StopService() {
  if (HANDLE stop = stopEvent) SetEvent(stop);
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  serviceMainStarted = true;
  statusHandle = RegisterServiceCtrlHandlerW(reinterpret_cast<const wchar_t*>(ardmon::kServiceName),
                                             ControlHandler);
  if (statusHandle) {
    Enter(SERVICE_START_PENDING, 1, kStartWaitHintMs);
    EndService(Serve());
  }
  SetEvent(serviceMainDone);
}

void WaitForServiceMain() {
  if (serviceMainStarted) WaitForSingleObject(serviceMainDone, INFINITE);
}

}  // namespace service
