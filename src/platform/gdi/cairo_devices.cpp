// The Cairo back-ends: an image (and the memory device contexts, which draw
// on their selected bitmap) and a PDF document for the printer.
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"
#include "platform/gdi/internal.h"
#include "platform/gdi/pango_fonts.h"

namespace cmd::gdi {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Cairo keeps coordinates in fixed point; a drawing far off any page (a
// hundred metres at 300 dots per inch) is left out rather than risk putting
// the document's context in an error state.
constexpr long long kFar = 10'000'000;
bool Near(long long v) { return v > -kFar && v < kFar; }
bool Near(const RECT& r) { return Near(r.left) && Near(r.top) && Near(r.right) && Near(r.bottom); }
bool Near(const Area& a) {
  return Near(a.x) && Near(a.y) && Near((long long)a.x + a.cx) && Near((long long)a.y + a.cy);
}
bool Near(const TextJob& job) {
  return Near(job.x) && Near(job.y) && Near((long long)job.x + job.width) &&
         Near(job.metrics.height) && (!job.clipped || Near(job.clip)) &&
         (!job.opaqueRect || Near(job.fill));
}
bool Near(const BlitJob& job) { return Near(job.dest) && Near(job.srcArea); }
bool Near(const ImageJob& job) {
  for (double v : {job.left, job.top, job.right, job.bottom, job.srcLeft, job.srcTop,
                   job.srcRight, job.srcBottom})
    if (!(v > -kFar && v < kFar)) return false;
  return true;
}

void SetColor(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void ClipTo(cairo_t* cr, const RECT& r) {
  cairo_rectangle(cr, r.left, r.top, double(r.right) - r.left, double(r.bottom) - r.top);
  cairo_clip(cr);
}

// Text runs: the cell's top-left at the job's origin, turned by the
// escapement (tenths of a degree, counter-clockwise) about that point.
void DrawText(cairo_t* cr, PangoFontEngine& fonts, const TextJob& job) {
  cairo_save(cr);
  if (job.clipped) ClipTo(cr, job.clip);
  if (job.opaqueRect) {
    SetColor(cr, job.bkColor);
    cairo_rectangle(cr, job.fill.left, job.fill.top, double(job.fill.right) - job.fill.left,
                    double(job.fill.bottom) - job.fill.top);
    cairo_fill(cr);
  }
  cairo_translate(cr, job.x, job.y);
  if (job.font.lfEscapement % 3600 != 0)
    cairo_rotate(cr, -job.font.lfEscapement * kPi / 1800.0);
  if (job.opaque) {
    SetColor(cr, job.bkColor);
    cairo_rectangle(cr, 0, 0, job.width, job.metrics.height);
    cairo_fill(cr);
  }
  SetColor(cr, job.color);
  for (const auto& piece : job.pieces)
    fonts.Render(cr, job.font, piece.offset, 0, piece.text, piece.underlined);
  cairo_restore(cr);
}

void SetDash(cairo_t* cr, int style, double unit) {
  static const double dash[] = {18, 6}, dot[] = {3, 3}, dashDot[] = {9, 6, 3, 6},
                      dashDotDot[] = {9, 3, 3, 3, 3, 3};
  auto use = [&](const double* d, int n) {
    double scaled[6];
    for (int i = 0; i < n; ++i) scaled[i] = d[i] * unit;
    cairo_set_dash(cr, scaled, n, 0);
  };
  switch (style) {
    case PS_DASH: use(dash, 2); break;
    case PS_DOT: use(dot, 2); break;
    case PS_DASHDOT: use(dashDot, 4); break;
    case PS_DASHDOTDOT: use(dashDotDot, 6); break;
    default: break;
  }
}

// A line from a to b. center is the offset from a coordinate to the middle
// of its dot (0.5 on rasters). Thin lines stop short of b, as Windows draws
// them; wide ones have round ends.
void StrokeLine(cairo_t* cr, const PenObj& pen, POINT a, POINT b, double center, double unit) {
  if (pen.style == PS_NULL) return;
  double width = std::max(pen.width, 1);
  cairo_save(cr);
  SetColor(cr, pen.color);
  if (pen.width <= 1) {
    if (pen.style != PS_SOLID && pen.style != PS_INSIDEFRAME) SetDash(cr, pen.style, unit);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len == 0) {
      cairo_restore(cr);
      return;
    }
    // Start at the edge of the first dot, stop before the last one.
    double ux = dx / len, uy = dy / len;
    double sx = a.x + center - ux * 0.5, sy = a.y + center - uy * 0.5;
    double ex = b.x + center - ux * 0.5, ey = b.y + center - uy * 0.5;
    cairo_move_to(cr, sx, sy);
    cairo_line_to(cr, ex, ey);
  } else {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, a.x + center, a.y + center);
    cairo_line_to(cr, b.x + center, b.y + center);
  }
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void StrokeRectangle(cairo_t* cr, const PenObj& pen, const BrushObj& brush, RECT r, double center,
                     double unit) {
  if (!brush.hollow) {
    SetColor(cr, brush.color);
    cairo_rectangle(cr, r.left, r.top, double(r.right) - r.left, double(r.bottom) - r.top);
    cairo_fill(cr);
  }
  if (pen.style == PS_NULL || r.right - r.left < 1 || r.bottom - r.top < 1) return;
  POINT tl{r.left, r.top}, tr{r.right - 1, r.top}, br{r.right - 1, r.bottom - 1},
      bl{r.left, r.bottom - 1};
  // Each side starts on its corner and stops short of the next one.
  StrokeLine(cr, pen, tl, tr, center, unit);
  StrokeLine(cr, pen, tr, br, center, unit);
  StrokeLine(cr, pen, br, bl, center, unit);
  StrokeLine(cr, pen, bl, tl, center, unit);
}

// A Cairo surface over a pixmap's own pixels (opaque ARGB32 is premultiplied
// as it stands).
cairo_surface_t* SurfaceOver(Pixmap& pm) {
  return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pm.px.data()),
                                             CAIRO_FORMAT_ARGB32, pm.width, pm.height,
                                             pm.width * 4);
}

