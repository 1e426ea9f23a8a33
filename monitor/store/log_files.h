// The Log page's texts on disk: the two line files "Ardmon.time" and
// "Ardmon.log", whose line n belong together, the folder they live in, and
// the CSV export.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "monitor/clock.h"
#include "monitor/code_page.h"
#include "monitor/file_system.h"

namespace monitor {

struct LogEntry {
  std::u16string time;
  std::u16string message;
  bool operator==(const LogEntry& other) const {
    return time == other.time && message == other.message;
  }
};

// Row 0 first: the newest entry.
using LogRows = std::deque<LogEntry>;

constexpr char16_t kLogTimeFile[] = u"Ardmon.time";
constexpr char16_t kLogMessageFile[] = u"Ardmon.log";
// The files keep this many of the newest entries.
constexpr std::size_t kSavedLogEntries = 31;
// A line is read whole, however long, and then cut to this many bytes.
constexpr std::size_t kLogLineLimit = 4096;

// "2011/05/13  14:05": two blanks between date and time.
std::u16string LogTimeText(const CalendarTime& time);

// Lines of a text file: each read to its LF, or to the end of the file for
// a last line without one; a CR before the LF is dropped, as text mode
// reads; each line is cut to `limit` bytes once it is read whole.
class LineReader {
 public:
  explicit LineReader(ByteSource& source, std::size_t limit = kLogLineLimit)
      : source_(source), limit_(limit) {}
  std::optional<std::string> NextLine();

 private:
  bool Fill();

  ByteSource& source_;
  std::size_t limit_;
  char buffer_[4096];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

// The entries of the two files in file order, oldest first, as far as both
// have lines.
std::vector<LogEntry> ReadLogFiles(ByteSource& times, ByteSource& messages,
                                   const CodePage& codePage);

// The two files' texts for the rows: the newest kSavedLogEntries, oldest
// first, each line ended by LF.
struct LogFileTexts {
  std::string times;
  std::string messages;
};
LogFileTexts LogFilesOf(const LogRows& rows, const CodePage& codePage);

// The time file and the message file in a folder, in that order.
std::vector<std::u16string> LogFilePaths(const std::u16string& folder);

// What one save of the log files writes: taken on the window's thread,
// written away from it.
struct LogFilesSnapshot {
  std::u16string folder;
  LogFileTexts texts;
};
// Makes the folder when missing and replaces both files together, unless
// they hold the texts already; false when they stay as they were.
bool WriteLogFiles(FileSystem& files, const LogFilesSnapshot& snapshot);

// The CSV export: every row, oldest first, "time, message" and CR LF.
std::string LogCsv(const LogRows& rows, const CodePage& codePage);

// Where the log files live: the program's folder when the user may create
// files there, else the per-user folder below the local application data.
constexpr char16_t kUserLogFolder[] = u"Halvane\\Quenby";
struct LogFolders {
  std::u16string program;
  std::u16string localAppData;
};
std::u16string ChooseLogFolder(FileSystem& files, const LogFolders& folders);

}  // namespace monitor
