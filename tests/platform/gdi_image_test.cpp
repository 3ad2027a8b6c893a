// The Cairo back-ends: pixels of the image device (bitmaps, raster
// operations, lines, Japanese text clipped to its cell) and the PDF
// document of the printer device.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/d2d.h"
#include "cmddll3/platform/gdi.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/winpath.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

struct ImageDC {
  explicit ImageDC(int w, int h, int dpi = 96) { dc.Attach(cmd::gdi::CreateImageDC(w, h, dpi)); }
  cmd::gdi::Image Pixels() const {
    cmd::gdi::Image img;
    EXPECT_TRUE(cmd::gdi::GetImage(dc.m_hDC, img));
    return img;
  }
  CDC dc;
};

// Dots that are not white inside (or, with outside = true, outside) r.
int Ink(const cmd::gdi::Image& img, RECT r, bool outside = false) {
  int n = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
      if (in != outside && img.At(x, y) != kWhite) ++n;
    }
  return n;
}

LOGFONTW Gothic(LONG height) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  const char16_t face[] = u"ＭＳ ゴシック";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  lf.lfCharSet = DEFAULT_CHARSET;
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

std::string Shell(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  char buf[512];
  while (std::size_t n = fread(buf, 1, sizeof buf, pipe.get())) out.append(buf, n);
  return out;
}

}  // namespace

// ---------------------------------------------------------------- bitmaps
TEST(ImageDevice, StretchesAn8BitDibWithoutBlending) {
  cmdtest::DibRecipe recipe{.width = 2, .height = 2, .bitCount = 8,
                            .colors = cmdtest::GreyPalette(256)};
  recipe.colors[1] = cmdtest::Quad(255, 0, 0);
  recipe.colors[2] = cmdtest::Quad(0, 0, 255);
  std::string dib = cmdtest::PackedDib(recipe, [](int x, int y) { return y == 0 ? 1 + x : 0; });
  ImageDC img(10, 10);
  img.dc.SetStretchBltMode(COLORONCOLOR);
  auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  EXPECT_EQ(StretchDIBits(img.dc, 1, 1, 4, 4, 0, 0, 2, 2, dib.data() + 40 + 1024, info,
                          DIB_RGB_COLORS, SRCCOPY),
            2);
  auto px = img.Pixels();
  EXPECT_EQ(px.At(1, 1), RGB(255, 0, 0));  // top row, first dot, doubled
  EXPECT_EQ(px.At(2, 2), RGB(255, 0, 0));
  EXPECT_EQ(px.At(3, 1), RGB(0, 0, 255));
  EXPECT_EQ(px.At(4, 2), RGB(0, 0, 255));
  EXPECT_EQ(px.At(1, 3), kBlack);  // bottom row
  EXPECT_EQ(px.At(4, 4), kBlack);
  EXPECT_EQ(px.At(5, 5), kWhite);
  EXPECT_EQ(px.At(0, 0), kWhite);
}

TEST(ImageDevice, DecodesEveryBitDepth) {
  struct Case {
    int bits;
    DWORD compression;
    std::vector<DWORD> masks;
    std::uint32_t value;  // the pixel written
    COLORREF expected;
  };
  const Case cases[] = {
      {1, BI_RGB, {}, 1, RGB(255, 255, 255)},
      {4, BI_RGB, {}, 15, RGB(255, 255, 255)},
      {8, BI_RGB, {}, 0, RGB(0, 0, 0)},
      {16, BI_RGB, {}, 0x7C00, RGB(255, 0, 0)},                    // 5-5-5
      {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0x07E0, RGB(0, 255, 0)},  // 5-6-5
      {24, BI_RGB, {}, 0x123456, RGB(0x12, 0x34, 0x56)},
      {32, BI_RGB, {}, 0x00ABCDEF, RGB(0xAB, 0xCD, 0xEF)},
      {32, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}, 0x00102030, RGB(0x30, 0x20, 0x10)},
  };
  for (const auto& c : cases) {
    cmdtest::DibRecipe recipe{.width = 3, .height = 2, .bitCount = c.bits,
                              .compression = c.compression, .masks = c.masks};
    if (c.bits <= 8) recipe.colors = cmdtest::GreyPalette(1 << c.bits);
    std::string dib = cmdtest::PackedDib(recipe, [&](int x, int y) {
      return x == 2 && y == 1 ? c.value : 0;
    });
    cmd::gdi::BmpFile parsed;
    ASSERT_TRUE(cmd::gdi::ParsePackedDib(dib, parsed)) << c.bits;
    std::vector<std::uint32_t> block;
    ImageDC img(3, 2);
    StretchDIBits(img.dc, 0, 0, 3, 2, 0, 0, 3, 2, parsed.bits.data(), parsed.Info(block),
                  DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(img.Pixels().At(2, 1), c.expected) << c.bits << "/" << c.compression;
  }
}

