#include "monitor/pages/event_log.h"

#include <gmock/gmock.h>

#include <future>

#include "monitor/memory_file_system.h"
#include "monitor/store/csv.h"
#include "monitor/store/log_store.h"
#include "monitor_fixture.h"

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char16_t kProgram[] = u"C:\\Program Files\\Halvane\\Quenby";
constexpr char16_t kLocal[] = u"C:\\users\\ann\\AppData\\Local";
constexpr char16_t kUser[] = u"C:\\users\\ann\\AppData\\Local\\Halvane\\Quenby";

std::u16string In(const std::u16string& folder, const char16_t* name) {
  return JoinPath(folder, name);
}

class EventLogTest : public ::testing::Test {
 protected:
  MemoryFileSystem files;
  Latin1CodePage latin1;
  testing::FakeClock clock;

  void SetUp() override {
    files.CreateFolders(kProgram);
    files.CreateFolders(kLocal);
  }
  // What the files hold now, taken by a log as at the start.
  EventLog Loaded() {
    EventLog log(latin1, clock);
    log.TakeLoaded(LoadLogFiles(files, latin1, {kProgram, kLocal}));
    return log;
  }
  void WriteFiles(const std::u16string& folder, std::string times, std::string messages) {
    files.files[In(folder, kLogTimeFile)] = std::move(times);
    files.files[In(folder, kLogMessageFile)] = std::move(messages);
  }
  std::string& Times(const std::u16string& folder = kProgram) {
    return files.files[In(folder, kLogTimeFile)];
  }
  std::string& Messages(const std::u16string& folder = kProgram) {
    return files.files[In(folder, kLogMessageFile)];
  }
  static std::vector<std::u16string> MessagesOf(const EventLog& log) {
    std::vector<std::u16string> messages;
    for (const LogEntry& entry : log.rows()) messages.push_back(entry.message);
    return messages;
  }
};

TEST(LogTimeText, IsTheLocalDateAndMinuteWithTwoBlanksBetween) {
  EXPECT_EQ(LogTimeText(CalendarAt(1305295500, 0)), u"2011/05/13  14:05");
  // The zone's offset moves the reading across midnight and a month.
  EXPECT_EQ(LogTimeText(CalendarAt(1304207940, 540)), u"2011/05/01  08:59");
  EXPECT_EQ(LogTimeText(CalendarAt(1304207940, -60)), u"2011/04/30  22:59");
}

TEST_F(EventLogTest, EachEntryGoesOnTopWithTheLocalTime) {
  clock.now = 1305295500;  // 2011-05-13 14:05 UTC, 15:05 an hour east
  EventLog log = Loaded();
  log.AddLogEntry(u"C:MARLOWE MX500Add");
  clock.now += 30;
  log.AddLogEntry(u"C:MARLOWE MX500It is higher than the setting.");
  EXPECT_THAT(log.rows(), ElementsAre(LogEntry{u"2011/05/13  15:05",
                                               u"C:MARLOWE MX500It is higher than the setting."},
                                      LogEntry{u"2011/05/13  15:05", u"C:MARLOWE MX500Add"}));
  // Oldest first, LF only, beside the program while its folder is writable.
  EXPECT_EQ(log.folder(), kProgram);
  EXPECT_TRUE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Times(), "2011/05/13  15:05\n2011/05/13  15:05\n");
  EXPECT_EQ(Messages(), "C:MARLOWE MX500Add\nC:MARLOWE MX500It is higher than the setting.\n");
  EXPECT_FALSE(files.Exists(In(kUser, kLogMessageFile)));
}

TEST_F(EventLogTest, TheFilesKeepTheThirtyOneNewestAndAReloadShowsThemNewestOnTop) {
  EventLog log = Loaded();
  std::string expected;
  for (int i = 0; i < 40; ++i) {
    const std::string text = "event " + std::to_string(i);
    log.AddLogEntry(std::u16string(text.begin(), text.end()));
    if (i >= 9) expected += text + "\n";
  }
  EXPECT_EQ(log.rows().size(), 40u) << "the list itself has no limit";
  EXPECT_TRUE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Messages(), expected);
  EXPECT_EQ(std::count(Times().begin(), Times().end(), '\n'), 31);

  const EventLog reloaded = Loaded();
  ASSERT_EQ(reloaded.rows().size(), 31u);
  EXPECT_EQ(reloaded.rows().front().message, u"event 39");
  EXPECT_EQ(reloaded.rows().back().message, u"event 9");
  EXPECT_TRUE(std::equal(reloaded.rows().begin(), reloaded.rows().end(), log.rows().begin()));
}

TEST_F(EventLogTest, EntriesAddedBeforeTheFilesAreReadStayOnTop) {
  WriteFiles(kProgram, "t1\nt2\n", "m1\nm2\n");
  EventLog log(latin1, clock);
  log.AddLogEntry(u"m3");
  log.TakeLoaded(LoadLogFiles(files, latin1, {kProgram, kLocal}));
  EXPECT_THAT(MessagesOf(log), ElementsAre(u"m3", u"m2", u"m1"));
}

