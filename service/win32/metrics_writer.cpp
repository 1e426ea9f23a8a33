#include "service/win32/metrics_writer.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "common/drive_facts.h"
#include "common/win32/wide_text.h"
#include "service/metrics_text.h"
#include "service/win32/service_threads.h"

namespace service {
namespace {

using ardmon::Wide;

constexpr wchar_t kTemporarySuffix[] = L".tmp";

std::wstring ReadFolder() {
  DWORD size = 0;
  // A REG_EXPAND_SZ value comes expanded, so "%ProgramData%\Quenby" works too.
  const DWORD types = RRF_RT_REG_SZ;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, Wide(kMetricsKey), Wide(kMetricsFolderValue), types, nullptr,
                   nullptr, &size) != ERROR_SUCCESS) {
    return {};
  }
  std::vector<wchar_t> folder(size / sizeof(wchar_t) + 1);
  size = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_LOCAL_MACHINE, Wide(kMetricsKey), Wide(kMetricsFolderValue), types, nullptr,
                   folder.data(), &size) != ERROR_SUCCESS) {
    return {};
  }
  return folder.data();
}

std::optional<std::uint32_t> ReadInterval() {
  DWORD seconds = 0;
  DWORD size = sizeof seconds;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, Wide(kMetricsKey), Wide(kMetricsIntervalValue),
                   RRF_RT_REG_DWORD, nullptr, &seconds, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return seconds;
}

bool WriteAll(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && FlushFileBuffers(file);
}

double UnixSeconds(std::chrono::system_clock::time_point when) {
  return std::chrono::duration<double>(when.time_since_epoch()).count();
}

}  // namespace

MetricsConfig ReadMetricsConfig() {
  return {ReadFolder(), MetricsIntervalSeconds(ReadInterval())};
}

MetricsWrite WriteMetricsFile(const std::wstring& folder, const std::string& text) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return {MetricsFileOutcome::FolderMissing, GetLastError()};
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return {MetricsFileOutcome::FolderIsLink, ERROR_REPARSE_ATTRIBUTE_CONFLICT};
  }
  const std::wstring target = folder + L"\\" + Wide(kMetricsFileName);
  const std::wstring temporary = target + kTemporarySuffix;
  // A file left by an interrupted write, or a link someone put there: the
  // new one is made afresh and never through a link.
  DeleteFileW(temporary.c_str());
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {MetricsFileOutcome::NotWritable, GetLastError()};
  const bool written = WriteAll(file, text);
  DWORD error = written ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  if (written && MoveFileExW(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {MetricsFileOutcome::Written, ERROR_SUCCESS};
  }
  if (written) error = GetLastError();
  DeleteFileW(temporary.c_str());
  return {MetricsFileOutcome::NotWritable, error};
}

MetricsScanner::MetricsScanner(ardmon::DiskLibrary& library, HANDLE stopEvent)
    : library_(library), stop_(stopEvent) {}

void MetricsScanner::Run() {
  for (;;) {
    const MetricsConfig config = ReadMetricsConfig();
    if (config.folder.empty()) {
      lastProblem_.clear();
    } else {
      // A scan that throws is told; the next interval scans again.
      RunJob("a metrics scan", [&] { ScanAndWrite(config.folder); });
    }
    const ULONGLONG waitMs =
        std::min<ULONGLONG>(ULONGLONG{config.intervalSeconds} * 1000, INFINITE - 1);
    if (WaitForSingleObject(stop_, static_cast<DWORD>(waitMs)) != WAIT_TIMEOUT) return;
  }
}

void MetricsScanner::ScanAndWrite(const std::wstring& folder) {
  const auto started = std::chrono::steady_clock::now();
  DriveScan scan;
  scan.drives = ardmon::ReadAllDrives(
      library_, [this] { return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0; });
  if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return;  // cut short: not the machine
  scan.durationSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  scan.finishedAtSeconds = UnixSeconds(std::chrono::system_clock::now());
  Report(WriteMetricsFile(folder, MetricsText(scan)), folder);
}

void MetricsScanner::Report(const MetricsWrite& write, const std::wstring& folder) {
  std::wstring problem;
  switch (write.outcome) {
    case MetricsFileOutcome::Written:
      lastProblem_.clear();
      return;
    case MetricsFileOutcome::FolderMissing:
      problem = L"the folder \"" + folder + L"\" does not exist";
      break;
    case MetricsFileOutcome::FolderIsLink:
      problem = L"the folder \"" + folder + L"\" is a link (reparse point), not a folder";
      break;
    case MetricsFileOutcome::NotWritable:
      problem = L"the folder \"" + folder + L"\" cannot be written (error " +
                std::to_wstring(write.error) + L")";
      break;
  }
  if (problem == lastProblem_) return;
  lastProblem_ = problem;
  OutputDebugStringW((L"TempService: no metrics file: " + problem + L"\n").c_str());
}

}  // namespace service
