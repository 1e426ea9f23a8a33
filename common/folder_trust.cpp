#include "common/folder_trust.h"

namespace ardmon {
namespace {

// The rights an entry gives on the folder itself, generic ones included as
// what they stand for.
std::uint32_t EffectiveRights(std::uint32_t mask) {
  std::uint32_t effective = mask;
  if (mask & rights::kGenericAll) effective |= rights::kFileAllAccess;
  if (mask & rights::kGenericRead) effective |= rights::kFileGenericRead;
  if (mask & rights::kGenericWrite) effective |= rights::kFileGenericWrite;
  if (mask & rights::kGenericExecute) effective |= rights::kFileGenericExecute;
  return effective;
}

std::uint32_t RightsOfOthers(const FolderSecurity& folder, const TrustedAccounts& trusted) {
  if (!folder.dacl) return rights::kFileAllAccess;
  std::uint32_t granted = 0;
  for (const AccessEntry& entry : *folder.dacl) {
    if (entry.denies || entry.inheritOnly || trusted.Include(entry.trustee)) continue;
    granted |= EffectiveRights(entry.mask);
  }
  return granted;
}

}  // namespace

bool TrustedAccounts::Include(const std::string& sid) const {
  return sid == kAdministratorsSid || sid == kLocalSystemSid || sid == kTrustedInstallerSid ||
         (!sid.empty() && sid == systemFolderOwner);
}

FolderVerdict JudgeFolder(const FolderSecurity& folder, FolderUse use,
                          const TrustedAccounts& trusted) {
  // The owner may always change the access list.
  if (!trusted.Include(folder.owner)) return FolderVerdict::ForeignOwner;
  const std::uint32_t others = RightsOfOthers(folder, trusted);
  if (others & (rights::kWriteDac | rights::kWriteOwner)) {
    return FolderVerdict::OthersMayChangeSecurity;
  }
  if (others & rights::kDelete) return FolderVerdict::OthersMayDelete;
  if (others & rights::kDeleteChild) return FolderVerdict::OthersMayDeleteInside;
  if (use == FolderUse::ServiceOutput && (others & (rights::kAddFile | rights::kAddSubfolder))) {
    return FolderVerdict::OthersMayAddInside;
  }
  return FolderVerdict::Trusted;
}

}  // namespace ardmon
