// A driver service's key under HKLM\SYSTEM\CurrentControlSet\Services and
// whether the file it loads exists, read as the kernel would read them.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "common/win32/wide_text.h"
#include "disklib/driver_service.h"
#include "disklib/win32/win32_device_stack.h"

namespace disklib {
namespace {

using ardmon::Wide;

constexpr wchar_t kServicesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\";

// A REG_DWORD value; nothing when it is absent or of another type.
std::optional<std::uint32_t> DwordValue(HKEY key, const wchar_t* name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return std::nullopt;
  }
  return value;
}

// Environment variables such as %SystemRoot% replaced; nothing on failure.
std::optional<std::wstring> Expanded(const std::wstring& text) {
  const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::vector<wchar_t> buffer(needed);
  const DWORD written = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), needed);
  if (written == 0 || written > needed) return std::nullopt;
  return std::wstring(buffer.data());
}

enum class Text { Absent, Unusable, Read };

// A REG_SZ value, or a REG_EXPAND_SZ value expanded. A value of another
// type, or one that cannot be read, is unusable, not absent.
Text TextValue(HKEY key, const wchar_t* name, std::wstring& value) {
  DWORD type = 0, size = 0;
  const LSTATUS found = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
  if (found == ERROR_FILE_NOT_FOUND) return Text::Absent;
  if (found != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return Text::Unusable;
  // One character more than the data, for a value stored without its NUL.
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = size;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return Text::Unusable;
  }
  value.assign(buffer.data(), wcsnlen(buffer.data(), bytes / sizeof(wchar_t)));
  if (type == REG_SZ) return Text::Read;
  std::optional<std::wstring> expanded = Expanded(value);
  if (!expanded) return Text::Unusable;
  value = *expanded;
  return Text::Read;
}

// The folder that \SystemRoot stands for.
std::optional<std::u16string> WindowsFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::u16string(folder, folder + length);
}

bool IsFile(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ImageExists(HKEY key, const std::u16string& name) {
  std::wstring text;
  std::optional<std::u16string> imagePath;
  switch (TextValue(key, L"ImagePath", text)) {
    case Text::Unusable:
      return false;
    case Text::Read:
      imagePath = std::u16string(text.begin(), text.end());
      break;
    case Text::Absent:
      break;
  }
  std::optional<std::u16string> windows = WindowsFolder();
  if (!windows) return false;
  std::optional<std::u16string> file = DriverImagePath(name, imagePath, *windows);
  return file && IsFile(*file);
}

}  // namespace

std::optional<DriverService> Win32DeviceStack::FindDriverService(const std::u16string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kServicesKey + Wide(name)).c_str(), 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DriverService service;
  service.type = DwordValue(key, L"Type");
  service.start = DwordValue(key, L"Start");
  service.imageExists = ImageExists(key, name);
  RegCloseKey(key);
  return service;
}

}  // namespace disklib
