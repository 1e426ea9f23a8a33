// ArdmonProbe: asks the ArdmonLib.dll beside it about every drive, the way
// the service does, and prints what it learns; or, with an option, only
// registers or removes the SATA filter (the uninstaller removes it so).
//   ArdmonProbe [--add-filter | --remove-filter]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/wire_records.h"
#include "disklib/exports.h"
#include "disklib/probe/probe_report.h"

namespace {

constexpr std::uint32_t kDriveCount = 26;

struct Library {
  HMODULE module = nullptr;
  GetDiskInfoFn getDiskInfo = nullptr;
  GetTempInfoFn getTempInfo = nullptr;
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
  ok = Resolve(lib.module, "AddFilterSil", lib.addFilterSil) && ok;
  return Resolve(lib.module, "DelFilterSil", lib.delFilterSil) && ok;
}

int ListDrives(const Library& lib) {
  int shown = 0;
  for (std::uint32_t n = 0; n < kDriveCount; ++n) {
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
  Library lib;
  if (!Load(lib)) return 1;
  int status = 0;
  if (argc > 1 && std::strcmp(argv[1], "--add-filter") == 0) {
    std::fputs(probe::DescribeFilterEdit("SATA filter registration", lib.addFilterSil()).c_str(),
               stdout);
  } else if (argc > 1 && std::strcmp(argv[1], "--remove-filter") == 0) {
    std::fputs(probe::DescribeFilterEdit("SATA filter removal", lib.delFilterSil()).c_str(),
               stdout);
  } else if (argc > 1) {
    std::fputs("usage: ArdmonProbe [--add-filter | --remove-filter]\n", stderr);
    status = 2;
  } else {
    status = ListDrives(lib);
  }
  FreeLibrary(lib.module);
  return status;
}
