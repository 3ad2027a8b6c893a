// Bitmaps and separators: bitmap files on disk, in-memory DIBs with their
// palettes, masked resources, the cell's rule and the render target.
#include <gtest/gtest.h>

#include "cmddll3/cmddll3.h"
#include "support/bmp_builder.h"
#include "support/test_support.h"

using cmd::gdi::OpKind;

namespace {

// A recording DC that checks, when it goes, that nothing was left alive.
class DrawBitmaps : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = cmd::gdi::LiveObjectCount();
    dc = cmd::gdi::CreateRecordingDC();
  }
  void TearDown() override {
    DeleteDC(dc);
    EXPECT_EQ(cmd::gdi::LiveObjectCount(), before_) << "a GDI object was not released";
  }
  std::vector<cmd::gdi::GdiOp> Ops(OpKind kind) { return cmd::gdi::RecordedOps(dc, kind); }
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

// An area as (x, y, cx, cy), to compare in one go.
std::vector<int> Box(const cmd::gdi::Area& a) { return {a.x, a.y, a.cx, a.cy}; }

HGLOBAL GlobalDib(const std::string& dib) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  std::memcpy(GlobalLock(block), dib.data(), dib.size());
  GlobalUnlock(block);
  return block;
}

}  // namespace

// ---------------------------------------------------------------- DrawBitmapFile
TEST_F(DrawBitmaps, FileIsStretchedColourOnColour) {
  CString path = Write("logo.bmp", EightBitFile());
  RECT rect{10, 20, 14, 24};  // twice the picture's size
  EXPECT_EQ(DrawBitmapFile(dc, &rect, path, SRCCOPY), TRUE);
  auto ops = Ops(OpKind::StretchDIBits);
  ASSERT_EQ(ops.size(), 1u);
  const auto& op = ops[0];
  EXPECT_EQ(op.stretchMode, COLORONCOLOR);
  EXPECT_EQ(op.rop, SRCCOPY);
  EXPECT_EQ(op.usage, DIB_RGB_COLORS);
  EXPECT_EQ(Box(op.dest), (std::vector<int>{10, 20, 4, 4}));
  EXPECT_EQ(op.src.cx, 2);
  EXPECT_EQ(op.src.cy, 2);
  EXPECT_EQ(op.dib.biBitCount, 8);
  EXPECT_EQ(op.dibColors.size(), 256u);
  ASSERT_TRUE(op.image);
  EXPECT_EQ((std::vector<COLORREF>{op.image->At(0, 0), op.image->At(1, 0), op.image->At(0, 1),
                                   op.image->At(1, 1)}),
            (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                   RGB(255, 255, 255)}));
  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SetStretchBltMode, OpKind::StretchDIBits}));
}

TEST_F(DrawBitmaps, FilesAsWritersWriteThem) {
  // The file size field is not trusted; a file that ends early draws the
  // rows it holds, in their share of the rectangle (a bottom-up image's
  // first row is its bottom line); run-length codes are drawn.
  const std::string whole = EightBitFile();
  auto sized = [&](std::uint32_t size) {
    std::string file = whole;
    std::memcpy(&file[2], &size, 4);
    return file;
  };
  cmdtest::DibRecipe coded = Recipe(2, 2, 8);
  coded.colors = cmdtest::GreyPalette(256);
  const struct {
    const char* what;
    std::string bytes;
    std::vector<int> dest;
    int rows;
  } cases[] = {
      {"file size 0", sized(0), {10, 20, 4, 4}, 2},
      {"file size too large", sized(1 << 20), {10, 20, 4, 4}, 2},
      {"file size too small", sized(std::uint32_t(whole.size() - 2)), {10, 20, 4, 4}, 2},
      {"one row of two", whole.substr(0, whole.size() - 4), {10, 22, 4, 2}, 1},
      {"run-length coded", cmdtest::RunLengthBmpFile(coded, std::string("\x02\x09\x00\x01", 4)),
       {10, 20, 4, 4}, 2},
  };
  for (const auto& c : cases) {
    cmd::gdi::ClearRecording(dc);
    RECT rect{10, 20, 14, 24};
    EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("writer.bmp", c.bytes), SRCCOPY), TRUE) << c.what;
    auto ops = Ops(OpKind::StretchDIBits);
    ASSERT_EQ(ops.size(), 1u) << c.what;
    EXPECT_EQ(Box(ops[0].dest), c.dest) << c.what;
    EXPECT_EQ(ops[0].src.cy, c.rows) << c.what;
    EXPECT_EQ(ops[0].image->At(0, c.rows - 1), c.rows == 2 && c.bytes[30] == BI_RLE8
                                                   ? RGB(9, 9, 9)
                                                   : RGB(0, 0, 255))
        << c.what;
  }
}

