#include "monitor/store/history_file.h"

#include <gmock/gmock.h>

#include <cstring>

#include "monitor/memory_file_system.h"
#include "monitor/memory_profile.h"
#include "monitor/pages/graph.h"

namespace monitor {
namespace {

constexpr char16_t kFolder[] = u"C:\\Quenby";
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kStart = 1'700'000'000;

void PutDrive(SlotTable& table, int slot, const char* model, const char* serial) {
  DriveSlot& drive = table.slots[slot];
  drive.slotRecord.Present = 1;
  std::strcpy(drive.slotRecord.Temp.ModelNumber, model);
  std::strcpy(drive.slotRecord.Temp.SerialNumber, serial);
  drive.displayName = u"X:DISK";
  drive.reading = DriveReading::kRead;
}

// Asleep since the monitor started: only its INQUIRY name is known.
void PutSleepingDrive(SlotTable& table, int slot) {
  DriveSlot& drive = table.slots[slot];
  drive.slotRecord.Temp = {};
  std::strcpy(drive.slotRecord.InquiryId, "ATA     DISK");
  drive.reading = DriveReading::kAsleepUnread;
}

// A run of the monitor: the Graph page's core over a history file that
// it appends to after every change, as the page does.
class MonitorRun {
  HistoryFile file_;
  SlotTable& table_;

 public:
  MonitorRun(MemoryFileSystem& files, SlotTable& table, std::int64_t now)
      : file_(files, {kFolder, u""}), table_(table) {
    opened = file_.Open(now);
    graph.Adopt(std::move(opened.stored));
  }
  void Sample(int interval, std::int64_t time, std::initializer_list<std::uint8_t> celsius) {
    int slot = 0;
    for (const std::uint8_t c : celsius) table_.slots[slot++].slotRecord.Temp.Temperature = c;
    table_.lastSampleTime = time;
    graph.AddGraphSample(interval);
    Flush();
  }
  void Flush() { ASSERT_TRUE(file_.Append(graph.TakeRecords())); }

  OpenedHistory opened;
  MemoryProfile profile;
  GraphPageCore graph{table_, profile};
};

class HistoryFileTest : public ::testing::Test {
 protected:
  HistoryFileTest() { files.CreateFolders(kFolder); }

  std::string& Bytes() { return files.files[JoinPath(kFolder, kHistoryFile)]; }
  // Every sample's time and texts, as the export and the picture read them.
  static std::vector<std::string> Texts(const TemperatureHistory& history) {
    std::vector<std::string> texts;
    for (std::size_t sample = 0; sample < history.size(); ++sample) {
      std::string text = std::to_string(history.TimeOf(sample)) + ":";
      for (int slot = 0; slot < 4; ++slot) {
        text += history.Emptied(sample, slot)
                    ? "_,"
                    : std::to_string(history.TemperatureOf(sample, slot)) + ",";
      }
      texts.push_back(text);
    }
    return texts;
  }

