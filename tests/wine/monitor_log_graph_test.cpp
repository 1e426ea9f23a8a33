// The Log and Graph pages of the real Ardmon.exe against the simulated demo
// machine: events in the list and in the log files, which survive an exit,
// a killed process and a program folder the user may not write to; the
// temperature line on the screen; the time bar; the CSV exports through
// the save dialog. Screenshots go to the build tree's screenshots/.
#include "tests/wine/monitor_pages_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "monitor/pages/win32/graph_page.h"
#include "monitor/store/history_records.h"
#include "monitor/store/log_files.h"
#include "monitor/win32/win32_file_system.h"

namespace monitorgui {
namespace {

using disklib::sim::SetPlugged;

// The Caution drive of the demo machine is logged in the first cycle.
const std::wstring kCautionEvent = std::wstring(kDemo[1].letters) + kDemo[1].model;

std::filesystem::path UsersLogFolder() {
  const monitor::LogFolders folders = monitor::ThisUsersLogFolders();
  return std::filesystem::path(ardmon::Wide(folders.localAppData)) /
         ardmon::Wide(monitor::kUserLogFolder);
}

std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());  // the demo's texts are ASCII
}

// Prepared by "tools/wine/readonly-folder up" with a copy of Ardmon.exe.
std::filesystem::path ReadOnlyFolder() {
  return FromUnix(ARDMON_READONLY_FOLDER).make_preferred();
}

// A field of the CSV exports, quoted where it has to be: the Caution
// message holds double quotes.
std::string CsvField(const std::wstring& text) {
  if (text.find_first_of(L",\"\r\n") == std::wstring::npos) return Narrow(text);
  std::string quoted = "\"";
  for (const wchar_t c : text) quoted += c == L'"' ? "\"\"" : std::string(1, static_cast<char>(c));
  return quoted + "\"";
}

// Not where the prefix runs as a user who may write anywhere.
bool ReadOnlyFolderRefusesFiles() {
  const std::wstring folder = ReadOnlyFolder().wstring();
  return !monitor::Win32FileSystem().CanCreateFilesIn(std::u16string(folder.begin(), folder.end()));
}

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveLogFiles(const std::filesystem::path& folder) {
  std::error_code ignored;
  for (const char16_t* name : {monitor::kLogTimeFile, monitor::kLogMessageFile}) {
    std::filesystem::remove(folder / ardmon::Wide(name), ignored);
  }
}

// Pixels of one colour in a window as the screen shows it: read from a
// screenshot, since another process's window cannot be read back here.
int PixelsOf(HWND window, COLORREF colour) {
  const RECT area = WindowRect(window);
  if (!Screenshot("pixels", &area, 100, "bmp")) return -1;
  const std::filesystem::path file = FromUnix(std::string(ARDMON_SCREENSHOT_DIR) + "/pixels.bmp");
  const auto bitmap = static_cast<HBITMAP>(
      LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!bitmap) return -1;
  BITMAP shape{};
  GetObjectW(bitmap, sizeof shape, &shape);
  BITMAPINFO info{};
  info.bmiHeader = {
      sizeof(BITMAPINFOHEADER), shape.bmWidth, -shape.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> pixels(static_cast<std::size_t>(shape.bmWidth) * shape.bmHeight);
  const HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, shape.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  const DWORD wanted = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
  return static_cast<int>(std::count_if(pixels.begin(), pixels.end(),
                                        [&](DWORD pixel) { return (pixel & 0xFFFFFF) == wanted; }));
}

class LogAndGraph : public MonitorPages {
 protected:
  using Rows = std::vector<std::pair<std::wstring, std::wstring>>;

  void SetUp() override {
    MonitorPages::SetUp();
    RemoveLogFiles(OwnFolder());
    RemoveLogFiles(UsersLogFolder());
    RemoveGraphHistory(UsersLogFolder());
  }

  // Time and message of every row, top first.
  Rows LogRows() const {
    const RemoteListView list(GetDlgItem(LogPage(), IDC_LOG_LIST));
    Rows rows;
    for (int row = 0; row < list.Count(); ++row)
      rows.emplace_back(list.Text(row, 0), list.Text(row, 1));
    return rows;
  }
  std::vector<std::wstring> LogMessages() const {
    std::vector<std::wstring> messages;
    for (const auto& row : LogRows()) messages.push_back(row.second);
    return messages;
  }
  bool LogShows(const std::vector<std::wstring>& messages) const {
    return WaitUntil([&] { return LogMessages() == messages; }, 3 * kCycleMs);
  }

  // A new start logs the Caution drive again, on top of the loaded rows.
  void ExpectTheSameRowsAfterARestart(const Rows& before) {
    ASSERT_NO_THROW(machine_.RestoreDemo());  // the filter question comes again
    ASSERT_NO_FATAL_FAILURE(StartMonitor());
    ASSERT_TRUE(WaitUntil([&] { return LogRows().size() == before.size() + 1; }, 3 * kCycleMs));
    const auto after = LogRows();
    EXPECT_EQ(std::vector(after.begin() + 1, after.end()), before);
  }

  void Plug(int drive, bool plugged) const {
    machine_.Change([&](Fixture& f) { SetPlugged(f, drive, plugged); });
  }

  HWND LogPage() const { return PageWith(IDC_LOG_LIST); }
  HWND GraphPage() const { return PageWith(IDC_GRAPH_AREA); }
  // Samples as timer cycles would add them, `count` of `minutes` each.
  void AddSamples(int count, int minutes) const {
    for (int i = 0; i < count; ++i)
      SendBounded(GraphPage(), monitor::kGraphSampleMessage, minutes, 0);
  }
  HWND TimeBar() const { return GetDlgItem(GraphPage(), IDC_TIME_BAR); }

  // Save on the page, into `file`, through the save dialog.
  void Export(HWND page, const std::filesystem::path& file) const {
    Click(IDC_SAVE, page);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
          for (HWND found : TopLevelWindows(L"#32770", monitor_.id())) {
            if (IsWindowVisible(found) && FileNameField(found)) dialog = found;
          }
          return dialog != nullptr;
        },
        kReactMs))
        << "no save dialog";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(FileNameField(dialog), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(file.c_str()), SMTO_NORMAL, kReactMs, &ignored);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  }
  // A file to export into that does not exist yet.
  static std::filesystem::path NewExportFile(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path folder = std::filesystem::path(temp) / L"ardmon-export";
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder / name);
    return folder / name;
  }
};