TEST_F(DrawBitmaps, MissingFileGivesZeroAndALyingOneIsNotDrawn) {
  RECT rect{0, 0, 2, 2};
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win() + u"none.bmp", SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, CString(u"Z:\\unmapped.bmp"), SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win(), SRCCOPY), FALSE);  // a folder
  // Files that open but lie are not drawn.
  std::string file = EightBitFile();
  std::string huge = file;
  std::uint32_t height = 0x7FFFFFFF;
  std::memcpy(&huge[22], &height, 4);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("huge.bmp", huge), SRCCOPY), TRUE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("empty.bmp", ""), SRCCOPY), TRUE);
  EXPECT_TRUE(cmd::gdi::RecordedOps(dc)->empty());
}

// ---------------------------------------------------------------- DrawBitmapFile3
TEST_F(DrawBitmaps, InMemoryDibGetsItsOwnPalette) {
  cmdtest::DibRecipe recipe = Recipe(3, 2, 8);
  recipe.colors = {cmdtest::Quad(10, 20, 30), cmdtest::Quad(40, 50, 60), cmdtest::Quad(70, 80, 90),
                 cmdtest::Quad(100, 110, 120)};
  std::string dib = cmdtest::PackedDib(recipe, [](int x, int) { return std::uint32_t(x); });
  HGLOBAL block = GlobalDib(dib);
  GlobalLock(block);  // the caller's own lock
  RECT size{0, 0, 30, 20};
  WORD offset = WORD(40 + 4 * 4);
  EXPECT_EQ(DrawBitmapFile3(dc, &size, block, offset, SRCCOPY), TRUE);

  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SelectPalette, OpKind::RealizePalette,
                                          OpKind::StretchDIBits, OpKind::SelectPalette}));
  auto selects = Ops(OpKind::SelectPalette);
  EXPECT_EQ(selects[0].flags, 1u);  // as a background palette
  ASSERT_EQ(selects[0].palette.size(), 4u);
  const PALETTEENTRY& entry = selects[0].palette[1];
  EXPECT_EQ((std::vector<int>{entry.peRed, entry.peGreen, entry.peBlue}),
            (std::vector<int>{40, 50, 60}));
  EXPECT_EQ(selects[0].palette[3].peFlags, 0);
  EXPECT_EQ(selects[1].palette.size(), 20u);  // the default palette again
  auto blit = Ops(OpKind::StretchDIBits)[0];
  EXPECT_EQ(blit.palette.size(), 4u);  // drawn while the palette is selected
  EXPECT_EQ(Box(blit.dest), (std::vector<int>{0, 0, 30, 20}));
  EXPECT_EQ(blit.src.cx, 3);
  EXPECT_EQ(blit.src.cy, 2);
  EXPECT_EQ(blit.image->At(2, 1), RGB(70, 80, 90));
  // Locked once by the caller and once by the call: it stays locked.
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  GlobalFree(block);
}

TEST_F(DrawBitmaps, InMemoryDibWithoutColourCountUsesTheDefaultPalette) {
  std::string dib = cmdtest::PackedDib(Recipe(2, 2, 24), [](int, int) { return 0x00FF00u; });
  HGLOBAL block = GlobalDib(dib);
  RECT size{0, 0, 4, 4};
  EXPECT_EQ(DrawBitmapFile3(dc, &size, block, 40, SRCCOPY), TRUE);
  auto selects = Ops(OpKind::SelectPalette);
  ASSERT_EQ(selects.size(), 2u);
  EXPECT_EQ(selects[0].result, 1);  // the stock default palette
  EXPECT_EQ(selects[0].palette.size(), 20u);
  EXPECT_EQ(Ops(OpKind::StretchDIBits)[0].image->At(0, 0), RGB(0, 255, 0));
  GlobalFree(block);
}

TEST_F(DrawBitmaps, InMemoryDibThatLiesIsNotDrawn) {
  std::string dib = cmdtest::PackedDib(Recipe(2, 2, 24), [](int, int) { return 0u; });
  RECT size{0, 0, 4, 4};
  std::string tall = dib, colours = dib;
  std::int32_t height = 1000;
  std::memcpy(&tall[8], &height, 4);
  std::uint32_t used = 200;
  std::memcpy(&colours[32], &used, 4);
  const struct {
    const char* what;
    std::string bytes;
    WORD offset;
  } cases[] = {
      {"pixels past the block", dib, 41},
      {"taller than the block", tall, 40},
      {"colour table past the block", colours, 40},
      {"header cut short", dib.substr(0, 20), 0},
  };
  for (const auto& c : cases) {
    HGLOBAL block = GlobalDib(c.bytes);
    EXPECT_EQ(DrawBitmapFile3(dc, &size, block, c.offset, SRCCOPY), TRUE) << c.what;
    GlobalFree(block);
  }
  EXPECT_EQ(DrawBitmapFile3(dc, &size, nullptr, 0, SRCCOPY), TRUE);
  EXPECT_TRUE(cmd::gdi::RecordedOps(dc)->empty());
}

