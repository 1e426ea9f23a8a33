#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>

#include "monitor/file_system.h"

namespace monitor {

// Bytes read from a string.
class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(char* buffer, std::size_t size) override;
  std::optional<std::size_t> Size() const override { return bytes_.size(); }

 private:
  std::string bytes_;
  std::size_t offset_ = 0;
};

// Files held in memory, for tests: folders that exist, folders where no
// file may be created, and writes and renames that fail on request.
class MemoryFileSystem final : public FileSystem {
 public:
  std::map<std::u16string, std::string> files;
  std::set<std::u16string> folders;
  std::set<std::u16string> readOnlyFolders;
  // A write or an append to this path stops with half of its bytes written.
  std::u16string failWriteTo;
  // A rename onto this path fails.
  std::u16string failRenameTo;
  // Called before each write, on the writing thread: a test can hold the
  // disk there or note what is written.
  std::function<void(const std::u16string& path, std::string_view bytes)> beforeWrite;

  std::unique_ptr<ByteSource> OpenForReading(const std::u16string& path) override;
  bool WriteWhole(const std::u16string& path, std::string_view bytes) override;
  bool Append(const std::u16string& path, std::string_view bytes) override;
  NewFile WriteNew(const std::u16string& path, std::string_view bytes) override;
  bool Rename(const std::u16string& from, const std::u16string& to) override;
  bool Remove(const std::u16string& path) override { return files.erase(path) > 0; }
  bool Exists(const std::u16string& path) override { return files.count(path) > 0; }
  bool CanCreateFilesIn(const std::u16string& folder) override;
  bool CreateFolders(const std::u16string& folder) override;
};

}  // namespace monitor
