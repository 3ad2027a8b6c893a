// Fonts and text measurement: the records the builders make, what is
// selected and released, and the measuring helpers the text drawers stand
// on, on the recording back-end and on the real ones.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "draw/font_helpers.h"
#include "support/test_support.h"
#include "text_fixture.h"

using drawtest::Font;
using drawtest::OpKind;

namespace {

// Every field of a record: "height width escapement orientation weight
// italic underline strike-out charset out/clip/quality/pitch face", with
// "+" after the face when an earlier record's bytes remain behind it.
std::string Fields(const LOGFONTW& lf) {
  std::u16string face(lf.lfFaceName);
  bool dirty = false;
  for (std::size_t i = face.size(); i < LF_FACESIZE; ++i) dirty |= lf.lfFaceName[i] != 0;
  return drawtest::Str(lf.lfHeight, " ", lf.lfWidth, " ", lf.lfEscapement, " ", lf.lfOrientation,
                       " ", lf.lfWeight, " ", +lf.lfItalic, " ", +lf.lfUnderline, " ",
                       +lf.lfStrikeOut, " ", +lf.lfCharSet, " ", +lf.lfOutPrecision, "/",
                       +lf.lfClipPrecision, "/", +lf.lfQuality, "/", std::hex, +lf.lfPitchAndFamily,
                       " ", CString(face).ToUtf8(), dirty ? "+" : "");
}

LOGFONTW Dirty() {
  LOGFONTW lf;
  std::memset(&lf, 0xCC, sizeof lf);
  return lf;
}

std::string FieldsOf(CFont& font) {
  LOGFONTW lf{};
  EXPECT_TRUE(font.GetLogFont(&lf));
  return Fields(lf);
}

class Fonts : public drawtest::TextDrawing {
 protected:
  // The heights at which texts were measured since the last call.
  std::vector<LONG> MeasuredHeights() {
    std::vector<LONG> heights;
    for (const auto& op : cmd::gdi::RecordedOps(dc, OpKind::GetTextExtent))
      heights.push_back(op.font.lfHeight);
    cmd::gdi::ClearRecording(dc);
    return heights;
  }
};

}  // namespace

TEST(FontRecords, BuildersFillEveryField) {
  // A height of 0 takes the width; a face is cut to 31 units; an empty face
  // is not the default. The printer record ignores what the caller had.
  const std::u16string longFace(40, u'字');
  const struct { const char16_t* face; int h, w, weight; BYTE italic, underline, strikeOut;
                 std::string fields; } records[] = {
      {u"ＭＳ 明朝", 24, 10, FW_BOLD, 1, 2, 1, "24 10 0 0 700 1 2 1 1 0/0/0/52 ＭＳ 明朝"},
      {nullptr, 0, 24, FW_NORMAL, 0, 0, 0, "24 0 0 0 400 0 0 0 1 0/0/0/52 ＭＳ ゴシック"},
      {nullptr, -18, 7, 0, 0, 0, 0, "-18 7 0 0 0 0 0 0 1 0/0/0/52 ＭＳ ゴシック"},
      {nullptr, 0, 0, 0, 0, 0, 0, "0 0 0 0 0 0 0 0 1 0/0/0/52 ＭＳ ゴシック"},
      {longFace.c_str(), 12, 0, 0, 0, 0, 0,
       "12 0 0 0 0 0 0 0 1 0/0/0/52 " + CString(longFace.substr(0, 31)).ToUtf8()},
      {u"", 12, 0, 0, 0, 0, 0, "12 0 0 0 0 0 0 0 1 0/0/0/52 "},
  };
  for (const auto& r : records) {
    LOGFONTW lf = Dirty();
    MakeLogFont(&lf, r.face, r.h, r.w, r.weight, r.italic, r.underline, r.strikeOut);
    EXPECT_EQ(Fields(lf), r.fields);
  }
  MakeLogFont(nullptr, nullptr, 1, 1, 1, 1, 1, 1);  // nothing to fill
  LOGFONTW lf = Dirty();
  MakeLogFont(&lf, u"Arial", 10, 5, FW_BOLD, 1, 1, 1);
  MakeLogPrnFontParam(&lf, 50, 0, 3);
  EXPECT_EQ(Fields(lf), "50 0 0 0 300 0 3 0 128 0/0/0/52 ＭＳ ゴシック");
  MakeLogPrnFontParam(&lf, 0, 20, 0);
  EXPECT_EQ(Fields(lf), "0 20 0 0 300 0 0 0 128 0/0/0/52 ＭＳ ゴシック");
  // The point sizes come back unchanged.
  EXPECT_EQ(WhatIsFontPoint(-7, 99), -7);
  EXPECT_EQ(WhatIsFontPointX(12, 99), 12);
}

