// The library over the simulated machine: the demo fixture read end to end,
// the filter edits written back, the fixture format, and the drivers'
// refusal of malformed requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/wire_records.h"
#include "disklib/access_methods.h"
#include "disklib/control_codes.h"
#include "disklib/disklib.h"
#include "disklib/scsi_pass_through.h"
#include "disklib/sim/fixture.h"
#include "disklib/sim/sim_device_stack.h"
#include "disklib/storage_query.h"
#include "sim_machine.h"

namespace {

using disklib::AccessMethod;
using disklib::AtaOperation;
using disklib::sim::Fixture;
using disklib::sim::SimDeviceStack;

Fixture Demo() {
  return disklib::sim::LoadFixture(ARDMON_DEMO_FIXTURE);
}

std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

template <typename Record>
bool AllZero(const Record& record) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  return std::all_of(bytes, bytes + sizeof record, [](std::uint8_t b) { return b == 0; });
}

struct DemoDrive {
  std::uint32_t number;
  const char* letters;
  const char* inquiry;
  const char16_t* controller;
  const char* model;
  const char* serial;
  std::uint8_t temperature;
  std::uint8_t health;
  std::uint32_t hours;
  bool nvme = false;
};

const DemoDrive kDemoDrives[] = {
    {0, "I:", "ATA     MARLOWE MX500AS-", u"PCIIDE\\IDECHANNEL\\4&2617AEAE&0&0",
     "MARLOWE MX500AS-01", "MX5A0X1F32K7", 38, ardmon::kHealthGood, 12034},
    // Behind the intermediate bus node: the controller is its parent.
    {1, "D:", "ATA     TESSERA TS1000DM",
     u"PCI\\VEN_1095&DEV_3132&SUBSYS_71321095&REV_01\\4&1D3A5A37&0&00E4",
     "TESSERA TS1000DM003-1CH1", "Z1D4R9WQ", 41, ardmon::kHealthCaution, 21873},
    // Temperature in tenths of a degree.
    {2, "E:", "ATA     KESTREL KS2000NV",
     u"PCI\\VEN_8086&DEV_2922&SUBSYS_50011458&REV_02\\3&11583659&0&FA", "KESTREL KS2000NV-00A",
     "WK-3TQ8H2PX01", 34, ardmon::kHealthGood, 3391},
    {3, "F:", "ORBITA  OB320UX         ", u"USB\\VID_0FA7&PID_01D3\\2008123100A1",
     "ORBITA OB320UX-2H", "OB3U20081231A1", 44, ardmon::kHealthGood, 876},
    // The system drive, reached through the storage query.
    {5, "C:", "NVMe    ASHGROVE AG960 1",
     u"PCI\\VEN_1F2E&DEV_A960&SUBSYS_A9601F2E&REV_01\\4&3A1F5C2D&0&00E8", "ASHGROVE AG960 1TB NVMe",
     "AG9B2107004417", 43, ardmon::kHealthGood, 4873, true},
};

TEST(SimDemoMachine, EachDiskReadsAsTheFixtureDescribesIt) {
  const Fixture demo = Demo();
  SimDeviceStack stack(demo);
  for (const DemoDrive& drive : kDemoDrives) {
    SCOPED_TRACE(drive.number);
    ardmon::DiskInfoTable info;
    disklib::GetDiskInfo(stack, drive.number, &info);
    EXPECT_EQ(info.Present, 1);
    const auto& disk = *std::find_if(demo.disks.begin(), demo.disks.end(),
                                     [&](const auto& d) { return d.number == drive.number; });
    EXPECT_EQ(info.DiskSize, disk.size);
    EXPECT_STREQ(info.DriveLetters, drive.letters);
    EXPECT_STREQ(info.InquiryId, drive.inquiry);
    EXPECT_EQ(std::u16string(info.ControllerId), drive.controller);
    EXPECT_EQ(std::u16string(info.DevicePath), disklib::sim::Utf16FromUtf8(disk.path));

    ardmon::TempInfoRecord temp;
    disklib::GetTempInfo(stack, drive.number, &temp);
    EXPECT_EQ(temp.IdentifyOk + temp.AttributesOk, 2);
    EXPECT_EQ(temp.ThresholdsOk, !drive.nvme);
    EXPECT_EQ(temp.NvmeData, drive.nvme);
    EXPECT_EQ(temp.SmartSupported, 1);
    EXPECT_EQ(TrimRight(temp.ModelNumber), drive.model);
    EXPECT_EQ(TrimRight(temp.SerialNumber), drive.serial);
    EXPECT_EQ(temp.Temperature, drive.temperature);
    EXPECT_EQ(temp.HealthStatus, drive.health);
    EXPECT_EQ(temp.PowerOnHours, drive.hours);
  }
  EXPECT_EQ(stack.OpenHandleCount(), 0u);
}

