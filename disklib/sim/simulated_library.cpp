#include "disklib/sim/simulated_library.h"

#include "disklib/sim/fixture.h"
#include "disklib/sim/sim_device_stack.h"

namespace disklib::sim {

std::unique_ptr<DeviceStack> OpenSimulatedMachine(const std::filesystem::path& fixtureFile) {
  return std::make_unique<SimDeviceStack>(LoadFixtureOrEmpty(fixtureFile), fixtureFile);
}

}  // namespace disklib::sim
