// The HDD information, S.M.A.R.T. and Setting pages of the real Ardmon.exe
// against the simulated demo machine: what they show, read across
// processes, how the Setting page stores and refuses, and how the main
// dialog guards unapplied settings. Screenshots of the three pages in both
// languages go to the build tree's screenshots/.
#include "tests/wine/monitor_pages_fixture.h"

#include <filesystem>
#include <string>

#include "monitor/pages/win32/win32_volume_query.h"

namespace monitorgui {
namespace {

using disklib::sim::Health;
using disklib::sim::SetHealth;

constexpr std::uint32_t kCautionColour = 0x00FFFF;
constexpr std::uint32_t kBadColour = 0x0000FF;

TEST_F(MonitorPages, HddInformationShowsTheSelectedDriveAndItsVolume) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kHddInfoTab));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(IDC_MODEL_NAME) == kDemo[1].model; }, kReactMs));
  EXPECT_EQ(ItemText(IDC_MAKER), L"TESSERA");
  EXPECT_EQ(ItemText(IDC_SERIAL_NUMBER), L"Z1D4R9WQ");
  EXPECT_EQ(ItemText(IDC_FIRMWARE), L"CC43    ") << "firmware is shown untrimmed";
  EXPECT_EQ(ItemText(IDC_POWER_ON_TIME), L"21,873hours");
  EXPECT_EQ(DriveLetters(), std::vector<std::wstring>{L"D:"});

  // The NVMe drive holds C:, which the prefix has: its volume's facts come.
  ASSERT_NO_FATAL_FAILURE(ShowDrive(kNvmeRow, kHddInfoTab));
  EXPECT_TRUE(
      WaitUntil([&] { return ItemText(IDC_MODEL_NAME) == DemoOf(kNvmeDrive).model; }, kReactMs));
  EXPECT_EQ(ItemText(IDC_POWER_ON_TIME), L"4,873hours");
  EXPECT_EQ(DriveLetters(), std::vector<std::wstring>{L"C:"});
  EXPECT_EQ(ChosenLetter(), 0);
  EXPECT_TRUE(WaitUntil([&] { return !ItemText(IDC_FILE_SYSTEM).empty(); }, kReactMs));
  const std::wstring used = ItemText(IDC_USED_SPACE), free = ItemText(IDC_FREE_SPACE);
  EXPECT_EQ(used.substr(used.size() - 2), L"GB") << used.c_str();
  EXPECT_EQ(free.substr(free.size() - 2), L"GB") << free.c_str();
  ShootWindow("page_hdd_info");
}

TEST_F(MonitorPages, SmartRowsCarryTheirVerdictsAndDescriptions) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kSmartTab));
  const RemoteListView list = Attributes();
  ASSERT_TRUE(list.ok());
  // Drive 1 of the demo machine counts 8 reallocated sectors: Caution.
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 15; }, kReactMs)) << list.Count();
  auto rows = list.Rows();
  EXPECT_EQ(rows[0].cells[0], L"01");
  EXPECT_EQ(rows[0].cells[1], Text(IDS_ATTR_NAME_01));
  EXPECT_EQ(rows[0].cells[5], L"71245224");
  EXPECT_EQ(rows[3].cells[0], L"05");
  EXPECT_EQ(static_cast<std::uint32_t>(rows[3].data), kCautionColour << 8 | 5);
  const auto colours = Colours(list);
  EXPECT_EQ(std::count(colours.begin(), colours.end(), kCautionColour), 1) << "only ID 05";
  ShootWindow("page_smart_caution");

  // Marking a row describes its attribute.
  const HWND attributes = GetDlgItem(PageWith(IDC_ATTRIBUTE_LIST), IDC_ATTRIBUTE_LIST);
  SendBounded(attributes, LVM_SETSELECTIONMARK, 0, 3);
  list.Select(3);
  EXPECT_TRUE(WaitUntil(
      [&] { return ItemText(IDC_ATTRIBUTE_DESCRIPTION) == Text(IDS_ATTR_DESC_05); }, kReactMs));

  // A drive degraded to Bad shows a red row.
  machine_.Change([](Fixture& f) { SetHealth(f, 2, Health::Bad); });
  ASSERT_NO_FATAL_FAILURE(ShowDrive(2, kSmartTab));
  EXPECT_TRUE(WaitUntil(
      [&] {
        const auto colours = Colours(list);
        return std::count(colours.begin(), colours.end(), kBadColour) == 1;
      },
      2 * kCycleMs));
  ShootWindow("page_smart_bad");
}

