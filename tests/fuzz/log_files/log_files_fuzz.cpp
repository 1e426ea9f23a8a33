// Arbitrary log files, as an editor, a crash or another program may leave
// them: loading pairs their lines and keeps each one bounded, a save and a
// reload keep the newest entries as they were shown, and the CSV export
// reads back as the same fields. The input is the length of the time file
// (two bytes, little-endian), the time file, then the message file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "monitor/memory_file_system.h"
#include "monitor/pages/event_log.h"

namespace {

constexpr char16_t kFolder[] = u"C:\\Quenby";

class StillClock final : public monitor::Clock {
 public:
  std::int64_t Now() override { return 0; }
  std::optional<monitor::CalendarTime> Local(std::int64_t time) override {
    return monitor::CalendarAt(time, 0);
  }
};

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// One field of the export as RFC 4180 reads it, from `at` on.
std::string ReadField(const std::string& csv, std::size_t& at) {
  std::string field;
  if (at < csv.size() && csv[at] == '"') {
    for (++at; at < csv.size(); ++at) {
      if (csv[at] != '"') {
        field += csv[at];
      } else if (at + 1 < csv.size() && csv[at + 1] == '"') {
        field += csv[++at];
      } else {
        ++at;
        return field;
      }
    }
    Check(false);  // a quote left open
  }
  while (at < csv.size() && csv[at] != ',' && csv[at] != '\r' && csv[at] != '\n') {
    field += csv[at++];
  }
  return field;
}

void Expect(const std::string& csv, std::size_t& at, const char* text) {
  const std::string expected(text);
  Check(csv.compare(at, expected.size(), expected) == 0);
  at += expected.size();
}

void CheckCsv(const monitor::EventLog& log, const monitor::CodePage& codePage) {
  const std::string csv = log.Csv();
  std::size_t at = 0;
  for (auto row = log.rows().rbegin(); row != log.rows().rend(); ++row) {
    Check(ReadField(csv, at) == codePage.FromUtf16(row->time));
    Expect(csv, at, ", ");
    Check(ReadField(csv, at) == codePage.FromUtf16(row->message));
    Expect(csv, at, "\r\n");
  }
  Check(at == csv.size());
}

std::u16string OnOneLine(std::u16string text) {
  std::replace(text.begin(), text.end(), u'\r', u' ');
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::size_t timesLength = std::min<std::size_t>(data[0] | data[1] << 8, input.size());

  monitor::MemoryFileSystem files;
  files.CreateFolders(kFolder);
  files.files[monitor::JoinPath(kFolder, monitor::kLogTimeFile)] = input.substr(0, timesLength);
  files.files[monitor::JoinPath(kFolder, monitor::kLogMessageFile)] = input.substr(timesLength);
  const monitor::Latin1CodePage latin1;
  StillClock clock;

  monitor::EventLog loaded(latin1, clock);
  loaded.TakeLoaded(monitor::LoadLogFiles(files, latin1, {kFolder, u""}));
  for (const monitor::LogEntry& entry : loaded.rows()) {
    Check(entry.time.size() <= monitor::kLogLineLimit);
    Check(entry.message.size() <= monitor::kLogLineLimit);
    Check(entry.time.find(u'\n') == std::u16string::npos);
  }
  CheckCsv(loaded, latin1);

  Check(monitor::WriteLogFiles(files, loaded.Snapshot()));
  monitor::EventLog reloaded(latin1, clock);
  reloaded.TakeLoaded(monitor::LoadLogFiles(files, latin1, {kFolder, u""}));
  const std::size_t kept = std::min(loaded.rows().size(), monitor::kSavedLogEntries);
  Check(reloaded.rows().size() == kept);
  for (std::size_t row = 0; row < kept; ++row) {
    const monitor::LogEntry& before = loaded.rows()[row];
    const monitor::LogEntry& after = reloaded.rows()[row];
    Check(after.time == OnOneLine(before.time) && after.message == OnOneLine(before.message));
  }
  return 0;
}
