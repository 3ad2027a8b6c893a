// GDI objects: the registry of live handles, stock objects, creation,
// deletion and description.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi/internal.h"

namespace cmd::gdi {
namespace {

struct Registry {
  std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>> live;
};

Registry& Reg() {
  static Registry* r = new Registry;  // lives for the process: handles may outlive statics
  return *r;
}

void Count(const GdiObject& o, ObjectCounts& c) {
  if (o.stock) return;
  switch (o.kind) {
    case ObjKind::Font: ++c.fonts; break;
    case ObjKind::Pen: ++c.pens; break;
    case ObjKind::Brush: ++c.brushes; break;
    case ObjKind::Bitmap: ++c.bitmaps; break;
    case ObjKind::Palette: ++c.palettes; break;
  }
}

LOGFONTW StockFontRecord(int index) {
  LOGFONTW lf{};
  lf.lfHeight = 16;
  lf.lfWeight = index == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfPitchAndFamily = (index == ANSI_VAR_FONT || index == SYSTEM_FONT ||
                         index == DEFAULT_GUI_FONT)
                            ? VARIABLE_PITCH | FF_SWISS
                            : FIXED_PITCH | FF_MODERN;
  const char16_t* face = index == SYSTEM_FONT ? u"System" : u"ＭＳ ゴシック";
  for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

// The twenty static colours of the system palette.
const PALETTEENTRY kDefaultPalette[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

std::unique_ptr<GdiObject> MakeStock(int index) {
  auto brush = [](COLORREF c, bool hollow) {
    auto b = std::make_unique<BrushObj>();
    b->color = c;
    b->hollow = hollow;
    return b;
  };
  auto pen = [](COLORREF c, int style) {
    auto p = std::make_unique<PenObj>();
    p->color = c;
    p->style = style;
    return p;
  };
  switch (index) {
    case WHITE_BRUSH: return brush(RGB(255, 255, 255), false);
    case LTGRAY_BRUSH: return brush(RGB(192, 192, 192), false);
    case GRAY_BRUSH: return brush(RGB(128, 128, 128), false);
    case DKGRAY_BRUSH: return brush(RGB(64, 64, 64), false);
    case BLACK_BRUSH: return brush(RGB(0, 0, 0), false);
    case NULL_BRUSH: return brush(0, true);
    case WHITE_PEN: return pen(RGB(255, 255, 255), PS_SOLID);
    case BLACK_PEN: return pen(RGB(0, 0, 0), PS_SOLID);
    case NULL_PEN: return pen(0, PS_NULL);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FIXED_FONT:
    case DEFAULT_GUI_FONT: {
      auto f = std::make_unique<FontObj>();
      f->lf = StockFontRecord(index);
      return f;
    }
    case DEFAULT_PALETTE: {
      auto p = std::make_unique<PaletteObj>();
      p->entries.assign(std::begin(kDefaultPalette), std::end(kDefaultPalette));
      return p;
    }
    default: return nullptr;
  }
}

}  // namespace

std::recursive_mutex& GdiLock() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}

HGDIOBJ Adopt(std::unique_ptr<GdiObject> object) {
  Guard g(GdiLock());
  HGDIOBJ h = object.get();
  Reg().live.emplace(h, std::move(object));
  return h;
}

GdiObject* FindObject(HGDIOBJ handle) {
  if (!handle) return nullptr;
  Guard g(GdiLock());
  auto it = Reg().live.find(handle);
  return it == Reg().live.end() ? nullptr : it->second.get();
}

GdiObject* StockObject(int index) {
  Guard g(GdiLock());
  static GdiObject* stock[DEFAULT_GUI_FONT + 1] = {};
  if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
  if (!stock[index]) {
    auto o = MakeStock(index);
    if (!o) return nullptr;
    o->stock = true;
    stock[index] = o.get();
    Adopt(std::move(o));
  }
  return stock[index];
}

BitmapObj* StockBitmap() {
  Guard g(GdiLock());
  static BitmapObj* bitmap = nullptr;
  if (!bitmap) {
    auto b = std::make_unique<BitmapObj>();
    b->pm = Pixmap(1, 1, kBlack, true);
    b->stock = true;
    bitmap = b.get();
    Adopt(std::move(b));
  }
  return bitmap;
}

std::shared_ptr<Image> ToImage(const Pixmap& pm) {
  auto img = std::make_shared<Image>();
  img->width = pm.width;
  img->height = pm.height;
  img->pixels.resize(pm.px.size());
  std::transform(pm.px.begin(), pm.px.end(), img->pixels.begin(), ToColorref);
  return img;
}

ObjectCounts LiveObjects() {
  Guard g(GdiLock());
  ObjectCounts c;
  for (auto& [h, o] : Reg().live) Count(*o, c);
  CountDC(c);
  return c;
}

int LiveObjectCount() { return LiveObjects().Total(); }

}  // namespace cmd::gdi

using namespace cmd::gdi;

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
  if (!lf) return nullptr;
  auto f = std::make_unique<FontObj>();
  f->lf = *lf;
  // The face is read up to its terminator only; keep the record tidy.
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(Adopt(std::move(f)));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  auto p = std::make_unique<PenObj>();
  p->style = style;
  p->width = std::max(width, 0);
  p->color = color;
  return static_cast<HPEN>(Adopt(std::move(p)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  return CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<BrushObj>();
  b->color = color & 0xFFFFFF;
  return static_cast<HBRUSH>(Adopt(std::move(b)));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767 || planes != 1) return nullptr;
  if (std::int64_t(width) * height > (std::int64_t(1) << 26)) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  auto b = std::make_unique<BitmapObj>();
  b->pm = Pixmap(width, height, bitsPerPixel == 1 ? kBlack : kBlack, bitsPerPixel == 1);
  if (bits) {
    const auto* p = static_cast<const BYTE*>(bits);
    std::size_t stride = ((std::size_t(width) * bitsPerPixel + 15) / 16) * 2;
    for (int y = 0; y < height; ++y) {
      const BYTE* row = p + stride * y;
      for (int x = 0; x < width; ++x) {
        std::uint32_t v;
        if (bitsPerPixel == 1) {
          v = (row[x / 8] >> (7 - x % 8)) & 1 ? kWhite : kBlack;
        } else {
          const BYTE* q = row + x * (bitsPerPixel / 8);
          v = 0xFF000000u | (std::uint32_t(q[2]) << 16) | (std::uint32_t(q[1]) << 8) | q[0];
        }
        b->pm.Set(x, y, v);
      }
    }
  }
  return static_cast<HBITMAP>(Adopt(std::move(b)));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  DeviceContext* d = FindDC(dc);
  if (!d) return nullptr;
  // A memory DC still holding its stock bitmap makes monochrome bitmaps.
  bool mono = d->memory() && d->st.bitmap && d->st.bitmap->pm.mono;
  return CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  if (!header) return nullptr;
  DibLayout layout;
  if (!MeasureDib(*header, usage, layout)) return nullptr;
  auto b = std::make_unique<BitmapObj>();
  b->pm = Pixmap(layout.width, layout.height, kBlack);
  if ((init & CBM_INIT) && bits && info) {
    Guard g(GdiLock());
    DeviceContext* d = FindDC(dc);
    if (!DecodeDib(info, bits, usage, d ? d->st.palette : nullptr, b->pm)) return nullptr;
  }
  return static_cast<HBITMAP>(Adopt(std::move(b)));
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
  auto p = std::make_unique<PaletteObj>();
  p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return static_cast<HPALETTE>(Adopt(std::move(p)));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  Guard g(GdiLock());
  PaletteObj* p = FindPalette(palette);
  if (!p) return 0;
  UINT n = UINT(p->entries.size());
  if (!entries) return n;
  if (start >= n) return 0;
  UINT copied = std::min(count, n - start);
  std::copy_n(p->entries.begin() + start, copied, entries);
  return copied;
}

BOOL DeleteObject(HGDIOBJ object) {
  Guard g(GdiLock());
  auto& live = Reg().live;
  auto it = live.find(object);
  if (it == live.end()) return FALSE;
  GdiObject* o = it->second.get();
  if (o->stock) return TRUE;
  if (o->selections > 0) return FALSE;  // still selected into a device context
  ForgetTemporaryWrapper(object);
  live.erase(it);
  return TRUE;
}

HGDIOBJ GetStockObject(int index) { return HandleOf(StockObject(index)); }

DWORD GetObjectType(HGDIOBJ object) {
  Guard g(GdiLock());
  if (DeviceContext* d = FindDC(static_cast<HDC>(object))) return d->memory() ? OBJ_MEMDC : OBJ_DC;
  GdiObject* o = FindObject(object);
  if (!o) return 0;
  switch (o->kind) {
    case ObjKind::Font: return OBJ_FONT;
    case ObjKind::Pen: return OBJ_PEN;
    case ObjKind::Brush: return OBJ_BRUSH;
    case ObjKind::Bitmap: return OBJ_BITMAP;
    case ObjKind::Palette: return OBJ_PAL;
  }
  return 0;
}

int GetObjectW(HGDIOBJ object, int size, void* buffer) {
  Guard g(GdiLock());
  GdiObject* o = FindObject(object);
  if (!o) return 0;
  auto give = [&](const auto& record) {
    int n = int(sizeof(record));
    if (!buffer) return n;
    n = std::min(n, std::max(size, 0));
    std::memcpy(buffer, &record, std::size_t(n));
    return n;
  };
  switch (o->kind) {
    case ObjKind::Font: return give(static_cast<FontObj*>(o)->lf);
    case ObjKind::Pen: {
      auto* p = static_cast<PenObj*>(o);
      LOGPEN lp{UINT(p->style), POINT{p->width, 0}, p->color};
      return give(lp);
    }
    case ObjKind::Brush: {
      auto* b = static_cast<BrushObj*>(o);
      LOGBRUSH lb{b->hollow ? BS_NULL : BS_SOLID, b->color, 0};
      return give(lb);
    }
    case ObjKind::Bitmap: {
      auto* b = static_cast<BitmapObj*>(o);
      int bpp = b->pm.mono ? 1 : 32;
      BITMAP bm{0, b->pm.width, b->pm.height, ((b->pm.width * bpp + 15) / 16) * 2, 1, WORD(bpp),
                nullptr};
      return give(bm);
    }
    case ObjKind::Palette: {
      WORD n = WORD(static_cast<PaletteObj*>(o)->entries.size());
      return give(n);
    }
  }
  return 0;
}