TEST_F(MonitorPages, AnNvmeDriveListsItsHealthLog) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(kNvmeRow, kSmartTab));
  const RemoteListView list = Attributes();
  ASSERT_TRUE(WaitUntil([&] { return list.Count() == 15; }, kReactMs)) << list.Count();
  const auto rows = list.Rows();
  EXPECT_EQ(rows[1].cells[0], L"01");
  EXPECT_EQ(rows[1].cells[1], Text(IDS_NVME_NAME_COMPOSITE_TEMPERATURE));
  EXPECT_EQ(rows[1].cells[2], std::to_wstring(DemoOf(kNvmeDrive).celsius));
  EXPECT_EQ(rows[11].cells[1], Text(IDS_NVME_NAME_POWER_ON_HOURS));
  EXPECT_EQ(rows[11].cells[5], L"4873");
  ShootWindow("page_smart_nvme");

  // Worn out: the row of the used endurance turns yellow.
  machine_.Change([](Fixture& f) { disklib::sim::SetWear(f, kNvmeDrive, 95); });
  EXPECT_TRUE(WaitUntil([&] { return Colours(list).at(4) == kCautionColour; }, 2 * kCycleMs));
  EXPECT_EQ(list.Text(4, 5), L"95");
  ShootWindow("page_smart_nvme_worn");
}

TEST_F(MonitorPages, SettingsAreStoredByApplyAndAnEmptyFieldIsRefused) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kSettingTab));
  EXPECT_EQ(ItemText(IDC_WARNING_TEMPERATURE), L"50");
  EXPECT_EQ(ItemText(IDC_CHECK_INTERVAL), L"0") << "as the test stored it";
  EXPECT_EQ(ItemText(IDC_ALLOWABLE_COUNT), L"3");
  EXPECT_EQ(SendBounded(GetDlgItem(PageWith(IDC_NO_WAKE), IDC_NO_WAKE), BM_GETCHECK, 0, 0),
            BST_CHECKED);

  // The interval of 0 that the tests run with is refused.
  SetItemText(IDC_WARNING_TEMPERATURE, L"45");
  SetItemText(IDC_ALLOWABLE_COUNT, L"5");
  Click(IDC_APPLY);
  std::optional<MessageBoxView> box = WaitForBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, Text(IDS_CHECK_INTERVAL_TOO_SMALL));
  EXPECT_EQ(box->caption, Text(IDS_APP_TITLE));
  Answer(box->window, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Boxes().empty(); }, kReactMs));
  EXPECT_EQ(profile_.ReadInt(L"TEMP"), std::nullopt) << "nothing stored";

  SetItemText(IDC_CHECK_INTERVAL, L"1");
  for (int box : {IDC_HEALTH_LOG, IDC_NO_WAKE}) {
    PostMessageW(GetDlgItem(PageWith(box), box), BM_CLICK, 0, 0);
  }
  Click(IDC_APPLY);
  EXPECT_TRUE(WaitUntil([&] { return profile_.ReadInt(L"COUNT") == 5u; }, kReactMs));
  EXPECT_EQ(profile_.ReadInt(L"TEMP"), 45u);
  EXPECT_EQ(profile_.ReadInt(L"TIME"), 1u);
  EXPECT_EQ(profile_.ReadInt(L"HEALTHLOG"), 0u);
  EXPECT_EQ(profile_.ReadInt(L"TEMPLOG"), 1u);
  EXPECT_EQ(profile_.ReadInt(L"NOWAKE"), 0u);
  ShootWindow("page_setting");

  SetItemText(IDC_CHECK_INTERVAL, L"");
  Click(IDC_APPLY);
  ASSERT_TRUE(box = WaitForBox());
  EXPECT_EQ(box->text, Text(IDS_PLEASE_INPUT));
  Answer(box->window, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Boxes().empty(); }, kReactMs));
  EXPECT_EQ(profile_.ReadInt(L"TIME"), 1u) << "nothing stored";
}