TEST(SimDemoMachine, CardReaderWithoutMediumAndUnusedNumbers) {
  SimDeviceStack stack(Demo());
  ardmon::DiskInfoTable reader;
  disklib::GetDiskInfo(stack, 4, &reader);
  EXPECT_EQ(reader.Present, 0);
  EXPECT_EQ(reader.DiskSize, 0u);
  EXPECT_NE(reader.DevicePath[0], u'\0');
  EXPECT_STREQ(reader.InquiryId, "Generic-SD/MMC          ");
  EXPECT_STREQ(reader.DriveLetters, "");  // its empty slot's letter lies on no disk
  ardmon::TempInfoRecord temp;
  disklib::GetTempInfo(stack, 4, &temp);
  EXPECT_TRUE(AllZero(temp));

  for (std::uint32_t n = 6; n < 26; ++n) {
    ardmon::DiskInfoTable info;
    disklib::GetDiskInfo(stack, n, &info);
    EXPECT_TRUE(AllZero(info)) << n;
  }
  EXPECT_EQ(stack.OpenHandleCount(), 0u);
}

class SimFilterFile : public ::testing::Test {
 protected:
  // A fresh stack over the file, as each library call makes one.
  bool Edit(bool add) {
    SimDeviceStack stack(disklib::sim::LoadFixture(file_.path()), file_.path());
    return disklib::EditSilFilters(stack, add);
  }
  const disklib::sim::Device& DeviceOnDisk(const std::string& idPrefix) {
    saved_ = disklib::sim::LoadFixture(file_.path());
    for (const auto& d : saved_.devices) {
      if (d.id.rfind(idPrefix, 0) == 0) return d;
    }
    throw std::runtime_error("no device " + idPrefix);
  }

  ardmon::testing::DemoMachineFile file_;
  Fixture saved_;
};

TEST_F(SimFilterFile, AddIsWrittenBackOnceAndDeleteRemovesIt) {
  EXPECT_TRUE(Edit(true));
  using Filters = std::optional<std::vector<std::string>>;
  EXPECT_EQ(DeviceOnDisk("PCI\\VEN_1095&DEV_3132").upperFilters, Filters({"OxaSATAFil"}));
  // Absent controllers are not registered; other devices keep their filters.
  EXPECT_FALSE(DeviceOnDisk("PCI\\VEN_1095&DEV_3512").upperFilters.has_value());
  EXPECT_EQ(DeviceOnDisk("IDE\\CDROM").upperFilters, Filters({"ImgDrvFlt"}));

  EXPECT_FALSE(Edit(true));
  EXPECT_TRUE(Edit(false));
  EXPECT_FALSE(DeviceOnDisk("PCI\\VEN_1095&DEV_3132").upperFilters.has_value());
  EXPECT_EQ(DeviceOnDisk("IDE\\CDROM").upperFilters, Filters({"ImgDrvFlt"}));
  EXPECT_FALSE(Edit(false));
}

