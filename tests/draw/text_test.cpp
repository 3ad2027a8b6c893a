// Horizontal, vertical and multi-line text on the recording back-end. Its
// metrics make every place exact: at height h a character is h tall, a
// full-width one h wide and a narrow one h / 2. Each drawing is checked as
// the whole scene it records.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "draw/tate_helpers.h"
#include "draw/yoko_helpers.h"
#include "support/test_support.h"
#include "text_fixture.h"

using drawtest::Font;
using drawtest::Scene;

namespace {

class Text : public drawtest::TextDrawing {
 protected:
  // DrawText2 into a copy of `rect` with a copy of `lf`.
  int Yoko(const char16_t* text, RECT rect, UINT format, int percent, int mode, LOGFONTW lf,
           int tate = 0, int oneLine = 0, COLORREF color = 0) {
    return DrawText2(&dc, CString(text), &rect, format, percent, mode, color, &lf, tate, oneLine);
  }
};

const std::u16string kWide = u"電気設備工事材料費一式計";  // 12 full-width characters

}  // namespace

// ---------------------------------------------------------------- fitted horizontal text
TEST_F(Text, YokoFitsOnOneLineOrBreaksIntoTwoOfThePercentsHeight) {
  LOGFONTW lf = Font(20, 0, 7);
  RECT rect{0, 0, 100, 40};
  EXPECT_EQ(DrawText2(&dc, CString(u"ABCDE"), &rect, DT_RIGHT, 100, 0, RGB(0, 0, 255), &lf, 0, 0),
            0);
  EXPECT_EQ(lf.lfUnderline, 1);  // written back as a yes/no
  EXPECT_EQ(Drawn(), (Scene{"ABCDE [0 0 100 40] h20 f822 u cff0000"}));
  // Too wide at half height: two lines of 20 (above 50 per cent, half the
  // cell), five characters in the first; at 30 per cent 12 high, eight.
  EXPECT_EQ(Yoko(kWide.c_str(), rect, 0, 100, 0, Font(30)), 1);
  EXPECT_EQ(Yoko(kWide.c_str(), rect, DT_CENTER, 30, 0, Font(30)), 1);
  EXPECT_EQ(Drawn(), (Scene{"電気設備工 [0 0 100 20] h20 f828", "事材料費一式計 [0 20 100 40] h20 f820",
      "電気設備工事材料 [0 0 100 20] h12 f829", "費一式計 [0 20 100 40] h12 f821"}));
  // One line shrinks by twentieths (seven narrow: 98 wide at 28); without
  // it the text fits at half height, one line centred; a text that fits
  // the cell is drawn at the cell's height.
  EXPECT_EQ(Yoko(u"1234567", rect, 0, 100, 0, Font(40), 0, 1), 0);
  EXPECT_EQ(Yoko(u"1234567", rect, 0, 100, 0, Font(40), 0, 0), 1);
  EXPECT_EQ(Yoko(u"12345", rect, 0, 100, 0, Font(60), 0, 1), 0);
  EXPECT_EQ(Drawn(), (Scene{"1234567 [0 0 100 40] h28 f820", "1234567 [0 0 100 40] h20 f824",
      "12345 [0 0 100 40] h40 f820"}));
  // Leading spaces become an indent of record-height spaces at width 0 (15
  // each), whatever lfWidth says; the break counts them at 10.
  LOGFONTW narrow = Font(30, 8);
  RECT indented{10, 0, 110, 40};
  EXPECT_EQ(DrawText2(&dc, CString(u"   " + kWide), &indented, 0, 100, 0, 0, &narrow, 0, 0), 1);
  EXPECT_EQ(indented, (RECT{55, 0, 110, 40}));
  EXPECT_EQ(Drawn(), (Scene{"電気設 [55 0 110 20] h20 f828", "備工事材料費一式計 [55 20 110 40] h20 f820"}));
}

