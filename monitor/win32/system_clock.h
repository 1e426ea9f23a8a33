#pragma once

#include <ctime>

#include "monitor/clock.h"

namespace monitor {

class SystemClock : public Clock {
 public:
  std::int64_t Now() override { return static_cast<std::int64_t>(std::time(nullptr)); }
};

}  // namespace monitor
