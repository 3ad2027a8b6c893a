// Fonts and text measurement, on the recording back-end: the records the
// builders make, what is selected and released, and the measuring helpers
// the text drawers stand on.
#include <gtest/gtest.h>

#include <cstring>

#include "cmddll3/cmddll3.h"
#include "draw/font_helpers.h"
#include "support/test_support.h"

using cmd::gdi::OpKind;

namespace {

const std::u16string kDefaultFace = u"ＭＳ ゴシック";

// What every field of a built record must be.
struct Record {
  LONG height, width, escapement, weight;
  BYTE italic, underline, strikeOut, charSet;
  std::u16string face;
};

void ExpectRecord(const LOGFONTW& lf, const Record& r, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_EQ((std::vector<LONG>{lf.lfHeight, lf.lfWidth, lf.lfEscapement, lf.lfOrientation,
                               lf.lfWeight, lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut,
                               lf.lfCharSet, lf.lfOutPrecision, lf.lfClipPrecision, lf.lfQuality,
                               lf.lfPitchAndFamily}),
            (std::vector<LONG>{r.height, r.width, r.escapement, 0, r.weight, r.italic, r.underline,
                               r.strikeOut, r.charSet, 0, 0, 0, 0x52}));
  EXPECT_EQ(std::u16string(lf.lfFaceName), r.face);
  // Nothing of an earlier record is left behind the face's terminator.
  std::size_t n = std::u16string(lf.lfFaceName).size();
  for (std::size_t i = n; i < LF_FACESIZE; ++i) EXPECT_EQ(lf.lfFaceName[i], 0) << i;
}

LOGFONTW Dirty() {
  LOGFONTW lf;
  std::memset(&lf, 0xCC, sizeof lf);
  return lf;
}

LOGFONTW Font(LONG height, LONG width = 0) {
  LOGFONTW lf;
  MakeLogFont(&lf, nullptr, height, width, FW_NORMAL, 0, 0, 0);
  return lf;
}

LOGFONTW LogFontOf(CFont& font) {
  LOGFONTW lf{};
  EXPECT_TRUE(font.GetLogFont(&lf));
  return lf;
}

class DrawFonts : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = cmd::gdi::LiveObjectCount();
    dc.Attach(cmd::gdi::CreateRecordingDC());
  }
  void TearDown() override {
    dc.DeleteDC();
    EXPECT_EQ(cmd::gdi::LiveObjectCount(), before_) << "a font or pen was not released";
  }
  std::vector<cmd::gdi::GdiOp> Ops(OpKind kind) { return cmd::gdi::RecordedOps(dc, kind); }
  // The heights at which texts were measured, in order.
  std::vector<LONG> MeasuredHeights() {
    std::vector<LONG> heights;
    for (const auto& op : Ops(OpKind::GetTextExtent)) heights.push_back(op.font.lfHeight);
    return heights;
  }

  CDC dc;

 private:
  int before_ = 0;
};

}  // namespace

// ---------------------------------------------------------------- builders
TEST(FontRecords, MakeLogFontFillsEveryField) {
  LOGFONTW lf = Dirty();
  MakeLogFont(&lf, u"ＭＳ 明朝", 24, 10, FW_BOLD, 1, 2, 1);
  ExpectRecord(lf, {24, 10, 0, 700, 1, 2, 1, 1, u"ＭＳ 明朝"}, "24 x 10");
  lf = Dirty();
  MakeLogFont(&lf, nullptr, 0, 24, FW_NORMAL, 0, 0, 0);
  ExpectRecord(lf, {24, 0, 0, 400, 0, 0, 0, 1, kDefaultFace}, "height 0 takes the width");
  MakeLogFont(&lf, nullptr, -18, 7, 0, 0, 0, 0);
  ExpectRecord(lf, {-18, 7, 0, 0, 0, 0, 0, 1, kDefaultFace}, "negative height kept");
  MakeLogFont(&lf, nullptr, 0, 0, 0, 0, 0, 0);
  ExpectRecord(lf, {0, 0, 0, 0, 0, 0, 0, 1, kDefaultFace}, "all zero");
  std::u16string longFace(40, u'字');
  MakeLogFont(&lf, longFace.c_str(), 12, 0, 0, 0, 0, 0);
  EXPECT_EQ(std::u16string(lf.lfFaceName), longFace.substr(0, 31));
  MakeLogFont(&lf, u"", 12, 0, 0, 0, 0, 0);
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"");  // an empty face is not the default
  MakeLogFont(nullptr, nullptr, 1, 1, 1, 1, 1, 1);  // nothing to fill
  EXPECT_EQ(std::u16string(cmd::draw::kDefaultFace), kDefaultFace);
  // The point sizes come back unchanged.
  EXPECT_EQ(WhatIsFontPoint(-7, 99), -7);
  EXPECT_EQ(WhatIsFontPointX(12, 99), 12);
}

