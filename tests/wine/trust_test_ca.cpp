// Makes the loopback mail servers' test CA a trusted root in the prefix it
// runs in, as the demo needs for its mail over TLS. ARDMON_MAIL_SERVERS
// names the servers' folder.
#include <cstdio>

#include "tests/wine/mail_servers.h"

int main() {
  const mailtest::MailServers servers;
  if (!servers.ok() || !servers.TrustTestCa()) {
    std::fputs("trust_test_ca: no mail servers, or the CA could not be added\n", stderr);
    return 1;
  }
  return 0;
}
