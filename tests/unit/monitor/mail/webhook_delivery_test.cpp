#include "monitor/mail/webhook_delivery.h"

#include <gmock/gmock.h>

#include <future>
#include <thread>
#include <vector>

namespace monitor {
namespace {

using namespace std::chrono_literals;

// Answers from a script, one result per POST, taking `takes` for each.
struct ScriptedSender : WebhookSender {
  std::vector<WebhookResult> answers;
  std::chrono::milliseconds takes{0};
  std::vector<Deadline> deadlines;
  WebhookResult Post(const WebhookRequest&, Deadline deadline) override {
    deadlines.push_back(deadline);
    std::this_thread::sleep_for(takes);
    return answers.at(deadlines.size() - 1);
  }
};

TEST(WebhookRetry, OneMoreTryOnlyForNoAnswerAndWithinTheOneDeadline) {
  using R = WebhookResult;
  struct Case {
    const char* what;
    std::vector<R> answers;
    std::chrono::milliseconds takes, deadline;
    R result;
    std::size_t posts;
  } cases[] = {
      {"sent", {R::Sent}, 0ms, 15s, R::Sent, 1},
      {"refused: the server saw it", {R::Refused}, 0ms, 15s, R::Refused, 1},
      {"no answer, then sent", {R::Failed, R::Sent}, 0ms, 15s, R::Sent, 2},
      {"no answer twice", {R::Failed, R::Failed, R::Sent}, 0ms, 15s, R::Failed, 2},
      {"no time left for the retry", {R::Failed, R::Sent}, 30ms, 10ms, R::Failed, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedSender sender;
    sender.answers = c.answers;
    sender.takes = c.takes;
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(DeliverWebhook(sender, WebhookRequest{}, c.deadline), c.result);
    ASSERT_EQ(sender.deadlines.size(), c.posts);
    for (const auto& deadline : sender.deadlines) {
      EXPECT_EQ(deadline, sender.deadlines.front()) << "one deadline for both";
      EXPECT_LE(deadline - before, c.deadline + 1s);
    }
  }
}

TEST(WebhookFailureLogRule, AtMostOnceAnHour) {
  struct Step {
    std::int64_t now;
    bool logged;
  } steps[] = {
      {1000, true},                                // the first failure
      {1001, false}, {4599, false}, {4600, true},  // an hour after the last one logged
      {8000, false},                               // within the hour of 4600
      {100, true},                                 // the clock set back
      {200, false},
  };
  WebhookFailureLog log;
  for (const Step& step : steps) EXPECT_EQ(log.ShouldLog(step.now), step.logged) << step.now;
}

TEST(WebhookQueueThread, PostsAwayFromTheCallerAndTellsTheResult) {
  auto sender = std::make_unique<ScriptedSender>();
  sender->answers = {WebhookResult::Failed, WebhookResult::Refused};
  WebhookQueue queue(std::move(sender));
  std::promise<std::thread::id> thread;
  std::promise<WebhookResult> result;
  queue.Send(WebhookRequest{}, [&](WebhookResult r) {
    thread.set_value(std::this_thread::get_id());
    result.set_value(r);
  });
  EXPECT_NE(thread.get_future().get(), std::this_thread::get_id());
  EXPECT_EQ(result.get_future().get(), WebhookResult::Refused) << "after the one retry";
}

}  // namespace
}  // namespace monitor
