// The installed "TempService" (ArdmonSvc.exe beside the simulated
// ArdmonLib.dll and the demo machine), reached through the monitor's real
// client, through raw pipe clients that misbehave, and through the service
// control manager. Tests that stop the service start it again, so the
// order below only matters for speed.
//
// Run as "service_test --client ID COUNT" it is one of the parallel client
// processes instead, and exits with its number of wrong answers.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/service_protocol.h"
#include "common/win32/wide_text.h"
#include "common/wire_records.h"
#include "disklib/sim/fixture.h"
#include "monitor/win32/service_identity.h"
#include "monitor/win32/service_transact.h"
#include "service/metrics_text.h"
#include "service/win32/caller.h"
#include "service/win32/pipe_server.h"
#include "tests/wine/service_control.h"

namespace {

using ardmon::Wide;

using ardmon::DiskInfoTable;
using ardmon::PipeMessage;
using ardmon::TempInfoRecord;
using servicetest::DirectLibrary;
using servicetest::ServiceControl;
using servicetest::Stopwatch;

constexpr wchar_t kServiceExe[] = L"ArdmonSvc.exe";
constexpr std::uint32_t kDrives = 26;

PipeMessage Request(std::uint32_t command, std::uint32_t argument) {
  PipeMessage message{};
  message.Command = command;
  message.Argument = argument;
  return message;
}

// A pattern rather than zeros, so bytes that came back as sent are told
// apart from bytes the service or the library cleared.
void FillPayload(PipeMessage& message) {
  for (std::size_t i = 0; i < ardmon::kPayloadSize; ++i) {
    message.Payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
}

// The reply to a query carries `record` at the start of the payload and the
// request's own bytes after it.
template <typename Record>
bool AnswersWith(const PipeMessage& request, const PipeMessage& reply, const Record& record) {
  return reply.Command == request.Command && reply.Argument == request.Argument &&
         reply.Result == 1 && std::memcmp(reply.Payload, &record, sizeof record) == 0 &&
         std::memcmp(reply.Payload + sizeof record, request.Payload + sizeof record,
                     ardmon::kPayloadSize - sizeof record) == 0;
}

bool IsDiskInfoOf(const DirectLibrary& library, std::uint32_t drive, const PipeMessage& request,
                  const PipeMessage& reply) {
  return AnswersWith(request, reply, library.DiskInfo(static_cast<std::int32_t>(drive)));
}

template <typename Record>
bool AllZero(const Record& record) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  for (std::size_t i = 0; i < sizeof record; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// A raw client end of the pipe, retried while the service is between
// clients.
HANDLE OpenPipe(DWORD timeoutMs = 5000) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const HANDLE pipe = CreateFileW(Wide(ardmon::kPipeName), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE || GetTickCount64() >= deadline) return pipe;
    Sleep(10);
  }
}

bool WriteBytes(HANDLE pipe, const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(pipe, data, size, &written, nullptr) && written == size;
}

bool ReadMessage(HANDLE pipe, PipeMessage& message) {
  auto* bytes = reinterpret_cast<BYTE*>(&message);
  DWORD done = 0, moved = 0;
  while (done < sizeof message &&
         ReadFile(pipe, bytes + done, sizeof message - done, &moved, nullptr) && moved) {
    done += moved;
  }
  return done == sizeof message;
}

// Retries the real client until the service answers, as the monitor's next
// cycle would; a single ServiceTransact gives up after about 1.6 s.
std::uint32_t TransactUntilAnswered(PipeMessage& message, DWORD giveUpMs = 20000) {
  const PipeMessage request = message;
  Stopwatch clock;
  for (;;) {
    message = request;
    const std::uint32_t result = monitor::ServiceTransact(&message);
    if (result != 0 || clock.ElapsedMs() >= giveUpMs) return result;
  }
}

std::filesystem::path FixtureFile() {
  return servicetest::OwnPath().parent_path() / L"ArdmonSim.json";
}

// The filter commands and the slow drive rewrite the fixture; later tests
// and the demo expect the demo machine.
void RestoreDemoMachine() {
  const std::wstring demo = L"Z:" + std::filesystem::path(ARDMON_DEMO_FIXTURE).wstring();
  ASSERT_TRUE(CopyFileW(demo.c_str(), FixtureFile().c_str(), FALSE)) << GetLastError();
}

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool IsAdministrator() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

// Runs this program again with `mode` under this process's token with
// Administrators for deny only: a plain user as far as access checks go
// (Wine runs every program as an administrator). Its exit code, or
// kNoUserToken when no such process can be had.
constexpr DWORD kNoUserToken = 0xFFFF;

// This process's token, with Administrators for deny only when `asUser`;
// null when it cannot be had.
HANDLE OwnToken(bool asUser) {
  HANDLE own = nullptr, restricted = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own) || !asUser) return own;
  BYTE admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof admins;
  SID_AND_ATTRIBUTES denyOnly{admins, 0};
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) ||
      !CreateRestrictedToken(own, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted)) {
    restricted = nullptr;
  }
  CloseHandle(own);
  return restricted;
}

