// Any request a client can send: the service answers it in place from the
// demo machine, whatever its command, argument and payload.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "disklib/sim/simulated_library.h"
#include "service/dispatch.h"

namespace {

// A copy of the demo machine of this process's own: the filter commands
// write their edits back to the file, which must not be the source tree's.
struct DemoMachineCopy {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("ardmon-dispatch-fuzz-" + std::to_string(getpid()) + ".json");
  DemoMachineCopy() {
    std::filesystem::copy_file(ARDMON_DEMO_FIXTURE, path,
                               std::filesystem::copy_options::overwrite_existing);
  }
  ~DemoMachineCopy() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

disklib::StackLibrary& DemoLibrary() {
  static const DemoMachineCopy machine;
  static disklib::StackLibrary library = disklib::sim::SimulatedLibrary(machine.path);
  return library;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ardmon::PipeMessage message{};
  std::memcpy(&message, data, size < sizeof message ? size : sizeof message);
  const ardmon::PipeMessage sent = message;
  service::DispatchRequest(DemoLibrary(), message, service::Caller::Administrator);
  // The request's own fields come back as they went.
  if (message.Command != sent.Command || message.Argument != sent.Argument) __builtin_trap();
  return 0;
}
