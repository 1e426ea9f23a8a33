// The Windows installer under Wine, in a prefix of its own whose screen has
// 144 DPI (150% scaling). ctest runs this program once per suite on that
// prefix, in this order: RefusedFolders.* tries folders that must not be
// used, Install.* installs silently into the fresh prefix, Upgrade.*
// installs again over it, UpgradeWhileTheServiceHangs.* once more while
// the service's process cannot end, Uninstall.* removes it silently, and
// UninstallWithPages.* installs it once more and removes it as a user
// would. Each starts from what the one before left.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "disklib/win32/win32_device_stack.h"
#include "installer/folder_check_codes.h"
#include "tests/wine/installed_system.h"
#include "tests/wine/monitor_gui_fixture.h"

namespace installertest {
namespace {

namespace fs = std::filesystem;
using monitorgui::FromUnix;
using monitorgui::kDriveListId;
using monitorgui::kMainClass;
using monitorgui::kReactMs;
using monitorgui::kStartMs;
using monitorgui::kTrayNotify;
using monitorgui::MessageBoxes;
using monitorgui::OwnFolder;
using monitorgui::Process;
using monitorgui::TopLevelWindows;
using monitorgui::WaitUntil;

constexpr wchar_t kService[] = L"TempService";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quenby";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Ardmon";
constexpr UINT kDpi = 144;
const std::vector<std::wstring> kProgramFiles = {L"Ardmon.exe", L"ArdmonSvc.exe", L"ArdmonLib.dll",
                                                 L"ArdmonProbe.exe"};

// The bound of a setup run.
constexpr DWORD kSetupMs = 60000;

fs::path InstallFolder() {
  return KnownFolder(FOLDERID_ProgramFiles) / L"Halvane" / L"Quenby";
}

// Where /METRICS points the service; the name has a space, so it is quoted.
fs::path MetricsFolder() {
  return KnownFolder(FOLDERID_ProgramData) / L"Quenby metrics";
}
constexpr wchar_t kMetricsKey[] = L"SOFTWARE\\Halvane\\Quenby\\Metrics";

fs::path StartMenuShortcut() {
  return KnownFolder(FOLDERID_CommonPrograms) / L"Quenby.lnk";
}

fs::path Installer() {
  return FromUnix(ARDMON_INSTALLER);
}

// The installer's folder check, as it carries it.
fs::path FolderCheck() {
  return FromUnix(ARDMON_STAGE_DIR) / L"ArdmonFolderCheck.exe";
}

// What the installer gives its folder: owned by Administrators, changed by
// them and SYSTEM, read and run by Users, nothing from the parent.
constexpr wchar_t kInstallFolderSddl[] =
    L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Gives a folder the owner and access list of `sddl`. Wine keeps only what
// the Unix mode can say: the rights of Everyone.
bool SetSecurity(const fs::path& folder, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return false;
  }
  BOOL present = FALSE, defaulted = FALSE;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  const SECURITY_INFORMATION what = (owner ? OWNER_SECURITY_INFORMATION : 0) |
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  const DWORD result = SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                             what, owner, nullptr, dacl, nullptr);
  LocalFree(descriptor);
  return result == ERROR_SUCCESS;
}

// The profile key is named by the application title of the user's language.
monitorgui::TestProfile Profile() {
  return monitorgui::TestProfile(L"Halvane", monitorgui::Text(IDS_APP_TITLE));
}

// Runs a setup program to its end; its exit code, or STILL_ACTIVE when it
// did not end in time.
DWORD RunSetup(const fs::path& program, const std::wstring& arguments) {
  const Process setup(program, arguments);
  if (!setup.started()) return GetLastError();
  setup.WaitForExit(kSetupMs);
  return setup.ExitCode();
}

std::vector<HWND> MonitorWindows() {
  return TopLevelWindows(kMainClass);
}

DWORD ProcessOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return id;
}

