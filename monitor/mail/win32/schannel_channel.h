// TLS on a connected socket through the platform's Schannel package: the
// client handshake with the protocol versions the system allows, our own
// check of the server's certificate, and records both ways.
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

  // True once the handshake is done and the server's certificate leads to
  // a trusted root and is for `serverName`.
  bool Handshake(const std::string& serverName, MailDeadline deadline);
  bool Send(std::string_view bytes, MailDeadline deadline);
  bool Receive(std::string& received, MailDeadline deadline);

 private:
  bool Negotiate(SECURITY_STATUS status, MailDeadline deadline, bool readFirst);
  bool SendToken(SecBuffer& token);
  bool VerifyServer(const std::wstring& serverName);

  SocketIo& socket_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false;
  bool haveContext_ = false;
  SecPkgContext_StreamSizes sizes_{};
  // Bytes from the server not yet consumed: a partial record, or what
  // followed the last handshake message or record.
  std::string incoming_;
};

}  // namespace monitor