DWORD RunAsUser(const std::wstring& mode) {
  const HANDLE restricted = OwnToken(true);
  DWORD exitCode = kNoUserToken;
  if (restricted) {
    const std::wstring exe = servicetest::OwnPath().wstring();
    std::wstring commandLine = L"\"" + exe + L"\" " + mode;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessAsUserW(restricted, exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                             0, nullptr, nullptr, &startup, &process)) {
      WaitForSingleObject(process.hProcess, 30000);
      GetExitCodeProcess(process.hProcess, &exitCode);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  if (restricted) CloseHandle(restricted);
  return exitCode;
}

// As a user: an instance of the pipe, both filter commands and a drive
// query. Bits of the exit code: 1 a filter command was served, 2 the query
// was not, 4 an instance was made.
int RunUserClient() {
  if (IsAdministrator()) return static_cast<int>(kNoUserToken);
  const HANDLE squatter = CreateNamedPipeW(Wide(ardmon::kPipeName), PIPE_ACCESS_DUPLEX,
                                           PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                                           sizeof(PipeMessage), sizeof(PipeMessage), 0, nullptr);
  if (squatter != INVALID_HANDLE_VALUE) CloseHandle(squatter);
  PipeMessage add = Request(1, 0), del = Request(2, 0), query = Request(0, 0);
  const bool served = monitor::ServiceTransact(&add) != 0 || monitor::ServiceTransact(&del) != 0;
  return (served ? 1 : 0) | (monitor::ServiceTransact(&query) != 1 ? 2 : 0) |
         (squatter != INVALID_HANDLE_VALUE ? 4 : 0);
}

// --- One client process of the parallel test -------------------------------

int RunClient(int id, int count) {
  DirectLibrary library;
  if (!library.ok()) return count;
  std::vector<DiskInfoTable> disks;
  std::vector<TempInfoRecord> temps;
  for (std::uint32_t n = 0; n < kDrives; ++n) {
    disks.push_back(library.DiskInfo(static_cast<std::int32_t>(n)));
    temps.push_back(library.TempInfo(static_cast<std::int32_t>(n)));
  }
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    const auto drive = static_cast<std::uint32_t>(i / 2 + id) % kDrives;
    const bool temp = i % 2 == 1;
    const PipeMessage request = Request(temp ? 6 : 0, drive);
    PipeMessage reply = request;
    monitor::ServiceTransact(&reply);
    const bool right = temp ? AnswersWith(request, reply, temps[drive])
                            : AnswersWith(request, reply, disks[drive]);
    if (!right && ++failures <= 3) {
      std::fprintf(stderr, "client %d: wrong answer to command %u for drive %u (Result %u)\n", id,
                   request.Command, drive, reply.Result);
    }
  }
  return failures;
}

// Tests that compare the service's answers with the library's own.
class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_.ok()); }

  DirectLibrary library_;
};

// --- Every command through the real client ---------------------------------

class ServiceCommands : public ServiceTest {
 protected:
  static void SetUpTestSuite() { RestoreDemoMachine(); }
  void TearDown() override { RestoreDemoMachine(); }
};

