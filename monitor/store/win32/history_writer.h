// The Graph page's history file on a thread of its own, since the window's
// thread does no file I/O: opened there at start, its history handed back
// to the window, and appended to there after every change.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "monitor/store/history_file.h"
#include "monitor/worker_thread.h"

namespace monitor {

class HistoryWriter {
 public:
  HistoryWriter();
  HistoryWriter(const HistoryWriter&) = delete;
  HistoryWriter& operator=(const HistoryWriter&) = delete;
  // Waits a moment for the records given to reach the file.
  ~HistoryWriter();

  // Chooses the folder and opens the file as of `now`; the OpenedHistory
  // comes to `window` as `message`, for TakePosted.
  void Open(HWND window, UINT message, std::int64_t now);
  // After the file is opened: records to append, in the order given.
  void Append(std::string records);

  struct State;  // shared with the jobs

 private:
  std::shared_ptr<State> state_;
  WorkerThread worker_;
};

}  // namespace monitor