TEST_F(LogAndGraph, EventsOfAHeatedAndAnUnpluggedDriveAreListedNewestOnTop) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kLogTab));
  const std::wstring caution = kCautionEvent + Text(IDS_HEALTH_IS_CAUTION);
  EXPECT_TRUE(LogShows({caution}));

  Heat(0, 60);
  const std::optional<MessageBoxView> warning = WaitForBox(L"", 3 * kCycleMs);
  ASSERT_TRUE(warning) << "no warning";
  Answer(warning->window, IDOK);
  Plug(2, false);
  const std::wstring hot =
      std::wstring(kDemo[0].letters) + kDemo[0].model + Text(IDS_OVER_TEMPERATURE);
  const std::wstring removed = std::wstring(kDemo[2].letters) + kDemo[2].model + Text(IDS_REMOVE);
  EXPECT_TRUE(LogShows({removed, hot, caution})) << LogMessages().size() << " rows";

  // "2011/05/13  14:05": the local date and minute of now.
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t date[16];
  swprintf(date, 16, L"%d/%02d/%02d  ", now.wYear, now.wMonth, now.wDay);
  for (const auto& row : LogRows()) {
    EXPECT_EQ(row.first.size(), 17u);
    EXPECT_EQ(row.first.substr(0, 12), date) << "unless the test ran across midnight";
  }
  // All three were written as they came.
  const std::string logged = Narrow(caution) + "\n" + Narrow(hot) + "\n" + Narrow(removed) + "\n";
  EXPECT_TRUE(WaitUntil([&] { return Contents(OwnFolder() / L"Ardmon.log") == logged; }, kReactMs));
  ShootWindow("page_log");
}

