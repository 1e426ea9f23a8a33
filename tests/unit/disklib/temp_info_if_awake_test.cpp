// GetTempInfoIfAwake: what it asks a drive before reading it, what it
// leaves alone, and what it remembers for the next call.
#include <gtest/gtest.h>

#include <cstring>

#include "disklib/disklib.h"
#include "disklib/stack_library.h"
#include "machine.h"

namespace disklib {
namespace {

using testing::FakeDevice;
using testing::FakeDeviceStack;
using Log = std::vector<std::string>;

constexpr auto kAwake = ardmon::DrivePower::kAwake;
constexpr auto kAsleep = ardmon::DrivePower::kAsleep;
constexpr auto kUnknown = ardmon::DrivePower::kUnknown;
constexpr std::uint16_t kRotating = 7200, kSolidState = 1;

std::string At(const std::string& request, std::uint32_t n = 0) {
  return request + "@\\\\.\\PHYSICALDRIVE" + std::to_string(n);
}
Log Then(Log first, const Log& next) {
  first.insert(first.end(), next.begin(), next.end());
  return first;
}
// The generic chain's reads when only this method answers.
Log ReadBy(const std::string& method, std::uint32_t n = 0) {
  Log reads = {At("SmartIoctl/Identify", n)};
  if (method == "SmartIoctl") reads.clear();
  return Then(reads, {At(method + "/Identify", n), At(method + "/ReadData", n),
                      At(method + "/ReadThresholds", n)});
}
const std::string kCheck12 = At("AtaPassThrough12/CheckPowerMode");
const std::string kCheck16 = At("AtaPassThrough16/CheckPowerMode");

// Drive n whose IDENTIFY word 217 (nominal media rotation rate) is `rate`.
FakeDevice& AddDrive(FakeDeviceStack& stack, std::uint32_t n, std::set<std::string> answers,
                     std::uint16_t rate = kRotating,
                     const char16_t* controller = u"PCI\\VEN_8086&DEV_2922") {
  testing::AddDisk(stack, n, controller, std::move(answers));
  FakeDevice& drive = stack.devices[testing::PhysicalDrive(n)];
  drive.identify = testing::IdentifySector("MODEL", "SERIAL", "FW", true);
  drive.identify[434] = static_cast<std::uint8_t>(rate);
  drive.identify[435] = static_cast<std::uint8_t>(rate >> 8);
  return drive;
}

class IfAwake : public ::testing::Test {
 protected:
  FakeDeviceStack stack;
  DriveMemory memory;
  ardmon::TempInfoRecord record;

