// Raster transfers: raster operations, stretching, StretchDIBits,
// StretchBlt/BitBlt, palettes and bitmaps loaded from resources.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "cmddll3/platform/resources.h"
#include "platform/gdi/internal.h"

namespace cmd::gdi {
namespace {

constexpr int kMaxSamples = 8;  // dots combined per axis when shrinking

// The source dots [first, last) that dest dot i of n takes from a source of
// m dots, mirrored when flip is set.
struct Span {
  long long first, last;
};
Span SourceSpan(long long i, long long n, long long m) {
  // Both products can pass 2^63 on absurd extents.
  long long a = (long long)((__int128)i * m / n), b = (long long)((__int128)(i + 1) * m / n);
  if (b <= a) b = a + 1;
  return Span{a, b};
}

std::uint32_t Combine(int mode, std::uint32_t acc, std::uint32_t v, int count) {
  switch (mode) {
    case BLACKONWHITE: return acc & v;
    case WHITEONBLACK: return acc | v;
    default: return count == 0 ? v : acc;
  }
}

// An area given as origin and signed extent, as the dots it covers: a
// negative extent runs back from the origin (mirroring).
struct Run {
  long long start;
  long long length;
  bool reversed;
};
Run RunOf(int origin, int extent) {
  if (extent >= 0) return Run{origin, extent, false};
  return Run{(long long)origin + extent + 1, -(long long)extent, true};
}

Pixmap ForDestination(const Pixmap& src, bool destMono, const DcState& srcState,
                      const DcState& destState) {
  Pixmap out = src;
  if (src.mono && !destMono) {
    // Monochrome to colour: black dots take the text colour, white ones the
    // background colour of the destination.
    std::uint32_t fg = ToArgb(destState.textColor), bg = ToArgb(destState.bkColor);
    for (auto& p : out.px) p = (p & 0xFFFFFF) ? bg : fg;
    out.mono = false;
  } else if (!src.mono && destMono) {
    // Colour to monochrome: the source's background colour becomes white.
    std::uint32_t bg = ToArgb(srcState.bkColor);
    for (auto& p : out.px) p = (p == bg) ? kWhite : kBlack;
    out.mono = true;
  }
  return out;
}

void RecordBlit(DeviceContext& dc, OpKind kind, const BlitJob& job, const Pixmap* src,
                bool mono) {
  GdiOp op = dc.Snapshot(kind);
  op.dest = job.dest;
  op.src = job.srcArea;
  op.rop = job.rop;
  op.stretchMode = job.stretchMode;
  if (src) op.image = ToImage(*src);
  op.sourceMonochrome = mono;
  op.result = TRUE;
  dc.Record(std::move(op));
}

}  // namespace

std::uint32_t ApplyRop(DWORD rop, std::uint32_t P, std::uint32_t S, std::uint32_t D) {
  unsigned code = (rop >> 16) & 0xFF;
  std::uint32_t r;
  switch (code) {
    case 0xCC: r = S; break;          // SRCCOPY
    case 0x88: r = S & D; break;      // SRCAND
    case 0xEE: r = S | D; break;      // SRCPAINT
    case 0x66: r = S ^ D; break;      // SRCINVERT
    case 0x33: r = ~S; break;         // NOTSRCCOPY
    case 0xF0: r = P; break;          // PATCOPY
    case 0x55: r = ~D; break;         // DSTINVERT
    case 0x00: r = 0; break;          // BLACKNESS
    case 0xFF: r = 0xFFFFFFFFu; break;  // WHITENESS
    case 0xAA: r = D; break;
    default: {
      // Any other ternary operation from its truth table: bit i of the code
      // is the result for pattern (4), source (2) and destination (1) bits.
      r = 0;
      for (unsigned i = 0; i < 8; ++i)
        if (code & (1u << i))
          r |= ((i & 4) ? P : ~P) & ((i & 2) ? S : ~S) & ((i & 1) ? D : ~D);
    }
  }
  return 0xFF000000u | (r & 0xFFFFFF);
}

bool RopUsesSource(DWORD rop) {
  unsigned code = (rop >> 16) & 0xFF;
  // The source matters when swapping S changes the truth table.
  return ((code >> 2) & 0x33) != (code & 0x33);
}

void StretchOnto(Pixmap& dst, const BlitJob& job) {
  Run dx = RunOf(job.dest.x, job.dest.cx), dy = RunOf(job.dest.y, job.dest.cy);
  Run sx = RunOf(job.srcArea.x, job.srcArea.cx), sy = RunOf(job.srcArea.y, job.srcArea.cy);
  if (dx.length == 0 || dy.length == 0) return;
  bool useSource = RopUsesSource(job.rop) && job.src;
  if (useSource && (sx.length == 0 || sy.length == 0)) return;
  bool flipX = dx.reversed != sx.reversed, flipY = dy.reversed != sy.reversed;
  int x0 = int(std::max(0LL, dx.start)), x1 = int(std::min<long long>(dst.width, dx.start + dx.length));
  int y0 = int(std::max(0LL, dy.start)), y1 = int(std::min<long long>(dst.height, dy.start + dy.length));
  bool combine = job.stretchMode != COLORONCOLOR;
  for (int y = y0; y < y1; ++y) {
    long long j = y - dy.start;
    Span rows = useSource ? SourceSpan(flipY ? dy.length - 1 - j : j, dy.length, sy.length)
                          : Span{0, 1};
    long long rowStep = std::max(1LL, (rows.last - rows.first + kMaxSamples - 1) / kMaxSamples);
    long long lastRow = combine ? rows.last : rows.first + 1;
    for (int x = x0; x < x1; ++x) {
      std::uint32_t s = kBlack;
      if (useSource) {
        long long i = x - dx.start;
        Span cols = SourceSpan(flipX ? dx.length - 1 - i : i, dx.length, sx.length);
        long long colStep = std::max(1LL, (cols.last - cols.first + kMaxSamples - 1) / kMaxSamples);
        long long lastCol = combine ? cols.last : cols.first + 1;
        int count = 0;
        unsigned sumR = 0, sumG = 0, sumB = 0;
        std::uint32_t acc = 0;
        for (long long r = rows.first; r < lastRow; r += rowStep) {
          long long py = sy.start + r;
          if (py < 0 || py >= job.src->height) continue;  // nothing outside the source
          for (long long c = cols.first; c < lastCol; c += colStep) {
            long long px = sx.start + c;
            if (px < 0 || px >= job.src->width) continue;
            std::uint32_t v = job.src->Get(int(px), int(py));
            if (job.skipsUnpainted && !Painted(v)) continue;
            acc = count == 0 ? v : Combine(job.stretchMode, acc, v, count);
            sumR += (v >> 16) & 0xFF;
            sumG += (v >> 8) & 0xFF;
            sumB += v & 0xFF;
            ++count;
          }
        }
        if (count == 0) continue;
        s = job.stretchMode == HALFTONE
                ? 0xFF000000u | ((sumR / count) << 16) | ((sumG / count) << 8) | (sumB / count)
                : acc;
      }
      dst.Set(x, y, ApplyRop(job.rop, job.brush, s, dst.Get(x, y)));
    }
  }
}

}  // namespace cmd::gdi

