// ArdmonSvc.exe: the service "TempService". Started by anything other than
// the service control manager it returns at once, without a message.
#include <windows.h>

#include "common/service_protocol.h"
#include "service/win32/service_host.h"

namespace {
// The dispatcher returns once SERVICE_STOPPED is reported, which
// ServiceMain does as its last step, everything closed.
constexpr DWORD kServiceMainReturnMs = 5000;
}  // namespace

int main() {
  SERVICE_TABLE_ENTRYW table[] = {
      {const_cast<LPWSTR>(reinterpret_cast<const wchar_t*>(ardmon::kServiceName)),
       service::ServiceMain},
      {nullptr, nullptr}};
  StartServiceCtrlDispatcherW(table);
  service::WaitForServiceMain(kServiceMainReturnMs);
  return 0;
}
