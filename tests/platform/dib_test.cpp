// Bitmap files and packed DIBs taken apart without trusting their headers;
// bitmap resources; global memory blocks.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/globalmem.h"
#include "cmddll3/platform/resources.h"
#include "support/bmp_builder.h"

namespace {

std::string Checker8(int w, int h) {
  cmdtest::DibRecipe recipe{.width = w, .height = h, .bitCount = 8,
                            .colors = cmdtest::GreyPalette(256)};
  return cmdtest::BmpFileBytes(recipe, [](int x, int y) { return (x + y) % 2 ? 255u : 0u; });
}

void Put32(std::string& s, std::size_t at, std::uint32_t v) { std::memcpy(&s[at], &v, 4); }
void Put16(std::string& s, std::size_t at, std::uint16_t v) { std::memcpy(&s[at], &v, 2); }

// Parses from a buffer of exactly the file's size, so that reading past it
// is caught by the address sanitizer.
bool Parses(const std::string& bytes) {
  std::vector<char> exact(bytes.begin(), bytes.end());
  cmd::gdi::BmpFile bmp;
  return cmd::gdi::ParseBmpFile(std::string_view(exact.data(), exact.size()), bmp);
}

}  // namespace

TEST(BmpFile, RefusesHeadersThatLie) {
  const std::string good = Checker8(3, 2);
  struct Case {
    const char* what;
    std::function<void(std::string&)> edit;
  };
  const Case cases[] = {
      {"not BM", [](std::string& s) { s[0] = 'X'; }},
      {"pixels before the headers", [](std::string& s) { Put32(s, 10, 20); }},
      {"pixels past the end", [](std::string& s) { Put32(s, 10, std::uint32_t(s.size() + 4)); }},
      {"pixels at the end", [](std::string& s) { Put32(s, 10, std::uint32_t(s.size())); }},
      {"not one whole row", [](std::string& s) { Put32(s, 18, 9); }},
      {"core header", [](std::string& s) { Put32(s, 14, 12); }},
      {"header size unknown", [](std::string& s) { Put32(s, 14, 1000); }},
      {"zero width", [](std::string& s) { Put32(s, 18, 0); }},
      {"negative width", [](std::string& s) { Put32(s, 18, std::uint32_t(-3)); }},
      {"zero height", [](std::string& s) { Put32(s, 22, 0); }},
      {"most negative height", [](std::string& s) { Put32(s, 22, std::uint32_t(INT_MIN)); }},
      {"absurd width", [](std::string& s) { Put32(s, 18, 40000); }},
      {"absurd area", [](std::string& s) { Put32(s, 18, 30000); Put32(s, 22, 30000); }},
      {"two bits a dot", [](std::string& s) { Put16(s, 28, 2); }},
      {"no bits", [](std::string& s) { Put16(s, 28, 0); }},
      {"64 bits", [](std::string& s) { Put16(s, 28, 64); }},
      {"run-length coded on 24 bits", [](std::string& s) { Put16(s, 28, 24); Put32(s, 30, BI_RLE8); }},
      {"run-length coded top-down", [](std::string& s) { Put32(s, 22, std::uint32_t(-2)); Put32(s, 30, BI_RLE8); }},
      {"four-bit codes on 8 bits", [](std::string& s) { Put32(s, 30, BI_RLE4); }},
      {"masks on 8 bits", [](std::string& s) { Put32(s, 30, BI_BITFIELDS); }},
      {"over 256 colours", [](std::string& s) { Put32(s, 46, 300); }},
      {"colour table past the end", [](std::string& s) {
         s.resize(14 + 40 + 200);
         Put32(s, 2, std::uint32_t(s.size()));
         Put32(s, 10, std::uint32_t(s.size()));
       }},
  };
  cmd::gdi::BmpFile bmp;
  ASSERT_TRUE(cmd::gdi::ParseBmpFile(good, bmp));
  EXPECT_EQ(bmp.layout.width, 3);
  EXPECT_EQ(bmp.layout.height, 2);
  EXPECT_EQ(bmp.layout.stride, 4u);
  EXPECT_EQ(bmp.colors.size(), 256u);
  EXPECT_EQ(bmp.bits.size(), 8u);
  EXPECT_EQ(bmp.bits.data(), good.data() + 14 + 40 + 1024);
  for (const auto& c : cases) {
    std::string bad = good;
    c.edit(bad);
    EXPECT_FALSE(Parses(bad)) << c.what;
  }
}

