// The installed "TempService" writing its metrics file: configured through
// HKLM, restarted so that it reads the configuration at once, it writes
// quenby.prom within one interval with the library's own readings and power
// answers; the configuration's NoWake as the registry holds it; a folder
// it cannot use gives no file, one line in its debug output and a service
// that goes on answering. The writer itself, called here, refuses a folder
// that others may change and waits a moment for a reader of the file.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/service_protocol.h"
#include "common/win32/wide_text.h"
#include "disklib/sim/fixture.h"
#include "disklib/sim/fixture_edit.h"
#include "disklib/sim/spin_up_counts.h"
#include "monitor/win32/service_transact.h"
#include "service/metrics_text.h"
#include "service/win32/metrics_writer.h"
#include "tests/wine/service_control.h"

namespace {

namespace fs = std::filesystem;
using ardmon::Wide;
using servicetest::ServiceControl;
using servicetest::Stopwatch;

constexpr DWORD kIntervalSeconds = service::kShortestMetricsIntervalSeconds;
// Start-up and one scan of the demo machine, generously.
constexpr DWORD kFirstFileMs = kIntervalSeconds * 1000 + 5000;

void Configure(const std::wstring& folder) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD interval = kIntervalSeconds;
  RegSetValueExW(key, Wide(service::kMetricsFolderValue), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  RegSetValueExW(key, Wide(service::kMetricsIntervalValue), 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&interval), sizeof interval);
  RegCloseKey(key);
}

// The service reads its configuration at start: a restart applies it now.
bool Restart() {
  ServiceControl service(Wide(ardmon::kServiceName));
  SERVICE_STATUS status{};
  service.Control(SERVICE_CONTROL_STOP, status);
  return service.EnsureRunning();
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Answers() {
  ardmon::PipeMessage message{};
  return monitor::ServiceTransact(&message) == 1;
}

// Collects what processes write with OutputDebugString while it lives: the
// buffer and the two events a debug output viewer offers.
class DebugOutput {
 public:
  DebugOutput()
      : bufferReady_(CreateEventW(nullptr, FALSE, TRUE, L"DBWIN_BUFFER_READY")),
        dataReady_(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
        mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                    L"DBWIN_BUFFER")),
        view_(static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096))),
        reader_([this] { Read(); }) {}
  ~DebugOutput() {
    done_ = true;
    reader_.join();
    UnmapViewOfFile(view_);
    for (HANDLE h : {mapping_, dataReady_, bufferReady_}) CloseHandle(h);
  }
  bool ok() const { return view_ != nullptr; }
  std::vector<std::string> Lines(const std::string& containing) {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<std::string> found;
    for (const std::string& line : lines_) {
      if (line.find(containing) != std::string::npos) found.push_back(line);
    }
    return found;
  }

 private:
  void Read() {
    while (!done_) {
      if (WaitForSingleObject(dataReady_, 100) != WAIT_OBJECT_0) continue;
      {
        std::lock_guard<std::mutex> hold(mutex_);
        lines_.emplace_back(view_ + sizeof(DWORD));
      }
      SetEvent(bufferReady_);
    }
  }

  HANDLE bufferReady_, dataReady_, mapping_;
  const char* view_;
  std::atomic<bool> done_{false};
  std::mutex mutex_;
  std::vector<std::string> lines_;
  std::thread reader_;
};

// The machine the service's simulated library plays.
fs::path MachineFile() {
  return servicetest::OwnPath().parent_path() / L"ArdmonSim.json";
}

// Drive 1 in standby, answering CHECK POWER MODE, and drive 3 powered down
// by Windows: a scan that reads either wakes it.
constexpr std::int32_t kInStandby = 1, kPoweredDown = 3;
void PutTwoDrivesToSleep() {
  namespace sim = disklib::sim;
  sim::Fixture machine = sim::LoadFixture(MachineFile());
  machine.disks[kInStandby].methods.push_back(disklib::AccessMethod::AtaPassThrough12);
  sim::SetPowerState(machine, kInStandby, sim::PowerState::Standby);
  sim::SetOsPowerDown(machine, kPoweredDown, true);
  sim::SaveFixture(machine, MachineFile());
  std::error_code ignored;
  fs::remove(sim::SpinUpCountsFile(MachineFile()), ignored);
}

class Metrics : public ::testing::Test {
 protected:
  static void TearDownTestSuite() {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey));
    disklib::sim::SaveFixture(
        disklib::sim::LoadFixture(fs::path(std::string("Z:") + ARDMON_DEMO_FIXTURE)),
        MachineFile());
    Restart();
  }
  fs::path Folder() const { return fs::path(ARDMON_METRICS_FOLDER); }
};

