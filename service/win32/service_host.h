// The service's life with the service control manager.
#pragma once

#include <windows.h>

namespace service {

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);
// Fills and sends the service status; a failed report stops the service.
bool ReportStatus(DWORD state, DWORD win32ExitCode, DWORD serviceSpecificExitCode, DWORD checkPoint,
                  DWORD waitHint);
// Starts the stop: ServiceMain's thread then closes the pipe, reports
// SERVICE_STOPPED and ends the process, without waiting for a library call.
void StopService();
// Waits until ServiceMain, if it ran, has returned; once it serves, it ends
// the process itself, so this wait is not over before the process is.
void WaitForServiceMain();

}  // namespace service
