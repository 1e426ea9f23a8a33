// CHECK POWER MODE through the ATA pass-through CDBs: the request's bytes
// and what each answer says of the drive's power.
#include <gtest/gtest.h>

#include "disklib/access_methods.h"
#include "disklib/power_answer.h"
#include "fake_device_stack.h"
#include "hex.h"

namespace disklib {
namespace {

using testing::FakeDeviceStack;
using testing::Hex;
using testing::PowerSense;
using testing::PowerSenseBytes;

TEST(PowerCheckRequest, IsNonDataWithTheRegistersAskedBack) {
  // Byte 1: protocol 3, non-data; byte 2: CK_COND, no transfer; E5h.
  EXPECT_EQ(PowerCheckCdb(AccessMethod::AtaPassThrough12),
            Hex("A1 06 20 00 00 00 00 00 00 E5 00 00"));
  EXPECT_EQ(PowerCheckCdb(AccessMethod::AtaPassThrough16),
            Hex("85 06 20 00 00 00 00 00 00 00 00 00 00 00 E5 00"));
  for (AccessMethod other :
       {AccessMethod::SmartIoctl, AccessMethod::ScsiDiskMiniport, AccessMethod::SataMiniport,
        AccessMethod::BridgeCdb12, AccessMethod::BridgeCdb10}) {
    EXPECT_TRUE(PowerCheckCdb(other).empty());
  }

  FakeDeviceStack stack;
  stack.devices[u"disk"].answers = {"AtaPassThrough16"};
  RunPowerCheck(stack, *stack.Open(u"disk", kReadWrite), AccessMethod::AtaPassThrough16);
  ASSERT_EQ(stack.passThroughRequests.size(), 1u);
  // No data (DataIn unspecified, length 0), 24 sense bytes at 56.
  EXPECT_EQ(stack.passThroughRequests[0],
            Hex("38 00 00 00 01 00 10 18 02 00 00 00  00 00 00 00  64 00 00 00  00*4"
                "  50 00 00 00 00 00 00 00  38 00 00 00"
                "  85 06 20 00 00 00 00 00 00 00 00 00 00 00 E5 00  00*4"));
}

std::optional<PowerMode> Check(const testing::FakeDevice& device,
                               AccessMethod method = AccessMethod::AtaPassThrough12) {
  FakeDeviceStack stack;
  stack.devices[u"disk"] = device;
  return RunPowerCheck(stack, *stack.Open(u"disk", kReadWrite), method);
}

// Every count value in both sense formats: 00h and 01h standby; 40h, 41h,
// 80h to 83h and FFh awake; the rest no answer.
TEST(PowerAnswer, EachCountInBothSenseFormats) {
  for (PowerSense format : {PowerSense::Descriptor, PowerSense::Fixed}) {
    for (int count = 0; count <= 0xFF; ++count) {
      testing::FakeDevice device;
      device.answers = {"AtaPassThrough12/CheckPowerMode"};
      device.powerSense = format;
      device.powerCount = static_cast<std::uint8_t>(count);
      std::optional<PowerMode> expected;
      if (count <= 0x01) expected = PowerMode::Standby;
      if (count == 0x40 || count == 0x41 || (count >= 0x80 && count <= 0x83) || count == 0xFF) {
        expected = PowerMode::Awake;
      }
      EXPECT_EQ(Check(device), expected) << "count " << count;
    }
  }
}

TEST(PowerAnswer, AnswersWithoutTheRegistersSayNothing) {
  testing::FakeDevice device;
  device.powerCount = 0x00;
  EXPECT_EQ(Check(device), std::nullopt) << "the request failed";
  device.answers = {"AtaPassThrough12/CheckPowerMode"};
  device.powerSense = PowerSense::Other;
  EXPECT_EQ(Check(device), std::nullopt) << "illegal request";
  device.powerSense = PowerSense::None;
  EXPECT_EQ(Check(device), std::nullopt) << "GOOD without sense";
  device.powerSense = PowerSense::Descriptor;
  EXPECT_EQ(Check(device, AccessMethod::SmartIoctl), std::nullopt) << "cannot carry it";
  EXPECT_EQ(Check(device), PowerMode::Standby);
}

PassThroughAnswer CheckCondition(const std::vector<std::uint8_t>& sense) {
  PassThroughAnswer answer;
  answer.scsiStatus = 0x02;
  std::copy(sense.begin(), sense.end(), answer.sense.begin());
  answer.senseLength = static_cast<std::uint8_t>(sense.size());
  return answer;
}

TEST(ReturnedAtaCount, RefusesCutSenseAndOtherCodes) {
  const std::vector<std::uint8_t> descriptor = PowerSenseBytes(PowerSense::Descriptor, 0x80);
  EXPECT_EQ(ReturnedAtaCount(CheckCondition(descriptor)), 0x80);

  std::vector<std::uint8_t> cut = descriptor;
  cut.resize(15);  // the descriptor's count is there, its tail is not
  EXPECT_EQ(ReturnedAtaCount(CheckCondition(cut)), std::nullopt);
  std::vector<std::uint8_t> shortFixed = PowerSenseBytes(PowerSense::Fixed, 0xFF);
  shortFixed.resize(13);  // without ASCQ
  EXPECT_EQ(ReturnedAtaCount(CheckCondition(shortFixed)), std::nullopt);

  std::vector<std::uint8_t> otherAscq = descriptor;
  otherAscq[3] = 0x00;
  EXPECT_EQ(ReturnedAtaCount(CheckCondition(otherAscq)), std::nullopt);

  PassThroughAnswer good = CheckCondition(descriptor);
  good.scsiStatus = 0x00;
  EXPECT_EQ(ReturnedAtaCount(good), std::nullopt);
}

}  // namespace
}  // namespace disklib
