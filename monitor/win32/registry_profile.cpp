#include "monitor/win32/registry_profile.h"
#include "common/win32/wide_text.h"

namespace monitor {
namespace {

using ardmon::Wide;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Ardmon";
constexpr DWORD kPathChars = MAX_PATH;

class Key {
 public:
  explicit Key(HKEY key) : key_(key) {}
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_;
};

}  // namespace

RegistryProfile::RegistryProfile(std::u16string company, std::u16string application)
    : applicationKey_(u"Software\\" + company + u"\\" + application) {}

HKEY RegistryProfile::OpenSection(std::u16string_view section) {
  const std::wstring path = Wide(applicationKey_) + L"\\" + Wide(section);
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

std::int32_t RegistryProfile::GetProfileInt(std::u16string_view section, std::u16string_view name,
                                            std::int32_t defaultValue) {
  Key key(OpenSection(section));
  if (!key.get()) return defaultValue;
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExW(key.get(), Wide(name).c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return defaultValue;
  }
  return static_cast<std::int32_t>(value);
}

bool RegistryProfile::WriteProfileInt(std::u16string_view section, std::u16string_view name,
                                      std::int32_t value) {
  Key key(OpenSection(section));
  const DWORD data = static_cast<DWORD>(value);
  return key.get() &&
         RegSetValueExW(key.get(), Wide(name).c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

std::optional<std::wstring> RegistryProfile::StoredString(std::u16string_view section,
                                                          std::u16string_view name) {
  Key key(OpenSection(section));
  const std::wstring valueName = Wide(name);
  DWORD type = 0, size = 0;
  if (!key.get() ||
      RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  text.resize(size / sizeof(wchar_t));
  return text;
}

std::u16string RegistryProfile::GetProfileString(std::u16string_view section,
                                                 std::u16string_view name,
                                                 std::u16string_view defaultValue) {
  const std::optional<std::wstring> text = StoredString(section, name);
  if (!text) return std::u16string(defaultValue);
  return std::u16string(text->begin(), text->begin() + wcsnlen(text->c_str(), text->size()));
}

std::u16string RegistryProfile::GetProfileStringWhole(std::u16string_view section,
                                                      std::u16string_view name,
                                                      std::u16string_view defaultValue) {
  std::optional<std::wstring> text = StoredString(section, name);
  if (!text) return std::u16string(defaultValue);
  if (!text->empty() && text->back() == L'\0') text->pop_back();
  return std::u16string(text->begin(), text->end());
}

bool RegistryProfile::WriteProfileString(std::u16string_view section, std::u16string_view name,
                                         std::u16string_view value) {
  Key key(OpenSection(section));
  const std::wstring text = Wide(value);
  return key.get() &&
         RegSetValueExW(key.get(), Wide(name).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegistryProfile::HasRunEntry() {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
  Key key(raw);
  BYTE data[kPathChars];
  DWORD size = sizeof data;
  // A long program path does not fit the buffer, but the entry is there.
  const LONG status = RegQueryValueExW(key.get(), kRunValue, nullptr, nullptr, data, &size);
  return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

bool RegistryProfile::SetRunEntry(bool present) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) {
    return false;
  }
  Key key(raw);
  if (!present) {
    const LONG status = RegDeleteValueW(key.get(), kRunValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  wchar_t path[kPathChars] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, kPathChars);
  return RegSetValueExW(key.get(), kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                        (length + 1) * sizeof(wchar_t)) == ERROR_SUCCESS;
}

}  // namespace monitor
