// Sleeping disks stay asleep: the real monitor and service against a machine
// with a rotating disk in standby, one that Windows has powered down, one
// awake, and an SSD that claims standby; the simulator counts every spin-up.
#include <map>

#include "disklib/sim/spin_up_counts.h"
#include "tests/wine/monitor_gui_fixture.h"

namespace monitorgui {
namespace {

using disklib::AccessMethod;
using disklib::sim::Fixture;
using disklib::sim::PowerState;
using disklib::sim::SetOsPowerDown;
using disklib::sim::SetPowerState;
using SpinUps = std::map<std::uint32_t, std::uint32_t>;

constexpr int kSsd = 0, kStandby = 1, kAwake = 2, kPoweredDown = 3;
constexpr int kTemperatureColumn = 4;
constexpr std::uint16_t kRpm = 7200, kSolidState = 1;

class SleepingDisks : public MonitorGui {
 protected:
  void SetUp() override {
    MonitorGui::SetUp();
    std::error_code ignored;
    std::filesystem::remove(Counts(), ignored);
    // Every disk that may rotate says so and answers CHECK POWER MODE.
    machine_.Change([](Fixture& f) {
      for (int drive : {kSsd, kStandby, kAwake}) {
        f.disks[drive].methods.push_back(AccessMethod::AtaPassThrough12);
        f.disks[drive].rotationRate = drive == kSsd ? kSolidState : kRpm;
      }
    });
  }

  std::filesystem::path Counts() const { return disklib::sim::SpinUpCountsFile(MachineFile()); }
  static std::filesystem::path MachineFile() { return OwnFolder() / L"ArdmonSim.json"; }
  SpinUps SpinUpsNow() const { return disklib::sim::LoadSpinUps(Counts()); }

  // The list's row of a drive: the demo's drives in order.
  std::wstring TemperatureCell(int drive) const {
    const int row = static_cast<int>(&DemoOf(drive) - kDemo.data());
    return DriveList().Text(row, kTemperatureColumn);
  }
  bool Shows(int drive, const std::wstring& text) const {
    return WaitUntil([&] { return TemperatureCell(drive) == text; }, 2 * kCycleMs);
  }
};

TEST_F(SleepingDisks, StayAsleepUntilTheyWakeOrTheUserLetsTheMonitorWakeThem) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  machine_.Change([](Fixture& f) {
    SetPowerState(f, kSsd, PowerState::Standby);
    SetPowerState(f, kStandby, PowerState::Standby);
    SetOsPowerDown(f, kPoweredDown, true);
  });
  const std::wstring sleeping = Text(IDS_SLEEPING);
  EXPECT_TRUE(Shows(kStandby, sleeping)) << TemperatureCell(kStandby);
  EXPECT_TRUE(Shows(kPoweredDown, sleeping)) << TemperatureCell(kPoweredDown);

  // Ten cycles, each seen by a new reading of the drives that do not sleep
  // (below the warning temperature: a warning box would hold Exit).
  for (int cycle = 1; cycle <= 10; ++cycle) {
    Heat(kAwake, 35 + cycle);
    Heat(kSsd, 25 + cycle);
    ASSERT_NO_FATAL_FAILURE(WaitForTemperature(kAwake, 35 + cycle));
    ASSERT_TRUE(Shows(kSsd, Celsius(25 + cycle))) << "cycle " << cycle;
  }
  EXPECT_EQ(TemperatureCell(kStandby), sleeping);
  EXPECT_EQ(TemperatureCell(kPoweredDown), sleeping);
  const SpinUps counted = SpinUpsNow();
  EXPECT_EQ(counted.count(kStandby), 0u) << "the disk in standby was woken";
  EXPECT_EQ(counted.count(kPoweredDown), 0u) << "the disk Windows powered down was woken";

  // A disk that wakes by itself is read at the next cycle.
  machine_.Change([](Fixture& f) {
    SetPowerState(f, kStandby, PowerState::Active);
    disklib::sim::SetTemperature(f, kStandby, 46);
  });
  EXPECT_TRUE(Shows(kStandby, Celsius(46))) << TemperatureCell(kStandby);

  // The user's choice to wake them.
  ASSERT_TRUE(profile_.WriteInt(L"NOWAKE", 0));
  EXPECT_TRUE(Shows(kPoweredDown, Celsius(DemoOf(kPoweredDown).celsius)))
      << TemperatureCell(kPoweredDown);
  EXPECT_EQ(SpinUpsNow().count(kPoweredDown), 1u);
}

}  // namespace
}  // namespace monitorgui