// A user32 function newer than the headers declare.
template <typename Function>
Function User32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The visible descendants of a window that stick out of their parent's
// client area, by class and identifier.
std::vector<std::wstring> ClippedControls(HWND window) {
  std::vector<std::wstring> clipped;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        if (!IsWindowVisible(child)) return TRUE;
        const HWND parent = GetParent(child);
        RECT area{}, rect{};
        GetClientRect(parent, &area);
        MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
        GetWindowRect(child, &rect);
        if (rect.left < area.left || rect.top < area.top || rect.right > area.right ||
            rect.bottom > area.bottom) {
          reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(
              monitorgui::ClassOf(child) + L" " + std::to_wstring(GetDlgCtrlID(child)));
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&clipped));
  return clipped;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// --- Folders the installer refuses -----------------------------------------

struct RefusedFolder {
  const char* what;
  fs::path (*make)();  // the folder to install into
  DWORD checkSays;     // the check's reason, and how far above that folder
};

// Made like the install folder, so that only what each case does to the
// folders in it is refused.
fs::path RefusedRoot() {
  const fs::path root = L"C:\\Refused";
  fs::create_directories(root);
  SetSecurity(root, kInstallFolderSddl);
  return root;
}

fs::path FolderOfAnotherProgram() {
  const fs::path folder = RefusedRoot() / L"Other";
  fs::create_directories(folder);
  std::ofstream(folder / L"other.exe") << "another program";
  return folder;
}

// Under Wine, Everyone's Modify stands in for Users' delete-child: Wine
// shows no other group's rights.
fs::path FolderInAFolderEveryoneMayChange() {
  const fs::path parent = RefusedRoot() / L"Open";
  fs::create_directories(parent);
  SetSecurity(parent, L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;WD)");
  return parent / L"Quenby";
}

TEST(RefusedFolders, GetNothingAndTheCheckSaysWhyAndWhere) {
  using namespace installer;
  const RefusedFolder cases[] = {
      {"a folder that holds another program", FolderOfAnotherProgram,
       kRefusedStep * kReasonNotEmpty},
      {"a folder whose parent everyone may delete or rename", FolderInAFolderEveryoneMayChange,
       kRefusedStep * kReasonOthersMayDelete + 1},
  };
  for (const RefusedFolder& refused : cases) {
    SCOPED_TRACE(refused.what);
    const fs::path folder = refused.make();
    EXPECT_EQ(RunSetup(FolderCheck(), L"check \"" + folder.wstring() + L"\" \"\""),
              refused.checkSays);
    // /D= takes the rest of the command line, spaces and all.
    EXPECT_EQ(RunSetup(Installer(), L"/S /D=" + folder.wstring()), 3u) << "the exit code";
    EXPECT_FALSE(fs::exists(folder / L"ArdmonSvc.exe"));
  }
  EXPECT_FALSE(QueryServiceConfiguration(kService)) << "the service was registered";
}

// --- A silent installation into the fresh prefix ---------------------------

class Install : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Window rectangles in the screen's own pixels, as the screenshots have
    // them: DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2.
    if (const auto set = User32<BOOL(WINAPI*)(HANDLE)>("SetProcessDpiAwarenessContext")) {
      set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)));
    }
    exitCode_ = RunSetup(Installer(), L"/S");
  }
  void SetUp() override { ASSERT_EQ(exitCode_, 0u) << "the installer's exit code"; }

  static inline DWORD exitCode_ = 0;
};

TEST_F(Install, PutsTheProgramsTheUninstallerAndTheShortcutInPlace) {
  for (const std::wstring& file : kProgramFiles) {
    SCOPED_TRACE(Narrow(file));
    const std::string installed = FileBytes(InstallFolder() / file);
    EXPECT_FALSE(installed.empty());
    EXPECT_EQ(installed, FileBytes(FromUnix(ARDMON_STAGE_DIR) / file)) << "not the built file";
  }
  EXPECT_TRUE(fs::exists(InstallFolder() / L"Uninstall.exe"));
  EXPECT_EQ(ShortcutTarget(StartMenuShortcut()), InstallFolder() / L"Ardmon.exe");
}

