#include "monitor/mail/win32/schannel_channel.h"

#include <wincrypt.h>

#include <algorithm>
#include <vector>

namespace monitor {
namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

std::wstring WideName(const std::string& name) {
  const int size =
      MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), size);
  return wide;
}

// TLS 1.0 and 1.1 are broken; older systems still offer them.
constexpr DWORD kModernProtocols = SP_PROT_TLS1_2 | SP_PROT_TLS1_3;

bool Continues(SECURITY_STATUS status) {
  return status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE ||
         status == SEC_I_INCOMPLETE_CREDENTIALS;
}

}  // namespace

SchannelChannel::~SchannelChannel() {
  if (haveContext_) DeleteSecurityContext(&context_);
  if (haveCredentials_) FreeCredentialsHandle(&credentials_);
}

bool SchannelChannel::SendToken(SecBuffer& token, MailDeadline deadline) {
  if (!token.pvBuffer) return true;
  const bool sent =
      token.cbBuffer == 0 ||
      socket_.SendAll(std::string_view(static_cast<const char*>(token.pvBuffer), token.cbBuffer),
                      deadline);
  FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
  return sent;
}

bool SchannelChannel::Handshake(const std::string& serverName, MailDeadline deadline) {
  // No protocol named: the system's own choice, which leaves out the old
  // versions servers refuse. The certificate is checked below, by us.
  SCHANNEL_CRED settings{};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TimeStamp expiry{};
  if (AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                nullptr, &settings, nullptr, nullptr, &credentials_,
                                &expiry) != SEC_E_OK) {
    return false;
  }
  haveCredentials_ = true;

  std::wstring target = WideName(serverName);
  SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
  ULONG attributes = 0;
  const SECURITY_STATUS status =
      InitializeSecurityContextW(&credentials_, nullptr, target.data(), kContextFlags, 0, 0,
                                 nullptr, 0, &context_, &output, &attributes, &expiry);
  if (status != SEC_I_CONTINUE_NEEDED && status != SEC_E_OK) return false;
  haveContext_ = true;
  if (!SendToken(token, deadline) || !Negotiate(status, deadline, true)) return false;
  SecPkgContext_ConnectionInfo connection{};
  established_ =
      QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &connection) == SEC_E_OK &&
      (connection.dwProtocol & kModernProtocols) != 0 &&
      QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) == SEC_E_OK &&
      VerifyServer(target);
  return established_;
}

// A failed close_notify leaves the server a cut connection, which is all
// it would have had without one: nothing to report.
void SchannelChannel::Close(MailDeadline deadline) {
  if (!established_) return;
  DWORD shutdown = SCHANNEL_SHUTDOWN;
  SecBuffer control{sizeof shutdown, SECBUFFER_TOKEN, &shutdown};
  SecBufferDesc controls{SECBUFFER_VERSION, 1, &control};
  if (ApplyControlToken(&context_, &controls) != SEC_E_OK) return;
  SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
  ULONG attributes = 0;
  TimeStamp expiry{};
  const SECURITY_STATUS status =
      InitializeSecurityContextW(&credentials_, &context_, nullptr, kContextFlags, 0, 0, nullptr, 0,
                                 nullptr, &output, &attributes, &expiry);
  if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
    SendToken(token, deadline);
  } else if (token.pvBuffer) {
    FreeContextBuffer(token.pvBuffer);
  }
  established_ = false;
}

