// The folder decision over access lists written as Windows shows them
// (SDDL), the real defaults of Windows' own folders among them.
#include "common/folder_trust.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

namespace ardmon {
namespace {

constexpr char kTrustedInstaller[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

std::string Sid(const std::string& text) {
  static const std::map<std::string, std::string> aliases = {
      {"BA", kAdministratorsSid}, {"SY", kLocalSystemSid}, {"BU", "S-1-5-32-545"},
      {"AU", "S-1-5-11"},         {"WD", "S-1-1-0"},       {"CO", "S-1-3-0"},
      {"AC", "S-1-15-2-1"}};
  const auto alias = aliases.find(text);
  if (alias != aliases.end()) return alias->second;
  if (text.rfind("S-", 0) != 0) throw std::invalid_argument("SID " + text);
  return text;
}

std::uint32_t Rights(const std::string& text) {
  if (text.rfind("0x", 0) == 0) return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
  static const std::map<std::string, std::uint32_t> codes = {
      {"FA", rights::kFileAllAccess},  {"GA", rights::kGenericAll},
      {"GR", rights::kGenericRead},    {"GW", rights::kGenericWrite},
      {"GX", rights::kGenericExecute}, {"SD", rights::kDelete},
      {"WD", rights::kWriteDac},       {"WO", rights::kWriteOwner},
      {"LC", rights::kAddSubfolder}};
  std::uint32_t mask = 0;
  for (std::size_t i = 0; i < text.size(); i += 2) mask |= codes.at(text.substr(i, 2));
  return mask;
}

// The subset of SDDL these cases use: the owner, and a DACL of allowing
// (A) and denying (D) entries; "NO_ACCESS_CONTROL" is a null DACL.
FolderSecurity Parse(const std::string& sddl) {
  FolderSecurity folder;
  const std::size_t daclAt = sddl.find("D:");
  const std::size_t groupAt = sddl.find("G:");
  if (sddl.rfind("O:", 0) == 0) {
    folder.owner = Sid(sddl.substr(2, std::min(daclAt, groupAt) - 2));
  }
  if (daclAt == std::string::npos || sddl.find("NO_ACCESS_CONTROL") != std::string::npos) {
    return folder;
  }
  folder.dacl.emplace();
  for (std::size_t open = sddl.find('(', daclAt); open != std::string::npos;
       open = sddl.find('(', open + 1)) {
    std::string fields[6];
    std::size_t at = open + 1;
    for (std::string& field : fields) {
      const std::size_t end = sddl.find_first_of(";)", at);
      field = sddl.substr(at, end - at);
      at = end + 1;
    }
    folder.dacl->push_back({fields[0] == "D", Sid(fields[5]), Rights(fields[2]),
                            fields[1].find("IO") != std::string::npos});
  }
  return folder;
}

// The prefix's user, who owns every file under Wine, the Windows folder too.
constexpr char kWineUser[] = "S-1-5-21-0-0-0-1000";

struct Case {
  const char* what;
  std::string sddl;
  FolderVerdict onProgramPath;
  FolderVerdict forServiceOutput;
  std::string systemFolderOwner = kTrustedInstaller;
};

TEST(FolderTrust, JudgesEachFolderForEachUse) {
  const std::string ti = kTrustedInstaller;
  const Case cases[] = {
      {"Program Files as Windows installs it",
       "O:" + ti + "G:" + ti + "D:PAI(A;;FA;;;" + ti + ")(A;CIIO;GA;;;" + ti +
           ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
           "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;AC)"
           "(A;OICIIO;GXGR;;;AC)(A;;0x1200a9;;;S-1-15-2-2)(A;OICIIO;GXGR;;;S-1-15-2-2)",
       FolderVerdict::Trusted, FolderVerdict::Trusted},
      {"C:\\ as Windows installs it: users may make folders in it",
       "O:" + ti +
           "D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)"
           "(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)",
       FolderVerdict::Trusted, FolderVerdict::OthersMayAddInside},
      {"ProgramData as Windows installs it: users may add files to it",
       "O:SYG:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)"
       "(A;CI;0x116;;;BU)",
       FolderVerdict::Trusted, FolderVerdict::OthersMayAddInside},
      {"the access list the installer gives its folder",
       "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", FolderVerdict::Trusted,
       FolderVerdict::Trusted},
      {"a folder an administrator made in C:\\: Authenticated Users may modify it",
       "O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
       "(A;OICIIOID;SDGXGWGR;;;AU)",
       FolderVerdict::OthersMayDelete, FolderVerdict::OthersMayDelete},
      {"Users may delete what is inside", "O:BAD:P(A;;FA;;;BA)(A;;0x1200e9;;;BU)",
       FolderVerdict::OthersMayDeleteInside, FolderVerdict::OthersMayDeleteInside},
      {"a user owns it", "O:S-1-5-21-1-2-3-1001D:P(A;;FA;;;BA)", FolderVerdict::ForeignOwner,
       FolderVerdict::ForeignOwner},
      {"no owner", "D:P(A;;FA;;;BA)", FolderVerdict::ForeignOwner, FolderVerdict::ForeignOwner},
      {"a null access list", "O:BAD:NO_ACCESS_CONTROL", FolderVerdict::OthersMayChangeSecurity,
       FolderVerdict::OthersMayChangeSecurity},
      {"an empty access list", "O:SYD:P", FolderVerdict::Trusted, FolderVerdict::Trusted},
      {"Everyone with GENERIC_ALL", "O:BAD:P(A;;GA;;;WD)", FolderVerdict::OthersMayChangeSecurity,
       FolderVerdict::OthersMayChangeSecurity},
      {"one user with WRITE_DAC", "O:BAD:P(A;;FA;;;BA)(A;;WD;;;S-1-5-21-1-2-3-1001)",
       FolderVerdict::OthersMayChangeSecurity, FolderVerdict::OthersMayChangeSecurity},
      {"Users with WRITE_OWNER", "O:BAD:P(A;;0x80000;;;BU)", FolderVerdict::OthersMayChangeSecurity,
       FolderVerdict::OthersMayChangeSecurity},
      {"Users with GENERIC_WRITE, which deletes nothing", "O:BAD:P(A;;FA;;;BA)(A;;GW;;;BU)",
       FolderVerdict::Trusted, FolderVerdict::OthersMayAddInside},
      {"Users with full control of what is made inside only",
       "O:BAD:P(A;;FA;;;BA)(A;OICIIO;GA;;;BU)", FolderVerdict::Trusted, FolderVerdict::Trusted},
      {"a denial alone grants nothing", "O:BAD:P(D;;FA;;;WD)(A;;FA;;;BA)", FolderVerdict::Trusted,
       FolderVerdict::Trusted},
      {"a denial for one user leaves the other Users their right",
       "O:BAD:P(D;;SD;;;S-1-5-21-1-2-3-1001)(A;;0x1301bf;;;BU)", FolderVerdict::OthersMayDelete,
       FolderVerdict::OthersMayDelete},
      {"a folder of mode 755 as Wine shows it",
       "O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)"
       "(A;OICI;0x1200a9;;;WD)",
       FolderVerdict::Trusted, FolderVerdict::Trusted, kWineUser},
      {"the same on Windows, where that user does not own the Windows folder",
       "O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)"
       "(A;OICI;0x1200a9;;;WD)",
       FolderVerdict::ForeignOwner, FolderVerdict::ForeignOwner},
      {"a folder of mode 777 as Wine shows it",
       "O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)"
       "(A;OICI;0x1301ff;;;WD)",
       FolderVerdict::OthersMayDelete, FolderVerdict::OthersMayDelete, kWineUser},
      {"no owner, when the Windows folder's is not known either", "D:P(A;;FA;;;BA)",
       FolderVerdict::ForeignOwner, FolderVerdict::ForeignOwner, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FolderSecurity folder = Parse(c.sddl);
    const TrustedAccounts trusted{c.systemFolderOwner};
    EXPECT_EQ(JudgeFolder(folder, FolderUse::ProgramPath, trusted), c.onProgramPath);
    EXPECT_EQ(JudgeFolder(folder, FolderUse::ServiceOutput, trusted), c.forServiceOutput);
  }
}

}  // namespace
}  // namespace ardmon
