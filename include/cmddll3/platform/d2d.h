// The framework's render target: bitmaps drawn with opacity and
// interpolation onto a device context (the DC render target).
#pragma once

#include <memory>

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/windef.h"

struct D2D1_RECT_F {
  float left;
  float top;
  float right;
  float bottom;
};

enum D2D1_BITMAP_INTERPOLATION_MODE {
  D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR = 0,
  D2D1_BITMAP_INTERPOLATION_MODE_LINEAR = 1,
};

class CD2DRectF : public D2D1_RECT_F {
 public:
  CD2DRectF(float l = 0, float t = 0, float r = 0, float b = 0) : D2D1_RECT_F{l, t, r, b} {}
  CD2DRectF(const RECT& r)
      : D2D1_RECT_F{float(r.left), float(r.top), float(r.right), float(r.bottom)} {}
};

class CRenderTarget;

// A bitmap of a render target: a copy of the pixels it was made from.
class CMD_PLATFORM_API CD2DBitmap {
 public:
  // From a bitmap handle (copied; the handle stays the caller's).
  CD2DBitmap(CRenderTarget* parent, HBITMAP bitmap);
  // From a bitmap resource found in the resource chain.
  CD2DBitmap(CRenderTarget* parent, UINT resourceId);
  ~CD2DBitmap();
  CD2DBitmap(const CD2DBitmap&) = delete;
  CD2DBitmap& operator=(const CD2DBitmap&) = delete;
  BOOL IsValid() const { return bitmap_ != nullptr; }
  HBITMAP Handle() const { return bitmap_; }  // owned by this object

 private:
  HBITMAP bitmap_ = nullptr;
};

class CMD_PLATFORM_API CRenderTarget {
 public:
  CRenderTarget() = default;
  virtual ~CRenderTarget() = default;
  CRenderTarget(const CRenderTarget&) = delete;
  CRenderTarget& operator=(const CRenderTarget&) = delete;

  // Draws the source part (the whole bitmap when src is null) into dest.
  void DrawBitmap(CD2DBitmap* bitmap, const CD2DRectF& dest, float opacity = 1.0f,
                  D2D1_BITMAP_INTERPOLATION_MODE mode = D2D1_BITMAP_INTERPOLATION_MODE_LINEAR,
                  const CD2DRectF* src = nullptr);
  HDC BoundDC() const { return dc_; }

 protected:
  HDC dc_ = nullptr;
  RECT bounds_{};
};

// A render target that draws onto a device context, offset by the bound
// rectangle's top-left corner.
class CMD_PLATFORM_API CDCRenderTarget : public CRenderTarget {
 public:
  BOOL BindDC(const CDC& dc, const RECT& bounds);
};