TEST_F(EventLogTest, ClearEmptiesTheListAndTruncatesBothFiles) {
  WriteFiles(kProgram, "2011/05/13  14:05\n", "D:Remove\n");
  EventLog log = Loaded();
  ASSERT_EQ(log.rows().size(), 1u);
  log.Clear();
  EXPECT_THAT(log.rows(), IsEmpty());
  EXPECT_TRUE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Times(), "");
  EXPECT_EQ(Messages(), "");
}

TEST_F(EventLogTest, LoadingTakesLinesAsTextModeReadsThem) {
  // A last line without LF, lines from an editor with CR LF, an empty line,
  // and a log file with one line more than the time file.
  WriteFiles(kProgram, "t1\r\nt2\n\nt4", "m1\r\nm2\r\n\nm4\nm5\n");
  EXPECT_THAT(Loaded().rows(), ElementsAre(LogEntry{u"t4", u"m4"}, LogEntry{u"", u""},
                                           LogEntry{u"t2", u"m2"}, LogEntry{u"t1", u"m1"}));
  // A CR that ends no line stays.
  WriteFiles(kProgram, "a\rb\n", "c\r");
  EXPECT_THAT(Loaded().rows(), ElementsAre(LogEntry{u"a\rb", u"c\r"}));
}

TEST_F(EventLogTest, AVeryLongLineIsCutButKeepsThePairing) {
  WriteFiles(kProgram, "t1\nt2\nt3\n", "m1\n" + std::string(10000, 'x') + "\nm3\n");
  const EventLog log = Loaded();
  ASSERT_EQ(log.rows().size(), 3u);
  EXPECT_EQ(log.rows()[1], (LogEntry{u"t2", std::u16string(kLogLineLimit, u'x')}));
  EXPECT_EQ(log.rows()[0], (LogEntry{u"t3", u"m3"}));
}

TEST_F(EventLogTest, TextsAreWrittenInTheCodePageAndKeptOnOneLine) {
  EventLog log = Loaded();
  log.AddLogEntry(u"C:Caf\u00e9 at 60\u2103");
  // A line break in a model name would pair every later line wrongly.
  log.AddLogEntry(u"D:BAD\r\nMODELAdd");
  EXPECT_TRUE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Messages(), "C:Caf\xe9 at 60?\nD:BAD  MODELAdd\n");
  EXPECT_THAT(MessagesOf(Loaded()), ElementsAre(u"D:BAD  MODELAdd", u"C:Caf\u00e9 at 60?"));
}

TEST_F(EventLogTest, AFailedWriteLeavesTheOldFilesWhole) {
  WriteFiles(kProgram, "t1\n", "m1\n");
  EventLog log = Loaded();
  files.failWriteTo = PendingPath(In(kProgram, kLogMessageFile));
  log.AddLogEntry(u"lost for now");
  EXPECT_FALSE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Times(), "t1\n");
  EXPECT_EQ(Messages(), "m1\n");
  EXPECT_FALSE(files.Exists(PendingPath(In(kProgram, kLogTimeFile))) ||
               files.Exists(PendingPath(In(kProgram, kLogMessageFile))));
  // The next write that works carries the entry along.
  files.failWriteTo.clear();
  log.AddLogEntry(u"next");
  EXPECT_TRUE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Messages(), "m1\nlost for now\nnext\n");
}

// The program's end writes the files and waits for it: mostly they hold its
// rows already, and then nothing is written. A file changed meanwhile is.
TEST_F(EventLogTest, FilesThatHoldTheTextsAreNotWrittenAgain) {
  int filesWritten = 0;
  files.beforeWrite = [&](const std::u16string&, std::string_view) { ++filesWritten; };
  WriteFiles(kProgram, "t1\n", "m0\n");
  const LogFilesSnapshot snapshot{kProgram, {"t1\n", "m1\n"}};
  for (const int expected : {2, 0}) {
    filesWritten = 0;
    EXPECT_TRUE(WriteLogFiles(files, snapshot));
    EXPECT_EQ(filesWritten, expected);
  }
  EXPECT_EQ(Messages(), "m1\n");
}

// An export replaces only the file the user chose: its temporary file takes
// a name no file holds, and nothing of it stays when a step fails.
TEST(ReplaceUserFile, OverwritesNoOtherFileOfTheUsers) {
  MemoryFileSystem files;
  files.CreateFolders(u"C:\\data");
  const std::u16string target = u"C:\\data\\x.csv";
  const std::map<std::u16string, std::string> users = {
      {target + u".new", "mine"}, {u"C:\\data\\~Ardmon1.tmp", "mine too"}, {target, "old"}};
  files.files = users;
  files.failRenameTo = target;
  EXPECT_FALSE(ReplaceUserFile(files, target, "csv"));
  EXPECT_EQ(files.files, users);
  files.failRenameTo.clear();
  EXPECT_TRUE(ReplaceUserFile(files, target, "csv"));
  EXPECT_EQ(files.files[target], "csv");
  files.files[target] = "old";
  EXPECT_EQ(files.files, users) << "nothing else changed";
}