// The service loads the library from this folder as SYSTEM: users may read
// and run what is in it, not change it, whatever the parent folder allows.
// Read back in the well-known SIDs' names, the same on every language.
TEST_F(Install, TheFolderIsOwnedAndChangedByAdministratorsAndSystemOnly) {
  if (UnderWine()) {
    GTEST_SKIP() << "Wine keeps neither owner nor access list on a folder: it shows the Unix "
                    "owner as the prefix's user and an access list made of the Unix mode";
  }
  const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoW(InstallFolder().c_str(), SE_FILE_OBJECT, what, nullptr, nullptr,
                                  nullptr, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  wchar_t* text = nullptr;
  ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                   what, &text, nullptr));
  // Protected (P): nothing comes from the parent; OICI: the files inherit.
  EXPECT_EQ(std::wstring(text), kInstallFolderSddl);
  LocalFree(text);
  LocalFree(descriptor);
}

TEST_F(Install, RegistersTheServiceToStartWithWindowsAsLocalSystemAndStartsIt) {
  const auto config = QueryServiceConfiguration(kService);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(config->startType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(_wcsicmp(config->account.c_str(), L"LocalSystem"), 0) << Narrow(config->account);
  // Quoted: the folder's name has a space.
  EXPECT_EQ(config->binaryPath, L"\"" + (InstallFolder() / L"ArdmonSvc.exe").wstring() + L"\"");
  EXPECT_FALSE(config->displayName.empty());
  EXPECT_FALSE(config->description.empty());

  servicetest::ServiceControl service(kService);
  EXPECT_EQ(service.WaitFor(SERVICE_RUNNING, 10000).dwCurrentState,
            static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(Install, ListsItselfInAppsAndFeaturesWithTheVersion) {
  const std::wstring key = kUninstallKey;
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"DisplayName"), L"Quenby");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"DisplayVersion"), L"" ARDMON_VERSION);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"Publisher"), L"Halvane");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"DisplayIcon"),
            (InstallFolder() / L"Ardmon.exe").wstring() + L",0");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, L"UninstallString"),
            L"\"" + (InstallFolder() / L"Uninstall.exe").wstring() + L"\"");
  // In KB: the four programs and the uninstaller.
  std::uintmax_t bytes = fs::file_size(InstallFolder() / L"Uninstall.exe");
  for (const std::wstring& file : kProgramFiles) bytes += fs::file_size(InstallFolder() / file);
  const auto size = ReadDword(HKEY_LOCAL_MACHINE, key, L"EstimatedSize");
  ASSERT_TRUE(size);
  EXPECT_NEAR(static_cast<double>(*size), bytes / 1024.0, 8.0);
}

// One version everywhere: the programs, the library and the installer.
TEST_F(Install, EveryFileCarriesTheProductsVersionResource) {
  std::vector<fs::path> files = {Installer()};
  for (const std::wstring& file : kProgramFiles) files.push_back(InstallFolder() / file);
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const VersionResource version(file);
    ASSERT_TRUE(version.ok());
    EXPECT_EQ(version.String(L"ProductName"), L"Quenby");
    EXPECT_EQ(version.String(L"CompanyName"), L"Halvane");
    EXPECT_EQ(version.String(L"ProductVersion"), L"" ARDMON_VERSION);
    EXPECT_EQ(version.String(L"FileVersion"), L"" ARDMON_VERSION);
    EXPECT_FALSE(version.String(L"FileDescription").empty());
    const std::array<WORD, 4> expected = {ARDMON_VERSION_MAJOR, ARDMON_VERSION_MINOR,
                                          ARDMON_VERSION_PATCH, 0};
    EXPECT_EQ(version.FileVersion(), expected);
    if (file != Installer()) {
      EXPECT_EQ(version.String(L"OriginalFilename"), file.filename().wstring());
    }
  }
}

TEST_F(Install, TheProgramsManifestsParseAndTheProbeRuns) {
  for (const wchar_t* program : {L"Ardmon.exe", L"ArdmonSvc.exe", L"ArdmonProbe.exe"}) {
    EXPECT_TRUE(ManifestParses(InstallFolder() / program)) << Narrow(program);
  }
  EXPECT_EQ(RunSetup(InstallFolder() / L"ArdmonProbe.exe", L""), 0u);
}

