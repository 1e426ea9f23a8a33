// ArdmonProbe: asks the ArdmonLib.dll beside it about every drive, the way
// the service does, and prints what it learns, in words or as JSON; or, with
// an option, only registers or removes the SATA filter (the uninstaller
// removes it so).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/drive_facts.h"
#include "common/wire_records.h"
#include "disklib/exports.h"
#include "disklib/probe/probe_json.h"
#include "disklib/probe/probe_report.h"

namespace {

constexpr char kUsage[] =
    "usage: ArdmonProbe [--json | --add-filter | --remove-filter | --help]\n"
    "  (none)           every drive in words: why a drive shows no temperature\n"
    "  --json           every present drive as one JSON object, in UTF-8, for scripts\n"
    "  --add-filter     only register the SATA filter driver\n"
    "  --remove-filter  only remove the SATA filter registration\n"
    "  --help           this text\n";

struct Library {
  HMODULE module = nullptr;
  GetDiskInfoFn getDiskInfo = nullptr;
  GetTempInfoFn getTempInfo = nullptr;
  GetTempInfoIfAwakeFn getTempInfoIfAwake = nullptr;
  AddFilterSilFn addFilterSil = nullptr;
  DelFilterSilFn delFilterSil = nullptr;
};

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!fn) std::fprintf(stderr, "ArdmonLib.dll does not export %s\n", name);
  return fn != nullptr;
}

bool Load(Library& lib) {
  lib.module = LoadLibraryW(L"ArdmonLib.dll");
  if (!lib.module) {
    std::fprintf(stderr, "Cannot load ArdmonLib.dll (error %lu)\n", GetLastError());
    return false;
  }
  bool ok = Resolve(lib.module, "GetDiskInfo", lib.getDiskInfo);
  ok = Resolve(lib.module, "GetTempInfo", lib.getTempInfo) && ok;
  ok = Resolve(lib.module, "GetTempInfoIfAwake", lib.getTempInfoIfAwake) && ok;
  ok = Resolve(lib.module, "AddFilterSil", lib.addFilterSil) && ok;
  return Resolve(lib.module, "DelFilterSil", lib.delFilterSil) && ok;
}

// The loaded library's queries as the interface the shared drive reading
// takes.
class LoadedLibrary final : public ardmon::DiskLibrary {
 public:
  explicit LoadedLibrary(const Library& lib) : lib_(lib) {}
  std::int32_t GetDiskInfo(std::int32_t n, void* record) override {
    return lib_.getDiskInfo(n, record);
  }
  std::int32_t GetTempInfo(std::int32_t n, void* record) override {
    return lib_.getTempInfo(n, record);
  }
  std::int32_t GetTempInfoIfAwake(std::int32_t n, void* record) override {
    return lib_.getTempInfoIfAwake(n, record);
  }
  std::int32_t AddFilterSil() override { return lib_.addFilterSil(); }
  std::int32_t DelFilterSil() override { return lib_.delFilterSil(); }

 private:
  const Library& lib_;
};

int PrintJson(const Library& lib) {
  LoadedLibrary library(lib);
  const std::string json = probe::DrivesJson(ardmon::ReadAllDrives(library));
  // The bytes as they are: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int ListDrives(const Library& lib) {
  int shown = 0;
  for (std::uint32_t n = 0; n < ardmon::kDriveNumbers; ++n) {
    ardmon::DiskInfoTable disk;
    ardmon::TempInfoRecord temp;
    lib.getDiskInfo(static_cast<std::int32_t>(n), &disk);
    lib.getTempInfo(static_cast<std::int32_t>(n), &temp);
    const std::string text = probe::DescribeDrive(n, disk, temp);
    if (text.empty()) continue;
    std::fputs(text.c_str(), stdout);
    ++shown;
  }
  if (shown == 0) std::puts("No drives found. The disk library needs administrator rights.");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* option = argc > 1 ? argv[1] : "";
  if (std::strcmp(option, "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const bool known = argc <= 2 && (!*option || std::strcmp(option, "--json") == 0 ||
                                   std::strcmp(option, "--add-filter") == 0 ||
                                   std::strcmp(option, "--remove-filter") == 0);
  if (!known) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Library lib;
  if (!Load(lib)) return 1;
  int status = 0;
  if (std::strcmp(option, "--add-filter") == 0) {
    std::fputs(probe::DescribeFilterEdit("SATA filter registration", lib.addFilterSil()).c_str(),
               stdout);
  } else if (std::strcmp(option, "--remove-filter") == 0) {
    std::fputs(probe::DescribeFilterEdit("SATA filter removal", lib.delFilterSil()).c_str(),
               stdout);
  } else if (std::strcmp(option, "--json") == 0) {
    status = PrintJson(lib);
  } else {
    status = ListDrives(lib);
  }
  FreeLibrary(lib.module);
  return status;
}
