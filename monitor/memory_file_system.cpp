#include "monitor/memory_file_system.h"

#include <algorithm>
#include <cstring>

namespace monitor {

std::size_t StringSource::Read(char* buffer, std::size_t size) {
  const std::size_t count = std::min(size, bytes_.size() - offset_);
  std::memcpy(buffer, bytes_.data() + offset_, count);
  offset_ += count;
  return count;
}

std::unique_ptr<ByteSource> MemoryFileSystem::OpenForReading(const std::u16string& path) {
  const auto file = files.find(path);
  if (file == files.end()) return nullptr;
  return std::make_unique<StringSource>(file->second);
}

bool MemoryFileSystem::WriteWhole(const std::u16string& path, std::string_view bytes) {
  if (beforeWrite) beforeWrite(path, bytes);
  if (!CanCreateFilesIn(FolderOf(path))) return false;
  if (path == failWriteTo) {
    files[path] = std::string(bytes.substr(0, bytes.size() / 2));
    return false;
  }
  files[path] = std::string(bytes);
  return true;
}

bool MemoryFileSystem::Append(const std::u16string& path, std::string_view bytes) {
  if (!CanCreateFilesIn(FolderOf(path))) return false;
  if (path == failWriteTo) {
    files[path] += bytes.substr(0, bytes.size() / 2);
    return false;
  }
  files[path] += bytes;
  return true;
}

NewFile MemoryFileSystem::WriteNew(const std::u16string& path, std::string_view bytes) {
  if (Exists(path)) return NewFile::kNameTaken;
  if (WriteWhole(path, bytes)) return NewFile::kWritten;
  files.erase(path);
  return NewFile::kFailed;
}

bool MemoryFileSystem::Rename(const std::u16string& from, const std::u16string& to) {
  const auto file = files.find(from);
  if (file == files.end() || to == failRenameTo) return false;
  files[to] = file->second;
  files.erase(from);
  return true;
}

bool MemoryFileSystem::CanCreateFilesIn(const std::u16string& folder) {
  return folders.count(folder) > 0 && readOnlyFolders.count(folder) == 0;
}

bool MemoryFileSystem::CreateFolders(const std::u16string& folder) {
  for (std::u16string f = folder; !f.empty(); f = FolderOf(f)) folders.insert(f);
  return true;
}

}  // namespace monitor
