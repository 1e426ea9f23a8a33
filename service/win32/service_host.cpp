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
// While a stop waits for the serving threads (a library call may hold one
// for minutes), a new check point goes out this often.
constexpr DWORD kStopCheckPointMs = 1000;
constexpr DWORD kStopWaitHintMs = 3 * kStopCheckPointMs;

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

void ReportStopProgress() {
  Enter(SERVICE_STOP_PENDING, currentCheckPoint + 1, kStopWaitHintMs);
}

void WINAPI ControlHandler(DWORD control) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    if (currentState == SERVICE_RUNNING) Enter(SERVICE_STOP_PENDING, 1, kStopWaitHintMs);
    StopService();
    return;
  }
  ReportStatus(currentState, 0, 0, currentCheckPoint, currentWaitHint);
}

// The last report: every thread has returned and every handle is closed,
// so a start that follows finds the pipe's name free.
void ReportStopped(DWORD error) {
  currentState = SERVICE_STOPPED;
  // A failure of this last report is not followed further.
  SetStatus(SERVICE_STOPPED, error, 0, 0, 0);
}

// Runs the service from its start to the end of its stop; a Win32 error
// code when it could not serve, else 0.
DWORD Serve() {
  PipeSecurity security;
  if (!security.Build()) return GetLastError();
  const HANDLE pipe = CreateServicePipe(security, true);
  if (pipe == INVALID_HANDLE_VALUE) return GetLastError();
  const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ImportedLibrary imported;
  // The pipe server and the metrics scan share the library one call at a time.
  SerialisedLibrary library(imported);
  // Every instance of the pipe exists before RUNNING is reported, and is
  // closed when this ends.
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
  // The stop event stays open: a late control may still signal it.
  return threads.Join(kStopCheckPointMs, ReportStopProgress);
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
    ReportStopped(Serve());
  }
  SetEvent(serviceMainDone);
}

void WaitForServiceMain(DWORD timeoutMs) {
  if (serviceMainStarted) WaitForSingleObject(serviceMainDone, timeoutMs);
}

}  // namespace service
