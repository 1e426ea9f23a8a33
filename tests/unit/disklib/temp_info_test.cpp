// Which access methods GetTempInfo tries for each kind of controller, on
// which handle, in which order, and where it stops.
#include <gtest/gtest.h>

#include <cstring>

#include "disklib/disklib.h"
#include "machine.h"

namespace disklib {
namespace {

using testing::AddDisk;
using testing::FakeDeviceStack;

constexpr const char* kDrive = "\\\\.\\PHYSICALDRIVE0";
constexpr const char* kPort = "\\\\?\\pci#ven_1095&dev_3132#port";

std::string At(const std::string& attempt, const char* where = kDrive) {
  return attempt + "@" + where;
}

// The three reads of a method that answers.
std::vector<std::string> Reads(const std::string& method, const char* where = kDrive) {
  return {At(method + "/Identify", where), At(method + "/ReadData", where),
          At(method + "/ReadThresholds", where)};
}

std::vector<std::string> GenericChain() {
  return {At("SmartIoctl/Identify"), At("AtaPassThrough12/Identify"),
          At("AtaPassThrough16/Identify")};
}

// The storage queries of a drive that answers none of them.
std::vector<std::string> NoNvmeAnswer() {
  return {At("AdapterProtocol/Identify"), At("DeviceProtocol/Identify"),
          At("DeviceProtocol/HealthLog"), At("AdapterProtocol/HealthLog"), At("Temperature")};
}

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const std::vector<std::string>& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

class DecisionOrder : public ::testing::Test {
 protected:
  FakeDeviceStack stack;
  ardmon::TempInfoRecord record{};

  std::vector<std::string> Run() {
    GetTempInfo(stack, 0, &record);
    EXPECT_EQ(stack.openHandles, 0) << "every handle is closed";
    return stack.Attempts();
  }

