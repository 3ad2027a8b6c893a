// Device contexts: their registry, state, selection, saved states,
// capabilities, print jobs and the creation of each back-end.
#include <cmath>
#include <unordered_map>

#include "cmddll3/platform/cstring.h"
#include "platform/gdi/internal.h"

namespace cmd::gdi {
namespace {

std::unordered_map<HDC, std::unique_ptr<DeviceContext>>& DCs() {
  static auto* m = new std::unordered_map<HDC, std::unique_ptr<DeviceContext>>;
  return *m;
}

OpKind SelectKind(ObjKind k) {
  switch (k) {
    case ObjKind::Font: return OpKind::SelectFont;
    case ObjKind::Pen: return OpKind::SelectPen;
    case ObjKind::Brush: return OpKind::SelectBrush;
    case ObjKind::Bitmap: return OpKind::SelectBitmap;
    case ObjKind::Palette: return OpKind::SelectPalette;
  }
  return OpKind::SelectFont;
}

int MmToDots(double mm, int dpi) { return int(std::lround(mm * dpi / 25.4)); }

// Resolutions outside 1 to 9600 dots per inch are taken as the default.
int Resolution(int dpi, int fallback) { return dpi >= 1 && dpi <= 9600 ? dpi : fallback; }

// Records a setter call when everything is recorded.
void RecordValue(DeviceContext& dc, OpKind kind, int value) {
  if (!dc.RecordingAll()) return;
  GdiOp op = dc.Snapshot(kind);
  op.value = value;
  dc.Record(std::move(op));
}

}  // namespace

// ---------------------------------------------------------------- geometry
int DeviceGeometry::Caps(int index) const {
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return printer ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZSIZE: return int(std::lround(width * 25.4 / dpi));
    case VERTSIZE: return int(std::lround(height * 25.4 / dpi));
    case HORZRES: return width;
    case VERTRES: return height;
    case LOGPIXELSX:
    case LOGPIXELSY: return dpi;
    case BITSPIXEL: return bitsPixel;
    case PLANES: return 1;
    case NUMCOLORS: return bitsPixel > 8 ? -1 : 1 << bitsPixel;
    case RASTERCAPS: return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB;
    case SIZEPALETTE: return 0;
    case PHYSICALWIDTH: return printer ? width : 0;
    case PHYSICALHEIGHT: return printer ? height : 0;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY: return 0;
    default: return 0;
  }
}

// ---------------------------------------------------------------- print jobs (defaults)
int Device::StartDoc(const std::u16string&, const std::u16string&) {
  if (inDoc_) return SP_ERROR;
  inDoc_ = true;
  return 1;
}
int Device::StartPage() {
  if (!inDoc_ || inPage_) return SP_ERROR;
  inPage_ = true;
  return 1;
}
int Device::EndPage() {
  if (!inPage_) return SP_ERROR;
  inPage_ = false;
  return 1;
}
int Device::EndDoc() {
  if (!inDoc_) return SP_ERROR;
  if (inPage_) EndPage();
  inDoc_ = false;
  return 1;
}
int Device::AbortDoc() {
  if (!inDoc_) return SP_ERROR;
  inDoc_ = inPage_ = false;
  return 1;
}

// ---------------------------------------------------------------- device context
DeviceContext::DeviceContext(std::unique_ptr<Device> device, DeviceGeometry geometry, bool memory)
    : device_(std::move(device)), geometry_(geometry), memory_(memory) {
  st.font = static_cast<FontObj*>(StockObject(SYSTEM_FONT));
  st.pen = static_cast<PenObj*>(StockObject(BLACK_PEN));
  st.brush = static_cast<BrushObj*>(StockObject(WHITE_BRUSH));
  st.palette = static_cast<PaletteObj*>(StockObject(DEFAULT_PALETTE));
  if (memory_) {
    st.bitmap = StockBitmap();
    device_->Retarget(&st.bitmap->pm);
  }
  Hold(st, +1);
}

DeviceContext::~DeviceContext() {
  Hold(st, -1);
  for (auto& s : saved) Hold(s, -1);
  if (st.bitmap && st.bitmap->selectedIn == this) st.bitmap->selectedIn = nullptr;
  for (auto& s : saved)
    if (s.bitmap && s.bitmap->selectedIn == this) s.bitmap->selectedIn = nullptr;
}