TEST_F(ServiceCommands, GetDiskInfoRelaysEachDriveAndKeepsTheRestOfThePayload) {
  const char* const letters[] = {"I:", "D:", "E:", "F:", "", "C:"};
  for (std::uint32_t drive : {0u, 1u, 2u, 3u, 4u, 5u, 30u}) {
    SCOPED_TRACE(drive);
    PipeMessage request = Request(0, drive);
    FillPayload(request);
    PipeMessage reply = request;
    EXPECT_EQ(monitor::ServiceTransact(&reply), 1u);
    EXPECT_TRUE(IsDiskInfoOf(library_, drive, request, reply));

    const auto& table = *reinterpret_cast<const DiskInfoTable*>(reply.Payload);
    if (drive == 4) {  // the card reader without a card
      EXPECT_EQ(table.Present, 0);
    } else if (drive < std::size(letters)) {
      EXPECT_EQ(table.Present, 1);
      EXPECT_STREQ(table.DriveLetters, letters[drive]);
    } else {
      EXPECT_TRUE(AllZero(table));
    }
  }
}

TEST_F(ServiceCommands, GetTempInfoRelaysTheDemoDrive) {
  PipeMessage request = Request(6, 0);
  FillPayload(request);
  PipeMessage reply = request;
  EXPECT_EQ(monitor::ServiceTransact(&reply), 1u);
  EXPECT_TRUE(AnswersWith(request, reply, library_.TempInfo(0)));

  const auto& temp = *reinterpret_cast<const TempInfoRecord*>(reply.Payload);
  EXPECT_EQ(temp.Temperature, 38);
  EXPECT_EQ(temp.HealthStatus, ardmon::kHealthGood);
  EXPECT_EQ(temp.PowerOnHours, 12034u);
  EXPECT_EQ(std::string(temp.ModelNumber).substr(0, 18), "MARLOWE MX500AS-01");
  EXPECT_EQ(std::string(temp.SerialNumber).substr(0, 12), "MX5A0X1F32K7");
}