  MemoryFileSystem files;
  SlotTable table;
};

TEST_F(HistoryFileTest, TheBytesOfTheHeaderAndOfEachRecord) {
  EXPECT_EQ(HistoryHeader(0x0102030405060708),
            std::string("ARDMHIST\1\0\0\0\0\0\0\0\x08\x07\x06\x05\x04\x03\x02\x01", 24));
  HistoryRecords records(1000);
  SlotTemperatures temperatures{};
  temperatures[0] = 38;
  temperatures[25] = 41;
  records.Sample(130, 1120, temperatures);  // 120 seconds later: zigzag 240
  records.ClearSlots(1u << 3);
  records.ClearSlots(1u << 9);  // the same record, no sample between
  records.Drive(2, {"MODEL", "SN1"});
  records.ClearAll();
  records.Sample(0, 1060, {});  // 60 seconds back: zigzag 119
  EXPECT_EQ(records.Take(), std::string("\x01\x82\x01\xf0\x01\x01\x00\x00\x02\x26\x29"
                                        "\x02\x08\x02\x00\x00"
                                        "\x04\x02\x05MODEL\x03SN1"
                                        "\x03"
                                        "\x01\x00\x77\x00\x00\x00\x00",
                                        36));
}

TEST_F(HistoryFileTest, ARestartLoadsTheSamplesClearedSlotsAndClearAsTheyWere) {
  PutDrive(table, 0, "ALPHA", "A1");
  PutDrive(table, 1, "BRAVO", "B1");
  const ardmon::TableStrings strings(ardmon::Language::English);
  const Latin1CodePage latin1;
  std::vector<std::string> before;
  std::string csv;
  {
    MonitorRun run(files, table, kStart);
    EXPECT_FALSE(run.opened.setAside);
    run.Sample(0, kStart, {40, 30});
    run.Sample(2, kStart + 120, {41, 31});
    run.graph.Clear();  // what came before is gone for good
    run.Sample(2, kStart + 240, {42, 32, 0, 0});
    run.graph.ClearGraphSlot(1);
    run.graph.ClearGraphSlot(2);
    run.Sample(3, kStart + 420, {43, 33});
    run.graph.ClearGraphSlot(0);
    run.Flush();
    for (int i = 0; i < 60; ++i) run.Sample(2, kStart + 540 + 120 * i, {44, 34});
    before = Texts(run.graph.history());
    csv = run.graph.Csv(strings, latin1);
    EXPECT_EQ(before.front(), "2:_,_,_,0,");
    EXPECT_EQ(before[1], "5:_,33,0,0,");
  }
  MonitorRun after(files, table, kStart + 8000);
  EXPECT_EQ(Texts(after.graph.history()), before);
  EXPECT_EQ(after.graph.Csv(strings, latin1), csv) << "the export holds the loaded samples";
  // The counting and the window go on from the loaded samples.
  EXPECT_TRUE(after.graph.window().timeBar.shown);
  EXPECT_EQ(after.graph.window().right, 130);
  after.Sample(0, kStart + 8000, {45, 35});
  EXPECT_EQ(after.graph.history().TotalMinutes(), 125);
}

TEST_F(HistoryFileTest, ATornLastRecordIsDroppedAndTheFileMendedQuietly) {
  PutDrive(table, 0, "ALPHA", "A1");
  {
    MonitorRun run(files, table, kStart);
    run.Sample(0, kStart, {40});
    run.Sample(2, kStart + 120, {41});
  }
  const std::string whole = Bytes();
  const std::size_t lastRecord = whole.size() - 9;  // tag, 1, 2 bytes of time, mask, 41
  for (std::size_t cut = lastRecord + 1; cut < whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    Bytes() = whole.substr(0, cut);
    MonitorRun run(files, table, kStart + 600);
    EXPECT_FALSE(run.opened.setAside);
    EXPECT_THAT(Texts(run.graph.history()), ::testing::ElementsAre("0:40,0,0,0,"));
    EXPECT_EQ(ReadHistory(Bytes(), 0, std::nullopt).end, HistoryEnd::Whole);
  }
}

// A file that is not ours, or records in it that are not, is kept aside
// (replacing an older one) and what could be read goes on in a new file.
TEST_F(HistoryFileTest, AFileNotReadAsOursIsSetAsideAndANewOneBegun) {
  PutDrive(table, 0, "ALPHA", "A1");
  {
    MonitorRun run(files, table, kStart);
    run.Sample(0, kStart, {40});
  }
  const std::string good = Bytes();
  std::string newer = good;
  newer[8] = 2;
  const struct {
    const char* what;
    std::string bytes;
    std::size_t samplesKept;
  } cases[] = {
      {"another format", "Time(minute),C:\n0,40,\r\n", 0},
      {"a newer version", newer, 0},
      {"an empty file", "", 0},
      {"a record not ours", good + "\x07garbage", 1},
      {"a slot beyond the table", good + std::string("\x04\x1a\x00\x00", 4), 1},
  };
  const std::u16string aside = JoinPath(kFolder, u"Ardmon.history.bad");
  files.files[aside] = "older";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes() = c.bytes;
    MonitorRun run(files, table, kStart + 60);
    EXPECT_TRUE(run.opened.setAside);
    EXPECT_EQ(files.files[aside], c.bytes);
    EXPECT_EQ(run.graph.history().size(), c.samplesKept);
    EXPECT_EQ(ReadHistory(Bytes(), 0, std::nullopt).end, HistoryEnd::Whole);
    MonitorRun again(files, table, kStart + 120);
    EXPECT_FALSE(again.opened.setAside) << "said once";
  }
}

TEST_F(HistoryFileTest, ASlotWhoseDriveChangedStartsWithAnEmptyColumn) {
  PutDrive(table, 0, "ALPHA", "A1");
  PutDrive(table, 1, "BRAVO", "B1");
  {
    MonitorRun run(files, table, kStart);
    run.Sample(0, kStart, {40, 30});
  }
  PutDrive(table, 1, "BRAVO", "B2");  // the same model, another drive
  {
    MonitorRun run(files, table, kStart + 600);
    run.Sample(0, kStart + 600, {41, 31});
    EXPECT_THAT(Texts(run.graph.history()), ::testing::ElementsAre("0:40,_,0,0,", "0:41,31,0,0,"));
  }
  MonitorRun run(files, table, kStart + 1200);
  run.Sample(0, kStart + 1200, {42, 32});
  EXPECT_THAT(Texts(run.graph.history()),
              ::testing::ElementsAre("0:40,_,0,0,", "0:41,31,0,0,", "0:42,32,0,0,"))
      << "the new drive is the file's now";
}

TEST_F(HistoryFileTest, ADriveAsleepAtStartIsComparedWithTheFilesOnceItIsRead) {
  PutDrive(table, 0, "ALPHA", "A1");
  PutDrive(table, 1, "BRAVO", "B1");
  PutDrive(table, 2, "CHARLIE", "C1");
  {
    MonitorRun run(files, table, kStart);
    run.Sample(0, kStart, {40, 30, 20});
  }
  PutSleepingDrive(table, 1);
  PutSleepingDrive(table, 2);
  MonitorRun run(files, table, kStart + 600);
  run.Sample(0, kStart + 600, {41, 31, 21});
  EXPECT_THAT(Texts(run.graph.history()), ::testing::ElementsAre("0:40,30,20,0,", "0:41,0,0,0,"))
      << "no samples while they sleep, and their history stays";
  PutDrive(table, 1, "BRAVO", "B1");
  PutDrive(table, 2, "CHARLIE", "C2");
  run.Sample(0, kStart + 1200, {42, 32, 22});
  EXPECT_THAT(Texts(run.graph.history()),
              ::testing::ElementsAre("0:40,30,_,0,", "0:41,0,_,0,", "0:42,32,22,0,"));
}

TEST_F(HistoryFileTest, CompactionKeepsTheNewest366DaysAtMostOnceADay) {
  PutDrive(table, 0, "ALPHA", "A1");
  {
    MonitorRun run(files, table, kStart);
    for (int day = 0; day < 400; ++day) run.Sample(day == 0 ? 0 : 1, kStart + day * kDay, {40});
  }
  const std::int64_t now = kStart + 399 * kDay + 3600;
  {
    MonitorRun run(files, table, now);
    const TemperatureHistory& history = run.graph.history();
    ASSERT_EQ(history.size(), 366u) << "days 34 to 399";
    EXPECT_EQ(history.TimeOf(0), 0) << "the oldest kept begins the axis";
    EXPECT_EQ(history.TotalMinutes(), 365);
    EXPECT_EQ(HistoryHeaderTime(Bytes()), now);
  }
  // Within the day the file is only appended to; a day later it is
  // written anew.
  const std::string compacted = Bytes();
  { MonitorRun run(files, table, now + kDay - 1); }
  EXPECT_EQ(Bytes(), compacted);
  MonitorRun run(files, table, now + kDay);
  EXPECT_EQ(run.graph.history().size(), 365u);
  EXPECT_EQ(HistoryHeaderTime(Bytes()), now + kDay);
}

TEST_F(HistoryFileTest, AUsersFolderBeginsWithTheProgramFoldersHistory) {
  const std::u16string users = u"C:\\Users\\u\\AppData\\Local";
  PutDrive(table, 0, "ALPHA", "A1");
  {
    MonitorRun run(files, table, kStart);
    run.Sample(0, kStart, {40});
  }
  files.readOnlyFolders.insert(kFolder);
  HistoryFile file(files, {kFolder, users});
  EXPECT_EQ(file.Open(kStart + 60).stored.history.size(), 1u);
  EXPECT_EQ(ReadHistory(files.files.at(file.path()), 0, std::nullopt).stored.history.size(), 1u);
  EXPECT_EQ(file.path(), users + u"\\Halvane\\Quenby\\Ardmon.history");
}

}  // namespace
}  // namespace monitor
