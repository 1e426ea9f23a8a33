#pragma once

#include <array>
#include <cstdint>

#include "monitor/drive_list.h"

namespace monitor {

// Column widths of the drive list for its width in pixels: the model column
// twice as wide as the others, seven shares of 4/29 of the width in all.
inline std::array<std::int16_t, kColumnCount> ColumnWidths(int listWidth) {
  const auto w = static_cast<std::int16_t>((listWidth * 4) / 29);
  return {w, static_cast<std::int16_t>(2 * w), w, w, w, w};
}

}  // namespace monitor
