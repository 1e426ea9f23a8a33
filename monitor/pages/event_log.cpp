#include "monitor/pages/event_log.h"

namespace monitor {

EventLog::EventLog(FileSystem& files, const CodePage& codePage, Clock& clock,
                   const LogFolders& folders)
    : files_(files),
      codePage_(codePage),
      clock_(clock),
      programFolder_(folders.program),
      folder_(ChooseLogFolder(files, folders)) {}

void EventLog::LoadLogFiles() {
  if (!LoadFrom(folder_) && folder_ != programFolder_) LoadFrom(programFolder_);
}

// False when either file cannot be opened: a first start has none.
bool EventLog::LoadFrom(const std::u16string& folder) {
  const std::vector<std::u16string> targets = LogFilePaths(folder);
  FinishReplacement(files_, targets);
  const std::unique_ptr<ByteSource> times = files_.OpenForReading(targets[0]);
  const std::unique_ptr<ByteSource> messages = times ? files_.OpenForReading(targets[1]) : nullptr;
  if (!messages) return false;
  for (LogEntry& entry : ReadLogFiles(*times, *messages, codePage_)) {
    rows_.push_front(std::move(entry));
  }
  return true;
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