TEST_F(ServiceCommands, UnassignedCommandsComeBackByteForByte) {
  for (std::uint32_t command : {3u, 4u, 5u, 8u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(command);
    PipeMessage request = Request(command, 0x01020304);
    request.Result = 0xA5A5A5A5;
    FillPayload(request);
    PipeMessage reply = request;
    EXPECT_EQ(monitor::ServiceTransact(&reply), 0xA5A5A5A5u);
    EXPECT_EQ(std::memcmp(&reply, &request, sizeof reply), 0);
  }
}

TEST_F(ServiceCommands, FilterCommandsReturnWhetherTheyChangedSomething) {
  const std::pair<std::uint32_t, std::uint32_t> steps[] = {
      {1, 1}, {1, 0}, {2, 1}, {2, 0}};  // command, expected Result
  for (const auto& [command, expected] : steps) {
    PipeMessage request = Request(command, 0);
    FillPayload(request);
    PipeMessage reply = request;
    EXPECT_EQ(monitor::ServiceTransact(&reply), expected) << "command " << command;
    reply.Result = request.Result;
    EXPECT_EQ(std::memcmp(&reply, &request, sizeof reply), 0) << "command " << command;
  }
}

// Users read drives; they neither make an instance of the pipe (every one
// is the service's, and the access list forbids it) nor change the
// filters. The refused requests changed nothing: the administrator's own
// registration that follows is still a change.
TEST_F(ServiceCommands, AUserReadsDrivesButNeitherTakesThePipeNorChangesTheFilters) {
  const DWORD outcome = RunAsUser(L"--as-user");
  if (outcome == kNoUserToken) GTEST_SKIP() << "no process without Administrators can be made";
  EXPECT_EQ(outcome & 4, 0u) << "a user made an instance of the service's pipe";
  EXPECT_EQ(outcome & 2, 0u) << "a user's drive query was not answered";
  if (UnderWine() && (outcome & 1)) {
    GTEST_SKIP() << "Wine's ImpersonateNamedPipeClient gives the server an administrator's token "
                    "whoever the client is";
  }
  EXPECT_EQ(outcome & 1, 0u) << "a user's filter command was served";
  PipeMessage message = Request(1, 0);
  EXPECT_EQ(monitor::ServiceTransact(&message), 1u) << "the user's request registered the filter";
}

// What the service learns of a client that allows identification only:
// Wine hands the service an administrator's token whoever the client is, so
// the decision is shown on tokens made here.
TEST(CallerOfToken, AdministratorsOnlyWhenTheGroupCountsForAccess) {
  for (const auto& [asUser, expected] :
       {std::pair(false, service::Caller::Administrator), std::pair(true, service::Caller::User)}) {
    const HANDLE token = OwnToken(asUser);
    ASSERT_TRUE(token) << GetLastError();
    HANDLE identification = nullptr;
    ASSERT_TRUE(DuplicateToken(token, SecurityIdentification, &identification)) << GetLastError();
    EXPECT_EQ(service::CallerOfToken(identification), expected) << "deny only: " << asUser;
    CloseHandle(identification);
    CloseHandle(token);
  }
}

// --- Clients that hold the pipe ----------------------------------------------

class ServiceClients : public ServiceTest {};

TEST_F(ServiceClients, AClientHoldingAnInstanceDelaysNoOther) {
  const HANDLE holder = OpenPipe();
  ASSERT_NE(holder, INVALID_HANDLE_VALUE) << GetLastError();
  const PipeMessage request = Request(0, 2);
  PipeMessage reply = request;
  Stopwatch clock;
  EXPECT_EQ(monitor::ServiceTransact(&reply), 1u);
  EXPECT_LT(clock.ElapsedMs(), 450);
  EXPECT_TRUE(IsDiskInfoOf(library_, 2, request, reply));
  CloseHandle(holder);
}

TEST_F(ServiceClients, RequestWhileEveryInstanceIsTakenGetsThroughWhenOneIsFree) {
  std::vector<HANDLE> holders;
  for (DWORD i = 0; i < service::kPipeInstances; ++i) {
    holders.push_back(OpenPipe());
    ASSERT_NE(holders.back(), INVALID_HANDLE_VALUE) << i << ": " << GetLastError();
  }
  // A slow but proper client: it sends its request half a second late.
  const PipeMessage slowRequest = Request(0, 1);
  PipeMessage slowReply{};
  bool slowAnswered = false;
  std::thread slow([&] {
    Sleep(500);
    slowAnswered = WriteBytes(holders[0], &slowRequest, sizeof slowRequest) &&
                   ReadMessage(holders[0], slowReply);
    CloseHandle(holders[0]);
  });

  const PipeMessage request = Request(0, 0);
  PipeMessage reply = request;
  Stopwatch clock;
  const std::uint32_t result = monitor::ServiceTransact(&reply);
  const long long elapsed = clock.ElapsedMs();
  slow.join();
  for (std::size_t i = 1; i < holders.size(); ++i) CloseHandle(holders[i]);

  EXPECT_EQ(result, 1u);
  EXPECT_TRUE(IsDiskInfoOf(library_, 0, request, reply));
  EXPECT_GE(elapsed, 450) << "the pipe was not full: the test proves nothing";
  EXPECT_LT(elapsed, 1600);
  EXPECT_TRUE(slowAnswered);
  EXPECT_TRUE(IsDiskInfoOf(library_, 1, slowRequest, slowReply));
}

TEST_F(ServiceClients, StalledClientHoldsOthersOnlyForTheBound) {
  enum Stall { kSilent, kHalfMessage, kNeverReads };
  const PipeMessage stalledRequest = Request(0, 3);
  for (Stall stall : {kSilent, kHalfMessage, kNeverReads}) {
    SCOPED_TRACE(stall == kSilent ? "silent" : stall == kHalfMessage ? "half message" : "no read");
    const HANDLE stalled = OpenPipe();
    ASSERT_NE(stalled, INVALID_HANDLE_VALUE) << GetLastError();
    if (stall == kHalfMessage) {
      ASSERT_TRUE(WriteBytes(stalled, &stalledRequest, 100));
    }
    if (stall == kNeverReads) {
      ASSERT_TRUE(WriteBytes(stalled, &stalledRequest, sizeof stalledRequest));
    }

    const PipeMessage request = Request(0, 2);
    PipeMessage reply = request;
    Stopwatch clock;
    const std::uint32_t result = TransactUntilAnswered(reply);
    const long long elapsed = clock.ElapsedMs();
    CloseHandle(stalled);

    EXPECT_EQ(result, 1u);
    EXPECT_TRUE(IsDiskInfoOf(library_, 2, request, reply));
    EXPECT_LT(elapsed, ardmon::kPeerTimeoutMs + 2500);
  }
}

TEST_F(ServiceClients, ParallelClientProcessesAllGetRightAnswers) {
  constexpr int kClients = 4;
  constexpr int kTransactions = 300;
  const std::wstring exe = servicetest::OwnPath().wstring();
  std::vector<PROCESS_INFORMATION> clients;
  Stopwatch clock;
  for (int id = 0; id < kClients; ++id) {
    std::wstring commandLine =
        L"\"" + exe + L"\" --client " + std::to_wstring(id) + L" " + std::to_wstring(kTransactions);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << GetLastError();
    CloseHandle(process.hThread);
    clients.push_back(process);
  }
  std::vector<HANDLE> handles;
  for (const auto& c : clients) handles.push_back(c.hProcess);
  const DWORD wait = WaitForMultipleObjects(kClients, handles.data(), TRUE, 240000);
  const long long elapsed = clock.ElapsedMs();
  EXPECT_EQ(wait, WAIT_OBJECT_0);
  if (wait != WAIT_OBJECT_0) {
    for (HANDLE h : handles) TerminateProcess(h, 1000);
  }
  for (int id = 0; id < kClients; ++id) {
    DWORD failures = 0;
    GetExitCodeProcess(handles[id], &failures);
    EXPECT_EQ(failures, 0u) << "client " << id;
    CloseHandle(handles[id]);
  }
  std::printf("%d clients x %d transactions in %lld ms\n", kClients, kTransactions, elapsed);
}

// --- The pipe's access list ----------------------------------------------------

bool SameSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
  BYTE known[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof known;
  return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

TEST(ServicePipe, UsersMayMoveDataButNotChangeTheAccessList) {
  const HANDLE pipe = OpenPipe();
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, &dacl, nullptr, &descriptor);
  CloseHandle(pipe);
  ASSERT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(dacl, nullptr);

  struct Grant {
    WELL_KNOWN_SID_TYPE who;
    const char* name;
    ACCESS_MASK rights;
    int seen;
  } grants[] = {{WinLocalSystemSid, "SYSTEM", FILE_ALL_ACCESS, 0},
                {WinBuiltinAdministratorsSid, "Administrators", FILE_ALL_ACCESS, 0},
                {WinBuiltinUsersSid, "Users", FILE_GENERIC_READ | FILE_WRITE_DATA, 0}};
  EXPECT_EQ(dacl->AceCount, 3);
  for (WORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&header)));
    ASSERT_EQ(header->AceType, ACCESS_ALLOWED_ACE_TYPE) << "entry " << i;
    const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    PSID sid = const_cast<DWORD*>(&ace->SidStart);
    bool known = false;
    for (auto& grant : grants) {
      if (!SameSid(sid, grant.who)) continue;
      known = true;
      ++grant.seen;
      EXPECT_EQ(ace->Mask, grant.rights) << grant.name;
      if (grant.who == WinBuiltinUsersSid) {
        EXPECT_EQ(ace->Mask & (FILE_CREATE_PIPE_INSTANCE | WRITE_DAC | WRITE_OWNER), 0u);
      }
    }
    EXPECT_TRUE(known) << "entry " << i << " grants someone else";
  }
  for (const auto& grant : grants) EXPECT_EQ(grant.seen, 1) << grant.name;
  LocalFree(descriptor);
}