TEST(BmpFile, EveryTruncationKeepsTheWholeRowsWithoutReadingPastTheEnd) {
  // Rows of 8 bytes after 14 + 40 + 1024 bytes of headers and colours.
  const std::string file = Checker8(5, 3);
  const std::size_t pixels = 14 + 40 + 1024;
  for (std::size_t n = 0; n < file.size(); ++n) {
    std::vector<char> cut(file.begin(), file.begin() + std::ptrdiff_t(n));
    // Whatever the file size field says.
    for (std::uint32_t size : {std::uint32_t(file.size()), std::uint32_t(n)}) {
      if (n >= 6) std::memcpy(&cut[2], &size, 4);
      cmd::gdi::BmpFile bmp;
      const bool parsed = cmd::gdi::ParseBmpFile(std::string_view(cut.data(), n), bmp);
      const int rows = n < pixels ? 0 : int((n - pixels) / 8);
      ASSERT_EQ(parsed, rows > 0) << n;
      if (!parsed) continue;
      EXPECT_EQ(bmp.layout.height, rows) << n;
      EXPECT_EQ(bmp.header.biHeight, rows) << n;
      EXPECT_EQ(bmp.fullHeight, 3) << n;
      EXPECT_EQ(bmp.bits.size(), std::size_t(rows) * 8) << n;
    }
  }
  EXPECT_TRUE(Parses(file));
}

TEST(BmpFile, AcceptsWhatWritersReallyWrite) {
  // The file size is not trusted: 0, too large or a little too small, the
  // pixels are what the header implies, from bfOffBits; bytes after them
  // are not pixels.
  const std::string checker = Checker8(2, 2);
  for (std::uint32_t size : {0u, 100000u, std::uint32_t(checker.size() - 3)}) {
    std::string file = checker + "trailer";
    Put32(file, 2, size);
    cmd::gdi::BmpFile sized;
    ASSERT_TRUE(cmd::gdi::ParseBmpFile(file, sized)) << size;
    EXPECT_EQ(sized.bits.data(), file.data() + 14 + 40 + 1024);
    EXPECT_EQ(sized.bits.size(), 8u);
    EXPECT_EQ(sized.layout.height, 2);
  }

  // Run-length codes: as many bytes as biSizeImage, or as the file holds
  // when it says 0 or more.
  cmdtest::DibRecipe coded{.width = 4, .height = 2, .bitCount = 8,
                           .colors = cmdtest::GreyPalette(256)};
  const std::string codes("\x04\x07\x00\x00\x00\x01", 6);
  std::string rle = cmdtest::RunLengthBmpFile(coded, codes);
  cmd::gdi::BmpFile runs;
  ASSERT_TRUE(cmd::gdi::ParseBmpFile(rle, runs));
  EXPECT_TRUE(runs.layout.runLength);
  EXPECT_EQ(runs.bits.size(), 6u);
  for (std::uint32_t declared : {0u, 1000u}) {
    Put32(rle, 14 + 20, declared);
    ASSERT_TRUE(cmd::gdi::ParseBmpFile(rle.substr(0, rle.size() - 2), runs)) << declared;
    EXPECT_EQ(runs.bits.size(), 4u);
    EXPECT_EQ(runs.header.biSizeImage, 4u);
  }

  // A short colour table (biClrUsed); a top-down image.

  cmdtest::DibRecipe recipe{.width = 4, .height = 2, .bitCount = 4, .topDown = true,
                            .colors = {cmdtest::Quad(255, 0, 0), cmdtest::Quad(0, 255, 0)}};
  std::string file = cmdtest::BmpFileBytes(recipe, [](int x, int) { return x % 2u; });
  cmd::gdi::BmpFile bmp;
  ASSERT_TRUE(cmd::gdi::ParseBmpFile(file, bmp));
  EXPECT_TRUE(bmp.layout.topDown);
  EXPECT_EQ(bmp.layout.colorCount, 2u);
  EXPECT_EQ(bmp.colors.size(), 2u);

  // A 124-byte header with its masks inside it.
  std::string v5(14 + 124, '\0');
  v5[0] = 'B';
  v5[1] = 'M';
  Put32(v5, 10, 14 + 124);
  Put32(v5, 14, 124);
  Put32(v5, 18, 1);
  Put32(v5, 22, 1);
  Put16(v5, 26, 1);
  Put16(v5, 28, 32);
  Put32(v5, 30, BI_BITFIELDS);
  Put32(v5, 54, 0x0000FF00);  // red
  Put32(v5, 58, 0x00FF0000);  // green
  Put32(v5, 62, 0xFF000000);  // blue
  v5 += std::string("\x00\x11\x22\x33", 4);
  Put32(v5, 2, std::uint32_t(v5.size()));
  ASSERT_TRUE(cmd::gdi::ParseBmpFile(v5, bmp));
  EXPECT_EQ(bmp.header.biSize, 40u);
  ASSERT_EQ(bmp.colors.size(), 3u);
  HDC dc = cmd::gdi::CreateImageDC(1, 1);
  std::vector<std::uint32_t> block;
  StretchDIBits(dc, 0, 0, 1, 1, 0, 0, 1, 1, bmp.bits.data(), bmp.Info(block), DIB_RGB_COLORS,
                SRCCOPY);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x11, 0x22, 0x33));
  DeleteDC(dc);
}

