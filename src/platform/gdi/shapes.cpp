// Lines, rectangles, fills and pixels.
#include <algorithm>

#include "platform/gdi/internal.h"

using namespace cmd::gdi;

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return FALSE;
  if (previous) *previous = d->st.pos;
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::MoveTo);
    op.point = POINT{x, y};
    op.result = TRUE;
    d->Record(std::move(op));
  }
  d->st.pos = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return FALSE;
  POINT from = d->st.pos, to{x, y};
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::LineTo);
    op.point = to;
    op.result = TRUE;
    d->Record(std::move(op));
  }
  if (d->st.pen) d->device().DrawLine(*d->st.pen, from, to);
  d->st.pos = to;
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return FALSE;
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right),
         std::max(top, bottom)};
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::Rectangle);
    op.rect = r;
    op.result = TRUE;
    d->Record(std::move(op));
  }
  if (d->st.pen && d->st.brush) d->device().DrawRectangle(*d->st.pen, *d->st.brush, r);
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  BrushObj* b = FindBrush(brush);
  if (!d || !rect || !b) return 0;
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::FillRect);
    op.rect = *rect;
    op.brushColor = b->color;
    op.brushHollow = b->hollow;
    op.result = 1;
    d->Record(std::move(op));
  }
  if (!b->hollow && rect->right > rect->left && rect->bottom > rect->top)
    d->device().Fill(*rect, b->color);
  return 1;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  Pixmap* pm = d ? d->device().Surface() : nullptr;
  if (!pm || !pm->Contains(x, y)) return CLR_INVALID;
  return ToColorref(pm->Get(x, y));
}
