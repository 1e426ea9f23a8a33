// The real Ardmon.exe under Wine, against the installed "TempService"
// serving the simulated demo machine: started from here, driven by the
// messages the notification area and the user would send, and read back
// across processes (its windows, its drive list, the tray's icons, its
// registry profile). A "TIME" of 0 in the profile makes a timer cycle run
// every second. Each test restores the demo machine and a fresh profile,
// so the filter question comes at every start.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "disklib/sim/fixture_edit.h"
#include "resources/resource_ids.h"
#include "resources/win32/resource_language.h"
#include "tests/wine/monitor_gui.h"
#include "tests/wine/monitor_gui_remote.h"
#include "tests/wine/service_control.h"

namespace monitorgui {
namespace {

using disklib::sim::Fixture;
using disklib::sim::SetPlugged;
using disklib::sim::SetTemperature;

// The monitor's fixed interface, as the shell and a second copy use it.
constexpr wchar_t kMainClass[] = L"CVormakDlg";
constexpr UINT kTrayNotify = WM_APP + 123;
constexpr WPARAM kExitCommand = 32778;
constexpr int kDriveListId = 140;

// Bounds of the waits: a start (Wine process, first cycle), a posted
// message's effect, and a timer cycle (one a second, plus its own time).
constexpr DWORD kStartMs = 20000;
constexpr DWORD kReactMs = 5000;
constexpr DWORD kCycleMs = 5000;

std::wstring Text(unsigned id) {
  const std::u16string text =
      ardmon::LoadStringFor(GetModuleHandleW(nullptr), ardmon::UserLanguage(), id);
  return std::wstring(text.begin(), text.end());
}

struct DemoDrive {
  const wchar_t* letters;
  const wchar_t* model;
  const wchar_t* capacity;
  int celsius;
  unsigned health;
};

// The demo machine's drives 0 to 3; drive 4, a card reader without a card,
// is not listed.
constexpr std::array<DemoDrive, 4> kDemo = {{
    {L"C:", L"MARLOWE MX500AS-01", L"465.76GB", 38, IDS_HEALTH_GOOD},
    {L"D:", L"TESSERA TS1000DM003-1CH1", L"931.51GB", 41, IDS_HEALTH_CAUTION},
    {L"E:", L"KESTREL KS2000NV-00A", L"1863.02GB", 34, IDS_HEALTH_GOOD},
    {L"F:", L"ORBITA OB320UX-2H", L"298.09GB", 44, IDS_HEALTH_GOOD},
}};

std::wstring Celsius(int celsius) {
  return std::to_wstring(celsius) + L"\u2103";
}

// Drive, model and temperature cells, one per line.
std::wstring TipOf(int drive, int celsius) {
  return std::wstring(kDemo[drive].letters) + L"\n" + kDemo[drive].model + L"\n" + Celsius(celsius);
}
std::wstring TipOf(int drive) {
  return TipOf(drive, kDemo[drive].celsius);
}

std::vector<std::wstring> TipsOfDrives(std::initializer_list<int> drives) {
  std::vector<std::wstring> tips;
  for (int drive : drives) tips.push_back(TipOf(drive));
  return tips;
}

// The tray's tips for a failure message, one icon per line.
std::string TrayNow() {
  std::string out = "the tray shows:";
  for (const std::wstring& tip : TrayTips()) {
    out += "\n  ";
    for (wchar_t c : tip) out += c == L'\n' ? '|' : c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

// Whether the tray comes to show exactly the icons with these tips.
::testing::AssertionResult TrayShows(std::vector<std::wstring> tips, DWORD timeoutMs = 0) {
  std::sort(tips.begin(), tips.end());
  if (WaitUntil([&] { return TrayTips() == tips; }, timeoutMs)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "after " << timeoutMs << " ms, " << TrayNow();
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// The notification area: the icons and a little of the taskbar around them.
RECT TrayArea() {
  RECT area = WindowRect(FindWindowW(L"Shell_TrayWnd", nullptr));
  area.left = std::max(area.left, area.right - 160);
  return area;
}

class MonitorGui : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    servicetest::ServiceControl service(L"TempService");
    ASSERT_TRUE(service.ok()) << "TempService is not installed";
    ASSERT_TRUE(service.EnsureRunning());
  }

  MonitorGui()
      : machine_(OwnFolder() / L"ArdmonSim.json"), profile_(L"Halvane", Text(IDS_APP_TITLE)) {}

  void SetUp() override {
    ASSERT_TRUE(TopLevelWindows(kMainClass).empty()) << "another Ardmon.exe is running";
    ASSERT_NO_THROW(machine_.RestoreDemo());
    profile_.Reset();
    ASSERT_TRUE(profile_.WriteInt(L"TIME", 0));
  }

  void TearDown() override {
    StopMonitor();
    machine_.RestoreDemo();
  }

  // Starts Ardmon.exe, says No to the question about the filter that the
  // demo machine's controller brings, and waits for the drives' icons.
  void StartMonitor() {
    monitor_ = Process(OwnFolder() / L"Ardmon.exe");
    ASSERT_TRUE(monitor_.started()) << GetLastError();
    std::vector<MessageBoxView> boxes;
    ASSERT_TRUE(WaitUntil([&] { return !(boxes = Boxes()).empty(); }, kStartMs))
        << "no restart question within " << kStartMs << " ms; " << Status();
    Answer(boxes[0].window, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return Boxes().empty(); }, kReactMs));
    window_ = MainWindow();
    ASSERT_TRUE(window_);
    ASSERT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3}), kCycleMs));
  }

  // Exit as the tray menu does it; a monitor that does not end is killed,
  // so that the next test starts clean.
  void StopMonitor() {
    if (!monitor_.Running()) return;
    for (const MessageBoxView& box : Boxes()) Dismiss(box.window);
    if (window_) PostMessageW(window_, WM_COMMAND, kExitCommand, 0);
    if (monitor_.WaitForExit(kReactMs)) return;
    ADD_FAILURE() << "Ardmon.exe did not exit; killed";
    // The tray drops the icons of the window with it.
    monitor_.Kill();
  }

  std::string Status() const {
    return monitor_.Running() ? "Ardmon.exe runs"
                              : "Ardmon.exe ended with " + std::to_string(monitor_.ExitCode());
  }

  HWND MainWindow() const {
    const auto windows = TopLevelWindows(kMainClass, monitor_.id());
    return windows.size() == 1 ? windows[0] : nullptr;
  }
  std::vector<MessageBoxView> Boxes() const { return MessageBoxes(monitor_.id()); }
  RemoteListView DriveList() const { return RemoteListView(GetDlgItem(window_, kDriveListId)); }
  bool Visible() const { return IsWindowVisible(window_) != FALSE; }

  // Waits until the tray's icon of `drive` shows `celsius`: the cycle that
  // read the new temperature has ended.
  void WaitForTemperature(int drive, int celsius) const {
    ASSERT_TRUE(WaitUntil(
        [&] {
          const auto tips = TrayTips();
          return std::find(tips.begin(), tips.end(), TipOf(drive, celsius)) != tips.end();
        },
        2 * kCycleMs))
        << "drive " << drive << " never showed " << celsius;
  }

  void Heat(int drive, int celsius) const {
    machine_.Change(
        [&](Fixture& f) { SetTemperature(f, drive, static_cast<std::uint8_t>(celsius)); });
  }

  SimulatedMachine machine_;
  TestProfile profile_;
  Process monitor_;
  HWND window_ = nullptr;
};

