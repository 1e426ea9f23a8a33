// What an installation leaves on the machine, read back the way Windows
// shows it: registry values, the service's configuration, version
// resources, manifests, shortcuts, file contents.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace installertest {

inline std::filesystem::path KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

// The values read here are names and paths, well within the buffer.
inline std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key,
                                              const wchar_t* value) {
  wchar_t text[2048];
  DWORD size = sizeof text;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

inline std::optional<DWORD> ReadDword(HKEY root, const std::wstring& key, const wchar_t* value) {
  DWORD data = 0, size = sizeof data;
  if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_DWORD, nullptr, &data, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return data;
}

inline bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

struct ServiceConfig {
  DWORD type = 0;
  DWORD startType = 0;
  std::wstring binaryPath;
  std::wstring account;
  std::wstring displayName;
  std::wstring description;
};

// Nothing when the service does not exist.
inline std::optional<ServiceConfig> QueryServiceConfiguration(const wchar_t* name) {
  std::optional<ServiceConfig> config;
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return config;
  if (const SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_CONFIG)) {
    DWORD size = 0;
    QueryServiceConfigW(service, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (size && QueryServiceConfigW(service, query, size, &size)) {
      config = ServiceConfig{query->dwServiceType,
                             query->dwStartType,
                             query->lpBinaryPathName ? query->lpBinaryPathName : L"",
                             query->lpServiceStartName ? query->lpServiceStartName : L"",
                             query->lpDisplayName ? query->lpDisplayName : L"",
                             L""};
      size = 0;
      QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, nullptr, 0, &size);
      std::vector<BYTE> described(size);
      auto* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(described.data());
      if (size &&
          QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, described.data(), size,
                               &size) &&
          description->lpDescription) {
        config->description = description->lpDescription;
      }
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return config;
}

// A file's version resource: the fixed part and the strings of its first
// translation.
class VersionResource {
 public:
  explicit VersionResource(const std::filesystem::path& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (!size) return;
    block_.resize(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block_.data())) block_.clear();
  }

  bool ok() const { return !block_.empty(); }

  // Major, minor, patch and build of the file version.
  std::array<WORD, 4> FileVersion() const {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!ok() || !VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof *fixed) {
      return {};
    }
    return {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
            HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
  }

  std::wstring String(const std::wstring& name) const {
    struct Translation {
      WORD language;
      WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!ok() ||
        !VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof *translation) {
      return {};
    }
    wchar_t path[64];
    swprintf(path, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
             translation->codePage);
    wchar_t* text = nullptr;
    if (!VerQueryValueW(block_.data(), (path + name).c_str(), reinterpret_cast<void**>(&text),
                        &length) ||
        !text) {
      return {};
    }
    return text;
  }

 private:
  std::vector<BYTE> block_;
};

// Whether the program's manifest makes an activation context, as the loader
// does when it starts the program.
inline bool ManifestParses(const std::filesystem::path& program) {
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = program.c_str();
  context.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
  const HANDLE made = CreateActCtxW(&context);
  if (made == INVALID_HANDLE_VALUE) return false;
  ReleaseActCtx(made);
  return true;
}

// The program a shortcut starts; empty when it cannot be read.
inline std::filesystem::path ShortcutTarget(const std::filesystem::path& shortcut) {
  std::filesystem::path target;
  const bool initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t path[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)) &&
          SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
        target = path;
      }
      file->Release();
    }
    link->Release();
  }
  if (initialised) CoUninitialize();
  return target;
}

inline std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace installertest
