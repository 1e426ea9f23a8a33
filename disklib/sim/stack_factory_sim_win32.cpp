// The simulated library's device stack: the machine described by
// ArdmonSim.json beside this DLL, read afresh on every call so that drives
// can come and go while the service runs.
#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

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
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(self, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return std::nullopt;
    if (length < name.size()) {
      name.resize(length);
      break;
    }
    name.resize(name.size() * 2);  // cut short: try a larger buffer
  }
  return std::filesystem::path(name).parent_path() / L"ArdmonSim.json";
}

}  // namespace

std::unique_ptr<DeviceStack> MakeDeviceStack() {
  std::optional<std::filesystem::path> file = FixturePath();
  if (!file) return std::make_unique<sim::SimDeviceStack>(sim::Fixture{});
  return sim::OpenSimulatedMachine(*file);
}

}  // namespace disklib
