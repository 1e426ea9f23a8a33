// Draws the Graph page's picture off-screen and copies it in one piece, so
// that a repaint after every sample or scroll step does not flicker.
#pragma once

#include <windows.h>

#include "monitor/pages/graph_scene.h"

namespace monitor {

// The scene's area goes to `target` with its top left corner at `origin`.
void PaintGraph(HDC target, POINT origin, const GraphScene& scene);

}  // namespace monitor
