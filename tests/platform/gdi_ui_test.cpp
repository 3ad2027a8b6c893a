// Drawing and windows: bitmap files taken apart without trusting their
// headers; the image device's dots (bitmaps, raster operations, lines,
// Japanese text in its cell); the printer device's PDF; the recording
// device's metrics, DrawText layout, objects and print jobs. The headless
// user-interface model: windows and combo boxes, message queues across
// threads, the input method, menus; module resources and global memory
// blocks, each sequence of calls checked as one record of its results.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/d2d.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/globalmem.h"
#include "cmddll3/platform/resources.h"
#include "cmddll3/platform/ui.h"
#include "cmddll3/platform/winpath.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

using cmd::gdi::OpKind;
using namespace std::literals;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kGrey = RGB(128, 128, 128);
constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

using cmdtest::With;

std::string Checker8(int w, int h) {
  cmdtest::DibRecipe recipe{.width = w, .height = h, .bitCount = 8, .colors = cmdtest::GreyPalette(256)};
  return cmdtest::BmpFileBytes(recipe, [](int x, int y) { return (x + y) % 2 ? 255u : 0u; });
}

// Parses from a buffer of exactly the file's size, so that reading past it
// is caught by the address sanitizer. What the parse kept, as one line: size
// (and the file's own height), stride, colours, pixel bytes and where they
// start, the header handed on (its size, height, colours used; the code
// bytes of a run-length image); "refused" when the parse fails.
std::string ParsedExactly(const std::string& bytes) {
  const std::vector<char> exact(bytes.begin(), bytes.end());
  cmd::gdi::BmpFile b;
  if (!cmd::gdi::ParseBmpFile(std::string_view(exact.data(), exact.size()), b)) return "refused";
  std::ostringstream o;
  o << b.layout.width << 'x' << b.layout.height << '/' << b.fullHeight << " stride " << b.layout.stride << " colours "
    << b.colors.size() << '/' << b.layout.colorBytes << " bits " << b.bits.size() << '@'
    << (b.bits.data() - exact.data()) << " header " << b.header.biSize << ' ' << b.header.biHeight << ' '
    << b.header.biClrUsed << (b.layout.topDown ? " top-down" : "");
  if (b.layout.runLength) o << " run-length " << b.header.biSizeImage;
  return o.str();
}

struct ImageDC {
  explicit ImageDC(int w, int h, COLORREF background = kWhite) : all{0, 0, w, h} {
    dc.Attach(cmd::gdi::CreateImageDC(w, h));
    dc.FillSolidRect(&all, background);
  }
  cmd::gdi::Image Pixels() const {
    cmd::gdi::Image img;
    EXPECT_TRUE(cmd::gdi::GetImage(dc.m_hDC, img));
    return img;
  }
  RECT all;
  CDC dc;
};

// Draws with obj selected into dc, then selects the old object again.
template <class T, class F>
void Selected(CDC& dc, T* obj, F draw) {
  auto* old = dc.SelectObject(obj);
  draw();
  dc.SelectObject(old);
}

// The dots of an image, a letter each, rows apart by spaces: W white, K
// black, R red, G green, B blue, - grey (128), ? any other colour.
std::string Picture(const cmd::gdi::Image& img) {
  const COLORREF legend[] = {kWhite, kBlack, kRed, kGreen, kBlue, kGrey};
  std::string s;
  for (std::size_t i = 0; i < img.pixels.size(); ++i) {
    if (i && i % std::size_t(img.width) == 0) s += ' ';
    s += "WKRGB-?"[std::find(std::begin(legend), std::end(legend), img.pixels[i]) - std::begin(legend)];
  }
  return s;
}

// Dots that are not white inside (or, with outside = true, outside) r.
int Ink(const cmd::gdi::Image& img, RECT r, bool outside = false) {
  int n = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      n += ((x >= r.left && x < r.right && y >= r.top && y < r.bottom) != outside) && img.At(x, y) != kWhite;
  return n;
}

LOGFONTW Gothic(LONG height, LONG width = 0, LONG escapement = 0) {
  LOGFONTW lf{};
  lf.lfHeight = height, lf.lfWidth = width, lf.lfEscapement = escapement;
  const char16_t face[] = u"ＭＳ ゴシック";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  return lf;
}

// Selects a font made from lf into dc for the life of the object.
struct FontIn {
  FontIn(CDC& dc, const LOGFONTW& lf) : dc(dc) {
    font.CreateFontIndirect(&lf);
    old = dc.SelectObject(&font);
  }
  ~FontIn() { dc.SelectObject(old); }
  CDC& dc;
  CFont font;
  CFont* old;
};

std::u16string Text(HWND w) {
  char16_t buffer[64] = {};
  GetWindowTextW(w, buffer, 64);
  return buffer;
}

}  // namespace