TEST(ImageDevice, RunLengthImagesPaintOnlyTheirCodedDots) {
  // 5 x 3 on grey; rows are coded from the bottom. Dots a code skips (a
  // delta, the rest of a line, the lines after the end) stay grey.
  struct Case {
    int bits;
    std::string codes;
    std::vector<std::vector<int>> rows;  // grey levels from the top; -1 for the background
  };
  const Case cases[] = {
      // 2 dots of 10, 3 literal dots (padded), end of line; a delta of (1, 1)
      // to the top row, 1 dot of 50, end of image.
      {8, std::string("\x02\x0A\x00\x03\x14\x1E\x28\x00\x00\x00\x00\x02\x01\x01\x01\x32\x00\x01", 18),
       {{-1, 50, -1, -1, -1}, {-1, -1, -1, -1, -1}, {10, 10, 20, 30, 40}}},
      // Nibbles alternate in a run; 3 literal nibbles take one WORD; the
      // codes end without an end-of-image code, and a run past the width is cut.
      {4, std::string("\x07\x12\x00\x00\x00\x03\x34\x50", 8),
       {{-1, -1, -1, -1, -1}, {51, 68, 85, -1, -1}, {17, 34, 17, 34, 17}}},
  };
  for (const Case& c : cases) {
    cmdtest::DibRecipe recipe{.width = 5, .height = 3, .bitCount = c.bits,
                              .colors = cmdtest::GreyPalette(1 << c.bits)};
    std::string dib = cmdtest::RunLengthDib(recipe, c.codes);
    ImageDC img(5, 3);
    CBrush grey(RGB(128, 128, 128));
    RECT all{0, 0, 5, 3};
    img.dc.FillRect(&all, &grey);
    StretchDIBits(img.dc, 0, 0, 5, 3, 0, 0, 5, 3, dib.data() + dib.size() - c.codes.size(),
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
    auto px = img.Pixels();
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        int v = c.rows[std::size_t(y)][std::size_t(x)] < 0 ? 128 : c.rows[std::size_t(y)][std::size_t(x)];
        EXPECT_EQ(px.At(x, y), RGB(v, v, v)) << c.bits << " bits at " << x << "," << y;
      }
  }
}