// The simulated library takes the real one's place beside the service, so
// that the monitor has drives to show; the next suite's upgrade puts the
// real one back.
TEST_F(Install, TheMonitorFromTheStartMenuFindsTheServiceAndScalesTo144Dpi) {
  servicetest::ServiceControl service(kService);
  ASSERT_TRUE(service.ok());
  SERVICE_STATUS status{};
  ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, status)) << GetLastError();
  ASSERT_EQ(service.WaitFor(SERVICE_STOPPED, 10000).dwCurrentState,
            static_cast<DWORD>(SERVICE_STOPPED));
  ASSERT_TRUE(servicetest::WaitForProcessGone(L"ArdmonSvc.exe", 10000));
  // The ended service's image may stay mapped a moment longer.
  const fs::path simulated = OwnFolder() / L"ArdmonLib.dll";
  const fs::path installed = InstallFolder() / L"ArdmonLib.dll";
  ASSERT_TRUE(WaitUntil([&] { return CopyFileW(simulated.c_str(), installed.c_str(), FALSE); },
                        kReactMs, 100))
      << GetLastError();
  ASSERT_NO_THROW(monitorgui::SimulatedMachine(InstallFolder() / L"ArdmonSim.json").RestoreDemo());
  ASSERT_TRUE(service.EnsureRunning());

  const Process monitor(ShortcutTarget(StartMenuShortcut()));
  ASSERT_TRUE(monitor.started()) << GetLastError();
  // The demo machine's controller brings the question about its filter,
  // which may come after the window: answered, it leaves the pages clear.
  std::vector<monitorgui::MessageBoxView> boxes;
  ASSERT_TRUE(WaitUntil([&] { return !(boxes = MessageBoxes(monitor.id())).empty(); }, kStartMs));
  monitorgui::Answer(boxes[0].window, IDNO);
  ASSERT_TRUE(WaitUntil(
      [&] {
        return MessageBoxes(monitor.id()).empty() &&
               !TopLevelWindows(kMainClass, monitor.id()).empty();
      },
      kReactMs));
  const HWND window = TopLevelWindows(kMainClass, monitor.id())[0];
  PostMessageW(window, kTrayNotify, 0, WM_LBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, kReactMs));
  const monitorgui::RemoteListView list(GetDlgItem(window, kDriveListId));
  ASSERT_TRUE(list.ok());
  EXPECT_TRUE(WaitUntil([&] { return list.Count() == 5; }, kReactMs))
      << "the demo machine's five drives; " << list.Count() << " listed";
  EXPECT_TRUE(monitorgui::TrayShows(monitorgui::TipsOfDrives({0, 1, 2, 3, 5}), kReactMs));
  const RECT tray = monitorgui::TrayArea();
  EXPECT_TRUE(monitorgui::Screenshot("dpi144_tray", &tray, 400));

  const auto dpiOf = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  ASSERT_TRUE(dpiOf);
  EXPECT_EQ(dpiOf(window), kDpi) << "the manifest's DPI awareness";
  // Each page as the tray menu opens it: nothing sticks out of its place.
  const std::pair<WPARAM, const char*> pages[] = {
      {ID_TRAY_INFO, "hdd_info"}, {ID_TRAY_SMART, "smart"}, {ID_TRAY_SETTING, "setting"},
      {ID_TRAY_LOG, "log"},       {ID_TRAY_GRAPH, "graph"}, {ID_TRAY_MAIL, "mail"}};
  for (const auto& [command, name] : pages) {
    SCOPED_TRACE(name);
    monitorgui::SendBounded(window, WM_COMMAND, command, 0);
    EXPECT_TRUE(WaitUntil([&] { return monitorgui::Painted(window); }, kReactMs));
    const std::vector<std::wstring> clipped = ClippedControls(window);
    EXPECT_TRUE(clipped.empty()) << Narrow(clipped.empty() ? L"" : clipped.front());
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_TRUE(monitorgui::Screenshot(std::string("dpi144_") + name, &rect));
  }
}

