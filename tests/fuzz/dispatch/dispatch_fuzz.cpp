// Any request a client can send: the service answers it in place from the
// demo machine, whatever its command, argument and payload.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "disklib/sim/simulated_library.h"
#include "service/dispatch.h"

namespace {

disklib::StackLibrary& DemoLibrary() {
  static disklib::StackLibrary library =
      disklib::sim::SimulatedLibrary(std::filesystem::path(ARDMON_DEMO_FIXTURE));
  return library;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ardmon::PipeMessage message{};
  std::memcpy(&message, data, size < sizeof message ? size : sizeof message);
  const ardmon::PipeMessage sent = message;
  service::DispatchRequest(DemoLibrary(), message);
  // The request's own fields come back as they went.
  if (message.Command != sent.Command || message.Argument != sent.Argument) __builtin_trap();
  return 0;
}
