// Arbitrary history files, as a crash, a power cut, a disk error or
// another program may leave them: opening one never fails, leaves a file
// that reads whole, and opening that again gives the same history without
// setting anything aside. The input is the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "monitor/memory_file_system.h"
#include "monitor/store/history_file.h"

namespace {

constexpr char16_t kFolder[] = u"C:\\Quenby";
constexpr std::int64_t kNow = 1'700'000'000;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool SameHistory(const monitor::TemperatureHistory& a, const monitor::TemperatureHistory& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t sample = 0; sample < a.size(); ++sample) {
    if (a.TimeOf(sample) != b.TimeOf(sample)) return false;
    for (int slot = 0; slot < monitor::kSlotCount; ++slot) {
      if (a.Emptied(sample, slot) != b.Emptied(sample, slot) ||
          a.TemperatureOf(sample, slot) != b.TemperatureOf(sample, slot)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  monitor::MemoryFileSystem files;
  files.CreateFolders(kFolder);
  monitor::HistoryFile file(files, {kFolder, u""});
  files.files[file.path()] = std::string(reinterpret_cast<const char*>(data), size);

  const monitor::OpenedHistory first = file.Open(kNow);
  const std::string& bytes = files.files.at(file.path());
  Check(monitor::ReadHistory(bytes, 0, std::nullopt).end == monitor::HistoryEnd::Whole);

  const monitor::OpenedHistory second = file.Open(kNow);
  Check(!second.setAside);
  Check(SameHistory(first.stored.history, second.stored.history));
  Check(first.stored.drives == second.stored.drives);
  Check(first.stored.lastSampleTime == second.stored.lastSampleTime);
  return 0;
}
