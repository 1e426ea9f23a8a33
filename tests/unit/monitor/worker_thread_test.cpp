#include "monitor/worker_thread.h"

#include <gmock/gmock.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace monitor {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

// What the jobs did, and a gate the first job waits at.
struct Journal {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> ran;
  bool gateOpen = false, firstStarted = false;

  std::function<void()> Job(int number, bool waitAtGate = false) {
    return [this, number, waitAtGate] {
      std::unique_lock<std::mutex> lock(mutex);
      firstStarted = true;
      changed.notify_all();
      if (waitAtGate) changed.wait(lock, [&] { return gateOpen; });
      ran.push_back(number);
      changed.notify_all();
    };
  }
  void WaitForStart() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, 5s, [&] { return firstStarted; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex);
    gateOpen = true;
    changed.notify_all();
  }
  std::vector<int> WaitForRuns(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, 5s, [&] { return ran.size() >= count; });
    return ran;
  }
};

TEST(WorkerThread, RunsJobsInOrderAndAReplacementDropsThoseNotStarted) {
  Journal journal;
  WorkerThread worker;
  worker.Post(journal.Job(1, true));
  journal.WaitForStart();
  worker.Post(journal.Job(2));
  worker.Post(journal.Job(3));
  worker.Replace(journal.Job(4));
  worker.Post(journal.Job(5));
  journal.Open();
  EXPECT_THAT(journal.WaitForRuns(3), ElementsAre(1, 4, 5));
}

TEST(WorkerThread, DrainWaitsForTheJobsQueuedBehindARunningOne) {
  Journal journal;
  WorkerThread worker;
  worker.Post(journal.Job(1, true));
  journal.WaitForStart();
  worker.Post(journal.Job(2));
  journal.Open();
  worker.Drain(5s);
  std::lock_guard<std::mutex> lock(journal.mutex);
  EXPECT_THAT(journal.ran, ElementsAre(1, 2));
}

// Whatever a job throws, the worker tells it and runs the next one.
TEST(WorkerThread, AJobThatThrowsIsToldAndTheNextOneRuns) {
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[] { throw std::runtime_error("pipe gone"); }, "failed (pipe gone); the next one runs"},
      {[] { throw 42; }, "failed (not a standard exception); the next one runs"}};
  for (const auto& [job, told] : cases) {
    Journal journal;
    std::vector<std::string> lines;  // the drain orders them before the reading
    WorkerThread worker({}, [&](std::string_view line) { lines.emplace_back(line); });
    worker.Post(job);
    worker.Post(journal.Job(1));
    worker.Drain(5s);
    EXPECT_THAT(journal.ran, ElementsAre(1));
    EXPECT_THAT(lines, ElementsAre(HasSubstr(told)));
  }
}

}  // namespace
}  // namespace monitor
