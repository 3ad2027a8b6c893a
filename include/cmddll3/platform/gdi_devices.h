// The drawing back-ends behind device contexts, and what tests and tools
// need to look at them.
//
//  - recording: deterministic font metrics, nothing drawn; every call made on
//    the device context is kept as a GdiOp with the state in force.
//    Metrics: a font's cell height h is lfHeight when positive, -lfHeight
//    when negative, 16 when 0; a narrow character (U+0020 to U+007E, U+FF61
//    to U+FF9F) advances lfWidth when that is positive, else h / 2
//    (truncating); every other UTF-16 unit advances twice that; a text's
//    extent is (sum of advances, h), whatever the escapement.
//  - image: a Cairo ARGB32 surface (white at creation), 96 dots per inch by
//    default, that can be saved as PNG.
//  - printer: a Cairo PDF document whose logical unit is 1/300 inch by
//    default; each StartPage/EndPage makes one page, EndDoc writes the file.
//
// Fonts of the image and printer back-ends come from Pango and fontconfig; a
// positive lfHeight is the cell height (the font's Windows ascent plus
// descent), a negative one the em height. Windows face names are mapped to
// installed Japanese fonts (ResolveFontFamily).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/gdi.h"
#include "cmddll3/platform/windef.h"

namespace cmd::gdi {

// ---------------------------------------------------------------- creation
// Resolutions are 1 to 9600 dots per inch (others give the default).
//
// A recording device context. printer = true makes it answer as a printer
// (technology DT_RASPRINTER, an A4 page at dpi); otherwise a 1920 x 1080
// screen.
CMD_PLATFORM_API HDC CreateRecordingDC(int dpi = 96, bool printer = false);
// An image device context of width x height dots (1 to 32767 each; null
// otherwise).
CMD_PLATFORM_API HDC CreateImageDC(int width, int height, int dpi = 96);
// A printer device context writing a PDF document to pdfPath (a host path;
// DOCINFOW::lpszOutput given to StartDoc overrides it). The page is
// paperWidthMm x paperHeightMm (A4 by default).
CMD_PLATFORM_API HDC CreatePrinterDC(const std::string& pdfPath, int dpi = 300,
                                     double paperWidthMm = 210.0, double paperHeightMm = 297.0);

// ---------------------------------------------------------------- images
// Pixels as COLORREF values (0x00BBGGRR), rows top first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The surface of an image device context (or the bitmap selected into a
// memory one); false for other device contexts.
CMD_PLATFORM_API bool GetImage(HDC dc, Image& image);
// Writes the surface as PNG through the platform's file layer (atomically).
CMD_PLATFORM_API bool SaveImagePng(HDC dc, const std::string& hostPath);

// ---------------------------------------------------------------- recording
enum class OpKind {
  SelectFont,
  SelectPen,
  SelectBrush,
  SelectBitmap,
  SelectPalette,
  RealizePalette,
  SetTextColor,
  SetBkColor,
  SetBkMode,
  SetTextJustification,
  SetStretchBltMode,
  SaveDC,
  RestoreDC,
  GetTextExtent,  // GetTextExtentPoint32W
  TextOut,
  ExtTextOut,
  DrawText,
  MoveTo,
  LineTo,
  Rectangle,
  FillRect,
  StretchDIBits,
  StretchBlt,  // and BitBlt
  DrawBitmap,  // a render target's bitmap drawing
  StartDoc,
  StartPage,
  EndPage,
  EndDoc,
  AbortDoc,
};
CMD_PLATFORM_API const char* OpName(OpKind kind);

// A rectangle as origin and extent; extents may be negative (mirroring).
struct Area {
  int x = 0, y = 0, cx = 0, cy = 0;
};

// One line of text as DrawText placed it: the top-left of its cell.
struct PlacedLine {
  int x = 0, y = 0;
  int width = 0;
  std::u16string text;
};

struct GdiOp {
  OpKind kind{};

  // The state in force when the call was made.
  LOGFONTW font{};  // of the selected font (the stock font's record if none)
  COLORREF textColor = 0;
  COLORREF bkColor = 0;
  int bkMode = 0;
  LOGPEN pen{};
  COLORREF brushColor = 0;
  bool brushHollow = false;
  int stretchMode = 0;
  int justifyExtra = 0;
  int justifyCount = 0;
  POINT position{};  // current position (MoveTo/LineTo)
  std::vector<PALETTEENTRY> palette;  // the selected palette's entries

  // The call.
  std::u16string text;
  RECT rect{};      // DrawText, Rectangle, FillRect, ExtTextOut's rectangle
  POINT point{};    // TextOut, ExtTextOut, MoveTo, LineTo
  UINT flags = 0;   // DrawText format, ExtTextOut options, SelectPalette's force flag
  int value = 0;    // the value set (Set* calls), the level restored (RestoreDC)
  DWORD rop = 0;
  Area dest;        // StretchDIBits, StretchBlt, DrawBitmap (rounded)
  Area src;
  UINT usage = 0;   // StretchDIBits colour usage
  BITMAPINFOHEADER dib{};            // StretchDIBits header as given
  std::vector<RGBQUAD> dibColors;    // its colour table (or masks) as given
  std::shared_ptr<const Image> image;  // the source picture (whole, decoded)
  bool sourceMonochrome = false;     // StretchBlt from a monochrome bitmap
  float opacity = 1.0f;              // DrawBitmap
  int interpolation = 0;             // DrawBitmap
  LOGFONTW selectedFont{};           // SelectFont: the record of the font selected
  LOGPEN selectedPen{};              // SelectPen: the pen selected