// The caller never waits for a busy disk but at the end, and then only as
// long as it says; the files never go back to an older snapshot.
TEST(LogStore, WritesTheNewestSnapshotLastAwayFromTheCaller) {
  const auto disk = std::make_shared<MemoryFileSystem>();
  std::promise<void> entered, release;
  // The first write waits until the test lets it go, as a busy disk would.
  disk->beforeWrite = [&, first = true](const std::u16string&, std::string_view bytes) mutable {
    EXPECT_NE(bytes, "b\n") << "a newer snapshot came before it was begun";
    if (!std::exchange(first, false)) return;
    entered.set_value();
    release.get_future().wait();
  };
  const auto snapshot = [](std::string messages) {
    return LogFilesSnapshot{kProgram, {"t\n", std::move(messages)}};
  };
  LogStore store(disk, std::make_shared<Latin1CodePage>());
  store.Write(snapshot("a\n"));
  entered.get_future().wait();
  store.Write(snapshot("b\n"));
  EXPECT_FALSE(store.WriteAndWait(snapshot("c\n"), std::chrono::milliseconds(1)));
  release.set_value();
  EXPECT_TRUE(store.WriteAndWait(snapshot("d\n"), std::chrono::seconds(10)));
  EXPECT_EQ(disk->files.at(In(kProgram, kLogMessageFile)), "d\n");
}

TEST_F(EventLogTest, AnInterruptedReplacementIsFinishedOrUndoneAtTheNextStart) {
  const std::u16string pendingTimes = PendingPath(In(kProgram, kLogTimeFile));
  const std::u16string pendingMessages = PendingPath(In(kProgram, kLogMessageFile));
  // Cut off while writing: the old pair stays.
  WriteFiles(kProgram, "t1\n", "m1\n");
  files.files[pendingTimes] = "t1\nt2\n";
  files.files[pendingMessages] = "m1\n";
  EXPECT_THAT(MessagesOf(Loaded()), ElementsAre(u"m1"));
  EXPECT_FALSE(files.Exists(pendingTimes) || files.Exists(pendingMessages));

  // Cut off between the two renames: the new pair is completed.
  WriteFiles(kProgram, "t1\nt2\n", "m1\n");
  files.files[pendingMessages] = "m1\nm2\n";
  EXPECT_THAT(MessagesOf(Loaded()), ElementsAre(u"m2", u"m1"));
  EXPECT_EQ(Messages(), "m1\nm2\n");

  // A second rename that fails at once is completed the same way.
  EventLog log = Loaded();
  files.failRenameTo = In(kProgram, kLogMessageFile);
  log.AddLogEntry(u"m3");
  EXPECT_FALSE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Messages(), "m1\nm2\n");
  files.failRenameTo.clear();
  EXPECT_THAT(MessagesOf(Loaded()), ElementsAre(u"m3", u"m2", u"m1"));
}

TEST_F(EventLogTest, AnUnwritableProgramFolderMovesTheLogToTheUsersFolder) {
  WriteFiles(kProgram, "t1\nt2\n", "m1\nm2\n");
  files.readOnlyFolders.insert(kProgram);
  EventLog log = Loaded();
  EXPECT_EQ(log.folder(), kUser);
  EXPECT_THAT(MessagesOf(log), ElementsAre(u"m2", u"m1"));
  log.AddLogEntry(u"m3");
  EXPECT_TRUE(WriteLogFiles(files, log.Snapshot()));
  EXPECT_EQ(Messages(kUser), "m1\nm2\nm3\n") << "started from the program folder's log";
  EXPECT_TRUE(files.folders.count(kUser)) << "made on demand";
  EXPECT_EQ(Messages(kProgram), "m1\nm2\n");

  // From then on the user's own log is the one that counts.
  Messages(kProgram) = "stale\n";
  Times(kProgram) = "stale\n";
  EXPECT_THAT(MessagesOf(Loaded()), ElementsAre(u"m3", u"m2", u"m1"));
}

TEST_F(EventLogTest, TheCsvHasEveryRowOldestFirstQuotedOnlyWhereNeeded) {
  EXPECT_EQ(Loaded().Csv(), "") << "an empty list exports an empty file";
  clock.now = 1305295500;
  clock.utcOffsetMinutes = 0;
  EventLog log = Loaded();
  log.AddLogEntry(u"C:DISK, 2TBAdd");
  log.AddLogEntry(u"D:SAY \"HI\"Remove");
  log.AddLogEntry(u"E:PLAIN\u2103");
  EXPECT_EQ(log.Csv(),
            "2011/05/13  14:05, \"C:DISK, 2TBAdd\"\r\n"
            "2011/05/13  14:05, \"D:SAY \"\"HI\"\"Remove\"\r\n"
            "2011/05/13  14:05, E:PLAIN?\r\n");
}

TEST(CsvField, QuotesCommasQuotesAndLineBreaksOnly) {
  // Commas, quotes and plain fields are pinned by the log's export above.
  EXPECT_EQ(CsvField(u""), u"");
  EXPECT_EQ(CsvField(u"two\nlines"), u"\"two\nlines\"");
  EXPECT_EQ(CsvField(u"cr\r"), u"\"cr\r\"");
}

}  // namespace
}  // namespace monitor