// Every optional part of the format, set away from its default.
std::string FullFixture() {
  return R"({
  "services": ["OxaSATAFil", {"name": "partmgr", "type": 2, "start": 4, "imageExists": false}],
  "devices": [
    {"id": "PCI\\VEN_1\\1", "hardwareIds": [], "upperFilters": ["A", "B"]},
    {"id": "BUS\\X\\2", "parent": "PCI\\VEN_1\\1", "present": false},
    {"id": "DISK\\Y\\3", "parent": "BUS\\X\\2", "hardwareIds": ["DISK\\Y"]}
  ],
  "storagePorts": [{"path": "\\\\?\\port#1", "node": "PCI\\VEN_1\\1"}],
  "disks": [{
    "number": 7, "path": "\\\\?\\disk#7", "node": "DISK\\Y\\3", "size": 18446744073709551615,
    "openable": false,
    "answerDelayMs": 7,
    "inquiry": {"vendor": "V", "product": "P", "revision": "R", "removable": true},
    "scsiAddress": {"portNumber": 1, "pathId": 2, "targetId": 3, "lun": 4},
    "methods": ["BridgeCdb10", "SmartIoctl"],
    "quirks": ["temperatureProperty", "shortTransfer", "goodStatusNoData", "smartAbortZeroData",
               "fixedFormatSense"],
    "powerState": "standby", "osPowerDown": true, "rotationRate": 65534, "spinUpMs": 600000,
    "ata": {
      "model": "M", "serial": "S", "firmware": "F", "smartSupported": false, "smartEnabled": false,
      "attributes": [{"id": 9, "value": 5, "worst": 4, "raw": 281474976710655, "threshold": 3,
                      "flags": 1}],
      "thresholdSector": ")" +
         std::string(1024, 'a') + R"("
    },
    "nvme": {
      "model": "N", "serial": "S", "firmware": "F", "temperature": 255, "criticalWarning": 255,
      "availableSpare": 1, "spareThreshold": 2, "percentageUsed": 3, "dataUnitsRead": 4,
      "dataUnitsWritten": 5, "hostReadCommands": 6, "hostWriteCommands": 7,
      "controllerBusyTime": 8, "powerCycles": 9, "powerOnHours": 10, "unsafeShutdowns": 11,
      "mediaErrors": 18446744073709551615, "errorLogEntries": 13, "protocolQueries": false,
      "healthLog": ")" +
         std::string(1024, 'b') + R"("
    }
  }],
  "volumes": [{"letter": "q:", "type": 6, "dosDevice": "\\Device\\Ram0", "disks": [7, 8]},
              {"letter": "R", "type": 99, "dosDevice": "\\Device\\X", "disks": []}]
})";
}

TEST(SimFixture, WritingAndReadingBackKeepsEverything) {
  for (const Fixture& original : {Demo(), disklib::sim::ParseFixture(FullFixture())}) {
    const std::string written = disklib::sim::WriteFixture(original);
    EXPECT_EQ(disklib::sim::ParseFixture(written), original) << written;
  }
  const Fixture full = disklib::sim::ParseFixture(FullFixture());
  EXPECT_EQ(full.volumes[0].letter, 'Q');
  EXPECT_EQ(full.disks[0].ata->thresholdSector->at(511), 0xAA);
  EXPECT_EQ(full.disks[0].nvme->Get(ardmon::nvme::HealthField::CompositeTemperature), 528u);
  EXPECT_EQ(disklib::sim::NvmeHealthLog(*full.disks[0].nvme)[0], 0xBB) << "the log as given";
}

TEST(SimFixture, ASlowDiskKeepsItsCallerWaiting) {
  Fixture slow = Demo();
  slow.disks[0].answerDelayMs = 40;
  SimDeviceStack stack(slow);
  ardmon::TempInfoRecord record;
  const auto start = std::chrono::steady_clock::now();
  disklib::GetTempInfo(stack, slow.disks[0].number, &record);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
  EXPECT_EQ(record.Temperature, 38) << "slow, but answered";
}

TEST(SimFixture, BrokenFixtureIsAMachineWithoutDisks) {
  const std::string dir = ::testing::TempDir();
  auto disk = [](const std::string& fields) {
    return R"({"devices": [{"id": "A"}], "disks": [{"number": 0, "path": "p", "node": "A", )" +
           fields + "}]}";
  };
  const std::string broken[] = {
      "{not json",
      R"({"disks": [], "volume": []})",                       // misspelt key
      R"({"devices": [{"id": "A", "parent": "B"}]})",         // dangling parent
      R"({"devices": [{"id": "A", "parent": "A"}]})",         // loop
      disk(R"("size": 1, "methods": ["Smart"])"),             // unknown method
      disk(R"("size": -1)"),                                  // negative size
      disk(R"("size": 1, "ata": {"identifySector": "00"})"),  // short sector
      disk(R"("size": 1, "nvme": {"percentageUsed": 256})"),  // a one-byte field
      disk(R"("size": 1, "nvme": {"spare": 5})"),             // misspelt key
      disk(R"("size": 1, "answerDelayMs": 600001)"),          // longer than any test waits
      disk(R"("size": 1, "quirks": ["slow"])"),               // unknown quirk
      disk(R"("size": 1, "powerState": "sleep")"),            // unknown power mode
      disk(R"("size": 1, "rotationRate": 1024)"),             // reserved
      R"({"services": [{"type": 1}]})",                       // a service without a name
      R"({"services": [{"name": "x", "state": 4}]})",         // misspelt key
      R"({"services": [1]})",
  };
  for (const std::string& text : broken) {
    SCOPED_TRACE(text);
    EXPECT_THROW(disklib::sim::ParseFixture(text), disklib::sim::FixtureError);
    const auto file = std::filesystem::path(dir) / "broken.json";
    std::ofstream(file) << text;
    SimDeviceStack stack(disklib::sim::LoadFixtureOrEmpty(file));
    ardmon::DiskInfoTable info;
    disklib::GetDiskInfo(stack, 0, &info);
    EXPECT_TRUE(AllZero(info));
    EXPECT_FALSE(disklib::EditSilFilters(stack, true));
    std::filesystem::remove(file);
  }
  EXPECT_EQ(disklib::sim::LoadFixtureOrEmpty(std::filesystem::path(dir) / "missing.json"),
            Fixture{});
}

