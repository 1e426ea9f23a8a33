// A folder opened as itself, never through a link, and its owner and
// access list read from that handle in the words of the folder decision.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "common/folder_trust.h"

namespace ardmon {

class OpenFolder {
 public:
  enum class State { Opened, Missing, NotAFolder, IsLink, Failed };

  // `access` besides READ_CONTROL, which reading the security needs. Others
  // may go on reading, writing and renaming it meanwhile.
  OpenFolder(const std::wstring& path, DWORD access);
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  ~OpenFolder();

  State state() const { return state_; }
  DWORD error() const { return error_; }  // when Failed
  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  State state_ = State::Failed;
  DWORD error_ = ERROR_SUCCESS;
};

// The owner and access list of an open file or folder; nothing, with the
// system's error in `error`, when they cannot be read.
std::optional<FolderSecurity> ReadFolderSecurity(HANDLE folder, DWORD* error);

// The groups, and the owner of the Windows folder when it can be read.
TrustedAccounts ThisSystemsTrustedAccounts();

}  // namespace ardmon
