#include "monitor/win32/service_identity.h"

#include <aclapi.h>

#include "common/service_protocol.h"
#include "common/win32/wide_text.h"

namespace monitor {

PipeOwner PipeHandleFacts::Owner() const {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(pipe_, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return PipeOwner::None;
  }
  PipeOwner result = PipeOwner::None;
  if (owner)
    result = IsWellKnownSid(owner, WinLocalSystemSid) ? PipeOwner::LocalSystem : PipeOwner::Other;
  LocalFree(descriptor);
  return result;
}

std::uint32_t PipeHandleFacts::ServerProcessId() const {
  ULONG server = 0;
  return GetNamedPipeServerProcessId(pipe_, &server) ? server : 0;
}

ControlManagerDirectory::~ControlManagerDirectory() {
  if (manager_) CloseServiceHandle(manager_);
}

// The connection to the control manager is what costs: it is kept. The
// service's handle is not, as an open one would keep a service that an
// uninstall deletes from going until this program ends.
std::uint32_t ControlManagerDirectory::ServiceProcessId() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!manager_) manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager_) return 0;
  const SC_HANDLE service =
      OpenServiceW(manager_, ardmon::Wide(ardmon::kServiceName), SERVICE_QUERY_STATUS);
  if (!service) return 0;
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  const BOOL known = QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                          reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
  CloseServiceHandle(service);
  return known ? status.dwProcessId : 0;
}

}  // namespace monitor