// The service stopped and started again under the running monitor: no disk
// left, so none is logged as removed and none logs its health again; the
// outage is logged when it begins and when it ends, and meanwhile the list
// and the tray keep their values and say that they are not current.
TEST_F(LogAndGraph, AServiceOutageIsLoggedAsSuchAndRemovesNoDrive) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kLogTab));
  const std::wstring caution = kCautionEvent + Text(IDS_HEALTH_IS_CAUTION);
  ASSERT_TRUE(LogShows({caution}));

  servicetest::ServiceControl service(L"TempService");
  struct Restart {
    servicetest::ServiceControl& service;
    ~Restart() { EXPECT_TRUE(service.EnsureRunning()); }
  } restart{service};
  SERVICE_STATUS status{};
  ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, status)) << GetLastError();
  const std::wstring lost = Text(IDS_SERVICE_NOT_ANSWERING);
  EXPECT_TRUE(LogShows({lost, caution}));
  std::vector<std::wstring> tips = TipsOfDrives({0, 1, 2, 3, 5});
  for (std::wstring& tip : tips) tip = Text(IDS_VALUES_NOT_CURRENT) + L"\n" + tip;
  EXPECT_TRUE(TrayShows(tips, kReactMs));
  EXPECT_EQ(DriveList().Count(), static_cast<int>(kDemo.size()));
  const HWND listState = GetDlgItem(window_, IDC_LIST_STATE);
  EXPECT_EQ(TextOf(listState), Text(IDS_VALUES_NOT_CURRENT));
  ShootWindow("service_outage");

  ASSERT_TRUE(service.EnsureRunning());
  EXPECT_TRUE(LogShows({Text(IDS_SERVICE_ANSWERS), lost, caution}));
  EXPECT_TRUE(TrayShows(TipsOfDrives({0, 1, 2, 3, 5}), kCycleMs));
  EXPECT_EQ(TextOf(listState), L"");
}

TEST_F(LogAndGraph, ExitWritesTheFilesAndTheNextStartShowsTheSameRows) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  Plug(3, false);
  ASSERT_TRUE(WaitUntil([&] { return LogRows().size() == 2; }, 3 * kCycleMs));
  Plug(3, true);
  ASSERT_TRUE(WaitUntil([&] { return LogRows().size() == 3; }, 3 * kCycleMs));
  const auto before = LogRows();
  StopMonitor();
  ASSERT_FALSE(monitor_.Running());

  const std::string times = Contents(OwnFolder() / L"Ardmon.time");
  EXPECT_EQ(std::count(times.begin(), times.end(), '\n'), 3);
  EXPECT_EQ(times.find('\r'), std::string::npos) << "LF only";
  const std::wstring drive3 = std::wstring(kDemo[3].letters) + kDemo[3].model;
  EXPECT_EQ(Contents(OwnFolder() / L"Ardmon.log"),
            Narrow(kCautionEvent + Text(IDS_HEALTH_IS_CAUTION)) + "\n" +
                Narrow(drive3 + Text(IDS_REMOVE)) + "\n" + Narrow(drive3 + Text(IDS_ADD)) + "\n");

  ExpectTheSameRowsAfterARestart(before);
}

TEST_F(LogAndGraph, NothingLoggedIsLostWhenTheMonitorIsKilledOrTheSessionEnds) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  Plug(1, false);
  ASSERT_TRUE(WaitUntil([&] { return LogRows().size() == 2; }, 3 * kCycleMs));
  const auto before = LogRows();
  const std::filesystem::path messages = OwnFolder() / L"Ardmon.log";
  const std::string logged = Narrow(kCautionEvent + Text(IDS_HEALTH_IS_CAUTION)) + "\n" +
                             Narrow(kCautionEvent + Text(IDS_REMOVE)) + "\n";
  EXPECT_TRUE(WaitUntil([&] { return Contents(messages) == logged; }, kReactMs))
      << "written right after the cycle";
  monitor_.Kill();
  EXPECT_EQ(Contents(messages), logged);

  ExpectTheSameRowsAfterARestart(before);

  // Windows ending the session has the files written once more.
  ASSERT_TRUE(WaitUntil([&] { return Contents(messages).size() > logged.size(); }, kReactMs));
  RemoveLogFiles(OwnFolder());
  SendBounded(window_, WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(std::filesystem::exists(OwnFolder() / L"Ardmon.time"));
  EXPECT_EQ(Contents(messages).substr(0, logged.size()), logged);
}

TEST_F(LogAndGraph, AProgramFolderTheUserCannotWriteToKeepsTheLogInTheUsersFolder) {
  ASSERT_TRUE(std::filesystem::exists(ReadOnlyFolder() / L"Ardmon.exe"));
  if (!ReadOnlyFolderRefusesFiles()) GTEST_SKIP() << "the folder could not be made read-only";
  ASSERT_NO_FATAL_FAILURE(StartMonitor(ReadOnlyFolder() / L"Ardmon.exe"));
  const std::string caution = Narrow(kCautionEvent + Text(IDS_HEALTH_IS_CAUTION)) + "\n";
  EXPECT_TRUE(
      WaitUntil([&] { return Contents(UsersLogFolder() / L"Ardmon.log") == caution; }, kCycleMs));
  StopMonitor();
  EXPECT_EQ(Contents(UsersLogFolder() / L"Ardmon.log"), caution);
  EXPECT_FALSE(std::filesystem::exists(ReadOnlyFolder() / L"Ardmon.log"));
  EXPECT_FALSE(std::filesystem::exists(OwnFolder() / L"Ardmon.log"));
}