// The format's documentation carries a complete example; it must stay true.
TEST(SimFixture, DocumentedExampleReadsAsDescribed) {
  std::ifstream doc(std::filesystem::path(ARDMON_DEMO_FIXTURE).parent_path() / "FIXTURE.md");
  std::string text((std::istreambuf_iterator<char>(doc)), std::istreambuf_iterator<char>());
  const std::size_t start = text.find("```json\n");
  ASSERT_NE(start, std::string::npos);
  const std::size_t end = text.find("```", start + 8);
  SimDeviceStack stack(disklib::sim::ParseFixture(text.substr(start + 8, end - start - 8)));

  ardmon::DiskInfoTable info;
  disklib::GetDiskInfo(stack, 0, &info);
  EXPECT_STREQ(info.DriveLetters, "C:");
  ardmon::TempInfoRecord temp;
  disklib::GetTempInfo(stack, 0, &temp);
  EXPECT_EQ(temp.Temperature, 38);
  EXPECT_EQ(temp.HealthStatus, ardmon::kHealthCaution);
  disklib::GetTempInfo(stack, 1, &temp);
  EXPECT_EQ(temp.NvmeData, 1);
  EXPECT_EQ(temp.HealthStatus, ardmon::kHealthCaution);
  EXPECT_TRUE(disklib::EditSilFilters(stack, true));
}

// One IDE disk, one disk on a port that only the SATA filter reaches, one
// read-only disk, a volume spanning two of them, an NVMe drive and one
// whose driver reports only its temperature.
constexpr char kSmallMachine[] = R"({
  "devices": [
    {"id": "PCI\\CTL"}, {"id": "IDE\\D0", "parent": "PCI\\CTL"},
    {"id": "PCI\\VEN_1095&DEV_3124\\1"}, {"id": "SCSI\\D1", "parent": "PCI\\VEN_1095&DEV_3124\\1"},
    {"id": "SCSI\\D2", "parent": "PCI\\CTL"},
    {"id": "SCSI\\D4", "parent": "PCI\\CTL"}, {"id": "SCSI\\D5", "parent": "PCI\\CTL"}
  ],
  "storagePorts": [{"path": "\\\\?\\port#sil", "node": "PCI\\VEN_1095&DEV_3124\\1"}],
  "disks": [
    {"number": 3, "path": "\\\\?\\disk#0", "node": "IDE\\D0", "size": 4096,
     "inquiry": {"vendor": "ATA", "product": "D0"}, "scsiAddress": {"pathId": 0, "targetId": 0},
     "methods": ["SmartIoctl", "ScsiDiskMiniport", "AtaPassThrough12", "AtaPassThrough16",
                 "BridgeCdb12", "BridgeCdb10"],
     "ata": {"model": "D0", "serial": "1", "firmware": "1",
             "attributes": [{"id": 194, "value": 100, "raw": 30}]}},
    {"number": 1, "path": "\\\\?\\disk#1", "node": "SCSI\\D1", "size": 4096,
     "scsiAddress": {"pathId": 1, "targetId": 2}, "methods": ["SataMiniport"],
     "ata": {"model": "D1", "serial": "2", "firmware": "1", "smartEnabled": false}},
    {"number": 2, "path": "\\\\?\\disk#2", "node": "SCSI\\D2", "size": 4096, "openable": false,
     "methods": ["AtaPassThrough12"], "ata": {"model": "D2", "serial": "3", "firmware": "1"}},
    {"number": 4, "path": "\\\\?\\disk#4", "node": "SCSI\\D4", "size": 4096,
     "nvme": {"model": "N4", "serial": "4", "firmware": "1", "temperature": 40}},
    {"number": 5, "path": "\\\\?\\disk#5", "node": "SCSI\\D5", "size": 4096,
     "nvme": {"model": "N5", "temperature": 52, "protocolQueries": false}}
  ],
  "volumes": [
    {"letter": "C", "type": "fixed", "dosDevice": "\\Device\\HarddiskVolume1", "disks": [3]},
    {"letter": "S", "type": "fixed", "dosDevice": "\\Device\\HarddiskVolume2", "disks": [3, 1]}
  ]
})";