TEST(FontRecords, PrinterRecordIgnoresWhatTheCallerHad) {
  LOGFONTW lf = Dirty();
  MakeLogFont(&lf, u"Arial", 10, 5, FW_BOLD, 1, 1, 1);  // what the caller asked before
  MakeLogPrnFontParam(&lf, 50, 0, 3);
  ExpectRecord(lf, {50, 0, 0, 300, 0, 3, 0, 128, kDefaultFace}, "printer");
  MakeLogPrnFontParam(&lf, 0, 20, 0);
  ExpectRecord(lf, {0, 20, 0, 300, 0, 0, 0, 128, kDefaultFace}, "height 0 stays 0");
}

// ---------------------------------------------------------------- selection
TEST_F(DrawFonts, SelectingBuildersSelectTheRecordAndGiveThePrevious) {
  CFont* stock = dc.GetCurrentFont();
  CFont font;
  CFont* previous = SelectMyFont(&dc, &font, u"ＭＳ Ｐゴシック", 0, 30, FW_BOLD, 1, 1, 0);
  EXPECT_EQ(previous, stock);
  EXPECT_EQ(dc.GetCurrentFont(), &font);
  auto selects = Ops(OpKind::SelectFont);
  ASSERT_EQ(selects.size(), 1u);
  ExpectRecord(selects[0].selectedFont, {30, 0, 0, 700, 1, 1, 0, 1, u"ＭＳ Ｐゴシック"}, "selected");
  dc.SelectObject(previous);
  font.DeleteObject();

  previous = SelectMyPrnFont(&dc, &font, 42, 21, 2);
  ExpectRecord(LogFontOf(font), {42, 21, 0, 300, 0, 2, 0, 128, kDefaultFace}, "printer font");
  EXPECT_EQ(dc.GetCurrentFont(), &font);
  dc.SelectObject(previous);
  font.DeleteObject();

  previous = cmd::draw::SelectMyTateFont(&dc, &font, nullptr, 24, 0, FW_NORMAL, 0, 1, 0);
  ExpectRecord(LogFontOf(font), {24, 0, 2700, 400, 0, 1, 0, 1, kDefaultFace}, "turned");
  cmd::draw::RestoreFont(&dc, &font, previous);
  EXPECT_EQ(font.m_hObject, nullptr);
}

TEST_F(DrawFonts, SelectMyEditFontCreatesWithoutSelecting) {
  CFont font;
  SelectMyEditFont(nullptr, &font, 0, 16, CString(u"ＭＳ ゴシック"));
  ExpectRecord(LogFontOf(font), {16, 0, 0, 700, 0, 0, 0, 1, kDefaultFace}, "edit font");
  CFont empty;
  SelectMyEditFont(&dc, &empty, 20, 8, CString());
  ExpectRecord(LogFontOf(empty), {20, 8, 0, 700, 0, 0, 0, 1, u""}, "empty face");
  EXPECT_TRUE(Ops(OpKind::SelectFont).empty());
  // A font that already holds a handle gives it up first.
  SelectMyEditFont(nullptr, &empty, 30, 0, CString(u"x"));
  EXPECT_EQ(LogFontOf(empty).lfHeight, 30);
}

