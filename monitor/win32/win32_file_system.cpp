#include "monitor/win32/win32_file_system.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>

#include "common/win32/held_file.h"
#include "common/win32/wide_text.h"

namespace monitor {
namespace {

using ardmon::Wide;

class HandleSource final : public ByteSource {
 public:
  explicit HandleSource(HANDLE file) : file_(file) {}
  HandleSource(const HandleSource&) = delete;
  HandleSource& operator=(const HandleSource&) = delete;
  ~HandleSource() override { CloseHandle(file_); }

  std::size_t Read(char* buffer, std::size_t size) override {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
    if (!ReadFile(file_, buffer, wanted, &read, nullptr)) return 0;
    return read;
  }
  std::optional<std::size_t> Size() const override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_, &size)) return std::nullopt;
    return static_cast<std::size_t>(size.QuadPart);
  }

 private:
  HANDLE file_;
};

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Flushed before it is closed: the rename that follows must not put a file
// whose bytes are still only in memory in the place of a whole one.
bool Fill(HANDLE file, std::string_view bytes) {
  const bool written = WriteAll(file, bytes) && FlushFileBuffers(file);
  return CloseHandle(file) && written;
}

}  // namespace

std::unique_ptr<ByteSource> Win32FileSystem::OpenForReading(const std::u16string& path) {
  const HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<HandleSource>(file);
}

bool Win32FileSystem::WriteWhole(const std::u16string& path, std::string_view bytes) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  return Fill(file, bytes);
}

NewFile Win32FileSystem::WriteNew(const std::u16string& path, std::string_view bytes) {
  const std::wstring name = Wide(path);
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFile::kNameTaken
                                                                       : NewFile::kFailed;
  }
  if (Fill(file, bytes)) return NewFile::kWritten;
  DeleteFileW(name.c_str());
  return NewFile::kFailed;
}

// Not flushed: a killed process leaves what it wrote to the system, and
// the reader drops a last record that a power cut cut short.
bool Win32FileSystem::Append(const std::u16string& path, std::string_view bytes) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteAll(file, bytes);
  return CloseHandle(file) && written;
}

bool Win32FileSystem::Rename(const std::u16string& from, const std::u16string& to) {
  return ardmon::RetryWhileHeld([&]() -> DWORD {
           return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                      ? ERROR_SUCCESS
                      : GetLastError();
         }) == ERROR_SUCCESS;
}

bool Win32FileSystem::Remove(const std::u16string& path) {
  return DeleteFileW(Wide(path).c_str()) != FALSE;
}

bool Win32FileSystem::Exists(const std::u16string& path) {
  return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Tried rather than read from the folder's security: a probe file that
// vanishes when it is closed.
bool Win32FileSystem::CanCreateFilesIn(const std::u16string& folder) {
  const std::wstring probe = Wide(JoinPath(folder, u"~Ardmon")) +
                             std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetTickCount64()) + L".probe";
  const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool Win32FileSystem::CreateFolders(const std::u16string& folder) {
  const int result = SHCreateDirectoryExW(nullptr, Wide(folder).c_str(), nullptr);
  return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}

LogFolders ThisUsersLogFolders() {
  LogFolders folders;
  const std::wstring program = ardmon::ModulePath().parent_path().wstring();
  folders.program.assign(program.begin(), program.end());
  wchar_t local[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                 SHGFP_TYPE_CURRENT, local))) {
    folders.localAppData = reinterpret_cast<const char16_t*>(local);
  }
  return folders;
}

}  // namespace monitor
