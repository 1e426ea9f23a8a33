// The monitor's Win32 clock, code page and file system under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <thread>

#include "common/win32/wide_text.h"
#include "monitor/pages/event_log.h"
#include "monitor/win32/ansi_code_page.h"
#include "monitor/win32/system_clock.h"
#include "monitor/win32/win32_file_system.h"

namespace monitor {
namespace {

using ardmon::Wide;

TEST(SystemClock, ReadsTheTimeAsThePcShowsIt) {
  SystemClock clock;
  SYSTEMTIME before{}, after{};
  GetLocalTime(&before);
  const std::optional<CalendarTime> local = clock.Local(clock.Now());
  GetLocalTime(&after);
  ASSERT_TRUE(local);
  // Read between two readings of the platform's own clock, a second apart
  // at the most.
  const auto minuteOf = [](int day, int hour, int minute) {
    return (day * 24 + hour) * 60 + minute;
  };
  const int read = minuteOf(local->day, local->hour, local->minute);
  EXPECT_GE(read, minuteOf(before.wDay, before.wHour, before.wMinute));
  EXPECT_LE(read, minuteOf(after.wDay, after.wHour, after.wMinute));
  EXPECT_EQ(local->year, after.wYear);
  EXPECT_EQ(local->weekday, after.wDayOfWeek);

  TIME_ZONE_INFORMATION zone{};
  const DWORD daylight = GetTimeZoneInformation(&zone);
  const LONG bias = zone.Bias + (daylight == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  EXPECT_EQ(local->utcOffsetMinutes, -bias);
}

TEST(AnsiCodePage, ConvertsThroughTheSystemCodePage) {
  const AnsiCodePage ansi;
  EXPECT_EQ(ansi.FromUtf16(u"Disk OK"), "Disk OK");
  EXPECT_EQ(ansi.ToUtf16("Disk OK"), u"Disk OK");
  EXPECT_EQ(ansi.FromUtf16(u""), "");
  if (GetACP() == 1252) {
    EXPECT_EQ(ansi.FromUtf16(u"Caf\u00e9 \u2103"), "Caf\xe9 ?");
    EXPECT_EQ(ansi.ToUtf16("\x80"), u"\u20ac");
  }
}

// A fresh folder under the prefix's temporary folder.
class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::filesystem::path(temp) / L"ardmon-files-test";
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::u16string Path(const wchar_t* name = L"") const {
    const std::wstring path = (name[0] ? folder_ / name : folder_).wstring();
    return std::u16string(path.begin(), path.end());
  }
  std::string Read(const std::u16string& path) {
    const std::unique_ptr<ByteSource> source = files_.OpenForReading(path);
    if (!source) return "(none)";
    std::string bytes;
    char buffer[1000];
    for (std::size_t got; (got = source->Read(buffer, sizeof buffer)) > 0;)
      bytes.append(buffer, got);
    return bytes;
  }

  std::filesystem::path folder_;
  Win32FileSystem files_;
};

TEST_F(Win32Files, WritesReadsRenamesRemovesAndAppendsToFiles) {
  std::string big(100000, 'x');
  big[99999] = '\n';
  ASSERT_TRUE(files_.WriteWhole(Path(L"a.txt"), big));
  EXPECT_EQ(Read(Path(L"a.txt")), big);
  ASSERT_TRUE(files_.WriteWhole(Path(L"a.txt"), "short"));
  EXPECT_EQ(Read(Path(L"a.txt")), "short") << "truncated first";
  ASSERT_TRUE(files_.WriteWhole(Path(L"b.txt"), "new"));
  ASSERT_TRUE(files_.Rename(Path(L"b.txt"), Path(L"a.txt")));
  EXPECT_EQ(Read(Path(L"a.txt")), "new") << "replaced";
  EXPECT_FALSE(files_.Exists(Path(L"b.txt")));
  EXPECT_TRUE(files_.Remove(Path(L"a.txt")));
  EXPECT_FALSE(files_.Exists(Path(L"a.txt")));
  EXPECT_EQ(files_.OpenForReading(Path(L"a.txt")), nullptr);
  EXPECT_FALSE(files_.WriteWhole(Path(L"missing\\c.txt"), "x"));

  // A new file only: one that exists keeps its bytes.
  EXPECT_EQ(files_.WriteNew(Path(L"c.txt"), "first"), NewFile::kWritten);
  EXPECT_EQ(files_.WriteNew(Path(L"c.txt"), "second"), NewFile::kNameTaken);
  EXPECT_EQ(Read(Path(L"c.txt")), "first");
  EXPECT_EQ(files_.WriteNew(Path(L"missing\\c.txt"), "x"), NewFile::kFailed);

  ASSERT_TRUE(files_.Append(Path(L"d.txt"), "made, "));
  ASSERT_TRUE(files_.Append(Path(L"d.txt"), big));
  EXPECT_EQ(files_.OpenForReading(Path(L"d.txt"))->Size(), std::optional<std::size_t>(100006));
  EXPECT_EQ(ReadWholeFile(files_, Path(L"d.txt")), "made, " + big) << "then added to";
  EXPECT_FALSE(files_.Append(Path(L"missing\\d.txt"), "x"));
}

TEST_F(Win32Files, ReplacesAFileOnceItsReaderLetsGo) {
  ASSERT_TRUE(files_.WriteWhole(Path(L"a.txt"), "old"));
  ASSERT_TRUE(files_.WriteWhole(Path(L"b.txt"), "new"));
  const auto openForReading = [&] {
    return CreateFileW(Wide(Path(L"a.txt")).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  };
  HANDLE reader = openForReading();
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::thread letGo([reader] {
    Sleep(30);
    CloseHandle(reader);
  });
  EXPECT_TRUE(files_.Rename(Path(L"b.txt"), Path(L"a.txt")));
  letGo.join();
  EXPECT_EQ(Read(Path(L"a.txt")), "new");

  // A reader that keeps it: the old file stays.
  ASSERT_TRUE(files_.WriteWhole(Path(L"b.txt"), "newer"));
  reader = openForReading();
  EXPECT_FALSE(files_.Rename(Path(L"b.txt"), Path(L"a.txt")));
  CloseHandle(reader);
  EXPECT_EQ(Read(Path(L"a.txt")), "new");
}

TEST_F(Win32Files, TellsWhereFilesCanBeCreatedAndMakesFolders) {
  EXPECT_TRUE(files_.CanCreateFilesIn(Path()));
  EXPECT_TRUE(std::filesystem::is_empty(folder_)) << "the probe is gone";
  const std::u16string nested = Path(L"one\\two\\three");
  EXPECT_FALSE(files_.CanCreateFilesIn(nested));
  EXPECT_TRUE(files_.CreateFolders(nested));
  EXPECT_TRUE(files_.CreateFolders(nested)) << "already there";
  EXPECT_TRUE(files_.CanCreateFilesIn(nested));
}

TEST_F(Win32Files, TheLogFilesGoThroughTheRealFileSystemAndCodePage) {
  SystemClock clock;
  const AnsiCodePage ansi;
  EventLog log(ansi, clock);
  log.TakeLoaded(LoadLogFiles(files_, ansi, {Path(), u""}));
  for (int i = 0; i < 40; ++i) log.AddLogEntry(u"D:DISK" + std::u16string(1, u'a' + i % 26));
  ASSERT_TRUE(WriteLogFiles(files_, log.Snapshot()));
  EXPECT_FALSE(files_.Exists(PendingPath(Path(L"Ardmon.time"))));
  const std::string messages = Read(Path(L"Ardmon.log"));
  EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 31);
  EXPECT_EQ(messages.substr(messages.size() - 8), "D:DISKn\n");
  EventLog reloaded(ansi, clock);
  reloaded.TakeLoaded(LoadLogFiles(files_, ansi, {Path(), u""}));
  ASSERT_EQ(reloaded.rows().size(), 31u);
  EXPECT_TRUE(std::equal(reloaded.rows().begin(), reloaded.rows().end(), log.rows().begin()));
}

TEST(ThisUsersLogFolders, AreTheProgramsFolderAndTheLocalApplicationData) {
  const LogFolders folders = ThisUsersLogFolders();
  EXPECT_EQ(std::filesystem::path(ardmon::Wide(folders.program)),
            ardmon::ModulePath().parent_path());
  ASSERT_FALSE(folders.localAppData.empty());
  EXPECT_TRUE(std::filesystem::is_directory(ardmon::Wide(folders.localAppData)));
}

}  // namespace
}  // namespace monitor
