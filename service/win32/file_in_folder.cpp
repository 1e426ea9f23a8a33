#include "service/win32/file_in_folder.h"

#include <winternl.h>

#include <cstring>
#include <vector>

#include "common/win32/held_file.h"

namespace service {
namespace {

constexpr wchar_t kTemporarySuffix[] = L".tmp";

// A file of `folder` by its name, never through a link; nothing, with the
// system's error in `error`, when it cannot be opened.
HANDLE OpenInside(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG disposition,
                  ULONG options, DWORD* error) {
  UNICODE_STRING path;
  path.Buffer = const_cast<wchar_t*>(name.c_str());
  path.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  path.MaximumLength = path.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE file = nullptr;
  const NTSTATUS status = NtCreateFile(
      &file, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, 0, disposition,
      options | FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT,
      nullptr, 0);
  if (status < 0) {
    *error = RtlNtStatusToDosError(status);
    return nullptr;
  }
  return file;
}

// Gives the open `file` the name `name` in `folder`, replacing what is there.
DWORD RenameInside(HANDLE file, HANDLE folder, const std::wstring& name) {
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFORMATION) + name.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = folder;
  rename->FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, name.data(), rename->FileNameLength);
  IO_STATUS_BLOCK io{};
  const NTSTATUS status = NtSetInformationFile(file, &io, rename, static_cast<ULONG>(buffer.size()),
                                               FileRenameInformation);
  return status < 0 ? RtlNtStatusToDosError(status) : ERROR_SUCCESS;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && FlushFileBuffers(file);
}

}  // namespace

DWORD ReplaceFileInFolder(HANDLE folder, const std::wstring& name, const std::string& bytes) {
  const std::wstring temporary = name + kTemporarySuffix;
  DWORD error = ERROR_SUCCESS;
  // One that an interrupted write left goes first. Deliberately unchecked:
  // that there is none is the usual case, and anything else about it shows
  // when the new one is made.
  const HANDLE leftover =
      OpenInside(folder, temporary, DELETE, FILE_OPEN, FILE_DELETE_ON_CLOSE, &error);
  if (leftover) CloseHandle(leftover);
  const HANDLE file = OpenInside(folder, temporary, GENERIC_WRITE | DELETE, FILE_CREATE, 0, &error);
  if (!file) return error;
  if (WriteAll(file, bytes)) {
    error = ardmon::RetryWhileHeld([&] { return RenameInside(file, folder, name); });
  } else {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) {
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone);
  }
  CloseHandle(file);
  return error;
}

}  // namespace service
