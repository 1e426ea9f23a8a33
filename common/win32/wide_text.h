// Win32 boundary helpers shared by the programs: UTF-16 text passes to the
// wide API unchanged (wchar_t is 16 bits on Windows), and the path of a
// module, however long.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ardmon {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is UTF-16 on Windows");

inline const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

inline std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

// The file of a loaded module; the running program's by default. Empty when
// it cannot be had.
inline std::filesystem::path ModulePath(HMODULE module = nullptr) {
  std::vector<wchar_t> path(MAX_PATH);
  DWORD length = 0;
  while ((length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
  return std::filesystem::path(std::wstring(path.data(), length));
}

}  // namespace ardmon