TEST_F(MonitorGui, StartsHiddenWithItsIconsAndAsksOnceAboutTheFilter) {
  monitor_ = Process(OwnFolder() / L"Ardmon.exe");
  ASSERT_TRUE(monitor_.started());
  std::vector<MessageBoxView> boxes;
  ASSERT_TRUE(WaitUntil([&] { return !(boxes = Boxes()).empty(); }, kStartMs)) << Status();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, Text(IDS_APP_TITLE));
  EXPECT_EQ(boxes[0].text, Text(IDS_RESTART_QUESTION));
  EXPECT_TRUE(GetDlgItem(boxes[0].window, IDYES) && GetDlgItem(boxes[0].window, IDNO));

  // The first cycle has run before the question: icons, but no window.
  window_ = MainWindow();
  ASSERT_TRUE(window_);
  EXPECT_FALSE(Visible());
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3})));

  Answer(boxes[0].window, IDNO);
  ASSERT_TRUE(WaitUntil([&] { return Boxes().empty(); }, kReactMs));
  CycleCounter cycles(profile_, machine_.DevicePath(0));
  ASSERT_TRUE(cycles.WaitFor(2, 2 * kCycleMs));
  EXPECT_TRUE(monitor_.Running());
  EXPECT_FALSE(Visible());
  EXPECT_TRUE(Boxes().empty()) << "asked again";
}

