#include "monitor/store/log_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "monitor/store/csv.h"

namespace monitor {
namespace {

// One line of a file: a line break inside a text would split its entry and
// pair every later line with the wrong partner.
std::u16string OneLine(std::u16string text) {
  std::replace(text.begin(), text.end(), u'\r', u' ');
  std::replace(text.begin(), text.end(), u'\n', u' ');
  return text;
}

}  // namespace

std::u16string LogTimeText(const CalendarTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%d/%02d/%02d  %02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute);
  return std::u16string(text, text + std::strlen(text));
}

bool LineReader::Fill() {
  begin_ = 0;
  end_ = source_.Read(buffer_, sizeof buffer_);
  return end_ > 0;
}

std::optional<std::string> LineReader::NextLine() {
  std::string line;
  std::size_t length = 0;  // of the whole line, however much of it is kept
  char last = '\0';
  for (;;) {
    if (begin_ == end_ && !Fill()) break;
    const char* start = buffer_ + begin_;
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
    const std::size_t count = lf ? static_cast<std::size_t>(lf - start) : end_ - begin_;
    if (line.size() < limit_) line.append(start, std::min(count, limit_ - line.size()));
    if (count > 0) last = start[count - 1];
    length += count;
    begin_ += count;
    if (lf) {
      ++begin_;
      if (last == '\r' && length == line.size()) line.pop_back();
      return line;
    }
  }
  if (length == 0) return std::nullopt;  // the end of the file
  return line;
}

std::vector<LogEntry> ReadLogFiles(ByteSource& times, ByteSource& messages,
                                   const CodePage& codePage) {
  LineReader timeLines(times);
  LineReader messageLines(messages);
  std::vector<LogEntry> entries;
  for (;;) {
    const std::optional<std::string> time = timeLines.NextLine();
    if (!time) break;
    const std::optional<std::string> message = messageLines.NextLine();
    if (!message) break;
    entries.push_back({codePage.ToUtf16(*time), codePage.ToUtf16(*message)});
  }
  return entries;
}

LogFileTexts LogFilesOf(const LogRows& rows, const CodePage& codePage) {
  LogFileTexts texts;
  for (std::size_t row = std::min(rows.size(), kSavedLogEntries); row-- > 0;) {
    texts.times += codePage.FromUtf16(OneLine(rows[row].time)) + '\n';
    texts.messages += codePage.FromUtf16(OneLine(rows[row].message)) + '\n';
  }
  return texts;
}

std::vector<std::u16string> LogFilePaths(const std::u16string& folder) {
  return {JoinPath(folder, kLogTimeFile), JoinPath(folder, kLogMessageFile)};
}

// Files that hold the texts already are left as they are: the program's
// end writes, and waits for it, mostly with nothing logged since the last
// write, and reading them back costs no flush to the disk.
bool WriteLogFiles(FileSystem& files, const LogFilesSnapshot& snapshot) {
  const std::vector<std::u16string> targets = LogFilePaths(snapshot.folder);
  if (ReadWholeFile(files, targets[0]) == snapshot.texts.times &&
      ReadWholeFile(files, targets[1]) == snapshot.texts.messages) {
    return true;
  }
  files.CreateFolders(snapshot.folder);
  return ReplaceTogether(
      files, {{targets[0], snapshot.texts.times}, {targets[1], snapshot.texts.messages}});
}

std::string LogCsv(const LogRows& rows, const CodePage& codePage) {
  std::string csv;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    csv += codePage.FromUtf16(CsvField(row->time) + u", " + CsvField(row->message) + u"\r\n");
  }
  return csv;
}

std::u16string ChooseLogFolder(FileSystem& files, const LogFolders& folders) {
  if (folders.localAppData.empty() || files.CanCreateFilesIn(folders.program)) {
    return folders.program;
  }
  return JoinPath(folders.localAppData, kUserLogFolder);
}

}  // namespace monitor
