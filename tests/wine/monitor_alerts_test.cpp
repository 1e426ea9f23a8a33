// Alerts that follow the drive, in the real Ardmon.exe against the
// simulated demo machine: a reallocated count that rises is logged once,
// whatever the health; counts accepted in the profile show the drive Good
// until one rises above them.
#include <string>
#include <vector>

#include "monitor/store/log_files.h"
#include "tests/wine/monitor_pages_fixture.h"

namespace monitorgui {
namespace {

constexpr int kCautionRow = 1;  // demo drive 1
constexpr int kHealthColumn = 5;
const std::wstring kDrive = std::wstring(kDemo[kCautionRow].letters) + kDemo[kCautionRow].model;

class DriveAlerts : public MonitorPages {
 protected:
  // Each test starts with an empty log.
  void SetUp() override {
    MonitorPages::SetUp();
    std::error_code ignored;
    for (const char16_t* name : {monitor::kLogTimeFile, monitor::kLogMessageFile}) {
      std::filesystem::remove(OwnFolder() / ardmon::Wide(name), ignored);
    }
  }
  void Reallocated(std::uint64_t count) const {
    machine_.Change([&](Fixture& f) {
      disklib::sim::SetReallocatedSectors(f, kDemo[kCautionRow].slot, count);
    });
  }
  // Under the profile's key, beside "SETTING".
  static std::wstring Section(const wchar_t* name) {
    return L"Software\\Halvane\\" + Text(IDS_APP_TITLE) + L"\\" + name;
  }
  static bool WriteAccepted(const std::wstring& value) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, Section(L"ACCEPTED").c_str(),
                           L"TESSERA TS1000DM003-1CH1 Z1D4R9WQ", REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
  }
  std::vector<std::wstring> LogMessages() const {
    const RemoteListView list(GetDlgItem(PageWith(IDC_LOG_LIST), IDC_LOG_LIST));
    std::vector<std::wstring> messages;
    for (int row = 0; row < list.Count(); ++row) messages.push_back(list.Text(row, 1));
    return messages;
  }
  bool LogShows(const std::vector<std::wstring>& messages) const {
    return WaitUntil([&] { return LogMessages() == messages; }, 3 * kCycleMs);
  }
  bool HealthShows(const std::wstring& health) const {
    return WaitUntil([&] { return DriveList().Text(kCautionRow, kHealthColumn) == health; },
                     3 * kCycleMs);
  }
  static std::wstring Rose(int before, int now) {
    return kDrive + Text(IDS_ATTR_NAME_05) + L" " + std::to_wstring(before) + L" -> " +
           std::to_wstring(now);
  }
};

TEST_F(DriveAlerts, ACountThatRisesIsLoggedOnceInCaution) {
  Reallocated(8);
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(kCautionRow, kLogTab));
  const std::wstring caution = kDrive + Text(IDS_HEALTH_IS_CAUTION);
  ASSERT_TRUE(LogShows({caution}));
  Sleep(2 * 1000);  // cycles that read 8 again
  Reallocated(16);
  EXPECT_TRUE(LogShows({Rose(8, 16), caution}));
  Sleep(2 * 1000);
  EXPECT_EQ(LogMessages().size(), 2u) << "16 again raises nothing";
}

TEST_F(DriveAlerts, AcceptedCountsShowGoodUntilOneRisesAbove) {
  Reallocated(16);
  ASSERT_TRUE(WriteAccepted(L"5=16"));
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  ASSERT_NO_FATAL_FAILURE(ShowDrive(kCautionRow, kSmartTab));
  const std::wstring accepted = Text(IDS_HEALTH_GOOD) + Text(IDS_ACCEPTED_MARK);
  EXPECT_TRUE(HealthShows(accepted));
  EXPECT_TRUE(WaitUntil([&] { return ItemText(IDC_SMART_HEALTH) == accepted; }, kReactMs));
  EXPECT_EQ(ItemText(IDC_ACCEPT_VALUES), Text(IDS_FORGET_ACCEPTED));
  ShootWindow("accepted_values");

  Reallocated(17);
  EXPECT_TRUE(HealthShows(Text(IDS_HEALTH_CAUTION)));
  ClickTab(kLogTab);
  EXPECT_TRUE(LogShows({kDrive + Text(IDS_HEALTH_IS_CAUTION), Rose(16, 17)}));

  // Accepting today's 17 from the page makes it Good again.
  ClickTab(kSmartTab);
  ASSERT_TRUE(
      WaitUntil([&] { return ItemText(IDC_ACCEPT_VALUES) == Text(IDS_ACCEPT_VALUES); }, kCycleMs));
  Click(IDC_ACCEPT_VALUES);
  EXPECT_TRUE(HealthShows(accepted));
}

}  // namespace
}  // namespace monitorgui
