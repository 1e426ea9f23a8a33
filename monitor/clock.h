#pragma once

#include <cstdint>

namespace monitor {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 UTC.
  virtual std::int64_t Now() = 0;
};

}  // namespace monitor
