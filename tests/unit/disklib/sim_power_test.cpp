// Sleeping simulated disks: CHECK POWER MODE answers without waking them,
// any other ATA command wakes them, written back and counted, and the
// requests Windows' drivers answer themselves leave them asleep.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <numeric>
#include <string>
#include <tuple>

#include "disklib/access_methods.h"
#include "disklib/control_codes.h"
#include "disklib/disklib.h"
#include "disklib/scsi_pass_through.h"
#include "disklib/sim/fixture.h"
#include "disklib/sim/fixture_edit.h"
#include "disklib/sim/sim_device_stack.h"
#include "disklib/sim/spin_up_counts.h"
#include "disklib/storage_query.h"
#include "sim_machine.h"

namespace disklib::sim {
namespace {

constexpr std::uint32_t kSpinUpMs = 30;

// Disk 0, second in the list, with its power given as fixture keys.
Fixture SleeperMachine(const std::string& power) {
  return ParseFixture(R"({
    "devices": [{"id": "IDE\\D0"}, {"id": "IDE\\D3"}],
    "disks": [
      {"number": 3, "path": "\\\\?\\disk#3", "node": "IDE\\D3", "size": 4096},
      {"number": 0, "path": "\\\\?\\disk#0", "node": "IDE\\D0", "size": 4096,
       "inquiry": {"vendor": "ATA", "product": "D0"}, "scsiAddress": {"pathId": 0},
       "methods": ["SmartIoctl", "AtaPassThrough12", "AtaPassThrough16"],
       "spinUpMs": )" +
                      std::to_string(kSpinUpMs) + ", " + power + R"(,
       "ata": {"model": "D0", "attributes": [{"id": 194, "value": 100, "raw": 30}]}}]})");
}

// A request to disk 0: a control code and its input, or for a
// pass-through the CDB and its data-in length.
struct Ask {
  std::uint32_t code;
  std::vector<std::uint8_t> bytes;
  std::uint32_t dataLength = 0;
};

// CHECK POWER MODE through ATA PASS-THROUGH, protocol non-data, no transfer.
Ask CheckPowerMode(bool sixteen, bool ckCond) {
  std::vector<std::uint8_t> cdb(sixteen ? 16 : 12, 0);
  cdb[0] = sixteen ? 0x85 : 0xA1;
  cdb[1] = 3 << 1;
  cdb[2] = ckCond ? 0x20 : 0x00;
  cdb[sixteen ? 14 : 9] = 0xE5;
  return {IOCTL_SCSI_PASS_THROUGH, cdb};
}

Ask Method(AccessMethod method, AtaOperation op) {
  const AccessRequest r = BuildRequest(method, op, Addressing{});
  if (!IsPassThrough(method)) return {r.controlCode, r.bytes};
  return {IOCTL_SCSI_PASS_THROUGH, {r.bytes.begin(), r.bytes.begin() + r.inputSize}, 512};
}

struct Answer {
  bool done = false;
  std::uint8_t scsiStatus = 0;
  std::vector<std::uint8_t> sense;
};

Answer Send(DeviceStack& stack, DeviceHandle handle, const Ask& ask) {
  const bool passThrough = ask.code == IOCTL_SCSI_PASS_THROUGH;
  std::vector<std::uint8_t> buffer = ask.bytes;
  ScsiPassThroughHeader h{};
  if (passThrough) {
    h.Length = sizeof h;
    h.CdbLength = static_cast<std::uint8_t>(ask.bytes.size());
    h.SenseInfoLength = kSenseLength;
    h.SenseInfoOffset = kSenseOffset;
    h.DataIn = SCSI_IOCTL_DATA_IN;
    h.DataTransferLength = ask.dataLength;
    h.DataBufferOffset = kDataOffset;
    h.TimeOutValue = 10;
    std::copy(ask.bytes.begin(), ask.bytes.end(), h.Cdb);
    buffer.assign(kDataOffset + ask.dataLength, 0);
    std::memcpy(buffer.data(), &h, sizeof h);
  }
  buffer.resize(std::max<std::size_t>(buffer.size(), 168));
  const auto size = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t returned = 0;
  Answer answer;
  answer.done = stack.Control(handle, ask.code, buffer.data(), size, buffer.data(), size, returned);
  if (!passThrough || !answer.done) return answer;
  std::memcpy(&h, buffer.data(), sizeof h);
  answer.scsiStatus = h.ScsiStatus;
  answer.sense.assign(buffer.begin() + h.SenseInfoOffset,
                      buffer.begin() + h.SenseInfoOffset + h.SenseInfoLength);
  return answer;
}

