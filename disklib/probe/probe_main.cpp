// ArdmonProbe: asks the ArdmonLib.dll beside it about every drive, the way
// the service does, and prints what it learns, in words or as JSON; or, with
// an option, only registers or removes the SATA filter (the uninstaller
// removes it so).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/drive_facts.h"
#include "common/wire_records.h"
#include "disklib/exports.h"
#include "disklib/probe/probe_json.h"
#include "disklib/probe/probe_report.h"

namespace {

constexpr char kUsage[] =
    "usage: ArdmonProbe [--json] [--wake] | --add-filter | --remove-filter | --help\n"
    "  (none)           every drive in words: why a drive shows no temperature\n"
    "  --json           every present drive as one JSON object, in UTF-8, for scripts\n"
    "  --wake           read sleeping drives too, which wakes them; without it a drive\n"
    "                   in standby is shown as sleeping, with what Windows knows of it\n"
    "  --add-filter     only register the SATA filter driver\n"
    "  --remove-filter  only remove the SATA filter registration\n"
    "  --help           this text\n";

enum class Task { ListDrives, PrintJson, AddFilter, RemoveFilter };

struct Options {
  Task task = Task::ListDrives;
  ardmon::SleepingDrives sleeping = ardmon::SleepingDrives::Skip;
};

// --json and --wake go together in any order; a filter option alone.
std::optional<Options> Parse(int argc, char** argv) {
  static const std::pair<const char*, Task> kAlone[] = {{"--add-filter", Task::AddFilter},
                                                        {"--remove-filter", Task::RemoveFilter}};
  if (argc == 2) {
    for (const auto& [name, task] : kAlone) {
      if (std::strcmp(argv[1], name) == 0) return Options{task};
    }
  }
  Options options;
  bool json = false;
  bool wake = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--json" && !json) {
      json = true;
    } else if (option == "--wake" && !wake) {
      wake = true;
    } else {
      return std::nullopt;
    }
  }
  if (json) options.task = Task::PrintJson;
  if (wake) options.sleeping = ardmon::SleepingDrives::Wake;
  return options;
}

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

int PrintJson(const Library& lib, ardmon::SleepingDrives sleeping) {
  LoadedLibrary library(lib);
  const std::string json = probe::DrivesJson(ardmon::ReadAllDrives(library, sleeping));
  // The bytes as they are: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(json.data(), 1, json.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int ListDrives(const Library& lib, ardmon::SleepingDrives sleeping) {
  LoadedLibrary library(lib);
  int shown = 0;
  for (std::uint32_t n = 0; n < ardmon::kDriveNumbers; ++n) {
    ardmon::DiskInfoTable disk{};
    ardmon::TempInfoRecord temp{};
    library.GetDiskInfo(static_cast<std::int32_t>(n), &disk);
    const ardmon::DrivePower power = disk.Present ? ardmon::ReadTempInfo(library, n, sleeping, temp)
                                                  : ardmon::DrivePower::kUnknown;
    const std::string text = probe::DescribeDrive(n, disk, temp, power);
    if (text.empty()) continue;
    std::fputs(text.c_str(), stdout);
    ++shown;
  }
  if (shown == 0) std::puts("No drives found. The disk library needs administrator rights.");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const std::optional<Options> options = Parse(argc, argv);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Library lib;
  if (!Load(lib)) return 1;
  int status = 0;
  switch (options->task) {
    case Task::AddFilter:
      std::fputs(probe::DescribeFilterEdit("SATA filter registration", lib.addFilterSil()).c_str(),
                 stdout);
      break;
    case Task::RemoveFilter:
      std::fputs(probe::DescribeFilterEdit("SATA filter removal", lib.delFilterSil()).c_str(),
                 stdout);
      break;
    case Task::PrintJson:
      status = PrintJson(lib, options->sleeping);
      break;
    case Task::ListDrives:
      status = ListDrives(lib, options->sleeping);
      break;
  }
  FreeLibrary(lib.module);
  return status;
}