void DeviceContext::Hold(const DcState& s, int delta) {
  GdiObject* objects[] = {s.font, s.pen, s.brush, s.palette, s.bitmap};
  for (GdiObject* o : objects)
    if (o) o->selections += delta;
  if (s.bitmap && !s.bitmap->stock && delta > 0) s.bitmap->selectedIn = this;
}

GdiObject* DeviceContext::Select(GdiObject* object) {
  GdiObject* old = nullptr;
  auto swap = [&](auto*& slot) {
    old = slot;
    slot = static_cast<std::remove_reference_t<decltype(slot)>>(object);
  };
  switch (object->kind) {
    case ObjKind::Font: swap(st.font); break;
    case ObjKind::Pen: swap(st.pen); break;
    case ObjKind::Brush: swap(st.brush); break;
    case ObjKind::Palette: swap(st.palette); break;
    case ObjKind::Bitmap: {
      if (!memory_) return nullptr;
      auto* b = static_cast<BitmapObj*>(object);
      if (b->selectedIn && b->selectedIn != this) return nullptr;  // one DC at a time
      swap(st.bitmap);
      if (old && old != object && static_cast<BitmapObj*>(old)->selectedIn == this &&
          old->selections <= 1)
        static_cast<BitmapObj*>(old)->selectedIn = nullptr;
      if (!b->stock) b->selectedIn = this;
      device_->Retarget(&b->pm);
      break;
    }
  }
  object->selections += 1;
  if (old) old->selections -= 1;
  return old;
}

int DeviceContext::Save() {
  saved.push_back(st);
  Hold(st, +1);
  return int(saved.size());
}

bool DeviceContext::Restore(int level) {
  int n = int(saved.size());
  if (level < 0) level = n + 1 + level;
  if (level < 1 || level > n) return false;
  Hold(st, -1);
  st = saved[std::size_t(level - 1)];
  for (int i = level; i < n; ++i) Hold(saved[std::size_t(i)], -1);
  saved.resize(std::size_t(level - 1));
  if (memory_ && st.bitmap) device_->Retarget(&st.bitmap->pm);
  return true;
}

GdiOp DeviceContext::Snapshot(OpKind kind) const {
  GdiOp op;
  op.kind = kind;
  op.font = CurrentFont(*this);
  op.textColor = st.textColor;
  op.bkColor = st.bkColor;
  op.bkMode = st.bkMode;
  if (st.pen) op.pen = LOGPEN{UINT(st.pen->style), POINT{st.pen->width, 0}, st.pen->color};
  if (st.brush) {
    op.brushColor = st.brush->color;
    op.brushHollow = st.brush->hollow;
  }
  op.stretchMode = st.stretchMode;
  op.justifyExtra = st.breakExtra;
  op.justifyCount = st.breakCount;
  op.position = st.pos;
  if (st.palette) op.palette = st.palette->entries;
  return op;
}

const LOGFONTW& CurrentFont(const DeviceContext& dc) {
  if (dc.st.font) return dc.st.font->lf;
  return static_cast<FontObj*>(StockObject(SYSTEM_FONT))->lf;
}

HDC AdoptDC(std::unique_ptr<DeviceContext> dc) {
  Guard g(GdiLock());
  HDC h = reinterpret_cast<HDC>(dc.get());
  DCs().emplace(h, std::move(dc));
  return h;
}

DeviceContext* FindDC(HDC handle) {
  if (!handle) return nullptr;
  Guard g(GdiLock());
  auto it = DCs().find(handle);
  return it == DCs().end() ? nullptr : it->second.get();
}

void CountDC(ObjectCounts& counts) {
  Guard g(GdiLock());
  counts.dcs += int(DCs().size());
}

// ---------------------------------------------------------------- creation
HDC CreateRecordingDC(int dpi, bool printer) {
  DeviceGeometry g;
  g.dpi = Resolution(dpi, 96);
  g.printer = printer;
  if (printer) {
    g.width = MmToDots(210.0, g.dpi);
    g.height = MmToDots(297.0, g.dpi);
    g.bitsPixel = 24;
  }
  return AdoptDC(std::make_unique<DeviceContext>(MakeRecordingDevice(g), g, false));
}