// The part of a pixmap a blit or image reads, copied into a Cairo surface.
cairo_surface_t* SurfaceCopy(const Pixmap& pm, bool invert) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pm.width, pm.height);
  cairo_surface_flush(s);
  auto* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < pm.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + std::size_t(stride) * y);
    for (int x = 0; x < pm.width; ++x) {
      std::uint32_t v = pm.Get(x, y);
      row[x] = invert && Painted(v) ? (v ^ 0x00FFFFFFu) : v;
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

// Paints src's area (x, y, cx, cy, mirrored by negative extents) onto the
// destination area.
void PaintArea(cairo_t* cr, cairo_surface_t* src, double sx, double sy, double scx, double scy,
               double dx, double dy, double dcx, double dcy, cairo_filter_t filter, double alpha) {
  if (scx == 0 || scy == 0 || dcx == 0 || dcy == 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, std::min(dx, dx + dcx), std::min(dy, dy + dcy), std::fabs(dcx),
                  std::fabs(dcy));
  cairo_clip(cr);
  cairo_translate(cr, dx, dy);
  cairo_scale(cr, dcx / scx, dcy / scy);
  cairo_set_source_surface(cr, src, -sx, -sy);
  cairo_pattern_set_filter(cairo_get_source(cr), filter);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_NONE);
  if (alpha >= 1.0)
    cairo_paint(cr);
  else
    cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
}

void DrawImageOn(cairo_t* cr, const ImageJob& job) {
  if (!job.src) return;
  cairo_surface_t* s = SurfaceCopy(*job.src, false);
  PaintArea(cr, s, job.srcLeft, job.srcTop, job.srcRight - job.srcLeft,
            job.srcBottom - job.srcTop, job.left, job.top, job.right - job.left,
            job.bottom - job.top, job.smooth ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST,
            std::clamp(double(job.opacity), 0.0, 1.0));
  cairo_surface_destroy(s);
}

// ---------------------------------------------------------------- raster
class RasterDevice : public Device {
 public:
  RasterDevice(const DeviceGeometry& g, bool memory) : geometry_(g) {
    if (!memory) {
      own_ = Pixmap(g.width, g.height, kWhite);
      target_ = &own_;
    }
  }
  int Caps(int index) const override { return geometry_.Caps(index); }
  FontEngine& Fonts() override {
    if (!fonts_) fonts_ = std::make_unique<PangoFontEngine>(geometry_.dpi, true);
    return *fonts_;
  }
  Pixmap* Surface() override { return target_; }
  void Retarget(Pixmap* pm) override { target_ = pm; }

