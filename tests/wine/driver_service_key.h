// A driver service's key under HKLM\SYSTEM\CurrentControlSet\Services, for
// tests in Wine's throwaway prefix: made on demand, gone at the end.
#pragma once

#include <windows.h>

#include <string>

namespace ardmon::testing {

class DriverServiceKey {
 public:
  explicit DriverServiceKey(const std::wstring& name)
      : path_(L"SYSTEM\\CurrentControlSet\\Services\\" + name) {}
  ~DriverServiceKey() { Remove(); }

  bool Create() const {
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0,
                                           KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }
  // Also true when the key was never there.
  bool Remove() const {
    const LSTATUS status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }

 private:
  std::wstring path_;
};

}  // namespace ardmon::testing
