// The time: now, and as the PC's calendar and zone show it.
#pragma once

#include <cstdint>
#include <optional>

namespace monitor {

struct CalendarTime {
  int year;
  int month;  // 1 to 12
  int day;    // 1 to 31
  int hour;
  int minute;
  int second;
  int weekday;           // 0 Sunday to 6 Saturday
  int utcOffsetMinutes;  // local time minus UTC
};

// The calendar reading of a UTC time in a zone `utcOffsetMinutes` ahead of
// UTC, for any time from year 1 on.
CalendarTime CalendarAt(std::int64_t time, int utcOffsetMinutes);

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 UTC.
  virtual std::int64_t Now() = 0;
  // The local reading of a time; nothing when the platform cannot tell.
  virtual std::optional<CalendarTime> Local(std::int64_t time) = 0;
};

}  // namespace monitor