TEST_F(Text, YokoEdgeCases) {
  RECT rect{0, 0, 100, 40};
  // An empty text is drawn; a character wider than the cell keeps the text whole.
  EXPECT_EQ(Yoko(u"", rect, 0, 100, 0, Font(20)), 0);
  EXPECT_EQ(Yoko(u"見積", RECT{0, 0, 5, 40}, 0, 100, 0, Font(40)), 1);
  EXPECT_EQ(Drawn(), (Scene{" [0 0 100 40] h20 f820", "見積 [0 0 5 40] h20 f824"}));
  // Cells of no width give their height and draw nothing, in either mode.
  for (RECT bad : {RECT{10, 5, 10, 45}, RECT{10, 5, 4, 45}, RECT{0, 0, 0, 0}})
    for (int mode : {0, 1})
      EXPECT_EQ(Yoko(u"AB", bad, 0, 100, mode, Font(20)), bad.bottom - bad.top);
  LOGFONTW lf = Font(20);
  EXPECT_EQ(DrawText2(nullptr, CString(u"AB"), &rect, 0, 100, 0, 0, &lf, 0, 0), 0);
  EXPECT_EQ(DrawText2(&dc, CString(u"AB"), nullptr, 0, 100, 0, 0, &lf, 0, 0), 0);
  EXPECT_EQ(DrawText2(&dc, CString(u"AB"), &rect, 0, 100, 0, 0, nullptr, 0, 0), 0);
  EXPECT_EQ(Drawn(), Scene{});
  // A very long text is fitted from its first 999 characters.
  cmd::gdi::RecordEverything(dc, false);
  EXPECT_EQ(Yoko(std::u16string(5000, u'x').c_str(), rect, 0, 100, 0, Font(20)), 1);
  EXPECT_EQ(Drawn(), (Scene{"xxxxxxxxxx [0 0 100 20] h20 f828",
      std::string(989, 'x') + " [0 20 100 40] h20 f820"}));
}

TEST_F(Text, YokoDirectModeAndUnderlines) {
  // Any mode but 0 and 2 draws the record as it is; on a screen with the
  // font's own underline. The width drawn is kept, clamped to the cell.
  for (int mode : {1, 7, -1}) {
    EXPECT_EQ(Yoko(u"ABCD", RECT{0, 0, 30, 10}, DT_CENTER, 100, mode, Font(40, 0, 3)), 0);
    EXPECT_EQ(cmd::draw::LastTextWidth(), 30);
    EXPECT_EQ(Drawn(), (Scene{"ABCD [0 0 30 10] h40 f821 u"})) << mode;
  }
  // Fit mode spans rest on the last direct width; a narrower cell clamps it for good.
  LOGFONTW small = Font(20);
  RECT span{0, 0, 200, 40}, narrow{0, 0, 25, 40};
  Yoko(u"ABCD", span, 0, 100, 1, small);  // direct: 40 wide
  DrawTextRectSizeRet2(&dc, CString(u"A"), &span, DT_RIGHT, 0, 0, &small, 0, 0);
  EXPECT_EQ(span, (RECT{160, 0, 200, 40}));
  DrawTextRectSizeRet2(&dc, CString(u"A"), &narrow, DT_LEFT, 0, 0, &small, 0, 0);
  EXPECT_EQ(narrow, (RECT{0, 0, 25, 40}));
  EXPECT_EQ(cmd::draw::LastTextWidth(), 25);
  Drawn();

  // A printer draws an underline of the record's pen width along the text
  // ("ABC" at 40 is 60 wide in the cell from 100 to 500) and narrows the rectangle to it.
  Open(300, true);
  for (const auto& [format, left, right] : {std::tuple<UINT, LONG, LONG>{DT_LEFT, 100, 160},
                                           {DT_CENTER, 270, 330}, {DT_RIGHT, 440, 500}}) {
    LOGFONTW lf = Font(40, 0, 3);
    RECT rect{100, 100, 500, 160};
    EXPECT_EQ(
        DrawTextRectSizeRet2(&dc, CString(u"ABC"), &rect, format, 1, RGB(200, 0, 0), &lf, 0, 0), 0);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(rect, (RECT{left, 100, right, 160}));
  }
  EXPECT_EQ(Drawn(), (Scene{"ABC [100 100 500 160] h40 f820 c0000c8",
      "line 100 160 160 160 w3 c0000c8", "ABC [100 100 500 160] h40 f821 c0000c8",
      "line 270 160 330 160 w3 c0000c8", "ABC [100 100 500 160] h40 f822 c0000c8",
      "line 440 160 500 160 w3 c0000c8"}));
  // No underline asked: none; in fit mode a printer uses the font's underline.
  LOGFONTW fit = Font(40, 0, 3);
  RECT rect{100, 100, 500, 160};
  Yoko(u"ABC", rect, 0, 100, 1, Font(40));
  DrawText2(&dc, CString(u"ABC"), &rect, 0, 100, 0, 0, &fit, 0, 0);
  EXPECT_EQ(fit.lfUnderline, 1);
  EXPECT_EQ(Drawn(), (Scene{"ABC [100 100 500 160] h40 f820", "ABC [100 100 500 160] h40 f820 u"}));
  // Vertical goes to a single tate column whatever the mode, without underline.
  for (int mode : {0, 1, 2}) {
    LOGFONTW lf = Font(20, 0, 2);
    RECT column{0, 0, 40, 200};
    EXPECT_EQ(DrawText2(&dc, CString(u"見積"), &column, 0, 100, mode, 0, &lf, 1, 0), 1);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(column, (RECT{0, 0, 40, 200}));
    EXPECT_EQ(Drawn(), (Scene{"見積 [0 0+20 40 200] h20 f821"})) << mode;
  }
}

