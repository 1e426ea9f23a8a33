#include "monitor/service_trust.h"

#include <gtest/gtest.h>

#include <vector>

namespace monitor {
namespace {

// What a standard user learns: the pipe's owner and server as its handle
// tells them, the service's process as the control manager tells it, and
// nothing from the service's process itself.
struct FakePipe final : OpenedPipe {
  FakePipe(PipeOwner o, std::uint32_t s) : owner(o), server(s) {}
  PipeOwner Owner() const override { return owner; }
  std::uint32_t ServerProcessId() const override { return server; }
  PipeOwner owner;
  std::uint32_t server;
};

struct FakeDirectory final : ServiceDirectory {
  std::uint32_t service = 0;
  int asked = 0;
  std::uint32_t ServiceProcessId() override {
    ++asked;
    return service;
  }
};

constexpr std::uint32_t kService = 700;
constexpr std::uint32_t kRestarted = 812;
constexpr std::uint32_t kOther = 4242;

// One opened pipe: who owns it, who serves it, what the control manager
// says at that moment, and what the client must conclude.
struct Open {
  PipeOwner owner;
  std::uint32_t server;
  std::uint32_t manager;
  bool trusted;
  int askedSoFar;
};

TEST(ServiceTrust, TrustsOnlyTheServicesOwnPipeAndAsksTheManagerOnlyWhenTheServerChanges) {
  constexpr auto System = PipeOwner::LocalSystem;
  const struct {
    const char* name;
    std::vector<Open> opens;
  } cases[] = {
      {"the service, asked once for many opens",
       {{System, kService, kService, true, 1},
        {System, kService, kService, true, 1},
        {System, kService, kService, true, 1}}},
      {"a squatter owning its pipe is refused unasked", {{PipeOwner::Other, kOther, 0, false, 0}}},
      {"a squatter reusing the remembered id is refused by its owner",
       {{System, kService, kService, true, 1}, {PipeOwner::Other, kService, 0, false, 1}}},
      {"a pipe without an owner is refused", {{PipeOwner::None, kService, kService, false, 0}}},
      {"a server without an id is refused", {{System, 0, 0, false, 0}}},
      {"another process than the service's is refused, asked each time",
       {{System, kOther, kService, false, 1}, {System, kOther, kService, false, 2}}},
      {"a stopped service trusts nobody", {{System, kService, 0, false, 1}}},
      {"a restarted service is asked about once, then remembered",
       {{System, kService, kService, true, 1},
        {System, kRestarted, kRestarted, true, 2},
        {System, kRestarted, kRestarted, true, 2},
        {System, kService, kRestarted, false, 3}}},
  };
  for (const auto& c : cases) {
    FakeDirectory directory;
    ServiceTrust trust(directory);
    for (std::size_t i = 0; i < c.opens.size(); ++i) {
      const Open& open = c.opens[i];
      directory.service = open.manager;
      EXPECT_EQ(trust.Trusts(FakePipe(open.owner, open.server)), open.trusted)
          << c.name << ", open " << i;
      EXPECT_EQ(directory.asked, open.askedSoFar) << c.name << ", open " << i;
    }
  }
}

}  // namespace
}  // namespace monitor
