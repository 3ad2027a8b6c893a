// The render target: bitmaps drawn with opacity onto a device context.
#include "cmddll3/platform/d2d.h"

#include <cmath>

#include "cmddll3/platform/resources.h"
#include "platform/gdi/internal.h"

using namespace cmd::gdi;

namespace {

// A private copy of a bitmap, so the render target's bitmap does not depend
// on the caller's handle.
HBITMAP CopyBitmap(HBITMAP source) {
  Guard g(GdiLock());
  BitmapObj* b = FindBitmap(source);
  if (!b) return nullptr;
  auto copy = std::make_unique<BitmapObj>();
  copy->pm = b->pm;
  return static_cast<HBITMAP>(Adopt(std::move(copy)));
}

}  // namespace

CD2DBitmap::CD2DBitmap(CRenderTarget*, HBITMAP bitmap) : bitmap_(CopyBitmap(bitmap)) {}

CD2DBitmap::CD2DBitmap(CRenderTarget*, UINT resourceId) {
  LPCWSTR name = MAKEINTRESOURCEW(resourceId);
  bitmap_ = ::LoadBitmapW(AfxFindResourceHandle(name, RT_BITMAP), name);
}

CD2DBitmap::~CD2DBitmap() {
  if (bitmap_) ::DeleteObject(bitmap_);
}

void CRenderTarget::DrawBitmap(CD2DBitmap* bitmap, const CD2DRectF& dest, float opacity,
                               D2D1_BITMAP_INTERPOLATION_MODE mode, const CD2DRectF* src) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc_);
  BitmapObj* b = bitmap ? FindBitmap(bitmap->Handle()) : nullptr;
  if (!d || !b) return;
  ImageJob job;
  job.left = dest.left + bounds_.left;
  job.top = dest.top + bounds_.top;
  job.right = dest.right + bounds_.left;
  job.bottom = dest.bottom + bounds_.top;
  job.src = &b->pm;
  job.srcRight = b->pm.width;
  job.srcBottom = b->pm.height;
  if (src) {
    job.srcLeft = src->left;
    job.srcTop = src->top;
    job.srcRight = src->right;
    job.srcBottom = src->bottom;
  }
  job.opacity = opacity;
  job.smooth = mode != D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR;
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::DrawBitmap);
    auto round = [](double v) { return int(std::lround(v)); };
    op.dest = Area{round(job.left), round(job.top), round(job.right - job.left),
                   round(job.bottom - job.top)};
    op.src = Area{round(job.srcLeft), round(job.srcTop), round(job.srcRight - job.srcLeft),
                  round(job.srcBottom - job.srcTop)};
    op.opacity = opacity;
    op.interpolation = int(mode);
    op.image = ToImage(b->pm);
    op.result = TRUE;
    d->Record(std::move(op));
  }
  d->device().DrawImage(job);
}

BOOL CDCRenderTarget::BindDC(const CDC& dc, const RECT& bounds) {
  if (!FindDC(dc.m_hDC)) return FALSE;
  dc_ = dc.m_hDC;
  bounds_ = bounds;
  return TRUE;
}