TEST_F(Text, YokoLinesModeAndTheTwoCellDrawers) {
  // Lines mode: at most six lines from the top left; it stops at the first
  // line past the bottom.
  EXPECT_EQ(Yoko(u"L1\r\nABCDEFGHIJKL\r\n\r\nL4\r\nL5\r\nL6\r\nL7", RECT{5, 10, 105, 300}, 0, 100,
                 2, Font(20)),
            1);
  Yoko(u"a\r\nb\r\nc\r\nd", RECT{0, 0, 100, 50}, 0, 100, 2, Font(20));
  EXPECT_EQ(Drawn(), (Scene{"L1 (5 10) h20", "ABCDEFGHIJ (5 30) h20", "\r\n (5 50) h20",
      "L4 (5 70) h20", "L5 (5 90) h20", "L6 (5 110) h20", "a (0 0) h20", "b (0 20) h20"}));

  // DrawText2Ext draws the first text at the height the second needs
  // (ten narrow: 20), or the first if that needs less.
  LOGFONTW lf = Font(40, 0, 4);
  RECT rect{0, 0, 100, 40}, rect2{0, 50, 100, 90}, none{0, 0, 0, 33};
  EXPECT_EQ(
      DrawText2Ext(&dc, CString(u"AB"), &rect, CString(u"ABCDEFGHIJ"), &rect2, DT_CENTER, 0, &lf),
      0);
  EXPECT_EQ(lf.lfUnderline, 1);
  DrawText2Ext(&dc, CString(u"ABCDEFGHIJ"), &rect, CString(u"AB"), &rect2, 0, 0, &lf);
  EXPECT_EQ(DrawText2Ext(&dc, CString(u"AB"), &none, CString(u"AB"), &rect2, 0, 0, &lf), 33);
  EXPECT_EQ(Drawn(), (Scene{"AB [0 0 100 40] h20 f821 u", "ABCDEFGHIJ [0 0 100 40] h20 f820 u"}));

  // DrawDblTextUnderLineExt underlines from a's left to the end of the text
  // in b ("AB" is 20 wide in 100), measured at a shrunk height (7 narrow at
  // 28: 98); a text needing two lines in b draws nothing.
  LOGFONTW small = Font(20);
  RECT a{0, 0, 50, 30}, b{200, 0, 300, 30}, c{200, 0, 300, 40};
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"AB", &small, DT_RIGHT, 2, RGB(1, 1, 1)),
            150);
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"AB", &small, DT_CENTER, 2, 0), 110);
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"AB", &small, DT_LEFT, 2, 0), 70);
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"見積書見積書見積", &small, 0, 2, 0), 0);
  LOGFONTW tall = Font(40);
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &c, nullptr, u"1234567", &tall, 0, 1, 0), 50 + 98);
  // DrawUnderLine runs along the bottom for the length.
  RECT under{10, 20, 90, 70};
  DrawUnderLine(&dc, &under, 35, 4, RGB(0, 128, 0));
  DrawUnderLine(nullptr, &under, 1, 1, 0);
  DrawUnderLine(&dc, nullptr, 1, 1, 0);
  EXPECT_EQ(Drawn(), (Scene{"line 0 30 150 30 w2 c010101", "line 0 30 110 30 w2",
      "line 0 30 70 30 w2", "line 0 30 148 30 w1", "line 10 70 45 70 w4 c008000"}));
}

