// A connected non-blocking socket, read and written within deadlines.
#pragma once

#include <winsock2.h>

#include <string>
#include <string_view>

#include "monitor/mail/mail_transport.h"

namespace monitor {

class SocketIo {
 public:
  explicit SocketIo(SOCKET socket) : socket_(socket) {}
  SocketIo(const SocketIo&) = delete;
  SocketIo& operator=(const SocketIo&) = delete;
  // Shut down both ways and closed.
  ~SocketIo();

  bool SendAll(std::string_view bytes, MailDeadline deadline);
  // Appends what has arrived; false on timeout, close or error.
  bool ReceiveSome(std::string& received, MailDeadline deadline);

 private:
  SOCKET socket_;
};

// Waits until the socket can be written (or read); false at the deadline.
bool WaitForSocket(SOCKET socket, bool write, MailDeadline deadline);

}  // namespace monitor
