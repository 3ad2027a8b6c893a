// Bitmaps and separators: bitmap files on disk, in-memory DIBs with their
// palettes, masked resources, the cell's rule and the render target. Files
// and blocks that lie about their sizes are never drawn.
#include <gtest/gtest.h>

#include "support/bmp_builder.h"
#include "support/test_support.h"
#include "text_fixture.h"

using drawtest::GdiOp;
using drawtest::OpKind;
using drawtest::Str;
using KindList = std::vector<OpKind>;

namespace {

class Bitmaps : public drawtest::TextDrawing {
 protected:
  CString Write(const std::string& name, const std::string& bytes) {
    cmdtest::WriteBytes(dir / name, bytes);
    return dir.win() + CString::FromUtf8(name);
  }
  // The only blit of a kind as "x y cx cy <- cx cy rop R mode M: pixels
  // of the source row by row"; the recording starts afresh.
  std::string Blit(OpKind kind, std::size_t index = 0) {
    auto ops = Ops(kind);
    if (ops.size() <= index) return "no blit";
    const GdiOp& op = ops[index];
    std::string s =
        Str(op.dest.x, " ", op.dest.y, " ", op.dest.cx, " ", op.dest.cy, " <- ", op.src.cx, " ",
            op.src.cy, " rop ", std::hex, op.rop, " mode ", op.stretchMode, ":");
    for (int y = 0; y < op.image->height; ++y)
      for (int x = 0; x < op.image->width; ++x) s += drawtest::Colour(op.image->At(x, y));
    return s;
  }

  cmdtest::TempDir dir;
};

cmdtest::DibRecipe Recipe(int width, int height, int bitCount, std::vector<RGBQUAD> colors = {}) {
  cmdtest::DibRecipe recipe;
  recipe.width = width;
  recipe.height = height;
  recipe.bitCount = bitCount;
  recipe.colors = std::move(colors);
  return recipe;
}

// An 8-bit 2 x 2 picture: red, green on top; blue, white below.
std::string EightBitFile() {
  auto colors = cmdtest::GreyPalette(256);
  colors[1] = cmdtest::Quad(255, 0, 0);
  colors[2] = cmdtest::Quad(0, 255, 0);
  colors[3] = cmdtest::Quad(0, 0, 255);
  return cmdtest::BmpFileBytes(Recipe(2, 2, 8, colors),
                               [](int x, int y) { return y == 0 ? 1u + x : x ? 255u : 3u; });
}

HGLOBAL GlobalDib(const std::string& dib) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  std::memcpy(GlobalLock(block), dib.data(), dib.size());
  GlobalUnlock(block);
  return block;
}

template <class T>
std::string With(std::string bytes, std::size_t offset, T value) {
  std::memcpy(&bytes[offset], &value, sizeof value);
  return bytes;
}

}  // namespace

TEST_F(Bitmaps, FilesAreStretchedColourOnColourAsWritersWriteThem) {
  RECT rect{10, 20, 14, 24};  // twice the picture's size
  const std::string whole = EightBitFile(), picture = " c0000ff c00ff00 cff0000 cffffff";
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("logo.bmp", whole), SRCCOPY), TRUE);
  EXPECT_EQ(Kinds(), (KindList{OpKind::SetStretchBltMode, OpKind::StretchDIBits}));
  GdiOp op = Ops(OpKind::StretchDIBits)[0];
  EXPECT_EQ((std::vector<int>{int(op.usage), op.dib.biBitCount, int(op.dibColors.size())}),
            (std::vector<int>{DIB_RGB_COLORS, 8, 256}));
  // The file size field is not trusted; a file that ends early draws the
  // rows it holds, in their share of the rectangle (a bottom-up image's
  // first row is its bottom line); run-length codes are drawn.
  const std::string full = "10 20 4 4 <- 2 2 rop cc0020 mode 3:";
  for (auto [bytes, blit] : {std::pair{whole, full + picture}, {With(whole, 2, 0u), full + picture},
                             {With(whole, 2, 1u << 20), full + picture},
                             {With(whole, 2, std::uint32_t(whole.size() - 2)), full + picture},
                             {whole.substr(0, whole.size() - 4),
                              "10 22 4 2 <- 2 1 rop cc0020 mode 3: cff0000 cffffff"},
                             {cmdtest::RunLengthBmpFile(Recipe(2, 2, 8, cmdtest::GreyPalette(256)),
                                                        std::string("\x02\x09\x00\x01", 4)),
                              full + " c000000 c000000 c090909 c090909"}}) {
    EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("writer.bmp", bytes), SRCCOPY), TRUE);
    EXPECT_EQ(Blit(OpKind::StretchDIBits), blit);
    Drawn();
  }
  // Missing files give FALSE; files that open but lie are not drawn.
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win() + u"none.bmp", SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, CString(u"Z:\\unmapped.bmp"), SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win(), SRCCOPY), FALSE);  // a folder
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("huge.bmp", With(whole, 22, 0x7FFFFFFF)), SRCCOPY),
            TRUE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("empty.bmp", ""), SRCCOPY), TRUE);
  EXPECT_EQ(Kinds(), KindList{});
}