TEST_F(MonitorGui, TrayClickShowsTheWindowWithTheMachinesDrives) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  EXPECT_FALSE(Visible());
  PostMessageW(window_, kTrayNotify, 0, WM_LBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return Visible(); }, kReactMs));

  const RemoteListView list = DriveList();
  ASSERT_TRUE(list.ok());
  const auto rows = list.Rows();
  ASSERT_EQ(rows.size(), kDemo.size());
  for (std::size_t i = 0; i < kDemo.size(); ++i) {
    SCOPED_TRACE(i);
    const DemoDrive& drive = kDemo[i];
    const std::array<std::wstring, 6> cells = {drive.letters,          drive.model,
                                               drive.capacity,         Text(IDS_SMART_SUPPORTED),
                                               Celsius(drive.celsius), Text(drive.health)};
    EXPECT_EQ(rows[i].cells, cells);
    EXPECT_TRUE(rows[i].checked);
    EXPECT_EQ(rows[i].data, static_cast<LPARAM>(i)) << "item data is the slot";
  }
  EXPECT_TRUE(list.Selected(0)) << "the icon's row";

  const RECT window = WindowRect(window_);
  EXPECT_TRUE(Screenshot("main_window", &window));
  const RECT tray = TrayArea();
  EXPECT_TRUE(Screenshot("tray_four_drives", &tray, 400));
  const RECT desktop = WindowRect(GetDesktopWindow());
  EXPECT_TRUE(Screenshot("desktop_main_window", &desktop));

  // Another drive's icon selects its row; Escape hides the window again.
  PostMessageW(window_, kTrayNotify, 2, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return list.Selected(2) && !list.Selected(0); }, kReactMs));
  PostMessageW(window_, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(); }, kReactMs));
  EXPECT_TRUE(monitor_.Running());
}

TEST_F(MonitorGui, UntickingADriveTakesItsIconAwayAndStoresTheChoice) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  const RemoteListView list = DriveList();
  ASSERT_TRUE(list.ok());

  ASSERT_TRUE(list.SetChecked(0, false));
  EXPECT_TRUE(WaitUntil([&] { return profile_.ReadInt(machine_.DevicePath(0)) == 0u; }, kReactMs));
  EXPECT_TRUE(TrayShows(TipsOfDrives({1, 2, 3}), kReactMs));

  // The cycles take the stored choice, not the drive's default.
  CycleCounter cycles(profile_, machine_.DevicePath(1));
  ASSERT_TRUE(cycles.WaitFor(2, 2 * kCycleMs));
  EXPECT_FALSE(list.Checked(0));
  EXPECT_TRUE(TrayShows(TipsOfDrives({1, 2, 3})));
  const RECT tray = TrayArea();
  EXPECT_TRUE(Screenshot("tray_without_c", &tray, 400));

  // Nothing ticked: the application's own icon; one tick replaces it.
  for (int row : {1, 2, 3}) ASSERT_TRUE(list.SetChecked(row, false));
  EXPECT_TRUE(TrayShows({Text(IDS_APP_TITLE)}, kReactMs));
  EXPECT_TRUE(Screenshot("tray_application_icon", &tray, 400));
  ASSERT_TRUE(list.SetChecked(2, true));
  EXPECT_TRUE(TrayShows(TipsOfDrives({2}), kReactMs));
  EXPECT_EQ(profile_.ReadInt(machine_.DevicePath(2)), 1u);
  EXPECT_EQ(profile_.ReadInt(machine_.DevicePath(3)), 0u);
}