  void DrawTextJob(const TextJob& job) override {
    if (!Near(job)) return;
    auto& fonts = static_cast<PangoFontEngine&>(Fonts());
    WithCairo([&](cairo_t* cr) { DrawText(cr, fonts, job); });
  }
  void DrawLine(const PenObj& pen, POINT a, POINT b) override {
    if (!Near(a.x) || !Near(a.y) || !Near(b.x) || !Near(b.y) || !Near(pen.width)) return;
    WithCairo([&](cairo_t* cr) {
      cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
      StrokeLine(cr, pen, a, b, 0.5, 1.0);
    });
  }
  void DrawRectangle(const PenObj& pen, const BrushObj& brush, RECT r) override {
    if (!Near(r) || !Near(pen.width)) return;
    WithCairo([&](cairo_t* cr) {
      cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
      StrokeRectangle(cr, pen, brush, r, 0.5, 1.0);
    });
  }
  void Fill(RECT r, COLORREF color) override {
    if (!target_) return;
    std::uint32_t v = ToArgb(color);
    for (int y = std::max(0, int(r.top)); y < std::min(target_->height, int(r.bottom)); ++y)
      for (int x = std::max(0, int(r.left)); x < std::min(target_->width, int(r.right)); ++x)
        target_->Set(x, y, v);
  }
  void Blit(const BlitJob& job) override {
    if (target_) StretchOnto(*target_, job);
  }
  void DrawImage(const ImageJob& job) override {
    if (!Near(job)) return;
    WithCairo([&](cairo_t* cr) { DrawImageOn(cr, job); });
  }

 private:
  template <class F>
  void WithCairo(F&& draw) {
    if (!target_ || target_->width <= 0) return;
    cairo_surface_t* s = SurfaceOver(*target_);
    cairo_t* cr = cairo_create(s);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    cairo_surface_finish(s);
    cairo_surface_destroy(s);
  }

  DeviceGeometry geometry_;
  Pixmap own_;
  Pixmap* target_ = nullptr;
  std::unique_ptr<PangoFontEngine> fonts_;
};

