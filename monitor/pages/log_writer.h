// Writes the log files away from the window's thread, which a busy or
// failing disk must not hold. One write at a time, in the order asked; a
// snapshot whose write has not begun gives way to a newer one, so the files
// never go back to an older snapshot.
#pragma once

#include <chrono>
#include <memory>

#include "monitor/file_system.h"
#include "monitor/pages/log_files.h"
#include "monitor/worker_thread.h"

namespace monitor {

class LogWriter {
 public:
  // The writes share `files`, which may outlive the writer.
  explicit LogWriter(std::shared_ptr<FileSystem> files) : files_(std::move(files)) {}

  void Write(LogFilesSnapshot snapshot);
  // At the program's end: writes the snapshot and waits for it, at most
  // `bound`. False when it failed or has not ended by then.
  bool WriteAndWait(LogFilesSnapshot snapshot, std::chrono::milliseconds bound);

 private:
  std::shared_ptr<FileSystem> files_;
  WorkerThread worker_;
};

}  // namespace monitor
