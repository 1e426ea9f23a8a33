#include "monitor/pages/graph_scene.h"

#include <algorithm>

namespace monitor {
namespace {

// Far-off points are held within what the drawing surface takes; only the
// entering and leaving segments have such points, and they are clipped.
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 26;

int Coordinate(std::int64_t value) {
  return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

class Projection {
 public:
  Projection(const GraphWindow& window, int width, int height)
      : window_(window), width_(width), height_(height) {}

  GraphPoint Of(std::int64_t time, std::uint8_t temperature) const {
    return {Coordinate((time - window_.left) * width_ / (window_.right - window_.left)),
            Coordinate((window_.top - temperature) * height_ / (window_.top - window_.bottom))};
  }

 private:
  const GraphWindow& window_;
  std::int64_t width_;
  std::int64_t height_;
};

void AddPoint(std::vector<GraphPoint>& line, GraphPoint point) {
  // A repeated point adds nothing to the line.
  if (line.empty() || !(line.back() == point)) line.push_back(point);
}

std::vector<GraphPoint> TemperatureLine(const TemperatureHistory& history, int slot,
                                        const GraphWindow& window, int width, int height) {
  const Projection projection(window, width, height);
  const std::size_t first = history.FirstAtOrAfter(window.left);
  // Back to the first plotted point left of the area: the samples before
  // it draw nothing that can be seen.
  std::vector<GraphPoint> before;
  for (std::size_t sample = first; sample-- > 0 && !history.Emptied(sample, slot);) {
    const std::uint8_t temperature = history.TemperatureOf(sample, slot);
    if (temperature == 0) continue;
    before.push_back(projection.Of(history.TimeOf(sample), temperature));
    if (before.back().x < 0) break;
  }
  std::vector<GraphPoint> line;
  for (auto point = before.rbegin(); point != before.rend(); ++point) AddPoint(line, *point);
  // On to the first plotted point right of the area.
  for (std::size_t sample = first; sample < history.size(); ++sample) {
    const std::uint8_t temperature = history.TemperatureOf(sample, slot);
    if (temperature == 0) continue;
    const GraphPoint point = projection.Of(history.TimeOf(sample), temperature);
    AddPoint(line, point);
    if (point.x >= width) break;
  }
  return line;
}

}  // namespace

GraphScene BuildScene(const TemperatureHistory& history, int slot, const GraphWindow& window,
                      int width, int height, std::int64_t warningTemperature) {
  GraphScene scene{width, height, std::nullopt, {}, {}, {}};
  const std::int64_t span = window.top - window.bottom;
  if (window.bottom <= warningTemperature && warningTemperature <= window.top) {
    scene.warningY = Coordinate((window.top - warningTemperature) * height / span);
  }
  const std::int64_t width64 = width, height64 = height;
  for (std::int64_t t = window.left; t <= window.right; t += 10) {
    scene.gridX.push_back(Coordinate(width64 * (t - window.left) / (window.right - window.left)));
  }
  for (std::int64_t v = window.bottom; v <= window.top; v += 10) {
    scene.gridY.push_back(Coordinate(height64 * (v - window.bottom) / span));
  }
  if (slot >= 0 && slot < kSlotCount) {
    scene.line = TemperatureLine(history, slot, window, width, height);
  }
  return scene;
}

}  // namespace monitor
