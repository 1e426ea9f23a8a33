// Registry values read with RegGetValueW, which checks a value's type and
// size, ends its text and expands a REG_EXPAND_SZ value.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ardmon {

// A REG_DWORD value of the key, or of its subkey when one is named; nothing
// when it is absent or of another type.
inline std::optional<std::uint32_t> RegistryDword(HKEY key, const wchar_t* subKey,
                                                  const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(key, subKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

enum class RegistryText { Absent, Unusable, Read };

// A REG_SZ value, or a REG_EXPAND_SZ value expanded. A value of another type,
// or one that cannot be read, is unusable, not absent.
inline RegistryText ReadRegistryText(HKEY key, const wchar_t* subKey, const wchar_t* name,
                                     std::wstring& value) {
  DWORD size = 0;
  LSTATUS status = RegGetValueW(key, subKey, name, RRF_RT_REG_SZ, nullptr, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return RegistryText::Absent;
  // An expanded text may need more room than the first answer said, if the
  // value changes between the calls, more still.
  std::vector<wchar_t> buffer;
  for (int attempt = 0; attempt < 4 && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA);
       ++attempt) {
    buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegGetValueW(key, subKey, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
    if (status == ERROR_SUCCESS) {
      value = buffer.data();
      return RegistryText::Read;
    }
  }
  return RegistryText::Unusable;
}

}  // namespace ardmon
