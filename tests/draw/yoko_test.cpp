// Horizontal text on the recording back-end. Its metrics make the fitting
// exact: at height h a narrow character is h / 2 wide and a full-width one h.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "draw/yoko_helpers.h"
#include "text_fixture.h"

using drawtest::Drawn;
using drawtest::OpKind;

namespace {

const std::u16string kTwelveWide = u"電気設備工事材料費一式計算";  // 13 units; the first 12 used

class Yoko : public drawtest::TextDrawing {
 protected:
  std::u16string Wide(int n) { return kTwelveWide.substr(0, std::size_t(n)); }
};

}  // namespace

// ---------------------------------------------------------------- fit mode
TEST_F(Yoko, TextThatFitsIsDrawnAsItIsOnOneLine) {
  LOGFONTW lf = Font(20, 0, 7);
  RECT rect{0, 0, 100, 40};
  EXPECT_EQ(DrawText2(&dc, CString(u"ABCDE"), &rect, DT_RIGHT, 100, 0, RGB(0, 0, 255), &lf, 0, 0),
            0);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, u"ABCDE");
  EXPECT_EQ(texts[0].rect, rect);
  EXPECT_EQ(texts[0].flags, DT_RIGHT | 0x820u);
  EXPECT_EQ(texts[0].font.lfHeight, 20);
  EXPECT_EQ(texts[0].font.lfUnderline, 1);
  EXPECT_EQ(texts[0].color, RGB(0, 0, 255));
  EXPECT_EQ(texts[0].x, 50);  // right-aligned: 100 - 5 * 10
  EXPECT_EQ(lf.lfUnderline, 1);
}

TEST_F(Yoko, TooWideAtHalfHeightBreaksIntoTwoLinesOfThePercentsHeight) {
  LOGFONTW lf = Font(30);
  RECT rect{0, 0, 100, 40};
  EXPECT_EQ(DrawText2(&dc, CString(Wide(12)), &rect, 0, 100, 0, 0, &lf, 0, 0), 1);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  // At the line height of 20 (above 50 per cent: half the cell) five
  // characters fill the 100 units.
  EXPECT_EQ(texts[0].text, Wide(5));
  EXPECT_EQ(texts[0].rect, (RECT{0, 0, 100, 20}));
  EXPECT_EQ(texts[0].flags, 0x828u);
  EXPECT_EQ(texts[1].text, Wide(12).substr(5));
  EXPECT_EQ(texts[1].rect, (RECT{0, 20, 100, 40}));
  EXPECT_EQ(texts[1].flags, 0x820u);
  EXPECT_EQ(texts[1].font.lfHeight, 20);
  EXPECT_EQ(texts[1].font.lfWidth, 0);
  // 30 per cent of the cell: 12 high, so eight characters make 96 units.
  Clear();
  EXPECT_EQ(DrawText2(&dc, CString(Wide(12)), &rect, DT_CENTER, 30, 0, 0, &lf, 0, 0), 1);
  texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, Wide(8));
  EXPECT_EQ(texts[0].font.lfHeight, 12);
  EXPECT_EQ(texts[0].flags, DT_CENTER | 0x828u);
}

TEST_F(Yoko, OneLineShrinksToATwentiethOtherwiseAHalfHeightLineIsCentred) {
  LOGFONTW lf = Font(40);
  RECT rect{0, 0, 100, 40};
  // Seven narrow characters: 98 wide at 14 twentieths (28), 105 at 15.
  EXPECT_EQ(DrawText2(&dc, CString(u"1234567"), &rect, 0, 100, 0, 0, &lf, 0, 1), 0);
  // Without one line they fit at half height: one line, centred vertically.
  EXPECT_EQ(DrawText2(&dc, CString(u"1234567"), &rect, 0, 100, 0, 0, &lf, 0, 0), 1);
  // A text that fits at the full cell height is drawn at the cell height.
  LOGFONTW big = Font(60);
  EXPECT_EQ(DrawText2(&dc, CString(u"12345"), &rect, 0, 100, 0, 0, &big, 0, 1), 0);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].font.lfHeight, 28);
  EXPECT_EQ(texts[0].flags, 0x820u);
  EXPECT_EQ(texts[0].rect, rect);
  EXPECT_EQ(texts[1].text, u"1234567");
  EXPECT_EQ(texts[1].font.lfHeight, 20);
  EXPECT_EQ(texts[1].flags, 0x824u);
  EXPECT_EQ(texts[1].rect, rect);
  EXPECT_EQ(texts[1].y, 10);
  EXPECT_EQ(texts[2].font.lfHeight, 40);
}

