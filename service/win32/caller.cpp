#include "service/win32/caller.h"

namespace service {
namespace {

bool IsMember(HANDLE token, WELL_KNOWN_SID_TYPE type) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(type, nullptr, sid, &size) &&
         CheckTokenMembership(token, sid, &member) && member;
}

}  // namespace

Caller CallerOfToken(HANDLE token) {
  return IsMember(token, WinBuiltinAdministratorsSid) || IsMember(token, WinLocalSystemSid)
             ? Caller::Administrator
             : Caller::User;
}

Caller CallerOf(HANDLE pipe) {
  if (!ImpersonateNamedPipeClient(pipe)) return Caller::User;
  Caller caller = Caller::User;
  HANDLE token = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    caller = CallerOfToken(token);
    CloseHandle(token);
  }
  // Going on as the client would serve everyone with its rights. Not
  // ExitProcess: the library's detach could wait on a scan's call.
  if (!RevertToSelf()) TerminateProcess(GetCurrentProcess(), GetLastError());
  return caller;
}

}  // namespace service
