// The metrics file of the service: its configuration in the registry, the
// file written whole or not at all, and the thread that scans the drives
// every interval while the pipe server goes on serving.
#pragma once

#include <windows.h>

#include <string>

#include "common/disk_library.h"

namespace service {

struct MetricsConfig {
  std::wstring folder;  // empty: no metrics
  DWORD intervalSeconds;
};
MetricsConfig ReadMetricsConfig();

enum class MetricsFileOutcome { Written, FolderMissing, FolderIsLink, NotWritable };
struct MetricsWrite {
  MetricsFileOutcome outcome;
  DWORD error;  // the system's error code when not written
};
// Writes quenby.prom into `folder` through a temporary file renamed over
// it, so a reader sees the old file or the new one. A folder that is a
// link (a reparse point) is refused: the service writes as SYSTEM.
MetricsWrite WriteMetricsFile(const std::wstring& folder, const std::string& text);

// Reads every drive through `library` (shared with the pipe server, which
// serialises the calls) and writes the file, at start and then every
// interval, reading the configuration before each scan.
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
  void ScanAndWrite(const std::wstring& folder);
  // One trace line per problem, not one per interval.
  void Report(const MetricsWrite& write, const std::wstring& folder);

  ardmon::DiskLibrary& library_;
  HANDLE stop_;
  std::wstring lastProblem_;
};

}  // namespace service
