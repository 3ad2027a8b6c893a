// Inside the GDI stand-in: objects behind the handles, the device context's
// state, and the device interface that the back-ends implement.
//
// A handle is the address of its object; every handle that comes in is
// looked up in the registry of live objects first, so a stale or foreign
// handle fails the call instead of touching freed memory. One recursive lock
// guards the registry and every device context.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/gdi.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/windef.h"

namespace cmd::gdi {

std::recursive_mutex& GdiLock();
using Guard = std::lock_guard<std::recursive_mutex>;

// ---------------------------------------------------------------- pixels
// Opaque Cairo ARGB32 pixels, 0xFFRRGGBB.
constexpr std::uint32_t ToArgb(COLORREF c) {
  return 0xFF000000u | (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
         GetBValue(c);
}
constexpr COLORREF ToColorref(std::uint32_t p) {
  return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p));
}
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBlack = 0xFF000000u;
// A dot that a run-length image skips (a delta, a line or the image ended
// early): transparent, so the destination keeps what it had.
constexpr std::uint32_t kUnpainted = 0x00000000u;
constexpr bool Painted(std::uint32_t argb) { return (argb >> 24) != 0; }

struct Pixmap {
  int width = 0;
  int height = 0;
  bool mono = false;  // a monochrome bitmap: black and white only
  std::vector<std::uint32_t> px;

