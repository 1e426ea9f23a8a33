// The Graph page's history file, "Ardmon.history", beside the log files:
// read and tidied once at start, then only appended to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "monitor/file_system.h"
#include "monitor/store/history_records.h"
#include "monitor/store/log_files.h"

namespace monitor {

constexpr char16_t kHistoryFile[] = u"Ardmon.history";
// A file that cannot be read as ours is kept under this name beside it.
constexpr char16_t kSetAsideSuffix[] = u".bad";
// The newest 366 days are kept; older samples are dropped when the file is
// written anew, which happens at most once a day.
constexpr std::int64_t kHistoryKeptSeconds = 366 * 86400;
constexpr std::int64_t kCompactionPeriodSeconds = 86400;

struct OpenedHistory {
  StoredHistory stored;
  // The file, or its records from some point on, could not be read as
  // ours: it was renamed aside and a new one begun with what could be.
  bool setAside = false;
};

class HistoryFile {
 public:
  // The folder is chosen as the log files' is, once.
  HistoryFile(FileSystem& files, const LogFolders& folders);

  // The history the file holds now. The file is written anew when its
  // last whole writing is a day old, when a record was cut short or is not
  // ours, and when it is read from the program's folder for the user's
  // folder; a missing file is begun.
  OpenedHistory Open(std::int64_t now);
  // Records after those the file holds; false when they could not be
  // written.
  bool Append(std::string_view records);

  const std::u16string& path() const { return path_; }

 private:
  bool Replace(const std::string& bytes);

  FileSystem& files_;
  std::u16string programPath_;
  std::u16string folder_;
  std::u16string path_;
};

}  // namespace monitor
