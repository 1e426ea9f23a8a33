#include "monitor/store/log_store.h"

#include <future>
#include <utility>

namespace monitor {

void LogStore::Load(LogFolders folders, std::function<void(LoadedLog)> loaded) {
  worker_.Post([files = files_, codePage = codePage_, folders = std::move(folders),
                loaded = std::move(loaded)] { loaded(LoadLogFiles(*files, *codePage, folders)); });
}

// A write that fails leaves the files as they were; the next one, or the
// one at the end, tries again.
void LogStore::Write(LogFilesSnapshot snapshot) {
  worker_.Replace(
      [files = files_, snapshot = std::move(snapshot)] { WriteLogFiles(*files, snapshot); });
}

bool LogStore::WriteAndWait(LogFilesSnapshot snapshot, std::chrono::milliseconds bound) {
  auto written = std::make_shared<std::promise<bool>>();
  std::future<bool> result = written->get_future();
  worker_.Replace([files = files_, snapshot = std::move(snapshot), written] {
    written->set_value(WriteLogFiles(*files, snapshot));
  });
  return result.wait_for(bound) == std::future_status::ready && result.get();
}

}  // namespace monitor