TEST_F(DrawFonts, IsMyPrinterDCLooksAboveTwoHundredDotsPerInch) {
  for (int dpi : {96, 200, 201, 300}) {
    CDC other;
    other.Attach(cmd::gdi::CreateRecordingDC(dpi, dpi > 200));
    EXPECT_EQ(IsMyPrinterDC(&other), dpi > 200 ? 1 : 0) << dpi;
  }
  // The attribute handle decides: a screen preview of a printer page.
  HDC printer = cmd::gdi::CreateRecordingDC(300, true);
  dc.SetAttribDC(printer);
  EXPECT_EQ(IsMyPrinterDC(&dc), 1);
  dc.SetAttribDC(dc.m_hDC);
  DeleteDC(printer);
  EXPECT_EQ(IsMyPrinterDC(nullptr), 0);
}

// ---------------------------------------------------------------- measuring
TEST_F(DrawFonts, MyGetTextLengthMeasuresInTheRecordsFont) {
  LOGFONTW lf = Font(24);
  EXPECT_EQ(MyGetTextLength(&dc, u"AB見", &lf), 12 + 12 + 24);
  LOGFONTW byWidth = Font(24, 10);
  EXPECT_EQ(MyGetTextLength(&dc, u"AB見", &byWidth), 10 + 10 + 20);
  LOGFONTW zeroHeight = Font(24);
  zeroHeight.lfHeight = 0;
  zeroHeight.lfWidth = 20;  // a height of 0 takes the width as the height
  EXPECT_EQ(MyGetTextLength(&dc, u"AB", &zeroHeight), 20);
  EXPECT_EQ(MyGetTextLength(&dc, u"", &lf), 0);
  EXPECT_EQ(MyGetTextLength(&dc, nullptr, &lf), 0);
  EXPECT_EQ(MyGetTextLength(&dc, u"A", nullptr), 0);
  EXPECT_EQ(dc.GetCurrentFont()->GetSafeHandle(), GetStockObject(SYSTEM_FONT));
}

TEST_F(DrawFonts, MeasureTextResetsJustificationAndRestores) {
  LOGFONTW lf = Font(20);
  dc.SetTextJustification(10, 1);
  cmd::gdi::ClearRecording(dc);
  SIZE s = cmd::draw::MeasureText(&dc, u"a b", &lf, 30);
  EXPECT_EQ(s.cx, 45);  // at height 30, no justification
  EXPECT_EQ(s.cy, 30);
  std::vector<OpKind> kinds;
  for (const auto& op : *cmd::gdi::RecordedOps(dc)) kinds.push_back(op.kind);
  std::vector<OpKind> expected{OpKind::SelectFont, OpKind::SetTextJustification,
                               OpKind::GetTextExtent, OpKind::SelectFont};
  EXPECT_EQ(kinds, expected);
  auto measured = Ops(OpKind::GetTextExtent);
  EXPECT_EQ(measured[0].justifyExtra, 0);
  EXPECT_EQ(measured[0].font.lfHeight, 30);
  EXPECT_EQ(measured[0].font.lfWidth, 0);
}

TEST_F(DrawFonts, IsTextFitAtRatioMeasuresAtTwentieths) {
  LOGFONTW lf = Font(99);
  RECT r{0, 0, 40, 40};
  EXPECT_TRUE(cmd::draw::IsTextFitAtRatio(&dc, &lf, u"ABCD", &r, 10));  // height 20: 40 wide
  r.right = 39;
  EXPECT_FALSE(cmd::draw::IsTextFitAtRatio(&dc, &lf, u"ABCD", &r, 10));
  RECT flat{0, 0, 5, 10};
  EXPECT_TRUE(cmd::draw::IsTextFitAtRatio(&dc, &lf, u"ABCD", &flat, 1));  // 10 / 20 = 0: height 1
  // Negative heights (a rectangle upside down) truncate toward zero.
  RECT upside{0, 45, 100, 0};
  cmd::draw::IsTextFitAtRatio(&dc, &lf, u"A", &upside, 3);
  EXPECT_EQ(MeasuredHeights(), (std::vector<LONG>{20, 20, 1, -6}));
}

