// Bitmaps and separators: bitmap files on disk, in-memory DIBs with their
// palettes, masked resources, the cell's rule and the render target. Files
// and blocks that lie about their sizes are never drawn.
#include <gtest/gtest.h>

#include "cmddll3/cmddll3.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

using cmd::gdi::GdiOp;
using cmd::gdi::OpKind;

namespace {

// A recording DC that checks, when it goes, that nothing was left alive.
class Bitmaps : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = cmd::gdi::LiveObjectCount();
    dc = cmd::gdi::CreateRecordingDC();
  }
  void TearDown() override {
    DeleteDC(dc);
    EXPECT_EQ(cmd::gdi::LiveObjectCount(), before_) << "a GDI object was not released";
  }
  std::vector<GdiOp> Ops(OpKind kind) { return cmd::gdi::RecordedOps(dc, kind); }
  // The kinds of the calls recorded since the last call.
  std::vector<OpKind> Kinds() {
    std::vector<OpKind> kinds;
    for (const auto& op : *cmd::gdi::RecordedOps(dc)) kinds.push_back(op.kind);
    return kinds;
  }
  CString Write(const std::string& name, const std::string& bytes) {
    cmdtest::WriteBytes(dir / name, bytes);
    return dir.win() + CString::FromUtf8(name);
  }

  HDC dc = nullptr;
  cmdtest::TempDir dir;

 private:
  int before_ = 0;
};

cmdtest::DibRecipe Recipe(int width, int height, int bitCount) {
  cmdtest::DibRecipe recipe;
  recipe.width = width;
  recipe.height = height;
  recipe.bitCount = bitCount;
  return recipe;
}

// An 8-bit 2 x 2 picture: red, green on top; blue, white below.
std::string EightBitFile() {
  cmdtest::DibRecipe recipe = Recipe(2, 2, 8);
  recipe.colors = cmdtest::GreyPalette(256);
  recipe.colors[1] = cmdtest::Quad(255, 0, 0);
  recipe.colors[2] = cmdtest::Quad(0, 255, 0);
  recipe.colors[3] = cmdtest::Quad(0, 0, 255);
  return cmdtest::BmpFileBytes(recipe, [](int x, int y) { return y == 0 ? 1u + x : x ? 255u : 3u; });
}

// A blit as "x y cx cy <- cx cy rop R mode M", and its source's pixels row by row.
std::string Blit(const GdiOp& op) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d %d %d %d <- %d %d rop %lx mode %d", op.dest.x, op.dest.y,
                op.dest.cx, op.dest.cy, op.src.cx, op.src.cy, static_cast<unsigned long>(op.rop),
                op.stretchMode);
  return buf;
}
std::vector<COLORREF> Pixels(const GdiOp& op) {
  std::vector<COLORREF> out;
  for (int y = 0; y < op.image->height; ++y)
    for (int x = 0; x < op.image->width; ++x) out.push_back(op.image->At(x, y));
  return out;
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
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("logo.bmp", EightBitFile()), SRCCOPY), TRUE);
  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SetStretchBltMode, OpKind::StretchDIBits}));
  GdiOp op = Ops(OpKind::StretchDIBits)[0];
  EXPECT_EQ(Blit(op), "10 20 4 4 <- 2 2 rop cc0020 mode 3");
  EXPECT_EQ((std::vector<int>{int(op.usage), op.dib.biBitCount, int(op.dibColors.size())}),
            (std::vector<int>{DIB_RGB_COLORS, 8, 256}));
  EXPECT_EQ(Pixels(op), (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                               RGB(255, 255, 255)}));

  // The file size field is not trusted; a file that ends early draws the
  // rows it holds, in their share of the rectangle (a bottom-up image's
  // first row is its bottom line); run-length codes are drawn.
  const std::string whole = EightBitFile();
  cmdtest::DibRecipe coded = Recipe(2, 2, 8);
  coded.colors = cmdtest::GreyPalette(256);
  const struct {
    const char* what;
    std::string bytes;
    std::string blit;
    COLORREF bottomLeft;
  } cases[] = {
      {"file size 0", With(whole, 2, 0u), "10 20 4 4 <- 2 2 rop cc0020 mode 3", RGB(0, 0, 255)},
      {"file size too large", With(whole, 2, 1u << 20), "10 20 4 4 <- 2 2 rop cc0020 mode 3",
       RGB(0, 0, 255)},
      {"file size too small", With(whole, 2, std::uint32_t(whole.size() - 2)),
       "10 20 4 4 <- 2 2 rop cc0020 mode 3", RGB(0, 0, 255)},
      {"one row of two", whole.substr(0, whole.size() - 4), "10 22 4 2 <- 2 1 rop cc0020 mode 3",
       RGB(0, 0, 255)},
      {"run-length coded", cmdtest::RunLengthBmpFile(coded, std::string("\x02\x09\x00\x01", 4)),
       "10 20 4 4 <- 2 2 rop cc0020 mode 3", RGB(9, 9, 9)},
  };
  for (const auto& c : cases) {
    cmd::gdi::ClearRecording(dc);
    EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("writer.bmp", c.bytes), SRCCOPY), TRUE) << c.what;
    auto ops = Ops(OpKind::StretchDIBits);
    ASSERT_EQ(ops.size(), 1u) << c.what;
    EXPECT_EQ(Blit(ops[0]), c.blit) << c.what;
    EXPECT_EQ(ops[0].image->At(0, ops[0].src.cy - 1), c.bottomLeft) << c.what;
  }

  // Missing files give FALSE; files that open but lie are not drawn.
  cmd::gdi::ClearRecording(dc);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win() + u"none.bmp", SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, CString(u"Z:\\unmapped.bmp"), SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win(), SRCCOPY), FALSE);  // a folder
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("huge.bmp", With(whole, 22, 0x7FFFFFFF)), SRCCOPY), TRUE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("empty.bmp", ""), SRCCOPY), TRUE);
  EXPECT_TRUE(Kinds().empty());
}

