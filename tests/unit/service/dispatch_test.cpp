// The service's command table over the simulated library.
#include "service/dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "disklib/sim/simulated_library.h"
#include "power_answers.h"
#include "sim_machine.h"

namespace service {
namespace {

using ardmon::DrivePower;
using ardmon::PipeCommand;
using ardmon::PipeMessage;
using service::Caller;

class Dispatch : public ::testing::Test {
 protected:
  ardmon::testing::DemoMachineFile machine;
  disklib::StackLibrary library = disklib::sim::SimulatedLibrary(machine.path());

  static PipeMessage Request(PipeCommand command, std::uint32_t argument) {
    PipeMessage message{};
    message.Command = static_cast<std::uint32_t>(command);
    message.Argument = argument;
    return message;
  }
  // Fills the payload with a pattern that no record starts with.
  static void Stamp(PipeMessage& message) {
    for (std::size_t i = 0; i < sizeof message.Payload; ++i) {
      message.Payload[i] = static_cast<std::uint8_t>(0xA5 ^ i);
    }
  }
  static bool StampedFrom(const PipeMessage& message, std::size_t from) {
    for (std::size_t i = from; i < sizeof message.Payload; ++i) {
      if (message.Payload[i] != static_cast<std::uint8_t>(0xA5 ^ i)) return false;
    }
    return true;
  }
};

TEST_F(Dispatch, AnUnassignedCommandComesBackByteForByte) {
  PipeMessage message{};
  message.Command = 3;
  message.Argument = 7;
  message.Result = 0xDEADBEEF;
  Stamp(message);
  const PipeMessage sent = message;
  DispatchRequest(library, message, Caller::User);
  EXPECT_EQ(std::memcmp(&message, &sent, sizeof message), 0);
}

TEST_F(Dispatch, DiskInfoOfAMissingDriveIsZeroAndLeavesTheRestOfThePayload) {
  PipeMessage message = Request(PipeCommand::GetDiskInfo, 30);
  Stamp(message);
  DispatchRequest(library, message, Caller::User);
  EXPECT_EQ(message.Result, 1u);
  EXPECT_EQ(message.Command, 0u);
  EXPECT_EQ(message.Argument, 30u);
  const ardmon::DiskInfoTable zero{};
  EXPECT_EQ(std::memcmp(message.Payload, &zero, sizeof zero), 0);
  EXPECT_TRUE(StampedFrom(message, sizeof(ardmon::DiskInfoTable)));
}

TEST_F(Dispatch, DiskInfoAndTempInfoFillTheirRecordsOnly) {
  PipeMessage disk = Request(PipeCommand::GetDiskInfo, 0);
  DispatchRequest(library, disk, Caller::User);
  ardmon::DiskInfoTable table;
  std::memcpy(&table, disk.Payload, sizeof table);
  EXPECT_EQ(table.Present, 1);
  EXPECT_STREQ(table.DriveLetters, "I:");

  PipeMessage temp = Request(PipeCommand::GetTempInfo, 0);
  Stamp(temp);
  DispatchRequest(library, temp, Caller::User);
  EXPECT_EQ(temp.Result, 1u);
  ardmon::TempInfoRecord record;
  std::memcpy(&record, temp.Payload, sizeof record);
  EXPECT_EQ(record.IdentifyOk, 1);
  EXPECT_EQ(record.Temperature, 38);
  EXPECT_TRUE(StampedFrom(temp, sizeof(ardmon::TempInfoRecord)));
}

// Command 7: 1 and the record as GetTempInfo gives it for a drive that was
// read; 2 for one left asleep, 0 for a refused turn, both with nothing at
// all, not even the client's bytes.
TEST_F(Dispatch, TempInfoIfAwakeTellsWhetherTheDriveWasRead) {
  const std::pair<DrivePower, std::uint32_t> cases[] = {
      {DrivePower::kAwake, 1},
      {DrivePower::kUnknown, 1},
      {DrivePower::kAsleep, ardmon::kResultAsleep},
      {static_cast<DrivePower>(0), 0}};
  for (const auto& [answer, result] : cases) {
    ardmon::testing::PowerAnswers answering(machine.path(), {{0, answer}});
    PipeMessage message = Request(PipeCommand::GetTempInfoIfAwake, 0);
    Stamp(message);
    DispatchRequest(answering, message, Caller::User);
    EXPECT_EQ(message.Result, result);
    const std::size_t zeros = std::count(std::begin(message.Payload), std::end(message.Payload), 0);
    EXPECT_EQ(zeros == sizeof message.Payload, result != 1) << result;
    EXPECT_EQ(message.Payload[offsetof(ardmon::TempInfoRecord, Temperature)], result == 1 ? 38 : 0);
  }
}

TEST_F(Dispatch, FilterCommandsReturnWhetherAnythingChanged) {
  PipeMessage add = Request(PipeCommand::AddFilterSil, 0);
  Stamp(add);
  DispatchRequest(library, add, Caller::Administrator);
  EXPECT_EQ(add.Result, 1u);
  EXPECT_TRUE(StampedFrom(add, 0)) << "the payload comes back as sent";

  PipeMessage again = Request(PipeCommand::AddFilterSil, 0);
  DispatchRequest(library, again, Caller::Administrator);
  EXPECT_EQ(again.Result, 0u);

  PipeMessage del = Request(PipeCommand::DelFilterSil, 0);
  DispatchRequest(library, del, Caller::Administrator);
  EXPECT_EQ(del.Result, 1u);
  DispatchRequest(library, del, Caller::Administrator);
  EXPECT_EQ(del.Result, 0u);
}

// A User's filter commands are answered with 0 and leave the machine as it
// was: the administrator's command afterwards still finds nothing done.
TEST_F(Dispatch, OnlyAdministratorsChangeTheFilters) {
  for (PipeCommand command : {PipeCommand::AddFilterSil, PipeCommand::DelFilterSil}) {
    PipeMessage refused = Request(command, 0);
    refused.Result = 0xDEADBEEF;
    Stamp(refused);
    DispatchRequest(library, refused, Caller::User);
    EXPECT_EQ(refused.Result, 0u);
    EXPECT_TRUE(StampedFrom(refused, 0));
  }
  PipeMessage add = Request(PipeCommand::AddFilterSil, 0);
  DispatchRequest(library, add, Caller::Administrator);
  EXPECT_EQ(add.Result, 1u) << "the User's request changed the machine";
  PipeMessage del = Request(PipeCommand::DelFilterSil, 0);
  DispatchRequest(library, del, Caller::User);
  DispatchRequest(library, add, Caller::Administrator);
  EXPECT_EQ(add.Result, 0u) << "the User's removal took the filter away";
}

}  // namespace
}  // namespace service
