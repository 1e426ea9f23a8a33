#include "monitor/store/history_file.h"

namespace monitor {
namespace {

bool CompactionDue(std::string_view bytes, std::int64_t now) {
  const std::optional<std::int64_t> writtenAt = HistoryHeaderTime(bytes);
  // A clock set back (or a header time from the future) is written anew too.
  // Compared without subtracting the stored time, which may be anything.
  return !writtenAt || *writtenAt > now || *writtenAt <= now - kCompactionPeriodSeconds;
}

}  // namespace

HistoryFile::HistoryFile(FileSystem& files, const LogFolders& folders)
    : files_(files),
      programPath_(JoinPath(folders.program, kHistoryFile)),
      folder_(ChooseLogFolder(files, folders)),
      path_(JoinPath(folder_, kHistoryFile)) {}

OpenedHistory HistoryFile::Open(std::int64_t now) {
  FinishReplacement(files_, {path_});
  std::optional<std::string> bytes = ReadWholeFile(files_, path_);
  const bool here = bytes.has_value();
  if (!here && programPath_ != path_) bytes = ReadWholeFile(files_, programPath_);
  OpenedHistory opened;
  if (!bytes) {
    opened.stored.lastSampleTime = now;
    Replace(HistoryHeader(now));
    return opened;
  }
  const std::int64_t keepFrom = now - kHistoryKeptSeconds;
  const bool due = !here || CompactionDue(*bytes, now);
  ReadHistoryResult read = ReadHistory(*bytes, keepFrom, due ? std::optional(now) : std::nullopt);
  if (read.end != HistoryEnd::Whole && !due) read = ReadHistory(*bytes, keepFrom, now);
  opened.setAside = read.end == HistoryEnd::Damaged || read.end == HistoryEnd::NotOurs;
  if (opened.setAside && here) files_.Rename(path_, path_ + kSetAsideSuffix);
  if (read.end == HistoryEnd::NotOurs) {
    read.stored.lastSampleTime = now;
    read.rewritten = HistoryHeader(now);
  }
  opened.stored = std::move(read.stored);
  if (!read.rewritten.empty()) Replace(read.rewritten);
  return opened;
}

bool HistoryFile::Append(std::string_view records) {
  return records.empty() || files_.Append(path_, records);
}

// The per-user folder is made when it is first needed.
bool HistoryFile::Replace(const std::string& bytes) {
  files_.CreateFolders(folder_);
  return ReplaceTogether(files_, {{path_, bytes}});
}

}  // namespace monitor
