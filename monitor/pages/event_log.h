// The Log page's rules: its rows, newest on top, and the two log files
// that keep the newest of them across runs, read once at the start
// (LoadLogFiles) and rewritten whole or not at all from a snapshot
// (WriteLogFiles), both away from the window's thread.
#pragma once

#include <string>
#include <vector>

#include "monitor/clock.h"
#include "monitor/code_page.h"
#include "monitor/file_system.h"
#include "monitor/store/log_files.h"

namespace monitor {

// What the log files held at the start: the folder chosen for them and
// their entries, oldest first.
struct LoadedLog {
  std::u16string folder;
  std::vector<LogEntry> entries;
};
// A per-user folder without log files yet takes those of the program's
// folder, which the next save then moves into it.
LoadedLog LoadLogFiles(FileSystem& files, const CodePage& codePage, const LogFolders& folders);

class EventLog {
 public:
  EventLog(const CodePage& codePage, Clock& clock) : codePage_(codePage), clock_(clock) {}

  // The files' entries go below the rows added meanwhile, the last line on
  // top of them; from then on the files are saved in their folder.
  void TakeLoaded(LoadedLog loaded);
  bool loaded() const { return loaded_; }
  // What the files are to hold now: the newest rows, in their folder.
  LogFilesSnapshot Snapshot() const { return {folder_, LogFilesOf(rows_, codePage_)}; }
  // A row on top with the local time of now.
  const LogEntry& AddLogEntry(const std::u16string& message);
  void Clear();

  const LogRows& rows() const { return rows_; }
  const std::u16string& folder() const { return folder_; }
  std::string Csv() const { return LogCsv(rows_, codePage_); }

 private:
  std::u16string TimeOfNow();

  const CodePage& codePage_;
  Clock& clock_;
  bool loaded_ = false;
  std::u16string folder_;
  LogRows rows_;
};

}  // namespace monitor