// ---------------------------------------------------------------- vertical text
TEST(TateChars, TheTurnedSetIsExactlyTheTable) {
  const std::u16string turned = u"()-<>[]{}≪≫「」【】ー（）－＜＞｛｝～ｰ";
  for (char32_t c = 0; c <= 0xFFFF; ++c)
    EXPECT_EQ(cmd::draw::IsTateRotateChar(char16_t(c)),
              turned.find(char16_t(c)) != std::u16string::npos)
        << std::hex << unsigned(c);
}

TEST_F(Text, TateCharactersUprightTurnedAndWithSoundMarks) {
  // Kana stand upright, centred, top to bottom.
  LOGFONTW lf = Font(24, 0, 5);
  RECT rect{100, 10, 140, 400};
  EXPECT_EQ(DrawTateText2(&dc, CString(u"あいう"), &rect, 1, RGB(1, 2, 3), &lf), 1);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(rect, (RECT{100, 10, 140, 400}));
  EXPECT_EQ(Drawn(), (Scene{"あいう [100 10+24 140 400] h24 f821 u c030201"}));
  // Brackets and the long vowel are turned (written at 30 - (30 - 20) / 2,
  // lying to the left) and advance by their width; upright ones by height.
  LOGFONTW plain = Font(20);
  RECT column{0, 0, 30, 500};
  DrawTateText2(&dc, CString(u"「ラー」(A)"), &column, 1, 0, &plain);
  EXPECT_EQ(Drawn(), (Scene{"「 (25 0) h20 e2700", "ラ [0 20 30 500] h20 f821", "ー (25 40) h20 e2700",
      "」 (25 60) h20 e2700", "( (25 80) h20 e2700", "A [0 90 30 500] h20 f821",
      ") (25 110) h20 e2700"}));
  // ｶﾞ and ﾊﾟ take one place each, the mark beside the narrow character (at
  // 50 + 40 / 2 + 7 * 10 / 20); a mark at the start or after a turned
  // character stands on its own.
  RECT marks{50, 0, 90, 300};
  DrawTateText2(&dc, CString(u"ﾞｶﾞﾊﾟｰﾞ"), &marks, 1, 0, &plain);
  EXPECT_EQ(Drawn(), (Scene{"ﾞｶ [50 0+20 90 300] h20 f821", "ﾞ [73 20 90 300] h20 f820",
      "ﾊ [50 40 90 300] h20 f821", "ﾟ [73 40 90 300] h20 f820", "ｰ (80 60) h20 e2700",
      "ﾞ [50 70 90 300] h20 f821"}));
}

TEST_F(Text, TateColumnsRightToLeftAndLimits) {
  LOGFONTW lf = Font(20), small = Font(10);
  RECT two{10, 0, 51, 100}, three{0, 0, 90, 100}, single{0, 0, 30, 50}, yoko{0, 0, 40, 200};
  RECT flat{0, 0, 90, 0};
  // Two columns split the width in halves (10 + 41 / 2); a text that fits
  // one column uses the whole rectangle; a single column's last character is clipped.
  DrawTateText2(&dc, CString(u"一二三四五六"), &two, 0, 0, &lf);
  DrawTateText2(&dc, CString(u"一二三四"), &three, 0, 0, &lf);
  DrawTateText2(&dc, CString(u"一二三四五"), &single, 1, 0, &lf);
  EXPECT_EQ(Drawn(), (Scene{"一二三四 [30 0+20 51 100] h20 f821", "五六 [10 0+20 30 100] h20 f821",
      "一二三四 [0 0+20 90 100] h20 f821", "一二三 [0 0+20 30 50] h20 f821"}));
  // DrawYokoText2 counts columns against the width: each character a column
  // of its own (three counted); one column: all in the first.
  DrawYokoText2(&dc, CString(u"一二三四"), &yoko, 0, 0, &lf);
  DrawYokoText2(&dc, CString(u"一二三四"), &yoko, 1, 0, &lf);
  EXPECT_EQ(Drawn(), (Scene{"一二三四 [26 0+20 40 200] h20 f821", "一二三四 [0 0+20 40 200] h20 f821"}));
  EXPECT_EQ(DrawTateText2(&dc, CString(), &yoko, 0, 0, &lf), 1);
  // In a cell of no height the first character is handed on to the last
  // column, drawn there (clipped) and the drawing stops.
  EXPECT_EQ(DrawTateText2(&dc, CString(u"一二三四五"), &flat, 0, 0, &lf), 1);
  EXPECT_EQ(DrawTateText2(nullptr, CString(u"一"), &yoko, 0, 0, &lf), 1);
  EXPECT_EQ(DrawTateText2(&dc, CString(u"一"), nullptr, 0, 0, &lf), 1);
  EXPECT_EQ(DrawTateText2(&dc, CString(u"一"), &yoko, 0, 0, nullptr), 1);
  EXPECT_EQ(Drawn(), (Scene{"一 [0 0 45 0] h20 f821"}));
  // A very long text stops at the rectangle: three columns right to left,
  // nine in each of the first two, the last going on to past the bottom.
  DrawTateText2(&dc, CString(std::u16string(100000, u'字')), &three, 0, 0, &small);
  EXPECT_EQ(Drawn(), (Scene{"字字字字字字字字字 [60 0+10 90 100] h10 f821",
      "字字字字字字字字字 [30 0+10 60 100] h10 f821", "字字字字字字字字字字字 [0 0+10 30 100] h10 f821"}));
}