TEST_F(LogAndGraph, TheGraphDrawsTheSelectedDrivesLineOverTheGrid) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kGraphTab));
  AddSamples(3, 10);
  Heat(0, 45);
  ASSERT_NO_FATAL_FAILURE(WaitForTemperature(0, 45));
  AddSamples(3, 10);
  ShootWindow("page_graph");
  const HWND area = GetDlgItem(GraphPage(), IDC_GRAPH_AREA);
  EXPECT_GT(PixelsOf(area, RGB(255, 255, 0)), 100) << "the yellow temperature line";
  EXPECT_GT(PixelsOf(area, RGB(255, 0, 0)), 100) << "the red warning line at 50";
  EXPECT_GT(PixelsOf(area, RGB(0, 0, 255)), 100) << "the blue grid";

  // Another drive, cooler: its line lies lower, under the warning line.
  ASSERT_NO_FATAL_FAILURE(ShowDrive(2, kGraphTab));
  ShootWindow("page_graph_drive_2");
  EXPECT_GT(PixelsOf(area, RGB(255, 255, 0)), 100);
}

TEST_F(LogAndGraph, TheTimeBarAppearsOnceTwoHoursOfSamplesExist) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kGraphTab));
  EXPECT_FALSE(IsWindowVisible(TimeBar()));
  AddSamples(59, 2);
  EXPECT_FALSE(IsWindowVisible(TimeBar())) << "118 minutes";
  AddSamples(1, 2);
  EXPECT_TRUE(WaitUntil([&] { return ItemText(IDC_AXIS_RIGHT) == L"130"; }, kReactMs));
  EXPECT_TRUE(IsWindowVisible(TimeBar()));
  EXPECT_EQ(SendBounded(TimeBar(), SBM_GETPOS, 0, 0), 1);
  // The system carries the range across processes itself.
  int low = -1, high = -1;
  SendBounded(TimeBar(), SBM_GETRANGE, reinterpret_cast<WPARAM>(&low),
              reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 1);
  EXPECT_EQ(ItemText(IDC_AXIS_LEFT), L"10");
  EXPECT_EQ(ItemText(IDC_AXIS_CENTRE), L"70");
  ShootWindow("page_graph_two_hours");

  // A step back shows the start; Clear hides the bar again.
  PostMessageW(GraphPage(), WM_HSCROLL, SB_LINELEFT, reinterpret_cast<LPARAM>(TimeBar()));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(IDC_AXIS_RIGHT) == L"120"; }, kReactMs));
  EXPECT_EQ(ItemText(IDC_AXIS_LEFT), L"0");
  Click(IDC_CLEAR, GraphPage());
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(TimeBar()); }, kReactMs));
}

// The samples outlive the process: after a kill the next start draws
// them before a new sample is due; Clear empties the file as well. A file
// that is not ours is set aside, and the Log page says so.
TEST_F(LogAndGraph, TheGraphHistorySurvivesAKillAndClearEmptiesIt) {
  const std::filesystem::path file = OwnFolder() / L"Ardmon.history";
  std::ofstream(file, std::ios::binary) << "Time(minute),I:\n";
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  EXPECT_TRUE(LogShows({kCautionEvent + Text(IDS_HEALTH_IS_CAUTION), Text(IDS_HISTORY_SET_ASIDE)}));
  EXPECT_EQ(Contents(OwnFolder() / L"Ardmon.history.bad"), "Time(minute),I:\n");
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kGraphTab));
  AddSamples(60, 2);
  EXPECT_TRUE(WaitUntil(
      [&] {
        const monitor::ReadHistoryResult read = monitor::ReadHistory(Contents(file), 0, {});
        return read.end == monitor::HistoryEnd::Whole && read.stored.history.TotalMinutes() == 120;
      },
      kReactMs));
  monitor_.Kill();

  // A check interval of an hour: only the start's own sample is taken.
  const auto restart = [&] {
    ASSERT_TRUE(profile_.WriteInt(L"TIME", 60));
    ASSERT_NO_THROW(machine_.RestoreDemo());
    ASSERT_NO_FATAL_FAILURE(StartMonitor());
    ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kGraphTab));
  };
  ASSERT_NO_FATAL_FAILURE(restart());
  EXPECT_TRUE(IsWindowVisible(TimeBar()));
  EXPECT_EQ(ItemText(IDC_AXIS_RIGHT), L"130");
  ShootWindow("page_graph_restarted");
  EXPECT_GT(PixelsOf(GetDlgItem(GraphPage(), IDC_GRAPH_AREA), RGB(255, 255, 0)), 100)
      << "the line of the samples before the kill";

  Click(IDC_CLEAR, GraphPage());
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(TimeBar()); }, kReactMs));
  StopMonitor();
  ASSERT_NO_FATAL_FAILURE(restart());
  EXPECT_FALSE(IsWindowVisible(TimeBar()));
  ShootWindow("page_graph_cleared");
  EXPECT_EQ(PixelsOf(GetDlgItem(GraphPage(), IDC_GRAPH_AREA), RGB(255, 255, 0)), 0)
      << "the start's one sample is a point, not a line";
}