  void AddSiliconImage(const std::u16string& controllerId, std::set<std::string> portAnswers) {
    AddDisk(stack, 0, controllerId);
    stack.devices[testing::PhysicalDrive(0)].scsiAddress = std::make_pair(1, 0);
    stack.nodes[7] = {controllerId, std::nullopt};
    stack.portInterfaces.push_back({testing::U16(kPort), 7});
    stack.devices[testing::U16(kPort)].answers = std::move(portAnswers);
  }
};

// The controller decides the methods tried before the generic chain and
// after it; the first that reads IDENTIFY reads the rest.
TEST_F(DecisionOrder, EachControllerHasItsRoute) {
  struct Route {
    std::u16string controller;
    std::set<std::string> answers;
    std::vector<std::string> attempts;
  };
  const Route routes[] = {
      {u"PCIIDE\\IDECHANNEL\\4&1", {"ScsiDiskMiniport"}, Reads("ScsiDiskMiniport")},
      {u"ide\\DiskST500",
       {"AtaPassThrough16"},
       Joined({{At("ScsiDiskMiniport/Identify"), At("SmartIoctl/Identify"),
                At("AtaPassThrough12/Identify")},
               Reads("AtaPassThrough16")})},
      {u"PCI\\VEN_1095&DEV_3132&SUBSYS_1", {"SmartIoctl"}, Reads("SmartIoctl")},  // no port
      {u"USB\\VID_0FA7&PID_01D3\\5&2", {"BridgeCdb12"}, Reads("BridgeCdb12")},
      {u"USB\\Vid_0FA7&Pid_01D3\\5&2",
       {"BridgeCdb10"},
       Joined({{At("BridgeCdb12/Identify")}, GenericChain(), Reads("BridgeCdb10")})},
      {u"1394\\Bridge&1",
       {},
       Joined({GenericChain(), {At("BridgeCdb10/Identify")}, NoNvmeAnswer()})},
      {u"PCI\\VEN_8086&DEV_2922", {}, Joined({GenericChain(), NoNvmeAnswer()})},
  };
  for (const Route& route : routes) {
    FakeDeviceStack machine;
    AddDisk(machine, 0, route.controller, route.answers);
    GetTempInfo(machine, 0, &record);
    EXPECT_EQ(machine.Attempts(), route.attempts);
    EXPECT_EQ(machine.openHandles, 0);
  }
}

TEST_F(DecisionOrder, SiliconImageAsksTheSataFilterOnTheStoragePort) {
  AddSiliconImage(u"PCI\\VEN_1095&DEV_3132&SUBSYS_71321095", {"SataMiniport"});
  EXPECT_EQ(Run(), Reads("SataMiniport", kPort));
}

TEST_F(DecisionOrder, SiliconImageTriesTheDiskMiniportOnThePortNext) {
  AddSiliconImage(u"PCI\\ven_1095&dev_3512&subsys_1", {"ScsiDiskMiniport"});
  EXPECT_EQ(Run(),
            Joined({{At("SataMiniport/Identify", kPort)}, Reads("ScsiDiskMiniport", kPort)}));
}

TEST_F(DecisionOrder, SiliconImageWithoutAnswerEndsInTheGenericChain) {
  AddSiliconImage(u"PCI\\VEN_1095&DEV_3124&SUBSYS_1", {});
  EXPECT_EQ(Run(),
            Joined({{At("SataMiniport/Identify", kPort), At("ScsiDiskMiniport/Identify", kPort)},
                    GenericChain(),
                    NoNvmeAnswer()}));
  EXPECT_EQ(record.IdentifyOk, 0);
}

TEST_F(DecisionOrder, FailedReadsDoNotLeadToAnotherMethod) {
  AddDisk(stack, 0, u"PCI\\VEN_8086&DEV_2922", {"SmartIoctl/Identify", "AtaPassThrough12"});
  EXPECT_EQ(Run(), Reads("SmartIoctl"));
  EXPECT_EQ(record.IdentifyOk, 1);
  EXPECT_EQ(record.AttributesOk, 0);
  EXPECT_EQ(record.HealthStatus, ardmon::kHealthNotEvaluated);
}

// A drive on an NVMe controller answers no ATA method, only the storage
// queries.
class NvmeDecisionOrder : public DecisionOrder {
 protected:
  testing::FakeDevice& NvmeDrive(std::set<std::string> answers) {
    AddDisk(stack, 0, u"PCI\\VEN_1F2E&DEV_A960&CC_010802", std::move(answers));
    return stack.devices[testing::PhysicalDrive(0)];
  }
};

TEST_F(NvmeDecisionOrder, TheAtaMethodsComeFirstThenIdentifyAndTheHealthLog) {
  testing::FakeDevice& drive = NvmeDrive({"AdapterProtocol", "DeviceProtocol", "Temperature"});
  drive.nvmeIdentify[4] = 'S';
  drive.healthLog[1] = 0x3C;  // 316 K
  drive.healthLog[2] = 0x01;
  EXPECT_EQ(Run(), Joined({GenericChain(),
                           {At("AdapterProtocol/Identify"), At("DeviceProtocol/HealthLog")}}));
  EXPECT_EQ(record.IdentifyOk + record.AttributesOk + record.NvmeData, 3);
  EXPECT_EQ(record.Temperature, 43);
  EXPECT_EQ(std::memcmp(record.IdentifyData, drive.nvmeIdentify.data(), 512), 0);
  EXPECT_EQ(std::memcmp(record.AttributeData, drive.healthLog.data(), 512), 0);
}

TEST_F(NvmeDecisionOrder, EachStructureIsAskedThroughTheOtherPropertyNext) {
  NvmeDrive({"DeviceProtocol/Identify", "AdapterProtocol/HealthLog"});
  EXPECT_EQ(Run(), Joined({GenericChain(),
                           {At("AdapterProtocol/Identify"), At("DeviceProtocol/Identify"),
                            At("DeviceProtocol/HealthLog"), At("AdapterProtocol/HealthLog")}}));
  EXPECT_EQ(record.IdentifyOk + record.AttributesOk, 2);
}

TEST_F(NvmeDecisionOrder, OnlyWholeStructuresCount) {
  testing::FakeDevice& drive = NvmeDrive({"AdapterProtocol", "DeviceProtocol"});
  drive.reportedTransfer = 512;  // all of the log, an eighth of Identify Controller
  Run();
  EXPECT_EQ(record.IdentifyOk, 0);
  EXPECT_EQ(record.AttributesOk, 1);
}

TEST_F(NvmeDecisionOrder, WithoutTheHealthLogTheTemperatureQueryGivesTheTemperature) {
  NvmeDrive({"AdapterProtocol/Identify", "Temperature"}).celsius = 47;
  EXPECT_EQ(Run(), Joined({GenericChain(),
                           {At("AdapterProtocol/Identify"), At("DeviceProtocol/HealthLog"),
                            At("AdapterProtocol/HealthLog"), At("Temperature")}}));
  EXPECT_EQ(record.IdentifyOk, 1);
  EXPECT_EQ(record.AttributesOk, 0);
  EXPECT_EQ(record.Temperature, 47);
  EXPECT_EQ(record.HealthStatus, ardmon::kHealthNotEvaluated);
}

TEST_F(NvmeDecisionOrder, ADriverThatReportsOnlyTheTemperatureGivesOnlyThat) {
  NvmeDrive({"Temperature"}).celsius = 39;
  EXPECT_EQ(Run(), Joined({GenericChain(), NoNvmeAnswer()}));
  ardmon::TempInfoRecord expected{};
  expected.Temperature = 39;
  EXPECT_EQ(std::memcmp(&record, &expected, sizeof record), 0) << "no identity, no NVMe marker";
}

TEST_F(NvmeDecisionOrder, ADriveThatAnswersAtaIsNeverAskedForNvmeData) {
  NvmeDrive({"AtaPassThrough16/Identify", "AdapterProtocol", "DeviceProtocol", "Temperature"});
  EXPECT_EQ(Run(),
            Joined({GenericChain(),
                    {At("AtaPassThrough16/ReadData"), At("AtaPassThrough16/ReadThresholds")}}));
  EXPECT_EQ(record.NvmeData, 0);
  EXPECT_EQ(record.AttributesOk, 0);
}

// Identity and evaluation of an ATA drive are read end to end on the
// simulated demo machine; here the drive lacks S.M.A.R.T. support.
TEST_F(DecisionOrder, NoSmartSupportMeansNotEvaluated) {
  AddDisk(stack, 0, u"PCI\\VEN_8086&DEV_2922", {"SmartIoctl"});
  testing::FakeDevice& drive = stack.devices[testing::PhysicalDrive(0)];
  drive.identify = testing::IdentifySector("ST500DM002-1BD142", "Z3T8ABCD", "KC45", false);
  drive.attributes[2] = 194;  // 38 degrees, not to be taken
  drive.attributes[5] = 100;
  drive.attributes[7] = 38;
  Run();
  EXPECT_EQ(record.SmartSupported, 0);
  EXPECT_EQ(record.AttributesOk, 1);
  EXPECT_EQ(record.Temperature, 0);
  EXPECT_EQ(record.HealthStatus, ardmon::kHealthNotEvaluated);
  EXPECT_STREQ(record.FirmwareRevision, "KC45    ");
}

TEST(GetTempInfo, OutcomesWithNothingReadAreAllZero) {
  const ardmon::TempInfoRecord zero{};
  auto Check = [&](FakeDeviceStack& stack, std::uint32_t n) {
    ardmon::TempInfoRecord record;
    std::memset(&record, 0xCC, sizeof record);
    GetTempInfo(stack, n, &record);
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0);
  };
  FakeDeviceStack noDisk;
  Check(noDisk, 0);

  FakeDeviceStack unopenable;
  AddDisk(unopenable, 0, u"PCIIDE\\X", {"ScsiDiskMiniport"});
  unopenable.devices[testing::PhysicalDrive(0)].openable = false;
  Check(unopenable, 0);

  FakeDeviceStack silent;
  AddDisk(silent, 0, u"PCIIDE\\X", {});
  Check(silent, 0);

  GetTempInfo(silent, 0, nullptr);  // a null record is left alone
}

}  // namespace
}  // namespace disklib