// ---------------------------------------------------------------- MaskDrawBitmap
namespace {

struct MaskModule {
  MaskModule() {
    module = cmd::res::NewModuleHandle();
    // The picture: red on the left, black (transparent) on the right.
    cmd::res::RegisterBitmap(module, MAKEINTRESOURCEW(1),
                             cmdtest::BmpFileBytes(Recipe(2, 1, 24), [](int x, int) {
                               return x ? 0u : 0xFF0000u;
                             }));
    // The mask: black where the picture shows, white elsewhere.
    cmdtest::DibRecipe mask = Recipe(2, 1, 1);
    mask.colors = {cmdtest::Quad(0, 0, 0), cmdtest::Quad(255, 255, 255)};
    cmd::res::RegisterBitmap(module, u"MASK",
                             cmdtest::BmpFileBytes(mask, [](int x, int) { return x ? 1u : 0u; }));
  }
  ~MaskModule() { cmd::res::RemoveModule(module); }
  HINSTANCE module;
};

}  // namespace

TEST_F(DrawBitmaps, MaskIsAndedBeforeTheImageIsOred) {
  MaskModule m;
  RECT rect{5, 6, 25, 16};
  MaskDrawBitmap(m.module, dc, &rect, MAKEINTRESOURCEW(1), u"mask");
  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SetStretchBltMode, OpKind::StretchBlt,
                                          OpKind::StretchBlt}));
  auto blits = Ops(OpKind::StretchBlt);
  EXPECT_EQ(blits[0].rop, SRCAND);
  EXPECT_TRUE(blits[0].sourceMonochrome);
  EXPECT_EQ(blits[0].image->At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(blits[1].rop, SRCPAINT);
  EXPECT_FALSE(blits[1].sourceMonochrome);
  EXPECT_EQ(blits[1].image->At(0, 0), RGB(255, 0, 0));
  for (const auto& b : blits) {
    EXPECT_EQ(b.stretchMode, BLACKONWHITE);
    EXPECT_EQ(Box(b.dest), (std::vector<int>{5, 6, 20, 10}));
    EXPECT_EQ(b.src.cx, 2);
    EXPECT_EQ(b.src.cy, 1);
  }
}

TEST_F(DrawBitmaps, MaskKeepsTheBackgroundWhereTheImageIsTransparent) {
  MaskModule m;
  HDC image = cmd::gdi::CreateImageDC(8, 2);
  HBRUSH grey = CreateSolidBrush(RGB(100, 100, 100));
  RECT all{0, 0, 8, 2};
  FillRect(image, &all, grey);
  DeleteObject(grey);
  RECT rect{0, 0, 8, 2};
  MaskDrawBitmap(m.module, image, &rect, MAKEINTRESOURCEW(1), u"MASK");
  EXPECT_EQ(GetPixel(image, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(image, 3, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(image, 4, 0), RGB(100, 100, 100));
  EXPECT_EQ(GetPixel(image, 7, 1), RGB(100, 100, 100));
  DeleteDC(image);
  // A missing picture, mask or module draws nothing.
  MaskDrawBitmap(m.module, dc, &rect, MAKEINTRESOURCEW(1), u"NOMASK");
  MaskDrawBitmap(m.module, dc, &rect, MAKEINTRESOURCEW(9), u"MASK");
  MaskDrawBitmap(nullptr, dc, &rect, MAKEINTRESOURCEW(1), u"MASK");
  EXPECT_TRUE(cmd::gdi::RecordedOps(dc)->empty());
}

// ---------------------------------------------------------------- rules and the render target
TEST_F(DrawBitmaps, SikiriIsTheLeftEdgeInTheSelectedPen) {
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
                               lines[0].point.x, lines[0].point.y}),
            (std::vector<LONG>{10, 20, 10, 10, 80}));
  EXPECT_EQ(lines[0].pen.lopnStyle, UINT(PS_DOT));
  EXPECT_EQ(lines[0].pen.lopnColor, RGB(0, 0, 128));
  EXPECT_EQ(DrawSikiri(nullptr, &rect), FALSE);
}

TEST_F(DrawBitmaps, DrawBitmapForwardsToTheRenderTarget) {
  CDC* cdc = CDC::FromHandle(dc);
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
  EXPECT_EQ(Box(ops[0].dest), (std::vector<int>{110, 220, 20, 40}));
  EXPECT_FLOAT_EQ(ops[0].opacity, 0.25f);
  EXPECT_EQ(ops[0].interpolation, 0);
  EXPECT_EQ(ops[0].image->At(0, 0), RGB(0, 0, 255));
}
