// The Date line and the message text as they go out.
#include "monitor/mail/message.h"

#include <gtest/gtest.h>

#include "monitor/mail/date_header.h"

namespace monitor {
namespace {

constexpr std::int64_t k2026Dec08At142605Utc = 1796739965;

TEST(DateHeader, CarriesTheLocalTimeAndItsRealOffset) {
  EXPECT_EQ(FormatDateHeader(CalendarAt(k2026Dec08At142605Utc, 60)),
            "Date: Tue, 08 Dec 2026 15:26:05 +0100\r\n");
  EXPECT_EQ(FormatDateHeader(CalendarAt(k2026Dec08At142605Utc, -210)),
            "Date: Tue, 08 Dec 2026 10:56:05 -0330\r\n");
  EXPECT_EQ(FormatDateHeader(CalendarAt(k2026Dec08At142605Utc, 0)),
            "Date: Tue, 08 Dec 2026 14:26:05 +0000\r\n");
}

TEST(DateHeader, NamesJanuaryShortAndCrossesTheYearInTheLocalZone) {
  constexpr std::int64_t k2027Jan01At0030Utc = 1798763400;
  EXPECT_EQ(FormatDateHeader(CalendarAt(k2027Jan01At0030Utc, 0)),
            "Date: Fri, 01 Jan 2027 00:30:00 +0000\r\n");
  EXPECT_EQ(FormatDateHeader(CalendarAt(k2027Jan01At0030Utc, -60)),
            "Date: Thu, 31 Dec 2026 23:30:00 -0100\r\n");
  EXPECT_EQ(FormatDateHeader(std::nullopt), "") << "no Date line when the time is unknown";
}

MailMessageParts Parts(std::string body) {
  MailMessageParts parts;
  parts.sender = "pc@example.test";
  parts.recipient1 = "me@example.test";
  parts.dateLine = "Date: Tue, 08 Dec 2026 15:26:05 +0100\r\n";
  parts.subjectLine = SubjectLine(u"Quenby");
  parts.body = std::move(body);
  return parts;
}

TEST(MailMessage, AnAsciiBodyGoesAs7bitUtf8) {
  MailMessageParts parts = Parts(MailBody(u"C:DISK It is higher than the setting."));
  parts.recipient2 = "you@example.test";
  EXPECT_EQ(MessageText(parts),
            "From: pc@example.test\r\n"
            "To: me@example.test,you@example.test\r\n"
            "MIME-Version: 1.0\r\n"
            "Content-Transfer-Encoding: 7bit\r\n"
            "Content-Type: text/plain; charset=UTF-8\r\n"
            "X-Mailer: Halvane-Mailer\r\n"
            "Date: Tue, 08 Dec 2026 15:26:05 +0100\r\n"
            "Subject: =?UTF-8?B?UXVlbmJ5?=\r\n"
            "\r\n"
            "C:DISK It is higher than the setting.\r\n");
}

TEST(MailMessage, AnyOtherBodyGoesInBase64LinesAndTheSubjectInUtf8) {
  EXPECT_EQ(SubjectLine(u"\u30AF\u30A8\u30F3\u30D3\u30FC"),
            "Subject: =?UTF-8?B?44Kv44Ko44Oz44OT44O8?=\r\n");
  const std::string text = MessageText(Parts(MailBody(std::u16string(60, u'\u00E9'))));
  EXPECT_NE(text.find("Content-Transfer-Encoding: base64\r\n"), std::string::npos);
  const std::string body = text.substr(text.find("\r\n\r\n") + 4);
  // 120 bytes of UTF-8 and CR LF: 164 characters of Base64 in lines of 76.
  ASSERT_EQ(body.size(), 164u + 3 * 2);
  EXPECT_EQ(body.substr(0, 8), "w6nDqcOp");
  EXPECT_EQ(body.substr(76, 2), "\r\n");
  EXPECT_EQ(body.substr(body.size() - 10), "qcOpDQo=\r\n");
}

TEST(MailMessage, ALongSubjectIsCutAtWholeCharactersIntoFoldedEncodedWords) {
  // 88 bytes of UTF-8: 38 on the first line, where 39 would cut an "é";
  // 44 of the 45 a folded line holds; the rest.
  EXPECT_EQ(SubjectLine(u"Quenby: " + std::u16string(40, u'\u00E9')),
            "Subject: =?UTF-8?B?UXVlbmJ5OiDDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6k=?=\r\n"
            " =?UTF-8?B?w6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6k=?=\r\n"
            " =?UTF-8?B?w6nDqcOp?=\r\n");
}

TEST(MailMessage, BodyLinesEndInCrLfWhateverTheTextUses) {
  EXPECT_EQ(MailBody(u"TestMail"), "TestMail\r\n");
  EXPECT_EQ(MailBody(u"a\nb\rc\r\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(MailBody(u""), "\r\n");
}

TEST(MailMessage, LinesBeginningWithADotAreStuffed) {
  EXPECT_EQ(DotStuffed(".\r\n.hidden\r\nmid.dle\r\n..\r\n"),
            "..\r\n..hidden\r\nmid.dle\r\n...\r\n");
  EXPECT_EQ(DotStuffed("no end"), "no end\r\n");
  const std::string text = MessageText(Parts(MailBody(u"first\n.\nlast")));
  EXPECT_NE(DotStuffed(text).find("\r\nfirst\r\n..\r\nlast\r\n"), std::string::npos);
}

}  // namespace
}  // namespace monitor
