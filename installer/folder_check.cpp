// The installer's check of the folder it installs into. The installer
// carries this program and runs it from its temporary folder:
//   ArdmonFolderCheck check FOLDER EARLIER [KEPT...]
//   ArdmonFolderCheck prepare FOLDER EARLIER [KEPT...]
// FOLDER may be used when it and every folder above it are trusted on the
// way to the service's programs (common/folder_trust.h), and when it does
// not exist yet, is empty, is EARLIER (the folder of the installation
// being upgraded; "" when none) or holds nothing but the files named KEPT
// (what an uninstallation leaves). "prepare" then makes the missing
// folders, gives FOLDER its owner and access list, and judges it all
// again, so that nothing done to it meanwhile goes unseen. The exit code
// is in folder_check_codes.h.
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "common/win32/folder_security.h"
#include "installer/folder_check_codes.h"

namespace installer {
namespace {

using ardmon::FolderVerdict;
using ardmon::OpenFolder;

// The install folder and every folder made on the way to it: changed by
// Administrators and SYSTEM only, read and run by Users, inherited by the
// files, nothing taken from the parent.
constexpr wchar_t kInstallFolderSddl[] =
    L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

struct Refusal {
  int reason = 0;  // 0: the folder may be used
  int levelsUp = 0;
};

struct Request {
  std::vector<std::wstring> way;  // from the drive's root to the folder
  std::wstring earlier;
  std::vector<std::wstring> kept;
  ardmon::TrustedAccounts trusted;
};

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

// "C:\a\b" gives "C:\", "C:\a" and "C:\a\b"; nothing for a path that is
// not on a drive letter.
std::vector<std::wstring> FoldersOnTheWay(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  if (full.size() < 3 || full[1] != L':' || full[2] != L'\\') return {};
  std::vector<std::wstring> way = {full.substr(0, 3)};
  for (std::size_t at = full.find(L'\\', 3); at != std::wstring::npos;
       at = full.find(L'\\', at + 1)) {
    way.push_back(full.substr(0, at));
  }
  if (full.size() > 3) way.push_back(full);
  return way;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool HoldsOnly(const std::wstring& folder, const std::vector<std::wstring>& kept) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool only = true;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    bool isKept = false;
    for (const std::wstring& file : kept) isKept = isKept || SameName(name, file);
    only = isKept && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  } while (only && FindNextFileW(search, &found));
  FindClose(search);
  return only;
}

int ReasonOf(FolderVerdict verdict) {
  switch (verdict) {
    case FolderVerdict::ForeignOwner:
      return kReasonForeignOwner;
    case FolderVerdict::OthersMayChangeSecurity:
      return kReasonOthersMayChangeSecurity;
    case FolderVerdict::OthersMayDelete:
      return kReasonOthersMayDelete;
    case FolderVerdict::OthersMayDeleteInside:
      return kReasonOthersMayDeleteInside;
    case FolderVerdict::OthersMayAddInside:  // not asked of folders on the way
    case FolderVerdict::Trusted:
      break;
  }
  return 0;
}

int ReasonOf(OpenFolder::State state) {
  switch (state) {
    case OpenFolder::State::NotAFolder:
      return kReasonNotAFolder;
    case OpenFolder::State::IsLink:
      return kReasonIsLink;
    case OpenFolder::State::Failed:
      return kReasonUnreadable;
    case OpenFolder::State::Missing:
    case OpenFolder::State::Opened:
      break;
  }
  return 0;
}

// Judges the folders on the way as far as they exist; `existing` tells how
// many do.
Refusal Check(const Request& request, std::size_t* existing) {
  const std::vector<std::wstring>& way = request.way;
  for (*existing = 0; *existing < way.size(); ++*existing) {
    const int levelsUp = static_cast<int>(way.size() - 1 - *existing);
    const OpenFolder folder(way[*existing], 0);
    if (folder.state() == OpenFolder::State::Missing) return {};
    if (const int reason = ReasonOf(folder.state())) return {reason, levelsUp};
    DWORD error = ERROR_SUCCESS;
    const auto security = ardmon::ReadFolderSecurity(folder.handle(), &error);
    if (!security) return {kReasonUnreadable, levelsUp};
    const int reason =
        ReasonOf(ardmon::JudgeFolder(*security, ardmon::FolderUse::ProgramPath, request.trusted));
    if (reason) return {reason, levelsUp};
  }
  const std::wstring& folder = way.back();
  if (!request.earlier.empty() && SameName(FullPath(request.earlier), folder)) return {};
  if (!HoldsOnly(folder, request.kept)) return {kReasonNotEmpty, 0};
  return {};
}

class InstallFolderSecurity {
 public:
  InstallFolderSecurity() {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kInstallFolderSddl, SDDL_REVISION_1,
                                                              &descriptor_, nullptr)) {
      return;
    }
    BOOL present = FALSE, defaulted = FALSE;
    GetSecurityDescriptorOwner(descriptor_, &owner_, &defaulted);
    GetSecurityDescriptorDacl(descriptor_, &present, &dacl_, &defaulted);
  }
  InstallFolderSecurity(const InstallFolderSecurity&) = delete;
  InstallFolderSecurity& operator=(const InstallFolderSecurity&) = delete;
  ~InstallFolderSecurity() { LocalFree(descriptor_); }

  bool ok() const { return owner_ && dacl_; }

  bool Create(const std::wstring& folder) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor_, FALSE};
    return CreateDirectoryW(folder.c_str(), &attributes) || GetLastError() == ERROR_ALREADY_EXISTS;
  }

  // Through a handle to the folder itself, not to what a link there shows.
  bool Apply(const std::wstring& folder) {
    const OpenFolder opened(folder, WRITE_DAC | WRITE_OWNER);
    return opened.state() == OpenFolder::State::Opened &&
           SetSecurityInfo(opened.handle(), SE_FILE_OBJECT,
                           OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                               PROTECTED_DACL_SECURITY_INFORMATION,
                           owner_, nullptr, dacl_, nullptr) == ERROR_SUCCESS;
  }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  PSID owner_ = nullptr;
  PACL dacl_ = nullptr;
};

Refusal Prepare(const Request& request) {
  std::size_t existing = 0;
  const Refusal before = Check(request, &existing);
  if (before.reason) return before;
  InstallFolderSecurity security;
  if (!security.ok()) return {kReasonNotProtected, 0};
  const std::size_t count = request.way.size();
  for (std::size_t i = existing; i < count; ++i) {
    if (!security.Create(request.way[i])) {
      return {kReasonNotProtected, static_cast<int>(count - 1 - i)};
    }
  }
  if (!security.Apply(request.way.back())) return {kReasonNotProtected, 0};
  return Check(request, &existing);
}

}  // namespace

int Run(int argc, wchar_t** argv) {
  if (argc < 4) return 1;
  const std::wstring command = argv[1];
  const Request request{FoldersOnTheWay(argv[2]),
                        argv[3],
                        {argv + 4, argv + argc},
                        ardmon::ThisSystemsTrustedAccounts()};
  if (request.way.empty()) return kRefusedStep * kReasonNotOnADrive;
  Refusal refusal;
  if (command == L"check") {
    std::size_t existing = 0;
    refusal = Check(request, &existing);
  } else if (command == L"prepare") {
    refusal = Prepare(request);
  } else {
    return 1;
  }
  return kRefusedStep * refusal.reason + refusal.levelsUp;
}

}  // namespace installer

int wmain(int argc, wchar_t** argv) {
  return installer::Run(argc, argv);
}
