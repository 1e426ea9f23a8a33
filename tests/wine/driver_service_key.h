// A driver service's key under HKLM\SYSTEM\CurrentControlSet\Services and
// its default file, for tests in Wine's throwaway prefix: made on demand,
// gone at the end.
#pragma once

#include <windows.h>

#include <string>

namespace ardmon::testing {

class DriverServiceKey {
 public:
  explicit DriverServiceKey(const std::wstring& name)
      : path_(L"SYSTEM\\CurrentControlSet\\Services\\" + name) {}
  ~DriverServiceKey() { Remove(); }

  bool SetDword(const wchar_t* value, DWORD data) const {
    return Set(value, REG_DWORD, &data, sizeof data);
  }
  bool SetText(const wchar_t* value, const std::wstring& text, DWORD type) const {
    return Set(value, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  // Also true when the key was never there.
  bool Remove() const {
    const LSTATUS status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }

 private:
  // Makes the key when it is missing.
  bool Set(const wchar_t* value, DWORD type, const void* data, DWORD size) const {
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, path_.c_str(), value, type, data, size) ==
           ERROR_SUCCESS;
  }

  std::wstring path_;
};

// The file a driver service loads when its key names none:
// System32\drivers\<name>.sys in the Windows folder.
class DriverImageFile {
 public:
  explicit DriverImageFile(const std::wstring& name)
      : path_(WindowsFolder() + L"\\System32\\drivers\\" + name + L".sys") {}
  ~DriverImageFile() { Remove(); }

  static std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    return std::wstring(folder, GetSystemWindowsDirectoryW(folder, MAX_PATH));
  }
  bool Create() const {
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }
  // Also true when the file was never there.
  bool Remove() const {
    return DeleteFileW(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
  }

 private:
  std::wstring path_;
};

}  // namespace ardmon::testing