TEST_F(LogAndGraph, SaveWritesNewFilesAsksBeforeReplacingAndReportsFailures) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kLogTab));
  ASSERT_TRUE(LogShows({kCautionEvent + Text(IDS_HEALTH_IS_CAUTION)}));
  const std::filesystem::path log = NewExportFile(L"log.csv");
  // Files of the user's beside it, named as temporary files could be.
  const std::vector<std::filesystem::path> others = {log.parent_path() / L"log.csv.new",
                                                     log.parent_path() / L"~Ardmon1.tmp"};
  for (const auto& other : others) std::ofstream(other, std::ios::binary) << "the user's";

  ASSERT_NO_FATAL_FAILURE(Export(LogPage(), log));
  const auto row = LogRows().at(0);
  const std::string csv = Narrow(row.first) + ", " + CsvField(row.second) + "\r\n";
  EXPECT_TRUE(WaitUntil([&] { return Contents(log) == csv; }, kReactMs)) << "a new file";
  for (const auto& other : others) EXPECT_EQ(Contents(other), "the user's") << other;

  // The same name again: replacing it is asked first.
  std::filesystem::resize_file(log, 0);
  ASSERT_NO_FATAL_FAILURE(Export(LogPage(), log));
  std::optional<MessageBoxView> box = WaitForBox();
  ASSERT_TRUE(box) << "no question before replacing";
  Answer(box->window, IDYES);
  EXPECT_TRUE(WaitUntil([&] { return Contents(log) == csv; }, kReactMs));

  // The graph's export: the header names the drives present.
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kGraphTab));
  const std::filesystem::path graph = NewExportFile(L"graph.csv");
  ASSERT_NO_FATAL_FAILURE(Export(GraphPage(), graph));
  // The drives are in slot order, as the list's rows are; the first
  // sample, at minute 0, holds their temperatures at start.
  std::string header = Narrow(Text(IDS_TIME_MINUTE));
  std::string first = "0,";
  for (const DemoDrive& drive : kDemo) {
    header += "," + Narrow(std::wstring(drive.letters) + drive.model);
    first += std::to_string(drive.celsius) + ",";
  }
  EXPECT_TRUE(WaitUntil(
      [&] { return Contents(graph).rfind(header + "\n" + first + "\r\n", 0) == 0; }, kReactMs))
      << Contents(graph).substr(0, 300);

  // A folder the file cannot be written to is reported.
  if (!ReadOnlyFolderRefusesFiles()) return;
  const std::filesystem::path refused = ReadOnlyFolder() / L"graph.csv";
  ASSERT_NO_FATAL_FAILURE(Export(GraphPage(), refused));
  ASSERT_TRUE(box = WaitForBox());
  const std::wstring says = Text(IDS_FILE_NOT_WRITTEN) + L"\n";
  EXPECT_EQ(box->text.substr(0, says.size()), says);
  EXPECT_EQ(box->text.substr(box->text.size() - 9), L"graph.csv") << "names the file";
  EXPECT_EQ(box->caption, Text(IDS_APP_TITLE));
  Answer(box->window, IDOK);
  EXPECT_FALSE(std::filesystem::exists(refused));
}

// Both pages as the user sees them, in the user's language: the program
// runs a second time in Japanese for this test.
TEST_F(LogAndGraph, TheLogAndGraphPagesInTheUsersLanguage) {
  const std::string language = ardmon::UserLanguage() == ardmon::Language::Japanese ? "_ja" : "_en";
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kLogTab));
  EXPECT_TRUE(LogShows({kCautionEvent + Text(IDS_HEALTH_IS_CAUTION)}));
  ShootWindow("pages_log" + language);
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kGraphTab));
  AddSamples(20, 4);
  ShootWindow("pages_graph" + language);
}

}  // namespace
}  // namespace monitorgui
