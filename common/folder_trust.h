// Whether a folder may hold what the service runs or writes as SYSTEM,
// decided from its owner and access list alone. The installer asks it of
// every folder on the way to the programs, the service of the folder it
// writes its metrics file into; Windows' real access lists test it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ardmon {

// Access rights as an access list holds them (the values of winnt.h).
namespace rights {
constexpr std::uint32_t kAddFile = 0x0002;
constexpr std::uint32_t kAddSubfolder = 0x0004;
constexpr std::uint32_t kDeleteChild = 0x0040;
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kWriteDac = 0x00040000;
constexpr std::uint32_t kWriteOwner = 0x00080000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericRead = 0x80000000;
// What the generic rights stand for on files and folders.
constexpr std::uint32_t kFileAllAccess = 0x001F01FF;
constexpr std::uint32_t kFileGenericRead = 0x00120089;
constexpr std::uint32_t kFileGenericWrite = 0x00120116;
constexpr std::uint32_t kFileGenericExecute = 0x001200A0;
}  // namespace rights

// The groups that may own and change such a folder, as SID strings.
constexpr char kAdministratorsSid[] = "S-1-5-32-544";
constexpr char kLocalSystemSid[] = "S-1-5-18";
constexpr char kTrustedInstallerSid[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct AccessEntry {
  // Any entry that is not a plain denial counts as granting: an entry of
  // a kind the decision does not know may grant what it names.
  bool denies = false;
  std::string trustee;  // a SID string; empty when the entry names none
  std::uint32_t mask = 0;
  bool inheritOnly = false;  // for what is created inside, not the folder
};

struct FolderSecurity {
  std::string owner;  // a SID string; empty when it has none
  // Absent: no access list at all, which lets everyone do everything.
  std::optional<std::vector<AccessEntry>> dacl;
};

enum class FolderUse {
  // On the way to the service's programs: whoever may delete or rename a
  // folder there may put their own programs in its place. Creating new
  // things inside is harmless.
  ProgramPath,
  // Where the service writes: whoever may add things inside may plant a
  // link that the service would write through.
  ServiceOutput,
};

enum class FolderVerdict {
  Trusted,
  ForeignOwner,
  OthersMayChangeSecurity,  // WRITE_DAC or WRITE_OWNER
  OthersMayDelete,          // DELETE on the folder itself
  OthersMayDeleteInside,    // FILE_DELETE_CHILD: what is inside may go
  OthersMayAddInside,       // files or folders; for ServiceOutput only
};

// Besides those groups, the owner of the Windows folder is trusted: whoever
// may change that folder has the system in hand anyway. It is
// TrustedInstaller on Windows; under Wine every file belongs to the
// prefix's user. Empty when it is not known.
struct TrustedAccounts {
  std::string systemFolderOwner;
  bool Include(const std::string& sid) const;
};

// The first reason in the order of FolderVerdict. Denials never count:
// one that names a group does not stop what another entry grants to one
// of its members.
FolderVerdict JudgeFolder(const FolderSecurity& folder, FolderUse use,
                          const TrustedAccounts& trusted);

}  // namespace ardmon
