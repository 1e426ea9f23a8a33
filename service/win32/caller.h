// Who sent a request, from the client's token: the commands that change the
// machine's devices are served to administrators and the system account only.
#pragma once

#include <windows.h>

#include "service/dispatch.h"

namespace service {

// Administrator when the token holds Administrators or LocalSystem for
// access (not for deny only), else User.
Caller CallerOfToken(HANDLE token);

// The pipe client's token, read while impersonating it (the client allows
// identification only, which is enough to read it).
Caller CallerOf(HANDLE pipe);

}  // namespace service
