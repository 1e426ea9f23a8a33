#include "monitor/mail/mail_queue.h"

#include <gmock/gmock.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace monitor {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

AlertMail MailTo(const std::string& recipient) {
  AlertMail mail;
  mail.parts.recipient1 = recipient;
  return mail;
}

// Records what the thread delivers, and holds a delivery until released.
struct Recorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> delivered, done;
  bool hold = false;
  int active = 0, mostActive = 0;

  MailResult Deliver(const AlertMail& mail) {
    std::unique_lock<std::mutex> lock(mutex);
    mostActive = std::max(mostActive, ++active);
    changed.notify_all();
    changed.wait(lock, [&] { return !hold; });
    delivered.push_back(mail.parts.recipient1);
    --active;
    return mail.parts.recipient1 == "refused" ? kSendingFailed : kMailSent;
  }
  void Done(const std::string& name, MailResult result) {
    std::lock_guard<std::mutex> lock(mutex);
    done.push_back(name + "=" + std::to_string(result));
    changed.notify_all();
  }
  bool WaitForDone(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, 5s, [&] { return done.size() >= count; });
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex);
    hold = false;
    changed.notify_all();
  }
};

TEST(MailQueue, DeliversOneMailAtATimeInTheOrderAsked) {
  auto recorder = std::make_shared<Recorder>();
  recorder->hold = true;
  MailQueue queue([recorder](const AlertMail& mail) { return recorder->Deliver(mail); });
  const auto tell = [recorder](std::string name) {
    return [recorder, name](MailResult result) { recorder->Done(name, result); };
  };
  queue.Send(MailTo("first"), tell("first"));
  queue.Send(MailTo("alert"));  // nobody waits for an alert's result
  queue.Send(MailTo("refused"), tell("refused"));
  recorder->Release();
  ASSERT_TRUE(recorder->WaitForDone(2));
  EXPECT_THAT(recorder->delivered, ElementsAre("first", "alert", "refused"));
  EXPECT_THAT(recorder->done, ElementsAre("first=252", "refused=234"));
  EXPECT_EQ(recorder->mostActive, 1);
}

TEST(MailQueue, TheEndWaitsBoundedlyForAMailUnderWayAndDropsTheRest) {
  auto recorder = std::make_shared<Recorder>();
  recorder->hold = true;
  std::chrono::steady_clock::time_point start;
  {
    MailQueue queue([recorder](const AlertMail& mail) { return recorder->Deliver(mail); });
    queue.Send(MailTo("stuck"), [recorder](MailResult r) { recorder->Done("stuck", r); });
    queue.Send(MailTo("never"));
    std::unique_lock<std::mutex> lock(recorder->mutex);
    ASSERT_TRUE(recorder->changed.wait_for(lock, 5s, [&] { return recorder->active == 1; }));
    start = std::chrono::steady_clock::now();
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, kMailExitWait);
  EXPECT_LT(waited, kMailExitWait + 1s);
  recorder->Release();
  std::this_thread::sleep_for(100ms);
  std::lock_guard<std::mutex> lock(recorder->mutex);
  EXPECT_THAT(recorder->delivered, ElementsAre("stuck"));
  EXPECT_TRUE(recorder->done.empty()) << "no one is told after the end";
}

TEST(MailQueue, TheEndDoesNotWaitWhenNoMailIsUnderWay) {
  const auto start = std::chrono::steady_clock::now();
  {
    MailQueue queue([](const AlertMail&) { return kMailSent; });
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

}  // namespace
}  // namespace monitor
