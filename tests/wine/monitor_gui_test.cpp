// The monitor's life and the drive list: start, tray, warnings, unplugged
// drives, a second start, Exit, and a start without the service.
#include "tests/wine/monitor_gui_fixture.h"

#include <dbt.h>

namespace monitorgui {
namespace {

using disklib::sim::Fixture;
using disklib::sim::SetPlugged;

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
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3, 5})));

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
    EXPECT_EQ(rows[i].data, static_cast<LPARAM>(drive.slot)) << "item data is the slot";
  }
  EXPECT_TRUE(list.Selected(0)) << "the icon's row";

  ShootWindow("main_window");
  const RECT tray = TrayArea();
  EXPECT_TRUE(Screenshot("tray_five_drives", &tray, 400));
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
  EXPECT_TRUE(TrayShows(TipsOfDrives({1, 2, 3, 5}), kReactMs));

  // The cycles take the stored choice, not the drive's default.
  CycleCounter cycles(profile_, machine_.DevicePath(1));
  ASSERT_TRUE(cycles.WaitFor(2, 2 * kCycleMs));
  EXPECT_FALSE(list.Checked(0));
  EXPECT_TRUE(TrayShows(TipsOfDrives({1, 2, 3, 5})));
  const RECT tray = TrayArea();
  EXPECT_TRUE(Screenshot("tray_without_c", &tray, 400));

  // Nothing ticked: the application's own icon; one tick replaces it.
  for (int row : {1, 2, 3, 4}) ASSERT_TRUE(list.SetChecked(row, false));
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
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 4; }, 2 * kCycleMs));
  const auto rows = list.Rows();
  ASSERT_EQ(rows.size(), 4u);
  const int slots[] = {0, 2, 3, 5};
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(rows[row].cells[0], DemoOf(slots[row]).letters);
    EXPECT_EQ(rows[row].data, slots[row]) << "rows move up, keeping their slot";
  }
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 2, 3, 5}), kReactMs));

  machine_.Change([](Fixture& f) { SetPlugged(f, 1, true); });
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 5; }, 2 * kCycleMs));
  EXPECT_EQ(list.Text(1, 0), DemoOf(1).letters);
  EXPECT_EQ(list.ItemData(1), 1);
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3, 5}), kReactMs));
}

// A disk that arrives or leaves has a cycle run at once, which reads the
// temperature only of a disk that was not there before.
TEST_F(MonitorGui, ADeviceChangeRunsACycleThatReadsOnlyNewDisks) {
  ASSERT_TRUE(profile_.WriteInt(L"TIME", 60));  // no timer cycle ever
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  const RemoteListView list = DriveList();
  machine_.Change([](Fixture& f) {
    SetTemperature(f, 0, 60);
    SetPlugged(f, 2, false);
  });
  SendBounded(window_, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 4; }, kCycleMs));
  EXPECT_EQ(list.Text(0, 4), Celsius(38)) << "a disk already there is not read";

  machine_.Change([](Fixture& f) {
    SetPlugged(f, 2, true);
    SetTemperature(f, 2, 47);
  });
  SendBounded(window_, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 5; }, kCycleMs));
  EXPECT_EQ(list.Text(2, 4), Celsius(47)) << "the disk that came is read";
}

// The drive that answers no ATA command, read through the storage query.
TEST_F(MonitorGui, TheNvmeSystemDriveShowsItsTemperatureAndItsWear) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  Heat(kNvmeDrive, 48);
  ASSERT_NO_FATAL_FAILURE(WaitForTemperature(kNvmeDrive, 48));
  const RECT tray = TrayArea();
  EXPECT_TRUE(Screenshot("tray_nvme_drive_heated", &tray, 400));

  machine_.Change([](Fixture& f) { SetWear(f, kNvmeDrive, 93); });
  const RemoteListView list = DriveList();
  ASSERT_TRUE(list.ok());
  EXPECT_TRUE(
      WaitUntil([&] { return list.Text(kNvmeRow, 5) == Text(IDS_HEALTH_CAUTION); }, 2 * kCycleMs))
      << "93 percent of the endurance used";
  EXPECT_EQ(list.Text(kNvmeRow, 0), L"C:");
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
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3, 5}))) << "one set of icons";
}

// Under Wine the tray also drops the icons of a window that goes, so the
// check states, which the exit stores with its last icon update, show that
// the exit ran its sequence. The log files, written when the first cycle
// logged the Caution drive, already hold the rows: the exit leaves them be.
TEST_F(MonitorGui, ExitStoresTheTicksTakesTheIconsAwayAndEnds) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_TRUE(DriveList().SetChecked(3, false));
  ASSERT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 5}), kReactMs));
  // An interval of an hour never comes round: no cycle stores them now.
  // The ticked drives' values tell a store (a missing one reads as ticked,
  // so deleting it changes nothing); the unticked drive's value stays.
  ASSERT_TRUE(profile_.WriteInt(L"TIME", 60));
  const auto stored = [&] {
    for (int drive : {0, 1, 2, 5}) {
      if (profile_.ReadInt(machine_.DevicePath(drive))) return true;
    }
    return false;
  };
  const auto forget = [&] {
    for (int drive : {0, 1, 2, 5}) profile_.DeleteValue(machine_.DevicePath(drive));
  };
  // A cycle under way when TIME changed stores them once more, one value
  // after another, however long that takes on a busy machine; then the
  // values stay away.
  bool quiet = false;
  for (int attempt = 0; attempt < 8 && !quiet; ++attempt) {
    forget();
    quiet = !WaitUntil(stored, 3000);
  }
  ASSERT_TRUE(quiet) << "cycles still run";
  const std::filesystem::path log = OwnFolder() / L"Ardmon.log";
  const auto written = std::filesystem::last_write_time(log);

  PostMessageW(window_, WM_COMMAND, kExitCommand, 0);
  ASSERT_TRUE(monitor_.WaitForExit(kReactMs));
  EXPECT_EQ(monitor_.ExitCode(), 0u);
  EXPECT_EQ(std::filesystem::last_write_time(log), written) << "written again";
  EXPECT_TRUE(TrayShows({}));
  for (int drive : {0, 1, 2, 5}) EXPECT_EQ(profile_.ReadInt(machine_.DevicePath(drive)), 1u);
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