// The client's trust as Windows would read it. Wine lets any process name
// LocalSystem as its pipe's owner, so what a squatter cannot do is shown by
// the native tests of ServiceTrust; here the owners are read back.
TEST(ServicePipe, OwnedByLocalSystemAndServedByTheServiceProcess) {
  const HANDLE pipe = OpenPipe();
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
  const monitor::PipeHandleFacts facts(pipe);
  monitor::ControlManagerDirectory directory;
  EXPECT_EQ(facts.Owner(), monitor::PipeOwner::LocalSystem);
  EXPECT_NE(facts.ServerProcessId(), 0u);
  EXPECT_EQ(facts.ServerProcessId(), directory.ServiceProcessId());
  CloseHandle(pipe);

  constexpr wchar_t kOwnPipe[] = L"\\\\.\\pipe\\ArdmonTestOwnPipe";
  const HANDLE own = CreateNamedPipeW(kOwnPipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                      sizeof(PipeMessage), sizeof(PipeMessage), 0, nullptr);
  ASSERT_NE(own, INVALID_HANDLE_VALUE) << GetLastError();
  const HANDLE client = CreateFileW(kOwnPipe, FILE_GENERIC_READ | FILE_WRITE_DATA, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(client, INVALID_HANDLE_VALUE) << GetLastError();
  // Windows gives it the token's default owner, Wine none at all.
  EXPECT_NE(monitor::PipeHandleFacts(client).Owner(), monitor::PipeOwner::LocalSystem);
  EXPECT_EQ(monitor::PipeHandleFacts(client).ServerProcessId(), GetCurrentProcessId());
  CloseHandle(client);
  CloseHandle(own);
}

// --- The service's life with the control manager ------------------------------

class ServiceLifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.ok()) << GetLastError();
    ASSERT_TRUE(service_.EnsureRunning());
  }
  // Later tests need the service.
  void TearDown() override { EXPECT_TRUE(service_.EnsureRunning()); }

  bool StopAndWaitForTheProcess() {
    SERVICE_STATUS status{};
    return service_.Control(SERVICE_CONTROL_STOP, status) &&
           service_.WaitFor(SERVICE_STOPPED, 5000).dwCurrentState == SERVICE_STOPPED &&
           servicetest::WaitForProcessGone(kServiceExe, 5000);
  }

  static bool Answers() {
    const PipeMessage request = Request(0, 0);
    PipeMessage reply = request;
    return TransactUntilAnswered(reply, 5000) == 1 &&
           IsDiskInfoOf(DirectLibrary(), 0, request, reply);
  }

  ServiceControl service_{Wide(ardmon::kServiceName)};
};

