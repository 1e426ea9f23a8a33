#include "monitor/store/win32/history_writer.h"

#include <chrono>
#include <optional>

#include "monitor/win32/posted.h"
#include "monitor/win32/win32_file_system.h"

namespace monitor {

struct HistoryWriter::State {
  Win32FileSystem files;
  std::optional<HistoryFile> file;
  bool appendFailed = false;
};

namespace {

// Appends take well under a millisecond; this bounds the end of the
// program when the disk does not answer.
constexpr std::chrono::seconds kExitWait{2};

}  // namespace

HistoryWriter::HistoryWriter() : state_(std::make_shared<State>()) {}

HistoryWriter::~HistoryWriter() {
  worker_.Drain(kExitWait);
}

void HistoryWriter::Open(HWND window, UINT message, std::int64_t now) {
  worker_.Post([state = state_, window, message, now] {
    state->file.emplace(state->files, ThisUsersLogFolders());
    PostOwned(window, message, std::make_unique<OpenedHistory>(state->file->Open(now)));
  });
}

// A write that fails may leave a record cut short. Nothing more is added
// after it, so that the next start reads the file up to there and drops
// only that record, rather than setting the whole file aside.
void HistoryWriter::Append(std::string records) {
  if (records.empty()) return;
  worker_.Post([state = state_, records = std::move(records)] {
    if (state->file && !state->appendFailed) state->appendFailed = !state->file->Append(records);
  });
}

}  // namespace monitor
