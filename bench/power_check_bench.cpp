// Device requests per GetTempInfoIfAwake, natively, over the unit tests'
// scripted device stack: for each kind of drive the requests that reach the
// drive (ATA commands: S.M.A.R.T. and miniport requests, pass-through CDBs
// other than INQUIRY) and all device control requests, for GetTempInfo as
// the yardstick, the first GetTempInfoIfAwake of a drive the library does
// not know yet, and the calls after it, as a monitor's cycles make them.
//
// power_check_bench [CALLS]   (10, the first one included)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "disklib/control_codes.h"
#include "disklib/scsi_pass_through.h"
#include "disklib/stack_library.h"
#include "machine.h"

namespace {

using disklib::testing::FakeDevice;
using disklib::testing::FakeDeviceStack;

struct Counts {
  int ata = 0;
  int all = 0;
};

constexpr std::uint8_t kInquiry = 0x12;

bool ReachesTheDrive(std::uint32_t code, const void* in) {
  switch (code) {
    case disklib::SMART_RCV_DRIVE_DATA:
    case disklib::IOCTL_SCSI_MINIPORT:
      return true;
    case disklib::IOCTL_SCSI_PASS_THROUGH: {
      disklib::ScsiPassThroughHeader header;
      std::memcpy(&header, in, sizeof header);
      return header.Cdb[0] != kInquiry;
    }
    default:
      return false;
  }
}

// A copy of the machine for one library call, as the library makes a
// stack per call, adding what it is asked to the counts.
class CountingStack : public FakeDeviceStack {
 public:
  CountingStack(const FakeDeviceStack& machine, Counts& counts)
      : FakeDeviceStack(machine), counts_(counts) {}
  bool Control(disklib::DeviceHandle handle, std::uint32_t code, const void* in,
               std::uint32_t inSize, void* out, std::uint32_t outSize,
               std::uint32_t& returned) override {
    ++counts_.all;
    if (ReachesTheDrive(code, in)) ++counts_.ata;
    return FakeDeviceStack::Control(handle, code, in, inSize, out, outSize, returned);
  }

 private:
  Counts& counts_;
};

struct Drive {
  const char* name;
  const char16_t* controller;
  std::set<std::string> answers;
  std::uint16_t rotationRate;  // IDENTIFY word 217
  std::uint8_t powerCount;     // CHECK POWER MODE's answer
  bool powered = true;         // as GetDevicePowerState says
};

FakeDeviceStack MachineWith(const Drive& drive) {
  FakeDeviceStack machine;
  disklib::testing::AddDisk(machine, 0, drive.controller, drive.answers);
  FakeDevice& device = machine.devices[disklib::testing::PhysicalDrive(0)];
  device.identify = disklib::testing::IdentifySector("MODEL", "SERIAL", "FW", true);
  device.identify[434] = static_cast<std::uint8_t>(drive.rotationRate);
  device.identify[435] = static_cast<std::uint8_t>(drive.rotationRate >> 8);
  device.powerCount = drive.powerCount;
  device.powered = drive.powered;
  return machine;
}

const char* PowerName(std::int32_t power) {
  switch (static_cast<ardmon::DrivePower>(power)) {
    case ardmon::DrivePower::kAwake:
      return "awake";
    case ardmon::DrivePower::kAsleep:
      return "asleep";
    default:
      return "unknown";
  }
}

void Measure(const Drive& drive, int calls) {
  const FakeDeviceStack machine = MachineWith(drive);
  Counts counts;
  disklib::StackLibrary library([&] { return std::make_unique<CountingStack>(machine, counts); });
  ardmon::TempInfoRecord record;

  library.GetTempInfo(0, &record);
  const Counts read = counts;
  counts = {};
  const std::int32_t firstPower = library.GetTempInfoIfAwake(0, &record);
  const Counts first = counts;
  counts = {};
  std::int32_t nextPower = firstPower;
  for (int i = 1; i < calls; ++i) nextPower = library.GetTempInfoIfAwake(0, &record);
  const int next = calls - 1;
  std::printf("%-36s %5d %5d   %5d %5d %-8s %6.1f %6.1f %s\n", drive.name, read.ata, read.all,
              first.ata, first.all, PowerName(firstPower), next ? double(counts.ata) / next : 0.0,
              next ? double(counts.all) / next : 0.0, PowerName(nextPower));
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10;
  constexpr const char16_t* kChipset = u"PCI\\VEN_8086&DEV_2922";
  constexpr const char16_t* kNvme = u"PCI\\VEN_1F2E&DEV_A960&CC_010802";
  const std::set<std::string> sata = {"SmartIoctl", "AtaPassThrough12"};
  const Drive drives[] = {
      {"rotating, standby", kChipset, sata, 7200, 0x00},
      {"rotating, powered down by Windows", kChipset, sata, 7200, 0xFF, false},
      {"rotating, awake", kChipset, sata, 7200, 0xFF},
      {"rotating, awake, 16-byte check only",
       kChipset,
       {"SmartIoctl", "AtaPassThrough16"},
       7200,
       0xFF},
      {"rotating, awake, no check answers", kChipset, {"SmartIoctl"}, 7200, 0xFF},
      {"SSD (word 217 = 1), awake", kChipset, sata, 1, 0xFF},
      {"NVMe", kNvme, {"AdapterProtocol", "DeviceProtocol"}, 0, 0xFF},
  };
  std::printf("device requests per call: ATA = reach the drive, all = every control request\n");
  std::printf("%-36s %-11s   %-20s %s\n", "", "GetTempInfo", "IfAwake, 1st call",
              "IfAwake, later (mean)");
  std::printf("%-36s %5s %5s   %5s %5s %-8s %6s %6s %s\n", "drive", "ATA", "all", "ATA", "all",
              "power", "ATA", "all", "power");
  for (const Drive& drive : drives) Measure(drive, calls);
  return 0;
}
