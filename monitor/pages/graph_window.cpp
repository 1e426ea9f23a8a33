#include "monitor/pages/graph_window.h"

#include <algorithm>
#include <string>

namespace monitor {
namespace {

std::u16string Decimal(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

int ScrolledPosition(ScrollAction action, int position, int max, int thumb) {
  switch (action) {
    case ScrollAction::LineBack:
    case ScrollAction::PageBack:
      return std::max(position - 1, 0);
    case ScrollAction::LineForward:
    case ScrollAction::PageForward:
      return std::min(position + 1, max);
    case ScrollAction::ThumbPosition:
    case ScrollAction::ThumbTrack:
      return std::clamp(thumb, 0, max);
    case ScrollAction::ToStart:
      return 0;
    case ScrollAction::ToEnd:
      return max;
    case ScrollAction::EndScroll:
      break;
  }
  return position;
}

void GraphWindow::Follow(std::int64_t totalMinutes) {
  if (totalMinutes < kTimeSpanMinutes) return;
  timeBar.shown = true;
  timeBar.max = static_cast<int>((totalMinutes - kTimeSpanMinutes) / 10 + 1);
  timeBar.position = timeBar.max;
  left = std::int64_t{timeBar.position} * 10;
  right = left + kTimeSpanMinutes;
}

void GraphWindow::Rewind() {
  timeBar = {false, 0, 0};
  left = 0;
  right = kTimeSpanMinutes;
}

void GraphWindow::ScrollTime(ScrollAction action, int thumb) {
  timeBar.position = ScrolledPosition(action, timeBar.position, timeBar.max, thumb);
  left = std::int64_t{timeBar.position} * 10;
  right = left + kTimeSpanMinutes;
}

// Position 0 shows 60 to 100 degrees, the last one 0 to 40.
void GraphWindow::ScrollTemperature(ScrollAction action, int thumb) {
  temperatureBar.position =
      ScrolledPosition(action, temperatureBar.position, temperatureBar.max, thumb);
  bottom = std::int64_t{temperatureBar.max - temperatureBar.position} * 10;
  top = 100 - std::int64_t{temperatureBar.position} * 10;
}

std::array<std::u16string, kAxisLabelCount> GraphWindow::AxisLabels() const {
  return {Decimal(top),    Decimal(top - 10), Decimal((top + bottom) / 2), Decimal(bottom + 10),
          Decimal(bottom), Decimal(left),     Decimal((left + right) / 2), Decimal(right)};
}

}  // namespace monitor
