// The real Ardmon.exe under Wine, against the installed "TempService"
// serving the simulated demo machine, as the GUI tests drive it: started
// from here, driven by the messages the notification area and the user
// would send, and read back across processes. A "TIME" of 0 in the profile
// makes a timer cycle run every second. Each test restores the demo machine
// and a fresh profile, so the filter question comes at every start, and
// starts without a graph history.
#pragma once

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

using disklib::sim::Fixture;
using disklib::sim::SetTemperature;
using disklib::sim::SetWear;

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

// A text as the monitor shows it: in the user's language, like this program.
inline std::wstring Text(unsigned id) {
  const std::u16string text =
      ardmon::LoadStringFor(GetModuleHandleW(nullptr), ardmon::UserLanguage(), id);
  return std::wstring(text.begin(), text.end());
}

struct DemoDrive {
  int slot;
  const wchar_t* letters;
  const wchar_t* model;
  const wchar_t* capacity;
  int celsius;
  unsigned health;
};

// The demo machine's drives 0 to 3 and its NVMe system drive 5, in the
// order of the list's rows; drive 4, a card reader without a card, is not
// listed.
constexpr std::array<DemoDrive, 5> kDemo = {{
    {0, L"I:", L"MARLOWE MX500AS-01", L"465.76GB", 38, IDS_HEALTH_GOOD},
    {1, L"D:", L"TESSERA TS1000DM003-1CH1", L"931.51GB", 41, IDS_HEALTH_CAUTION},
    {2, L"E:", L"KESTREL KS2000NV-00A", L"1863.02GB", 34, IDS_HEALTH_GOOD},
    {3, L"F:", L"ORBITA OB320UX-2H", L"298.09GB", 44, IDS_HEALTH_GOOD},
    {5, L"C:", L"ASHGROVE AG960 1TB NVMe", L"931.51GB", 43, IDS_HEALTH_GOOD},
}};
constexpr int kNvmeDrive = 5;
constexpr int kNvmeRow = 4;

inline const DemoDrive& DemoOf(int drive) {
  return *std::find_if(kDemo.begin(), kDemo.end(),
                       [&](const DemoDrive& d) { return d.slot == drive; });
}

inline std::wstring Celsius(int celsius) {
  return std::to_wstring(celsius) + L"\u2103";
}

// Drive, model and temperature cells, one per line.
inline std::wstring TipOf(int drive, int celsius) {
  return std::wstring(DemoOf(drive).letters) + L"\n" + DemoOf(drive).model + L"\n" +
         Celsius(celsius);
}
inline std::wstring TipOf(int drive) {
  return TipOf(drive, DemoOf(drive).celsius);
}

inline std::vector<std::wstring> TipsOfDrives(std::initializer_list<int> drives) {
  std::vector<std::wstring> tips;
  for (int drive : drives) tips.push_back(TipOf(drive));
  return tips;
}

// The tray's tips for a failure message, one icon per line.
inline std::string TrayNow() {
  std::string out = "the tray shows:";
  for (const std::wstring& tip : TrayTips()) {
    out += "\n  ";
    for (wchar_t c : tip) out += c == L'\n' ? '|' : c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

// Whether the tray comes to show exactly the icons with these tips.
inline ::testing::AssertionResult TrayShows(std::vector<std::wstring> tips, DWORD timeoutMs = 0) {
  std::sort(tips.begin(), tips.end());
  if (WaitUntil([&] { return TrayTips() == tips; }, timeoutMs)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "after " << timeoutMs << " ms, " << TrayNow();
}

inline RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// The notification area: the icons and a little of the taskbar around them.
inline RECT TrayArea() {
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
    RemoveGraphHistory(OwnFolder());
  }

  // The graph's history of earlier tests, and one set aside.
  static void RemoveGraphHistory(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::remove(folder / L"Ardmon.history", ignored);
    std::filesystem::remove(folder / L"Ardmon.history.bad", ignored);
  }

  void TearDown() override {
    StopMonitor();
    machine_.RestoreDemo();
  }

  // Starts Ardmon.exe (the one beside this program unless told), says No
  // to the question about the filter that the demo machine's controller
  // brings, and waits for the drives' icons.
  void StartMonitor(const std::filesystem::path& program = OwnFolder() / L"Ardmon.exe") {
    monitor_ = Process(program);
    ASSERT_TRUE(monitor_.started()) << GetLastError();
    std::vector<MessageBoxView> boxes;
    ASSERT_TRUE(WaitUntil([&] { return !(boxes = Boxes()).empty(); }, kStartMs))
        << "no restart question within " << kStartMs << " ms; " << Status();
    Answer(boxes[0].window, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return Boxes().empty(); }, kReactMs));
    window_ = MainWindow();
    ASSERT_TRUE(window_);
    ASSERT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3, 5}), kCycleMs));
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

  // The main window once it has painted: painting comes after every other
  // message, so first the queue is let through.
  void ShootWindow(const std::string& name) const {
    SendBounded(window_, WM_NULL, 0, 0);
    WaitUntil([&] { return Painted(window_); }, kReactMs);
    const RECT window = WindowRect(window_);
    EXPECT_TRUE(Screenshot(name, &window));
  }
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

}  // namespace monitorgui