  // One call of drive n, and the requests it sent to the drive.
  std::pair<ardmon::DrivePower, Log> Call(std::uint32_t n = 0) {
    stack.log.clear();
    std::memset(&record, 0xCC, sizeof record);
    const ardmon::DrivePower power = GetTempInfoIfAwake(stack, n, &record, memory);
    EXPECT_EQ(stack.openHandles, 0);
    return {power, stack.log};
  }
};

TEST_F(IfAwake, AsksWindowsThenTheDriveAndReadsOnlyAnAwakeOne) {
  struct Case {
    const char* what;
    std::string answers;
    std::optional<bool> powered;
    std::uint8_t count;
    ardmon::DrivePower power;
    Log requests;
  };
  const Case cases[] = {
      {"awake", "AtaPassThrough12", true, 0xFF, kAwake,
       Then({kCheck12}, ReadBy("AtaPassThrough12"))},
      {"standby", "AtaPassThrough12", true, 0x00, kAsleep, {kCheck12}},
      {"standby, 16-byte form", "AtaPassThrough16", true, 0x01, kAsleep, {kCheck12, kCheck16}},
      {"powered down by Windows", "AtaPassThrough12", false, 0xFF, kAsleep, {}},
      {"Windows cannot tell", "AtaPassThrough12", std::nullopt, 0x00, kAsleep, {kCheck12}},
      {"no check reaches it", "SmartIoctl", true, 0x00, kUnknown,
       Then({kCheck12, kCheck16}, ReadBy("SmartIoctl"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    stack = FakeDeviceStack();
    memory.Remember(testing::InterfacePath(0), {});  // forgotten
    FakeDevice& drive = AddDrive(stack, 0, {c.answers});
    drive.powered = c.powered;
    drive.powerCount = c.count;
    EXPECT_EQ(Call(), std::make_pair(c.power, c.requests));
    const ardmon::TempInfoRecord zero{};
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record) == 0, c.power == kAsleep);
  }
}

// A check that fails reads the drive as GetTempInfo does, before and after
// one that answered; the method that answered is asked first from then on.
TEST_F(IfAwake, AFailedCheckReadsAndTheMethodThatAnsweredComesFirst) {
  FakeDevice& drive = AddDrive(stack, 0, {});
  const Log read = ReadBy("SmartIoctl");
  const std::tuple<bool, std::uint8_t, ardmon::DrivePower, Log> steps[] = {
      {false, 0xFF, kUnknown, Then({kCheck12, kCheck16}, read)},
      {true, 0x80, kAwake, Then({kCheck12, kCheck16}, read)},
      {false, 0x80, kUnknown, Then({kCheck16, kCheck12}, read)},
      {true, 0x00, kAsleep, {kCheck16}},
  };
  for (const auto& [checkAnswers, count, power, requests] : steps) {
    drive.answers = {"SmartIoctl"};
    if (checkAnswers) drive.answers.insert("AtaPassThrough16/CheckPowerMode");
    drive.powerCount = count;
    EXPECT_EQ(Call(), std::make_pair(power, requests));
  }
}

// Once read, a solid-state drive (IDENTIFY) or an NVMe drive is read
// without a check, even when it claims standby or Windows powered it down.
TEST_F(IfAwake, DrivesThatDoNotSpinAreCheckedOnlyUntilRead) {
  FakeDevice& ssd = AddDrive(stack, 0, {"AtaPassThrough12"}, kSolidState);
  AddDrive(stack, 1, {"AdapterProtocol", "DeviceProtocol"}, 0, u"PCI\\VEN_1F2E&DEV_A960");
  const Log nvmeRead = {At("SmartIoctl/Identify", 1), At("AtaPassThrough12/Identify", 1),
                        At("AtaPassThrough16/Identify", 1), At("AdapterProtocol/Identify", 1),
                        At("DeviceProtocol/HealthLog", 1)};
  EXPECT_EQ(Call(0), std::make_pair(kAwake, Then({kCheck12}, ReadBy("AtaPassThrough12"))));
  EXPECT_EQ(Call(1), std::make_pair(kAwake, Then({At("AtaPassThrough12/CheckPowerMode", 1),
                                                  At("AtaPassThrough16/CheckPowerMode", 1)},
                                                 nvmeRead)));
  ssd.powerCount = 0x00;
  ssd.powered = false;
  EXPECT_EQ(Call(0), std::make_pair(kAwake, ReadBy("AtaPassThrough12")));
  EXPECT_EQ(Call(1), std::make_pair(kAwake, nvmeRead));

  // Where Windows' disk driver knows the medium, it tells before any read:
  // an SSD that claims standby from the start is still read.
  for (const auto& [seekPenalty, power, requests] :
       {std::tuple(false, kAwake, ReadBy("AtaPassThrough12", 2)),
        std::tuple(true, kAsleep, Log{At("AtaPassThrough12/CheckPowerMode", 2)})}) {
    memory.Remember(testing::InterfacePath(2), {});
    FakeDevice& drive = AddDrive(stack, 2, {"AtaPassThrough12"}, 0);
    drive.powerCount = 0x00;
    drive.seekPenalty = seekPenalty;
    EXPECT_EQ(Call(2), std::make_pair(power, requests));
  }
}

// Against GetTempInfo, every control request counted, once the library
// knows the drive: one more for an awake disk that may spin, none for an SSD.
TEST_F(IfAwake, TheCheckAddsAtMostOneRequest) {
  for (const auto& [rate, added] : {std::pair(kRotating, 1), std::pair(kSolidState, 0)}) {
    stack = FakeDeviceStack();
    AddDrive(stack, 0, {"SmartIoctl", "AtaPassThrough16/CheckPowerMode"}, rate);
    GetTempInfo(stack, 0, &record);
    const int read = stack.controlCalls;
    Call();  // the library learns the drive
    stack.controlCalls = 0;
    EXPECT_EQ(Call().first, kAwake);
    EXPECT_EQ(stack.controlCalls - read, added);
  }
}

// The library the DLL exports keeps what it learnt across calls, each on a
// device stack of its own, by the disk's device path: drive numbers shift
// when disks come and go.
TEST(StackLibraryPower, RemembersDrivesByTheirPathAcrossCalls) {
  FakeDeviceStack machine;
  AddDrive(machine, 0, {"AtaPassThrough12"}, kSolidState);
  Log sent;
  struct Logged : FakeDeviceStack {
    Log* sink = nullptr;
    ~Logged() override { sink->insert(sink->end(), log.begin(), log.end()); }
  };
  StackLibrary library([&] {
    auto stack = std::make_unique<Logged>();
    static_cast<FakeDeviceStack&>(*stack) = machine;
    stack->sink = &sent;
    return stack;
  });
  ardmon::TempInfoRecord record;
  EXPECT_EQ(library.GetTempInfoIfAwake(0, &record), static_cast<int>(kAwake));

  FakeDeviceStack shifted;  // a rotating disk comes first, the SSD is now drive 1
  AddDrive(shifted, 0, {"AtaPassThrough12"}, kRotating);
  AddDrive(shifted, 1, {"AtaPassThrough12"}, kSolidState).powerCount = 0x00;
  std::swap(shifted.devices[testing::InterfacePath(0)].typeAndNumber,
            shifted.devices[testing::InterfacePath(1)].typeAndNumber);
  machine = shifted;
  sent.clear();
  EXPECT_EQ(library.GetTempInfoIfAwake(1, &record), static_cast<int>(kAwake));
  EXPECT_EQ(sent, ReadBy("AtaPassThrough12", 1));
}

}  // namespace
}  // namespace disklib
