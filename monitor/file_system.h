// Files of the log and the exports: read as a stream of bytes, written
// through temporary files so that a file is either the old one or the new
// one, never half of each. The Win32 implementation is Win32FileSystem;
// tests use MemoryFileSystem.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace monitor {

// A file open for reading.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes; 0 at the end of the file or on a read error.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  // The file's size when it was opened, if known: a whole file is then
  // read into one piece of memory.
  virtual std::optional<std::size_t> Size() const { return std::nullopt; }
};

// What FileSystem::WriteNew did.
enum class NewFile { kWritten, kNameTaken, kFailed };

// Paths are Windows paths; the portable code only joins and compares them.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Nothing when the file cannot be opened.
  virtual std::unique_ptr<ByteSource> OpenForReading(const std::u16string& path) = 0;
  // Creates or truncates the file and writes all of `bytes` through to the
  // disk; false when any of that fails, which may leave part of it written.
  virtual bool WriteWhole(const std::u16string& path, std::string_view bytes) = 0;
  // Adds `bytes` at the end of the file, which is made when missing; false
  // when any of that fails, which may leave part of them written.
  virtual bool Append(const std::u16string& path, std::string_view bytes) = 0;
  // As WriteWhole, but only when no file of that name exists: the check and
  // the creation are one step. A file it created but could not fill is
  // removed again.
  virtual NewFile WriteNew(const std::u16string& path, std::string_view bytes) = 0;
  // Puts `from` in the place of `to`, replacing it, in one step.
  virtual bool Rename(const std::u16string& from, const std::u16string& to) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
  virtual bool Exists(const std::u16string& path) = 0;
  // Whether this user may create files in the folder.
  virtual bool CanCreateFilesIn(const std::u16string& folder) = 0;
  // The folder and the ones above it that are missing.
  virtual bool CreateFolders(const std::u16string& folder) = 0;
};

// Everything a file holds; nothing when it cannot be opened.
std::optional<std::string> ReadWholeFile(FileSystem& files, const std::u16string& path);

std::u16string JoinPath(const std::u16string& folder, std::u16string_view name);
// The folder part of a path: empty when it names none.
std::u16string FolderOf(const std::u16string& path);

// Replaces the user's file `target` in one step: the bytes go first to a
// temporary file of the same folder, created under a name no file holds
// yet, so that no other file of the user's is ever overwritten, and that
// file is then renamed over the target. False when any step failed; the
// temporary file is then gone and the target as it was.
bool ReplaceUserFile(FileSystem& files, const std::u16string& target, std::string_view bytes);

// Files that belong together, replaced as one: each new text goes to a
// temporary file beside its target, and only when all of them are written
// are they renamed over the targets, in order. False when any step failed;
// the temporary files are then removed and the targets left as they were,
// unless a rename failed after an earlier one had succeeded.
using FileTexts = std::vector<std::pair<std::u16string, std::string>>;
bool ReplaceTogether(FileSystem& files, const FileTexts& texts);

// After a crash or a power cut during ReplaceTogether: completes the
// renames if they had begun, since all new texts were whole by then, and
// otherwise drops the temporary files, leaving the old targets.
void FinishReplacement(FileSystem& files, const std::vector<std::u16string>& targets);

// The temporary file that stands for `target` during a replacement.
std::u16string PendingPath(const std::u16string& target);

}  // namespace monitor
