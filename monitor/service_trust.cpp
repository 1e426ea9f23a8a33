#include "monitor/service_trust.h"

namespace monitor {

bool ServiceTrust::Trusts(const OpenedPipe& pipe) {
  if (pipe.Owner() != PipeOwner::LocalSystem) return false;
  const std::uint32_t server = pipe.ServerProcessId();
  if (server == 0) return false;
  if (server == confirmedId_.load()) return true;
  const std::uint32_t service = directory_.ServiceProcessId();
  confirmedId_.store(service);
  return server == service;
}

}  // namespace monitor
