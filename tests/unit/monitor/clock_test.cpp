#include "monitor/clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "monitor/code_page.h"

namespace monitor {
namespace {

void ExpectCalendar(const CalendarTime& c, int year, int month, int day, int hour, int minute,
                    int second, int weekday) {
  EXPECT_EQ(c.year, year);
  EXPECT_EQ(c.month, month);
  EXPECT_EQ(c.day, day);
  EXPECT_EQ(c.hour, hour);
  EXPECT_EQ(c.minute, minute);
  EXPECT_EQ(c.second, second);
  EXPECT_EQ(c.weekday, weekday);
}

// UTC itself is compared with the C library below.
TEST(CalendarAt, ReadsUtcTimesInAnyZone) {
  ExpectCalendar(CalendarAt(-1, 0), 1969, 12, 31, 23, 59, 59, 3);
  // 2026-12-08 14:26:05 UTC, a Tuesday.
  ExpectCalendar(CalendarAt(1796739965, 60), 2026, 12, 8, 15, 26, 5, 2);
  ExpectCalendar(CalendarAt(1796739965, -330), 2026, 12, 8, 8, 56, 5, 2);
  ExpectCalendar(CalendarAt(1796739965, 600), 2026, 12, 9, 0, 26, 5, 3);
  EXPECT_EQ(CalendarAt(0, -480).utcOffsetMinutes, -480);
}

TEST(CalendarAt, AgreesWithTheCLibraryOverCenturies) {
  for (std::int64_t t = -2'000'000'000; t < 8'000'000'000; t += 86'399 * 97) {
    const std::time_t time = static_cast<std::time_t>(t);
    std::tm utc{};
    ASSERT_NE(gmtime_r(&time, &utc), nullptr);
    const CalendarTime c = CalendarAt(t, 0);
    ASSERT_EQ(c.year, utc.tm_year + 1900) << t;
    ASSERT_EQ(c.month, utc.tm_mon + 1) << t;
    ASSERT_EQ(c.day, utc.tm_mday) << t;
    ASSERT_EQ(c.hour * 3600 + c.minute * 60 + c.second,
              utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec)
        << t;
    ASSERT_EQ(c.weekday, utc.tm_wday) << t;
  }
}

TEST(Latin1CodePage, KeepsItsCharactersAndReplacesTheRest) {
  const Latin1CodePage latin1;
  EXPECT_EQ(latin1.FromUtf16(u"Caf\u00e9 \u2103 \U0001F600"), "Caf\xe9 ? ?");
  EXPECT_EQ(latin1.ToUtf16("Caf\xe9"), u"Caf\u00e9");
  EXPECT_EQ(latin1.FromUtf16(latin1.ToUtf16(std::string("\0\x7f\x80\xff", 4))),
            std::string("\0\x7f\x80\xff", 4));
}

}  // namespace
}  // namespace monitor
