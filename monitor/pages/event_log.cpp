#include "monitor/pages/event_log.h"

#include <optional>

namespace monitor {
namespace {

// Nothing when either file cannot be opened: a first start has none.
std::optional<std::vector<LogEntry>> LoadFrom(FileSystem& files, const CodePage& codePage,
                                              const std::u16string& folder) {
  const std::vector<std::u16string> targets = LogFilePaths(folder);
  FinishReplacement(files, targets);
  const std::unique_ptr<ByteSource> times = files.OpenForReading(targets[0]);
  const std::unique_ptr<ByteSource> messages = times ? files.OpenForReading(targets[1]) : nullptr;
  if (!messages) return std::nullopt;
  return ReadLogFiles(*times, *messages, codePage);
}

}  // namespace

LoadedLog LoadLogFiles(FileSystem& files, const CodePage& codePage, const LogFolders& folders) {
  LoadedLog loaded{ChooseLogFolder(files, folders), {}};
  std::optional<std::vector<LogEntry>> entries = LoadFrom(files, codePage, loaded.folder);
  if (!entries && loaded.folder != folders.program) {
    entries = LoadFrom(files, codePage, folders.program);
  }
  if (entries) loaded.entries = std::move(*entries);
  return loaded;
}

void EventLog::TakeLoaded(LoadedLog loaded) {
  for (auto entry = loaded.entries.rbegin(); entry != loaded.entries.rend(); ++entry) {
    rows_.push_back(std::move(*entry));
  }
  folder_ = std::move(loaded.folder);
  loaded_ = true;
}

const LogEntry& EventLog::AddLogEntry(const std::u16string& message) {
  rows_.push_front({TimeOfNow(), message});
  return rows_.front();
}

void EventLog::Clear() {
  rows_.clear();
}

// Without the zone's reading the time is shown as UTC rather than not at all.
std::u16string EventLog::TimeOfNow() {
  const std::int64_t now = clock_.Now();
  return LogTimeText(clock_.Local(now).value_or(CalendarAt(now, 0)));
}

}  // namespace monitor
