// What the horizontal drawer shares with the multi-line layout and the
// tests: the last-drawn text width and a solid line drawn with a pen of its
// own.
#pragma once

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/windef.h"

namespace cmd::draw {

// The width of the text that direct-mode drawing drew last, in the logical
// units of its device context; 0 at load. One value for the process.
int& LastTextWidth();

// Draws from `from` to `to` with a PS_SOLID pen of width and color, created,
// selected, restored and released within the call.
void DrawSolidLine(CDC* dc, POINT from, POINT to, int width, COLORREF color);

}  // namespace cmd::draw
