// The monitor's Win32 clock and code page under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include "monitor/win32/ansi_code_page.h"
#include "monitor/win32/system_clock.h"

namespace monitor {
namespace {

TEST(SystemClock, ReadsTheTimeAsThePcShowsIt) {
  SystemClock clock;
  SYSTEMTIME before{}, after{};
  GetLocalTime(&before);
  const std::optional<CalendarTime> local = clock.Local(clock.Now());
  GetLocalTime(&after);
  ASSERT_TRUE(local);
  // Read between two readings of the platform's own clock, a second apart
  // at the most.
  const auto minuteOf = [](int day, int hour, int minute) {
    return (day * 24 + hour) * 60 + minute;
  };
  const int read = minuteOf(local->day, local->hour, local->minute);
  EXPECT_GE(read, minuteOf(before.wDay, before.wHour, before.wMinute));
  EXPECT_LE(read, minuteOf(after.wDay, after.wHour, after.wMinute));
  EXPECT_EQ(local->year, after.wYear);
  EXPECT_EQ(local->weekday, after.wDayOfWeek);

  TIME_ZONE_INFORMATION zone{};
  const DWORD daylight = GetTimeZoneInformation(&zone);
  const LONG bias = zone.Bias + (daylight == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  EXPECT_EQ(local->utcOffsetMinutes, -bias);
}

TEST(AnsiCodePage, ConvertsThroughTheSystemCodePage) {
  const AnsiCodePage ansi;
  EXPECT_EQ(ansi.FromUtf16(u"Disk OK"), "Disk OK");
  EXPECT_EQ(ansi.ToUtf16("Disk OK"), u"Disk OK");
  EXPECT_EQ(ansi.FromUtf16(u""), "");
  if (GetACP() == 1252) {
    EXPECT_EQ(ansi.FromUtf16(u"Caf\u00e9 \u2103"), "Caf\xe9 ?");
    EXPECT_EQ(ansi.ToUtf16("\x80"), u"\u20ac");
  }
}

}  // namespace
}  // namespace monitor
