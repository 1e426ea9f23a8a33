// The service's life with the service control manager.
#pragma once

#include <windows.h>

namespace service {

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);
// Fills and sends the service status; a failed report stops the service.
bool ReportStatus(DWORD state, DWORD win32ExitCode, DWORD serviceSpecificExitCode, DWORD checkPoint,
                  DWORD waitHint);
// Ends the serving threads; SERVICE_STOPPED follows once they have
// returned and the pipe is closed.
void StopService();
// Waits until ServiceMain, if it ran, has returned, so a request in
// progress is answered before the process ends.
void WaitForServiceMain(DWORD timeoutMs);

}  // namespace service
