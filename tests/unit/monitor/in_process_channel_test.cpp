#include "monitor/in_process_channel.h"

#include <gtest/gtest.h>

#include <cstring>

#include "disklib/sim/simulated_library.h"
#include "sim_machine.h"

namespace monitor {
namespace {

TEST(InProcessChannel, AnswersLikeTheServiceAndReturnsTheResult) {
  ardmon::testing::DemoMachineFile machine;
  disklib::StackLibrary library = disklib::sim::SimulatedLibrary(machine.path());
  InProcessChannel channel(library);

  ardmon::PipeMessage message{};
  message.Command = static_cast<std::uint32_t>(ardmon::PipeCommand::GetDiskInfo);
  message.Argument = 2;
  EXPECT_EQ(channel.Transact(message), 1u);
  ardmon::DiskInfoTable table;
  std::memcpy(&table, message.Payload, sizeof table);
  EXPECT_EQ(table.Present, 1);
  EXPECT_STREQ(table.DriveLetters, "E:");

  message = {};
  message.Command = static_cast<std::uint32_t>(ardmon::PipeCommand::AddFilterSil);
  EXPECT_EQ(channel.Transact(message), 1u);
  EXPECT_EQ(channel.Transact(message), 0u);
}

TEST(InProcessChannel, AMachineWithoutFixtureHasNoDrives) {
  disklib::StackLibrary library = disklib::sim::SimulatedLibrary("/nonexistent/ArdmonSim.json");
  InProcessChannel channel(library);
  ardmon::PipeMessage message{};
  message.Argument = 0;
  EXPECT_EQ(channel.Transact(message), 1u);
  EXPECT_EQ(message.Payload[0], 0) << "Present";
}

}  // namespace
}  // namespace monitor