TEST_F(Bitmaps, InMemoryDibGetsItsOwnPaletteOrTheDefault) {
  cmdtest::DibRecipe recipe = Recipe(3, 2, 8);
  recipe.colors = {cmdtest::Quad(10, 20, 30), cmdtest::Quad(40, 50, 60), cmdtest::Quad(70, 80, 90),
                   cmdtest::Quad(100, 110, 120)};
  HGLOBAL block = GlobalDib(cmdtest::PackedDib(recipe, [](int x, int) { return std::uint32_t(x); }));
  GlobalLock(block);  // the caller's own lock
  RECT size{0, 0, 30, 20};
  EXPECT_EQ(DrawBitmapFile3(dc, &size, block, WORD(40 + 4 * 4), SRCCOPY), TRUE);
  // Selected as a background palette, realized, drawn, the default back.
  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SelectPalette, OpKind::RealizePalette,
                                          OpKind::StretchDIBits, OpKind::SelectPalette}));
  auto selects = Ops(OpKind::SelectPalette);
  EXPECT_EQ(selects[0].flags, 1u);
  ASSERT_EQ(selects[0].palette.size(), 4u);
  const PALETTEENTRY& entry = selects[0].palette[1];
  EXPECT_EQ((std::vector<int>{entry.peRed, entry.peGreen, entry.peBlue, selects[0].palette[3].peFlags}),
            (std::vector<int>{40, 50, 60, 0}));
  EXPECT_EQ(selects[1].palette.size(), 20u);
  GdiOp blit = Ops(OpKind::StretchDIBits)[0];
  EXPECT_EQ(blit.palette.size(), 4u);  // drawn while the palette is selected
  EXPECT_EQ(Blit(blit), "0 0 30 20 <- 3 2 rop cc0020 mode 1");
  EXPECT_EQ(blit.image->At(2, 1), RGB(70, 80, 90));
  // Locked once by the caller and once by the call: it stays locked.
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  GlobalFree(block);

  // Without a colour count: the stock default palette.
  cmd::gdi::ClearRecording(dc);
  const std::string dib = cmdtest::PackedDib(Recipe(2, 2, 24), [](int, int) { return 0x00FF00u; });
  block = GlobalDib(dib);
  EXPECT_EQ(DrawBitmapFile3(dc, &size, block, 40, SRCCOPY), TRUE);
  GlobalFree(block);
  selects = Ops(OpKind::SelectPalette);
  ASSERT_EQ(selects.size(), 2u);
  EXPECT_EQ(selects[0].result, 1);
  EXPECT_EQ(selects[0].palette.size(), 20u);
  EXPECT_EQ(Ops(OpKind::StretchDIBits)[0].image->At(0, 0), RGB(0, 255, 0));

  // Blocks that lie are not drawn.
  cmd::gdi::ClearRecording(dc);
  const struct {
    const char* what;
    std::string bytes;
    WORD offset;
  } lies[] = {
      {"pixels past the block", dib, 41},
      {"taller than the block", With(dib, 8, std::int32_t(1000)), 40},
      {"colour table past the block", With(dib, 32, std::uint32_t(200)), 40},
      {"header cut short", dib.substr(0, 20), 0},
  };
  for (const auto& c : lies) {
    block = GlobalDib(c.bytes);
    EXPECT_EQ(DrawBitmapFile3(dc, &size, block, c.offset, SRCCOPY), TRUE) << c.what;
    GlobalFree(block);
  }
  EXPECT_EQ(DrawBitmapFile3(dc, &size, nullptr, 0, SRCCOPY), TRUE);
  EXPECT_TRUE(Kinds().empty());
}

