// The window of the real Ardmon.exe keeps answering whatever the service
// and the drives do: a "service" of the test's own that takes each request
// and never answers, or a drive that takes seconds for every request. The
// window must answer every message at once meanwhile, no second fetch may
// start while the first waits, and Exit must end the program within 2 s.
#include "tests/wine/monitor_gui_fixture.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace monitorgui {
namespace {

constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\GetTemp";
constexpr DWORD kMessageSize = 4108;

// Listens under the service's pipe name, reads each request and keeps the
// connection open without a word.
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
      BYTE request[kMessageSize];
      DWORD read = 0;
      if (ReadFile(pipe, request, kMessageSize, &read, nullptr) && read > 0) ++requests_;
    }
  }

  std::atomic<bool> stopping_{false};
  std::atomic<bool> listening_{false};
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

  void ExitWithinTwoSeconds() {
    const ULONGLONG start = GetTickCount64();
    PostMessageW(window_, WM_COMMAND, kExitCommand, 0);
    EXPECT_TRUE(monitor_.WaitForExit(2000));
    std::printf("Exit took %llu ms\n", GetTickCount64() - start);
  }
};

TEST_F(MonitorFreeze, TheWindowAnswersWhileTheServiceNeverDoesAndExitEndsAtOnce) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  servicetest::ServiceControl service(L"TempService");
  SERVICE_STATUS status{};
  ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, status));
  ASSERT_EQ(service.WaitFor(SERVICE_STOPPED, 10000).dwCurrentState, SERVICE_STOPPED);

  SilentService silent;
  ASSERT_TRUE(WaitUntil([&] { return silent.requests() > 0; }, 15000))
      << "no cycle came to the silent service";

  // The window still comes up, then five seconds of ticks (one a second)
  // while the fetch waits for ever.
  PostMessageW(window_, kTrayNotify, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return Visible(); }, kReactMs));
  ExpectPromptAnswers(5000, "the fetch waited");
  EXPECT_EQ(silent.requests(), 1) << "a second fetch began while the first waited";
  ExitWithinTwoSeconds();
}

TEST_F(MonitorFreeze, ASlowDriveDoesNotDelayTheWindow) {
  ASSERT_NO_FATAL_FAILURE(StartMonitor());
  // Every request to drive 3, a USB disk, now takes two seconds.
  machine_.Change([](Fixture& f) {
    for (auto& disk : f.disks) {
      if (disk.number == 3) disk.answerDelayMs = 2000;
    }
  });
  PostMessageW(window_, kTrayNotify, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return Visible(); }, kReactMs));
  ExpectPromptAnswers(6000, "drive 3 was slow");
  ExitWithinTwoSeconds();
}

}  // namespace
}  // namespace monitorgui