TEST_F(Fonts, SelectingBuildersSelectTheRecordAndGiveThePrevious) {
  CFont* stock = dc.GetCurrentFont();
  CFont font;
  CFont* previous = SelectMyFont(&dc, &font, u"ＭＳ Ｐゴシック", 0, 30, FW_BOLD, 1, 1, 0);
  EXPECT_EQ(previous, stock);
  EXPECT_EQ(dc.GetCurrentFont(), &font);
  auto selects = cmd::gdi::RecordedOps(dc, OpKind::SelectFont);
  ASSERT_EQ(selects.size(), 1u);
  EXPECT_EQ(Fields(selects[0].selectedFont), "30 0 0 0 700 1 1 0 1 0/0/0/52 ＭＳ Ｐゴシック");
  dc.SelectObject(previous);
  font.DeleteObject();
  previous = SelectMyPrnFont(&dc, &font, 42, 21, 2);
  EXPECT_EQ(FieldsOf(font), "42 21 0 0 300 0 2 0 128 0/0/0/52 ＭＳ ゴシック");
  EXPECT_EQ(dc.GetCurrentFont(), &font);
  dc.SelectObject(previous);
  font.DeleteObject();
  previous = cmd::draw::SelectMyTateFont(&dc, &font, nullptr, 24, 0, FW_NORMAL, 0, 1, 0);
  EXPECT_EQ(FieldsOf(font), "24 0 2700 0 400 0 1 0 1 0/0/0/52 ＭＳ ゴシック");
  cmd::draw::RestoreFont(&dc, &font, previous);
  EXPECT_EQ(font.m_hObject, nullptr);

  // The edit font is created bold without being selected; a font that
  // already holds a handle gives it up first.
  cmd::gdi::ClearRecording(dc);
  CFont edit, empty;
  SelectMyEditFont(nullptr, &edit, 0, 16, CString(u"ＭＳ ゴシック"));
  EXPECT_EQ(FieldsOf(edit), "16 0 0 0 700 0 0 0 1 0/0/0/52 ＭＳ ゴシック");
  SelectMyEditFont(&dc, &empty, 20, 8, CString());
  EXPECT_EQ(FieldsOf(empty), "20 8 0 0 700 0 0 0 1 0/0/0/52 ");
  SelectMyEditFont(nullptr, &empty, 30, 0, CString(u"x"));
  EXPECT_EQ(FieldsOf(empty), "30 0 0 0 700 0 0 0 1 0/0/0/52 x");
  EXPECT_TRUE(cmd::gdi::RecordedOps(dc, OpKind::SelectFont).empty());
}

TEST_F(Fonts, PrinterIsAboveTwoHundredDotsPerInchOfTheAttributeHandle) {
  for (int dpi : {96, 200, 201, 300}) {
    CDC other;
    other.Attach(cmd::gdi::CreateRecordingDC(dpi, dpi > 200));
    EXPECT_EQ(IsMyPrinterDC(&other), dpi > 200 ? 1 : 0) << dpi;
  }
  // A screen preview of a printer page.
  HDC printer = cmd::gdi::CreateRecordingDC(300, true);
  dc.SetAttribDC(printer);
  EXPECT_EQ(IsMyPrinterDC(&dc), 1);
  dc.SetAttribDC(dc.m_hDC);
  DeleteDC(printer);
  EXPECT_EQ(IsMyPrinterDC(nullptr), 0);
}