TEST_F(Text, SingleTateTextTakesTheWidthShrinksByTenthsAndCentres) {
  LOGFONTW lf = Font(12, 7, 1);
  lf.lfItalic = 1;
  RECT rect{0, 0, 30, 300};
  EXPECT_EQ(DrawSingleTateText(&dc, CString(u"見積"), &rect, 0, RGB(9, 9, 9), &lf), 1);
  // The record comes back as drawn: the default face, plain, at the width.
  EXPECT_EQ((std::vector<LONG>{lf.lfHeight, lf.lfWidth, lf.lfUnderline, lf.lfItalic}),
            (std::vector<LONG>{30, 0, 0, 0}));
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"ＭＳ ゴシック");
  // Five characters fit while 6h < 100: h = 15, five tenths of 30. The
  // brackets advance 10 each at 20. Too long for any tenth: the smallest,
  // from the top, until past the bottom.
  LOGFONTW five = Font(12), turned = Font(12), tooLong = Font(12);
  RECT box{0, 0, 30, 100}, narrow{0, 0, 20, 200};
  DrawSingleTateText(&dc, CString(u"電気設備費"), &box, 0, 0, &five);
  DrawSingleTateText(&dc, CString(u"(工)"), &narrow, 0, 0, &turned);
  EXPECT_EQ(five.lfHeight, 15);
  EXPECT_EQ(Drawn(), (Scene{"見積 [0 120+30 30 300] h30 f821 c090909",
      "電気設備費 [0 12+15 30 100] h15 f821", "( (20 80) h20 e2700", "工 [0 90 20 200] h20 f821",
      ") (20 110) h20 e2700"}));
  DrawSingleTateText(&dc, CString(std::u16string(40, u'字')), &box, 0, 0, &tooLong);
  EXPECT_EQ(tooLong.lfHeight, 3);
  std::string many;  // the 34th ends at 102, past the bottom
  for (int i = 0; i < 34; ++i) many += "字";
  EXPECT_EQ(Drawn(), Scene{many + " [0 0+3 30 100] h3 f821"});
}

TEST(FormatTateText, PutsALineFeedAfterEachOfAtMost999Characters) {
  char16_t buffer[16] = u"見積", empty[2] = u"";
  EXPECT_EQ(FormatTateText(buffer), buffer);
  EXPECT_EQ(std::u16string(buffer), u"見\n積\n");
  EXPECT_EQ(std::u16string(FormatTateText(empty)), u"");
  EXPECT_EQ(FormatTateText(nullptr), nullptr);
  std::u16string long_(1200, u'x');
  long_.resize(2 * 1200 + 1, 0);
  EXPECT_EQ(std::u16string(FormatTateText(long_.data())), [] {
    std::u16string out;
    for (int i = 0; i < 999; ++i) out += u"x\n";
    return out;
  }());
}

