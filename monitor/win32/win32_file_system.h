// The file system of the log and the exports on Win32.
#pragma once

#include "monitor/file_system.h"
#include "monitor/store/log_files.h"

namespace monitor {

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> OpenForReading(const std::u16string& path) override;
  bool WriteWhole(const std::u16string& path, std::string_view bytes) override;
  bool Append(const std::u16string& path, std::string_view bytes) override;
  NewFile WriteNew(const std::u16string& path, std::string_view bytes) override;
  bool Rename(const std::u16string& from, const std::u16string& to) override;
  bool Remove(const std::u16string& path) override;
  bool Exists(const std::u16string& path) override;
  bool CanCreateFilesIn(const std::u16string& folder) override;
  bool CreateFolders(const std::u16string& folder) override;
};

// The running program's folder and this user's local application data.
LogFolders ThisUsersLogFolders();

}  // namespace monitor
