#include "monitor/pages/win32/win32_volume_query.h"

#include <windows.h>

#include "common/win32/wide_text.h"

namespace monitor {
namespace {

// Room for a label of 50 and a file system name of 64 characters.
constexpr DWORD kLabelChars = 51;
constexpr DWORD kFileSystemChars = 65;

std::u16string Narrowed(const wchar_t* text) {
  const std::wstring_view view(text);
  return std::u16string(view.begin(), view.end());
}

}  // namespace

std::optional<VolumeNames> Win32VolumeQuery::Names(const std::u16string& root) {
  wchar_t label[kLabelChars] = {};
  wchar_t fileSystem[kFileSystemChars] = {};
  if (!GetVolumeInformationW(ardmon::Wide(root).c_str(), label, kLabelChars, nullptr, nullptr,
                             nullptr, fileSystem, kFileSystemChars)) {
    return std::nullopt;
  }
  return VolumeNames{Narrowed(label), Narrowed(fileSystem)};
}

VolumeSpace Win32VolumeQuery::Space(const std::u16string& root) {
  ULARGE_INTEGER freeForUser{}, total{};
  if (!GetDiskFreeSpaceExW(ardmon::Wide(root).c_str(), &freeForUser, &total, nullptr)) return {};
  return {freeForUser.QuadPart, total.QuadPart};
}

}  // namespace monitor