class SimDrivers : public ::testing::Test {
 protected:
  SimDrivers() : stack_(disklib::sim::ParseFixture(kSmallMachine)) {}

  // Sends one access-method request to disk 3, or for the SATA filter to
  // its port, with the byte at `at` set to `value`.
  bool Send(AccessMethod method, AtaOperation op, std::size_t at = SIZE_MAX, std::uint8_t value = 0,
            const char16_t* path = nullptr) {
    const bool sata = method == AccessMethod::SataMiniport;
    disklib::Addressing addressing;
    addressing.driveNumber = 3;
    addressing.pathId = sata ? 1 : 0;
    addressing.targetId = sata ? 2 : 0;
    disklib::AccessRequest request = disklib::BuildRequest(method, op, addressing);
    if (at != SIZE_MAX) request.bytes.at(at) = value;
    if (!path) path = sata ? u"\\\\?\\port#sil" : u"\\\\.\\PHYSICALDRIVE3";
    disklib::ScopedHandle handle(stack_, stack_.Open(path, disklib::kReadWrite));
    if (!handle) return false;
    if (disklib::IsPassThrough(method)) {
      return disklib::ScsiPassThrough(stack_, handle.get(), request.bytes.data(),
                                      static_cast<std::uint8_t>(request.inputSize), nullptr,
                                      ardmon::kSectorSize)
          .has_value();
    }
    std::uint32_t returned = 0;
    return stack_.Control(handle.get(), request.controlCode, request.bytes.data(),
                          request.inputSize, request.bytes.data(), request.outputSize, returned);
  }

  SimDeviceStack stack_;
};

TEST_F(SimDrivers, RefuseRequestsWithAWrongByte) {
  using Op = AtaOperation;
  const std::tuple<const char*, AccessMethod, Op, std::size_t, std::uint8_t> cases[] = {
      {"smart: cylinder low", AccessMethod::SmartIoctl, Op::ReadData, 7, 0},
      {"smart: cylinder high", AccessMethod::SmartIoctl, Op::ReadThresholds, 8, 0},
      {"smart: drive number", AccessMethod::SmartIoctl, Op::Identify, 12, 2},
      {"smart: device/head", AccessMethod::SmartIoctl, Op::Identify, 9, 0xA0},
      {"miniport: header length", AccessMethod::ScsiDiskMiniport, Op::Identify, 0, 24},
      {"miniport: signature", AccessMethod::ScsiDiskMiniport, Op::Identify, 4, 'X'},
      {"miniport: another command", AccessMethod::ScsiDiskMiniport, Op::Identify, 16, 0x02},
      {"miniport: data length", AccessMethod::ScsiDiskMiniport, Op::ReadData, 25, 0},
      {"miniport: drive number", AccessMethod::ScsiDiskMiniport, Op::ReadData, 40, 0},
      {"miniport: features", AccessMethod::ScsiDiskMiniport, Op::ReadData, 32, 0xD1},
      {"sata filter: marker", AccessMethod::SataMiniport, Op::Identify, 38, 0},
      {"sata filter: target", AccessMethod::SataMiniport, Op::Identify, 33, 0},
      {"sata filter: cylinder", AccessMethod::SataMiniport, Op::ReadData, 64, 0},
      {"ata 12: protocol", AccessMethod::AtaPassThrough12, Op::Identify, 1, 0x0A},
      {"ata 12: length field", AccessMethod::AtaPassThrough12, Op::ReadData, 2, 0x0D},
      {"ata 16: command", AccessMethod::AtaPassThrough16, Op::Identify, 14, 0},
      {"ata 16: high byte", AccessMethod::AtaPassThrough16, Op::ReadData, 9, 1},
      {"bridge 12: preamble", AccessMethod::BridgeCdb12, Op::Identify, 2, 0},
      {"bridge 12: cylinder", AccessMethod::BridgeCdb12, Op::ReadData, 9, 0},
      {"bridge 10: marker", AccessMethod::BridgeCdb10, Op::ReadData, 8, 0},
  };
  for (const auto& [what, method, op, at, value] : cases) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(Send(method, op));
    EXPECT_FALSE(Send(method, op, at, value));
  }
  EXPECT_FALSE(
      Send(AccessMethod::SataMiniport, Op::Identify, SIZE_MAX, 0, u"\\\\.\\PHYSICALDRIVE1"))
      << "the SATA filter is on the controller's port, not on the disk";
  EXPECT_EQ(stack_.OpenHandleCount(), 0u);
}

