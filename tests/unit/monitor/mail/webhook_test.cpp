#include "monitor/mail/webhook.h"

#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "common/utf8.h"
#include "monitor/mail/mail_values.h"
#include "monitor/memory_profile.h"

namespace monitor {
namespace {

TEST(WebhookUrlRule, HttpsAnywhereAndPlainHttpOnlyToThisPc) {
  struct Case {
    std::u16string_view text;
    bool secure;
    std::u16string_view host;
    std::uint16_t port;
    std::u16string_view path;
    bool ntfy;
  } cases[] = {
      {u"https://hooks.example.test/a/b?c=1", true, u"hooks.example.test", 443, u"/a/b?c=1", false},
      {u"HTTPS://Hooks.Example.Test:8443", true, u"Hooks.Example.Test", 8443, u"/", false},
      {u"https://ntfy.example.test/disks?ntfy", true, u"ntfy.example.test", 443, u"/disks", true},
      {u"https://ntfy.example.test?ntfy", true, u"ntfy.example.test", 443, u"/", true},
      {u"https://host.test/p#part", true, u"host.test", 443, u"/p", false},
      {u"http://localhost:8080/hook", false, u"localhost", 8080, u"/hook", false},
      {u"http://127.0.0.1/", false, u"127.0.0.1", 80, u"/", false},
      {u"http://127.255.0.9:1/x", false, u"127.255.0.9", 1, u"/x", false},
      {u"http://[::1]:9/x", false, u"::1", 9, u"/x", false},
      {u"https://[2001:db8::1]/x", true, u"2001:db8::1", 443, u"/x", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    const std::optional<WebhookUrl> url = ParseWebhookUrl(c.text);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->secure, c.secure);
    EXPECT_EQ(url->host, c.host);
    EXPECT_EQ(url->port, c.port);
    EXPECT_EQ(url->path, c.path);
    EXPECT_EQ(url->ntfy, c.ntfy);
  }
  // Refused: the clear text beyond this PC, look-alikes of loopback, what
  // is no URL, credentials, blanks and bad ports.
  const std::u16string_view refused[] = {
      u"http://hooks.example.test/x",
      u"http://128.0.0.1/x",
      u"http://127.0.0.1.example.test/x",
      u"http://localhost.example.test/x",
      u"http://127.0.0.256/x",
      u"http://[::2]/x",
      u"ftp://localhost/x",
      u"hooks.example.test/x",
      u"",
      u"https:///x",
      u"https://user:pw@hooks.example.test/x",
      u"https://hooks.example.test/a b",
      u"https://hooks.example.test/a\r\nX: y",
      u"https://hooks.example.test:0/",
      u"https://hooks.example.test:65536/",
      u"https://hooks.example.test:/",
      u"https://[::1/",
  };
  for (std::u16string_view text : refused) {
    EXPECT_FALSE(ParseWebhookUrl(text)) << std::string(text.begin(), text.end());
  }
}

WebhookEvent SampleEvent() {
  return {u"2026-12-10T09:30:00+09:00",
          u"経理-PC",
          u"C:D:",
          u"TESSERA \"TS\"",
          u"S\\N 1",
          u"health",
          u"C:D:TESSERA\r\nHealthStatus is\t\"Bad\".\x01"};
}

TEST(WebhookJsonBody, CarriesEveryFieldAsUtf8ThatAParserReadsBack) {
  const WebhookEvent event = SampleEvent();
  const std::string body = WebhookJson(event);
  EXPECT_EQ(body.rfind("{\"time\":\"2026-12-10T09:30:00+09:00\",\"computer\":\"", 0), 0u)
      << "the names in their order";
  EXPECT_NE(body.find("\xE7\xB5\x8C\xE7\x90\x86"), std::string::npos) << "UTF-8, not escaped";
  const nlohmann::json parsed = nlohmann::json::parse(body);
  const std::pair<const char*, const std::u16string*> fields[] = {
      {"time", &event.time},   {"computer", &event.computer}, {"drive", &event.drive},
      {"model", &event.model}, {"serial", &event.serial},     {"event", &event.event},
      {"text", &event.text}};
  ASSERT_EQ(parsed.size(), std::size(fields));
  for (const auto& [name, value] : fields) {
    EXPECT_EQ(parsed.at(name).get<std::string>(), ardmon::Utf8FromUtf16(*value)) << name;
  }
}

TEST(WebhookTitle, AsciiAsItIsOtherTextInEncodedWordsOfWholeCharacters) {
  struct Case {
    std::u16string_view title;
    std::string header;
  } cases[] = {
      {u"Quenby - OFFICE-7", "Quenby - OFFICE-7"},
      {u"two\r\nlines", "two  lines"},
      {u"Quenby - 経理", "=?UTF-8?B?UXVlbmJ5IC0g57WM55CG?="},
      // 16 three-byte characters: 45 bytes fill the first word, its 75
      // characters at most.
      {u"ああああああああああああああああ",
       "=?UTF-8?B?44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC44GC?= "
       "=?UTF-8?B?44GC?="},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodedHeaderText(c.title), c.header);
  }
}

TEST(WebhookForm, JsonForAWebhookTextAndTitleForNtfy) {
  const WebhookEvent event = SampleEvent();
  struct Case {
    std::u16string_view url;
    std::string contentType, title, body;
  } cases[] = {
      {u"https://hooks.example.test/x", "application/json; charset=utf-8", "", WebhookJson(event)},
      {u"https://ntfy.example.test/disks?ntfy", "text/plain; charset=utf-8", "Quenby",
       ardmon::Utf8FromUtf16(event.text)},
  };
  for (const Case& c : cases) {
    const WebhookRequest request = ComposeWebhook(*ParseWebhookUrl(c.url), event, u"Quenby");
    EXPECT_EQ(request.contentType, c.contentType);
    EXPECT_EQ(request.title, c.title);
    EXPECT_EQ(request.body, c.body);
  }
}

TEST(WebhookTime, LocalTimeWithItsOffset) {
  struct Case {
    int offset;
    std::u16string_view text;
  } cases[] = {{540, u"2023-11-15T07:13:20+09:00"},
               {-210, u"2023-11-14T18:43:20-03:30"},
               {0, u"2023-11-14T22:13:20+00:00"}};
  for (const Case& c : cases) {
    EXPECT_EQ(WebhookTime(CalendarAt(1'700'000'000, c.offset)), c.text);
  }
  EXPECT_EQ(WebhookTime(std::nullopt), u"");
}

struct FixedClock : Clock {
  std::int64_t Now() override { return 1'700'000'000; }
  std::optional<CalendarTime> Local(std::int64_t time) override { return CalendarAt(time, 60); }
};

TEST(AlertWebhook, ComposedFromTheStoredUrlWithTheTimeAndComputer) {
  MemoryProfile profile;
  FixedClock clock;
  WebhookEvent event;
  event.text = u"hot";
  EXPECT_FALSE(ComposeAlertWebhook(profile, clock, u"PC", u"Quenby", event)) << "no URL";
  WriteText(profile, kWebhookUrl, u"http://hooks.example.test/");
  EXPECT_FALSE(ComposeAlertWebhook(profile, clock, u"PC", u"Quenby", event)) << "in the clear";

  WriteText(profile, kWebhookUrl, u"https://ntfy.example.test/t?ntfy");
  EXPECT_EQ(ComposeAlertWebhook(profile, clock, u"PC", u"Quenby", event)->title, "Quenby - PC");
  WriteText(profile, kWebhookUrl, u"https://hooks.example.test/");
  const nlohmann::json body =
      nlohmann::json::parse(ComposeAlertWebhook(profile, clock, u"PC", u"Quenby", event)->body);
  EXPECT_EQ(body["computer"], "PC");
  EXPECT_EQ(body["time"], "2023-11-14T23:13:20+01:00");
}

}  // namespace
}  // namespace monitor