TEST_F(ServiceLifecycle, RunsAndReReportsRunningWhenInterrogated) {
  const SERVICE_STATUS running = service_.Query();
  EXPECT_EQ(running.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(running.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(running.dwControlsAccepted,
            static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));
  EXPECT_TRUE(servicetest::ProcessRunning(kServiceExe));

  SERVICE_STATUS interrogated{};
  ASSERT_TRUE(service_.Control(SERVICE_CONTROL_INTERROGATE, interrogated)) << GetLastError();
  EXPECT_EQ(interrogated.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(interrogated.dwCheckPoint, 0u);
  EXPECT_EQ(interrogated.dwWaitHint, 0u);
  EXPECT_TRUE(Answers());
}

TEST_F(ServiceLifecycle, StoppedServiceEndsItsProcessAndClientsGiveUp) {
  SERVICE_STATUS status{};
  Stopwatch stopClock;
  ASSERT_TRUE(service_.Control(SERVICE_CONTROL_STOP, status)) << GetLastError();
  status = service_.WaitFor(SERVICE_STOPPED, 5000);
  const long long stopMs = stopClock.ElapsedMs();
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(status.dwWin32ExitCode, 0u);
  // Idle, it has no request to finish: the stop ends its wait at once.
  EXPECT_LT(stopMs, 1000);
  EXPECT_TRUE(servicetest::WaitForProcessGone(kServiceExe, 5000));

  PipeMessage message = Request(0, 0);
  message.Result = 0x11223344;
  FillPayload(message);
  const PipeMessage sent = message;
  Stopwatch clock;
  EXPECT_EQ(monitor::ServiceTransact(&message), 0u);
  const long long elapsed = clock.ElapsedMs();
  EXPECT_GE(elapsed, 1500);
  EXPECT_LT(elapsed, 5000);
  EXPECT_EQ(std::memcmp(&message, &sent, sizeof message), 0);

  ASSERT_TRUE(service_.Start()) << GetLastError();
  EXPECT_EQ(service_.WaitFor(SERVICE_RUNNING, 10000).dwCurrentState,
            static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(Answers());
}

// The pipe's name stays taken while any handle to it is open, a client's of
// the old pipe too: a start waits for it up to ten seconds, START_PENDING
// with advancing check points, and runs once the name is free, or fails
// once that time is over.
TEST_F(ServiceLifecycle, AStartWaitsUpToTenSecondsForThePipeName) {
  struct Case {
    const char* holder;
    bool client;  // else another process's instance of the pipe
    DWORD heldMs;
    bool nameHeld;
    bool runs;
  };
  // Wine frees the name as soon as the server's handles are closed, a
  // client's notwithstanding; Windows keeps it for the client.
  const Case cases[] = {{"a client of the old pipe", true, 2000, !UnderWine(), true},
                        {"a pipe of another process", false, 2000, true, true},
                        {"a pipe of another process", false, 12000, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.holder) + " for " + std::to_string(c.heldMs) + " ms");
    const HANDLE client = c.client ? OpenPipe() : INVALID_HANDLE_VALUE;
    ASSERT_TRUE(StopAndWaitForTheProcess());
    const HANDLE holder = c.client
                              ? client
                              : CreateNamedPipeW(Wide(ardmon::kPipeName), PIPE_ACCESS_DUPLEX,
                                                 PIPE_TYPE_BYTE | PIPE_WAIT, 1, sizeof(PipeMessage),
                                                 sizeof(PipeMessage), 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE) << GetLastError();

    Stopwatch clock;
    ASSERT_TRUE(service_.Start()) << GetLastError();
    std::thread release([&] {
      Sleep(c.heldMs);
      CloseHandle(holder);
    });
    DWORD lastCheckPoint = 0, checkPoints = 0;
    const SERVICE_STATUS status = service_.WaitUntil(
        [&](const SERVICE_STATUS& s) {
          if (s.dwCurrentState == SERVICE_START_PENDING && s.dwCheckPoint != lastCheckPoint) {
            EXPECT_GT(s.dwCheckPoint, lastCheckPoint);
            lastCheckPoint = s.dwCheckPoint;
            ++checkPoints;
          }
          return s.dwCurrentState == SERVICE_RUNNING || s.dwCurrentState == SERVICE_STOPPED;
        },
        20000);
    const long long elapsed = clock.ElapsedMs();
    release.join();

    if (c.nameHeld) {
      EXPECT_GE(checkPoints, 3u) << "the start did not wait for the name";
    }
    if (c.runs) {
      EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
      if (c.nameHeld) {
        EXPECT_GE(elapsed, static_cast<long long>(c.heldMs) - 500);
      }
      EXPECT_TRUE(Answers());
    } else {
      EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
      EXPECT_NE(status.dwWin32ExitCode, 0u);
      EXPECT_GE(elapsed, 10000);
      EXPECT_TRUE(servicetest::WaitForProcessGone(kServiceExe, 5000));
    }
    ASSERT_TRUE(service_.EnsureRunning());
  }
}

// --- A stop while a drive hangs ---------------------------------------------------

// The first drive a scan reads.
constexpr std::int32_t kSlowDrive = 0;
// Each request to the slow drive takes this long; one library call on it
// makes several.
constexpr std::uint32_t kSlowDriveAnswerMs = 6000;
// A stop is over within this, whatever a drive does.
constexpr long long kStopBoundMs = 2000;

// The demo machine with a slow drive, and metrics to be scanned or not; both
// are undone when the test ends.
class SlowDriveLifecycle : public ServiceLifecycle {
 protected:
  void TearDown() override {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey));
    RestoreDemoMachine();
    SERVICE_STATUS status{};
    service_.Control(SERVICE_CONTROL_STOP, status);
    ServiceLifecycle::TearDown();
    EXPECT_TRUE(Answers());
  }

  static void MakeDriveSlow() {
    disklib::sim::Fixture fixture = disklib::sim::LoadFixture(FixtureFile());
    for (auto& disk : fixture.disks) {
      if (disk.number == kSlowDrive) disk.answerDelayMs = kSlowDriveAnswerMs;
    }
    disklib::sim::SaveFixture(fixture, FixtureFile());
  }

  // The service scans every drive at its start and every interval after.
  static void ScanMetrics() {
    const std::wstring folder = std::filesystem::temp_directory_path().wstring();
    const DWORD interval = service::kShortestMetricsIntervalSeconds;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey),
                              Wide(service::kMetricsFolderValue), REG_SZ, folder.c_str(),
                              static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, Wide(service::kMetricsKey),
                              Wide(service::kMetricsIntervalValue), REG_DWORD, &interval,
                              sizeof interval),
              ERROR_SUCCESS);
  }
};

