// The library's longest call, which the monitor's transaction bound is made
// of, against what GetTempInfoIfAwake really sends on every route.
#include "common/request_limits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "common/service_protocol.h"
#include "disklib/disklib.h"
#include "machine.h"

namespace disklib {
namespace {

using ardmon::kLongestCallSeconds;
using ardmon::kMiniportTimeout;
using ardmon::kMostMiniportRequests;
using ardmon::kMostPassThroughRequests;
using testing::AddDisk;
using testing::FakeDevice;
using testing::FakeDeviceStack;

struct Cost {
  std::uint32_t passThrough = 0, miniport = 0, seconds = 0;
};

// GetTempInfoIfAwake, which sends all GetTempInfo sends and its power
// check, on a drive behind `controller` whose only answer is `answer`, the
// time-outs taken from the requests as the library built them.
Cost CostOfRoute(const std::u16string& controller, const std::string& answer) {
  FakeDeviceStack stack;
  AddDisk(stack, 0, controller, {answer});
  FakeDevice& drive = stack.devices[testing::PhysicalDrive(0)];
  drive.identify = testing::IdentifySector("MODEL", "SERIAL", "FW", true);
  // Silicon Image controllers are reached through their storage port.
  stack.nodes[7] = {controller, std::nullopt};
  stack.portInterfaces.push_back({u"\\\\?\\port", 7});
  stack.devices[u"\\\\?\\port"] = drive;
  ardmon::TempInfoRecord record{};
  DriveMemory memory;
  GetTempInfoIfAwake(stack, 0, &record, memory);
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

TEST(RequestLimits, TheLongestCallCoversEveryRouteAndTheBoundCoversIt) {
  const std::u16string controllers[] = {u"USB\\Vid_0FA7&Pid_01D3", u"USB\\Vid_0FA7&Pid_0002",
                                        u"1394\\Bridge",           u"PCI\\ven_1095&dev_3132",
                                        u"IDE\\DiskST500",         u"PCIIDE\\IDECHANNEL",
                                        u"PCI\\VEN_8086&DEV_2922"};
  // Nothing answers, or one method answers IDENTIFY and its reads stall.
  const char* const methods[] = {
      "SmartIoctl",       "ScsiDiskMiniport", "SataMiniport", "AtaPassThrough12",
      "AtaPassThrough16", "BridgeCdb12",      "BridgeCdb10",  ""};
  Cost most;
  for (const std::u16string& controller : controllers) {
    for (const std::string method : methods) {
      const std::string answer = method.empty() ? "" : method + "/Identify";
      SCOPED_TRACE(std::string(controller.begin(), controller.end()) + " answering " + answer);
      const Cost cost = CostOfRoute(controller, answer);
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
