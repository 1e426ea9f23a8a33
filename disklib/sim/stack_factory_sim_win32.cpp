// The simulated library's device stack: the machine described by
// ArdmonSim.json beside this DLL, read afresh on every call so that drives
// can come and go while the service runs.
#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "common/win32/wide_text.h"
#include "disklib/sim/fixture.h"
#include "disklib/sim/sim_device_stack.h"
#include "disklib/sim/simulated_library.h"
#include "disklib/stack_factory.h"

namespace disklib {
namespace {

std::optional<std::filesystem::path> FixturePath() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&MakeDeviceStack), &self)) {
    return std::nullopt;
  }
  const std::filesystem::path dll = ardmon::ModulePath(self);
  if (dll.empty()) return std::nullopt;
  return dll.parent_path() / L"ArdmonSim.json";
}

}  // namespace

std::unique_ptr<DeviceStack> MakeDeviceStack() {
  std::optional<std::filesystem::path> file = FixturePath();
  if (!file) return std::make_unique<sim::SimDeviceStack>(sim::Fixture{});
  return sim::OpenSimulatedMachine(*file);
}

}  // namespace disklib
