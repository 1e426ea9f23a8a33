#include "monitor/mail/win32/winsock_transport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

#include "monitor/mail/win32/schannel_channel.h"
#include "monitor/mail/win32/socket_io.h"

namespace monitor {
namespace {

// The close_notify is a few bytes into an empty socket buffer; a server
// that reads nothing more does not hold the end of the mail.
constexpr std::chrono::seconds kCloseTimeout{1};

class WinsockConnection final : public MailConnection {
 public:
  explicit WinsockConnection(SOCKET socket) : socket_(socket) {}
  ~WinsockConnection() override {
    if (tls_) tls_->Close(MailClock::now() + kCloseTimeout);
  }

  bool Send(std::string_view bytes) override {
    const MailDeadline deadline = MailClock::now() + kReplyTimeout;
    return tls_ ? tls_->Send(bytes, deadline) : socket_.SendAll(bytes, deadline);
  }
  bool Receive(std::string& received, MailDeadline deadline) override {
    return tls_ ? tls_->Receive(received, deadline) : socket_.ReceiveSome(received, deadline);
  }
  bool StartTls(const std::string& serverName, MailDeadline deadline) override {
    tls_ = std::make_unique<SchannelChannel>(socket_);
    return tls_->Handshake(serverName, deadline);
  }

 private:
  SocketIo socket_;
  std::unique_ptr<SchannelChannel> tls_;
};

// A non-blocking socket connected to the address, or INVALID_SOCKET.
SOCKET ConnectTo(const addrinfo& address, MailDeadline deadline) {
  SOCKET socket = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (socket == INVALID_SOCKET) return socket;
  u_long nonBlocking = 1;
  int error = 0;
  int length = sizeof error;
  const bool connected =
      ioctlsocket(socket, FIONBIO, &nonBlocking) == 0 &&
      (connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0 ||
       (WSAGetLastError() == WSAEWOULDBLOCK && WaitForSocket(socket, true, deadline) &&
        getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
        error == 0));
  if (connected) return socket;
  closesocket(socket);
  return INVALID_SOCKET;
}

}  // namespace

WinsockTransport::WinsockTransport() {
  WSADATA data{};
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockTransport::~WinsockTransport() {
  if (started_) WSACleanup();
}

std::unique_ptr<MailConnection> WinsockTransport::Connect(const std::string& host,
                                                          std::uint16_t port,
                                                          MailDeadline deadline) {
  if (!started_ || host.empty()) return nullptr;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* addresses = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0) {
    return nullptr;
  }
  std::vector<const addrinfo*> candidates;
  for (const addrinfo* address = addresses; address; address = address->ai_next) {
    candidates.push_back(address);
  }
  const SOCKET socket = ConnectToFirst(
      candidates, INVALID_SOCKET, deadline, [] { return MailClock::now(); },
      [](const addrinfo* address, MailDeadline addressDeadline) {
        return ConnectTo(*address, addressDeadline);
      });
  freeaddrinfo(addresses);
  if (socket == INVALID_SOCKET) return nullptr;
  return std::make_unique<WinsockConnection>(socket);
}

}  // namespace monitor
