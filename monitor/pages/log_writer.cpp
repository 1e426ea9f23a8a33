#include "monitor/pages/log_writer.h"

#include <future>
#include <utility>

namespace monitor {

// A write that fails leaves the files as they were; the next one, or the
// one at the end, tries again.
void LogWriter::Write(LogFilesSnapshot snapshot) {
  worker_.Replace(
      [files = files_, snapshot = std::move(snapshot)] { WriteLogFiles(*files, snapshot); });
}

bool LogWriter::WriteAndWait(LogFilesSnapshot snapshot, std::chrono::milliseconds bound) {
  auto written = std::make_shared<std::promise<bool>>();
  std::future<bool> result = written->get_future();
  worker_.Replace([files = files_, snapshot = std::move(snapshot), written] {
    written->set_value(WriteLogFiles(*files, snapshot));
  });
  return result.wait_for(bound) == std::future_status::ready && result.get();
}

}  // namespace monitor