TEST_F(Bitmaps, MaskIsAndedBeforeTheImageIsOred) {
  HINSTANCE module = cmd::res::NewModuleHandle();
  // The picture: red on the left, black (transparent) on the right; the
  // mask: black where the picture shows, white elsewhere.
  cmd::res::RegisterBitmap(module, MAKEINTRESOURCEW(1),
                           cmdtest::BmpFileBytes(Recipe(2, 1, 24), [](int x, int) {
                             return x ? 0u : 0xFF0000u;
                           }));
  cmdtest::DibRecipe mask = Recipe(2, 1, 1);
  mask.colors = {cmdtest::Quad(0, 0, 0), cmdtest::Quad(255, 255, 255)};
  cmd::res::RegisterBitmap(module, u"MASK",
                           cmdtest::BmpFileBytes(mask, [](int x, int) { return x ? 1u : 0u; }));
  RECT rect{5, 6, 25, 16};
  MaskDrawBitmap(module, dc, &rect, MAKEINTRESOURCEW(1), u"mask");
  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SetStretchBltMode, OpKind::StretchBlt,
                                          OpKind::StretchBlt}));
  auto blits = Ops(OpKind::StretchBlt);
  EXPECT_EQ(Blit(blits[0]), "5 6 20 10 <- 2 1 rop 8800c6 mode 1");
  EXPECT_TRUE(blits[0].sourceMonochrome);
  EXPECT_EQ(Pixels(blits[0]), (std::vector<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}));
  EXPECT_EQ(Blit(blits[1]), "5 6 20 10 <- 2 1 rop ee0086 mode 1");
  EXPECT_FALSE(blits[1].sourceMonochrome);
  EXPECT_EQ(Pixels(blits[1]), (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 0, 0)}));

  // On a real picture the background stays where the image is transparent.
  HDC image = cmd::gdi::CreateImageDC(8, 2);
  HBRUSH grey = CreateSolidBrush(RGB(100, 100, 100));
  RECT all{0, 0, 8, 2};
  FillRect(image, &all, grey);
  DeleteObject(grey);
  MaskDrawBitmap(module, image, &all, MAKEINTRESOURCEW(1), u"MASK");
  EXPECT_EQ((std::vector<COLORREF>{GetPixel(image, 1, 1), GetPixel(image, 3, 0), GetPixel(image, 4, 0),
                                   GetPixel(image, 7, 1)}),
            (std::vector<COLORREF>{RGB(255, 0, 0), RGB(255, 0, 0), RGB(100, 100, 100),
                                   RGB(100, 100, 100)}));
  DeleteDC(image);
  // A missing picture, mask or module draws nothing.
  cmd::gdi::ClearRecording(dc);
  MaskDrawBitmap(module, dc, &rect, MAKEINTRESOURCEW(1), u"NOMASK");
  MaskDrawBitmap(module, dc, &rect, MAKEINTRESOURCEW(9), u"MASK");
  MaskDrawBitmap(nullptr, dc, &rect, MAKEINTRESOURCEW(1), u"MASK");
  EXPECT_TRUE(Kinds().empty());
  cmd::res::RemoveModule(module);
}

TEST_F(Bitmaps, SikiriRuleAndTheRenderTarget) {
  // The rule is the cell's left edge in the selected pen.
  CDC* cdc = CDC::FromHandle(dc);
  CPen pen(PS_DOT, 1, RGB(0, 0, 128));
  CPen* old = cdc->SelectObject(&pen);
  RECT rect{10, 20, 50, 80};
  EXPECT_EQ(DrawSikiri(cdc, &rect), TRUE);
  cdc->SelectObject(old);
  pen.DeleteObject();
  auto moves = Ops(OpKind::MoveTo);
  auto lines = Ops(OpKind::LineTo);
  ASSERT_EQ(moves.size(), 1u);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ((std::vector<LONG>{moves[0].point.x, moves[0].point.y, lines[0].position.x,
                               lines[0].point.x, lines[0].point.y, LONG(lines[0].pen.lopnStyle),
                               LONG(lines[0].pen.lopnColor)}),
            (std::vector<LONG>{10, 20, 10, 10, 80, PS_DOT, LONG(RGB(0, 0, 128))}));
  EXPECT_EQ(DrawSikiri(nullptr, &rect), FALSE);

  // DrawBitmap forwards to the target, placed in its bound rectangle.
  CDCRenderTarget target;
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
  auto ops = Ops(OpKind::DrawBitmap);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(Blit(ops[0]), "110 220 20 40 <- 1 1 rop 0 mode 1");
  EXPECT_FLOAT_EQ(ops[0].opacity, 0.25f);
  EXPECT_EQ(ops[0].interpolation, 0);
  EXPECT_EQ(ops[0].image->At(0, 0), RGB(0, 0, 255));
}