  // The outcome.
  int result = 0;
  SIZE size{};                      // GetTextExtent
  std::vector<PlacedLine> lines;    // DrawText (none with DT_CALCRECT)
  RECT rectOut{};                   // DrawText: the rectangle after the call
};

// The calls recorded so far (null for a device context that does not record).
CMD_PLATFORM_API const std::vector<GdiOp>* RecordedOps(HDC dc);
// The recorded calls of one kind, in order.
CMD_PLATFORM_API std::vector<GdiOp> RecordedOps(HDC dc, OpKind kind);
CMD_PLATFORM_API void ClearRecording(HDC dc);
// Turns recording of measurements and selections off or on (drawing calls
// are always kept); on by default.
CMD_PLATFORM_API void RecordEverything(HDC dc, bool on);

// ---------------------------------------------------------------- objects
struct ObjectCounts {
  int fonts = 0, pens = 0, brushes = 0, bitmaps = 0, palettes = 0, dcs = 0;
  int Total() const { return fonts + pens + brushes + bitmaps + palettes + dcs; }
};
// Live GDI objects and device contexts, stock objects excepted.
CMD_PLATFORM_API ObjectCounts LiveObjects();
CMD_PLATFORM_API int LiveObjectCount();

// ---------------------------------------------------------------- fonts
// The installed font family that draws a Windows face name: the
// substitution table for the Japanese faces ("ＭＳ ゴシック", "MS Mincho",
// "ＭＳ Ｐゴシック", ...), the face itself when it is installed, else the
// default Japanese face. A leading '@' (vertical font) is ignored.
CMD_PLATFORM_API std::string ResolveFontFamily(std::u16string_view face);

// ---------------------------------------------------------------- device-independent bitmaps
// Where the parts of a packed DIB lie, from its header alone.
struct DibLayout {
  int width = 0;
  int height = 0;         // absolute
  bool topDown = false;
  int bitCount = 0;
  std::size_t colorCount = 0;       // entries of the colour table used
  std::size_t colorBytes = 0;       // bytes after the header: table or masks
  std::size_t stride = 0;           // bytes per row (decoded rows of a run-length image)
  std::size_t imageBytes = 0;       // stride * height; biSizeImage when run-length coded
  bool runLength = false;           // BI_RLE8 or BI_RLE4
};
// Rejects what cannot be drawn safely: header smaller than 40 bytes, width
// or height 0, negative width, more than 32767 dots a side or 2^26 dots in
// all, bit counts other than 1, 4, 8, 16, 24, 32, compressions other than
// BI_RGB, BI_BITFIELDS (16 and 32 bits), BI_RLE8 (8 bits) and BI_RLE4 (4
// bits, both bottom-up only), colour tables over 256 entries.
CMD_PLATFORM_API bool MeasureDib(const BITMAPINFOHEADER& header, UINT usage, DibLayout& layout);

// A BMP file taken apart. header is normalised so that it describes exactly
// what is kept: biSize 40, and no colour table for more than 8 bits a dot.
struct CMD_PLATFORM_API BmpFile {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  // The colour table as the header declares it (8 bits and fewer), or the
  // three masks of BI_BITFIELDS; empty otherwise.
  std::vector<RGBQUAD> colors;
  std::string_view bits;        // the pixel data: a view into the parsed bytes
  DibLayout layout;
  // The image's height as the file's header gives it. A file that ends
  // early keeps only its whole rows: header and layout count those.
  int fullHeight = 0;
  // A BITMAPINFO (header and colours) ready for StretchDIBits.
  std::vector<std::uint32_t> InfoBlock() const;
  const BITMAPINFO* Info(std::vector<std::uint32_t>& block) const {
    block = InfoBlock();
    return reinterpret_cast<const BITMAPINFO*>(block.data());
  }
};
// Parses a BMP file without reading past bytes. The pixel data is what the
// header's width, height, bit count and compression imply (biSizeImage for
// run-length images), read from bfOffBits; bfSize is not trusted (writers
// leave it 0 or get it wrong). A file that ends early keeps the whole rows
// it holds (a run-length image the codes it holds). False when a header
// lies (pixel offset inside the headers or past the end, a colour table past
// the end, not one whole row, or anything MeasureDib rejects). Headers of
// 40, 52, 56, 108 and 124 bytes are read.
CMD_PLATFORM_API bool ParseBmpFile(std::string_view bytes, BmpFile& bmp);
// The same for a packed DIB (a header, its colours, then the pixels).
CMD_PLATFORM_API bool ParsePackedDib(std::string_view bytes, BmpFile& bmp);

}  // namespace cmd::gdi
