#pragma once

#include "monitor/clock.h"

namespace monitor {

// The PC's clock and time zone, daylight saving included.
class SystemClock : public Clock {
 public:
  std::int64_t Now() override;
  std::optional<CalendarTime> Local(std::int64_t time) override;
};

}  // namespace monitor