TEST(BmpFile, ColourCountOfATrueColourImageIsDropped) {
  // A 24-bit image may name a palette for palette devices; it is not kept,
  // and the header handed on says so (a reader of that header once copied
  // a table that was not there).
  cmdtest::DibRecipe recipe{.width = 2, .height = 2, .bitCount = 24};
  std::string file = cmdtest::BmpFileBytes(recipe, [](int, int) { return 0x0000FFu; });
  Put32(file, 46, 256);
  cmd::gdi::BmpFile bmp;
  ASSERT_TRUE(cmd::gdi::ParseBmpFile(file, bmp));
  EXPECT_EQ(bmp.header.biClrUsed, 0u);
  EXPECT_EQ(bmp.layout.colorBytes, 0u);
  std::vector<std::uint32_t> block;
  HDC dc = cmd::gdi::CreateRecordingDC();
  StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, bmp.bits.data(), bmp.Info(block), DIB_RGB_COLORS,
                SRCCOPY);
  auto ops = cmd::gdi::RecordedOps(dc, cmd::gdi::OpKind::StretchDIBits);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_TRUE(ops[0].dibColors.empty());
  EXPECT_EQ(ops[0].image->At(1, 1), RGB(0, 0, 255));
  DeleteDC(dc);
}

TEST(PackedDib, MeasuresTablesAndRows) {
  BITMAPINFOHEADER h{40, 3, -2, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
  cmd::gdi::DibLayout layout;
  ASSERT_TRUE(cmd::gdi::MeasureDib(h, DIB_RGB_COLORS, layout));
  EXPECT_EQ(layout.stride, 4u);
  EXPECT_EQ(layout.imageBytes, 8u);
  EXPECT_EQ(layout.colorBytes, 8u);
  EXPECT_TRUE(layout.topDown);
  ASSERT_TRUE(cmd::gdi::MeasureDib(h, DIB_PAL_COLORS, layout));
  EXPECT_EQ(layout.colorBytes, 4u);  // WORD indexes
  h.biBitCount = 16;
  h.biCompression = BI_BITFIELDS;
  ASSERT_TRUE(cmd::gdi::MeasureDib(h, DIB_RGB_COLORS, layout));
  EXPECT_EQ(layout.colorBytes, 12u);  // the three masks
  EXPECT_FALSE(cmd::gdi::MeasureDib(h, 7, layout));

  cmdtest::DibRecipe recipe{.width = 2, .bitCount = 24};
  std::string dib = cmdtest::PackedDib(recipe, [](int, int) { return 0u; });
  cmd::gdi::BmpFile bmp;
  EXPECT_TRUE(cmd::gdi::ParsePackedDib(dib, bmp));
  EXPECT_FALSE(cmd::gdi::ParsePackedDib(dib.substr(0, dib.size() - 1), bmp));
  EXPECT_FALSE(cmd::gdi::ParsePackedDib(dib.substr(0, 39), bmp));
}

// ---------------------------------------------------------------- resources
TEST(Resources, BitmapsLoadByIdOrCaseFoldedName) {
  HINSTANCE module = cmd::res::NewModuleHandle();
  cmdtest::DibRecipe recipe{.width = 2, .height = 1, .bitCount = 1,
                            .colors = {cmdtest::Quad(0, 0, 0), cmdtest::Quad(255, 255, 255)}};
  std::string file = cmdtest::BmpFileBytes(recipe, [](int x, int) { return std::uint32_t(x); });
  ASSERT_TRUE(cmd::res::RegisterBitmap(module, MAKEINTRESOURCEW(101), file));
  ASSERT_TRUE(cmd::res::RegisterBitmap(module, u"Logo", file.substr(14)));  // packed DIB
  EXPECT_FALSE(cmd::res::RegisterBitmap(module, u"Bad", "xy"));

  for (LPCWSTR name : {MAKEINTRESOURCEW(101), static_cast<LPCWSTR>(u"#101"),
                       static_cast<LPCWSTR>(u"LOGO"), static_cast<LPCWSTR>(u"logo")}) {
    HBITMAP bm = LoadBitmapW(module, name);
    ASSERT_NE(bm, nullptr);
    BITMAP info{};
    GetObjectW(bm, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmBitsPixel, 1);  // two colours make a monochrome bitmap
    EXPECT_TRUE(DeleteObject(bm));
  }
  EXPECT_EQ(LoadBitmapW(module, MAKEINTRESOURCEW(102)), nullptr);
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(101)), nullptr);

  // A registered resource that is not a valid DIB loads as nothing.
  cmd::res::Register(module, RT_BITMAP, MAKEINTRESOURCEW(103), std::string(40, '\x01'));
  EXPECT_EQ(LoadBitmapW(module, MAKEINTRESOURCEW(103)), nullptr);

  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(101), RT_BITMAP);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(SizeofResource(module, found), file.size() - 14);
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, found)), file.data() + 14, 40), 0);
  cmd::res::RemoveModule(module);
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(101), RT_BITMAP), nullptr);
}