// ---------------------------------------------------------------- bitmap files
// A BMP file is taken apart without trusting its headers: what writers really
// write is kept (a wrong file size, bytes after the pixels, run-length codes
// shorter than declared, a short colour table, a top-down image, a 124-byte
// header with its masks, a palette on a true-colour image); each lie is
// refused; nothing past the file is read.
TEST(ImageAndPrinterDevices, BitmapsLinesJapaneseTextPngAndPdf) {
  const std::string good = Checker8(3, 2), checker = Checker8(2, 2) + "trailer";
  cmdtest::DibRecipe coded{.width = 4, .height = 2, .bitCount = 8, .colors = cmdtest::GreyPalette(256)};
  const std::string rle = cmdtest::RunLengthBmpFile(coded, std::string("\x04\x07\x00\x00\x00\x01", 6));
  const std::string rleCut = rle.substr(0, rle.size() - 2);
  cmdtest::DibRecipe twoColours{.width = 4, .height = 2, .bitCount = 4, .topDown = true,
                                .colors = {cmdtest::Quad(255, 0, 0), cmdtest::Quad(0, 255, 0)}};
  cmdtest::DibRecipe trueColour{.width = 2, .height = 2, .bitCount = 24};
  const std::string blue = With(cmdtest::BmpFileBytes(trueColour, [](int, int) { return 0x0000FFu; }), 46, 256);
  std::string v5 = "BM" + std::string(14 + 124 - 2, '\0') + std::string("\x00\x11\x22\x33", 4);
  for (auto [at, value] : {std::pair<std::size_t, std::uint32_t>{10, 14 + 124}, {14, 124}, {18, 1}, {22, 1},
                           {26, 1 + (32 << 16)}, {30, BI_BITFIELDS}, {54, 0x0000FF00}, {58, 0x00FF0000},
                           {62, 0xFF000000}, {2, 14 + 124 + 4}})
    v5 = With(v5, at, value);
  const char* const refused = "refused";
  const std::pair<std::string, const char*> cases[] = {
      {good, "3x2/2 stride 4 colours 256/1024 bits 8@1078 header 40 2 0"},
      {With(checker, 2, 1086 - 3), "2x2/2 stride 4 colours 256/1024 bits 8@1078 header 40 2 0"},
      {rle, "4x2/2 stride 4 colours 256/1024 bits 6@1078 header 40 2 0 run-length 6"},
      {With(rleCut, 34, 0), "4x2/2 stride 4 colours 256/1024 bits 4@1078 header 40 2 0 run-length 4"},
      {With(rleCut, 34, 1000), "4x2/2 stride 4 colours 256/1024 bits 4@1078 header 40 2 0 run-length 4"},
      {cmdtest::BmpFileBytes(twoColours, [](int x, int) { return x % 2u; }),
       "4x2/2 stride 4 colours 2/8 bits 8@62 header 40 -2 2 top-down"},
      {v5, "1x1/1 stride 4 colours 3/12 bits 4@138 header 40 1 0"},
      {blue, "2x2/2 stride 8 colours 0/0 bits 16@54 header 40 2 0"},
      // Not BM; pixels inside the headers, past the end, at the end; not one whole row.
      {With(good, 0, 'X', 1), refused}, {With(good, 10, 20), refused}, {With(good, 10, 1086 + 4), refused},
      {With(good, 10, 1086), refused}, {With(good, 18, 9), refused},
      // A core header; a header size unknown; width 0, negative, absurd; height 0, most negative.
      {With(good, 14, 12), refused}, {With(good, 14, 1000), refused}, {With(good, 18, 0), refused},
      {With(good, 18, -3u), refused}, {With(good, 18, 40000), refused}, {With(good, 22, 0), refused},
      {With(good, 22, std::uint32_t(INT_MIN)), refused}, {With(With(good, 18, 30000), 22, 30000), refused},
      // Two, no, 64 bits a dot; run-length codes on 24 bits, top-down, of 4 bits on 8; masks on 8 bits.
      {With(good, 28, 2, 2), refused}, {With(good, 28, 0, 2), refused}, {With(good, 28, 64, 2), refused},
      {With(With(good, 28, 24, 2), 30, BI_RLE8), refused}, {With(With(good, 22, -2u), 30, BI_RLE8), refused},
      {With(good, 30, BI_RLE4), refused}, {With(good, 30, BI_BITFIELDS), refused},
      // Over 256 colours; a colour table past the end.
      {With(good, 46, 300), refused}, {With(With(good.substr(0, 254), 2, 254), 10, 254), refused},
  };
  for (const auto& [file, kept] : cases) EXPECT_EQ(ParsedExactly(file), kept) << &file - &cases[0].first;

  // Cut anywhere, whatever its size field says, a file keeps its whole rows
  // (of 8 bytes after 1078 bytes of headers and colours) or is refused.
  const std::string file = Checker8(5, 3);
  for (std::size_t n = 0; n < file.size(); ++n) {
    for (std::uint32_t size : {std::uint32_t(file.size()), std::uint32_t(n)}) {
      const int rows = n < 1078 ? 0 : int((n - 1078) / 8);
      std::ostringstream kept;
      kept << "5x" << rows << "/3 stride 8 colours 256/1024 bits " << rows * 8 << "@1078 header 40 " << rows << " 0";
      EXPECT_EQ(ParsedExactly(n < 6 ? file.substr(0, n) : With(file.substr(0, n), 2, size)),
                rows ? kept.str() : refused) << n;
    }
  }

  // The masks of the long header and the true colours reach the device.
  cmd::gdi::BmpFile bmp;
  std::vector<std::uint32_t> block;
  for (auto [file, colour] : {std::pair{v5, RGB(0x11, 0x22, 0x33)}, {blue, kBlue}}) {
    ASSERT_TRUE(cmd::gdi::ParseBmpFile(file, bmp));
    ImageDC img(2, 2);
    const int w = bmp.layout.width, h = bmp.layout.height;
    StretchDIBits(img.dc, 0, 0, w, h, 0, 0, w, h, bmp.bits.data(), bmp.Info(block), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(img.dc, w - 1, h - 1), colour);
  }
  // Packed DIBs: tables of colours, palette indexes (WORDs) or masks; whole rows.
  const BITMAPINFOHEADER h{40, 3, -2, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, h16{40, 3, -2, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0};
  cmd::gdi::DibLayout rgb, pal, masks, bad;
  EXPECT_TRUE(cmd::gdi::MeasureDib(h, DIB_RGB_COLORS, rgb) && cmd::gdi::MeasureDib(h, DIB_PAL_COLORS, pal) &&
              cmd::gdi::MeasureDib(h16, DIB_RGB_COLORS, masks) && !cmd::gdi::MeasureDib(h16, 7, bad));
  EXPECT_EQ(std::vector<std::size_t>({rgb.stride, rgb.imageBytes, rgb.colorBytes, rgb.topDown, pal.colorBytes,
                                      masks.colorBytes}), std::vector<std::size_t>({4, 8, 8, true, 4, 12}));
  const std::string dib = cmdtest::PackedDib(trueColour, [](int, int) { return 0u; });
  EXPECT_TRUE(cmd::gdi::ParsePackedDib(dib, bmp) && !cmd::gdi::ParsePackedDib(dib.substr(0, dib.size() - 1), bmp) &&
              !cmd::gdi::ParsePackedDib(dib.substr(0, 39), bmp));

  // Bitmap resources load by id or case-folded name, from a file or a packed DIB.
  HINSTANCE module = cmd::res::NewModuleHandle();
  cmdtest::DibRecipe recipe{.width = 2, .height = 1, .bitCount = 1, .colors = cmdtest::GreyPalette(2)};
  const std::string logo = cmdtest::BmpFileBytes(recipe, [](int x, int) { return std::uint32_t(x); });
  ASSERT_TRUE(cmd::res::RegisterBitmap(module, MAKEINTRESOURCEW(101), logo) &&
              cmd::res::RegisterBitmap(module, u"Logo", logo.substr(14)) &&  // a packed DIB
              !cmd::res::RegisterBitmap(module, u"Bad", "xy"));
  for (LPCWSTR name : {MAKEINTRESOURCEW(101), LPCWSTR(u"#101"), LPCWSTR(u"LOGO"), LPCWSTR(u"logo")}) {
    HBITMAP bm = LoadBitmapW(module, name);
    BITMAP info{};
    EXPECT_EQ((std::vector<LONG>{GetObjectW(bm, sizeof info, &info), info.bmWidth, info.bmBitsPixel, DeleteObject(bm)}),
              (std::vector<LONG>{sizeof info, 2, 1, TRUE}));  // monochrome
  }
  // A registered resource that is not a valid DIB loads as nothing.
  cmd::res::Register(module, RT_BITMAP, MAKEINTRESOURCEW(103), std::string(40, '\x01'));
  const std::pair<HINSTANCE, int> absent[] = {{module, 102}, {module, 103}, {nullptr, 101}};
  for (auto [from, id] : absent) EXPECT_EQ(LoadBitmapW(from, MAKEINTRESOURCEW(id)), nullptr) << id;
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(101), RT_BITMAP);
  ASSERT_NE(found, nullptr);
  const auto* held = static_cast<const char*>(LockResource(LoadResource(module, found)));
  EXPECT_EQ(std::string(held, SizeofResource(module, found)), logo.substr(14));
  cmd::res::RemoveModule(module);
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(101), RT_BITMAP), nullptr);

  // Bitmaps and lines, each scenario checked dot for dot: every bit depth and
  // mask layout decodes; a picture is stretched without blending, shrunk by the
  // stretch mode, mirrored by a negative width; run-length codes paint only
  // their dots; a monochrome source takes the text and background colours;
  // raster operations follow their truth tables (a mask then an image is
  // drawn by the drawing tests); thin lines and borders stop short of their end.
  // Draws a packed DIB whose last pixelBytes bytes are its pixels, as callers do.
  auto draw = [](ImageDC& img, const std::string& dib, std::size_t pixelBytes, RECT to, int w, int h) {
    return StretchDIBits(img.dc, to.left, to.top, to.right, to.bottom, 0, 0, w, h, dib.data() + dib.size() - pixelBytes,
                         reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
  };
  const std::tuple<int, DWORD, std::vector<DWORD>, std::uint32_t, COLORREF> depths[] = {
      // Bits, compression, masks, the dot written at (2, 1) (the others are 0), its colour.
      {1, BI_RGB, {}, 1, kWhite}, {4, BI_RGB, {}, 15, kWhite}, {8, BI_RGB, {}, 128, kGrey},
      {16, BI_RGB, {}, 0x7C00, kRed}, {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0x07E0, kGreen},  // 5-5-5, 5-6-5
      {24, BI_RGB, {}, 0x123456, RGB(0x12, 0x34, 0x56)}, {32, BI_RGB, {}, 0x00ABCDEF, RGB(0xAB, 0xCD, 0xEF)},
      {32, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}, 0x00102030, RGB(0x30, 0x20, 0x10)},
  };
  for (const auto& [bits, compression, masks, value, expected] : depths) {
    cmdtest::DibRecipe recipe{.width = 3, .height = 2, .bitCount = bits, .compression = compression, .masks = masks};
    if (bits <= 8) recipe.colors = cmdtest::GreyPalette(1 << bits);
    const std::string dib = cmdtest::PackedDib(recipe, [&](int x, int y) { return x == 2 && y == 1 ? value : 0; });
    ASSERT_TRUE(cmd::gdi::ParsePackedDib(dib, bmp)) << bits;
    ImageDC img(3, 2);
    StretchDIBits(img.dc, 0, 0, 3, 2, 0, 0, 3, 2, bmp.bits.data(), bmp.Info(block), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(img.Pixels().pixels, (std::vector<COLORREF>{kBlack, kBlack, kBlack, kBlack, kBlack, expected})) << bits;
  }

  cmdtest::DibRecipe quad{.width = 2, .height = 2, .bitCount = 8, .colors = cmdtest::GreyPalette(256)};
  quad.colors[1] = cmdtest::Quad(255, 0, 0);
  quad.colors[2] = cmdtest::Quad(0, 0, 255);
  ImageDC big(6, 6), mirrored(2, 1);
  big.dc.SetStretchBltMode(COLORONCOLOR);
  EXPECT_EQ(draw(big, cmdtest::PackedDib(quad, [](int x, int y) { return y ? 0 : 1 + x; }), 8, {1, 1, 4, 4}, 2, 2), 2);
  EXPECT_EQ(Picture(big.Pixels()), "WWWWWW WRRBBW WRRBBW WKKKKW WKKKKW WWWWWW");
  // A 2 x 1 picture, black then white, shrunk to one dot or mirrored.
  const std::string pair = cmdtest::PackedDib({.width = 2, .bitCount = 24}, [](int x, int) { return x ? ~0u : 0u; });
  const std::pair<int, COLORREF> modes[] = {{BLACKONWHITE, kBlack}, {WHITEONBLACK, kWhite},
                                             {COLORONCOLOR, kBlack}, {HALFTONE, RGB(127, 127, 127)}};
  for (auto [mode, expected] : modes) {
    ImageDC img(1, 1);
    img.dc.SetStretchBltMode(mode);
    draw(img, pair, 8, {0, 0, 1, 1}, 2, 1);
    EXPECT_EQ(img.Pixels().At(0, 0), expected) << mode;
  }
  draw(mirrored, pair, 8, {1, 0, -2, 1}, 2, 1);
  EXPECT_EQ(Picture(mirrored.Pixels()), "WK");

  // Run-length images, 5 x 3 on grey, rows coded from the bottom: dots a code
  // skips (a delta, the rest of a line, the lines after the end) stay grey.
  const std::tuple<int, std::string, std::vector<int>> runs[] = {
      // 2 dots of 10, 3 literal dots (padded), end of line; a delta of (1, 1)
      // to the top row, 1 dot of 50, end of image.
      {8, std::string("\x02\x0A\x00\x03\x14\x1E\x28\x00\x00\x00\x00\x02\x01\x01\x01\x32\x00\x01", 18),
       {-1, 50, -1, -1, -1, /**/ -1, -1, -1, -1, -1, /**/ 10, 10, 20, 30, 40}},
      // Nibbles alternate in a run; 3 literal nibbles take one WORD; the
      // codes end without an end-of-image code, and a run past the width is cut.
      {4, std::string("\x07\x12\x00\x00\x00\x03\x34\x50", 8),
       {-1, -1, -1, -1, -1, /**/ 51, 68, 85, -1, -1, /**/ 17, 34, 17, 34, 17}},
  };
  for (const auto& [bits, codes, dots] : runs) {
    ImageDC img(5, 3, kGrey);
    const cmdtest::DibRecipe recipe{.width = 5, .height = 3, .bitCount = bits, 
                                    .colors = cmdtest::GreyPalette(1 << bits)};
    draw(img, cmdtest::RunLengthDib(recipe, codes), codes.size(), {0, 0, 5, 3}, 5, 3);
    std::vector<COLORREF> expected;
    for (int v : dots) expected.push_back(v < 0 ? kGrey : RGB(v, v, v));
    EXPECT_EQ(img.Pixels().pixels, expected) << bits;
  }

  // A bitmap selected into one device cannot go into another; a monochrome
  // source takes the text and background colours; raster operations.
  ImageDC two(2, 1), one(1, 1);
  CDC maskDC, imageDC;
  ASSERT_TRUE(maskDC.CreateCompatibleDC(&two.dc) && imageDC.CreateCompatibleDC(&two.dc));
  CBitmap mono, colour;
  const unsigned char monoBits[] = {0x40, 0};                // black, white
  const unsigned char colourBits[] = {0x0F, 0xF0, 0xCC, 0};  // blue, green, red, unused
  ASSERT_TRUE(mono.CreateBitmap(2, 1, 1, 1, monoBits) && colour.CreateBitmap(1, 1, 1, 32, colourBits));
  CBitmap* oldMask = maskDC.SelectObject(&mono);
  two.dc.SetTextColor(kBlue);
  two.dc.SetBkColor(kGreen);
  EXPECT_EQ(imageDC.SelectObject(&mono), nullptr);  // taken
  two.dc.StretchBlt(0, 0, 2, 1, &maskDC, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(Picture(two.Pixels()), "BG");
  maskDC.SelectObject(&colour);
  const COLORREF s = RGB(0xCC, 0xF0, 0x0F);
  const std::tuple<DWORD, COLORREF, COLORREF> rops[] = {
      {SRCCOPY, RGB(1, 2, 3), s},                               {BLACKNESS, RGB(9, 9, 9), kBlack},
      {SRCAND, RGB(0xAA, 0xAA, 0xAA), RGB(0x88, 0xA0, 0x0A)},   {NOTSRCCOPY, RGB(0, 0, 0), RGB(0x33, 0x0F, 0xF0)},
      {SRCPAINT, RGB(0x11, 1, 0x10), RGB(0xDD, 0xF1, 0x1F)},    {DSTINVERT, RGB(16, 32, 48), RGB(0xEF, 0xDF, 0xCF)},
      {SRCINVERT, RGB(255, 255, 255), RGB(0x33, 0x0F, 0xF0)},   {SRCERASE, RGB(0xF0, 0xF0, 0xF0), RGB(0x0C, 0, 0x0F)},
  };
  for (auto [rop, dest, expected] : rops) {
    CBrush fill(dest);
    one.dc.FillRect(&one.all, &fill);
    one.dc.BitBlt(0, 0, 1, 1, &maskDC, 0, 0, rop);
    EXPECT_EQ(one.Pixels().At(0, 0), expected) << std::hex << rop;
  }
  maskDC.SelectObject(oldMask);

  // A thin line; a rectangle filled inside its border; a thick pen centred on its line.
  ImageDC thin(3, 8), box(11, 9), wide(100, 100);
  CBrush green(kGreen);
  CPen thick(PS_SOLID, 3, kRed);
  thin.dc.MoveTo(1, 1);
  thin.dc.LineTo(1, 6);
  EXPECT_EQ(Picture(thin.Pixels()), "WWW WKW WKW WKW WKW WKW WWW WWW");
  Selected(box.dc, &green, [&] { box.dc.Rectangle(2, 2, 10, 8); });
  EXPECT_EQ(Picture(box.Pixels()), "WWWWWWWWWWW WWWWWWWWWWW WWKKKKKKKKW WWKGGGGGGKW WWKGGGGGGKW WWKGGGGGGKW "
                                   "WWKGGGGGGKW WWKKKKKKKKW WWWWWWWWWWW");
  Selected(wide.dc, &thick, [&] { wide.dc.MoveTo(20, 50); wide.dc.LineTo(60, 50); });
  const auto px = wide.Pixels();
  EXPECT_EQ(std::tuple(px.At(40, 49), px.At(40, 51), px.At(40, 53)), std::tuple(kRed, kRed, kWhite));

  // Japanese text: clipped to its cell; a positive height is the cell, a
  // negative one the em; full-width characters are twice as wide; underlined;
  // on an opaque or transparent background (turned text is seen in the
  // vertical writing of the drawing tests).
  // Windows face names map to installed Japanese fonts; the image saves as
  // PNG; a render target draws a bitmap with opacity inside its bound area.
  // The printer device writes a PDF document.
  RECT cell{20, 20, 120, 50};
  ImageDC img(200, 80), unclipped(200, 80), sizes(400, 100), back(40, 40);
  FontIn font(img.dc, Gothic(24)), font2(unclipped.dc, Gothic(24));
  RECT measured{0, 52, 200, 80};  // measuring draws nothing
  img.dc.DrawText(u"電気", -1, &measured, DT_CALCRECT);
  img.dc.DrawText(u"電気設備工事見積書　御中", -1, &cell, DT_SINGLELINE | DT_VCENTER);
  unclipped.dc.DrawText(u"電気設備工事見積書　御中", -1, &cell, DT_SINGLELINE | DT_NOCLIP);
  const auto drawn = img.Pixels();
  const int in = Ink(drawn, cell), out = Ink(drawn, cell, true), beyond = Ink(unclipped.Pixels(), cell, true);
  EXPECT_TRUE(in > 200 && out == 0 && beyond > 100) << in << " " << out << " " << beyond;
  for (LONG h : {12, 24, 37, 100}) {
    FontIn sized(sizes.dc, Gothic(h));
    TEXTMETRICW tm;
    ASSERT_TRUE(sizes.dc.GetTextMetrics(&tm));
    EXPECT_EQ(std::tuple(sizes.dc.GetTextExtent(u"見").cy, tm.tmHeight, tm.tmAscent + tm.tmDescent,
                         tm.tmInternalLeading >= 0), std::tuple(h, h, h, true));
    EXPECT_NEAR(sizes.dc.GetTextExtent(u"見").cx, 2 * sizes.dc.GetTextExtent(u"0").cx, 1) << h;
  }
  FontIn unsized(sizes.dc, Gothic(0));  // height 0: 12 points
  EXPECT_EQ(sizes.dc.GetTextExtent(u"見").cy, 16);
  FontIn em(sizes.dc, Gothic(-40));
  const CSize emSize = sizes.dc.GetTextExtent(u"見");
  EXPECT_TRUE(emSize.cy > 40 && std::abs(emSize.cx - 40) <= 1) << emSize.cx << "x" << emSize.cy;
  FontIn scaled(sizes.dc, Gothic(40, 10));  // about half the natural average width
  const int ab = sizes.dc.GetTextExtent(u"AB").cx, full = sizes.dc.GetTextExtent(u"見").cx;
  EXPECT_TRUE(std::abs(ab - 20) <= 1 && std::abs(full - 20) <= 1 && sizes.dc.GetOutputTextExtent(u"AB", 2).cx == ab)
      << ab << " " << full;
  // The long-vowel mark has no ink low in its cell; only the underline puts some there.
  for (BYTE underline : {0, 1}) {
    ImageDC line(60, 30);
    LOGFONTW lf = Gothic(30);
    lf.lfUnderline = underline;
    FontIn marked(line.dc, lf);
    line.dc.TextOut(0, 0, u"ーー");
    const int low = Ink(line.Pixels(), RECT{0, 24, 60, 30});
    EXPECT_TRUE(underline ? low > 40 : low == 0) << low;
  }
  FontIn font4(back.dc, Gothic(30));
  back.dc.SetBkColor(RGB(255, 255, 0));
  back.dc.TextOut(0, 0, u"ー");  // OPAQUE by default: the cell is filled first
  back.dc.SetBkMode(TRANSPARENT);
  back.dc.SetBkColor(kBlue);
  back.dc.TextOut(0, 0, u"ー");
  EXPECT_EQ(std::pair(back.Pixels().At(1, 1), back.Pixels().At(1, 35)), std::pair(RGB(255, 255, 0), kWhite));

  const std::pair<std::u16string_view, const char*> faces[] = {
      {u"ＭＳ ゴシック", "IPAGothic"},   {u"ＭＳ　ゴシック", "IPAGothic"},  {u"@ＭＳ ゴシック", "IPAGothic"},
      {u"ＭＳ 明朝", "IPAMincho"},       {u"ＭＳ Ｐゴシック", "IPAPGothic"}, {u"ＭＳ Ｐ明朝", "IPAPMincho"},
      {u"", "IPAGothic"},                {u"No Such Face 123", "IPAGothic"}, {u"IPAMincho", "IPAMincho"},
  };
  for (auto [face, family] : faces) EXPECT_EQ(cmd::gdi::ResolveFontFamily(face), family) << CString(face).ToUtf8();

  cmdtest::TempDir dir;
  ImageDC small(10, 7);
  const std::string path = (dir / "cell.png").string();
  ASSERT_TRUE(cmd::gdi::SaveImagePng(small.dc, path));
  const std::string bytes = cmdtest::ReadBytes(path) + std::string(24, '\0');
  // The signature, then the width and height of the header chunk.
  EXPECT_EQ(cmdtest::Hex(bytes.substr(1, 3) + bytes.substr(16, 8)), "50 4E 47 00 00 00 0A 00 00 00 07");
  CDC recorder;
  recorder.Attach(cmd::gdi::CreateRecordingDC());
  EXPECT_FALSE(cmd::gdi::SaveImagePng(recorder, path));
  CBitmap red;
  const unsigned char bits[] = {0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0};
  red.CreateBitmap(2, 2, 1, 32, bits);
  CDCRenderTarget target;
  ASSERT_TRUE(target.BindDC(small.dc, RECT{2, 2, 10, 10}));
  CD2DBitmap bitmap(&target, static_cast<HBITMAP>(red));
  target.DrawBitmap(&bitmap, CD2DRectF(0, 0, 4, 4), 0.5f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
  const auto blended = small.Pixels();
  EXPECT_EQ(Ink(blended, RECT{2, 2, 6, 6}, true), 0);
  for (int i = 0; i < 16; ++i) {  // red at half opacity over white
    const COLORREF c = blended.At(2 + i % 4, 2 + i / 4);
    EXPECT_TRUE(GetRValue(c) == 255 && std::abs(GetGValue(c) - 128) <= 1 && std::abs(GetBValue(c) - 128) <= 1) << c;
  }

  // The printer device: pages with an embedded Japanese font, written at the
  // end of the job to the Windows path the job names; an aborted job writes nothing.
  const std::string pdf = (dir / "invoice.pdf").string();
  {
    CDC printer;
    printer.Attach(cmd::gdi::CreatePrinterDC(pdf));
    EXPECT_EQ(std::pair(printer.GetDeviceCaps(LOGPIXELSX), printer.GetDeviceCaps(HORZRES)), std::pair(300, 2480));
    ASSERT_GT(printer.StartDoc(u"請求書"), 0);
    for (const char16_t* title : {u"御請求書", u"合計金額"}) {
      ASSERT_GT(printer.StartPage(), 0);
      FontIn large(printer, Gothic(100));
      RECT line{300, 300, 2000, 450};
      printer.DrawText(title, -1, &line, DT_SINGLELINE | DT_VCENTER);
      ASSERT_GT(printer.EndPage(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(pdf));
    ASSERT_GT(printer.EndDoc(), 0);
  }
  ASSERT_EQ(std::system(("pdffonts '" + pdf + "' > '" + pdf + ".fonts' 2>&1").c_str()), 0);
  const std::string fonts = cmdtest::ReadBytes(pdf + ".fonts");
  EXPECT_TRUE(fonts.find("IPAGothic") != std::string::npos && fonts.find(" yes ") != std::string::npos)  // embedded
      << fonts;
  cmd::path::SetDriveRoot(u'Q', dir.str());
  HDC job = cmd::gdi::CreatePrinterDC((dir / "unused.pdf").string());
  DOCINFOW doc{sizeof(DOCINFOW), u"doc", u"Q:\\OUT.pdf", nullptr, 0};
  EXPECT_TRUE(StartDocW(job, &doc) > 0 && StartPage(job) > 0 && EndPage(job) > 0 && EndDoc(job) > 0 &&
              std::filesystem::exists(dir / "OUT.pdf"));
  EXPECT_TRUE(StartDocW(job, nullptr) > 0 && StartPage(job) > 0 && AbortDoc(job) > 0 &&
              !std::filesystem::exists(dir / "unused.pdf"));
  DeleteDC(job);
  cmd::path::SetDriveRoot(u'Q', "");
}

// ---------------------------------------------------------------- the recording device
// The recording device: the fixed metrics (a narrow character is half the
// height or lfWidth, any other twice that, whatever the escapement;
// justification widens breaks); every call kept with the state in force;
// DrawText's placing of lines by its format.
TEST(RecordingDevice, MetricsCallsDrawTextObjectsAndPrintJobs) {
  CDC dc;
  dc.Attach(cmd::gdi::CreateRecordingDC());
  CFont font;
  auto use = [&](const LOGFONTW& lf) {
    dc.SelectStockObject(SYSTEM_FONT);
    font.DeleteObject();
    font.CreateFontIndirect(&lf);
    dc.SelectObject(&font);
  };
  auto extent = [&](std::u16string_view text) {
    SIZE s{};
    EXPECT_TRUE(GetTextExtentPoint32W(dc.m_hAttribDC, text.data(), int(text.size()), &s));
    return std::pair(s.cx, s.cy);
  };
  auto ops = [&](OpKind kind) { return cmd::gdi::RecordedOps(dc, kind); };
  const std::tuple<LONG, LONG, LONG, std::u16string_view, LONG, LONG> metrics[] = {
      {-30, 0, 0, u"A見", 15 + 30, 30},    {0, 0, 0, u"A", 8, 16},              // 0 means 16
      {25, 0, 0, u"A", 12, 25},            {24, 10, 0, u"A見", 10 + 20, 24},
      {24, 0, 2700, u"ab", 24, 24},        {20, 0, 0, u"ｱｲﾞ", 30, 20},          // half-width kana
      {20, 0, 0, u"\uFF60\u3000", 40, 20}, {20, 0, 0, u"\r\n\t\u007F", 0, 20},  // controls: no room
      {20, 0, 0, u" ~", 20, 20},           {20, 0, 0, u"", 0, 20},
  };
  for (auto [height, width, escapement, text, cx, cy] : metrics) {
    use(Gothic(height, width, escapement));
    EXPECT_EQ(extent(text), std::pair(cx, cy)) << height << "/" << width;
  }
  use(Gothic(20));
  dc.SetTextJustification(7, 2);  // two of the three breaks share 7: 4 + 3
  const LONG justified[] = {extent(u"a b c d").first, extent(u"a b").first};
  dc.SetTextJustification(0, 0);
  EXPECT_EQ(std::tuple(justified[0], justified[1], extent(u"a b").first), std::tuple(7 * 10 + 7, 3 * 10 + 4, 30));

  LOGFONTW lf = Gothic(24, 0, 2700);
  lf.lfUnderline = 3;
  use(lf);
  dc.SetTextColor(RGB(1, 2, 3));
  CPen pen(PS_SOLID, 5, RGB(9, 8, 7));
  Selected(dc, &pen, [&] { dc.MoveTo(10, 20); dc.LineTo(10, 80); dc.TextOut(5, 6, u"字"); });
  const auto lines = ops(OpKind::LineTo), texts = ops(OpKind::TextOut), selects = ops(OpKind::SelectPen);
  ASSERT_EQ(std::tuple(lines.size(), texts.size(), selects.size()), std::tuple(1u, 1u, 2u));
  const auto& l = lines[0];
  const auto& t = texts[0];
  EXPECT_EQ(std::vector<LONG>({l.position.x, l.position.y, l.point.x, l.point.y, l.pen.lopnWidth.x,
                               LONG(l.pen.lopnColor)}), std::vector<LONG>({10, 20, 10, 80, 5, LONG(RGB(9, 8, 7))}));
  EXPECT_EQ(std::vector<LONG>({t.point.x, t.point.y, t.font.lfEscapement, t.font.lfUnderline, t.size.cx,
                               LONG(t.textColor)}), std::vector<LONG>({5, 6, 2700, 3, 24, LONG(RGB(1, 2, 3))}));
  EXPECT_EQ(t.text + u"/" + t.font.lfFaceName, u"字/ＭＳ ゴシック");
  // The pen selected, then the stock black pen again.
  EXPECT_EQ(std::pair(selects[0].selectedPen.lopnWidth.x, selects[1].selectedPen.lopnColor), std::pair(5, kBlack));
  cmd::gdi::RecordEverything(dc, false);
  cmd::gdi::ClearRecording(dc);
  extent(u"x");
  dc.SetTextColor(0);
  dc.TextOut(0, 0, u"x");
  EXPECT_EQ(cmd::gdi::RecordedOps(dc)->size(), 1u);  // only the drawing is kept
  cmd::gdi::RecordEverything(dc, true);

  use(Gothic(20));  // "ab" is 20 wide
  // Alignment, vertical centring on a single line only, line breaks,
  // prefixes, word breaks, no text at all: the result and "text@x,y" lines.
  const RECT box{10, 10, 110, 50}, page{0, 0, 100, 100};
  const std::tuple<const char16_t*, UINT, RECT, int, const char*> layouts[] = {
      {u"ab", DT_SINGLELINE, box, 20, "ab@10,10"},         {u"ab", DT_SINGLELINE | DT_CENTER, box, 20, "ab@50,10"},
      {u"ab", DT_SINGLELINE | DT_CENTER, {10, 10, 111, 50}, 20, "ab@50,10"},  // truncates
      {u"ab", DT_SINGLELINE | DT_RIGHT, box, 20, "ab@90,10"},
      {u"ab", DT_SINGLELINE | DT_VCENTER, box, 30, "ab@10,20"},  // offset to the bottom
      {u"ab", DT_SINGLELINE | DT_VCENTER, {10, 10, 110, 15}, 13, "ab@10,3"},   // (5 - 20) / 2 = -7
      {u"ab", DT_SINGLELINE | DT_BOTTOM, box, 40, "ab@10,30"}, {u"ab", DT_VCENTER, box, 20, "ab@10,10"},
      {u"ab\r\ncd\nef\rg", DT_NOPREFIX, page, 80, "ab@0,0 cd@0,20 ef@0,40 g@0,60"},
      {u"ab\r\ncd", DT_SINGLELINE, page, 20, "ab\r\ncd@0,0"}, {u"縦\n書\n", DT_CENTER, page, 60, "縦@40,0 書@40,20 @50,40"},
      {u"A&&B&c", DT_SINGLELINE, page, 20, "A&Bc@0,0"}, {u"A&&B", DT_SINGLELINE | DT_NOPREFIX, page, 20, "A&&B@0,0"},
      {u"ab cd ef", DT_WORDBREAK, {0, 0, 40, 100}, 60, "ab @0,0 cd @0,20 ef@0,40"}, {u"", DT_SINGLELINE, page, 0, ""},
  };
  auto placed = [&] {
    std::string s;
    const auto drawn = ops(OpKind::DrawText);
    for (const auto& line : drawn.back().lines)
      s += (s.empty() ? "" : " ") + Utf16ToUtf8(line.text) + "@" + std::to_string(line.x) + "," +
           std::to_string(line.y);
    return s;
  };
  for (auto [text, format, rect, result, lines] : layouts)
    EXPECT_EQ((std::tuple<int, std::string, UINT>{dc.DrawText(text, -1, &rect, format), placed(),
                                                  ops(OpKind::DrawText).back().flags}),
              std::tuple(result, std::string(lines), format)) << Utf16ToUtf8(text) << format;
  EXPECT_EQ(ops(OpKind::DrawText)[9].lines[0].width, 40);  // CR and LF take no room
  RECT calc{5, 5, 6, 6};
  EXPECT_EQ(dc.DrawText(u"abc\nde", -1, &calc, DT_CALCRECT), 40);
  EXPECT_EQ(std::tuple(calc.right, calc.bottom, placed(), ops(OpKind::DrawText).back().rectOut.bottom),
            std::tuple(5 + 30, 5 + 40, std::string(), 5 + 40));
  EXPECT_EQ(DrawTextW(dc, nullptr, 3, &calc, 0), 0);
  dc.SelectStockObject(SYSTEM_FONT);

  // Selected objects (also by a saved state) are not deleted; creating into an
  // occupied object fails; handles map back to their owners; counts balance;
  // handles that are not the library's fail quietly; palettes keep their
  // entries; devices answer for their resolution, through the attribute
  // handle; print jobs run in order, a page only inside a document.
  const int before = cmd::gdi::LiveObjectCount();
  CDC objects;
  objects.Attach(cmd::gdi::CreateRecordingDC());
  CFont* stock = objects.GetCurrentFont();
  ASSERT_NE(stock, nullptr);
  LOGFONTW record{};
  EXPECT_EQ((std::pair<int, LONG>{stock->GetLogFont(&record), record.lfHeight}), std::pair(int(sizeof record), 16));
  record = Gothic(12);
  CFont twelve;
  ASSERT_TRUE(twelve.CreateFontIndirect(&record));
  const HGDIOBJ first = twelve.m_hObject;
  EXPECT_FALSE(twelve.CreateFontIndirect(&record));  // occupied: nothing made
  EXPECT_EQ(std::tuple(twelve.m_hObject, cmd::gdi::LiveObjectCount(), CFont::FromHandle(twelve)),
            std::tuple(first, before + 2, &twelve));  // the DC and the font
  // Selected, not deleted while selected, deselected.
  EXPECT_EQ((std::tuple<CFont*, BOOL, CFont*>{objects.SelectObject(&twelve), DeleteObject(twelve.m_hObject),
                                               objects.SelectObject(stock)}), std::tuple(stock, FALSE, &twelve));
  EXPECT_TRUE(twelve.DeleteObject() && !DeleteObject(first));  // nothing left to delete the second time
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)) && GetObjectType(GetStockObject(BLACK_PEN)));  // stock: stays
  CPen red(PS_SOLID, 1, kRed), blue(PS_SOLID, 1, kBlue);
  EXPECT_EQ((std::pair<BOOL, int>{red.CreatePen(PS_DASH, 1, 0), cmd::gdi::LiveObjectCount()}),
            std::pair(FALSE, before + 3));  // the DC and the two pens
  CPen* stockPen = objects.SelectObject(&red);
  EXPECT_EQ(objects.SaveDC(), 1);
  objects.SelectObject(&blue);
  objects.SetTextColor(kGreen);
  EXPECT_TRUE(!DeleteObject(red.m_hObject) && objects.RestoreDC(-1));  // held by the saved state
  EXPECT_EQ(std::pair(objects.GetTextColor(), objects.GetCurrentPen()), std::pair(kBlack, &red));
  EXPECT_TRUE(blue.DeleteObject() && !objects.RestoreDC(-1));  // nothing saved any more
  objects.SelectObject(stockPen);
  EXPECT_TRUE(red.DeleteObject());
  auto* foreign = reinterpret_cast<HGDIOBJ>(0x1234);
  EXPECT_EQ(std::tuple(CGdiObject::FromHandle(foreign), SelectObject(objects, foreign),
                       objects.SelectObject(static_cast<CFont*>(nullptr))), std::tuple(nullptr, nullptr, nullptr));
  HDC bogus = reinterpret_cast<HDC>(0x4321);
  SIZE s{};
  EXPECT_EQ(std::vector<int>({GetTextExtentPoint32W(bogus, u"a", 1, &s), GetDeviceCaps(bogus, LOGPIXELSX),
                              TextOutW(bogus, 0, 0, u"a", 1), DeleteDC(bogus), int(SetTextColor(bogus, 0))}),
            std::vector<int>({0, 0, 0, 0, int(CLR_INVALID)}));
  EXPECT_EQ(std::tuple(CreateCompatibleDC(bogus), CreateFontIndirectW(nullptr), CreatePalette(nullptr)),
            std::tuple(nullptr, nullptr, nullptr));

  alignas(LOGPALETTE) unsigned char buffer[sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY)];
  auto* lp = reinterpret_cast<LOGPALETTE*>(buffer);
  *lp = {0x300, 3, {{1, 2, 3, 0}}};
  lp->palPalEntry[1] = {4, 5, 6, 0};
  lp->palPalEntry[2] = {7, 8, 9, 0};
  HPALETTE pal = CreatePalette(lp);
  PALETTEENTRY got[3];
  EXPECT_EQ((std::pair<UINT, BYTE>{GetPaletteEntries(pal, 1, 5, got), got[1].peBlue}), std::pair(2u, BYTE(9)));
  // Another version; no entries.
  EXPECT_EQ((std::vector<HPALETTE>{(lp->palVersion = 0x200, CreatePalette(lp)),
                                   (*lp = {0x300, 0, {}}, CreatePalette(lp))}),
            (std::vector<HPALETTE>{nullptr, nullptr}));
  HPALETTE def = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  PALETTEENTRY statics[20];
  std::string colours;
  for (int i = 0; i < int(GetPaletteEntries(def, 0, 20, statics)); ++i)
    colours += cmdtest::Hex(std::string(reinterpret_cast<const char*>(&statics[i]), 3)) + "|";
  EXPECT_EQ(colours, "00 00 00|80 00 00|00 80 00|80 80 00|00 00 80|80 00 80|00 80 80|C0 C0 C0|C0 DC C0|A6 CA F0|"
                     "FF FB F0|A0 A0 A4|80 80 80|FF 00 00|00 FF 00|FF FF 00|00 00 FF|FF 00 FF|00 FF FF|FF FF FF|");
  // Selected, realised, not deletable while selected; deselected and deleted.
  // Handles that are not a device or a palette change nothing.
  EXPECT_EQ((std::vector<UINT_PTR>{GetPaletteEntries(def, 0, 0, nullptr), UINT_PTR(SelectPalette(objects, pal, TRUE)),
                                   UINT_PTR(SelectPalette(nullptr, pal, FALSE)),
                                   UINT_PTR(SelectPalette(objects, nullptr, FALSE)), RealizePalette(objects),
                                   UINT_PTR(DeleteObject(pal)), UINT_PTR(SelectPalette(objects, def, TRUE)),
                                   UINT_PTR(DeleteObject(pal))}),
            (std::vector<UINT_PTR>{20, UINT_PTR(def), 0, 0, 3, FALSE, UINT_PTR(pal), TRUE}));
  const auto realized = cmd::gdi::RecordedOps(objects, OpKind::RealizePalette);
  ASSERT_EQ(realized.size(), 1u);
  EXPECT_EQ(std::tuple(realized[0].palette.size(), realized[0].palette.at(2).peRed, realized[0].flags),
            std::tuple(std::size_t(3), BYTE(7), 1u));  // in the background, as selected
  objects.DeleteDC();
  EXPECT_EQ(cmd::gdi::LiveObjectCount(), before);

  const std::tuple<int, bool, int> devices[] = {{96, false, 1920}, {300, true, 2480}, {600, true, 4961}};
  for (auto [dpi, printer, horz] : devices) {
    CDC device;
    device.Attach(cmd::gdi::CreateRecordingDC(dpi, printer));
    EXPECT_EQ(std::vector<int>({device.GetDeviceCaps(LOGPIXELSX), device.GetDeviceCaps(LOGPIXELSY),
                                device.GetDeviceCaps(TECHNOLOGY), device.GetDeviceCaps(HORZRES), device.IsPrinting()}),
              std::vector<int>({dpi, dpi, printer ? DT_RASPRINTER : DT_RASDISPLAY, horz, printer}));
  }
  CDC image;
  image.Attach(cmd::gdi::CreateImageDC(320, 200, 120));
  HDC printer = cmd::gdi::CreateRecordingDC(300, true);
  EXPECT_EQ((std::vector<int>{image.GetDeviceCaps(HORZRES), image.GetDeviceCaps(VERTRES),
                              image.GetDeviceCaps(LOGPIXELSX),
                              (image.SetAttribDC(printer), image.GetDeviceCaps(LOGPIXELSX))}),
            (std::vector<int>{320, 200, 120, 300}));
  image.SetAttribDC(image.m_hDC);
  DOCINFOW doc{sizeof(DOCINFOW), u"見積書", nullptr, nullptr, 0};
  // No page before the document; none to end twice.
  EXPECT_EQ(std::vector<int>({StartPage(printer), StartDocW(printer, &doc) > 0, StartPage(printer) > 0,
                              EndPage(printer) > 0, EndPage(printer), EndDoc(printer) > 0}),
            std::vector<int>({SP_ERROR, 1, 1, 1, SP_ERROR, 1}));
  std::vector<OpKind> kinds;
  for (const auto& op : *cmd::gdi::RecordedOps(printer)) kinds.push_back(op.kind);
  EXPECT_EQ(kinds, (std::vector<OpKind>{OpKind::StartPage, OpKind::StartDoc, OpKind::StartPage, OpKind::EndPage,
                                        OpKind::EndPage, OpKind::EndDoc}));
  EXPECT_EQ(cmd::gdi::RecordedOps(printer, OpKind::StartDoc)[0].text, u"見積書");
  DeleteDC(printer);
}

