#include "monitor/clock.h"

namespace monitor {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Floor division, so that times before 1970 fall on the right day.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

// Days since 1970-01-01 to the proleptic Gregorian date, by eras of 400
// years (146097 days) counted from 0000-03-01.
CalendarTime CalendarAt(std::int64_t time, int utcOffsetMinutes) {
  const std::int64_t local = time + static_cast<std::int64_t>(utcOffsetMinutes) * 60;
  const std::int64_t days = FloorDiv(local, kSecondsPerDay);
  const std::int64_t secondOfDay = local - days * kSecondsPerDay;

  const std::int64_t shifted = days + 719468;
  const std::int64_t era = FloorDiv(shifted, 146097);
  const std::int64_t dayOfEra = shifted - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));

  CalendarTime calendar{};
  calendar.year = year;
  calendar.month = month;
  calendar.day = day;
  calendar.hour = static_cast<int>(secondOfDay / 3600);
  calendar.minute = static_cast<int>(secondOfDay / 60 % 60);
  calendar.second = static_cast<int>(secondOfDay % 60);
  calendar.weekday = static_cast<int>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  calendar.utcOffsetMinutes = utcOffsetMinutes;
  return calendar;
}

}  // namespace monitor