TEST_F(Metrics, TheServiceWritesTheFileWithinOneInterval) {
  const fs::path folder = L"Z:" + Folder().wstring();
  fs::create_directories(folder);
  fs::remove(folder / L"quenby.prom");
  Configure(folder.wstring());
  PutTwoDrivesToSleep();
  Stopwatch clock;
  ASSERT_TRUE(Restart());
  while (!fs::exists(folder / L"quenby.prom") && clock.ElapsedMs() < kFirstFileMs) Sleep(100);
  ASSERT_TRUE(fs::exists(folder / L"quenby.prom")) << "after " << clock.ElapsedMs() << " ms";
  std::printf("quenby.prom after %lld ms\n", clock.ElapsedMs());

  servicetest::DirectLibrary library;
  ASSERT_TRUE(library.ok());
  const std::string text = ReadFile(folder / L"quenby.prom");
  // The gauge counts from 0 where the library's answer counts from 1.
  for (std::int32_t drive : {0, 1, 2, 3, 5}) {
    const int power = static_cast<int>(library.Power(drive)) - 1;
    EXPECT_NE(text.find("quenby_drive_power_state{drive=\"" + std::to_string(drive) + "\"} " +
                        std::to_string(power) + "\n"),
              std::string::npos)
        << drive;
  }
  for (std::int32_t drive : {kInStandby, kPoweredDown}) {
    const std::string label = "{drive=\"" + std::to_string(drive) + "\"} ";
    EXPECT_NE(text.find("quenby_drive_power_state" + label + "1\n"), std::string::npos) << drive;
    EXPECT_EQ(text.find("quenby_drive_temperature_celsius" + label), std::string::npos) << drive;
  }
  EXPECT_TRUE(disklib::sim::LoadSpinUps(disklib::sim::SpinUpCountsFile(MachineFile())).empty())
      << "the scan woke a sleeping drive";
  for (std::int32_t drive : {0, 5}) {
    const ardmon::TempInfoRecord temp = library.TempInfo(drive);
    const std::string label = "{drive=\"" + std::to_string(drive) + "\"} ";
    EXPECT_NE(text.find("quenby_drive_temperature_celsius" + label +
                        std::to_string(temp.Temperature) + "\n"),
              std::string::npos)
        << drive;
    EXPECT_NE(text.find("quenby_drive_health" + label + std::to_string(temp.HealthStatus) + "\n"),
              std::string::npos)
        << drive;
  }
  EXPECT_FALSE(fs::exists(folder / L"quenby.prom.tmp")) << "the temporary file was renamed";
  EXPECT_TRUE(Answers());
}

// NoWake as the service reads it: only a number 0 lets the scan wake
// sleeping drives.
TEST_F(Metrics, NoWakeIsReadFromTheRegistry) {
  const std::pair<std::optional<DWORD>, ardmon::SleepingDrives> cases[] = {
      {std::nullopt, ardmon::SleepingDrives::Skip},
      {1, ardmon::SleepingDrives::Skip},
      {0, ardmon::SleepingDrives::Wake}};
  for (const auto& [noWake, sleeping] : cases) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey),
                       Wide(service::kMetricsNoWakeValue));
    if (noWake) {
      ASSERT_EQ(
          RegSetKeyValueW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey),
                          Wide(service::kMetricsNoWakeValue), REG_DWORD, &*noWake, sizeof(DWORD)),
          ERROR_SUCCESS);
    }
    EXPECT_EQ(service::ReadMetricsConfig().sleeping, sleeping) << noWake.value_or(1);
  }
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey),
                     Wide(service::kMetricsNoWakeValue));
}

// A folder the service cannot use: how to make it, what its trace line
// says. Nothing when it cannot be made here.
struct UnusableFolder {
  const char* what;
  std::function<std::optional<fs::path>()> make;
  const char* says;
};

std::optional<fs::path> MissingFolder() {
  return fs::path(L"Z:" + fs::path(ARDMON_METRICS_FOLDER).wstring() + L"-missing");
}

// Root writes into any folder whose file system ignores the lock.
std::optional<fs::path> ReadOnlyFolder() {
  const fs::path folder = L"Z:" + fs::path(ARDMON_READONLY_FOLDER).wstring();
  const HANDLE probe = CreateFileW((folder / L"probe").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return folder;
  CloseHandle(probe);
  return std::nullopt;
}

// Everyone may change it. Wine keeps of an access list only what the Unix
// mode says: the rights of Everyone stand in for those of Users.
std::optional<fs::path> FolderOthersMayChange() {
  const fs::path folder = L"Z:" + fs::path(ARDMON_METRICS_FOLDER).wstring() + L"-open";
  fs::create_directories(folder);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)", SDDL_REVISION_1,
          &descriptor, nullptr)) {
    return std::nullopt;
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  const DWORD result =
      SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, dacl, nullptr);
  LocalFree(descriptor);
  if (result != ERROR_SUCCESS) return std::nullopt;
  return folder;
}

