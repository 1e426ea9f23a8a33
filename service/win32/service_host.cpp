#include "service/win32/service_host.h"

#include <atomic>

#include "common/service_protocol.h"
#include "service/serialised_library.h"
#include "service/win32/imported_library.h"
#include "service/win32/metrics_writer.h"
#include "service/win32/pipe_server.h"

namespace service {
namespace {

constexpr DWORD kStartWaitHintMs = 3000;
constexpr DWORD kStopWaitHintMs = 3000;

// Shared by the dispatcher's thread (control handler) and the serving
// thread; both handles exist before SERVICE_RUNNING lets a stop arrive.
SERVICE_STATUS_HANDLE statusHandle = nullptr;
std::atomic<DWORD> currentState{SERVICE_START_PENDING};
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

void WINAPI ControlHandler(DWORD control) {
  if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
    currentState = SERVICE_STOP_PENDING;
    ReportStatus(SERVICE_STOP_PENDING, 0, 0, 1, kStopWaitHintMs);
    StopService();
    return;
  }
  ReportStatus(currentState, 0, 0, 0, 0);
}

// The service cannot serve: say so with the reason instead of running idle.
void FailStart(DWORD error) {
  currentState = SERVICE_STOPPED;
  SetStatus(SERVICE_STOPPED, error != 0 ? error : ERROR_GEN_FAILURE, 0, 0, 0);
}

void Serve() {
  PipeSecurity security;
  if (!security.Build()) return FailStart(GetLastError());
  const HANDLE pipe = CreateServicePipe(security, true);
  if (pipe == INVALID_HANDLE_VALUE) return FailStart(GetLastError());
  const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ImportedLibrary imported;
  SerialisedLibrary library(imported);
  PipeServer server(pipe, security, stop, library);
  MetricsScanner metrics(library);
  if (!stop || !server.Ready()) {
    const DWORD error = GetLastError();
    if (stop) CloseHandle(stop);
    return FailStart(error);
  }
  stopEvent = stop;
  currentState = SERVICE_RUNNING;
  ReportStatus(SERVICE_RUNNING, 0, 0, 0, 0);
  // Without its thread the service still serves the pipe; no metrics then.
  if (!metrics.Start()) OutputDebugStringW(L"TempService: no metrics thread\n");
  server.Run();
  metrics.Stop();
  // The handle stays recorded: a late control may still signal it.
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
  // A failure of this last report is not followed further.
  SetStatus(SERVICE_STOPPED, 0, 0, 0, 0);
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  serviceMainStarted = true;
  statusHandle = RegisterServiceCtrlHandlerW(reinterpret_cast<const wchar_t*>(ardmon::kServiceName),
                                             ControlHandler);
  if (statusHandle) {
    ReportStatus(SERVICE_START_PENDING, 0, 0, 1, kStartWaitHintMs);
    Serve();
  }
  SetEvent(serviceMainDone);
}

void WaitForServiceMain(DWORD timeoutMs) {
  if (serviceMainStarted) WaitForSingleObject(serviceMainDone, timeoutMs);
}

}  // namespace service