TEST_F(Bitmaps, InMemoryDibGetsItsOwnPaletteOrTheDefault) {
  auto recipe = Recipe(3, 2, 8, {cmdtest::Quad(10, 20, 30), cmdtest::Quad(40, 50, 60),
                                 cmdtest::Quad(70, 80, 90), cmdtest::Quad(100, 110, 120)});
  HGLOBAL block =
      GlobalDib(cmdtest::PackedDib(recipe, [](int x, int) { return std::uint32_t(x); }));
  GlobalLock(block);  // the caller's own lock
  RECT size{0, 0, 30, 20};
  EXPECT_EQ(DrawBitmapFile3(dc, &size, block, WORD(40 + 4 * 4), SRCCOPY), TRUE);
  // Selected as a background palette, realized, drawn with it, the default back.
  EXPECT_EQ(Kinds(), (KindList{OpKind::SelectPalette, OpKind::RealizePalette, OpKind::StretchDIBits,
                            OpKind::SelectPalette}));
  auto selects = Ops(OpKind::SelectPalette);
  EXPECT_EQ(selects[0].flags, 1u);
  ASSERT_EQ(selects[0].palette.size(), 4u);
  const PALETTEENTRY& entry = selects[0].palette[1];
  EXPECT_EQ((std::vector<int>{entry.peRed, entry.peGreen, entry.peBlue,
                              selects[0].palette[3].peFlags, int(selects[1].palette.size()),
                              int(Ops(OpKind::StretchDIBits)[0].palette.size())}),
            (std::vector<int>{40, 50, 60, 0, 20, 4}));
  EXPECT_EQ(Blit(OpKind::StretchDIBits),
            "0 0 30 20 <- 3 2 rop cc0020 mode 1: c1e140a c3c3228 c5a5046 "
            "c1e140a c3c3228 c5a5046");
  // Locked once by the caller and once by the call: it stays locked.
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  GlobalFree(block);

  // Without a colour count: the stock default palette.
  Drawn();
  const std::string dib = cmdtest::PackedDib(Recipe(2, 2, 24), [](int, int) { return 0x00FF00u; });
  block = GlobalDib(dib);
  EXPECT_EQ(DrawBitmapFile3(dc, &size, block, 40, SRCCOPY), TRUE);
  GlobalFree(block);
  selects = Ops(OpKind::SelectPalette);
  ASSERT_EQ(selects.size(), 2u);
  EXPECT_EQ((std::vector<int>{selects[0].result, int(selects[0].palette.size())}),
            (std::vector<int>{1, 20}));
  EXPECT_EQ(Blit(OpKind::StretchDIBits),
            "0 0 30 20 <- 2 2 rop cc0020 mode 1: c00ff00 c00ff00 c00ff00 c00ff00");

  // Blocks that lie are not drawn: pixels, height or colour table past the
  // block, a header cut short.
  Drawn();
  for (auto [bytes, offset] : {std::pair{dib, 41}, {With(dib, 8, std::int32_t(1000)), 40},
                               {With(dib, 32, std::uint32_t(200)), 40}, {dib.substr(0, 20), 0}}) {
    block = GlobalDib(bytes);
    EXPECT_EQ(DrawBitmapFile3(dc, &size, block, WORD(offset), SRCCOPY), TRUE);
    GlobalFree(block);
  }
  EXPECT_EQ(DrawBitmapFile3(dc, &size, nullptr, 0, SRCCOPY), TRUE);
  EXPECT_EQ(Kinds(), KindList{});
}

