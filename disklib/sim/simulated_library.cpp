#include "disklib/sim/simulated_library.h"

#include <mutex>
#include <optional>

#include "disklib/sim/fixture.h"
#include "disklib/sim/sim_device_stack.h"

namespace disklib::sim {
namespace {

// The machine as last parsed, with the text it was parsed from. Parsing
// costs more than a pipe round trip while reading the file is cheap, so
// the file is read at every call and parsed again only when its text
// differs. (Its time stamp would not do: two quick edits can share one.)
struct Snapshot {
  std::filesystem::path file;
  std::string text;
  Fixture fixture;
};

Fixture ParseOrEmpty(const std::string& text) {
  try {
    return ParseFixture(text);
  } catch (const std::exception&) {
    return {};
  }
}

Fixture CurrentFixture(const std::filesystem::path& file) {
  static std::mutex mutex;
  static std::optional<Snapshot> last;
  std::optional<std::string> text = ReadFixtureText(file);
  if (!text) return {};
  std::lock_guard<std::mutex> lock(mutex);
  if (!last || last->file != file || last->text != *text) {
    last = Snapshot{file, *text, ParseOrEmpty(*text)};
  }
  return last->fixture;
}

}  // namespace

std::unique_ptr<DeviceStack> OpenSimulatedMachine(const std::filesystem::path& fixtureFile) {
  return std::make_unique<SimDeviceStack>(CurrentFixture(fixtureFile), fixtureFile);
}

}  // namespace disklib::sim