// The offset of each 32-bit field of a protocol query.
enum QueryWord : std::size_t {
  kPropertyId = 0,
  kQueryType = 4,
  kProtocolType = 8,
  kDataType = 12,
  kRequestValue = 16,
  kSubValue = 20,
  kDataOffset = 24,
  kDataLength = 28,
  kSubValue2 = 36,
  kSubValue4 = 44,
};

class SimStorageQueries : public SimDrivers {
 protected:
  // Sends a protocol query with one field changed, its output cut short by
  // `shorter` bytes; the data it answers, or nothing.
  std::optional<std::vector<std::uint8_t>> Query(std::uint32_t drive, disklib::NvmeData data,
                                                 std::size_t at = SIZE_MAX, std::uint32_t value = 0,
                                                 std::uint32_t shorter = 0) {
    using disklib::StorageProperty;
    std::vector<std::uint8_t> bytes = disklib::BuildProtocolQuery(
        data == disklib::NvmeData::IdentifyController ? StorageProperty::AdapterProtocolSpecific
                                                      : StorageProperty::DeviceProtocolSpecific,
        data);
    if (at != SIZE_MAX) std::memcpy(bytes.data() + at, &value, sizeof value);
    disklib::ScopedHandle handle(stack_, stack_.Open(Drive(drive), disklib::kReadWrite));
    const auto size = static_cast<std::uint32_t>(bytes.size());
    std::uint32_t returned = 0;
    if (!handle || !stack_.Control(handle.get(), disklib::IOCTL_STORAGE_QUERY_PROPERTY,
                                   bytes.data(), size, bytes.data(), size - shorter, returned)) {
      return std::nullopt;
    }
    const std::uint32_t length = data == disklib::NvmeData::IdentifyController ? 4096 : 512;
    const std::uint8_t* found = disklib::ProtocolAnswerData(bytes, returned, length);
    if (!found) return std::vector<std::uint8_t>();  // answered, but malformed
    return std::vector<std::uint8_t>(found, found + length);
  }
  std::optional<std::int16_t> Temperature(std::uint32_t drive, std::uint32_t outSize = 168,
                                          std::uint32_t inSize = 12) {
    const std::vector<std::uint8_t> query = disklib::BuildTemperatureQuery();
    std::vector<std::uint8_t> answer(168, 0);
    disklib::ScopedHandle handle(stack_, stack_.Open(Drive(drive), disklib::kNoAccess));
    std::uint32_t returned = 0;
    if (!stack_.Control(handle.get(), disklib::IOCTL_STORAGE_QUERY_PROPERTY, query.data(), inSize,
                        answer.data(), outSize, returned)) {
      return std::nullopt;
    }
    EXPECT_EQ(returned, outSize < 40 ? 8u : 40u);
    return disklib::ReportedTemperature(answer.data(), returned);
  }
  static std::u16string Drive(std::uint32_t n) {
    return u"\\\\.\\PHYSICALDRIVE" + disklib::sim::Utf16FromUtf8(std::to_string(n));
  }
};

TEST_F(SimStorageQueries, AnswerIdentifyControllerAndTheHealthLog) {
  const auto identify = Query(4, disklib::NvmeData::IdentifyController);
  ASSERT_TRUE(identify && identify->size() == 4096);
  EXPECT_EQ(std::string(identify->begin() + 24, identify->begin() + 64),
            std::string("N4").append(38, ' '));
  const auto log = Query(4, disklib::NvmeData::HealthLog);
  ASSERT_TRUE(log && log->size() == 512);
  EXPECT_EQ((*log)[1] | (*log)[2] << 8, 313) << "40 degrees in Kelvin";
  EXPECT_EQ((*log)[3], 100) << "the spare's default";
  EXPECT_EQ(Temperature(4), std::optional<std::int16_t>(40));
}

