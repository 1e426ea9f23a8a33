#include "monitor/pages/win32/graph_painter.h"

#include <vector>

namespace monitor {
namespace {

void DrawLine(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// Selects a pen for the life of the object.
class PenIn {
 public:
  PenIn(HDC dc, int style, COLORREF colour)
      : dc_(dc), pen_(CreatePen(style, 1, colour)), old_(SelectObject(dc, pen_)) {}
  PenIn(const PenIn&) = delete;
  PenIn& operator=(const PenIn&) = delete;
  ~PenIn() {
    SelectObject(dc_, old_);
    DeleteObject(pen_);
  }

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ old_;
};

void DrawScene(HDC dc, const GraphScene& scene) {
  const RECT area{0, 0, scene.width, scene.height};
  const HBRUSH background = CreateSolidBrush(kGraphBackground);
  FillRect(dc, &area, background);
  DeleteObject(background);
  // The gaps of the dotted grid show the background.
  SetBkMode(dc, TRANSPARENT);
  if (scene.warningY) {
    const PenIn pen(dc, PS_SOLID, kGraphWarning);
    DrawLine(dc, 0, *scene.warningY, scene.width, *scene.warningY);
  }
  {
    const PenIn pen(dc, PS_DOT, kGraphGrid);
    for (const int x : scene.gridX) DrawLine(dc, x, 0, x, scene.height);
    for (const int y : scene.gridY) DrawLine(dc, 0, y, scene.width, y);
  }
  if (scene.line.empty()) return;
  const PenIn pen(dc, PS_SOLID, kGraphLine);
  std::vector<POINT> points;
  points.reserve(scene.line.size());
  for (const GraphPoint& point : scene.line) points.push_back({point.x, point.y});
  MoveToEx(dc, points[0].x, points[0].y, nullptr);
  PolylineTo(dc, points.data() + 1, static_cast<DWORD>(points.size() - 1));
}

}  // namespace

void PaintGraph(HDC target, POINT origin, const GraphScene& scene) {
  if (scene.width <= 0 || scene.height <= 0) return;
  const HDC memory = CreateCompatibleDC(target);
  const HBITMAP bitmap = CreateCompatibleBitmap(target, scene.width, scene.height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  DrawScene(memory, scene);
  BitBlt(target, origin.x, origin.y, scene.width, scene.height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

}  // namespace monitor
