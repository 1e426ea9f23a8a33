#pragma once

#include <filesystem>
#include <memory>

#include "disklib/device_stack.h"
#include "disklib/stack_library.h"

namespace disklib::sim {

// The machine a fixture file describes as it is now; a missing or broken
// file is a machine without disks. Filter edits are written back to it.
std::unique_ptr<DeviceStack> OpenSimulatedMachine(const std::filesystem::path& fixtureFile);

// The library as the simulated ArdmonLib.dll offers it, in process.
inline StackLibrary SimulatedLibrary(std::filesystem::path fixtureFile) {
  return StackLibrary([file = std::move(fixtureFile)] { return OpenSimulatedMachine(file); });
}

}  // namespace disklib::sim