TEST_F(MonitorPages, LeavingTheSettingTabWithEditsAsksToApplyThem) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kSettingTab));

  // Yes with an empty field: the page refuses and its tab comes back.
  SetItemText(IDC_WARNING_TEMPERATURE, L"");
  ClickTab(kLogTab);
  std::optional<MessageBoxView> box = WaitForBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, Text(IDS_APPLY_QUESTION));
  Answer(box->window, IDYES);
  ASSERT_TRUE(box = WaitForBox(Text(IDS_APPLY_QUESTION)));
  EXPECT_EQ(box->text, Text(IDS_PLEASE_INPUT));
  Answer(box->window, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return Boxes().empty() && CurrentTab() == kSettingTab; }, kReactMs));
  EXPECT_TRUE(PageShown(IDC_APPLY));

  // No: the Log tab, nothing stored; hiding the window drops the edit.
  SetItemText(IDC_WARNING_TEMPERATURE, L"61");
  ClickTab(kLogTab);
  ASSERT_TRUE(box = WaitForBox());
  Answer(box->window, IDNO);
  EXPECT_TRUE(WaitUntil([&] { return Boxes().empty() && CurrentTab() == kLogTab; }, kReactMs));
  EXPECT_FALSE(PageShown(IDC_APPLY));
  EXPECT_EQ(profile_.ReadInt(L"TEMP"), std::nullopt);
  PostMessageW(window_, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return ItemText(IDC_WARNING_TEMPERATURE) == L"50"; }, kReactMs));

  // Yes with good edits applies them and moves on.
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kSettingTab));
  SetItemText(IDC_WARNING_TEMPERATURE, L"62");
  SetItemText(IDC_CHECK_INTERVAL, L"1");
  ClickTab(kSmartTab);
  ASSERT_TRUE(box = WaitForBox());
  Answer(box->window, IDYES);
  EXPECT_TRUE(WaitUntil([&] { return Boxes().empty() && CurrentTab() == kSmartTab; }, kReactMs));
  EXPECT_EQ(profile_.ReadInt(L"TEMP"), 62u);
}

// The dialog the drive list's menu opens for the selected drive.
HWND DriveTempDialog(DWORD processId) {
  for (HWND window : TopLevelWindows(L"#32770", processId)) {
    if (IsWindowVisible(window) && GetDlgItem(window, IDC_DRIVE_TEMP_OWN)) return window;
  }
  return nullptr;
}

std::wstring Limit(int celsius, unsigned source) {
  return Celsius(celsius) + L" (" + Text(source) + L")";
}

