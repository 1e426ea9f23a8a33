// TLS on a connected socket through the platform's Schannel package: the
// client handshake with the protocol versions the system allows, of which
// only TLS 1.2 and later are taken, our own check of the server's
// certificate, records both ways and the close_notify at the end.
#pragma once

#include <winsock2.h>
// After winsock2.h, which must come first.
#include <windows.h>
// The user-mode security interface, after windows.h.
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>

#include <string>
#include <string_view>

#include "monitor/mail/win32/socket_io.h"

namespace monitor {

class SchannelChannel {
 public:
  explicit SchannelChannel(SocketIo& socket) : socket_(socket) {}
  SchannelChannel(const SchannelChannel&) = delete;
  SchannelChannel& operator=(const SchannelChannel&) = delete;
  ~SchannelChannel();

  // True once the handshake is done by the deadline with TLS 1.2 or later
  // and the server's certificate leads to a trusted root and is for
  // `serverName`.
  bool Handshake(const std::string& serverName, MailDeadline deadline);
  bool Send(std::string_view bytes, MailDeadline deadline);
  bool Receive(std::string& received, MailDeadline deadline);
  // Sends the close_notify alert of an established session.
  void Close(MailDeadline deadline);

 private:
  bool Negotiate(SECURITY_STATUS status, MailDeadline deadline, bool readFirst);
  bool SendToken(SecBuffer& token, MailDeadline deadline);
  bool VerifyServer(const std::wstring& serverName);

  SocketIo& socket_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false;
  bool haveContext_ = false;
  bool established_ = false;
  SecPkgContext_StreamSizes sizes_{};
  // Bytes from the server not yet consumed: a partial record, or what
  // followed the last handshake message or record.
  std::string incoming_;
};

}  // namespace monitor
