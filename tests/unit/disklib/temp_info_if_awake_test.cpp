// GetTempInfoIfAwake: what it asks a drive before reading it, what it
// leaves alone, and what it remembers for the next call.
#include <gtest/gtest.h>

#include <cstring>

#include "disklib/disklib.h"
#include "disklib/stack_library.h"
#include "machine.h"

namespace disklib {
namespace {

using ardmon::DrivePower;
using testing::AddDisk;
using testing::FakeDevice;
using testing::FakeDeviceStack;
using testing::PhysicalDrive;

constexpr const char16_t* kChipset = u"PCI\\VEN_8086&DEV_2922";
constexpr std::uint16_t kRotating = 7200, kSolidState = 1;

using Log = std::vector<std::string>;

std::string At(const std::string& request, std::uint32_t n = 0) {
  return request + "@\\\\.\\PHYSICALDRIVE" + std::to_string(n);
}
Log Reads(const std::string& method, std::uint32_t n = 0) {
  return {At(method + "/Identify", n), At(method + "/ReadData", n),
          At(method + "/ReadThresholds", n)};
}
Log Then(Log first, const Log& next) {
  first.insert(first.end(), next.begin(), next.end());
  return first;
}
const std::string kCheck12 = At("AtaPassThrough12/CheckPowerMode");
const std::string kCheck16 = At("AtaPassThrough16/CheckPowerMode");

// IDENTIFY with word 217, the nominal media rotation rate.
std::vector<std::uint8_t> IdentifyRotating(std::uint16_t rate) {
  std::vector<std::uint8_t> sector = testing::IdentifySector("MODEL", "SERIAL", "FW", true);
  sector[434] = static_cast<std::uint8_t>(rate);
  sector[435] = static_cast<std::uint8_t>(rate >> 8);
  return sector;
}

FakeDevice& AddDrive(FakeDeviceStack& stack, std::uint32_t n, std::set<std::string> answers,
                     std::uint16_t rate = kRotating, const char16_t* controller = kChipset) {
  AddDisk(stack, n, controller, std::move(answers));
  FakeDevice& drive = stack.devices[PhysicalDrive(n)];
  drive.identify = IdentifyRotating(rate);
  return drive;
}

bool AllZero(const ardmon::TempInfoRecord& record) {
  const ardmon::TempInfoRecord zero{};
  return std::memcmp(&record, &zero, sizeof record) == 0;
}

// One call of drive n, and the requests it sent to the drive.
std::pair<DrivePower, Log> CallOnce(FakeDeviceStack& stack, DriveMemory& memory,
                                    ardmon::TempInfoRecord& record, std::uint32_t n = 0) {
  stack.log.clear();
  std::memset(&record, 0xCC, sizeof record);
  const DrivePower power = GetTempInfoIfAwake(stack, n, &record, memory);
  EXPECT_EQ(stack.openHandles, 0);
  return {power, stack.log};
}

class IfAwake : public ::testing::Test {
 protected:
  FakeDeviceStack stack;
  DriveMemory memory;
  ardmon::TempInfoRecord record;