// ---------------------------------------------------------------- fitted columns and lines
TEST_F(Text, MultiTateFitsColumns) {
  // Two columns: at one the font is 60 high and overflows, at two 30 and
  // three fit each (the fourth ends at 120 - 6 >= 100). The record comes
  // back as drawn.
  LOGFONTW lf = Font(12, 5, 1);
  RECT rect{0, 0, 60, 100}, wide{0, 0, 100, 200}, three{0, 0, 90, 60}, small{0, 0, 50, 20};
  EXPECT_EQ(DrawMaltiTateText(&dc, CString(u"一二三四五"), &rect, 1, RGB(5, 5, 5), &lf), 1);
  EXPECT_EQ((std::vector<LONG>{lf.lfHeight, lf.lfWidth, lf.lfUnderline}),
            (std::vector<LONG>{30, 0, 0}));
  EXPECT_EQ(Drawn(), (Scene{"一二三 [30 0+30 60 100] h30 f821 c050505",
      "四五 [0 0+30 30 100] h30 f821 c050505"}));
  // One column is centred, 50 wide; three from the right.
  LOGFONTW one = Font(12), more = Font(12);
  DrawMaltiTateText(&dc, CString(u"一二"), &wide, 2, 0, &one);
  DrawMaltiTateText(&dc, CString(u"一二三四五六"), &three, 3, 0, &more);
  EXPECT_EQ(Drawn(), (Scene{"一二 [25 0+50 75 200] h50 f821", "一二 [60 0+30 90 60] h30 f821",
      "三四 [30 0+30 60 60] h30 f821", "五六 [0 0+30 30 60] h30 f821"}));
  // At most five columns of 10, two characters each, however long the text.
  for (int n : {14, 100000}) {
    LOGFONTW f = Font(12);
    DrawMaltiTateText(&dc, CString(std::u16string(std::size_t(n), u'字')), &small, 1, 0, &f);
    EXPECT_EQ(Drawn(), (Scene{"字字 [40 0+10 50 20] h10 f821", "字字 [30 0+10 40 20] h10 f821",
        "字字 [20 0+10 30 20] h10 f821", "字字 [10 0+10 20 20] h10 f821",
        "字字 [0 0+10 10 20] h10 f821"})) << n;
  }
  // CR LF, a lone CR and a lone LF each start the next column and are not
  // drawn; a break at the end opens no column.
  LOGFONTW breaks = Font(12);
  DrawMaltiTateText(&dc, CString(u"一行\r\n二\r三\n"), &three, 1, 0, &breaks);
  EXPECT_EQ(Drawn(), (Scene{"一行 [60 0+30 90 60] h30 f821", "二 [30 0 60 60] h30 f821",
      "三 [0 0 30 60] h30 f821"}));
}