// --- Installing again over it ----------------------------------------------

class Upgrade : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(Profile().WriteInt(L"TEMP", 61));
    // Says No to the question about the filter the simulated controller
    // may bring, so that no box is open when the upgrade ends the monitor.
    earlier_ = Process(InstallFolder() / L"Ardmon.exe");
    ASSERT_TRUE(earlier_.started()) << GetLastError();
    ASSERT_TRUE(WaitUntil(
        [&] {
          for (const auto& box : MessageBoxes(earlier_.id())) monitorgui::Answer(box.window, IDNO);
          return !TopLevelWindows(kMainClass, earlier_.id()).empty() &&
                 MessageBoxes(earlier_.id()).empty();
        },
        kStartMs));
    serviceRanBefore_ =
        servicetest::ServiceControl(kService).Query().dwCurrentState == SERVICE_RUNNING;
    // Folders in ProgramData let Users add files: the service would refuse it.
    fs::create_directories(MetricsFolder());
    ASSERT_TRUE(SetSecurity(MetricsFolder(), kInstallFolderSddl));
    exitCode_ = RunSetup(Installer(), L"/S /METRICS=\"" + MetricsFolder().wstring() + L"\"");
  }
  // The simulated machine is no file of the installation.
  static void TearDownTestSuite() {
    earlier_ = Process();
    fs::remove(InstallFolder() / L"ArdmonSim.json");
  }
  void SetUp() override { ASSERT_EQ(exitCode_, 0u) << "the installer's exit code"; }

  static inline Process earlier_;
  static inline bool serviceRanBefore_ = false;
  static inline DWORD exitCode_ = 0;
};

TEST_F(Upgrade, KeepsTheUsersSettings) {
  EXPECT_EQ(Profile().ReadInt(L"TEMP"), 61u);
}

TEST_F(Upgrade, ReplacesTheFilesAndRunsTheServiceAgain) {
  ASSERT_TRUE(serviceRanBefore_) << "the service ran before";
  EXPECT_EQ(FileBytes(InstallFolder() / L"ArdmonLib.dll"),
            FileBytes(FromUnix(ARDMON_STAGE_DIR) / L"ArdmonLib.dll"))
      << "the simulated library is still there";
  servicetest::ServiceControl service(kService);
  EXPECT_EQ(service.WaitFor(SERVICE_RUNNING, 10000).dwCurrentState,
            static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(Upgrade, PointsTheServiceAtTheMetricsFolderOfTheCommandLine) {
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kMetricsKey, L"Folder"), MetricsFolder().wstring());
  EXPECT_TRUE(WaitUntil([] { return fs::exists(MetricsFolder() / L"quenby.prom"); }, kStartMs));
}

// Through Exit, which saves the log: a forced end would leave exit code 1.
TEST_F(Upgrade, EndsTheRunningMonitorThroughItsExitAndStartsItAgain) {
  ASSERT_TRUE(earlier_.WaitForExit(0)) << "the earlier monitor still runs";
  EXPECT_EQ(earlier_.ExitCode(), 0u);
  std::vector<HWND> windows;
  ASSERT_TRUE(WaitUntil([&] { return (windows = MonitorWindows()).size() == 1; }, kStartMs));
  EXPECT_NE(ProcessOf(windows[0]), earlier_.id());
}

// --- Installing again while the service's process cannot end ---------------

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
// What the service's process holds: its program and the library.
const std::vector<std::wstring> kHeldFiles = {L"ArdmonSvc.exe", L"ArdmonLib.dll"};

