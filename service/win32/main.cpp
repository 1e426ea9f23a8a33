// ArdmonSvc.exe: the service "TempService". Started by anything other than
// the service control manager it returns at once, without a message.
#include <windows.h>

#include "common/service_protocol.h"
#include "service/win32/service_host.h"

int main() {
  SERVICE_TABLE_ENTRYW table[] = {
      {const_cast<LPWSTR>(reinterpret_cast<const wchar_t*>(ardmon::kServiceName)),
       service::ServiceMain},
      {nullptr, nullptr}};
  StartServiceCtrlDispatcherW(table);
  // The dispatcher returns once SERVICE_STOPPED is reported; returning from
  // here would run the library's detach, which a call still under way on
  // another thread may block, so ServiceMain ends the process instead.
  service::WaitForServiceMain();
  return 0;
}
