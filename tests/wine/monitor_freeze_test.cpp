// The window of the real Ardmon.exe keeps answering whatever the service
// and the drives do: a "service" of the test's own that listens under the
// service's pipe name, or a drive that takes seconds for every request.
// The window must answer every message at once meanwhile, the stranger
// must learn nothing, and Exit must end the program at once even while a
// request waits for its answer.
#include "tests/wine/monitor_gui_fixture.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace monitorgui {
namespace {

constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\GetTemp";
constexpr DWORD kMessageSize = 4108;

// Listens under the service's pipe name, reads each request and keeps the
// connection open without a word. It is not the service's process, so the
// monitor must not tell it anything.
class SilentService {
 public:
  SilentService() : thread_([this] { Serve(); }) {}
  SilentService(const SilentService&) = delete;
  SilentService& operator=(const SilentService&) = delete;
  ~SilentService() {
    stopping_ = true;
    // Wakes the listening instance with a connection of its own.
    const HANDLE wake =
        CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (wake != INVALID_HANDLE_VALUE) CloseHandle(wake);
    thread_.join();
    for (HANDLE pipe : pipes_) CloseHandle(pipe);
  }

  bool listening() const { return listening_; }
  int connections() const { return connections_; }
  int requests() const { return requests_; }

 private:
  void Serve() {
    while (!stopping_) {
      HANDLE pipe = INVALID_HANDLE_VALUE;
      // The stopped service's instance may linger a moment.
      WaitUntil(
          [&] {
            pipe =
                CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                 PIPE_UNLIMITED_INSTANCES, kMessageSize, kMessageSize, 0, nullptr);
            return pipe != INVALID_HANDLE_VALUE || stopping_;
          },
          10000, 50);
      if (pipe == INVALID_HANDLE_VALUE) return;
      pipes_.push_back(pipe);
      listening_ = true;
      if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) continue;
      if (stopping_) return;
      ++connections_;
      BYTE request[kMessageSize];
      DWORD read = 0;
      if (ReadFile(pipe, request, kMessageSize, &read, nullptr) && read > 0) ++requests_;
    }
  }

  std::atomic<bool> stopping_{false};
  std::atomic<bool> listening_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> requests_{0};
  std::vector<HANDLE> pipes_;
  std::thread thread_;
};

class MonitorFreeze : public MonitorGui {
 protected:
  void TearDown() override {
    MonitorGui::TearDown();
    servicetest::ServiceControl service(L"TempService");
    EXPECT_TRUE(service.EnsureRunning());
  }

  // Asks the window again and again for `ms`. A window that waited on the
  // service would take seconds; one that does not answers in a few
  // milliseconds, more only when the shared machine is busy.
  void ExpectPromptAnswers(DWORD ms, const char* what) const {
    std::vector<ULONGLONG> times;
    for (const ULONGLONG end = GetTickCount64() + ms; GetTickCount64() < end; Sleep(20)) {
      const ULONGLONG start = GetTickCount64();
      DWORD_PTR ignored = 0;
      const bool answered =
          SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0;
      times.push_back(answered ? GetTickCount64() - start : 10000);
    }
    std::sort(times.begin(), times.end());
    const ULONGLONG longest = times.back(), p95 = times[times.size() * 95 / 100];
    std::printf("window answers while %s: longest %llu ms, 95%% within %llu ms (%zu asked)\n", what,
                longest, p95, times.size());
    EXPECT_LE(p95, 100u);
    EXPECT_LE(longest, 1000u);
  }

  // Until the process has ended, not only the window.
  void ExitWithin(DWORD ms) {
    const ULONGLONG start = GetTickCount64();
    PostMessageW(window_, WM_COMMAND, kExitCommand, 0);
    EXPECT_TRUE(monitor_.WaitForExit(ms));
    std::printf("Exit took %llu ms\n", GetTickCount64() - start);
  }
};

TEST_F(MonitorFreeze, TheWindowAnswersWhileAStrangerHoldsThePipeAndLearnsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  servicetest::ServiceControl service(L"TempService");
  SERVICE_STATUS status{};
  ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, status));
  ASSERT_EQ(service.WaitFor(SERVICE_STOPPED, 10000).dwCurrentState, SERVICE_STOPPED);

  SilentService silent;
  ASSERT_TRUE(WaitUntil([&] { return silent.connections() > 0; }, 15000))
      << "no cycle came to the stranger";

  // The window still comes up, then five seconds of ticks (one a second).
  PostMessageW(window_, kTrayNotify, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return Visible(); }, kReactMs));
  ExpectPromptAnswers(5000, "a stranger held the pipe");
  EXPECT_EQ(silent.requests(), 0) << "a request went to a process that is not the service";
  ExitWithin(2000);
}

// The service takes the requests for drive 3 and answers each only after
// four seconds: from the monitor's side a pipe that stalls. Exit cancels the
// request under way instead of waiting for its answer: half a second is
// the aim, the bound leaves room for a busy machine.
TEST_F(MonitorFreeze, ASlowDriveDelaysNeitherTheWindowNorExit) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  machine_.Change([](Fixture& f) {
    for (auto& disk : f.disks) {
      if (disk.number == 3) disk.answerDelayMs = 4000;
    }
  });
  PostMessageW(window_, kTrayNotify, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return Visible(); }, kReactMs));
  ExpectPromptAnswers(3000, "drive 3 was slow");
  ExitWithin(1000);
}

}  // namespace
}  // namespace monitorgui