// ---------------------------------------------------------------- PDF
cairo_status_t AppendTo(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

cairo_operator_t OperatorFor(DWORD rop) {
  switch ((rop >> 16) & 0xFF) {
    case 0x88: return CAIRO_OPERATOR_MULTIPLY;    // SRCAND
    case 0xEE: return CAIRO_OPERATOR_SCREEN;      // SRCPAINT
    case 0x66: return CAIRO_OPERATOR_DIFFERENCE;  // SRCINVERT
    default: return CAIRO_OPERATOR_OVER;
  }
}

class PdfDevice : public Device {
 public:
  PdfDevice(const DeviceGeometry& g, std::string path, double widthPt, double heightPt)
      : geometry_(g), path_(std::move(path)), widthPt_(widthPt), heightPt_(heightPt),
        fonts_(g.dpi, false) {}
  ~PdfDevice() override { Close(); }
  int Caps(int index) const override { return geometry_.Caps(index); }
  FontEngine& Fonts() override { return fonts_; }

  int StartDoc(const std::u16string& name, const std::u16string& output) override {
    if (inDoc_) return SP_ERROR;
    if (!output.empty()) target_ = cmd::path::ToHostOrEmpty(output);
    else target_ = path_;
    if (target_.empty()) return SP_ERROR;
    bytes_.clear();
    surface_ = cairo_pdf_surface_create_for_stream(AppendTo, &bytes_, widthPt_, heightPt_);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
      Close();
      return SP_ERROR;
    }
    std::string title = Utf16ToUtf8(name);
    if (!title.empty()) cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
    cr_ = cairo_create(surface_);
    cairo_scale(cr_, 72.0 / geometry_.dpi, 72.0 / geometry_.dpi);
    inDoc_ = true;
    pages_ = 0;
    return ++jobs_;
  }
  int StartPage() override { return Device::StartPage(); }
  int EndPage() override {
    if (Device::EndPage() == SP_ERROR) return SP_ERROR;
    cairo_show_page(cr_);
    ++pages_;
    return 1;
  }
  int EndDoc() override {
    if (!inDoc_) return SP_ERROR;
    if (inPage_) EndPage();
    inDoc_ = false;
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_surface_finish(surface_);
    bool ok = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    ok = ok && cmd::os::ReplaceAtomically(target_, bytes_);
    bytes_.clear();
    return ok ? 1 : SP_ERROR;
  }
  int AbortDoc() override {
    if (!inDoc_) return SP_ERROR;
    Close();
    return 1;
  }

  void DrawTextJob(const TextJob& job) override {
    if (cr_ && Near(job)) DrawText(cr_, fonts_, job);
  }
  void DrawLine(const PenObj& pen, POINT a, POINT b) override {
    if (cr_ && Near(a.x) && Near(a.y) && Near(b.x) && Near(b.y) && Near(pen.width))
      StrokeLine(cr_, pen, a, b, 0.5, geometry_.dpi / 96.0);
  }
  void DrawRectangle(const PenObj& pen, const BrushObj& brush, RECT r) override {
    if (cr_ && Near(r) && Near(pen.width)) StrokeRectangle(cr_, pen, brush, r, 0.5, geometry_.dpi / 96.0);
  }
  void Fill(RECT r, COLORREF color) override {
    if (!cr_ || !Near(r)) return;
    SetColor(cr_, color);
    cairo_rectangle(cr_, r.left, r.top, double(r.right) - r.left, double(r.bottom) - r.top);
    cairo_fill(cr_);
  }
  void Blit(const BlitJob& job) override {
    if (!cr_ || !Near(job)) return;
    unsigned code = (job.rop >> 16) & 0xFF;
    auto fillArea = [&](std::uint32_t argb, cairo_operator_t op) {
      cairo_save(cr_);
      cairo_set_operator(cr_, op);
      SetColor(cr_, ToColorref(argb));
      cairo_rectangle(cr_, std::min(job.dest.x, job.dest.x + job.dest.cx),
                      std::min(job.dest.y, job.dest.y + job.dest.cy), std::abs(job.dest.cx),
                      std::abs(job.dest.cy));
      cairo_fill(cr_);
      cairo_restore(cr_);
    };
    if (code == 0x00) return fillArea(kBlack, CAIRO_OPERATOR_OVER);
    if (code == 0xFF) return fillArea(kWhite, CAIRO_OPERATOR_OVER);
    if (code == 0xF0) return fillArea(job.brush, CAIRO_OPERATOR_OVER);
    if (code == 0x55) return fillArea(kWhite, CAIRO_OPERATOR_DIFFERENCE);
    if (code == 0xAA || !job.src) return;
    cairo_surface_t* s = SurfaceCopy(*job.src, code == 0x33);
    cairo_save(cr_);
    cairo_set_operator(cr_, OperatorFor(job.rop));
    cairo_filter_t filter = job.stretchMode == HALFTONE ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST;
    // Areas with negative extents cover the dots back from their origin.
    auto from = [](int origin, int extent) { return extent < 0 ? origin + 1.0 : double(origin); };
    PaintArea(cr_, s, from(job.srcArea.x, job.srcArea.cx), from(job.srcArea.y, job.srcArea.cy),
              job.srcArea.cx, job.srcArea.cy, from(job.dest.x, job.dest.cx),
              from(job.dest.y, job.dest.cy), job.dest.cx, job.dest.cy, filter, 1.0);
    cairo_restore(cr_);
    cairo_surface_destroy(s);
  }
  void DrawImage(const ImageJob& job) override {
    if (cr_ && Near(job)) DrawImageOn(cr_, job);
  }

 private:
  void Close() {
    if (cr_) cairo_destroy(cr_);
    if (surface_) {
      cairo_surface_finish(surface_);
      cairo_surface_destroy(surface_);
    }
    cr_ = nullptr;
    surface_ = nullptr;
    bytes_.clear();
    inDoc_ = inPage_ = false;
  }

  DeviceGeometry geometry_;
  std::string path_, target_;
  double widthPt_, heightPt_;
  PangoFontEngine fonts_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::string bytes_;
  int pages_ = 0;
  int jobs_ = 0;
};

}  // namespace

std::unique_ptr<Device> MakeImageDevice(const DeviceGeometry& g) {
  return std::make_unique<RasterDevice>(g, false);
}

std::unique_ptr<Device> MakeMemoryDevice(const DeviceGeometry& g) {
  return std::make_unique<RasterDevice>(g, true);
}

std::unique_ptr<Device> MakePdfDevice(const DeviceGeometry& g, const std::string& path,
                                      double widthPt, double heightPt) {
  return std::make_unique<PdfDevice>(g, path, widthPt, heightPt);
}

// ---------------------------------------------------------------- PNG
bool SaveImagePng(HDC dc, const std::string& hostPath) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  Pixmap* pm = d ? d->device().Surface() : nullptr;
  if (!pm || pm->width <= 0) return false;
  cairo_surface_t* s = SurfaceOver(*pm);
  std::string bytes;
  cairo_status_t status = cairo_surface_write_to_png_stream(s, AppendTo, &bytes);
  cairo_surface_finish(s);
  cairo_surface_destroy(s);
  return status == CAIRO_STATUS_SUCCESS && cmd::os::ReplaceAtomically(hostPath, bytes);
}

}  // namespace cmd::gdi