HDC CreateImageDC(int width, int height, int dpi) {
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
  DeviceGeometry g;
  g.dpi = Resolution(dpi, 96);
  g.width = width;
  g.height = height;
  return AdoptDC(std::make_unique<DeviceContext>(MakeImageDevice(g), g, false));
}

HDC CreatePrinterDC(const std::string& pdfPath, int dpi, double paperWidthMm,
                    double paperHeightMm) {
  if (!(paperWidthMm > 0 && paperWidthMm < 10000 && paperHeightMm > 0 && paperHeightMm < 10000))
    return nullptr;
  DeviceGeometry g;
  g.dpi = Resolution(dpi, 300);
  g.printer = true;
  g.bitsPixel = 24;
  g.width = MmToDots(paperWidthMm, g.dpi);
  g.height = MmToDots(paperHeightMm, g.dpi);
  auto device = MakePdfDevice(g, pdfPath, paperWidthMm * 72.0 / 25.4, paperHeightMm * 72.0 / 25.4);
  return AdoptDC(std::make_unique<DeviceContext>(std::move(device), g, false));
}

// ---------------------------------------------------------------- recording access
const std::vector<GdiOp>* RecordedOps(HDC dc) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  return d ? d->device().Recorded() : nullptr;
}

std::vector<GdiOp> RecordedOps(HDC dc, OpKind kind) {
  Guard g(GdiLock());
  std::vector<GdiOp> out;
  if (const auto* ops = RecordedOps(dc))
    for (const auto& op : *ops)
      if (op.kind == kind) out.push_back(op);
  return out;
}

void ClearRecording(HDC dc) {
  Guard g(GdiLock());
  if (DeviceContext* d = FindDC(dc)) d->device().ClearRecord();
}

void RecordEverything(HDC dc, bool on) {
  Guard g(GdiLock());
  if (DeviceContext* d = FindDC(dc)) d->device().SetRecordEverything(on);
}

const char* OpName(OpKind kind) {
  static const char* const names[] = {
      "SelectFont",  "SelectPen",   "SelectBrush",   "SelectBitmap", "SelectPalette",
      "RealizePalette", "SetTextColor", "SetBkColor", "SetBkMode", "SetTextJustification",
      "SetStretchBltMode", "SaveDC", "RestoreDC", "GetTextExtent", "TextOut", "ExtTextOut",
      "DrawText", "MoveTo", "LineTo", "Rectangle", "FillRect", "StretchDIBits", "StretchBlt",
      "DrawBitmap", "StartDoc", "StartPage", "EndPage", "EndDoc", "AbortDoc"};
  auto i = std::size_t(kind);
  return i < std::size(names) ? names[i] : "?";
}

bool GetImage(HDC dc, Image& image) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  Pixmap* pm = d ? d->device().Surface() : nullptr;
  if (!pm) return false;
  image = *ToImage(*pm);
  return true;
}

}  // namespace cmd::gdi

using namespace cmd::gdi;

// ---------------------------------------------------------------- flat functions
HDC CreateCompatibleDC(HDC dc) {
  Guard g(GdiLock());
  DeviceGeometry geometry;
  if (dc) {
    DeviceContext* ref = FindDC(dc);
    if (!ref) return nullptr;
    geometry = ref->geometry();
  }
  return AdoptDC(std::make_unique<DeviceContext>(MakeMemoryDevice(geometry), geometry, true));
}

BOOL DeleteDC(HDC dc) {
  Guard g(GdiLock());
  auto it = DCs().find(dc);
  if (it == DCs().end()) return FALSE;
  ForgetTemporaryWrapper(dc);
  DCs().erase(it);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  GdiObject* o = FindObject(object);
  if (!d || !o || o->kind == ObjKind::Palette) return nullptr;
  GdiObject* old = d->Select(o);
  if (!old) return nullptr;
  if (d->RecordingAll()) {
    GdiOp op = d->Snapshot(SelectKind(o->kind));
    if (o->kind == ObjKind::Font) op.selectedFont = static_cast<FontObj*>(o)->lf;
    if (o->kind == ObjKind::Pen) {
      auto* p = static_cast<PenObj*>(o);
      op.selectedPen = LOGPEN{UINT(p->style), POINT{p->width, 0}, p->color};
    }
    d->Record(std::move(op));
  }
  return HandleOf(old);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return nullptr;
  switch (type) {
    case OBJ_FONT: return HandleOf(d->st.font);
    case OBJ_PEN: return HandleOf(d->st.pen);
    case OBJ_BRUSH: return HandleOf(d->st.brush);
    case OBJ_PAL: return HandleOf(d->st.palette);
    case OBJ_BITMAP: return d->st.bitmap ? HandleOf(d->st.bitmap) : nullptr;
    default: return nullptr;
  }
}