TEST_F(MonitorGui, AHotDriveWarnsAtTheThirdSampleWithOneBoxAtATime) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_EQ(profile_.ReadInt(L"TEMP"), std::nullopt) << "default 50";
  ASSERT_EQ(profile_.ReadInt(L"COUNT"), std::nullopt) << "default 3";
  // Shown, so that the screenshot has the red temperature cell too (on a
  // row that is not selected, whose colours the list keeps to itself).
  PostMessageW(window_, kTrayNotify, 0, WM_LBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return Visible(); }, kReactMs));

  Heat(2, 55);
  ASSERT_NO_FATAL_FAILURE(WaitForTemperature(2, 55));  // the first hot sample
  CycleCounter cycles(profile_, machine_.DevicePath(0));
  std::vector<MessageBoxView> boxes;
  ASSERT_TRUE(WaitUntil(
      [&] {
        cycles.Poll();
        return !(boxes = Boxes()).empty();
      },
      4 * kCycleMs))
      << "no warning";
  // The cycle that opened the box stored its check states before.
  EXPECT_EQ(cycles.Poll(), 2) << "cycles after the first hot sample before the warning";
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Text(IDS_OVER_TEMPERATURE));
  EXPECT_EQ(boxes[0].caption, Text(IDS_APP_TITLE));
  const RECT desktop = WindowRect(GetDesktopWindow());
  EXPECT_TRUE(Screenshot("desktop_warning", &desktop));

  // Cycles go on under the open box; a second drive reaching the count
  // there must not open a second one. Three readings seen are three
  // counted samples.
  for (int celsius : {55, 56, 57}) {
    Heat(3, celsius);
    ASSERT_NO_FATAL_FAILURE(WaitForTemperature(3, celsius));
  }
  cycles.Restart();
  ASSERT_TRUE(cycles.WaitFor(1, 2 * kCycleMs));
  EXPECT_EQ(Boxes().size(), 1u);

  Answer(boxes[0].window, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return Boxes().empty(); }, kReactMs));
  cycles.Restart();
  ASSERT_TRUE(cycles.WaitFor(2, 2 * kCycleMs));
  EXPECT_TRUE(Boxes().empty()) << "counters past the count warn no more";
  EXPECT_TRUE(monitor_.Running());
}

TEST_F(MonitorGui, AnUnpluggedDriveLosesItsRowAndItsIcon) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  const RemoteListView list = DriveList();
  ASSERT_TRUE(list.ok());

  machine_.Change([](Fixture& f) { SetPlugged(f, 1, false); });
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 3; }, 2 * kCycleMs));
  const auto rows = list.Rows();
  ASSERT_EQ(rows.size(), 3u);
  const int slots[] = {0, 2, 3};
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(rows[row].cells[0], kDemo[slots[row]].letters);
    EXPECT_EQ(rows[row].data, slots[row]) << "rows move up, keeping their slot";
  }
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 2, 3}), kReactMs));

  machine_.Change([](Fixture& f) { SetPlugged(f, 1, true); });
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 4; }, 2 * kCycleMs));
  EXPECT_EQ(list.Text(1, 0), kDemo[1].letters);
  EXPECT_EQ(list.ItemData(1), 1);
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3}), kReactMs));
}