TEST_F(Fonts, MeasuringInTheRecordsFont) {
  LOGFONTW lf = Font(24), byWidth = Font(24, 10), zeroHeight = Font(24);
  zeroHeight.lfHeight = 0;
  zeroHeight.lfWidth = 20;  // a height of 0 takes the width as the height
  EXPECT_EQ(
      (std::vector<int>{MyGetTextLength(&dc, u"AB見", &lf), MyGetTextLength(&dc, u"AB見", &byWidth),
                        MyGetTextLength(&dc, u"AB", &zeroHeight), MyGetTextLength(&dc, u"", &lf),
                        MyGetTextLength(&dc, nullptr, &lf), MyGetTextLength(&dc, u"A", nullptr)}),
      (std::vector<int>{12 + 12 + 24, 10 + 10 + 20, 20, 0, 0, 0}));

  // MeasureText measures at a height without justification and restores both.
  dc.SetTextJustification(10, 1);
  cmd::gdi::ClearRecording(dc);
  SIZE s = cmd::draw::MeasureText(&dc, u"a b", &lf, 30);
  EXPECT_EQ((std::vector<LONG>{s.cx, s.cy}), (std::vector<LONG>{45, 30}));
  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SelectFont, OpKind::SetTextJustification,
                                           OpKind::GetTextExtent, OpKind::SelectFont}));
  auto measured = cmd::gdi::RecordedOps(dc, OpKind::GetTextExtent);
  EXPECT_EQ((std::vector<LONG>{measured[0].justifyExtra, measured[0].font.lfHeight,
                               measured[0].font.lfWidth}),
            (std::vector<LONG>{0, 30, 0}));
  cmd::gdi::ClearRecording(dc);

  // IsTextFitAtRatio measures at twentieths of the height, truncating
  // toward zero (an upside-down rectangle is negative), at least 1.
  LOGFONTW big = Font(99);
  RECT fits{0, 0, 40, 40}, tight{0, 0, 39, 40}, flat{0, 0, 5, 10}, upside{0, 45, 100, 0};
  EXPECT_TRUE(cmd::draw::IsTextFitAtRatio(&dc, &big, u"ABCD", &fits, 10));
  EXPECT_FALSE(cmd::draw::IsTextFitAtRatio(&dc, &big, u"ABCD", &tight, 10));
  EXPECT_TRUE(cmd::draw::IsTextFitAtRatio(&dc, &big, u"ABCD", &flat, 1));
  cmd::draw::IsTextFitAtRatio(&dc, &big, u"A", &upside, 3);
  EXPECT_EQ(MeasuredHeights(), (std::vector<LONG>{20, 20, 1, -6}));
}

TEST_F(Fonts, FitFontHeightStepsDownByTwentieths) {
  // Ten narrow characters are 5h wide: h = 20 is the first that fits 100.
  LOGFONTW lf = Font(40), wide = Font(40, 30);
  RECT r{0, 0, 100, 40}, small{10, 10, 60, 47};
  int height = 40;
  EXPECT_EQ(cmd::draw::FitFontHeight(&dc, &lf, u"0123456789", &r, &height), 1);
  EXPECT_EQ(height, 20);
  std::vector<LONG> expected{40};
  for (int k = 20; k >= 10; --k) expected.push_back(2 * k);
  EXPECT_EQ(MeasuredHeights(), expected);
  // A height that fits is left alone.
  height = 12;
  cmd::draw::FitFontHeight(&dc, &lf, u"短い", &r, &height);
  EXPECT_EQ(height, 12);
  EXPECT_EQ(MeasuredHeights(), (std::vector<LONG>{12}));
  // A fixed width makes every height too wide: all twenty are tried, from
  // the rectangle's 37 down to 37 / 20, and the full height comes back.
  height = 40;
  cmd::draw::FitFontHeight(&dc, &wide, u"ABCDEFGH", &small, &height);
  EXPECT_EQ(height, 37);
  expected = {40};
  for (int k = 20; k >= 1; --k) expected.push_back(37 * k / 20);
  EXPECT_EQ(MeasuredHeights(), expected);
}

TEST(CutLeadingSpaces, RemovesOnlyAsciiSpaces) {
  const std::u16string longLine = u"  " + std::u16string(300, u'x');
  const struct { std::u16string in, out; int removed; } cases[] = {
      {u"  abc", u"abc", 2}, {u"   ", u"", 3}, {u"abc", u"abc", 0}, {u"", u"", 0},
      {u"　字", u"　字", 0}, {u" \t x", u"\t x", 1},
      // Longer than the working copy of the original: all of its text kept.
      {longLine, longLine.substr(2), 2},
  };
  for (const auto& c : cases) {
    std::u16string buffer = c.in;
    EXPECT_EQ(cmd::draw::CutLeadingSpaces(buffer.data()), c.removed);
    EXPECT_EQ(std::u16string(buffer.c_str()), c.out);
  }
  EXPECT_EQ(cmd::draw::CutLeadingSpaces(nullptr), 0);
}

TEST(FontsOnCairo, MeasuringOnScreenAndPrinterReleasesEverything) {
  int before = cmd::gdi::LiveObjectCount();
  {
    cmdtest::TempDir dir;
    CDC screen, printer;
    screen.Attach(cmd::gdi::CreateImageDC(100, 100));
    printer.Attach(cmd::gdi::CreatePrinterDC((dir / "p.pdf").string()));
    EXPECT_EQ(IsMyPrinterDC(&screen), 0);
    EXPECT_EQ(IsMyPrinterDC(&printer), 1);
    LOGFONTW lf = Font(24), prn;
    // IPAGothic: half-width characters are half as wide as full-width ones.
    int narrow = MyGetTextLength(&screen, u"0000", &lf);
    EXPECT_NEAR(narrow, MyGetTextLength(&screen, u"見積", &lf), 2);
    EXPECT_GT(narrow, 30);
    // The same record on the printer: logical units are dots of either device.
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
