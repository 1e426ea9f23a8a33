#include "monitor/mail/win32/socket_io.h"

#include <algorithm>

namespace monitor {
namespace {

constexpr std::size_t kReceiveChunk = 16 * 1024;

}  // namespace

// A failed connect shows in the exception set, not the write set.
bool WaitForSocket(SOCKET socket, bool write, MailDeadline deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - MailClock::now());
    if (left.count() <= 0) return false;
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_SET(socket, &ready);
    FD_ZERO(&failed);
    FD_SET(socket, &failed);
    timeval timeout{static_cast<long>(left.count() / 1000000),
                    static_cast<long>(left.count() % 1000000)};
    const int count =
        select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &timeout);
    if (count == SOCKET_ERROR || FD_ISSET(socket, &failed)) return false;
    if (count > 0) return true;
  }
}

SocketIo::~SocketIo() {
  shutdown(socket_, SD_BOTH);
  closesocket(socket_);
}

bool SocketIo::SendAll(std::string_view bytes, MailDeadline deadline) {
  while (!bytes.empty()) {
    if (MailClock::now() >= deadline) return false;
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    const int sent = send(socket_, bytes.data(), chunk, 0);
    if (sent == SOCKET_ERROR) {
      if (WSAGetLastError() != WSAEWOULDBLOCK || !WaitForSocket(socket_, true, deadline)) {
        return false;
      }
      continue;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool SocketIo::ReceiveSome(std::string& received, MailDeadline deadline) {
  char buffer[kReceiveChunk];
  for (;;) {
    const int count = recv(socket_, buffer, sizeof buffer, 0);
    if (count > 0) {
      received.append(buffer, static_cast<std::size_t>(count));
      return true;
    }
    if (count == 0 || WSAGetLastError() != WSAEWOULDBLOCK ||
        !WaitForSocket(socket_, false, deadline)) {
      return false;
    }
  }
}

}  // namespace monitor