TEST(ImageDevice, ShrinkingCombinesDotsByStretchMode) {
  // A 2 x 1 picture, black then white, shrunk to one dot.
  cmdtest::DibRecipe recipe{.width = 2, .bitCount = 24};
  std::string dib = cmdtest::PackedDib(recipe, [](int x, int) { return x ? 0xFFFFFFu : 0u; });
  auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  struct Case {
    int mode;
    COLORREF expected;
  };
  for (const Case c : {Case{BLACKONWHITE, kBlack}, Case{WHITEONBLACK, kWhite},
                       Case{COLORONCOLOR, kBlack}, Case{HALFTONE, RGB(127, 127, 127)}}) {
    ImageDC img(1, 1);
    img.dc.SetStretchBltMode(c.mode);
    StretchDIBits(img.dc, 0, 0, 1, 1, 0, 0, 2, 1, dib.data() + 40, info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(img.Pixels().At(0, 0), c.expected) << c.mode;
  }
  // A negative destination width mirrors.
  ImageDC mirrored(2, 1);
  StretchDIBits(mirrored.dc, 1, 0, -2, 1, 0, 0, 2, 1, dib.data() + 40, info, DIB_RGB_COLORS,
                SRCCOPY);
  EXPECT_EQ(mirrored.Pixels().At(0, 0), kWhite);
  EXPECT_EQ(mirrored.Pixels().At(1, 0), kBlack);
}

TEST(ImageDevice, MaskThenImageDrawsTransparently) {
  // Background grey; mask black in the left column; image red there, black elsewhere.
  ImageDC img(4, 2);
  CBrush grey(RGB(128, 128, 128));
  RECT all{0, 0, 4, 2};
  img.dc.FillRect(&all, &grey);
  CDC maskDC, imageDC;
  maskDC.CreateCompatibleDC(&img.dc);
  imageDC.CreateCompatibleDC(&img.dc);
  CBitmap mask, picture;
  const unsigned char maskBits[] = {0x7F, 0, 0x7F, 0};  // 1 bit a dot, WORD-aligned rows
  ASSERT_TRUE(mask.CreateBitmap(2, 2, 1, 1, maskBits));
  const unsigned char pictureBits[] = {0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0};
  ASSERT_TRUE(picture.CreateBitmap(2, 2, 1, 32, pictureBits));
  CBitmap* oldMask = maskDC.SelectObject(&mask);
  CBitmap* oldPicture = imageDC.SelectObject(&picture);
  img.dc.SetStretchBltMode(BLACKONWHITE);
  img.dc.StretchBlt(0, 0, 4, 2, &maskDC, 0, 0, 2, 2, SRCAND);
  img.dc.StretchBlt(0, 0, 4, 2, &imageDC, 0, 0, 2, 2, SRCPAINT);
  auto px = img.Pixels();
  EXPECT_EQ(px.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(px.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(px.At(2, 0), RGB(128, 128, 128));
  EXPECT_EQ(px.At(3, 1), RGB(128, 128, 128));
  maskDC.SelectObject(oldMask);
  imageDC.SelectObject(oldPicture);
}

TEST(ImageDevice, MonochromeSourcesTakeTheDestinationColours) {
  ImageDC img(2, 1);
  img.dc.SetTextColor(RGB(0, 0, 255));
  img.dc.SetBkColor(RGB(0, 255, 0));
  CDC mem;
  mem.CreateCompatibleDC(&img.dc);
  CBitmap bits;
  const unsigned char row[] = {0x40, 0};  // black, white
  bits.CreateBitmap(2, 1, 1, 1, row);
  CBitmap* old = mem.SelectObject(&bits);
  img.dc.BitBlt(0, 0, 2, 1, &mem, 0, 0, SRCCOPY);
  EXPECT_EQ(img.Pixels().At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(img.Pixels().At(1, 0), RGB(0, 255, 0));
  mem.SelectObject(old);
  // A bitmap lives in one memory DC at a time.
  CDC other;
  other.CreateCompatibleDC(&img.dc);
  mem.SelectObject(&bits);
  EXPECT_EQ(other.SelectObject(&bits), nullptr);
  mem.SelectObject(old);
}

TEST(ImageDevice, RasterOperationsFollowTheirTruthTables) {
  ImageDC img(1, 1);
  CDC mem;
  mem.CreateCompatibleDC(&img.dc);
  CBitmap bits;
  const unsigned char src[] = {0x0F, 0xF0, 0xCC, 0};  // blue, green, red, unused
  bits.CreateBitmap(1, 1, 1, 32, src);
  CBitmap* old = mem.SelectObject(&bits);
  struct Case {
    DWORD rop;
    COLORREF dest, expected;
  };
  const COLORREF s = RGB(0xCC, 0xF0, 0x0F);
  const Case cases[] = {
      {SRCCOPY, RGB(1, 2, 3), s},
      {SRCAND, RGB(0xAA, 0xAA, 0xAA), RGB(0x88, 0xA0, 0x0A)},
      {SRCPAINT, RGB(0x11, 0x01, 0x10), RGB(0xDD, 0xF1, 0x1F)},
      {SRCINVERT, RGB(0xFF, 0xFF, 0xFF), RGB(0x33, 0x0F, 0xF0)},
      {NOTSRCCOPY, RGB(0, 0, 0), RGB(0x33, 0x0F, 0xF0)},
      {DSTINVERT, RGB(0x10, 0x20, 0x30), RGB(0xEF, 0xDF, 0xCF)},
      {BLACKNESS, RGB(9, 9, 9), kBlack},
      {SRCERASE, RGB(0xF0, 0xF0, 0xF0), RGB(0x0C, 0x00, 0x0F)},  // S & ~D
  };
  for (const auto& c : cases) {
    CBrush fill(c.dest);
    RECT r{0, 0, 1, 1};
    img.dc.FillRect(&r, &fill);
    img.dc.BitBlt(0, 0, 1, 1, &mem, 0, 0, c.rop);
    EXPECT_EQ(img.Pixels().At(0, 0), c.expected) << std::hex << c.rop;
  }
  mem.SelectObject(old);
}

// ---------------------------------------------------------------- lines and shapes
TEST(ImageDevice, ThinLinesStopShortOfTheirEnd) {
  ImageDC img(100, 100);
  img.dc.MoveTo(10, 20);
  img.dc.LineTo(10, 80);
  auto px = img.Pixels();
  EXPECT_EQ(px.At(10, 20), kBlack);
  EXPECT_EQ(px.At(10, 79), kBlack);
  EXPECT_EQ(px.At(10, 80), kWhite);
  EXPECT_EQ(Ink(px, RECT{10, 20, 11, 80}, true), 0);

  CPen thick(PS_SOLID, 3, RGB(255, 0, 0));
  CPen* old = img.dc.SelectObject(&thick);
  img.dc.MoveTo(20, 50);
  img.dc.LineTo(60, 50);
  img.dc.SelectObject(old);
  px = img.Pixels();
  EXPECT_EQ(px.At(40, 49), RGB(255, 0, 0));
  EXPECT_EQ(px.At(40, 51), RGB(255, 0, 0));
  EXPECT_EQ(px.At(40, 53), kWhite);

  // A rectangle fills inside its border, which ends short of right and bottom.
  CBrush brush(RGB(0, 255, 0));
  CBrush* oldBrush = img.dc.SelectObject(&brush);
  img.dc.Rectangle(2, 2, 10, 8);
  img.dc.SelectObject(oldBrush);
  px = img.Pixels();
  EXPECT_EQ(px.At(2, 2), kBlack);
  EXPECT_EQ(px.At(9, 7), kBlack);
  EXPECT_EQ(px.At(5, 5), RGB(0, 255, 0));
  EXPECT_EQ(px.At(10, 5), kWhite);
  EXPECT_EQ(px.At(5, 8), kWhite);
}

// ---------------------------------------------------------------- text
TEST(ImageDevice, JapaneseTextStaysInsideItsCell) {
  RECT cell{20, 20, 120, 50};
  ImageDC img(200, 80), unclipped(200, 80);
  {
    FontIn font(img.dc, Gothic(24)), font2(unclipped.dc, Gothic(24));
    // Far wider than the cell: the drawing is clipped at the rectangle.
    img.dc.DrawText(u"電気設備工事見積書　御中", -1, &cell, DT_SINGLELINE | DT_VCENTER);
    unclipped.dc.DrawText(u"電気設備工事見積書　御中", -1, &cell, DT_SINGLELINE | DT_NOCLIP);
  }
  auto px = img.Pixels();
  EXPECT_GT(Ink(px, cell), 200);
  EXPECT_EQ(Ink(px, cell, true), 0);
  EXPECT_GT(Ink(unclipped.Pixels(), cell, true), 100);
}

TEST(ImageDevice, PositiveHeightIsTheCell) {
  ImageDC img(400, 100);
  for (LONG h : {12, 24, 37, 100}) {
    FontIn font(img.dc, Gothic(h));
    TEXTMETRICW tm;
    ASSERT_TRUE(img.dc.GetTextMetrics(&tm));
    EXPECT_EQ(img.dc.GetTextExtent(u"見").cy, h);
    EXPECT_EQ(tm.tmHeight, h);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, h);
    EXPECT_GE(tm.tmInternalLeading, 0);
    // Full-width characters are twice as wide as half-width ones.
    int narrow = img.dc.GetTextExtent(u"0").cx, wide = img.dc.GetTextExtent(u"見").cx;
    EXPECT_NEAR(wide, 2 * narrow, 1) << h;
  }
  {  // A negative height is the em: the cell is taller than it.
    FontIn em(img.dc, Gothic(-40));
    EXPECT_GT(img.dc.GetTextExtent(u"見").cy, 40);
    EXPECT_NEAR(img.dc.GetTextExtent(u"見").cx, 40, 1);
  }
  LOGFONTW lf = Gothic(40);
  lf.lfWidth = 10;  // about half the natural average width
  FontIn scaled(img.dc, lf);
  EXPECT_NEAR(img.dc.GetTextExtent(u"AB").cx, 20, 1);
  EXPECT_NEAR(img.dc.GetTextExtent(u"見").cx, 20, 1);
}

TEST(ImageDevice, EscapementTurnsTextClockwise) {
  ImageDC img(100, 100);
  LOGFONTW lf = Gothic(30);
  lf.lfEscapement = 2700;
  {
    FontIn font(img.dc, lf);
    img.dc.SetBkMode(TRANSPARENT);
    img.dc.TextOut(60, 10, u"「ー」");
  }
  auto px = img.Pixels();
  // The cell runs down from (60, 10) and to the left of x = 60.
  EXPECT_GT(Ink(px, RECT{30, 10, 60, 100}), 50);
  EXPECT_EQ(Ink(px, RECT{28, 8, 62, 100}, true), 0);
}

TEST(ImageDevice, UnderlineAndOpaqueBackground) {
  // The long-vowel mark has no ink low in its cell; only the underline puts some there.
  auto lowInk = [](BYTE underline) {
    ImageDC img(60, 30);
    LOGFONTW lf = Gothic(30);
    lf.lfUnderline = underline;
    FontIn font(img.dc, lf);
    img.dc.TextOut(0, 0, u"ーー");
    return Ink(img.Pixels(), RECT{0, 24, 60, 30});
  };
  EXPECT_EQ(lowInk(0), 0);
  EXPECT_GT(lowInk(1), 40);

  ImageDC img(40, 40);
  FontIn font(img.dc, Gothic(30));
  img.dc.SetBkColor(RGB(255, 255, 0));
  img.dc.TextOut(0, 0, u"ー");  // OPAQUE by default: the cell is filled first
  EXPECT_EQ(img.Pixels().At(1, 1), RGB(255, 255, 0));
  EXPECT_EQ(img.Pixels().At(1, 35), kWhite);
  img.dc.SetBkMode(TRANSPARENT);
  img.dc.SetBkColor(RGB(0, 0, 255));
  img.dc.TextOut(0, 0, u"ー");
  EXPECT_EQ(img.Pixels().At(1, 1), RGB(255, 255, 0));
}

TEST(FontFaces, WindowsNamesMapToInstalledJapaneseFonts) {
  struct Case {
    std::u16string_view face;
    const char* family;
  };
  const Case cases[] = {
      {u"ＭＳ ゴシック", "IPAGothic"},   {u"MS Gothic", "IPAGothic"},
      {u"ＭＳ　ゴシック", "IPAGothic"},  {u"@ＭＳ ゴシック", "IPAGothic"},
      {u"ＭＳ 明朝", "IPAMincho"},       {u"MS Mincho", "IPAMincho"},
      {u"ＭＳ Ｐゴシック", "IPAPGothic"}, {u"MS PGothic", "IPAPGothic"},
      {u"ＭＳ Ｐ明朝", "IPAPMincho"},     {u"MS UI Gothic", "IPAPGothic"},
      {u"メイリオ", "IPAPGothic"},       {u"", "IPAGothic"},
      {u"No Such Face 123", "IPAGothic"}, {u"IPAMincho", "IPAMincho"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(cmd::gdi::ResolveFontFamily(c.face), c.family) << CString(c.face).ToUtf8();
}

// ---------------------------------------------------------------- output files
TEST(ImageDevice, SavesPng) {
  cmdtest::TempDir dir;
  ImageDC img(7, 5);
  auto path = (dir / "cell.png").string();
  ASSERT_TRUE(cmd::gdi::SaveImagePng(img.dc, path));
  std::string bytes = cmdtest::ReadBytes(path);
  ASSERT_GT(bytes.size(), 24u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  EXPECT_EQ(std::uint8_t(bytes[19]), 7);  // IHDR width
  EXPECT_EQ(std::uint8_t(bytes[23]), 5);  // IHDR height
  HDC recorder = cmd::gdi::CreateRecordingDC();
  EXPECT_FALSE(cmd::gdi::SaveImagePng(recorder, path));
  DeleteDC(recorder);
}

TEST(ImageDevice, RenderTargetDrawsBitmapsWithOpacity) {
  ImageDC img(10, 10);
  CBitmap red;
  const unsigned char bits[] = {0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0};
  red.CreateBitmap(2, 2, 1, 32, bits);
  CDCRenderTarget target;
  ASSERT_TRUE(target.BindDC(img.dc, RECT{2, 2, 10, 10}));
  CD2DBitmap bitmap(&target, static_cast<HBITMAP>(red));
  target.DrawBitmap(&bitmap, CD2DRectF(0, 0, 4, 4), 0.5f,
                    D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR);
  auto px = img.Pixels();
  EXPECT_EQ(GetRValue(px.At(3, 3)), 255);
  EXPECT_NEAR(GetGValue(px.At(3, 3)), 128, 1);
  EXPECT_NEAR(GetBValue(px.At(5, 5)), 128, 1);
  EXPECT_EQ(px.At(1, 1), kWhite);
  EXPECT_EQ(px.At(6, 6), kWhite);
}

TEST(PrinterDevice, WritesPagesWithAnEmbeddedJapaneseFont) {
  cmdtest::TempDir dir;
  std::string path = (dir / "invoice.pdf").string();
  {
    CDC dc;
    dc.Attach(cmd::gdi::CreatePrinterDC(path));
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 300);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 2480);
    ASSERT_GT(dc.StartDoc(u"請求書"), 0);
    for (const char16_t* text : {u"御請求書", u"合計金額"}) {
      ASSERT_GT(dc.StartPage(), 0);
      {
        FontIn font(dc, Gothic(100));
        RECT cell{300, 300, 2000, 450};
        dc.DrawText(text, -1, &cell, DT_SINGLELINE | DT_VCENTER);
        dc.MoveTo(300, 460);
        dc.LineTo(2000, 460);
      }
      ASSERT_GT(dc.EndPage(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(path));  // written at the end of the job
    ASSERT_GT(dc.EndDoc(), 0);
  }
  ASSERT_TRUE(std::filesystem::exists(path));
  std::string fonts = Shell("pdffonts '" + path + "' 2>&1");
  EXPECT_NE(fonts.find("IPAGothic"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find(" yes "), std::string::npos) << fonts;  // embedded
  std::string text = Shell("pdftotext -enc UTF-8 '" + path + "' - 2>&1");
  EXPECT_NE(text.find("御請求書"), std::string::npos) << text;
  EXPECT_NE(text.find("合計金額"), std::string::npos) << text;
  std::string info = Shell("pdfinfo '" + path + "' 2>&1");
  auto pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::stoi(info.substr(pages + 6)), 2);
}

TEST(PrinterDevice, OutputPathIsAWindowsPathAndAbortWritesNothing) {
  cmdtest::TempDir dir;
  cmd::path::SetDriveRoot(u'Q', dir.str());
  HDC dc = cmd::gdi::CreatePrinterDC((dir / "unused.pdf").string());
  DOCINFOW doc{sizeof(DOCINFOW), u"doc", u"Q:\\OUT.pdf", nullptr, 0};
  ASSERT_GT(StartDocW(dc, &doc), 0);
  StartPage(dc);
  EndPage(dc);
  ASSERT_GT(EndDoc(dc), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "OUT.pdf"));
  EXPECT_FALSE(std::filesystem::exists(dir / "unused.pdf"));

  ASSERT_GT(StartDocW(dc, nullptr), 0);
  StartPage(dc);
  EXPECT_GT(AbortDoc(dc), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "unused.pdf"));
  DeleteDC(dc);
  cmd::path::SetDriveRoot(u'Q', "");
}