using namespace cmd::gdi;

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info,
                  UINT usage, DWORD rop) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || !info || !bits) return 0;
  DibLayout layout;
  if (!MeasureDib(info->bmiHeader, usage, layout)) return 0;
  Pixmap image;
  if (!DecodeDib(info, bits, usage, d->st.palette, image, kUnpainted)) return 0;
  if (d->memory() && d->st.bitmap && d->st.bitmap->pm.mono) {
    for (auto& p : image.px)
      if (Painted(p)) p = (p & 0xFFFFFF) == 0xFFFFFF ? kWhite : kBlack;
    image.mono = true;
  }
  BlitJob job;
  job.dest = Area{xDest, yDest, destWidth, destHeight};
  // Source rows of a bottom-up DIB count from its bottom line.
  int top = layout.topDown ? ySrc : Clamp32((long long)layout.height - ySrc - srcHeight);
  job.srcArea = Area{xSrc, top, srcWidth, srcHeight};
  job.src = &image;
  job.skipsUnpainted = layout.runLength;
  job.rop = rop;
  job.stretchMode = d->st.stretchMode;
  job.brush = d->st.brush && !d->st.brush->hollow ? ToArgb(d->st.brush->color) : kWhite;
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::StretchDIBits);
    op.dest = job.dest;
    op.src = Area{xSrc, ySrc, srcWidth, srcHeight};
    op.rop = rop;
    op.usage = usage;
    op.dib = info->bmiHeader;
    const auto* colors = reinterpret_cast<const unsigned char*>(info) + info->bmiHeader.biSize;
    std::size_t n = layout.colorBytes / 4;
    if (info->bmiHeader.biCompression == BI_BITFIELDS && info->bmiHeader.biSize < 52) n = 3;
    op.dibColors.resize(n);
    if (n) std::memcpy(op.dibColors.data(), colors, n * 4);
    op.image = ToImage(image);
    op.result = Clamp32(std::llabs(srcHeight));
    d->Record(std::move(op));
  }
  d->device().Blit(job);
  return Clamp32(std::llabs(srcHeight));
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
                int srcWidth, int srcHeight, DWORD rop) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dest);
  if (!d) return FALSE;
  DeviceContext* s = src ? FindDC(src) : nullptr;
  BlitJob job;
  job.dest = Area{x, y, width, height};
  job.srcArea = Area{xSrc, ySrc, srcWidth, srcHeight};
  job.rop = rop;
  job.stretchMode = d->st.stretchMode;
  job.brush = d->st.brush && !d->st.brush->hollow ? ToArgb(d->st.brush->color) : kWhite;
  Pixmap converted;
  const Pixmap* raw = nullptr;
  if (RopUsesSource(rop)) {
    if (!s) return FALSE;
    raw = s->device().Surface();
    if (!raw) return FALSE;  // only raster surfaces can be read back
    Pixmap* target = d->device().Surface();
    bool destMono = d->memory() && target && target->mono;
    converted = ForDestination(*raw, destMono, s->st, d->st);
    job.src = &converted;
  }
  if (d->Recording()) RecordBlit(*d, OpKind::StretchBlt, job, raw, raw && raw->mono);
  d->device().Blit(job);
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
            DWORD rop) {
  return StretchBlt(dest, x, y, width, height, src, xSrc, ySrc, width, height, rop);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  PaletteObj* p = FindPalette(palette);
  if (!d || !p) return nullptr;
  GdiObject* old = d->Select(p);
  d->st.paletteBackground = forceBackground != FALSE;
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::SelectPalette);
    op.flags = forceBackground ? 1 : 0;
    op.result = p->stock ? 1 : 0;  // 1: the stock default palette
    d->Record(std::move(op));
  }
  return static_cast<HPALETTE>(HandleOf(old));
}