TEST_F(Bitmaps, MaskIsAndedBeforeTheImageIsOred) {
  // The picture: red on the left, black (transparent) on the right; the
  // mask: black where the picture shows, white elsewhere.
  HINSTANCE module = cmd::res::NewModuleHandle();
  cmd::res::RegisterBitmap(
      module, MAKEINTRESOURCEW(1),
      cmdtest::BmpFileBytes(Recipe(2, 1, 24), [](int x, int) { return x ? 0u : 0xFF0000u; }));
  cmd::res::RegisterBitmap(
      module, u"MASK",
      cmdtest::BmpFileBytes(Recipe(2, 1, 1, {cmdtest::Quad(0, 0, 0), cmdtest::Quad(255, 255, 255)}),
                            [](int x, int) { return x ? 1u : 0u; }));
  RECT rect{5, 6, 25, 16};
  MaskDrawBitmap(module, dc, &rect, MAKEINTRESOURCEW(1), u"mask");
  EXPECT_EQ(Kinds(), (KindList{OpKind::SetStretchBltMode, OpKind::StretchBlt, OpKind::StretchBlt}));
  auto blits = Ops(OpKind::StretchBlt);
  EXPECT_EQ(Blit(OpKind::StretchBlt, 0), "5 6 20 10 <- 2 1 rop 8800c6 mode 1: c000000 cffffff");
  EXPECT_EQ(Blit(OpKind::StretchBlt, 1), "5 6 20 10 <- 2 1 rop ee0086 mode 1: c0000ff c000000");
  EXPECT_TRUE(blits[0].sourceMonochrome);
  EXPECT_FALSE(blits[1].sourceMonochrome);
  // On a real picture the background stays where the image is transparent.
  HDC image = cmd::gdi::CreateImageDC(8, 2);
  HBRUSH grey = CreateSolidBrush(RGB(100, 100, 100));
  RECT all{0, 0, 8, 2};
  FillRect(image, &all, grey);
  DeleteObject(grey);
  MaskDrawBitmap(module, image, &all, MAKEINTRESOURCEW(1), u"MASK");
  EXPECT_EQ((std::vector<COLORREF>{GetPixel(image, 1, 1), GetPixel(image, 3, 0),
                                   GetPixel(image, 4, 0), GetPixel(image, 7, 1)}),
            (std::vector<COLORREF>{RGB(255, 0, 0), RGB(255, 0, 0), RGB(100, 100, 100),
                                   RGB(100, 100, 100)}));
  DeleteDC(image);
  // A missing picture, mask or module draws nothing.
  Drawn();
  MaskDrawBitmap(module, dc, &rect, MAKEINTRESOURCEW(1), u"NOMASK");
  MaskDrawBitmap(module, dc, &rect, MAKEINTRESOURCEW(9), u"MASK");
  MaskDrawBitmap(nullptr, dc, &rect, MAKEINTRESOURCEW(1), u"MASK");
  EXPECT_EQ(Kinds(), KindList{});
  cmd::res::RemoveModule(module);
}

TEST_F(Bitmaps, SikiriRuleAndTheRenderTarget) {
  // The rule is the cell's left edge in the selected pen; hosts hand in
  // the temporary wrapper of their device context.
  CDC* cdc = CDC::FromHandle(dc.m_hDC);
  CPen pen(PS_DOT, 1, RGB(0, 0, 128));
  CPen* old = cdc->SelectObject(&pen);
  RECT rect{10, 20, 50, 80};
  EXPECT_EQ(DrawSikiri(cdc, &rect), TRUE);
  EXPECT_EQ(DrawSikiri(nullptr, &rect), FALSE);
  cdc->SelectObject(old);
  pen.DeleteObject();
  EXPECT_EQ(Drawn(), drawtest::Scene{"line 10 20 10 80 w1 c800000 s2"});
  // DrawBitmap forwards to the target, placed in its bound rectangle.
  CDCRenderTarget target;
  ASSERT_EQ(CDC::FromHandle(dc.m_hDC), cdc);
  ASSERT_TRUE(target.BindDC(*cdc, RECT{100, 200, 300, 400}));
  CBitmap bitmap;
  const unsigned char bits[] = {255, 0, 0, 0};
  bitmap.CreateBitmap(1, 1, 1, 32, bits);
  {
    CD2DBitmap d2d(&target, static_cast<HBITMAP>(bitmap));
    CD2DRectF src(0, 0, 1, 1);
    DrawBitmap(&target, &d2d, CD2DRectF(10, 20, 30, 60), 0.25f,
               D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, &src);
  }
  bitmap.DeleteObject();
  EXPECT_EQ(Blit(OpKind::DrawBitmap), "110 220 20 40 <- 1 1 rop 0 mode 1: cff0000");
  EXPECT_EQ(Ops(OpKind::DrawBitmap)[0].opacity, 0.25f);
  EXPECT_EQ(Ops(OpKind::DrawBitmap)[0].interpolation, 0);
}
