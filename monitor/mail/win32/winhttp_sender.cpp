#include "monitor/mail/win32/winhttp_sender.h"

#include <windows.h>
// After windows.h, which it needs.
#include <winhttp.h>

#include <memory>
#include <string>

#include "common/win32/wide_text.h"

namespace monitor {
namespace {

struct HandleCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Each step may take what is left of the deadline, and no more.
bool LimitTo(HINTERNET handle, WebhookSender::Deadline deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return false;
  const int ms = static_cast<int>(left.count());
  // The wait for the response's headers has a limit of its own.
  DWORD responseMs = static_cast<DWORD>(ms);
  return WinHttpSetTimeouts(handle, ms, ms, ms, ms) &&
         WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs,
                          sizeof responseMs);
}

std::wstring Headers(const WebhookRequest& request) {
  std::string headers = "Content-Type: " + request.contentType + "\r\n";
  if (!request.title.empty()) headers += "Title: " + request.title + "\r\n";
  // The headers are ASCII: the title comes encoded.
  return std::wstring(headers.begin(), headers.end());
}

}  // namespace

WebhookResult WinHttpSender::Post(const WebhookRequest& request, Deadline deadline) {
  const Handle session(WinHttpOpen(L"Quenby", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                   WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session || !LimitTo(session.get(), deadline)) return WebhookResult::Failed;
  const WebhookUrl& url = request.url;
  const Handle connection(
      WinHttpConnect(session.get(), ardmon::Wide(url.host).c_str(), url.port, 0));
  if (!connection) return WebhookResult::Failed;
  const Handle post(WinHttpOpenRequest(connection.get(), L"POST", ardmon::Wide(url.path).c_str(),
                                       nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                       url.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!post) return WebhookResult::Failed;
  // A redirect would take the event somewhere the user did not name.
  DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
  if (!WinHttpSetOption(post.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                        sizeof noRedirects)) {
    return WebhookResult::Failed;
  }
  const std::wstring headers = Headers(request);
  const auto length = static_cast<DWORD>(request.body.size());
  if (!LimitTo(post.get(), deadline) ||
      !WinHttpSendRequest(post.get(), headers.c_str(), static_cast<DWORD>(-1),
                          const_cast<char*>(request.body.data()), length, length, 0) ||
      !LimitTo(post.get(), deadline) || !WinHttpReceiveResponse(post.get(), nullptr)) {
    return WebhookResult::Failed;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(post.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return WebhookResult::Failed;
  }
  return status >= 200 && status < 300 ? WebhookResult::Sent : WebhookResult::Refused;
}

}  // namespace monitor
