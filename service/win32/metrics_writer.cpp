#include "service/win32/metrics_writer.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "common/drive_facts.h"
#include "common/win32/folder_security.h"
#include "common/win32/registry_value.h"
#include "common/win32/wide_text.h"
#include "service/metrics_text.h"
#include "service/win32/file_in_folder.h"
#include "service/win32/service_threads.h"

namespace service {
namespace {

using ardmon::Wide;

// A REG_EXPAND_SZ value comes expanded, so "%ProgramData%\Quenby" works too.
std::wstring ReadFolder() {
  std::wstring folder;
  if (ardmon::ReadRegistryText(HKEY_LOCAL_MACHINE, Wide(kMetricsKey), Wide(kMetricsFolderValue),
                               folder) != ardmon::RegistryText::Read) {
    return {};
  }
  return folder;
}

std::optional<std::uint32_t> ReadNumber(const char16_t* name) {
  return ardmon::RegistryDword(HKEY_LOCAL_MACHINE, Wide(kMetricsKey), Wide(name));
}

const wchar_t* WhyNotProtected(ardmon::FolderVerdict verdict) {
  switch (verdict) {
    case ardmon::FolderVerdict::ForeignOwner:
      return L"belongs to someone other than Administrators, SYSTEM or TrustedInstaller";
    case ardmon::FolderVerdict::OthersMayChangeSecurity:
      return L"lets others than administrators change its access rights";
    case ardmon::FolderVerdict::OthersMayDelete:
      return L"lets others than administrators delete it";
    case ardmon::FolderVerdict::OthersMayDeleteInside:
      return L"lets others than administrators delete files in it";
    case ardmon::FolderVerdict::OthersMayAddInside:
      return L"lets others than administrators add files to it";
    case ardmon::FolderVerdict::Trusted:
      break;
  }
  return L"is trusted";
}

double UnixSeconds(std::chrono::system_clock::time_point when) {
  return std::chrono::duration<double>(when.time_since_epoch()).count();
}

}  // namespace

MetricsConfig ReadMetricsConfig() {
  return {ReadFolder(), MetricsIntervalSeconds(ReadNumber(kMetricsIntervalValue)),
          MetricsSleepingDrives(ReadNumber(kMetricsNoWakeValue))};
}

MetricsWrite WriteMetricsFile(const std::wstring& folder, const std::string& text) {
  const ardmon::OpenFolder opened(folder, FILE_TRAVERSE);
  switch (opened.state()) {
    case ardmon::OpenFolder::State::Missing:
    case ardmon::OpenFolder::State::NotAFolder:
      return {MetricsFileOutcome::FolderMissing, opened.error()};
    case ardmon::OpenFolder::State::IsLink:
      return {MetricsFileOutcome::FolderIsLink, ERROR_REPARSE_ATTRIBUTE_CONFLICT};
    case ardmon::OpenFolder::State::Failed:
      return {MetricsFileOutcome::NotWritable, opened.error()};
    case ardmon::OpenFolder::State::Opened:
      break;
  }
  DWORD error = ERROR_SUCCESS;
  const auto security = ardmon::ReadFolderSecurity(opened.handle(), &error);
  if (!security) return {MetricsFileOutcome::NotWritable, error};
  const auto verdict = ardmon::JudgeFolder(*security, ardmon::FolderUse::ServiceOutput,
                                           ardmon::ThisSystemsTrustedAccounts());
  if (verdict != ardmon::FolderVerdict::Trusted) {
    return {MetricsFileOutcome::FolderNotProtected, ERROR_SUCCESS, verdict};
  }
  error = ReplaceFileInFolder(opened.handle(), Wide(kMetricsFileName), text);
  return {error == ERROR_SUCCESS ? MetricsFileOutcome::Written : MetricsFileOutcome::NotWritable,
          error};
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
      RunJob("a metrics scan", [&] { ScanAndWrite(config); });
    }
    const ULONGLONG waitMs =
        std::min<ULONGLONG>(ULONGLONG{config.intervalSeconds} * 1000, INFINITE - 1);
    if (WaitForSingleObject(stop_, static_cast<DWORD>(waitMs)) != WAIT_TIMEOUT) return;
  }
}

void MetricsScanner::ScanAndWrite(const MetricsConfig& config) {
  const auto started = std::chrono::steady_clock::now();
  DriveScan scan;
  scan.drives = ardmon::ReadAllDrives(
      library_, config.sleeping, [this] { return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0; });
  if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return;  // cut short: not the machine
  scan.durationSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  scan.finishedAtSeconds = UnixSeconds(std::chrono::system_clock::now());
  Report(WriteMetricsFile(config.folder, MetricsText(scan)), config.folder);
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
    case MetricsFileOutcome::FolderNotProtected:
      problem = L"the folder \"" + folder + L"\" " + WhyNotProtected(write.why);
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
