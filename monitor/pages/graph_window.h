// What the Graph page shows of the history: a window 120 minutes wide and
// 40 degrees high, moved by its two scroll bars, and its eight axis labels.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace monitor {

// The scroll bars' requests, numbered as the platform numbers them.
enum class ScrollAction {
  LineBack,
  LineForward,
  PageBack,
  PageForward,
  ThumbPosition,
  ThumbTrack,
  ToStart,
  ToEnd,
  EndScroll
};

// A bar's range is 0 to max.
struct ScrollBar {
  bool shown;
  int max;
  int position;
};

// The position a bar moves to: a line or page step at a time, to where
// the thumb was dragged, or to either end.
int ScrolledPosition(ScrollAction action, int position, int max, int thumb);

constexpr int kTimeSpanMinutes = 120;
constexpr int kTemperatureSpan = 40;
constexpr int kAxisLabelCount = 8;

class GraphWindow {
 public:
  std::int64_t top = 60;
  std::int64_t bottom = 20;
  std::int64_t right = kTimeSpanMinutes;
  std::int64_t left = 0;
  // Hidden until the history spans the window's width.
  ScrollBar timeBar{false, 0, 0};
  ScrollBar temperatureBar{true, 6, 4};

  // After a sample: once the history spans 120 minutes the window follows
  // its end, with the right edge 10 to 20 minutes ahead of the last sample.
  void Follow(std::int64_t totalMinutes);
  // After Clear: back to the start; the temperatures stay.
  void Rewind();
  void ScrollTime(ScrollAction action, int thumb);
  void ScrollTemperature(ScrollAction action, int thumb);

  // Left of the drawing area from top to bottom (top, top - 10, middle,
  // bottom + 10, bottom), then under it from left to right (left, middle,
  // right).
  std::array<std::u16string, kAxisLabelCount> AxisLabels() const;
};

}  // namespace monitor