  std::pair<DrivePower, Log> Call(std::uint32_t n = 0) {
    return CallOnce(stack, memory, record, n);
  }
};

TEST(IfAwakeOrder, AsksWindowsThenTheDriveAndReadsOnlyAnAwakeOne) {
  struct Case {
    const char* what;
    std::set<std::string> answers;
    std::optional<bool> powered;
    std::uint8_t count;
    DrivePower power;
    Log requests;
  };
  const Case cases[] = {
      {"awake",
       {"AtaPassThrough12"},
       true,
       0xFF,
       DrivePower::kAwake,
       Then({kCheck12, At("SmartIoctl/Identify")}, Reads("AtaPassThrough12"))},
      {"standby", {"AtaPassThrough12"}, true, 0x00, DrivePower::kAsleep, {kCheck12}},
      {"standby, told by the 16-byte form",
       {"AtaPassThrough16"},
       true,
       0x01,
       DrivePower::kAsleep,
       {kCheck12, kCheck16}},
      {"powered down by Windows", {"AtaPassThrough12"}, false, 0xFF, DrivePower::kAsleep, {}},
      {"Windows cannot tell",
       {"AtaPassThrough12"},
       std::nullopt,
       0x00,
       DrivePower::kAsleep,
       {kCheck12}},
      {"no check reaches it",
       {"SmartIoctl"},
       true,
       0x00,
       DrivePower::kUnknown,
       Then({kCheck12, kCheck16}, Reads("SmartIoctl"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDeviceStack stack;
    DriveMemory memory;
    ardmon::TempInfoRecord record;
    FakeDevice& drive = AddDrive(stack, 0, c.answers);
    drive.powered = c.powered;
    drive.powerCount = c.count;
    EXPECT_EQ(CallOnce(stack, memory, record), std::make_pair(c.power, c.requests));
    const bool asleep = c.power == DrivePower::kAsleep;
    EXPECT_EQ(AllZero(record), asleep);
    EXPECT_EQ(record.IdentifyOk, asleep ? 0 : 1);
  }
}

// A check that fails reads the drive as GetTempInfo does, before and after
// one that answered; the method that answered is asked first from then on.
TEST_F(IfAwake, AFailedCheckReadsAndTheMethodThatAnsweredComesFirst) {
  FakeDevice& drive = AddDrive(stack, 0, {});
  struct Step {
    bool checkAnswers;
    std::uint8_t count;
    DrivePower power;
    Log requests;
  };
  const Step steps[] = {
      {false, 0xFF, DrivePower::kUnknown, Then({kCheck12, kCheck16}, Reads("SmartIoctl"))},
      {true, 0x80, DrivePower::kAwake, Then({kCheck12, kCheck16}, Reads("SmartIoctl"))},
      {false, 0x80, DrivePower::kUnknown, Then({kCheck16, kCheck12}, Reads("SmartIoctl"))},
      {true, 0x00, DrivePower::kAsleep, {kCheck16}},
  };
  for (const Step& step : steps) {
    drive.answers = {"SmartIoctl"};
    if (step.checkAnswers) drive.answers.insert("AtaPassThrough16/CheckPowerMode");
    drive.powerCount = step.count;
    EXPECT_EQ(Call(), std::make_pair(step.power, step.requests));
  }
}

// Once its IDENTIFY shows it, a solid-state drive is read without a check,
// even when it claims standby or Windows has powered it down.
TEST_F(IfAwake, ASolidStateDriveIsCheckedOnlyUntilItsIdentifyIsRead) {
  FakeDevice& drive = AddDrive(stack, 0, {"AtaPassThrough12"}, kSolidState);
  EXPECT_EQ(Call(), std::make_pair(DrivePower::kAwake, Then({kCheck12, At("SmartIoctl/Identify")},
                                                            Reads("AtaPassThrough12"))));
  drive.powerCount = 0x00;
  drive.powered = false;
  EXPECT_EQ(Call(), std::make_pair(DrivePower::kAwake,
                                   Then({At("SmartIoctl/Identify")}, Reads("AtaPassThrough12"))));
  EXPECT_EQ(record.IdentifyOk, 1);
}

TEST_F(IfAwake, AnNvmeDriveIsCheckedOnlyUntilItIsRead) {
  AddDrive(stack, 0, {"AdapterProtocol", "DeviceProtocol"}, 0, u"PCI\\VEN_1F2E&DEV_A960&CC_010802");
  const Log read = {At("SmartIoctl/Identify"), At("AtaPassThrough12/Identify"),
                    At("AtaPassThrough16/Identify"), At("AdapterProtocol/Identify"),
                    At("DeviceProtocol/HealthLog")};
  EXPECT_EQ(Call(), std::make_pair(DrivePower::kAwake, Then({kCheck12, kCheck16}, read)));
  EXPECT_EQ(Call(), std::make_pair(DrivePower::kAwake, read));
  EXPECT_EQ(record.NvmeData, 1);
}

// Drive numbers shift when disks come and go; what was learnt stays with
// the disk's device path.
TEST_F(IfAwake, WhatWasLearntFollowsTheDevicePath) {
  AddDrive(stack, 0, {"AtaPassThrough12"}, kSolidState);
  Call(0);
  FakeDeviceStack shifted;
  AddDrive(shifted, 0, {"AtaPassThrough12"}, kRotating);
  AddDrive(shifted, 1, {"AtaPassThrough12"}, kSolidState);
  std::swap(shifted.devices[testing::InterfacePath(0)].typeAndNumber,
            shifted.devices[testing::InterfacePath(1)].typeAndNumber);  // the SSD is now drive 1
  stack = shifted;
  EXPECT_EQ(Call(1).second, Then({At("SmartIoctl/Identify", 1)}, Reads("AtaPassThrough12", 1)));
  EXPECT_EQ(Call(0).second.front(), kCheck12) << "another disk under the number is checked";
}

// Against GetTempInfo, once the library knows the drive: at most one
// request more for an awake disk that may spin, none for an SSD.
TEST(IfAwakeCost, TheCheckAddsAtMostOneRequest) {
  struct Route {
    const char16_t* controller;
    std::set<std::string> answers;
    std::uint16_t rate;
    int added;
  };
  const Route routes[] = {
      {u"PCIIDE\\IDECHANNEL",
       {"ScsiDiskMiniport", "AtaPassThrough12/CheckPowerMode"},
       kRotating,
       1},
      {kChipset, {"SmartIoctl", "AtaPassThrough16/CheckPowerMode"}, kRotating, 1},
      {kChipset, {"AtaPassThrough16"}, kRotating, 1},
      {kChipset, {"AtaPassThrough12"}, kSolidState, 0},
  };
  for (const Route& route : routes) {
    FakeDeviceStack stack;
    AddDrive(stack, 0, route.answers, route.rate, route.controller);
    ardmon::TempInfoRecord record;
    GetTempInfo(stack, 0, &record);
    const int read = stack.controlCalls;
    DriveMemory memory;
    GetTempInfoIfAwake(stack, 0, &record, memory);
    stack.controlCalls = 0;
    EXPECT_EQ(GetTempInfoIfAwake(stack, 0, &record, memory), DrivePower::kAwake);
    EXPECT_EQ(stack.controlCalls - read, route.added);
  }
}

// The library the DLL exports keeps what it learnt across calls, though
// each call works on a device stack of its own.
TEST(StackLibraryPower, RemembersAcrossCallsAndStacks) {
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
  EXPECT_EQ(library.GetTempInfoIfAwake(0, &record), static_cast<int>(DrivePower::kAwake));
  sent.clear();
  machine.devices[PhysicalDrive(0)].powerCount = 0x00;
  EXPECT_EQ(library.GetTempInfoIfAwake(0, &record), static_cast<int>(DrivePower::kAwake));
  EXPECT_EQ(sent, Then({At("SmartIoctl/Identify")}, Reads("AtaPassThrough12")));
}

}  // namespace
}  // namespace disklib