TEST_F(DrawFonts, FitFontHeightStepsDownByTwentieths) {
  LOGFONTW lf = Font(40);
  RECT r{0, 0, 100, 40};
  int height = 40;
  // Ten half-width characters: 10 * (h / 2) wide, so h = 20 is the first that fits.
  EXPECT_EQ(cmd::draw::FitFontHeight(&dc, &lf, u"0123456789", &r, &height), 1);
  EXPECT_EQ(height, 20);
  std::vector<LONG> expected{40};
  for (int k = 20; k >= 10; --k) expected.push_back(2 * k);
  EXPECT_EQ(MeasuredHeights(), expected);

  // A height that fits is left alone.
  cmd::gdi::ClearRecording(dc);
  height = 12;
  cmd::draw::FitFontHeight(&dc, &lf, u"短い", &r, &height);
  EXPECT_EQ(height, 12);
  EXPECT_EQ(MeasuredHeights(), (std::vector<LONG>{12}));

  // A fixed width makes every height too wide: the full height comes back.
  cmd::gdi::ClearRecording(dc);
  LOGFONTW wide = Font(40, 30);
  RECT small{10, 10, 60, 47};
  height = 40;
  cmd::draw::FitFontHeight(&dc, &wide, u"ABCDEFGH", &small, &height);
  EXPECT_EQ(height, 37);
  auto heights = MeasuredHeights();
  ASSERT_EQ(heights.size(), 21u);
  EXPECT_EQ(heights[1], 37);  // k = 20
  EXPECT_EQ(heights[20], 1);  // k = 1: 37 / 20 = 1
}

// ---------------------------------------------------------------- leading spaces
TEST(CutLeadingSpaces, RemovesOnlyAsciiSpaces) {
  struct Case {
    std::u16string in, out;
    int removed;
  };
  const Case cases[] = {
      {u"  abc", u"abc", 2}, {u"   ", u"", 3},           {u"abc", u"abc", 0},
      {u"", u"", 0},         {u"　字", u"　字", 0},  // an ideographic space stays
      {u" \t x", u"\t x", 1},
  };
  for (const auto& c : cases) {
    std::u16string buffer = c.in;
    buffer.push_back(0);
    EXPECT_EQ(cmd::draw::CutLeadingSpaces(buffer.data()), c.removed);
    EXPECT_EQ(std::u16string(buffer.c_str()), c.out);
  }
  // A line longer than the working copy of the original keeps all of its text.
  std::u16string longLine = u"  " + std::u16string(300, u'x');
  EXPECT_EQ(cmd::draw::CutLeadingSpaces(longLine.data()), 2);
  EXPECT_EQ(std::u16string(longLine.c_str()).size(), 300u);
  EXPECT_EQ(cmd::draw::CutLeadingSpaces(nullptr), 0);
}

// ---------------------------------------------------------------- real back-ends
TEST(FontsOnCairo, MeasuringOnScreenAndPrinterReleasesEverything) {
  int before = cmd::gdi::LiveObjectCount();
  {
    cmdtest::TempDir dir;
    CDC screen, printer;
    screen.Attach(cmd::gdi::CreateImageDC(100, 100));
    printer.Attach(cmd::gdi::CreatePrinterDC((dir / "p.pdf").string()));
    EXPECT_EQ(IsMyPrinterDC(&screen), 0);
    EXPECT_EQ(IsMyPrinterDC(&printer), 1);
    LOGFONTW lf = Font(24);
    // IPAGothic: half-width characters are half as wide as full-width ones.
    int narrow = MyGetTextLength(&screen, u"0000", &lf);
    EXPECT_NEAR(narrow, MyGetTextLength(&screen, u"見積", &lf), 2);
    EXPECT_GT(narrow, 30);
    // The same record on the printer: logical units are dots of either device.
    LOGFONTW prn;
    MakeLogPrnFontParam(&prn, 100, 0, 0);
    EXPECT_NEAR(MyGetTextLength(&printer, u"見積", &prn), 2 * 100 * 2048 / 2203, 2);
    RECT r{0, 0, 60, 24};
    int height = 24;
    cmd::draw::FitFontHeight(&screen, &lf, u"電気設備工事一式", &r, &height);
    EXPECT_LT(height, 24);
    EXPECT_LE(cmd::draw::MeasureText(&screen, u"電気設備工事一式", &lf, height).cx, 60);
  }
  EXPECT_EQ(cmd::gdi::LiveObjectCount(), before);
}
