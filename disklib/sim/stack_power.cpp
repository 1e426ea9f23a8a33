// The disks' power: whether Windows has a disk powered, and what a request
// that spins a sleeping disk up leaves behind.
#include <chrono>
#include <thread>

#include "disklib/sim/sim_device_stack.h"
#include "disklib/sim/spin_up_counts.h"

namespace disklib::sim {

std::optional<bool> SimDeviceStack::DevicePowered(DeviceHandle handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end()) return std::nullopt;
  return it->second.kind != Kind::Disk || !fixture_.disks[it->second.index].osPowerDown;
}

std::vector<bool> SimDeviceStack::AsleepDisks() const {
  std::vector<bool> asleep;
  for (const Disk& d : fixture_.disks) asleep.push_back(d.Asleep());
  return asleep;
}

void SimDeviceStack::KeepSpinUps(const std::vector<bool>& asleepBefore) {
  for (std::size_t i = 0; i < fixture_.disks.size(); ++i) {
    const Disk& woken = fixture_.disks[i];
    if (!asleepBefore[i] || woken.Asleep()) continue;
    if (saveTo_) {
      // Only this disk's power is written, into the file as it is now, so
      // that an edit made since this machine was read is kept. A file that
      // cannot be written leaves the disk asleep for the next reader; the
      // answer stands all the same.
      try {
        Fixture saved = LoadFixture(*saveTo_);
        for (Disk& d : saved.disks) {
          if (d.number != woken.number) continue;
          d.powerState = woken.powerState;
          d.osPowerDown = woken.osPowerDown;
        }
        SaveFixture(saved, *saveTo_);
        CountSpinUp(SpinUpCountsFile(*saveTo_), woken.number);
      } catch (const std::exception&) {
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(woken.spinUpMs));
  }
}

}  // namespace disklib::sim