TEST_F(SimStorageQueries, RefuseMalformedQueries) {
  using disklib::NvmeData;
  struct Case {
    const char* what;
    NvmeData data;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"adapter temperature property", NvmeData::HealthLog, kPropertyId, 51},
      {"exists query", NvmeData::HealthLog, kQueryType, 1},
      {"ATA protocol", NvmeData::IdentifyController, kProtocolType, 2},
      {"feature data type", NvmeData::HealthLog, kDataType, 3},
      {"Identify Namespace", NvmeData::IdentifyController, kRequestValue, 0},
      {"another controller", NvmeData::IdentifyController, kSubValue, 1},
      {"Identify of a sector", NvmeData::IdentifyController, kDataLength, 512},
      {"another log", NvmeData::HealthLog, kRequestValue, 3},
      {"log read from an offset", NvmeData::HealthLog, kSubValue, 512},
      {"high offset", NvmeData::HealthLog, kSubValue2, 1},
      {"retained event", NvmeData::HealthLog, kSubValue4, 1},
      {"log of a whole page", NvmeData::HealthLog, kDataLength, 4096},
      {"data inside the header", NvmeData::HealthLog, kDataOffset, 36},
      {"data past the buffer", NvmeData::HealthLog, kDataOffset, 44},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(Query(4, c.data).has_value());
    EXPECT_FALSE(Query(4, c.data, c.at, c.value).has_value());
  }
  EXPECT_FALSE(Query(4, NvmeData::HealthLog, SIZE_MAX, 0, 1)) << "output a byte short";
  EXPECT_FALSE(Query(3, NvmeData::IdentifyController)) << "an ATA disk";
  EXPECT_FALSE(Query(5, NvmeData::HealthLog)) << "a driver without protocol queries";
  EXPECT_EQ(stack_.OpenHandleCount(), 0u);
}

TEST_F(SimStorageQueries, TemperatureQueryAnswersTheHeaderToASmallBuffer) {
  EXPECT_EQ(Temperature(5), std::optional<std::int16_t>(52));
  EXPECT_EQ(Temperature(5, 8), std::nullopt) << "Version and Size alone";
  EXPECT_EQ(Temperature(5, 4), std::nullopt) << "refused";
  EXPECT_EQ(Temperature(5, 168, 8), std::nullopt) << "a query shorter than its structure";
  EXPECT_EQ(Temperature(3), std::nullopt) << "an ATA disk";

  ardmon::TempInfoRecord temp;
  disklib::GetTempInfo(stack_, 5, &temp);
  EXPECT_EQ(temp.Temperature, 52);
  EXPECT_EQ(temp.IdentifyOk + temp.AttributesOk + temp.NvmeData + temp.SmartSupported, 0);
}

TEST_F(SimDrivers, PassThroughHeaderIsTheSixtyFourBitOne) {
  disklib::ScopedHandle drive(stack_, stack_.Open(u"\\\\.\\PHYSICALDRIVE3", disklib::kReadWrite));
  ASSERT_TRUE(drive);
  auto inquire = [&](auto change) {
    std::vector<std::uint8_t> buffer(36 + disklib::kDataOffset, 0);
    disklib::ScsiPassThroughHeader h{};
    h.Length = sizeof h;
    h.CdbLength = 6;
    h.SenseInfoLength = disklib::kSenseLength;
    h.DataIn = disklib::SCSI_IOCTL_DATA_IN;
    h.DataTransferLength = 36;
    h.TimeOutValue = 100;
    h.DataBufferOffset = disklib::kDataOffset;
    h.SenseInfoOffset = disklib::kSenseOffset;
    h.Cdb[0] = 0x12;
    h.Cdb[4] = 36;
    change(h);
    std::memcpy(buffer.data(), &h, sizeof h);
    std::uint32_t returned = 0;
    return stack_.Control(drive.get(), disklib::IOCTL_SCSI_PASS_THROUGH, buffer.data(), sizeof h,
                          buffer.data(), static_cast<std::uint32_t>(buffer.size()), returned);
  };
  using Header = disklib::ScsiPassThroughHeader;
  EXPECT_TRUE(inquire([](Header&) {}));
  EXPECT_FALSE(inquire([](Header& h) { h.Length = 44; }));  // the 32-bit layout
  EXPECT_FALSE(inquire([](Header& h) { h.DataBufferOffset = 48; }));
  EXPECT_FALSE(inquire([](Header& h) { h.DataTransferLength = 512; }));  // past the output
  EXPECT_FALSE(inquire([](Header& h) { h.TimeOutValue = 0; }));
}

