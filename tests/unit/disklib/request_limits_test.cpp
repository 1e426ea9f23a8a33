// The library's longest call, which the monitor's transaction bound is made
// of, against what GetTempInfo really sends: every route, with no method
// answering and with each method answering IDENTIFY only (its reads then
// stall too).
#include "disklib/request_limits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "common/service_protocol.h"
#include "disklib/disklib.h"
#include "machine.h"

namespace disklib {
namespace {

using testing::AddDisk;
using testing::FakeDevice;
using testing::FakeDeviceStack;

struct Cost {
  std::uint32_t passThrough = 0;
  std::uint32_t miniport = 0;
  std::uint32_t seconds = 0;
};

Cost CostOf(const FakeDeviceStack& stack) {
  Cost cost;
  for (const auto& request : stack.passThroughRequests) {
    ScsiPassThroughHeader header;
    std::memcpy(&header, request.data(), sizeof header);
    ++cost.passThrough;
    cost.seconds += header.TimeOutValue;
  }
  for (const std::string& attempt : stack.log) {
    if (attempt.find("Miniport/") != std::string::npos) ++cost.miniport;
  }
  cost.seconds += cost.miniport * kMiniportTimeout;
  return cost;
}

Cost CostOfRoute(const std::u16string& controller, const std::string& answer) {
  FakeDeviceStack stack;
  const std::set<std::string> answers = {answer};
  AddDisk(stack, 0, controller, answers);
  FakeDevice& drive = stack.devices[testing::PhysicalDrive(0)];
  drive.identify = testing::IdentifySector("MODEL", "SERIAL", "FW", true);
  // Silicon Image controllers are reached through their storage port.
  stack.nodes[7] = {controller, std::nullopt};
  stack.portInterfaces.push_back({u"\\\\?\\port", 7});
  stack.devices[u"\\\\?\\port"] = drive;
  ardmon::TempInfoRecord record{};
  GetTempInfo(stack, 0, &record);
  return CostOf(stack);
}

TEST(RequestLimits, TheLongestCallCoversEveryRouteAndTheBoundCoversIt) {
  const std::u16string controllers[] = {u"USB\\Vid_0FA7&Pid_01D3", u"USB\\Vid_0FA7&Pid_0002",
                                        u"1394\\Bridge",           u"PCI\\ven_1095&dev_3132",
                                        u"IDE\\DiskST500",         u"PCIIDE\\IDECHANNEL",
                                        u"PCI\\VEN_8086&DEV_2922"};
  const std::string answers[] = {"",
                                 "SmartIoctl/Identify",
                                 "ScsiDiskMiniport/Identify",
                                 "SataMiniport/Identify",
                                 "AtaPassThrough12/Identify",
                                 "AtaPassThrough16/Identify",
                                 "BridgeCdb12/Identify",
                                 "BridgeCdb10/Identify"};
  Cost most;
  for (const std::u16string& controller : controllers) {
    for (const std::string& answer : answers) {
      SCOPED_TRACE(std::string(controller.begin(), controller.end()) + " answering " + answer);
      const Cost cost = CostOfRoute(controller, answer);
      EXPECT_LE(cost.passThrough, kMostPassThroughRequests);
      EXPECT_LE(cost.miniport, kMostMiniportRequests);
      EXPECT_LE(cost.seconds, kLongestCallSeconds);
      most.passThrough = std::max(most.passThrough, cost.passThrough);
      most.miniport = std::max(most.miniport, cost.miniport);
    }
  }
  // Reached, not only not passed: the figures are the library's real worst.
  EXPECT_EQ(most.passThrough, kMostPassThroughRequests);
  EXPECT_EQ(most.miniport, kMostMiniportRequests);
  EXPECT_GT(ardmon::kTransactionBoundMs, kLongestCallSeconds * 1000);
}

}  // namespace
}  // namespace disklib
