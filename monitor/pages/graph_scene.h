// The Graph page's picture for a drawing area of a given size: the warning
// line, the grid and the selected slot's temperature line, in pixels of
// the area (0, 0 at its top left), from the samples the window shows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "monitor/pages/graph_history.h"
#include "monitor/pages/graph_window.h"

namespace monitor {

// Colours (0x00BBGGRR).
constexpr std::uint32_t kGraphBackground = 0x000000;
constexpr std::uint32_t kGraphGrid = 0xFF0000;
constexpr std::uint32_t kGraphWarning = 0x0000FF;
constexpr std::uint32_t kGraphLine = 0x00FFFF;

struct GraphPoint {
  int x;
  int y;
  bool operator==(const GraphPoint& other) const { return x == other.x && y == other.y; }
};

struct GraphScene {
  int width;
  int height;
  // The warning temperature's line across the area, when it is in view.
  std::optional<int> warningY;
  std::vector<int> gridX;  // vertical lines, one per 10 minutes
  std::vector<int> gridY;  // horizontal lines, one per 10 degrees
  // The temperature line through its points in order. Samples that read 0
  // are left out, so the line bridges them.
  std::vector<GraphPoint> line;
};

// Reads only the samples in view and the nearest plotted one on either
// side of it, through which the line enters and leaves the area.
GraphScene BuildScene(const TemperatureHistory& history, int slot, const GraphWindow& window,
                      int width, int height, std::int64_t warningTemperature);

}  // namespace monitor
