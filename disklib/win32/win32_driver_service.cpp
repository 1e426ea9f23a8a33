// A driver service's key under HKLM\SYSTEM\CurrentControlSet\Services and
// whether the file it loads exists, read as the kernel would read them.
#include <windows.h>

#include <string>

#include "common/win32/registry_value.h"
#include "common/win32/wide_text.h"
#include "disklib/driver_service.h"
#include "disklib/win32/win32_device_stack.h"

namespace disklib {
namespace {

using ardmon::Wide;

constexpr wchar_t kServicesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\";

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
  switch (ardmon::ReadRegistryText(key, nullptr, L"ImagePath", text)) {
    case ardmon::RegistryText::Unusable:
      return false;
    case ardmon::RegistryText::Read:
      imagePath = std::u16string(text.begin(), text.end());
      break;
    case ardmon::RegistryText::Absent:
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
  service.type = ardmon::RegistryDword(key, nullptr, L"Type");
  service.start = ardmon::RegistryDword(key, nullptr, L"Start");
  service.imageExists = ImageExists(key, name);
  RegCloseKey(key);
  return service;
}

}  // namespace disklib