// ---------------------------------------------------------------- windows
// Text is cut to the caller's buffer; dialog items are direct children only;
// a window is destroyed before its children; a combo box keeps its list and
// shows its selection.
TEST(Ui, WindowsControlsInputContextsQueuesMenusResourcesAndMemory) {
  std::vector<HWND> destroyed;
  auto proc = [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_DESTROY) destroyed.push_back(h);
    return DefWindowProcW(h, m, wp, lp);
  };
  HWND dialog = cmd::ui::CreateTestWindow(u"#32770", u"", nullptr, 0, proc);
  HWND a = cmd::ui::CreateTestWindow(u"EDIT", u"abcdef", dialog, 5, proc);
  HWND b = cmd::ui::CreateTestWindow(u"STATIC", u"", a, 6, proc);
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ((std::vector<int>{GetWindowTextW(a, small, 4), GetWindowTextW(a, small, 0), GetWindowTextLengthW(a),
                              int(GetDlgItemTextW(dialog, 5, small, 4)), GetDlgCtrlID(a)}),
            (std::vector<int>{3, 0, 6, 3, 5}));
  EXPECT_EQ(std::u16string(small), u"abc");
  EXPECT_EQ(std::tuple(GetDlgItem(dialog, 5), GetDlgItem(dialog, 6), GetParent(b)), std::tuple(a, HWND(), a));
  EXPECT_TRUE(IsChild(dialog, b) && !IsChild(b, dialog) && SetDlgItemTextW(dialog, 5, u"second") &&
              SetWindowTextW(b, nullptr));
  CString s;
  CWnd::FromHandle(dialog)->GetDlgItem(5)->GetWindowTextW(s);
  EXPECT_EQ(std::pair(s, Text(b)), std::pair(CString(u"second"), std::u16string()));
  EXPECT_TRUE(CWnd::FromHandle(a) == CWnd::FromHandle(a) &&
              !cmd::ui::CreateTestWindow(u"EDIT", u"", reinterpret_cast<HWND>(0x99), 1));
  DestroyWindow(dialog);
  EXPECT_EQ(destroyed, (std::vector<HWND>{dialog, a, b}));
  EXPECT_FALSE(IsWindow(a) || IsWindow(b) || SetWindowTextW(a, u"gone"));
  EXPECT_EQ((std::pair<int, char16_t>{GetWindowTextW(a, small, 4), small[0]}), std::pair(0, u'\0'));

  HWND combo = cmd::ui::CreateTestWindow(u"ComboBox", u"");
  auto send = [&](UINT m, WPARAM wp = 0, const void* lp = nullptr) {
    return SendMessageW(combo, m, wp, reinterpret_cast<LPARAM>(lp));
  };
  char16_t item[8] = {};
  // No selection; two items added and counted; the second selected; an
  // item's text, one past the end, a length; no selection again.
  EXPECT_EQ((std::vector<LRESULT>{send(CB_GETCURSEL), send(CB_ADDSTRING, 0, u"[-a-]"), send(CB_ADDSTRING, 0, u"[-c-]"),
                                  send(CB_GETCOUNT), send(CB_SETCURSEL, 1), send(CB_GETLBTEXT, 0, item),
                                  send(CB_GETLBTEXT, 2, item), send(CB_GETLBTEXTLEN, 1)}),
            (std::vector<LRESULT>{CB_ERR, 0, 1, 2, 1, 5, CB_ERR, 5}));
  EXPECT_EQ(Text(combo) + u"|" + item, u"[-c-]|[-a-]");
  EXPECT_EQ((std::pair<LRESULT, std::u16string>{send(CB_SETCURSEL, WPARAM(-1)), Text(combo)}), std::pair(CB_ERR, u""s));
  EXPECT_EQ((std::vector<LRESULT>{send(CB_SETCURSEL, 0), send(CB_RESETCONTENT), send(CB_GETCOUNT), send(CB_GETCURSEL),
                                  LRESULT(Text(combo).size())}), (std::vector<LRESULT>{0, CB_OKAY, 0, CB_ERR, 0}));
  DestroyWindow(combo);

  // A window's own input context stays; an associated one replaces it until
  // destroyed; the composition string is read in whole units.
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"");
  HIMC own = ImmGetContext(w);
  ASSERT_NE(own, nullptr);
  cmd::ui::SetCompositionString(own, u"かな");
  char16_t buffer[8] = {};
  // Released but not destroyed; the composition's size in bytes, then read
  // into 3 bytes (one whole unit); no result string; an unknown index.
  EXPECT_EQ((std::vector<LONG>{ImmReleaseContext(w, own), ImmDestroyContext(own),
                               ImmGetCompositionStringW(own, GCS_COMPSTR, nullptr, 0),
                               ImmGetCompositionStringW(own, GCS_COMPSTR, buffer, 3),
                               ImmGetCompositionStringW(own, GCS_RESULTSTR, buffer + 2, 16),
                               ImmGetCompositionStringW(own, 0x1234, buffer + 2, 16),
                               ImmGetCompositionStringW(nullptr, GCS_COMPSTR, buffer + 2, 16), buffer[0]}),
            (std::vector<LONG>{TRUE, FALSE, 4, 2, 0, IMM_ERROR_GENERAL, IMM_ERROR_GENERAL, u'か'}));
  HIMC mine = ImmCreateContext();
  EXPECT_EQ(ImmAssociateContext(w, mine), own);
  EXPECT_TRUE(ImmSetOpenStatus(mine, TRUE) && ImmGetOpenStatus(ImmGetContext(w)) && !ImmReleaseContext(w, own));
  EXPECT_TRUE(ImmDestroyContext(mine) && !ImmGetContext(w) && !ImmSetOpenStatus(mine, TRUE));
  DestroyWindow(w);
  EXPECT_FALSE(ImmGetOpenStatus(own));

  // Queues filter by window (with its descendants) and message range; another
  // thread has its own queue and can post into this one; keys translate to
  // characters by the shift state; a destroyed window's messages are dropped.
  HWND parent = cmd::ui::CreateTestWindow(u"MAIN", u"");
  HWND child = cmd::ui::CreateTestWindow(u"EDIT", u"", parent, 1);
  HWND other = cmd::ui::CreateTestWindow(u"MAIN", u"");
  EXPECT_TRUE(PostMessageW(other, WM_USER + 1, 0, 0) && PostMessageW(child, WM_USER + 2, 0, 0) &&
              PostMessageW(nullptr, WM_USER + 3, 0, 0) && !PostMessageW(reinterpret_cast<HWND>(0x77), WM_USER, 0, 0));
  MSG msg;
  auto peek = [&](HWND window, UINT first, UINT last, UINT flags) {  // the WM_USER offset, or -1 for none
    return PeekMessageW(&msg, window, first, last, flags) ? int(msg.message - WM_USER) : -1;
  };
  // A descendant's message, left queued; a thread message; none in a range; one exact message.
  EXPECT_EQ((std::vector<int>{peek(parent, 0, 0, PM_NOREMOVE), peek(reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE),
                              peek(nullptr, WM_USER + 5, WM_USER + 9, PM_REMOVE),
                              peek(nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE)}),
            (std::vector<int>{2, 3, -1, 2}));
  EXPECT_EQ(msg.hwnd, child);
  std::thread worker([&] {
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    PostMessageW(parent, WM_USER + 4, 44, 0);
    PostQuitMessage(0);
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), 0);
  });
  worker.join();
  // The other window's message, then the worker's; a window that is none.
  EXPECT_EQ((std::vector<WPARAM>{WPARAM(GetMessageW(&msg, nullptr, 0, 0)), msg.message,
                                 WPARAM(GetMessageW(&msg, nullptr, 0, 0)), msg.message, msg.wParam,
                                 WPARAM(GetMessageW(&msg, reinterpret_cast<HWND>(0x77), 0, 0))}),
            (std::vector<WPARAM>{TRUE, WM_USER + 1, TRUE, WM_USER + 4, 44, WPARAM(-1)}));
  DestroyWindow(parent);
  DestroyWindow(other);

  std::vector<WPARAM> chars;
  HWND keys = cmd::ui::CreateTestWindow(u"EDIT", u"", nullptr, 0, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_CHAR) chars.push_back(wp);
    return m == WM_USER ? 77 : DefWindowProcW(h, m, wp, lp);
  });
  SHORT shift = 0;
  SetKeyStateHook([&](int vk) { return vk == VK_SHIFT ? shift : SHORT(0); });
  for (WPARAM key : {WPARAM('A'), WPARAM('7'), WPARAM(VK_LEFT), WPARAM('B')}) {
    if (key == 'B') shift = SHORT(0x8000);
    MSG down{keys, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_TRUE(TranslateMessage(&down));
  }
  MSG user{keys, WM_USER, 0, 0, 0, {}};
  EXPECT_EQ((std::pair<BOOL, LRESULT>{TranslateMessage(&user), DispatchMessageW(&user)}), std::pair(FALSE, 77L));
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', '7', 'B'}));
  SetKeyStateHook({});
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
  PostMessageW(keys, WM_USER, 0, 0);
  DestroyWindow(keys);
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && DispatchMessageW(&msg) == 0);  // queued, then dropped

  // Menu templates round trip, and every truncated, extended or too deep one
  // is refused without reading past its end; built menus, the pick of a popup
  // (a disabled or unknown item is none), menus from resources.
  using Item = cmd::ui::MenuTemplateItem;
  std::string bytes = cmd::ui::BuildMenuTemplate(
      {Item{u"&File", {Item{u"Open", 10}, Item{}, Item{u"Exit", 11, MF_GRAYED}}}, Item{u"Help", 20}});
  HMENU menu = LoadMenuIndirectW(bytes.data(), bytes.size());
  ASSERT_NE(menu, nullptr);
  HMENU file = GetSubMenu(menu, 0);
  // Counts, identifiers (none for a popup), states (a popup's holds its count), a length.
  EXPECT_EQ((std::vector<UINT>{UINT(GetMenuItemCount(menu)), GetMenuItemID(menu, 0), GetMenuItemID(menu, 1),
                               UINT(GetMenuItemCount(file)), GetMenuState(file, 1, MF_BYPOSITION),
                               GetMenuState(menu, 11, MF_BYCOMMAND), GetMenuState(menu, 0, MF_BYPOSITION),
                               UINT(GetMenuStringW(menu, 10, nullptr, 0, MF_BYCOMMAND)), UINT(GetMenuItemCount(nullptr))}),
            (std::vector<UINT>{2, UINT(-1), 20, 3, MF_SEPARATOR, MF_GRAYED, (3u << 8) | MF_POPUP, 4, UINT(-1)}));
  DestroyMenu(menu);
  EXPECT_FALSE(IsMenu(file));
  for (std::size_t n = 5; n < bytes.size(); ++n) {
    std::vector<char> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_EQ(LoadMenuIndirectW(cut.data(), cut.size()), nullptr) << n;
  }
  std::string deep = std::string(4, '\0');
  for (int i = 0; i < 100; ++i) deep += std::string("\x10\x00\x41\x00\x00\x00", 6);
  for (const std::string& bad : {std::string("\x01"), std::string("\x01\x00\x04\x00", 4), deep})
    EXPECT_EQ(LoadMenuIndirectW(bad.data(), bad.size()), nullptr);

  HMENU bar = CreateMenu(), popup = CreatePopupMenu();
  EXPECT_TRUE(AppendMenuW(popup, MF_STRING, 7, u"Seven") && AppendMenuW(popup, MF_STRING | MF_DISABLED, 8, u"Eight") &&
              AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), u"Menu"));
  EXPECT_FALSE(AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), u"Loop"));
  HWND owner = cmd::ui::CreateTestWindow(u"MAIN", u"");
  UINT pick = 7;
  cmd::ui::SetTrackPopupMenuHook([&](HMENU, UINT, int, int, HWND) { return pick; });
  auto track = [&](HMENU m, UINT chosen, UINT flags = 0) {
    pick = chosen;
    return TrackPopupMenu(m, flags, 0, 0, 0, owner, nullptr);
  };
  // Returned: the pick, none for a disabled item; an item not in the menu
  // posts nothing; no owner window, no menu: nothing shown. (A pick posted
  // as a command is the input helpers' concern.)
  EXPECT_EQ((std::vector<BOOL>{track(bar, 7, TPM_RETURNCMD), track(bar, 8, TPM_RETURNCMD), track(popup, 99),
                               PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE),
                               TrackPopupMenu(popup, 0, 0, 0, 0, nullptr, nullptr)}),
            (std::vector<BOOL>{7, 0, TRUE, FALSE, FALSE}));
  cmd::ui::SetTrackPopupMenuHook({});
  EXPECT_TRUE(track(popup, 7, TPM_RETURNCMD) == 0 && DestroyMenu(bar) && !IsMenu(popup) && !track(popup, 7));
  DestroyWindow(owner);

  HINSTANCE module = cmd::res::NewModuleHandle();
  cmd::res::Register(module, RT_MENU, u"Context", cmd::ui::BuildMenuTemplate({{u"x", 3}}));
  cmd::res::Register(module, RT_MENU, MAKEINTRESOURCEW(9), "junk");
  menu = LoadMenuW(module, u"context");
  EXPECT_EQ(GetMenuItemID(menu, 0), 3u);
  DestroyMenu(menu);
  EXPECT_EQ((std::pair<HMENU, DWORD>{LoadMenuW(module, u"other"), GetLastError()}),
            std::pair(HMENU(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND)));
  EXPECT_EQ((std::pair<HMENU, DWORD>{LoadMenuW(module, MAKEINTRESOURCEW(9)), GetLastError()}),
            std::pair(HMENU(), DWORD(ERROR_INVALID_DATA)));
  cmd::res::RemoveModule(module);

  // The resource chain finds the module holding a resource, else the first;
  // strings are cut to the buffer; fixed and moveable memory blocks lock,
  // unlock and free as Windows counts them.
  const std::vector<HINSTANCE> loaded = cmd::res::Chain();  // the library's own module
  for (HINSTANCE m : loaded) cmd::res::RemoveFromChain(m);
  HINSTANCE program = cmd::res::NewModuleHandle(), extension = cmd::res::NewModuleHandle();
  for (HINSTANCE m : {program, extension, program}) cmd::res::AddToChain(m);  // once only
  cmd::res::Register(extension, RT_MENU, MAKEINTRESOURCEW(7), "menu");
  EXPECT_EQ(std::tuple(AfxFindResourceHandle(MAKEINTRESOURCEW(7), RT_MENU),
                       AfxFindResourceHandle(MAKEINTRESOURCEW(8), RT_MENU), cmd::res::Chain().size()),
            std::tuple(extension, program, std::size_t(2)));
  cmd::res::RegisterString(program, 5, u"工事材料");
  char16_t text[3];
  EXPECT_EQ((std::pair<int, std::u16string>{LoadStringW(program, 5, text, 3), text}), std::pair(2, u"工事"s));
  EXPECT_EQ((std::pair<int, char16_t>{LoadStringW(program, 6, text, 3), text[0]}), std::pair(0, u'\0'));
  cmd::res::RemoveModule(program);
  cmd::res::RemoveModule(extension);
  EXPECT_TRUE(cmd::res::Chain().empty());
  for (HINSTANCE m : loaded) cmd::res::AddToChain(m);

  HGLOBAL fixed = GlobalAlloc(GPTR, 16);
  ASSERT_NE(fixed, nullptr);
  EXPECT_TRUE(GlobalLock(fixed) == fixed && static_cast<unsigned char*>(fixed)[15] == 0 && GlobalSize(fixed) == 16);
  EXPECT_EQ(GlobalFree(fixed), nullptr);
  HGLOBAL moveable = GlobalAlloc(GHND, 8);
  void* p = GlobalLock(moveable);
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p != moveable && GlobalLock(moveable) == p);
  // Unlocked to one lock, to none, not locked; freed, no longer a block.
  EXPECT_EQ((std::vector<BOOL>{GlobalUnlock(moveable), GlobalUnlock(moveable), GlobalUnlock(moveable)}),
            (std::vector<BOOL>{TRUE, FALSE, FALSE}));
  EXPECT_EQ((std::vector<HGLOBAL>{GlobalFree(moveable), GlobalFree(moveable), GlobalLock(moveable)}),
            (std::vector<HGLOBAL>{nullptr, moveable, nullptr}));
  EXPECT_EQ(GlobalSize(moveable), 0u);
}