std::vector<std::wstring> ReadMultiString(HKEY root, const wchar_t* key, const wchar_t* value) {
  DWORD size = 0;
  if (RegGetValueW(root, key, value, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 1);
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  RegGetValueW(root, key, value, RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size);
  std::vector<std::wstring> entries;
  for (const wchar_t* entry = data.data(); *entry; entry += entries.back().size() + 1) {
    entries.emplace_back(entry);
  }
  return entries;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

DWORD ServiceProcess() {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  const SC_HANDLE service = OpenServiceW(manager, kService, SERVICE_QUERY_STATUS);
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                       sizeof status, &needed);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return status.dwProcessId;
}

// The service runs the simulated library, so that the installation's own
// is new to it; then this program takes the service's process as its
// debugger and never lets it go on: it neither stops nor ends, as when a
// driver call does not return. After the installation the process is
// ended and the files are moved as a restart of Windows would.
class UpgradeWhileTheServiceHangs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    servicetest::ServiceControl service(kService);
    SERVICE_STATUS status{};
    ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, status)) << GetLastError();
    ASSERT_EQ(service.WaitFor(SERVICE_STOPPED, 10000).dwCurrentState,
              static_cast<DWORD>(SERVICE_STOPPED));
    const fs::path simulated = OwnFolder() / L"ArdmonLib.dll";
    ASSERT_TRUE(WaitUntil(
        [&] {
          return CopyFileW(simulated.c_str(), (InstallFolder() / L"ArdmonLib.dll").c_str(), FALSE);
        },
        kReactMs, 100))
        << GetLastError();
    ASSERT_TRUE(service.EnsureRunning());
    const DWORD process = ServiceProcess();
    ASSERT_TRUE(DebugActiveProcess(process)) << GetLastError();

    const servicetest::Stopwatch clock;
    exitCode_ = RunSetup(Installer(), L"/S");
    setupMs_ = clock.ElapsedMs();
    pending_ = ReadMultiString(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
    inUse_ = FileBytes(InstallFolder() / L"ArdmonLib.dll");

    // A debugger's process ends only when the debugger lets go of it.
    const HANDLE held = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process);
    ASSERT_TRUE(held) << GetLastError();
    TerminateProcess(held, 1);
    DebugActiveProcessStop(process);
    EXPECT_EQ(WaitForSingleObject(held, kReactMs), WAIT_OBJECT_0);
    CloseHandle(held);
    for (const std::wstring& file : kHeldFiles) {
      const fs::path target = InstallFolder() / file;
      ASSERT_TRUE(WaitUntil(
          [&] {
            return MoveFileExW((target.wstring() + L".new").c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING);
          },
          kReactMs, 100))
          << GetLastError();
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  }
  void SetUp() override {
    ASSERT_EQ(exitCode_, static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED))
        << "the installer's exit code";
  }

  static inline DWORD exitCode_ = 0;
  static inline long long setupMs_ = 0;
  static inline std::vector<std::wstring> pending_;
  static inline std::string inUse_;
};

TEST_F(UpgradeWhileTheServiceHangs, GivesUpWaitingForTheStopAndLeavesTheHeldFilesAlone) {
  std::printf("the installation took %lld ms\n", setupMs_);
  EXPECT_EQ(inUse_, FileBytes(OwnFolder() / L"ArdmonLib.dll")) << "the library in use changed";
}

// Each pair is a file's new name and, "!" for replacing, its target.
TEST_F(UpgradeWhileTheServiceHangs, HasWindowsReplaceTheHeldFilesAtItsRestart) {
  for (const std::wstring& file : kHeldFiles) {
    SCOPED_TRACE(Narrow(file));
    const std::wstring target = (InstallFolder() / file).wstring();
    const auto source = std::find_if(pending_.begin(), pending_.end(), [&](const auto& entry) {
      return EndsWith(entry, target + L".new");
    });
    ASSERT_NE(source, pending_.end());
    ASSERT_NE(source + 1, pending_.end());
    EXPECT_TRUE(EndsWith(source[1], target)) << Narrow(source[1]);
    EXPECT_EQ(source[1].front(), L'!');
  }
}

TEST_F(UpgradeWhileTheServiceHangs, TheServiceAndTheMonitorRunTheNewFilesAfterTheRestart) {
  for (const std::wstring& file : kHeldFiles) {
    EXPECT_EQ(FileBytes(InstallFolder() / file), FileBytes(FromUnix(ARDMON_STAGE_DIR) / file))
        << Narrow(file);
  }
  EXPECT_TRUE(servicetest::ServiceControl(kService).EnsureRunning());
  EXPECT_TRUE(WaitUntil([] { return MonitorWindows().size() == 1; }, kStartMs));
}