TEST_F(Yoko, LeadingSpacesBecomeAnIndentOfFullSizeSpaces) {
  LOGFONTW lf = Font(30, 8);
  RECT rect{10, 0, 110, 40};
  EXPECT_EQ(DrawText2(&dc, CString(u"   " + Wide(12)), &rect, 0, 100, 0, 0, &lf, 0, 0), 1);
  // The indent is three spaces of the record's height at width 0 (15
  // each), whatever lfWidth says.
  EXPECT_EQ(rect, (RECT{55, 0, 110, 40}));
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  // The break, at height 20 with the spaces (10 each): 30 + 3 * 20 fits.
  EXPECT_EQ(texts[0].text, Wide(3));
  EXPECT_EQ(texts[0].rect, (RECT{55, 0, 110, 20}));
  EXPECT_EQ(texts[1].text, Wide(12).substr(3));
  EXPECT_EQ(texts[1].rect, (RECT{55, 20, 110, 40}));
}

TEST_F(Yoko, EmptyTextNarrowCellsAndMissingArguments) {
  LOGFONTW lf = Font(20);
  RECT rect{0, 0, 100, 40};
  EXPECT_EQ(DrawText2(&dc, CString(), &rect, 0, 100, 0, 0, &lf, 0, 0), 0);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0].text, u"");
  // A character wider than the cell keeps the whole text.
  Clear();
  LOGFONTW big = Font(40);
  RECT thin{0, 0, 5, 40};
  EXPECT_EQ(DrawText2(&dc, CString(u"見積"), &thin, 0, 100, 0, 0, &big, 0, 0), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0].text, u"見積");
  EXPECT_EQ(Texts()[0].flags, 0x824u);
  Clear();
  for (RECT bad : {RECT{10, 5, 10, 45}, RECT{10, 5, 4, 45}, RECT{0, 0, 0, 0}}) {
    for (int mode : {0, 1}) {
      EXPECT_EQ(DrawText2(&dc, CString(u"AB"), &bad, 0, 100, mode, 0, &lf, 0, 0),
                bad.bottom - bad.top);
    }
  }
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(DrawText2(nullptr, CString(u"AB"), &rect, 0, 100, 0, 0, &lf, 0, 0), 0);
  EXPECT_EQ(DrawText2(&dc, CString(u"AB"), nullptr, 0, 100, 0, 0, &lf, 0, 0), 0);
  EXPECT_EQ(DrawText2(&dc, CString(u"AB"), &rect, 0, 100, 0, 0, nullptr, 0, 0), 0);
}

TEST_F(Yoko, VeryLongTextIsFittedFromItsFirst999Characters) {
  LOGFONTW lf = Font(20);
  RECT rect{0, 0, 100, 40};
  cmd::gdi::RecordEverything(dc, false);
  EXPECT_EQ(DrawText2(&dc, CString(std::u16string(5000, u'x')), &rect, 0, 100, 0, 0, &lf, 0, 0),
            1);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text.size(), 10u);
  EXPECT_EQ(texts[1].text.size(), 989u);
}