int SaveDC(HDC dc) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return 0;
  int level = d->Save();
  RecordValue(*d, OpKind::SaveDC, level);
  return level;
}

BOOL RestoreDC(HDC dc, int saved) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || !d->Restore(saved)) return FALSE;
  RecordValue(*d, OpKind::RestoreDC, saved);
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  return d ? d->device().Caps(index) : 0;
}

namespace {

// Replaces one colour of the context's state and records the call; returns
// the colour it had, or CLR_INVALID for an unknown context.
COLORREF SwapColor(HDC dc, COLORREF DcState::*slot, OpKind kind, COLORREF color) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return CLR_INVALID;
  COLORREF old = d->st.*slot;
  d->st.*slot = color & 0xFFFFFF;
  RecordValue(*d, kind, int(color));
  return old;
}

COLORREF ReadColor(HDC dc, COLORREF DcState::*slot) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  return d ? d->st.*slot : CLR_INVALID;
}

}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF color) {
  return SwapColor(dc, &DcState::textColor, OpKind::SetTextColor, color);
}

COLORREF GetTextColor(HDC dc) { return ReadColor(dc, &DcState::textColor); }

COLORREF SetBkColor(HDC dc, COLORREF color) {
  return SwapColor(dc, &DcState::bkColor, OpKind::SetBkColor, color);
}

COLORREF GetBkColor(HDC dc) { return ReadColor(dc, &DcState::bkColor); }

int SetBkMode(HDC dc, int mode) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = d->st.bkMode;
  d->st.bkMode = mode;
  RecordValue(*d, OpKind::SetBkMode, mode);
  return old;
}

int GetBkMode(HDC dc) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  return d ? d->st.bkMode : 0;
}

int SetStretchBltMode(HDC dc, int mode) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int old = d->st.stretchMode;
  d->st.stretchMode = mode;
  RecordValue(*d, OpKind::SetStretchBltMode, mode);
  return old;
}

int GetStretchBltMode(HDC dc) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  return d ? d->st.stretchMode : 0;
}

// ---------------------------------------------------------------- print jobs
namespace {

int DocCall(HDC dc, OpKind kind, int (Device::*call)()) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return SP_ERROR;
  int r = (d->device().*call)();
  if (d->Recording()) {
    GdiOp op = d->Snapshot(kind);
    op.result = r;
    d->Record(std::move(op));
  }
  return r;
}

}  // namespace

int StartDocW(HDC dc, const DOCINFOW* doc) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return SP_ERROR;
  std::u16string name = doc && doc->lpszDocName ? doc->lpszDocName : u"";
  std::u16string output = doc && doc->lpszOutput ? doc->lpszOutput : u"";
  int r = d->device().StartDoc(name, output);
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::StartDoc);
    op.text = name;
    op.result = r;
    d->Record(std::move(op));
  }
  return r;
}

int StartPage(HDC dc) { return DocCall(dc, OpKind::StartPage, &Device::StartPage); }
int EndPage(HDC dc) { return DocCall(dc, OpKind::EndPage, &Device::EndPage); }
int EndDoc(HDC dc) { return DocCall(dc, OpKind::EndDoc, &Device::EndDoc); }
int AbortDoc(HDC dc) { return DocCall(dc, OpKind::AbortDoc, &Device::AbortDoc); }

// ---------------------------------------------------------------- painting
HWND WindowFromDC(HDC) { return nullptr; }

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  if (paint) *paint = PAINTSTRUCT{};
  (void)window;
  return nullptr;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) { return window ? TRUE : FALSE; }
