#include "monitor/win32/system_clock.h"

#include <ctime>

namespace monitor {

std::int64_t SystemClock::Now() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

// The zone's offset at that very time: the local reading taken as if it
// were UTC, less the time itself.
std::optional<CalendarTime> SystemClock::Local(std::int64_t time) {
  const __time64_t utc = time;
  std::tm local{};
  if (_localtime64_s(&local, &utc) != 0) return std::nullopt;
  const __time64_t asIfUtc = _mkgmtime64(&local);
  if (asIfUtc == -1) return std::nullopt;
  return CalendarAt(time, static_cast<int>((asIfUtc - utc) / 60));
}

}  // namespace monitor
