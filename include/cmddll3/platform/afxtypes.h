// The framework's small value types over the Windows records: CPoint,
// CSize and CRect.
#pragma once

#include "cmddll3/platform/windef.h"

class CPoint : public POINT {
 public:
  CPoint() : POINT{0, 0} {}
  CPoint(int x0, int y0) : POINT{x0, y0} {}
  CPoint(POINT p) : POINT(p) {}
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

class CSize : public SIZE {
 public:
  CSize() : SIZE{0, 0} {}
  CSize(int cx0, int cy0) : SIZE{cx0, cy0} {}
  CSize(SIZE s) : SIZE(s) {}
  bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

class CRect : public RECT {
 public:
  CRect() : RECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  CRect(const RECT& r) : RECT(r) {}
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsRectEmpty() const { return right <= left || bottom <= top; }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }
  bool operator==(const CRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
