// ArdmonSvc.exe: the service "TempService". Started by anything other than
// the service control manager it returns at once, without a message.
#include <windows.h>

#include "common/service_protocol.h"
#include "service/win32/service_host.h"

namespace {
// A request still in progress when the service stops is finished and
// answered; a library call can wait on a device this long.
constexpr DWORD kLastRequestMs = 120000;
}  // namespace

int main() {
  SERVICE_TABLE_ENTRYW table[] = {
      {const_cast<LPWSTR>(reinterpret_cast<const wchar_t*>(ardmon::kServiceName)),
       service::ServiceMain},
      {nullptr, nullptr}};
  StartServiceCtrlDispatcherW(table);
  service::WaitForServiceMain(kLastRequestMs);
  return 0;
}
