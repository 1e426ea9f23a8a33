#include "common/win32/folder_security.h"

#include <aclapi.h>
#include <sddl.h>

namespace ardmon {
namespace {

std::string SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !IsValidSid(sid) || !ConvertSidToStringSidW(sid, &text)) return {};
  std::string ascii(text, text + wcslen(text));  // digits, letters and dashes
  LocalFree(text);
  return ascii;
}

// Every kind of entry starts with its header and its rights; the plain
// ones name their trustee next. Any other kind counts as granting its
// rights to someone else.
AccessEntry EntryOf(const ACE_HEADER* header) {
  const auto* plain = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
  AccessEntry entry;
  entry.mask = plain->Mask;
  entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
  switch (header->AceType) {
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
      entry.denies = true;
      [[fallthrough]];
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
      entry.trustee = SidText(const_cast<DWORD*>(&plain->SidStart));
      break;
    default:
      break;
  }
  return entry;
}

}  // namespace

OpenFolder::OpenFolder(const std::wstring& path, DWORD access) {
  handle_ = CreateFileW(
      path.c_str(), access | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    error_ = GetLastError();
    const bool missing = error_ == ERROR_FILE_NOT_FOUND || error_ == ERROR_PATH_NOT_FOUND;
    state_ = missing ? State::Missing : State::Failed;
    return;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle_, &info)) {
    error_ = GetLastError();
    state_ = State::Failed;
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    state_ = State::IsLink;
  } else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    state_ = State::NotAFolder;
  } else {
    state_ = State::Opened;
  }
}

OpenFolder::~OpenFolder() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

std::optional<FolderSecurity> ReadFolderSecurity(HANDLE folder, DWORD* error) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  *error = GetSecurityInfo(folder, SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                           &dacl, nullptr, &descriptor);
  if (*error != ERROR_SUCCESS) return std::nullopt;
  FolderSecurity security;
  security.owner = SidText(owner);
  if (dacl) {  // without one, everyone may do everything
    security.dacl.emplace();
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      if (!GetAce(dacl, i, &ace)) {
        *error = GetLastError();
        LocalFree(descriptor);
        return std::nullopt;
      }
      security.dacl->push_back(EntryOf(static_cast<const ACE_HEADER*>(ace)));
    }
  }
  LocalFree(descriptor);
  return security;
}

TrustedAccounts ThisSystemsTrustedAccounts() {
  TrustedAccounts trusted;
  wchar_t windows[MAX_PATH];
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return trusted;
  const OpenFolder folder(windows, 0);
  DWORD error = ERROR_SUCCESS;
  if (folder.state() != OpenFolder::State::Opened) return trusted;
  if (const auto security = ReadFolderSecurity(folder.handle(), &error)) {
    trusted.systemFolderOwner = security->owner;
  }
  return trusted;
}

}  // namespace ardmon
