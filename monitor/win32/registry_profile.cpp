#include "monitor/win32/registry_profile.h"
#include "common/win32/wide_text.h"

namespace monitor {
namespace {

using ardmon::Wide;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Ardmon";

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

std::optional<StoredValue> RegistryProfile::Stored(std::u16string_view section,
                                                   std::u16string_view name) {
  Key key(OpenSection(section));
  if (!key.get()) return std::nullopt;
  const std::wstring valueName = Wide(name);
  StoredValue value;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, &size);
  // Another program may rewrite the value between the two calls.
  do {
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return std::nullopt;
    value.bytes.resize(size);
    DWORD type = 0;
    status =
        RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, value.bytes.data(), &size);
    value.type = type;
  } while (status == ERROR_MORE_DATA);
  if (status != ERROR_SUCCESS) return std::nullopt;
  value.bytes.resize(size);
  return value;
}

std::int32_t RegistryProfile::GetProfileInt(std::u16string_view section, std::u16string_view name,
                                            std::int32_t defaultValue) {
  const std::optional<StoredValue> value = Stored(section, name);
  return NumberOr(value ? &*value : nullptr, defaultValue);
}

std::optional<std::int32_t> RegistryProfile::FindProfileInt(std::u16string_view section,
                                                            std::u16string_view name) {
  const std::optional<StoredValue> value = Stored(section, name);
  return NumberIn(value ? &*value : nullptr);
}

bool RegistryProfile::DeleteProfileValue(std::u16string_view section, std::u16string_view name) {
  Key key(OpenSection(section));
  if (!key.get()) return false;
  const LONG status = RegDeleteValueW(key.get(), Wide(name).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegistryProfile::Write(std::u16string_view section, std::u16string_view name,
                            const StoredValue& value) {
  Key key(OpenSection(section));
  return key.get() &&
         RegSetValueExW(key.get(), Wide(name).c_str(), 0, value.type, value.bytes.data(),
                        static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS;
}

bool RegistryProfile::WriteProfileInt(std::u16string_view section, std::u16string_view name,
                                      std::int32_t value) {
  return Write(section, name, StoredValue::Number(value));
}

std::u16string RegistryProfile::GetProfileString(std::u16string_view section,
                                                 std::u16string_view name,
                                                 std::u16string_view defaultValue) {
  const std::optional<StoredValue> value = Stored(section, name);
  return TextOr(value ? &*value : nullptr, defaultValue);
}

std::u16string RegistryProfile::GetProfileStringWhole(std::u16string_view section,
                                                      std::u16string_view name,
                                                      std::u16string_view defaultValue) {
  const std::optional<StoredValue> value = Stored(section, name);
  return WholeTextOr(value ? &*value : nullptr, defaultValue);
}

bool RegistryProfile::WriteProfileString(std::u16string_view section, std::u16string_view name,
                                         std::u16string_view value) {
  return Write(section, name, StoredValue::Text(value));
}

bool RegistryProfile::HasRunEntry() {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
  Key key(raw);
  // Only its presence counts, whatever the length of the path it holds.
  return RegQueryValueExW(key.get(), kRunValue, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

bool RegistryProfile::SetRunEntry(bool present) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS) {
    return false;
  }
  Key key(raw);
  if (!present) {
    const LONG status = RegDeleteValueW(key.get(), kRunValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  // The whole path, however long, with its terminating zero.
  const std::wstring path = ardmon::ModulePath().wstring();
  if (path.empty()) return false;
  return RegSetValueExW(key.get(), kRunValue, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(path.c_str()),
                        static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace monitor
