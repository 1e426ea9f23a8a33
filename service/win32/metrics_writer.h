// The metrics file of the service: its configuration in the registry, the
// file written whole or not at all, and the thread that scans the drives
// every interval while the pipe server goes on serving.
#pragma once

#include <windows.h>

#include <string>

#include "common/disk_library.h"
#include "common/drive_facts.h"
#include "common/folder_trust.h"

namespace service {

struct MetricsConfig {
  std::wstring folder;  // empty: no metrics
  DWORD intervalSeconds;
  ardmon::SleepingDrives sleeping;
};
MetricsConfig ReadMetricsConfig();

enum class MetricsFileOutcome {
  Written,
  FolderMissing,
  FolderIsLink,
  FolderNotProtected,
  NotWritable
};
struct MetricsWrite {
  MetricsFileOutcome outcome;
  DWORD error;                  // the system's error code when not written
  ardmon::FolderVerdict why{};  // when FolderNotProtected
};
// Writes quenby.prom into `folder` whole or not at all (file_in_folder.h).
// The service writes as SYSTEM, so the folder must be one that only
// administrators may change: anyone else who may add files there could
// plant a link to write through. The folder is opened once, as itself
// rather than through a link, judged, and written through that handle.
MetricsWrite WriteMetricsFile(const std::wstring& folder, const std::string& text);

// Reads every drive through `library` (shared with the pipe server, which
// serialises the calls) and writes the file, at start and then every
// interval, reading the configuration before each scan; a sleeping drive
// is left asleep unless NoWake is 0.
class MetricsScanner {
 public:
  MetricsScanner(ardmon::DiskLibrary& library, HANDLE stopEvent);
  MetricsScanner(const MetricsScanner&) = delete;
  MetricsScanner& operator=(const MetricsScanner&) = delete;

  // Scans until the stop event is signalled. The stop does not wait for a
  // scan under way: it writes nothing from then on, and the process ends
  // around it.
  void Run();

 private:
  void ScanAndWrite(const MetricsConfig& config);
  // One trace line per problem, not one per interval.
  void Report(const MetricsWrite& write, const std::wstring& folder);

  ardmon::DiskLibrary& library_;
  HANDLE stop_;
  std::wstring lastProblem_;
};

}  // namespace service