// ---------------------------------------------------------------- direct mode and underlines
TEST_F(Yoko, DirectModeDrawsTheRecordAsItIsAndFitModeSpansRestOnItsWidth) {
  LOGFONTW lf = Font(40, 0, 3);
  RECT rect{0, 0, 30, 10};
  // Any mode other than 0 and 2 draws directly.
  for (int mode : {1, 7, -1}) {
    Clear();
    EXPECT_EQ(DrawText2(&dc, CString(u"ABCD"), &rect, DT_CENTER, 100, mode, 0, &lf, 0, 0), 0);
    auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].font.lfHeight, 40);
    EXPECT_EQ(texts[0].font.lfUnderline, 1);  // a screen: the font's own underline
    EXPECT_EQ(texts[0].flags, DT_CENTER | 0x820u);
    EXPECT_EQ(cmd::draw::LastTextWidth(), 30);  // 80 wide, clamped to the cell
  }
  EXPECT_TRUE(Strokes().empty());
  // Fit mode spans rest on the last direct width; a narrower cell clamps it for good.
  LOGFONTW small = Font(20);
  RECT cell{0, 0, 200, 40}, rect2{0, 0, 200, 40}, narrow{0, 0, 25, 40};
  DrawText2(&dc, CString(u"ABCD"), &cell, 0, 100, 1, 0, &small, 0, 0);  // direct: 40 wide
  DrawTextRectSizeRet2(&dc, CString(u"A"), &rect2, DT_RIGHT, 0, 0, &small, 0, 0);
  EXPECT_EQ(rect2, (RECT{160, 0, 200, 40}));
  DrawTextRectSizeRet2(&dc, CString(u"A"), &narrow, DT_LEFT, 0, 0, &small, 0, 0);
  EXPECT_EQ(narrow, (RECT{0, 0, 25, 40}));
  EXPECT_EQ(cmd::draw::LastTextWidth(), 25);
}

TEST_F(Yoko, PrinterDirectModeDrawsAnUnderlineOfTheRecordsWidth) {
  Open(300, true);
  // "ABC" at height 40 is 60 wide in the cell from 100 to 500.
  for (const auto& [format, left, right] : {std::tuple<UINT, LONG, LONG>{DT_LEFT, 100, 160},
                                           {DT_CENTER, 270, 330}, {DT_RIGHT, 440, 500}}) {
    SCOPED_TRACE(format);
    Clear();
    LOGFONTW lf = Font(40, 0, 3);
    RECT rect{100, 100, 500, 160};
    EXPECT_EQ(DrawTextRectSizeRet2(&dc, CString(u"ABC"), &rect, format, 1, RGB(200, 0, 0), &lf,
                                   0, 0),
              0);
    EXPECT_EQ(lf.lfUnderline, 0);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].font.lfUnderline, 0);
    auto strokes = Strokes();
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0].Line(), (std::vector<LONG>{left, 160, right, 160}));
    EXPECT_EQ(strokes[0].pen.lopnWidth.x, 3);
    EXPECT_EQ(strokes[0].pen.lopnStyle, UINT(PS_SOLID));
    EXPECT_EQ(strokes[0].pen.lopnColor, RGB(200, 0, 0));
    EXPECT_EQ(rect, (RECT{left, 100, right, 160}));
  }
  // No underline asked: none drawn. In fit mode a printer uses the font's underline.
  Clear();
  LOGFONTW plain = Font(40), fit = Font(40, 0, 3);
  RECT rect{100, 100, 500, 160};
  DrawText2(&dc, CString(u"ABC"), &rect, 0, 100, 1, 0, &plain, 0, 0);
  DrawText2(&dc, CString(u"ABC"), &rect, 0, 100, 0, 0, &fit, 0, 0);
  EXPECT_EQ(fit.lfUnderline, 1);
  EXPECT_EQ(Texts()[1].font.lfUnderline, 1);
  EXPECT_TRUE(Strokes().empty());
}

TEST_F(Yoko, VerticalGoesToASingleTateColumnWhateverTheModeAndDevice) {
  Open(300, true);
  for (int mode : {0, 1, 2}) {
    Clear();
    LOGFONTW lf = Font(20, 0, 2);
    RECT rect{0, 0, 40, 200};
    EXPECT_EQ(DrawText2(&dc, CString(u"見積"), &rect, 0, 100, mode, 0, &lf, 1, 0), 1);
    EXPECT_EQ(lf.lfUnderline, 0);
    auto texts = Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].rect, (RECT{0, 20, 40, 200}));
    EXPECT_EQ(texts[1].flags, 0x821u);
    EXPECT_EQ(rect, (RECT{0, 0, 40, 200}));
    EXPECT_TRUE(Strokes().empty());
  }
}