TEST_F(Text, MultiYokoFitsLines) {
  // One line of 60 holds 3 narrow characters, two of 30 six (the seventh
  // ends at 105 - 3 >= 100); one line is centred; of three lines of 30 none
  // hold 26 letters, four of 22 do, the fourth left empty.
  LOGFONTW lf = Font(12), one = Font(12), three = Font(12);
  RECT rect{0, 0, 100, 60}, tall{0, 10, 100, 100};
  DrawMaltiYokoText(&dc, CString(u"ABCDEFGH"), &rect, 1, RGB(0, 9, 0), &lf);
  EXPECT_EQ(lf.lfHeight, 30);
  DrawMaltiYokoText(&dc, CString(u"AB"), &rect, 2, 0, &one);
  DrawMaltiYokoText(&dc, CString(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"), &tall, 3, 0, &three);
  EXPECT_EQ(Drawn(), (Scene{"ABCDEF [0 0 100 30] h30 f821 c000900",
      "GH [0 30 100 60] h30 f821 c000900", "AB [0 15 100 45] h30 f821",
      "ABCDEFGHI [0 10 100 32] h22 f821", "JKLMNOPQR [0 32 100 54] h22 f821",
      "STUVWXYZ [0 54 100 76] h22 f821", " [0 76 100 98] h22 f821"}));
  // A break (CR LF, CR or LF) starts the next line and is not drawn.
  for (const char16_t* text : {u"一行目\r\n二行目です", u"A\rB\nC", u"A\r\n\nC"}) {
    LOGFONTW f = Font(12);
    DrawMaltiYokoText(&dc, CString(text), &rect, 1, 0, &f);
  }
  EXPECT_EQ(Drawn(), (Scene{"一行目 [0 0 100 30] h20 f821", "二行目です [0 30 100 60] h20 f821",
      "ABC [0 0+20 100 20+20] h20 f821", "A [0 0 100 20] h20 f821", " [0 20 100 40] h20 f821",
      "C [0 40 100 60] h20 f821"}));
  // Bad first counts draw nothing; an empty text is one empty column
  // (nothing drawn) or one empty line.
  RECT cell{0, 0, 50, 20};
  for (int count : {0, -1, 6, 1000}) {
    LOGFONTW f = Font(12);
    EXPECT_EQ(DrawMaltiTateText(&dc, CString(u"字"), &cell, count, 0, &f), 1);
    EXPECT_EQ(DrawMaltiYokoText(&dc, CString(u"字"), &cell, count, 0, &f), 1);
  }
  EXPECT_EQ(DrawMaltiTateText(nullptr, CString(u"字"), &cell, 1, 0, &lf), 1);
  EXPECT_EQ(DrawMaltiYokoText(&dc, CString(u"字"), nullptr, 1, 0, &lf), 1);
  EXPECT_EQ(DrawMaltiTateText(&dc, CString(), &cell, 1, 0, &lf), 1);
  EXPECT_EQ(DrawMaltiYokoText(&dc, CString(), &cell, 1, 0, &lf), 1);
  EXPECT_EQ(Drawn(), (Scene{" [0 0 50 20] h20 f821"}));
}

// ---------------------------------------------------------------- fixed lines and columns
TEST_F(Text, FixMultiYokoNumbersBulletsAndBreaks) {
  // Lines of 30, font 30: " 1." is 45 wide, leaving 55 for three letters;
  // paragraphs are numbered, not wrapped lines, and the number is not underlined.
  LOGFONTW lf = Font(12, 0, 1);
  RECT rect{0, 0, 100, 90};
  EXPECT_EQ(DrawFixMultiYokoText(&dc, CString(u"ABCDEF\r\nXY"), &rect, 3, DT_RIGHT, 1, 100,
                                 RGB(7, 7, 7), &lf),
            1);
  EXPECT_EQ(Drawn(), (Scene{" 1. [0 0 100 30] h30 f4 c070707", "ABC [45 0 100 30] h30 f6 u c070707",
      "DEF [45 30 100 60] h30 f6 u c070707", " 2. [0 60 100 90] h30 f4 c070707",
      "XY [45 60 100 90] h30 f6 u c070707"}));
  // Two lines of 40 at 50 per cent: "・" is 20 wide; the third paragraph
  // finds no line. Without bullets an empty paragraph takes a line; a lone
  // LF or CR ends a line too.
  LOGFONTW bullets = Font(12), plain = Font(12);
  RECT two{0, 0, 200, 80}, other{10, 0, 110, 120};
  DrawFixMultiYokoText(&dc, CString(u"A\r\nB\r\nC"), &two, 2, 0, 2, 50, 0, &bullets);
  EXPECT_EQ(bullets.lfHeight, 20);
  DrawFixMultiYokoText(&dc, CString(u"AB\r\n\r\nCD"), &other, 4, 0, 0, 100, 0, &plain);
  DrawFixMultiYokoText(&dc, CString(u"AB\nCD\rEF"), &other, 4, 0, 0, 100, 0, &plain);
  EXPECT_EQ(Drawn(), (Scene{"・ [0 0 200 40] h20 f4", "A [20 0 200 40] h20 f4",
      "・ [0 40 200 80] h20 f4", "B [20 40 200 80] h20 f4", "AB [10 0 110 30] h30 f4",
      " [10 30 110 60] h30 f4", "CD [10 60 110 90] h30 f4", "AB [10 0 110 30] h30 f4",
      "CD [10 30 110 60] h30 f4", "EF [10 60 110 90] h30 f4"}));
  // A character bigger than the line or column stops the layout.
  RECT narrow{0, 0, 10, 4000000}, flat{0, 0, 4000000, 10};
  EXPECT_EQ(DrawFixMultiYokoText(&dc, CString(u"見積"), &narrow, 4000000000u, 0, 0, 100, 0, &plain),
            1);
  EXPECT_EQ(DrawFixMultiYokoText(&dc, CString(u"見積"), &narrow, 0, 0, 0, 100, 0, &plain), 1);
  EXPECT_EQ(DrawFixMultiTateText(&dc, CString(u"見積"), &flat, 4000000000u, 0, 0, 100, 0, &plain), 1);
  EXPECT_EQ(Drawn(), (Scene{" [0 0 10 0] h0 f4"}));
}

TEST_F(Text, FixMultiTateSideLinesNumbersAndDots) {
  // Columns of 30, font 30: three characters fill 90 of 100; a turned
  // bracket advances 15. Side lines only for an underline of 1: a pen of
  // 30 * 4 / 100, one in from the right edge, down to the last character.
  const Scene lined = (Scene{"一二三 [60 0+30 90 30+30] h30 f1 c000003", "line 89 0 89 90 w1 c000003",
      "四 [30 0 60 30] h30 f1 c000003", "line 59 0 59 30 w1 c000003", "五 [0 0 30 30] h30 f1 c000003",
      "( (30 30) h30 e2700 c000003", "六 [0 45 30 75] h30 f1 c000003",
      "line 29 0 29 75 w1 c000003"});
  for (BYTE underline : {1, 2}) {
    LOGFONTW lf = Font(12, 0, underline);
    RECT rect{0, 0, 90, 100};
    DrawFixMultiTateText(&dc, CString(u"一二三四\r\n五(六"), &rect, 3, 0, 0, 100, RGB(3, 0, 0), &lf);
    EXPECT_EQ(lf.lfUnderline, 0);
    Scene expected = lined;
    if (underline == 2)
      std::erase_if(expected, [](const std::string& s) { return s.starts_with("line"); });
    EXPECT_EQ(Drawn(), expected) << int(underline);
  }
  // ① is 30 tall: two characters fit below it; a continued column has no
  // number, a paragraph's number is its column's. At 50 per cent a middle dot.
  LOGFONTW lf = Font(12), dot = Font(12);
  RECT rect{0, 0, 90, 100}, single{0, 0, 40, 100};
  DrawFixMultiTateText(&dc, CString(u"一二三\n四"), &rect, 3, 0, 1, 100, 0, &lf);
  DrawFixMultiTateText(&dc, CString(u"一"), &single, 1, 0, 5, 50, 0, &dot);
  EXPECT_EQ(dot.lfHeight, 20);
  EXPECT_EQ(Drawn(), (Scene{"① [60 0 90 100] h30 f4", "一二 [60 30+30 90 60+30] h30 f1",
      "三 [30 30 60 60] h30 f1", "③ [0 0 30 100] h30 f4", "四 [0 30 30 60] h30 f1",
      "・ [0 0 40 100] h20 f4", "一 [0 20 40 40] h20 f1"}));
}

TEST(FixMultiYokoText2, WritesTheFirstLinesInQuotes) {
  cmdtest::TempDir dir;
  CString path = dir.win() + u"out.txt";
  {
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.GetString(), u"w,ccs=UNICODE"));
    EXPECT_EQ(DrawFixMultiYokoText2(&file, CString(u"一行目\r\n2\r\n3"), 2, 0), 1);
    EXPECT_EQ(DrawFixMultiYokoText2(&file, CString(u"lone\rcr\r\n"), 5, 0), 1);
    EXPECT_EQ(DrawFixMultiYokoText2(&file, CString(u"lf\nend"), 5, 0), 1);
    EXPECT_EQ(DrawFixMultiYokoText2(&file, CString(u"none"), 0, 0), 1);
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(cmdtest::ReadBytes(dir / "out.txt"),
            cmdtest::Utf16le(u"\"一行目\"\r\n\"2\"\r\n\"lone\"\r\n\"cr\"\r\n\"lf\"\r\n\"end\"\r\n"));
  EXPECT_EQ(DrawFixMultiYokoText2(nullptr, CString(u"x"), 1, 0), 1);
}

// ---------------------------------------------------------------- a real picture
TEST(TateOnImage, VerticalJapaneseStaysInsideItsCell) {
  int before = cmd::gdi::LiveObjectCount();
  {
    CDC dc;
    dc.Attach(cmd::gdi::CreateImageDC(120, 220));
    LOGFONTW lf = Font(24);
    RECT cell{40, 20, 80, 200};
    DrawTateText2(&dc, CString(u"「見積書」ー工事"), &cell, 1, RGB(0, 0, 0), &lf);
    cmd::gdi::Image image;
    ASSERT_TRUE(cmd::gdi::GetImage(dc, image));
    int inside = 0, outside = 0, lowest = 0;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        bool ink = image.At(x, y) != RGB(255, 255, 255);
        bool in = x >= cell.left && x < cell.right && y >= cell.top && y < cell.bottom;
        (in ? inside : outside) += ink;
        if (ink) lowest = std::max(lowest, y);
      }
    }
    EXPECT_GT(inside, 300);
    EXPECT_EQ(outside, 0);
    EXPECT_GT(lowest, 150);  // eight characters of about 24 reach far down the cell
  }
  EXPECT_EQ(cmd::gdi::LiveObjectCount(), before);
}