// --- A silent uninstallation -----------------------------------------------

constexpr char16_t kFilter[] = u"OxaSATAFil";

std::vector<std::uint8_t> MultiString(const std::u16string& entry) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : entry + u'\0' + u'\0') {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

// Devices whose upper filters are exactly the SATA filter's.
int DevicesWithTheFilter() {
  disklib::Win32DeviceStack stack;
  int count = 0;
  stack.VisitDevices(false, [&](disklib::DeviceEntry& device) {
    if (device.ReadProperty(disklib::DeviceProperty::UpperFilters) == MultiString(kFilter)) {
      ++count;
    }
  });
  return count;
}

// Gives the first present device without upper filters the SATA filter, as
// the library registers it on a controller it serves.
bool LendTheFilterToADevice() {
  disklib::Win32DeviceStack stack;
  bool lent = false;
  stack.VisitDevices(true, [&](disklib::DeviceEntry& device) {
    if (lent) return;
    const auto filters = device.ReadProperty(disklib::DeviceProperty::UpperFilters);
    if (filters && !filters->empty()) return;
    lent = device.WriteProperty(disklib::DeviceProperty::UpperFilters, MultiString(kFilter));
  });
  return lent;
}

class Uninstall : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::vector<HWND> windows = MonitorWindows();
    monitorProcess_ = windows.empty() ? 0 : ProcessOf(windows[0]);
    filterLent_ = LendTheFilterToADevice() && DevicesWithTheFilter() == 1;
    const DWORD path = static_cast<DWORD>((InstallFolder() / L"Ardmon.exe").wstring().size());
    RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, REG_SZ,
                    (InstallFolder() / L"Ardmon.exe").c_str(), (path + 1) * sizeof(wchar_t));
    // A copy outside the folder it removes, told where that folder is, runs
    // to its end in place (the uninstaller itself would hand over to a
    // copy in the temporary folder and end at once).
    const fs::path copy = fs::temp_directory_path() / L"QuenbyUninstall.exe";
    if (!CopyFileW((InstallFolder() / L"Uninstall.exe").c_str(), copy.c_str(), FALSE)) {
      exitCode_ = GetLastError();
      return;
    }
    exitCode_ = RunSetup(copy, L"/S _?=" + InstallFolder().wstring());
    DeleteFileW(copy.c_str());
  }
  void SetUp() override { ASSERT_EQ(exitCode_, 0u) << "the uninstaller's exit code"; }

  static inline DWORD monitorProcess_ = 0;
  static inline bool filterLent_ = false;
  static inline DWORD exitCode_ = 0;
};

TEST_F(Uninstall, EndsTheMonitorAndRemovesTheService) {
  ASSERT_NE(monitorProcess_, 0u) << "no monitor ran before";
  EXPECT_TRUE(MonitorWindows().empty());
  EXPECT_FALSE(servicetest::ProcessRunning(L"Ardmon.exe"));
  EXPECT_FALSE(QueryServiceConfiguration(kService));
  EXPECT_FALSE(servicetest::ProcessRunning(L"ArdmonSvc.exe"));
}

// The log and the graph's history beside the program would be kept, as
// the settings are.
TEST_F(Uninstall, LeavesNoProgramShortcutOrEntryBehind) {
  std::set<std::wstring> left;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(InstallFolder(), ignored)) {
    left.insert(entry.path().filename().wstring());
  }
  left.erase(L"Ardmon.log");
  left.erase(L"Ardmon.time");
  left.erase(L"Ardmon.history");
  EXPECT_TRUE(left.empty()) << Narrow(left.empty() ? L"" : *left.begin());
  EXPECT_FALSE(fs::exists(StartMenuShortcut()));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(Uninstall, RemovesTheRunEntryButSilentlyKeepsTheSettings) {
  EXPECT_FALSE(ReadString(HKEY_CURRENT_USER, kRunKey, kRunValue));
  EXPECT_EQ(Profile().ReadInt(L"TEMP"), 61u);
}