UINT RealizePalette(HDC dc) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return UINT(GDI_ERROR);
  // The surfaces are true colour: the logical palette maps onto itself; the
  // default palette's static colours need no mapping.
  UINT mapped = d->st.palette && !d->st.palette->stock ? UINT(d->st.palette->entries.size()) : 0;
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::RealizePalette);
    op.result = int(mapped);
    op.flags = d->st.paletteBackground ? 1 : 0;
    d->Record(std::move(op));
  }
  return mapped;
}

HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name) {
  if (!module) return nullptr;  // the system's own bitmaps are not provided
  const std::string* data = cmd::res::Find(module, RT_BITMAP, name);
  if (!data) return nullptr;
  BmpFile dib;
  if (!ParsePackedDib(*data, dib)) return nullptr;
  std::vector<std::uint32_t> block;
  auto b = std::make_unique<BitmapObj>();
  if (!DecodeDib(dib.Info(block), dib.bits.data(), DIB_RGB_COLORS, nullptr, b->pm)) return nullptr;
  if (dib.layout.bitCount == 1) {
    // A two-colour bitmap becomes a monochrome one: light dots are white.
    for (auto& p : b->pm.px) {
      unsigned luma = ((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11;
      p = luma >= 12800 ? kWhite : kBlack;
    }
    b->pm.mono = true;
  }
  return static_cast<HBITMAP>(Adopt(std::move(b)));
}
