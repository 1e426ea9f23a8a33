#include "monitor/file_system.h"

namespace monitor {
namespace {

// Names tried for the temporary file of ReplaceUserFile before giving up.
constexpr int kTemporaryNames = 100;

// Removes the temporary files of the first `count` targets, the last one
// first, and stops at a removal that fails: what stays behind then always
// includes the first one, which FinishReplacement reads as "never renamed".
void DropPending(FileSystem& files, const std::vector<std::u16string>& targets, std::size_t count) {
  while (count > 0) {
    const std::u16string pending = PendingPath(targets[--count]);
    if (files.Exists(pending) && !files.Remove(pending)) return;
  }
}

std::vector<std::u16string> TargetsOf(const FileTexts& texts) {
  std::vector<std::u16string> targets;
  for (const auto& text : texts) targets.push_back(text.first);
  return targets;
}

}  // namespace

std::optional<std::string> ReadWholeFile(FileSystem& files, const std::u16string& path) {
  const std::unique_ptr<ByteSource> source = files.OpenForReading(path);
  if (!source) return std::nullopt;
  // All at once when the size is known, so that a year of history is read
  // into one piece of memory; then whatever the file holds beyond it.
  std::string bytes(source->Size().value_or(0), '\0');
  std::size_t size = 0;
  while (size < bytes.size()) {
    const std::size_t count = source->Read(bytes.data() + size, bytes.size() - size);
    if (count == 0) break;
    size += count;
  }
  bytes.resize(size);
  char piece[1 << 16];
  while (const std::size_t count = source->Read(piece, sizeof piece)) bytes.append(piece, count);
  return bytes;
}

std::u16string JoinPath(const std::u16string& folder, std::u16string_view name) {
  std::u16string path = folder;
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
  path += name;
  return path;
}

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

bool ReplaceUserFile(FileSystem& files, const std::u16string& target, std::string_view bytes) {
  const std::u16string folder = FolderOf(target);
  for (int n = 1; n <= kTemporaryNames; ++n) {
    const std::string number = std::to_string(n);
    const std::u16string temporary =
        JoinPath(folder, u"~Ardmon" + std::u16string(number.begin(), number.end()) + u".tmp");
    switch (files.WriteNew(temporary, bytes)) {
      case NewFile::kNameTaken:
        continue;
      case NewFile::kFailed:
        return false;
      case NewFile::kWritten:
        if (files.Rename(temporary, target)) return true;
        files.Remove(temporary);
        return false;
    }
  }
  return false;
}

std::u16string PendingPath(const std::u16string& target) {
  return target + u".new";
}

bool ReplaceTogether(FileSystem& files, const FileTexts& texts) {
  const std::vector<std::u16string> targets = TargetsOf(texts);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (!files.WriteWhole(PendingPath(targets[i]), texts[i].second)) {
      DropPending(files, targets, i + 1);
      return false;
    }
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (files.Rename(PendingPath(targets[i]), targets[i])) continue;
    // Before the first rename nothing has changed yet. After it, the rest
    // stay pending: FinishReplacement completes them, so that the targets
    // never stay a mix of old and new.
    if (i == 0) DropPending(files, targets, texts.size());
    return false;
  }
  return true;
}

void FinishReplacement(FileSystem& files, const std::vector<std::u16string>& targets) {
  if (targets.empty()) return;
  // The first temporary file is renamed first: while it exists no target
  // has been replaced, and the others may be partly written.
  if (files.Exists(PendingPath(targets.front()))) {
    DropPending(files, targets, targets.size());
    return;
  }
  for (const std::u16string& target : targets) {
    const std::u16string pending = PendingPath(target);
    if (files.Exists(pending)) files.Rename(pending, target);
  }
}

}  // namespace monitor