// The sense CHECK POWER MODE answers with CK_COND, for a count register:
// descriptor format with the ATA Status Return descriptor, or fixed format.
std::vector<std::uint8_t> PowerModeSense(std::uint8_t count, bool fixed) {
  if (fixed) return {0x70, 0, 0x01, 0, 0x50, 0, count, 10, 0, 0, 0, 0, 0x00, 0x1D, 0, 0, 0, 0};
  return {0x72, 0x01, 0x00,  0x1D, 0, 0, 0, 14, 0x09, 0x0C, 0,
          0,    0,    count, 0,    0, 0, 0, 0,  0,    0,    0x50};
}

TEST(SimPower, CheckPowerModeAnswersAndOtherCommandsWake) {
  struct Case {
    const char* what;
    const char* power;
    Ask ask;
    int count;  // CHECK POWER MODE's count register; -1: no sense expected
    bool wakes;
  };
  const char* kStandby = R"("powerState": "standby")";
  const char* kDown = R"("powerState": "standby", "osPowerDown": true)";
  const Ask identify = Method(AccessMethod::SmartIoctl, AtaOperation::Identify);
  const Ask inquiry{IOCTL_SCSI_PASS_THROUGH, {0x12, 0, 0, 0, 36, 0}, 36};
  const Ask temperature{IOCTL_STORAGE_QUERY_PROPERTY, BuildTemperatureQuery()};
  const Case cases[] = {
      {"active", R"("powerState": "active")", CheckPowerMode(false, true), 0xFF, false},
      {"idle", R"("powerState": "idle")", CheckPowerMode(true, true), 0x80, false},
      {"standby stays asleep", kStandby, CheckPowerMode(false, true), 0x00, false},
      {"fixed-format sense", R"("powerState": "standby", "quirks": ["fixedFormatSense"])",
       CheckPowerMode(true, true), 0x00, false},
      {"without CK_COND: GOOD", kStandby, CheckPowerMode(false, false), -1, false},
      {"powered down by Windows", R"("powerState": "idle", "osPowerDown": true)",
       CheckPowerMode(false, true), 0xFF, true},
      {"IDENTIFY wakes", kStandby, identify, -1, true},
      {"S.M.A.R.T. wakes", kStandby, Method(AccessMethod::AtaPassThrough16, AtaOperation::ReadData),
       -1, true},
      {"IDENTIFY powers up", R"("osPowerDown": true)", identify, -1, true},
      {"idle is no spin-up", R"("powerState": "idle")",
       Method(AccessMethod::AtaPassThrough12, AtaOperation::Identify), -1, false},
      {"INQUIRY", kDown, inquiry, -1, false},
      {"length", kDown, {IOCTL_DISK_GET_LENGTH_INFO, {}}, -1, false},
      {"address", kDown, {IOCTL_SCSI_GET_ADDRESS, {}}, -1, false},
      {"device number", kDown, {IOCTL_STORAGE_GET_DEVICE_NUMBER, {}}, -1, false},
      {"storage property", R"("osPowerDown": true, "quirks": ["temperatureProperty"])", temperature,
       -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ardmon::testing::DemoMachineFile file;
    const Fixture before = SleeperMachine(c.power);
    SaveFixture(before, file.path());
    const std::filesystem::path counts = SpinUpCountsFile(file.path());
    std::filesystem::remove(counts);

    SimDeviceStack stack(LoadFixture(file.path()), file.path());
    ScopedHandle handle(stack, stack.Open(u"\\\\.\\PHYSICALDRIVE0", kReadWrite));
    ASSERT_TRUE(handle);
    EXPECT_EQ(stack.DevicePowered(handle.get()), !before.disks[1].osPowerDown);
    const auto start = std::chrono::steady_clock::now();
    const Answer answer = Send(stack, handle.get(), c.ask);
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_TRUE(answer.done);
    EXPECT_EQ(answer.scsiStatus, c.count >= 0 ? 0x02 : 0x00) << "CHECK CONDITION, or GOOD";
    const bool fixed = before.disks[1].Has(Quirk::FixedFormatSense);
    EXPECT_EQ(answer.sense, c.count >= 0 ? PowerModeSense(static_cast<std::uint8_t>(c.count), fixed)
                                         : std::vector<std::uint8_t>{});
    Disk expected = before.disks[1];
    if (c.wakes) {
      expected.powerState = PowerState::Active;
      expected.osPowerDown = false;
      EXPECT_GE(took, std::chrono::milliseconds(kSpinUpMs));
    }
    EXPECT_EQ(LoadFixture(file.path()).disks[1], expected) << "written back";
    EXPECT_EQ(stack.DevicePowered(handle.get()), !expected.osPowerDown);
    const std::map<std::uint32_t, std::uint32_t> woken{{0, 1}};
    EXPECT_EQ(LoadSpinUps(counts), c.wakes ? woken : decltype(woken){});
    std::filesystem::remove(counts);
  }
}

TEST(SimPower, CountsFileAndEditor) {
  ardmon::testing::DemoMachineFile file;
  const std::filesystem::path counts = SpinUpCountsFile(file.path());
  EXPECT_EQ(counts.filename().string(), file.path().stem().string() + ".counts.json");
  std::filesystem::remove(counts);
  CountSpinUp(counts, 12);
  CountSpinUp(counts, 3);
  CountSpinUp(counts, 12);
  EXPECT_EQ(nlohmann::json::parse(*ReadFixtureText(counts)),
            nlohmann::json::parse(R"({"disks": {"3": {"spinUps": 1}, "12": {"spinUps": 2}}})"));
  std::filesystem::remove(counts);

  // Drive 2 is the demo's third disk.
  std::string out, err;
  auto power = [&](const char* mode) {
    const char* argv[] = {"ardmon-sim", file.path().c_str(), "power", "2", mode};
    const int status = RunFixtureCommand(5, argv, out, err);
    const Disk d = LoadFixture(file.path()).disks.at(2);
    return std::make_tuple(status, d.powerState, d.osPowerDown);
  };
  EXPECT_EQ(power("standby"), std::make_tuple(0, PowerState::Standby, false));
  EXPECT_EQ(power("down"), std::make_tuple(0, PowerState::Standby, true));
  EXPECT_EQ(power("idle"), std::make_tuple(0, PowerState::Idle, false)) << "powered up again";
  EXPECT_EQ(power("asleep"), std::make_tuple(1, PowerState::Idle, false));
}

// Word 217, in the built sector and in one given verbatim, which stays
// signed.
TEST(SimPower, RotationRateIsIdentifyWord217) {
  AtaDrive verbatim;
  verbatim.identifySector = IdentifySector(AtaDrive{}, 4096);
  for (const AtaDrive& drive : {AtaDrive{}, verbatim}) {
    const Sector s = IdentifySector(drive, 4096, 7200);
    EXPECT_EQ(s[434] | s[435] << 8, 7200);
    EXPECT_EQ(std::accumulate(s.begin(), s.end(), 0) % 256, 0);
  }
}

}  // namespace
}  // namespace disklib::sim
