// Request bytes of every access method, against bytes written out by hand
// from the drivers' request layouts.
#include "disklib/access_methods.h"

#include <gtest/gtest.h>

#include "disklib/control_codes.h"
#include "disklib/disklib.h"
#include "disklib/sim/fixture.h"
#include "fake_device_stack.h"
#include "hex.h"

namespace disklib {
namespace {

using testing::Hex;

std::vector<std::uint8_t> InputOf(AccessMethod method, AtaOperation operation,
                                  Addressing addressing = {}) {
  AccessRequest r = BuildRequest(method, operation, addressing);
  return std::vector<std::uint8_t>(r.bytes.begin(), r.bytes.begin() + r.inputSize);
}

Addressing Drive(std::uint32_t n) {
  Addressing a;
  a.driveNumber = n;
  return a;
}

TEST(SmartIoctlRequest, CarriesRegistersAndTheDriveNumber) {
  EXPECT_EQ(InputOf(AccessMethod::SmartIoctl, AtaOperation::Identify, Drive(3)),
            Hex("00 02 00 00  00 01 01 00 00 B0 EC 00 03  00*20"));
  EXPECT_EQ(InputOf(AccessMethod::SmartIoctl, AtaOperation::ReadData, Drive(2)),
            Hex("00 02 00 00  D0 01 01 4F C2 A0 B0 00 02  00*20"));
  EXPECT_EQ(InputOf(AccessMethod::SmartIoctl, AtaOperation::ReadThresholds, Drive(258)),
            Hex("00 02 00 00  D1 01 01 4F C2 A0 B0 00 02  00*20"));
  AccessRequest r = BuildRequest(AccessMethod::SmartIoctl, AtaOperation::Identify, Drive(0));
  EXPECT_EQ(r.controlCode, 0x7C088u);
  EXPECT_EQ(r.outputSize, 528u);
  EXPECT_EQ(r.answerOffset, 16u);
}

const char* kSrbScsiDisk = "1C 00 00 00  53 43 53 49 44 49 53 4B  0A 00 00 00";
const char* kSrbSata = "1C 00 00 00  51 58 5F 53 41 54 41 5F  0A 00 00 00";

TEST(ScsiDiskMiniportRequest, HasTheHeaderAndTheTaskFile) {
  const std::string srb = kSrbScsiDisk;
  EXPECT_EQ(
      InputOf(AccessMethod::ScsiDiskMiniport, AtaOperation::Identify, Drive(1)),
      Hex(srb + " 01 05 1B 00  00 00 00 00  11 02 00 00  00*4  00 00 00 00 00 00 EC 00 01 00*19"));
  EXPECT_EQ(
      InputOf(AccessMethod::ScsiDiskMiniport, AtaOperation::ReadData, Drive(0)),
      Hex(srb + " 02 05 1B 00  00 00 00 00  11 02 00 00  00*4  D0 00 00 4F C2 00 B0 00 00 00*19"));
  EXPECT_EQ(
      InputOf(AccessMethod::ScsiDiskMiniport, AtaOperation::ReadThresholds, Drive(5)),
      Hex(srb + " 03 05 1B 00  00 00 00 00  11 02 00 00  00*4  D1 00 00 4F C2 00 B0 00 05 00*19"));
  AccessRequest r = BuildRequest(AccessMethod::ScsiDiskMiniport, AtaOperation::Identify, {});
  EXPECT_EQ(r.controlCode, 0x4D008u);
  EXPECT_EQ(r.outputSize, 557u);
  EXPECT_EQ(r.answerOffset, 44u);
}

TEST(SataMiniportRequest, AddressesByPathAndTarget) {
  Addressing at;
  at.pathId = 2;
  at.targetId = 7;
  const std::string srb = kSrbSata;
  EXPECT_EQ(InputOf(AccessMethod::SataMiniport, AtaOperation::Identify, at),
            Hex(srb + " 01 05 1B 00  00 00 00 00  11 02 00 00  00*4  02 07 00*4 F0 00*22"
                      "  00 00 00 00 00 00 EC 00"));
  EXPECT_EQ(InputOf(AccessMethod::SataMiniport, AtaOperation::ReadData, at),
            Hex(srb + " 02 05 1B 00  00 00 00 00  11 02 00 00  00*4  02 07 00*4 F0 00*22"
                      "  D0 00 00 4F C2 00 B0 00"));
  EXPECT_EQ(InputOf(AccessMethod::SataMiniport, AtaOperation::ReadThresholds, at),
            Hex(srb + " 03 05 1B 00  00 00 00 00  11 02 00 00  00*4  02 07 00*4 F0 00*22"
                      "  D1 00 00 4F C2 00 B0 00"));
}

TEST(PassThroughCdbs, MatchTheTranslationAndBridgeForms) {
  struct Case {
    AccessMethod method;
    const char* identify;
    const char* data;
    const char* thresholds;
  };
  const Case cases[] = {
      {AccessMethod::AtaPassThrough12, "A1 08 0D 01 00 00 00 00 00 EC 00 00",
       "A1 08 0E D0 01 01 4F C2 A0 B0 00 00", "A1 08 0E D1 01 01 4F C2 A0 B0 00 00"},
      {AccessMethod::AtaPassThrough16, "85 09 0D 00 01 00 00 00 00 00 00 00 00 00 EC 00",
       "85 09 0E 00 D0 00 01 00 01 00 4F 00 C2 A0 B0 00",
       "85 09 0E 00 D1 00 01 00 01 00 4F 00 C2 A0 B0 00"},
      {AccessMethod::BridgeCdb12, "F8 00 22 10 01 00 00 00 00 00 00 EC",
       "F8 00 22 10 01 D0 00 00 4F C2 00 B0", "F8 00 22 10 01 D1 00 00 4F C2 00 B0"},
      {AccessMethod::BridgeCdb10, "01 00 00 00 00 00 00 EC 02 00", "01 00 D0 00 00 4F C2 B0 02 00",
       "01 00 D1 00 00 4F C2 B0 02 00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InputOf(c.method, AtaOperation::Identify), Hex(c.identify)) << c.identify;
    EXPECT_EQ(InputOf(c.method, AtaOperation::ReadData), Hex(c.data)) << c.data;
    EXPECT_EQ(InputOf(c.method, AtaOperation::ReadThresholds), Hex(c.thresholds)) << c.thresholds;
  }
}

class PassThroughTest : public ::testing::Test {
 protected:
  testing::FakeDeviceStack stack;
  DeviceHandle handle = 0;

  void SetUp() override {
    stack.devices[u"disk"].answers = {"AtaPassThrough12"};
    stack.devices[u"disk"].identify.assign(512, 0x5A);
    handle = *stack.Open(u"disk", kReadWrite);
  }
};

TEST_F(PassThroughTest, SendsTheSixtyFourBitRequestHeader) {
  std::uint8_t sector[512];
  ASSERT_TRUE(RunAccessMethod(stack, handle, AccessMethod::AtaPassThrough12, AtaOperation::Identify,
                              {}, sector));
  ASSERT_EQ(stack.passThroughRequests.size(), 1u);
  EXPECT_EQ(stack.passThroughRequests[0],
            Hex("38 00 00 00 01 00 0C 18 01 00 00 00  00 02 00 00  64 00 00 00  00*4"
                "  50 00 00 00 00 00 00 00  38 00 00 00"
                "  A1 08 0D 01 00 00 00 00 00 EC 00 00 00*4  00*4"));
  EXPECT_EQ(sector[0], 0x5A);
  EXPECT_EQ(sector[511], 0x5A);
}

TEST_F(PassThroughTest, ANonZeroScsiStatusFailsAndLeavesTheSectorAlone) {
  stack.devices[u"disk"].scsiStatus = 2;
  std::uint8_t sector[512] = {};
  EXPECT_FALSE(RunAccessMethod(stack, handle, AccessMethod::AtaPassThrough12,
                               AtaOperation::Identify, {}, sector));
  EXPECT_EQ(sector[0], 0);
}

TEST_F(PassThroughTest, AnAbsentDestinationIsAllowed) {
  EXPECT_TRUE(RunAccessMethod(stack, handle, AccessMethod::AtaPassThrough12, AtaOperation::Identify,
                              {}, nullptr));
}

TEST(ControlCodeMethods, FailureLeavesTheSectorAlone) {
  testing::FakeDeviceStack stack;
  stack.devices[u"disk"];
  DeviceHandle handle = *stack.Open(u"disk", kReadWrite);
  std::uint8_t sector[512] = {7};
  EXPECT_FALSE(
      RunAccessMethod(stack, handle, AccessMethod::SmartIoctl, AtaOperation::Identify, {}, sector));
  EXPECT_EQ(sector[0], 7);
}

// Only a whole answer without a driver error counts, for IDENTIFY only a
// sector that can be IDENTIFY data, and for the S.M.A.R.T. data only one
// that is not all zero; whatever is refused leaves the destination alone.
TEST(AnswerAcceptance, WholeAnswersWithoutErrorOnly) {
  struct Case {
    const char* what;
    AccessMethod method;
    AtaOperation operation;
    std::optional<std::uint32_t> reported;  // unset: the whole sector
    std::vector<std::uint8_t> sector;
    bool accepted;
    std::uint8_t driverError = 0;  // DRIVERSTATUS.bDriverError
    std::uint32_t returnCode = 0;  // SRB_IO_CONTROL.ReturnCode
  };
  using M = AccessMethod;
  using Op = AtaOperation;
  const std::vector<std::uint8_t> zero(512, 0), any = testing::AnyIdentify();
  // The simulator's drives sign IDENTIFY with the integrity word.
  const sim::Sector signedSector = sim::IdentifySector(sim::AtaDrive{}, 4096);
  std::vector<std::uint8_t> good(signedSector.begin(), signedSector.end()), bad = good;
  ++bad[511];
  const Case cases[] = {
      {"pass-through, whole", M::AtaPassThrough16, Op::Identify, {}, any, true},
      {"pass-through, half", M::AtaPassThrough16, Op::Identify, 256, any, false},
      {"pass-through, GOOD without data", M::BridgeCdb10, Op::ReadData, 0, any, false},
      {"pass-through, more than asked", M::AtaPassThrough12, Op::Identify, 4096, any, false},
      {"S.M.A.R.T. ioctl, whole", M::SmartIoctl, Op::ReadThresholds, {}, any, true},
      {"S.M.A.R.T. ioctl, half", M::SmartIoctl, Op::Identify, 256, any, false},
      {"miniport, a byte short", M::ScsiDiskMiniport, Op::ReadData, 511, any, false},
      {"SATA filter, half", M::SataMiniport, Op::Identify, 256, any, false},
      {"S.M.A.R.T. ioctl, driver error", M::SmartIoctl, Op::ReadData, {}, any, false, 1, 0},
      {"miniport, driver error", M::ScsiDiskMiniport, Op::Identify, {}, any, false, 1, 0},
      {"miniport, return code", M::ScsiDiskMiniport, Op::ReadData, {}, any, false, 0, 1},
      {"SATA filter, return code", M::SataMiniport, Op::ReadThresholds, {}, any, false, 0, 5},
      {"IDENTIFY all zero", M::SmartIoctl, Op::Identify, {}, zero, false},
      {"attributes all zero", M::SmartIoctl, Op::ReadData, {}, zero, false},
      {"attributes all zero, pass-through", M::AtaPassThrough12, Op::ReadData, {}, zero, false},
      {"thresholds all zero", M::SataMiniport, Op::ReadThresholds, {}, zero, true},
      {"IDENTIFY signed and summing up", M::AtaPassThrough12, Op::Identify, {}, good, true},
      {"IDENTIFY signed, wrong sum", M::ScsiDiskMiniport, Op::Identify, {}, bad, false},
      {"attributes with a wrong sum", M::ScsiDiskMiniport, Op::ReadData, {}, bad, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::FakeDeviceStack stack;
    testing::FakeDevice& disk = stack.devices[u"disk"];
    disk.answers = {std::string(sim::AccessMethodName(c.method))};
    disk.reportedTransfer = c.reported;
    disk.driverError = c.driverError;
    disk.returnCode = c.returnCode;
    disk.identify = disk.attributes = disk.thresholds = c.sector;
    std::vector<std::uint8_t> destination(512, 0xEE);
    EXPECT_EQ(RunAccessMethod(stack, *stack.Open(u"disk", kReadWrite), c.method, c.operation, {},
                              destination.data()),
              c.accepted);
    EXPECT_EQ(destination, c.accepted ? c.sector : std::vector<std::uint8_t>(512, 0xEE));
  }
}

TEST(GetScsiAddress, TakesPathAndTargetFromTheAddress) {
  testing::FakeDeviceStack stack;
  stack.devices[u"disk"].scsiAddress = std::make_pair(3, 4);
  stack.devices[u"none"];
  auto address = GetScsiAddress(stack, *stack.Open(u"disk", kReadWrite));
  ASSERT_TRUE(address);
  EXPECT_EQ(address->pathId, 3);
  EXPECT_EQ(address->targetId, 4);
  EXPECT_FALSE(GetScsiAddress(stack, *stack.Open(u"none", kReadWrite)));
}

TEST(FindStoragePort, MatchesTheControllerIdExactly) {
  testing::FakeDeviceStack stack;
  stack.nodes[1] = {u"PCI\\VEN_1095&DEV_3132&SUBSYS_1", std::nullopt};
  stack.nodes[2] = {u"PCI\\VEN_1095&DEV_3132&SUBSYS_2", std::nullopt};
  stack.portInterfaces = {{u"\\\\?\\port1", 1}, {u"\\\\?\\port2", 2}};
  EXPECT_EQ(FindStoragePort(stack, u"PCI\\VEN_1095&DEV_3132&SUBSYS_2"), u"\\\\?\\port2");
  EXPECT_FALSE(FindStoragePort(stack, u"pci\\ven_1095&dev_3132&subsys_2"));
  stack.interfaceSetsAvailable = false;
  EXPECT_FALSE(FindStoragePort(stack, u"PCI\\VEN_1095&DEV_3132&SUBSYS_2"));
}

}  // namespace
}  // namespace disklib