// ---------------------------------------------------------------- lines mode
TEST_F(Yoko, LinesModeDrawsAtMostSixLinesFromTheTopLeft) {
  LOGFONTW lf = Font(20);
  RECT rect{5, 10, 105, 300};
  EXPECT_EQ(DrawText2(&dc, CString(u"L1\r\nABCDEFGHIJKL\r\n\r\nL4\r\nL5\r\nL6\r\nL7"), &rect, 0,
                      100, 2, 0, &lf, 0, 0),
            1);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 6u);
  const std::u16string expected[] = {u"L1", u"ABCDEFGHIJ", u"\r\n", u"L4", u"L5", u"L6"};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(texts[i].kind, OpKind::TextOut);
    EXPECT_EQ(texts[i].text, expected[i]) << i;
    EXPECT_EQ(texts[i].x, 5);
    EXPECT_EQ(texts[i].y, LONG(10 + 20 * i));
  }
  // It stops at the first line past the bottom.
  Clear();
  RECT low{0, 0, 100, 50};
  DrawText2(&dc, CString(u"a\r\nb\r\nc\r\nd"), &low, 0, 100, 2, 0, &lf, 0, 0);
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_EQ(Texts()[1].text, u"b");
}

// ---------------------------------------------------------------- DrawText2Ext
TEST_F(Yoko, Ext2DrawsTheFirstTextAtTheHeightTheSecondNeeds) {
  LOGFONTW lf = Font(40, 0, 4);
  RECT rect{0, 0, 100, 40}, rect2{0, 50, 100, 90};
  // The second text, ten narrow characters, fits at 10 twentieths: 20.
  EXPECT_EQ(DrawText2Ext(&dc, CString(u"AB"), &rect, CString(u"ABCDEFGHIJ"), &rect2, DT_CENTER, 0,
                         &lf),
            0);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, u"AB");
  EXPECT_EQ(texts[0].font.lfHeight, 20);
  EXPECT_EQ(texts[0].flags, DT_CENTER | 0x820u);
  EXPECT_EQ(lf.lfUnderline, 1);
  // The other way round the first text sets the height.
  Clear();
  DrawText2Ext(&dc, CString(u"ABCDEFGHIJ"), &rect, CString(u"AB"), &rect2, 0, 0, &lf);
  EXPECT_EQ(Texts()[0].font.lfHeight, 20);
  RECT none{0, 0, 0, 33};
  EXPECT_EQ(DrawText2Ext(&dc, CString(u"AB"), &none, CString(u"AB"), &rect2, 0, 0, &lf), 33);
}

// ---------------------------------------------------------------- underline strokes
TEST_F(Yoko, DblTextUnderLineRunsOnForTheSpanOfTheTextInTheSecondCell) {
  LOGFONTW lf = Font(20);
  RECT a{0, 0, 50, 30}, b{200, 0, 300, 30};
  std::vector<Stroke> strokes;
  // "AB" is 20 wide in b, 100 wide.
  for (const auto& [format, length] :
       {std::pair<UINT, int>{DT_RIGHT, 100}, {DT_CENTER, 60}, {DT_LEFT, 20}}) {
    Clear();
    EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"AB", &lf, format, 2, RGB(1, 1, 1)),
              50 + length);
    strokes = Strokes();
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0].Line(), (std::vector<LONG>{0, 30, 50 + length, 30}));
    EXPECT_EQ(strokes[0].pen.lopnWidth.x, 2);
  }
  EXPECT_TRUE(Texts().empty());
  // A text that needs two lines in b draws nothing.
  Clear();
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"見積書見積書見積", &lf, 0, 2, 0), 0);
  EXPECT_TRUE(Strokes().empty());
  // A text shrunk to fit is measured at the shrunk height: 7 narrow at 28.
  LOGFONTW tall = Font(40);
  RECT c{200, 0, 300, 40};
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &c, nullptr, u"1234567", &tall, 0, 1, 0), 50 + 98);
  // DrawUnderLine runs along the bottom for the length.
  Clear();
  RECT rect{10, 20, 90, 70};
  DrawUnderLine(&dc, &rect, 35, 4, RGB(0, 128, 0));
  strokes = Strokes();
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].Line(), (std::vector<LONG>{10, 70, 45, 70}));
  EXPECT_EQ(strokes[0].pen.lopnWidth.x, 4);
  EXPECT_EQ(strokes[0].pen.lopnColor, RGB(0, 128, 0));
  DrawUnderLine(nullptr, &rect, 1, 1, 0);
  DrawUnderLine(&dc, nullptr, 1, 1, 0);
}