std::optional<fs::path> LinkToAFolder() {
  const fs::path target = L"Z:" + fs::path(ARDMON_METRICS_FOLDER).wstring();
  const fs::path link = target.wstring() + L"-link";
  fs::create_directories(target);
  RemoveDirectoryW(link.c_str());
  if (!CreateSymbolicLinkW(
          link.c_str(), target.c_str(),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    return std::nullopt;
  }
  const DWORD attributes = GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return std::nullopt;
  }
  return link;
}

// One line in the service's debug output for each folder it cannot use,
// also over two scans, and the pipe served meanwhile.
TEST_F(Metrics, AFolderItCannotUseGivesNoFileAndOneTraceLine) {
  const UnusableFolder cases[] = {
      {"missing folder", MissingFolder, "does not exist"},
      {"read-only folder", ReadOnlyFolder, "cannot be written"},
      {"folder that is a link", LinkToAFolder, "is a link"},
      {"folder others may change", FolderOthersMayChange, "lets others than administrators"},
  };
  DebugOutput trace;
  ASSERT_TRUE(trace.ok()) << GetLastError();
  bool secondScanSeen = false;
  for (const UnusableFolder& unusable : cases) {
    SCOPED_TRACE(unusable.what);
    const std::optional<fs::path> folder = unusable.make();
    if (!folder) {
      std::printf("no %s can be made here: not checked\n", unusable.what);
      continue;
    }
    std::error_code ignored;
    fs::remove(*folder / L"quenby.prom", ignored);  // from an earlier run
    Configure(folder->wstring());
    ASSERT_TRUE(Restart());
    const std::string name = "\"" + folder->string() + "\"";
    Stopwatch clock;
    while (trace.Lines(name).empty() && clock.ElapsedMs() < 5000) Sleep(100);
    if (!secondScanSeen) {  // the scan at start and the one an interval later
      Sleep(kIntervalSeconds * 1000 + 1000);
      secondScanSeen = true;
    }
    EXPECT_TRUE(Answers());
    const std::vector<std::string> lines = trace.Lines(name);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(unusable.says), std::string::npos) << lines[0];
    EXPECT_FALSE(fs::exists(*folder / L"quenby.prom"));
    EXPECT_FALSE(fs::exists(*folder / L"quenby.prom.tmp"));
  }
  RemoveDirectoryW(
      (fs::path(L"Z:" + fs::path(ARDMON_METRICS_FOLDER).wstring() + L"-link")).c_str());
}

// A reader of quenby.prom, such as a collector: it holds the file, without
// letting it be replaced, until `ms` after the writer has made its
// temporary file, so that the writer's first rename meets it.
class Reader {
 public:
  Reader(const fs::path& folder, DWORD ms)
      : file_(CreateFileW((folder / L"quenby.prom").c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)),
        letGo_([this, folder, ms] {
          Stopwatch clock;
          while (!fs::exists(folder / L"quenby.prom.tmp") && clock.ElapsedMs() < 2000) Sleep(1);
          Sleep(ms);
          CloseHandle(file_);
        }) {}
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  ~Reader() { letGo_.join(); }
  bool ok() const { return file_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE file_;
  std::thread letGo_;
};

// Written directly, as the service writes it: a reader that holds the file
// a moment costs nothing, one that holds it beyond the writer's patience
// costs this file, and the one before stays whole.
TEST(MetricsWriter, WaitsAMomentForAReaderOfTheFile) {
  const struct {
    const char* what;
    DWORD holdMs;
    service::MetricsFileOutcome outcome;
  } cases[] = {
      {"no reader", 0, service::MetricsFileOutcome::Written},
      {"a reader for a moment", 20, service::MetricsFileOutcome::Written},
      {"a reader for longer", 2000, service::MetricsFileOutcome::NotWritable},
  };
  const fs::path folder = L"Z:" + fs::path(ARDMON_METRICS_FOLDER).wstring() + L"-direct";
  fs::create_directories(folder);
  ASSERT_EQ(service::WriteMetricsFile(folder.wstring(), "before\n").outcome,
            service::MetricsFileOutcome::Written);
  std::string expected = "before\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string text = std::string(c.what) + "\n";
    std::optional<Reader> reader;
    if (c.holdMs) {
      ASSERT_TRUE(reader.emplace(folder, c.holdMs).ok());
    }
    const service::MetricsWrite write = service::WriteMetricsFile(folder.wstring(), text);
    EXPECT_EQ(write.outcome, c.outcome) << "error " << write.error;
    reader.reset();
    if (write.outcome == service::MetricsFileOutcome::Written) expected = text;
    EXPECT_EQ(ReadFile(folder / L"quenby.prom"), expected);
    EXPECT_FALSE(fs::exists(folder / L"quenby.prom.tmp"));
  }
}

}  // namespace