// Under "DRIVETEMP", named by the drive's model and serial number.
std::optional<DWORD> StoredDriveTemp(const std::wstring& name) {
  const std::wstring section = L"Software\\Halvane\\" + Text(IDS_APP_TITLE) + L"\\DRIVETEMP";
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, section.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr,
                   &value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

TEST_F(MonitorPages, ADrivesOwnWarningTemperatureIsSetFromTheDriveListAndCounted) {
  // The Log page then holds this test's warnings only.
  for (const wchar_t* file : {L"Ardmon.log", L"Ardmon.time"}) {
    std::error_code ignored;
    std::filesystem::remove(OwnFolder() / file, ignored);
  }
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(kNvmeRow, kHddInfoTab));
  EXPECT_TRUE(WaitUntil(
      [&] { return ItemText(IDC_WARNING_LIMIT) == Limit(70, IDS_LIMIT_FROM_DRIVE); }, kReactMs))
      << "the NVMe drive's WCTEMP";
  ASSERT_NO_FATAL_FAILURE(ShowDrive(0, kHddInfoTab));
  EXPECT_TRUE(WaitUntil(
      [&] { return ItemText(IDC_WARNING_LIMIT) == Limit(50, IDS_LIMIT_FROM_SETTING); }, kReactMs));

  // The menu's command for the selected drive: its own 40 degrees.
  PostMessageW(window_, WM_COMMAND, ID_DRIVE_TEMP, 0);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = DriveTempDialog(monitor_.id())); }, kReactMs));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_DRIVE_TEMP_DRIVE)),
            std::wstring(kDemo[0].letters) + kDemo[0].model);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_DRIVE_TEMP_OWN)), L"");
  const RECT shown = WindowRect(dialog);
  EXPECT_TRUE(Screenshot("drive_temp_dialog", &shown));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_DRIVE_TEMP_DEFAULT)), Limit(50, IDS_LIMIT_FROM_SETTING));
  SendMessageW(GetDlgItem(dialog, IDC_DRIVE_TEMP_OWN), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"40"));
  Answer(dialog, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !DriveTempDialog(monitor_.id()); }, kReactMs));
  const std::wstring name = L"MARLOWE MX500AS-01 MX5A0X1F32K7";
  EXPECT_EQ(StoredDriveTemp(name), 40u);
  EXPECT_TRUE(WaitUntil(
      [&] { return ItemText(IDC_WARNING_LIMIT) == Limit(40, IDS_LIMIT_FROM_OWN); }, kReactMs));
  ShootWindow("page_hdd_info_own_limit");

  // At 45 degrees only drive 0 is over its limit: the warning comes after
  // three samples.
  Heat(0, 45);
  Heat(1, 45);
  std::optional<MessageBoxView> box = WaitForBox(L"", 5 * kCycleMs);
  ASSERT_TRUE(box) << "no warning";
  EXPECT_EQ(box->text, Text(IDS_OVER_TEMPERATURE));
  Answer(box->window, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Boxes().empty(); }, kReactMs));
  std::vector<std::wstring> warnings;
  for (const auto& row : RemoteListView(GetDlgItem(PageWith(IDC_LOG_LIST), IDC_LOG_LIST)).Rows()) {
    if (row.cells[1].find(Text(IDS_OVER_TEMPERATURE)) != std::wstring::npos) {
      warnings.push_back(row.cells[1]);
    }
  }
  EXPECT_EQ(warnings, std::vector<std::wstring>{std::wstring(kDemo[0].letters) + kDemo[0].model +
                                                Text(IDS_OVER_TEMPERATURE)});

  // An empty field gives the drive back its default.
  PostMessageW(window_, WM_COMMAND, ID_DRIVE_TEMP, 0);
  ASSERT_TRUE(WaitUntil([&] { return (dialog = DriveTempDialog(monitor_.id())); }, kReactMs));
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_DRIVE_TEMP_OWN)), L"40");
  SendMessageW(GetDlgItem(dialog, IDC_DRIVE_TEMP_OWN), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L""));
  Answer(dialog, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !DriveTempDialog(monitor_.id()); }, kReactMs));
  EXPECT_EQ(StoredDriveTemp(name), std::nullopt);
}

// The three pages as the user sees them, in the user's language: the
// program runs a second time in Japanese for this test.
TEST_F(MonitorPages, ThePagesInTheUsersLanguage) {
  const std::string language = ardmon::UserLanguage() == ardmon::Language::Japanese ? "_ja" : "_en";
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kHddInfoTab));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(IDC_POWER_ON_TIME) == L"21,873" + Text(IDS_HOURS); },
                        kReactMs));
  EXPECT_EQ(ItemText(IDC_WARNING_LIMIT), Celsius(50) + L" (" + Text(IDS_LIMIT_FROM_SETTING) + L")");
  ShootWindow("pages_hdd_info" + language);
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kSmartTab));
  const RemoteListView list = Attributes();
  EXPECT_TRUE(WaitUntil([&] { return list.Count() > 0; }, kReactMs));
  EXPECT_EQ(list.Text(0, 1), Text(IDS_ATTR_NAME_01));
  ShootWindow("pages_smart" + language);
  ASSERT_NO_FATAL_FAILURE(ShowDrive(1, kSettingTab));
  ShootWindow("pages_setting" + language);
  EXPECT_EQ(TextOf(window_), L"Halvane Quenby Ver3.0.7");
}

// The platform's volume facts behind the HDD information page: the prefix's
// C: is a folder of the host's disk.
TEST(Win32VolumeQuery, ReadsAVolumeAndRefusesAMissingOne) {
  monitor::Win32VolumeQuery query;
  const std::optional<monitor::VolumeNames> names = query.Names(u"C:\\");
  ASSERT_TRUE(names);
  EXPECT_FALSE(names->fileSystem.empty());
  const monitor::VolumeSpace space = query.Space(u"C:\\");
  EXPECT_GT(space.total, 0u);
  EXPECT_LE(space.freeForUser, space.total);

  EXPECT_FALSE(query.Names(u"Q:\\"));
  EXPECT_EQ(query.Space(u"Q:\\").total, 0u);
  EXPECT_EQ(monitor::VolumeFactsOf(u"Q:\\", query).usedShare, monitor::kNoUsedShare);
}

}  // namespace
}  // namespace monitorgui
