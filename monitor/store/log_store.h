// Reads and writes the log files away from the window's thread, which a
// busy or failing disk must not hold. One job at a time, in the order
// asked; a snapshot whose write has not begun gives way to a newer one, so
// the files never go back to an older snapshot.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "monitor/code_page.h"
#include "monitor/file_system.h"
#include "monitor/pages/event_log.h"
#include "monitor/store/log_files.h"
#include "monitor/worker_thread.h"

namespace monitor {

class LogStore {
 public:
  // The jobs share `files` and `codePage`, which may outlive the store.
  LogStore(std::shared_ptr<FileSystem> files, std::shared_ptr<const CodePage> codePage)
      : files_(std::move(files)), codePage_(std::move(codePage)) {}

  // Reads the files; `loaded` gets them on the store's thread. Writes
  // asked before it has them would replace the files by fewer entries.
  void Load(LogFolders folders, std::function<void(LoadedLog)> loaded);
  void Write(LogFilesSnapshot snapshot);
  // At the program's end: writes the snapshot and waits for it, at most
  // `bound`. False when it failed or has not ended by then.
  bool WriteAndWait(LogFilesSnapshot snapshot, std::chrono::milliseconds bound);

 private:
  std::shared_ptr<FileSystem> files_;
  std::shared_ptr<const CodePage> codePage_;
  WorkerThread worker_;
};

}  // namespace monitor
