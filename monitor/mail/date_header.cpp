#include "monitor/mail/date_header.h"

#include <cstdio>
#include <cstdlib>

namespace monitor {
namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string FormatDateHeader(const std::optional<CalendarTime>& local) {
  if (!local || local->weekday < 0 || local->weekday > 6 || local->month < 1 || local->month > 12 ||
      local->year < 0 || local->year > 9999) {
    return {};
  }
  const int offset = std::abs(local->utcOffsetMinutes);
  char line[64];
  std::snprintf(line, sizeof line, "Date: %s, %02d %s %04d %02d:%02d:%02d %c%02d%02d\r\n",
                kWeekdays[local->weekday], local->day, kMonths[local->month - 1], local->year,
                local->hour, local->minute, local->second, local->utcOffsetMinutes < 0 ? '-' : '+',
                offset / 60 % 100, offset % 60);
  return line;
}

}  // namespace monitor