// A file left behind would go on reporting the drives as they were.
TEST_F(Uninstall, RemovesTheMetricsFileAndItsConfiguration) {
  EXPECT_FALSE(fs::exists(MetricsFolder() / L"quenby.prom"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMetricsKey));
}

TEST_F(Uninstall, UndoesTheFilterRegistrationThroughTheLibrary) {
  ASSERT_TRUE(filterLent_) << "no device to lend the filter to";
  EXPECT_EQ(DevicesWithTheFilter(), 0);
}

// --- Installed again, then uninstalled through its pages, not keeping the
// user's data --------------------------------------------------------------

// The setup's own window: a dialog with the button that goes on (Next,
// Uninstall, Close) and, unlike its question, no No.
HWND SetupWindow(DWORD process) {
  for (HWND window : TopLevelWindows(L"#32770", process)) {
    if (IsWindowVisible(window) && GetDlgItem(window, IDOK) && !GetDlgItem(window, IDNO)) {
      return window;
    }
  }
  return nullptr;
}

bool CanGoOn(HWND window) {
  return window && IsWindowEnabled(GetDlgItem(window, IDOK));
}

fs::path LocalLogFolder() {
  return KnownFolder(FOLDERID_LocalAppData) / L"Halvane" / L"Quenby";
}

void WriteLogLine(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "2024/01/02 03:04:05 C:TESSERA Over the temperature\n";
}

class UninstallWithPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(RunSetup(Installer(), L"/S"), 0u) << "the installation";
    ASSERT_TRUE(Profile().WriteInt(L"TEMP", 62));
    WriteLogLine(InstallFolder() / L"Ardmon.log");
    WriteLogLine(LocalLogFolder() / L"Ardmon.log");
    WriteLogLine(InstallFolder() / L"Ardmon.history");
    WriteLogLine(LocalLogFolder() / L"Ardmon.history.bad");
    const fs::path copy = fs::temp_directory_path() / L"QuenbyUninstall.exe";
    ASSERT_TRUE(CopyFileW((InstallFolder() / L"Uninstall.exe").c_str(), copy.c_str(), FALSE));

    const Process setup(copy, L"_?=" + InstallFolder().wstring());
    ASSERT_TRUE(setup.started());
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return CanGoOn(window = SetupWindow(setup.id())); }, kStartMs));
    monitorgui::Answer(window, IDOK);  // the confirmation page's Uninstall
    std::vector<monitorgui::MessageBoxView> boxes;
    ASSERT_TRUE(WaitUntil(
        [&] {
          boxes = MessageBoxes(setup.id());
          boxes.erase(std::remove_if(boxes.begin(), boxes.end(),
                                     [](const auto& box) { return !GetDlgItem(box.window, IDNO); }),
                      boxes.end());
          return !boxes.empty();
        },
        kStartMs));
    question_ = boxes[0].text;
    yesOrNo_ = GetDlgItem(boxes[0].window, IDYES) != nullptr;
    monitorgui::Answer(boxes[0].window, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return CanGoOn(window); }, kSetupMs)) << "never done";
    monitorgui::Answer(window, IDOK);  // Close
    ASSERT_TRUE(setup.WaitForExit(kReactMs));
    exitCode_ = setup.ExitCode();
    DeleteFileW(copy.c_str());
  }
  void SetUp() override { ASSERT_EQ(exitCode_, 0u) << "the uninstaller's exit code"; }

  static inline std::wstring question_;
  static inline bool yesOrNo_ = false;
  static inline DWORD exitCode_ = STILL_ACTIVE;
};

TEST_F(UninstallWithPages, AsksWhetherToKeepTheSettingsAndTheLogAndToldNoDeletesThem) {
  EXPECT_FALSE(question_.empty());
  EXPECT_TRUE(yesOrNo_) << "a question with Yes and No";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Halvane"));
  EXPECT_FALSE(fs::exists(InstallFolder()));
  EXPECT_FALSE(fs::exists(LocalLogFolder().parent_path()));
}

}  // namespace
}  // namespace installertest