TEST(Resources, TheChainFindsTheModuleHoldingAResource) {
  // Start from an empty chain (the library's own module joins it at load).
  const std::vector<HINSTANCE> loaded = cmd::res::Chain();
  for (HINSTANCE m : loaded) cmd::res::RemoveFromChain(m);
  HINSTANCE program = cmd::res::NewModuleHandle(), extension = cmd::res::NewModuleHandle();
  cmd::res::AddToChain(program);
  cmd::res::AddToChain(extension);
  cmd::res::AddToChain(program);  // once only
  cmd::res::Register(extension, RT_MENU, MAKEINTRESOURCEW(7), "menu");
  EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(7), RT_MENU), extension);
  EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(8), RT_MENU), program);  // first in the chain
  EXPECT_EQ(cmd::res::Chain().size(), 2u);

  cmd::res::RegisterString(program, 5, u"工事材料");
  char16_t buffer[3];
  EXPECT_EQ(LoadStringW(program, 5, buffer, 3), 2);
  EXPECT_EQ(std::u16string(buffer), u"工事");
  EXPECT_EQ(LoadStringW(program, 6, buffer, 3), 0);
  EXPECT_EQ(buffer[0], 0);
  cmd::res::RemoveModule(program);
  cmd::res::RemoveModule(extension);
  EXPECT_TRUE(cmd::res::Chain().empty());
  for (HINSTANCE m : loaded) cmd::res::AddToChain(m);
}

// ---------------------------------------------------------------- global memory
TEST(GlobalMemory, FixedAndMoveableBlocks) {
  HGLOBAL fixed = GlobalAlloc(GPTR, 16);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(GlobalLock(fixed), fixed);
  EXPECT_EQ(static_cast<unsigned char*>(fixed)[15], 0);
  EXPECT_EQ(GlobalSize(fixed), 16u);
  EXPECT_EQ(GlobalFree(fixed), nullptr);

  HGLOBAL moveable = GlobalAlloc(GHND, 8);
  void* p = GlobalLock(moveable);
  ASSERT_NE(p, nullptr);
  EXPECT_NE(p, moveable);
  EXPECT_EQ(GlobalLock(moveable), p);
  EXPECT_TRUE(GlobalUnlock(moveable));   // one lock left
  EXPECT_FALSE(GlobalUnlock(moveable));  // unlocked
  EXPECT_FALSE(GlobalUnlock(moveable));  // was not locked
  EXPECT_EQ(GlobalFree(moveable), nullptr);
  EXPECT_EQ(GlobalFree(moveable), moveable);  // no longer a block
  EXPECT_EQ(GlobalLock(moveable), nullptr);
  EXPECT_EQ(GlobalSize(moveable), 0u);
}