TEST_F(SimDrivers, VolumesReadOnlyDisksAndDisabledSmart) {
  EXPECT_EQ(disklib::ListDriveLetters(stack_, 3), "C:");  // S: spans two disks
  EXPECT_EQ(disklib::ListDriveLetters(stack_, 1), "");

  disklib::ScopedHandle spanning(stack_, stack_.Open(u"\\\\.\\S:", disklib::kNoAccess));
  std::uint8_t extents[8 + 2 * 24] = {};
  std::uint32_t returned = 0;
  EXPECT_FALSE(stack_.Control(spanning.get(), disklib::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS,
                              nullptr, 0, extents, 32, returned));
  EXPECT_EQ(extents[0], 2);  // the count still arrives
  ASSERT_TRUE(stack_.Control(spanning.get(), disklib::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr,
                             0, extents, sizeof extents, returned));
  EXPECT_EQ(extents[8], 3);
  EXPECT_EQ(extents[8 + 24], 1);

  ardmon::DiskInfoTable readOnly;
  disklib::GetDiskInfo(stack_, 2, &readOnly);
  EXPECT_EQ(readOnly.Present, 0);
  EXPECT_EQ(std::u16string(readOnly.DevicePath), u"\\\\?\\disk#2");
  ardmon::TempInfoRecord temp;
  disklib::GetTempInfo(stack_, 2, &temp);
  EXPECT_TRUE(AllZero(temp));

  // The filter completes the aborted S.M.A.R.T. reads with the error inside
  // and no sector.
  disklib::GetTempInfo(stack_, 1, &temp);
  EXPECT_EQ(temp.IdentifyOk, 1);
  EXPECT_EQ(temp.AttributesOk + temp.ThresholdsOk, 0);
  EXPECT_STREQ(temp.ModelNumber, std::string("D1").append(38, ' ').c_str());
  EXPECT_TRUE(std::all_of(std::begin(temp.AttributeData), std::end(temp.AttributeData),
                          [](std::uint8_t b) { return b == 0; }));
}

}  // namespace

// One disk on a plain controller, its driver with the given quirks: what
// GetTempInfo makes of it.
TEST(SimQuirks, OnlyWholeAnswersAreTaken) {
  struct Case {
    const char* what;
    const char* methods;
    const char* quirks;
    bool nvme;
    bool identified;
    bool smartRead;
    std::uint8_t temperature;
  };
  const Case cases[] = {
      {"GOOD without data: the next method", R"("AtaPassThrough16")", R"("goodStatusNoData")",
       false, true, true, 30},
      {"half sectors from every method", R"("SmartIoctl", "AtaPassThrough12")",
       R"("shortTransfer")", false, false, false, 0},
      {"half NVMe data", "", R"("shortTransfer")", true, false, false, 40},
      {"an ATA drive's temperature property", "", R"("temperatureProperty")", false, false, false,
       30},
      {"aborted S.M.A.R.T., zeros from the ioctl", R"("SmartIoctl")", R"("smartAbortZeroData")",
       false, true, false, 0},
      {"aborted S.M.A.R.T., through pass-through", R"("AtaPassThrough12")",
       R"("smartAbortZeroData")", false, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string drive =
        c.nvme ? R"("nvme": {"model": "Q", "temperature": 40})"
               : R"("ata": {"model": "Q", "attributes": [{"id": 194, "value": 100, "raw": 30}]})";
    SimDeviceStack stack(disklib::sim::ParseFixture(
        std::string(R"({"devices": [{"id": "PCI\\CTL"}, {"id": "SCSI\\D", "parent": "PCI\\CTL"}],
          "disks": [{"number": 0, "path": "p", "node": "SCSI\\D", "size": 4096,
                     "methods": [)") +
        c.methods + R"(], "quirks": [)" + c.quirks + "], " + drive + "}]}"));
    ardmon::TempInfoRecord temp;
    disklib::GetTempInfo(stack, 0, &temp);
    EXPECT_EQ(temp.IdentifyOk, c.identified);
    EXPECT_EQ(temp.AttributesOk, c.smartRead);
    EXPECT_EQ(temp.ThresholdsOk, c.smartRead);
    EXPECT_EQ(temp.HealthStatus, c.smartRead ? ardmon::kHealthGood : ardmon::kHealthNotEvaluated);
    EXPECT_EQ(temp.Temperature, c.temperature);
    EXPECT_EQ(TrimRight(temp.ModelNumber), c.identified ? "Q" : "");
  }
}
