// CHECK POWER MODE through the ATA pass-through CDBs: the request's bytes
// and what each answer says of the drive's power.
#include <gtest/gtest.h>

#include "disklib/access_methods.h"
#include "fake_device_stack.h"
#include "hex.h"

namespace disklib {
namespace {

using testing::FakeDevice;
using testing::Hex;
using testing::PowerSense;

std::optional<PowerMode> Check(const FakeDevice& device, testing::FakeDeviceStack& stack) {
  stack.devices[u"disk"] = device;
  return RunPowerCheck(stack, *stack.Open(u"disk", kReadWrite), AccessMethod::AtaPassThrough16);
}
std::optional<PowerMode> Check(const FakeDevice& device) {
  testing::FakeDeviceStack stack;
  return Check(device, stack);
}

TEST(PowerCheckRequest, IsNonDataWithTheRegistersAskedBack) {
  // Byte 1: protocol 3, non-data; byte 2: CK_COND, no transfer; E5h.
  EXPECT_EQ(PowerCheckCdb(AccessMethod::AtaPassThrough12),
            Hex("A1 06 20 00 00 00 00 00 00 E5 00 00"));
  for (AccessMethod other :
       {AccessMethod::SmartIoctl, AccessMethod::ScsiDiskMiniport, AccessMethod::SataMiniport,
        AccessMethod::BridgeCdb12, AccessMethod::BridgeCdb10}) {
    EXPECT_TRUE(PowerCheckCdb(other).empty());
  }
  testing::FakeDeviceStack stack;
  EXPECT_EQ(Check({}, stack), std::nullopt) << "a failed request says nothing";
  ASSERT_EQ(stack.passThroughRequests.size(), 1u);
  // No data (DataIn unspecified, length 0), 24 sense bytes at 56.
  EXPECT_EQ(stack.passThroughRequests[0],
            Hex("38 00 00 00 01 00 10 18 02 00 00 00  00 00 00 00  64 00 00 00  00*4"
                "  50 00 00 00 00 00 00 00  38 00 00 00"
                "  85 06 20 00 00 00 00 00 00 00 00 00 00 00 E5 00  00*4"));
}

// Every count value in both sense formats: 00h and 01h standby; 40h, 41h,
// 80h to 83h and FFh awake; the rest, and any count in other sense or a
// GOOD answer without sense, no answer.
TEST(PowerAnswer, EachCountInEachSenseFormat) {
  for (PowerSense format :
       {PowerSense::Descriptor, PowerSense::Fixed, PowerSense::Other, PowerSense::None}) {
    for (int count = 0; count <= 0xFF; ++count) {
      FakeDevice device;
      device.answers = {"AtaPassThrough16"};
      device.powerSense = format;
      device.powerCount = static_cast<std::uint8_t>(count);
      const bool registers = format == PowerSense::Descriptor || format == PowerSense::Fixed;
      std::optional<PowerMode> expected;
      if (registers && count <= 0x01) expected = PowerMode::Standby;
      if (registers &&
          (count == 0x40 || count == 0x41 || (count >= 0x80 && count <= 0x83) || count == 0xFF)) {
        expected = PowerMode::Awake;
      }
      EXPECT_EQ(Check(device), expected) << "count " << count;
    }
  }
}

PassThroughAnswer CheckCondition(std::vector<std::uint8_t> sense, std::size_t length) {
  PassThroughAnswer answer;
  answer.scsiStatus = 0x02;
  std::copy(sense.begin(), sense.end(), answer.sense.begin());
  answer.senseLength = static_cast<std::uint8_t>(length);
  return answer;
}

TEST(ReturnedAtaCount, RefusesCutSense) {
  const auto descriptor = testing::PowerSenseBytes(PowerSense::Descriptor, 0x80);
  EXPECT_EQ(ReturnedAtaCount(CheckCondition(descriptor, 22)), 0x80);
  EXPECT_EQ(ReturnedAtaCount(CheckCondition(descriptor, 15)), std::nullopt) << "descriptor cut";
  const auto fixed = testing::PowerSenseBytes(PowerSense::Fixed, 0x80);
  EXPECT_EQ(ReturnedAtaCount(CheckCondition(fixed, 13)), std::nullopt) << "no ASCQ";
}

}  // namespace
}  // namespace disklib