// What holds the library when the stop comes: a client's read of the slow
// drive, or the metrics scan reading it while a client's request waits for
// its turn. Either way STOPPED comes within the bound, the process ends,
// the client's request fails as on a broken pipe (its message as it was),
// and a start right after runs; several rounds each.
TEST_F(SlowDriveLifecycle, AStopEndsWithinTwoSecondsWhileADriveHangs) {
  struct Case {
    const char* holder;
    bool scan;
    std::uint32_t command, drive;
  };
  const Case cases[] = {{"a client's read", false, 6, kSlowDrive},
                        {"a metrics scan", true, 0, kSlowDrive + 2}};
  constexpr int kRounds = 3;
  MakeDriveSlow();
  for (const Case& c : cases) {
    if (c.scan) ScanMetrics();
    ASSERT_TRUE(StopAndWaitForTheProcess());
    ASSERT_TRUE(service_.EnsureRunning());
    for (int round = 0; round < kRounds; ++round) {
      SCOPED_TRACE(std::string(c.holder) + ", round " + std::to_string(round));
      PipeMessage message = Request(c.command, c.drive);
      FillPayload(message);
      const PipeMessage sent = message;
      std::uint32_t result = 1;
      Sleep(500);  // a scan, if any, is on the slow drive by now
      std::thread client([&] { result = monitor::ServiceTransact(&message); });
      Sleep(500);  // the request is with the service by now

      Stopwatch stopClock;
      SERVICE_STATUS status{};
      ASSERT_TRUE(service_.Control(SERVICE_CONTROL_STOP, status)) << GetLastError();
      status = service_.WaitFor(SERVICE_STOPPED, 10000);
      const long long stopMs = stopClock.ElapsedMs();
      const bool gone = servicetest::WaitForProcessGone(kServiceExe, kStopBoundMs);
      const long long goneMs = stopClock.ElapsedMs();
      client.join();
      EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
      EXPECT_EQ(status.dwWin32ExitCode, 0u);
      EXPECT_LT(stopMs, kStopBoundMs);
      EXPECT_TRUE(gone);
      EXPECT_EQ(result, 0u);
      EXPECT_EQ(std::memcmp(&message, &sent, sizeof message), 0);

      Stopwatch startClock;
      ASSERT_TRUE(service_.Start()) << GetLastError();
      EXPECT_EQ(service_.WaitFor(SERVICE_RUNNING, 10000).dwCurrentState,
                static_cast<DWORD>(SERVICE_RUNNING));
      std::printf(
          "%s, round %d: STOPPED %lld ms after the stop, process gone after %lld ms, "
          "RUNNING %lld ms after the start\n",
          c.holder, round, stopMs, goneMs, startClock.ElapsedMs());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--client") == 0) {
    return RunClient(std::atoi(argv[2]), std::atoi(argv[3]));
  }
  if (argc == 2 && std::strcmp(argv[1], "--as-user") == 0) return RunUserClient();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
