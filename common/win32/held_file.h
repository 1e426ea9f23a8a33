// Replacing a file that someone reads at that moment (a viewer, a virus
// scanner, an indexer, a metrics collector) fails with a sharing violation
// or with access denied; such readers let go within moments.
#pragma once

#include <windows.h>

namespace ardmon {

constexpr int kHeldFileAttempts = 10;
constexpr DWORD kHeldFileRetryMs = 10;

// Runs `replace`, which returns the system's error (ERROR_SUCCESS when it
// is done), again while the file is held, up to kHeldFileAttempts times;
// its last error.
template <typename Replace>
DWORD RetryWhileHeld(Replace replace) {
  for (int attempt = 1;; ++attempt) {
    const DWORD error = replace();
    if (error == ERROR_SUCCESS || attempt == kHeldFileAttempts ||
        (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)) {
      return error;
    }
    Sleep(kHeldFileRetryMs);
  }
}

}  // namespace ardmon
