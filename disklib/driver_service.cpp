#include "disklib/driver_service.h"

#include <string_view>

#include "disklib/text.h"

namespace disklib {
namespace {

constexpr std::u16string_view kObjectManagerPrefix = u"\\??\\";
constexpr std::u16string_view kSystemRoot = u"\\SystemRoot\\";
constexpr std::u16string_view kDefaultFolder = u"System32\\drivers\\";

bool IsDriveLetter(char16_t c) {
  const char16_t lower = AsciiLower(c);
  return lower >= u'a' && lower <= u'z';
}

// "C:\..." and nothing else that begins with a drive: "C:x" is relative to
// a current folder the kernel does not have.
bool HasDriveRoot(std::u16string_view path) {
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
}

bool HasDrive(std::u16string_view path) {
  return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == u':';
}

std::u16string UnderWindows(const std::u16string& windowsFolder, std::u16string_view relative) {
  std::u16string path = windowsFolder;
  if (path.empty() || path.back() != u'\\') path += u'\\';
  return path.append(relative);
}

}  // namespace

bool DriverCanLoad(const std::optional<DriverService>& service) {
  return service && service->type == kKernelDriverType && service->start &&
         *service->start != kStartDisabled && service->imageExists;
}

std::optional<std::u16string> DriverImagePath(const std::u16string& name,
                                              const std::optional<std::u16string>& imagePath,
                                              const std::u16string& windowsFolder) {
  if (!imagePath || imagePath->empty()) {
    return UnderWindows(windowsFolder, std::u16string(kDefaultFolder) + name + u".sys");
  }
  std::u16string_view path = *imagePath;
  // Behind the prefix only a drive's path names a file.
  if (StartsWithIgnoringCase(path, kObjectManagerPrefix)) {
    path.remove_prefix(kObjectManagerPrefix.size());
    if (!HasDriveRoot(path)) return std::nullopt;
  }
  if (StartsWithIgnoringCase(path, kSystemRoot)) {
    return UnderWindows(windowsFolder, path.substr(kSystemRoot.size()));
  }
  if (HasDriveRoot(path)) return std::u16string(path);
  if (path.empty() || HasDrive(path) || path.front() == u'\\') return std::nullopt;
  return UnderWindows(windowsFolder, path);
}

}  // namespace disklib