  Pixmap() = default;
  Pixmap(int w, int h, std::uint32_t fill, bool monochrome = false)
      : width(w), height(h), mono(monochrome), px(std::size_t(w) * std::size_t(h), fill) {}
  std::uint32_t Get(int x, int y) const { return px[std::size_t(y) * width + x]; }
  void Set(int x, int y, std::uint32_t v) { px[std::size_t(y) * width + x] = v; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

std::shared_ptr<Image> ToImage(const Pixmap& pm);

// Coordinates computed in 64 bits, brought back into a LONG.
constexpr int Clamp32(long long v) {
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int(v);
}

// ---------------------------------------------------------------- objects
enum class ObjKind { Font, Pen, Brush, Bitmap, Palette };

class DeviceContext;

struct GdiObject {
  explicit GdiObject(ObjKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  ObjKind kind;
  bool stock = false;
  int selections = 0;  // device-context states (current or saved) holding it
};

struct FontObj : GdiObject {
  FontObj() : GdiObject(ObjKind::Font) {}
  LOGFONTW lf{};
};

struct PenObj : GdiObject {
  PenObj() : GdiObject(ObjKind::Pen) {}
  int style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
};

struct BrushObj : GdiObject {
  BrushObj() : GdiObject(ObjKind::Brush) {}
  bool hollow = false;
  COLORREF color = 0;
};

struct BitmapObj : GdiObject {
  BitmapObj() : GdiObject(ObjKind::Bitmap) {}
  Pixmap pm;
  DeviceContext* selectedIn = nullptr;  // a bitmap lives in one memory DC at a time
};

struct PaletteObj : GdiObject {
  PaletteObj() : GdiObject(ObjKind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

// Registers a new object and gives its handle.
HGDIOBJ Adopt(std::unique_ptr<GdiObject> object);
GdiObject* FindObject(HGDIOBJ handle);  // live object of any kind, or null
template <class T>
T* Find(HGDIOBJ handle, ObjKind kind) {
  GdiObject* o = FindObject(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline FontObj* FindFont(HGDIOBJ h) { return Find<FontObj>(h, ObjKind::Font); }
inline PenObj* FindPen(HGDIOBJ h) { return Find<PenObj>(h, ObjKind::Pen); }
inline BrushObj* FindBrush(HGDIOBJ h) { return Find<BrushObj>(h, ObjKind::Brush); }
inline BitmapObj* FindBitmap(HGDIOBJ h) { return Find<BitmapObj>(h, ObjKind::Bitmap); }
inline PaletteObj* FindPalette(HGDIOBJ h) { return Find<PaletteObj>(h, ObjKind::Palette); }
GdiObject* StockObject(int index);
BitmapObj* StockBitmap();  // the 1 x 1 monochrome bitmap of a fresh memory DC
inline HGDIOBJ HandleOf(const GdiObject* o) { return const_cast<GdiObject*>(o); }

// Called when a handle dies, so the framework's temporary wrappers go too.
void ForgetTemporaryWrapper(HGDIOBJ handle);

// ---------------------------------------------------------------- fonts
struct FontMetrics {
  int height = 0;  // ascent + descent: the cell
  int ascent = 0;
  int descent = 0;
  int internalLeading = 0;
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
};

class FontEngine {
 public:
  virtual ~FontEngine() = default;
  virtual FontMetrics Metrics(const LOGFONTW& lf) = 0;
  // Sum of the advances of text, unjustified.
  virtual int Width(const LOGFONTW& lf, std::u16string_view text) = 0;
};

// The recording back-end's deterministic metrics.
class FixedFontEngine : public FontEngine {
 public:
  FontMetrics Metrics(const LOGFONTW& lf) override;
  int Width(const LOGFONTW& lf, std::u16string_view text) override;
  static int CellHeight(const LOGFONTW& lf);
  static long long Advance(const LOGFONTW& lf, char16_t c);
};

// ---------------------------------------------------------------- device interface
// A run of text, placed relative to the text origin along the baseline
// direction.
struct TextPiece {
  int offset = 0;
  std::u16string text;
  bool underlined = false;  // the prefix character of DrawText
};

struct TextJob {
  LOGFONTW font{};
  COLORREF color = 0;
  bool opaque = false;  // fill the text's cell with bkColor first
  COLORREF bkColor = 0;
  int x = 0, y = 0;       // top-left of the cell at offset 0
  int width = 0;          // the whole run's advance
  FontMetrics metrics;
  std::vector<TextPiece> pieces;
  bool clipped = false;
  RECT clip{};
  bool opaqueRect = false;  // ExtTextOut's ETO_OPAQUE: fill this rectangle instead
  RECT fill{};
};

struct BlitJob {
  Area dest;
  const Pixmap* src = nullptr;  // already in the destination's colours
  Area srcArea;                 // in src, top row 0
  DWORD rop = SRCCOPY;
  int stretchMode = BLACKONWHITE;
  std::uint32_t brush = kWhite;  // the pattern (the DC's brush), for pattern raster operations
  bool skipsUnpainted = false;   // source dots that are kUnpainted leave the destination alone
};

struct ImageJob {
  double left = 0, top = 0, right = 0, bottom = 0;  // destination
  const Pixmap* src = nullptr;
  double srcLeft = 0, srcTop = 0, srcRight = 0, srcBottom = 0;
  float opacity = 1.0f;
  bool smooth = true;
};

class Device {
 public:
  virtual ~Device() = default;
  virtual bool Records() const { return false; }
  virtual bool RecordsEverything() const { return false; }
  virtual void Record(GdiOp&&) {}
  virtual void ClearRecord() {}
  virtual void SetRecordEverything(bool) {}
  virtual const std::vector<GdiOp>* Recorded() const { return nullptr; }

  virtual int Caps(int index) const = 0;
  virtual FontEngine& Fonts() = 0;
  // The pixels drawn on, for raster devices (GetPixel, blit sources).
  virtual Pixmap* Surface() { return nullptr; }
  // A memory device draws on the bitmap selected into its DC.
  virtual void Retarget(Pixmap*) {}

  virtual void DrawTextJob(const TextJob&) {}
  virtual void DrawLine(const PenObj&, POINT, POINT) {}
  virtual void DrawRectangle(const PenObj&, const BrushObj&, RECT) {}
  virtual void Fill(RECT, COLORREF) {}
  virtual void Blit(const BlitJob&) {}
  virtual void DrawImage(const ImageJob&) {}

  // Print jobs: positive on success, SP_ERROR on failure.
  virtual int StartDoc(const std::u16string& name, const std::u16string& output);
  virtual int StartPage();
  virtual int EndPage();
  virtual int EndDoc();
  virtual int AbortDoc();

 protected:
  bool inDoc_ = false;
  bool inPage_ = false;
};

// Capabilities common to the devices, from resolution and size in dots.
struct DeviceGeometry {
  int dpi = 96;
  int width = 1920;
  int height = 1080;
  bool printer = false;
  int bitsPixel = 32;
  int Caps(int index) const;
};

std::unique_ptr<Device> MakeRecordingDevice(const DeviceGeometry& g);
std::unique_ptr<Device> MakeImageDevice(const DeviceGeometry& g);
std::unique_ptr<Device> MakePdfDevice(const DeviceGeometry& g, const std::string& path,
                                      double widthPt, double heightPt);
std::unique_ptr<Device> MakeMemoryDevice(const DeviceGeometry& g);

// ---------------------------------------------------------------- device contexts
struct DcState {
  FontObj* font = nullptr;
  PenObj* pen = nullptr;
  BrushObj* brush = nullptr;
  PaletteObj* palette = nullptr;
  BitmapObj* bitmap = nullptr;  // memory DCs only
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int stretchMode = BLACKONWHITE;
  POINT pos{0, 0};
  int breakExtra = 0;
  int breakCount = 0;
  bool paletteBackground = false;
};

class DeviceContext {
 public:
  DeviceContext(std::unique_ptr<Device> device, DeviceGeometry geometry, bool memory);
  ~DeviceContext();
  Device& device() { return *device_; }
  const DeviceGeometry& geometry() const { return geometry_; }
  bool memory() const { return memory_; }

  DcState st;
  std::vector<DcState> saved;

  // Replaces the object of its kind in the current state; returns the old one.
  GdiObject* Select(GdiObject* object);
  int Save();
  bool Restore(int level);

  // A snapshot of the state for the recording back-end.
  GdiOp Snapshot(OpKind kind) const;
  bool Recording() { return device_->Records(); }
  bool RecordingAll() { return device_->RecordsEverything(); }
  void Record(GdiOp&& op) { device_->Record(std::move(op)); }

 private:
  void Hold(const DcState& s, int delta);
  std::unique_ptr<Device> device_;
  DeviceGeometry geometry_;
  bool memory_;
};

HDC AdoptDC(std::unique_ptr<DeviceContext> dc);
DeviceContext* FindDC(HDC handle);
void CountDC(ObjectCounts& counts);

// ---------------------------------------------------------------- text and rasters
// The font record in force (the stock font's when none is selected).
const LOGFONTW& CurrentFont(const DeviceContext& dc);
// Extra advance that justification gives to the break characters of text.
int JustificationExtra(const DcState& st, std::u16string_view text);
// The advance of text in the selected font, justification included.
int TextWidth(DeviceContext& dc, std::u16string_view text);
// Splits text at break characters for justified drawing.
std::vector<TextPiece> JustifiedPieces(DeviceContext& dc, std::u16string_view text);

// Applies a ternary raster operation to one pixel (pattern, source, destination).
std::uint32_t ApplyRop(DWORD rop, std::uint32_t pattern, std::uint32_t source,
                       std::uint32_t dest);
// Stretches a source area onto a pixmap with a raster operation, clipped to
// the pixmap. Shrinking combines the dropped dots by the stretch mode.
void StretchOnto(Pixmap& dst, const BlitJob& job);
// True when the raster operation reads the destination or the pattern only
// (no source needed).
bool RopUsesSource(DWORD rop);

// Decodes a packed DIB into pixels (rows top first); the caller has checked
// the sizes with MeasureDib. DIB_PAL_COLORS indexes the palette. The dots a
// run-length image does not paint take the colour `skipped` (kUnpainted
// when the destination is to keep them).
bool DecodeDib(const BITMAPINFO* info, const void* bits, UINT usage, const PaletteObj* palette,
               Pixmap& out, std::uint32_t skipped = kBlack);

// Font face resolution (Pango back-ends).
std::string ResolveFamilyLocked(std::u16string_view face);

}  // namespace cmd::gdi