TEST_F(MonitorGui, ASecondStartShowsTheRunningWindowAndEnds) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_FALSE(Visible());

  Process second(OwnFolder() / L"Ardmon.exe");
  ASSERT_TRUE(second.started());
  ASSERT_TRUE(second.WaitForExit(kReactMs)) << "the second copy keeps running";
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(WaitUntil([&] { return Visible(); }, kReactMs));
  EXPECT_TRUE(DriveList().Selected(0)) << "showing the first drive";
  EXPECT_EQ(TopLevelWindows(kMainClass).size(), 1u);
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3}))) << "one set of icons";
}

// Under Wine the tray also drops the icons of a window that goes, so the
// check states, which the exit stores with its last icon update, show that
// the exit ran its sequence.
TEST_F(MonitorGui, ExitStoresTheTicksTakesTheIconsAwayAndEnds) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_TRUE(DriveList().SetChecked(3, false));
  ASSERT_TRUE(TrayShows(TipsOfDrives({0, 1, 2}), kReactMs));
  // An interval of an hour never comes round: no cycle stores them now.
  ASSERT_TRUE(profile_.WriteInt(L"TIME", 60));
  const auto stored = [&] {
    for (int drive : {0, 1, 2, 3}) {
      if (profile_.ReadInt(machine_.DevicePath(drive))) return true;
    }
    return false;
  };
  const auto forget = [&] {
    for (int drive : {0, 1, 2, 3}) profile_.DeleteValue(machine_.DevicePath(drive));
  };
  forget();
  // A cycle under way when TIME changed stores them once more.
  if (WaitUntil(stored, 1500)) forget();
  ASSERT_FALSE(WaitUntil(stored, 1500)) << "cycles still run";

  PostMessageW(window_, WM_COMMAND, kExitCommand, 0);
  ASSERT_TRUE(monitor_.WaitForExit(kReactMs));
  EXPECT_EQ(monitor_.ExitCode(), 0u);
  EXPECT_TRUE(TrayShows({}));
  for (int drive : {0, 1, 2}) EXPECT_EQ(profile_.ReadInt(machine_.DevicePath(drive)), 1u);
  EXPECT_EQ(profile_.ReadInt(machine_.DevicePath(3)), 0u);
}

// The monitor never starts the service: it looks for it ten times a second
// apart, then says so and ends.
TEST_F(MonitorGui, WithoutTheServiceTheStartGivesUpAfterTenSeconds) {
  servicetest::ServiceControl service(L"TempService");
  SERVICE_STATUS status{};
  ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, status)) << GetLastError();
  ASSERT_EQ(service.WaitFor(SERVICE_STOPPED, 10000).dwCurrentState, SERVICE_STOPPED);
  struct Restart {
    servicetest::ServiceControl& service;
    ~Restart() { EXPECT_TRUE(service.EnsureRunning()); }
  } restart{service};

  const ULONGLONG start = GetTickCount64();
  monitor_ = Process(OwnFolder() / L"Ardmon.exe");
  ASSERT_TRUE(monitor_.started());
  std::vector<MessageBoxView> boxes;
  ASSERT_TRUE(WaitUntil([&] { return !(boxes = Boxes()).empty(); }, 30000));
  const ULONGLONG waited = GetTickCount64() - start;
  EXPECT_GE(waited, 9000u);
  EXPECT_LE(waited, 20000u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, Text(IDS_SERVICE_NOT_STARTED));
  EXPECT_TRUE(TopLevelWindows(kMainClass).empty());
  EXPECT_TRUE(TrayShows({}));

  Answer(boxes[0].window, IDOK);
  EXPECT_TRUE(monitor_.WaitForExit(kReactMs));
}

}  // namespace
}  // namespace monitorgui
