// The webhook beside the alert mail: where it goes (https, or plain http
// only to this PC), and what it carries: the event as JSON, or for an ntfy
// topic its text with a Title header. The payload holds what the mail
// holds, nothing more.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/clock.h"
#include "monitor/profile.h"

namespace monitor {

// The stored URL, in the "SETTING" section; empty for no webhook.
constexpr std::u16string_view kWebhookUrl = u"WEBHOOKURL";
// A URL ending in this is an ntfy topic; the suffix itself is not sent.
constexpr std::u16string_view kNtfySuffix = u"?ntfy";

// What the event says, as the mail says it, and whose drive it was.
struct WebhookEvent {
  std::u16string time;  // ISO 8601 local time with its offset
  std::u16string computer;
  std::u16string drive;  // the drive letters as the list shows them
  std::u16string model;
  std::u16string serial;
  std::u16string event;  // "temperature", "health" or "test"
  std::u16string text;   // the mail's text
};

struct WebhookUrl {
  bool secure = true;
  std::u16string host;  // without the brackets of an IPv6 address
  std::uint16_t port = 443;
  std::u16string path;  // with its query, at least "/"
  bool ntfy = false;
};

// The URL as it may be used: https to any host, http only to a loopback
// address; nothing for any other, or one that is not a URL.
std::optional<WebhookUrl> ParseWebhookUrl(std::u16string_view text);

struct WebhookRequest {
  WebhookUrl url;
  std::string contentType;
  std::string title;  // the ntfy Title header's value; empty for JSON
  std::string body;   // UTF-8
};

// The event's time as the JSON carries it; empty when the PC cannot tell.
std::u16string WebhookTime(const std::optional<CalendarTime>& local);
// {"time", "computer", "drive", "model", "serial", "event", "text"}.
std::string WebhookJson(const WebhookEvent& event);
// A header value: ASCII as it is, else RFC 2047 encoded-words of UTF-8.
std::string EncodedHeaderText(std::u16string_view text);
// The request for the URL: the JSON, or for ntfy the text under `title`.
WebhookRequest ComposeWebhook(const WebhookUrl& url, const WebhookEvent& event,
                              std::u16string_view title);

// The request for an event to the stored URL, the time and the computer
// filled in; the ntfy title names the application and the computer.
// Nothing when no usable URL is stored.
std::optional<WebhookRequest> ComposeAlertWebhook(Profile& profile, Clock& clock,
                                                  std::u16string_view computer,
                                                  std::u16string_view title, WebhookEvent event);

}  // namespace monitor
