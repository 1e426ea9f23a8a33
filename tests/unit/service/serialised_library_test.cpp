// The turns at the library: a stop refuses the turns still waiting without
// waiting for the call under way, and a call that throws passes the turn on.
#include "service/serialised_library.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "service/dispatch.h"

namespace service {
namespace {

using ardmon::PipeCommand;
using ardmon::PipeMessage;
using namespace std::chrono_literals;

// Drive 0 holds its call at a gate, drive 1 holds it too and then throws;
// every other drive answers at once with a record of 0x5A bytes.
class GatedLibrary final : public ardmon::DiskLibrary {
 public:
  std::int32_t GetDiskInfo(std::int32_t n, void* record) override {
    return Serve(n, record, sizeof(ardmon::DiskInfoTable));
  }
  std::int32_t GetTempInfo(std::int32_t n, void* record) override {
    return Serve(n, record, sizeof(ardmon::TempInfoRecord));
  }
  std::int32_t AddFilterSil() override { return Serve(2, nullptr, 0); }
  std::int32_t DelFilterSil() override { return Serve(2, nullptr, 0); }

  void WaitUntilHeld() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, 5s, [&] { return held_; });
  }
  void Open() {
    const std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  int calls() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

 private:
  std::int32_t Serve(std::int32_t n, void* record, std::size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++calls_;
    if (n <= 1) {
      held_ = true;
      changed_.notify_all();
      changed_.wait(lock, [&] { return open_; });
      if (n == 1) throw std::runtime_error("the drive went away");
    }
    if (record) std::memset(record, 0x5A, size);
    return 1;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false, open_ = false;
  int calls_ = 0;
};

// Lets every held call and waiting turn go when a test ends, passed or
// not, so that its threads can be joined.
struct ReleaseAtEnd {
  SerialisedLibrary& library;
  GatedLibrary& gated;
  ~ReleaseAtEnd() {
    library.Stop();
    gated.Open();
  }
};

// A call on drive `n` (0 or 1) on a thread of its own, once the library
// holds it.
std::future<std::int32_t> HeldCall(SerialisedLibrary& library, GatedLibrary& gated,
                                   std::int32_t n) {
  auto call = std::async(std::launch::async, [&library, n] {
    ardmon::DiskInfoTable table{};
    return library.GetDiskInfo(n, &table);
  });
  gated.WaitUntilHeld();
  return call;
}

PipeMessage Stamped(PipeCommand command, std::uint32_t drive) {
  PipeMessage message{static_cast<std::uint32_t>(command), drive, 0, {}};
  std::memset(message.Payload, 0xC3, sizeof message.Payload);
  return message;
}

bool ZeroPayload(const PipeMessage& message) {
  const PipeMessage zero{};
  return std::memcmp(message.Payload, zero.Payload, sizeof zero.Payload) == 0;
}

// Each query waits behind a call that hangs; after the stop every one is
// answered at once with Result 0 and nothing of a record or of its own
// payload, and the library never sees it; nor a query that comes later.
TEST(SerialisedLibrary, AStopRefusesTheWaitingTurnsWithoutWaitingForTheCallUnderWay) {
  GatedLibrary gated;
  SerialisedLibrary library(gated);
  auto hanging = HeldCall(library, gated, 0);
  std::vector<std::future<PipeMessage>> waiting;
  for (const PipeCommand command : {PipeCommand::GetDiskInfo, PipeCommand::GetTempInfo}) {
    waiting.push_back(std::async(std::launch::async, [&library, command] {
      PipeMessage message = Stamped(command, 3);
      DispatchRequest(library, message, Caller::User);
      return message;
    }));
  }
  const ReleaseAtEnd release{library, gated};
  for (auto& turn : waiting) ASSERT_EQ(turn.wait_for(50ms), std::future_status::timeout);

  library.Stop();
  for (auto& turn : waiting) {
    ASSERT_EQ(turn.wait_for(5s), std::future_status::ready);
    const PipeMessage answer = turn.get();
    EXPECT_EQ(answer.Result, 0u);
    EXPECT_TRUE(ZeroPayload(answer));
  }
  PipeMessage late = Stamped(PipeCommand::GetTempInfo, 3);
  DispatchRequest(library, late, Caller::User);
  EXPECT_EQ(late.Result, 0u);
  EXPECT_TRUE(ZeroPayload(late));
  EXPECT_EQ(gated.calls(), 1);

  EXPECT_EQ(hanging.wait_for(0s), std::future_status::timeout);
  gated.Open();
  EXPECT_EQ(hanging.get(), 1);
}

TEST(SerialisedLibrary, ACallThatThrowsPassesTheTurnToTheNext) {
  GatedLibrary gated;
  SerialisedLibrary library(gated);
  auto throwing = HeldCall(library, gated, 1);
  auto next = std::async(std::launch::async, [&] {
    ardmon::TempInfoRecord record{};
    return library.GetTempInfo(2, &record);
  });
  const ReleaseAtEnd release{library, gated};
  gated.Open();
  EXPECT_THROW(throwing.get(), std::runtime_error);
  ASSERT_EQ(next.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(next.get(), 1);
  EXPECT_EQ(gated.calls(), 2);
}

}  // namespace
}  // namespace service
