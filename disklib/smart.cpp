// The library reads the S.M.A.R.T. sectors through the evaluation it
// shares with the monitor.
#include "disklib/disklib.h"

namespace disklib {

SmartVerdict EvaluateSmart(const std::uint8_t* attributes, const std::uint8_t* thresholds) {
  return ardmon::EvaluateSmart(attributes, thresholds, nullptr);
}

}  // namespace disklib