// Handshake messages both ways until the context is complete. Bytes beyond
// one message are kept for the next step. `readFirst` false hands the
// package what is there, even nothing, before waiting for the server.
bool SchannelChannel::Negotiate(SECURITY_STATUS status, MailDeadline deadline, bool readFirst) {
  while (status != SEC_E_OK) {
    if (!Continues(status)) return false;
    const bool needMore = status == SEC_E_INCOMPLETE_MESSAGE ||
                          (status == SEC_I_CONTINUE_NEEDED && incoming_.empty() && readFirst);
    readFirst = true;
    if (needMore && !socket_.ReceiveSome(incoming_, deadline)) return false;

    SecBuffer input[2] = {{static_cast<ULONG>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                          {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inputs{SECBUFFER_VERSION, 2, input};
    SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
    ULONG attributes = 0;
    TimeStamp expiry{};
    status = InitializeSecurityContextW(&credentials_, &context_, nullptr, kContextFlags, 0, 0,
                                        &inputs, 0, nullptr, &output, &attributes, &expiry);
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
      if (!SendToken(token, deadline)) return false;
    } else if (token.pvBuffer) {
      FreeContextBuffer(token.pvBuffer);
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) continue;
    if (input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer <= incoming_.size()) {
      incoming_.erase(0, incoming_.size() - input[1].cbBuffer);
    } else if (status != SEC_I_INCOMPLETE_CREDENTIALS) {
      incoming_.clear();
    }
    // Asked for a client certificate: go on without one.
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) status = SEC_I_CONTINUE_NEEDED;
  }
  return true;
}

// Schannel was told not to judge the certificate: the chain must end at a
// trusted root and the certificate must be for the server's name.
bool SchannelChannel::VerifyServer(const std::wstring& serverName) {
  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
          SEC_E_OK ||
      !certificate) {
    return false;
  }
  LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  bool trusted = false;
  if (CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0,
                              nullptr, &chain)) {
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(serverName.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS result{};
    result.cbSize = sizeof result;
    // A chain that does not reach a root at all is no error to the policy.
    trusted = chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR &&
              CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &result) &&
              result.dwError == 0;
    CertFreeCertificateChain(chain);
  }
  CertFreeCertificateContext(certificate);
  return trusted;
}

bool SchannelChannel::Send(std::string_view bytes, MailDeadline deadline) {
  std::vector<char> record(sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer);
  while (!bytes.empty()) {
    const std::size_t length = std::min<std::size_t>(bytes.size(), sizes_.cbMaximumMessage);
    std::copy_n(bytes.data(), length, record.data() + sizes_.cbHeader);
    SecBuffer buffers[4] = {
        {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
        {static_cast<ULONG>(length), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
        {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + length},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&context_, 0, &message, 0) != SEC_E_OK ||
        !socket_.SendAll(std::string_view(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer +
                                                             buffers[2].cbBuffer),
                         deadline)) {
      return false;
    }
    bytes.remove_prefix(length);
  }
  return true;
}

// Decrypts the records that have arrived until one holds data; a reply may
// span several records and a record several receives. Records without
// data, sent for ever, end at the deadline.
bool SchannelChannel::Receive(std::string& received, MailDeadline deadline) {
  for (;;) {
    if (MailClock::now() >= deadline) return false;
    if (!incoming_.empty()) {
      SecBuffer buffers[4] = {
          {static_cast<ULONG>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
          {0, SECBUFFER_EMPTY, nullptr},
          {0, SECBUFFER_EMPTY, nullptr},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = DecryptMessage(&context_, &message, 0, nullptr);
      if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE) {
        std::string data, extra;
        for (const SecBuffer& buffer : buffers) {
          const char* bytes = static_cast<const char*>(buffer.pvBuffer);
          if (buffer.BufferType == SECBUFFER_DATA) data.append(bytes, buffer.cbBuffer);
          if (buffer.BufferType == SECBUFFER_EXTRA) extra.assign(bytes, buffer.cbBuffer);
        }
        incoming_ = std::move(extra);
        // Handshake messages after the handshake, such as session tickets.
        if (status == SEC_I_RENEGOTIATE && !Negotiate(SEC_I_CONTINUE_NEEDED, deadline, false)) {
          return false;
        }
        if (!data.empty()) {
          received += data;
          return true;
        }
        continue;
      }
      if (status != SEC_E_INCOMPLETE_MESSAGE) return false;  // closed, or broken
    }
    if (!socket_.ReceiveSome(incoming_, deadline)) return false;
  }
}

}  // namespace monitor
