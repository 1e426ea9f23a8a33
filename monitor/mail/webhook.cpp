#include "monitor/mail/webhook.h"

#include <algorithm>
#include <cstdio>

#include "common/utf8.h"
#include "monitor/mail/mail_values.h"
#include "monitor/mail/message.h"

namespace monitor {
namespace {

constexpr std::u16string_view kHttps = u"https://";
constexpr std::u16string_view kHttp = u"http://";
// An encoded-word is at most 75 characters: 45 bytes make 60 of Base64
// inside its 12 characters of frame.
constexpr std::size_t kEncodedWordBytes = 45;

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsDigits(std::u16string_view text) {
  if (text.empty()) return false;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// Digits only, and few enough not to overflow.
unsigned Number(std::u16string_view digits) {
  unsigned value = 0;
  for (char16_t c : digits) value = value * 10 + (c - u'0');
  return value;
}

std::optional<std::uint16_t> PortNumber(std::u16string_view text) {
  if (!IsDigits(text) || text.size() > 5) return std::nullopt;
  const unsigned port = Number(text);
  if (port == 0 || port > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

// 127.0.0.0/8 written as four decimal numbers, "::1" or "localhost".
bool IsLoopback(std::u16string_view host) {
  if (host == u"::1" || (host.size() == 9 && StartsWithNoCase(host, u"localhost"))) return true;
  int parts = 0;
  bool first127 = false;
  for (std::size_t at = 0; at <= host.size(); ++parts) {
    const std::size_t dot = std::min(host.find(u'.', at), host.size());
    const std::u16string_view part = host.substr(at, dot - at);
    if (!IsDigits(part) || part.size() > 3 || Number(part) > 255) return false;
    if (parts == 0) first127 = part == u"127";
    at = dot + 1;
  }
  return parts == 4 && first127;
}

// Blanks and control characters would break the request line.
bool HasForbiddenCharacter(std::u16string_view text) {
  for (char16_t c : text) {
    if (c <= u' ' || c == 0x7F) return true;
  }
  return false;
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  out += '"';
  for (char c : ardmon::Utf8FromUtf16(text)) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

std::optional<WebhookUrl> ParseWebhookUrl(std::u16string_view text) {
  if (HasForbiddenCharacter(text)) return std::nullopt;
  WebhookUrl url;
  if (StartsWithNoCase(text, kHttps)) {
    text.remove_prefix(kHttps.size());
  } else if (StartsWithNoCase(text, kHttp)) {
    text.remove_prefix(kHttp.size());
    url.secure = false;
    url.port = 80;
  } else {
    return std::nullopt;
  }
  if (text.size() >= kNtfySuffix.size() &&
      text.substr(text.size() - kNtfySuffix.size()) == kNtfySuffix) {
    url.ntfy = true;
    text.remove_suffix(kNtfySuffix.size());
  }
  text = text.substr(0, text.find(u'#'));
  const std::size_t pathStart = std::min(text.find_first_of(u"/?"), text.size());
  std::u16string_view authority = text.substr(0, pathStart);
  url.path = text.substr(pathStart);
  if (url.path.empty() || url.path.front() == u'?') url.path.insert(0, u"/");
  // Credentials in a URL would travel in every log of it: not taken.
  if (authority.find(u'@') != std::u16string_view::npos) return std::nullopt;
  std::u16string_view port;
  if (!authority.empty() && authority.front() == u'[') {
    const std::size_t close = authority.find(u']');
    if (close == std::u16string_view::npos) return std::nullopt;
    url.host = authority.substr(1, close - 1);
    const std::u16string_view rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() != u':') return std::nullopt;
    if (!rest.empty()) port = rest.substr(1);
    if (rest.size() == 1) return std::nullopt;
  } else {
    const std::size_t colon = authority.find(u':');
    url.host = authority.substr(0, colon);
    if (colon != std::u16string_view::npos) {
      port = authority.substr(colon + 1);
      if (port.empty()) return std::nullopt;
    }
  }
  if (url.host.empty()) return std::nullopt;
  if (!port.empty()) {
    const std::optional<std::uint16_t> number = PortNumber(port);
    if (!number) return std::nullopt;
    url.port = *number;
  }
  // In the clear only where nothing leaves the PC.
  if (!url.secure && !IsLoopback(url.host)) return std::nullopt;
  return url;
}

std::u16string WebhookTime(const std::optional<CalendarTime>& local) {
  if (!local) return u"";
  const int offset =
      local->utcOffsetMinutes < 0 ? -local->utcOffsetMinutes : local->utcOffsetMinutes;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local->year,
                local->month, local->day, local->hour, local->minute, local->second,
                local->utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return ardmon::Utf16FromUtf8(text);
}

std::string WebhookJson(const WebhookEvent& event) {
  const std::pair<const char*, const std::u16string*> fields[] = {
      {"time", &event.time},   {"computer", &event.computer}, {"drive", &event.drive},
      {"model", &event.model}, {"serial", &event.serial},     {"event", &event.event},
      {"text", &event.text}};
  std::string json = "{";
  for (const auto& [name, value] : fields) {
    if (json.size() > 1) json += ',';
    json += '"';
    json += name;
    json += "\":";
    AppendJsonString(json, *value);
  }
  return json + "}";
}

std::string EncodedHeaderText(std::u16string_view text) {
  std::string bytes = ardmon::Utf8FromUtf16(text);
  // A line break in a header value would start a header of its own.
  for (char& c : bytes) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return bytes;
  return EncodedWords(bytes, kEncodedWordBytes, kEncodedWordBytes, " ");
}

WebhookRequest ComposeWebhook(const WebhookUrl& url, const WebhookEvent& event,
                              std::u16string_view title) {
  WebhookRequest request;
  request.url = url;
  if (url.ntfy) {
    request.contentType = "text/plain; charset=utf-8";
    request.title = EncodedHeaderText(title);
    request.body = ardmon::Utf8FromUtf16(event.text);
  } else {
    request.contentType = "application/json; charset=utf-8";
    request.body = WebhookJson(event);
  }
  return request;
}

std::optional<WebhookRequest> ComposeAlertWebhook(Profile& profile, Clock& clock,
                                                  std::u16string_view computer,
                                                  std::u16string_view title, WebhookEvent event) {
  const std::optional<WebhookUrl> url = ParseWebhookUrl(ReadText(profile, kWebhookUrl));
  if (!url) return std::nullopt;
  event.time = WebhookTime(clock.Local(clock.Now()));
  event.computer = computer;
  std::u16string heading(title);
  if (!computer.empty()) heading.append(u" - ").append(computer);
  return ComposeWebhook(*url, event, heading);
}

}  // namespace monitor
