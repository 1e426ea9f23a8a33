// The turns at the library: a stop refuses the turns still waiting without
// waiting for the call under way, and a call that throws passes the turn on.
#include "service/serialised_library.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <stdexcept>
#include <vector>

#include "service/dispatch.h"

namespace service {
namespace {

using ardmon::PipeCommand;
using ardmon::PipeMessage;
using namespace std::chrono_literals;

// Drive 0's call hangs until `open`, drive 1's throws; every other drive
// answers at once.
class GatedLibrary final : public ardmon::DiskLibrary {
 public:
  std::int32_t GetDiskInfo(std::int32_t n, void*) override { return Call(n); }
  std::int32_t GetTempInfo(std::int32_t n, void*) override { return Call(n); }
  std::int32_t GetTempInfoIfAwake(std::int32_t n, void*) override { return Call(n); }
  std::int32_t AddFilterSil() override { return Call(2); }
  std::int32_t DelFilterSil() override { return Call(2); }

  std::atomic<int> calls{0};
  std::promise<void> held, open;

 private:
  std::int32_t Call(std::int32_t n) {
    ++calls;
    if (n == 0) {
      held.set_value();
      opened_.wait();
    }
    if (n == 1) throw std::runtime_error("the drive went away");
    return 1;
  }
  std::shared_future<void> opened_ = open.get_future().share();
};

// Lets every call go when a test ends, passed or not, so that its threads
// can be joined.
struct ReleaseAtEnd {
  SerialisedLibrary& library;
  GatedLibrary& gated;
  ~ReleaseAtEnd() {
    library.Stop();
    gated.open.set_value();
  }
};

std::future<PipeMessage> Dispatched(SerialisedLibrary& library, PipeCommand command) {
  return std::async(std::launch::async, [&library, command] {
    PipeMessage message{static_cast<std::uint32_t>(command), 3, 0, {}};
    std::memset(message.Payload, 0xC3, sizeof message.Payload);
    DispatchRequest(library, message, Caller::User);
    return message;
  });
}

// Queries wait behind a call that hangs; after the stop each is answered at
// once with Result 0 and nothing of a record or of its own payload, without
// reaching the library, as is a query that comes later.
TEST(SerialisedLibrary, AStopRefusesTheWaitingTurnsWithoutWaitingForTheCallUnderWay) {
  GatedLibrary gated;
  SerialisedLibrary library(gated);
  auto hanging = std::async(std::launch::async, [&] { return library.GetDiskInfo(0, nullptr); });
  gated.held.get_future().wait();
  std::vector<std::future<PipeMessage>> queries;
  queries.push_back(Dispatched(library, PipeCommand::GetDiskInfo));
  queries.push_back(Dispatched(library, PipeCommand::GetTempInfo));
  const ReleaseAtEnd release{library, gated};
  for (auto& query : queries) ASSERT_EQ(query.wait_for(50ms), std::future_status::timeout);

  library.Stop();
  queries.push_back(Dispatched(library, PipeCommand::GetTempInfo));
  const PipeMessage zero{};
  for (auto& query : queries) {
    ASSERT_EQ(query.wait_for(5s), std::future_status::ready);
    const PipeMessage answer = query.get();
    EXPECT_EQ(answer.Result, 0u);
    EXPECT_EQ(std::memcmp(answer.Payload, zero.Payload, sizeof zero.Payload), 0);
  }
  EXPECT_EQ(gated.calls, 1);
  EXPECT_EQ(hanging.wait_for(0s), std::future_status::timeout);
}

TEST(SerialisedLibrary, ACallThatThrowsPassesTheTurnToTheNext) {
  GatedLibrary gated;
  SerialisedLibrary library(gated);
  EXPECT_THROW(library.GetDiskInfo(1, nullptr), std::runtime_error);
  auto next = std::async(std::launch::async, [&] { return library.GetTempInfo(2, nullptr); });
  const ReleaseAtEnd release{library, gated};
  ASSERT_EQ(next.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(next.get(), 1);
}

}  // namespace
}  // namespace service
