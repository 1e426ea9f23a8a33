// The Log page's rules: its rows, newest on top, and the two log files
// that keep the newest of them across runs, rewritten whole or not at all
// from a snapshot (WriteLogFiles).
#pragma once

#include <string>
#include <vector>

#include "monitor/clock.h"
#include "monitor/code_page.h"
#include "monitor/file_system.h"
#include "monitor/pages/log_files.h"

namespace monitor {

class EventLog {
 public:
  // The folder of the files is chosen here, once.
  EventLog(FileSystem& files, const CodePage& codePage, Clock& clock, const LogFolders& folders);

  // The files' entries go on top of the rows, the last line on top. A
  // per-user folder without log files yet takes those of the program's
  // folder, which the next save then moves into it.
  void LoadLogFiles();
  // What the files are to hold now: the newest rows, in their folder.
  LogFilesSnapshot Snapshot() const { return {folder_, LogFilesOf(rows_, codePage_)}; }
  // A row on top with the local time of now.
  const LogEntry& AddLogEntry(const std::u16string& message);
  void Clear();

  const LogRows& rows() const { return rows_; }
  const std::u16string& folder() const { return folder_; }
  std::string Csv() const { return LogCsv(rows_, codePage_); }

 private:
  bool LoadFrom(const std::u16string& folder);
  std::u16string TimeOfNow();

  FileSystem& files_;
  const CodePage& codePage_;
  Clock& clock_;
  std::u16string programFolder_;
  std::u16string folder_;
  LogRows rows_;
};

}  // namespace monitor
