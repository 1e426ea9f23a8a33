// Results of a worker's job handed to a window by its message queue.
#pragma once

#include <windows.h>

#include <memory>

namespace monitor {

// Hands `result` to `window` as `message`; the window takes it back with
// TakePosted. Dropped when the window is gone.
template <typename T>
void PostOwned(HWND window, UINT message, std::unique_ptr<T> result) {
  if (PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(result.get()))) result.release();
}

template <typename T>
std::unique_ptr<T> TakePosted(LPARAM lParam) {
  return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}

}  // namespace monitor
