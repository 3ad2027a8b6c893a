// The drawers on the recording back-end, whose metrics make every place
// exact (at height h a character is h tall, a full-width one h wide and a
// narrow one h / 2), each drawing checked as the whole scene it records:
// horizontal, vertical and multi-line text; fonts and text measurement;
// bitmap files, in-memory DIBs, masked resources, the cell's rule and the
// render target (files and blocks that lie about their sizes are never
// drawn). A few cases run on the real back-ends too.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "draw/font_helpers.h"
#include "draw/tate_helpers.h"
#include "draw/yoko_helpers.h"
#include "support/bmp_builder.h"
#include "text_fixture.h"

using drawtest::Font;
using drawtest::GdiOp;
using drawtest::OpKind;
using drawtest::Scene;
using drawtest::Str;
using cmdtest::Quad;
using cmdtest::With;
using KindList = std::vector<OpKind>;

namespace {

using Text = drawtest::TextDrawing;
using Fonts = Text;
using Bitmaps = Text;

const std::u16string kWide = u"電気設備工事材料費一式計";  // 12 full-width characters

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

HGLOBAL GlobalDib(const std::string& dib) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
  std::memcpy(GlobalLock(block), dib.data(), dib.size());
  GlobalUnlock(block);
  return block;
}

}  // namespace

// ---------------------------------------------------------------- fitted horizontal text
TEST_F(Text, YokoFitsBreaksDirectLinesAndTwoCellDrawers) {
  LOGFONTW lf = Font(20, 0, 7);
  RECT rect{0, 0, 100, 40};
  EXPECT_EQ(DrawText2(&dc, u"ABCDE", &rect, DT_RIGHT, 100, 0, RGB(0, 0, 255), &lf, 0, 0), 0);
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
  LOGFONTW thin = Font(30, 8);
  RECT indented{10, 0, 110, 40};
  EXPECT_EQ(DrawText2(&dc, CString(u"   " + kWide), &indented, 0, 100, 0, 0, &thin, 0, 0), 1);
  EXPECT_EQ(indented, (RECT{55, 0, 110, 40}));
  EXPECT_EQ(Drawn(), (Scene{"電気設 [55 0 110 20] h20 f828", "備工事材料費一式計 [55 20 110 40] h20 f820"}));

  // An empty text is drawn; a character wider than the cell keeps the text whole.
  EXPECT_EQ(Yoko(u"", rect, 0, 100, 0, Font(20)), 0);
  EXPECT_EQ(Yoko(u"見積", RECT{0, 0, 5, 40}, 0, 100, 0, Font(40)), 1);
  EXPECT_EQ(Drawn(), (Scene{" [0 0 100 40] h20 f820", "見積 [0 0 5 40] h20 f824"}));
  // Cells of no width give their height and draw nothing, in either mode.
  for (RECT bad : {RECT{10, 5, 10, 45}, RECT{10, 5, 4, 45}, RECT{0, 0, 0, 0}})
    for (int mode : {0, 1})
      EXPECT_EQ(Yoko(u"AB", bad, 0, 100, mode, Font(20)), bad.bottom - bad.top);
  LOGFONTW lf20 = Font(20);
  EXPECT_EQ(DrawText2(nullptr, u"AB", &rect, 0, 100, 0, 0, &lf20, 0, 0), 0);
  EXPECT_EQ(DrawText2(&dc, u"AB", nullptr, 0, 100, 0, 0, &lf20, 0, 0), 0);
  EXPECT_EQ(DrawText2(&dc, u"AB", &rect, 0, 100, 0, 0, nullptr, 0, 0), 0);
  EXPECT_EQ(Drawn(), Scene{});
  // A very long text is fitted from its first 999 characters.
  cmd::gdi::RecordEverything(dc, false);
  EXPECT_EQ(Yoko(std::u16string(5000, u'x').c_str(), rect, 0, 100, 0, Font(20)), 1);
  EXPECT_EQ(Drawn(), (Scene{"xxxxxxxxxx [0 0 100 20] h20 f828",
      std::string(989, 'x') + " [0 20 100 40] h20 f820"}));

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
  DrawTextRectSizeRet2(&dc, u"A", &span, DT_RIGHT, 0, 0, &small, 0, 0);
  EXPECT_EQ(span, (RECT{160, 0, 200, 40}));
  DrawTextRectSizeRet2(&dc, u"A", &narrow, DT_LEFT, 0, 0, &small, 0, 0);
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
    EXPECT_EQ(DrawTextRectSizeRet2(&dc, u"ABC", &rect, format, 1, RGB(200, 0, 0), &lf, 0, 0), 0);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(rect, (RECT{left, 100, right, 160}));
  }
  EXPECT_EQ(Drawn(), (Scene{"ABC [100 100 500 160] h40 f820 c0000c8",
      "line 100 160 160 160 w3 c0000c8", "ABC [100 100 500 160] h40 f821 c0000c8",
      "line 270 160 330 160 w3 c0000c8", "ABC [100 100 500 160] h40 f822 c0000c8",
      "line 440 160 500 160 w3 c0000c8"}));
  // No underline asked: none; in fit mode a printer uses the font's underline.
  LOGFONTW fit = Font(40, 0, 3);
  RECT page{100, 100, 500, 160};
  Yoko(u"ABC", page, 0, 100, 1, Font(40));
  DrawText2(&dc, u"ABC", &page, 0, 100, 0, 0, &fit, 0, 0);
  EXPECT_EQ(fit.lfUnderline, 1);
  EXPECT_EQ(Drawn(), (Scene{"ABC [100 100 500 160] h40 f820", "ABC [100 100 500 160] h40 f820 u"}));
  // Vertical goes to a single tate column whatever the mode, without underline.
  for (int mode : {0, 1, 2}) {
    LOGFONTW lf = Font(20, 0, 2);
    RECT column{0, 0, 40, 200};
    EXPECT_EQ(DrawText2(&dc, u"見積", &column, 0, 100, mode, 0, &lf, 1, 0), 1);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(column, (RECT{0, 0, 40, 200}));
    EXPECT_EQ(Drawn(), (Scene{"見積 [0 0+20 40 200] h20 f821"})) << mode;
  }

  // Lines mode, on a screen again: at most six lines from the top left; it
  // stops at the first line past the bottom.
  Open(96, false);
  const char16_t* seven = u"L1\r\nABCDEFGHIJKL\r\n\r\nL4\r\nL5\r\nL6\r\nL7";
  EXPECT_EQ(Yoko(seven, RECT{5, 10, 105, 300}, 0, 100, 2, Font(20)), 1);
  Yoko(u"a\r\nb\r\nc\r\nd", RECT{0, 0, 100, 50}, 0, 100, 2, Font(20));
  EXPECT_EQ(Drawn(), (Scene{"L1 (5 10) h20", "ABCDEFGHIJ (5 30) h20", "\r\n (5 50) h20",
      "L4 (5 70) h20", "L5 (5 90) h20", "L6 (5 110) h20", "a (0 0) h20", "b (0 20) h20"}));

  // DrawText2Ext draws the first text at the height the second needs
  // (ten narrow: 20), or the first if that needs less.
  LOGFONTW lf40 = Font(40, 0, 4);
  RECT cell{0, 0, 100, 40}, rect2{0, 50, 100, 90}, none{0, 0, 0, 33};
  EXPECT_EQ(DrawText2Ext(&dc, u"AB", &cell, u"ABCDEFGHIJ", &rect2, DT_CENTER, 0, &lf40), 0);
  EXPECT_EQ(lf40.lfUnderline, 1);
  DrawText2Ext(&dc, u"ABCDEFGHIJ", &cell, u"AB", &rect2, 0, 0, &lf40);
  EXPECT_EQ(DrawText2Ext(&dc, u"AB", &none, u"AB", &rect2, 0, 0, &lf40), 33);
  EXPECT_EQ(Drawn(), (Scene{"AB [0 0 100 40] h20 f821 u", "ABCDEFGHIJ [0 0 100 40] h20 f820 u"}));

  // DrawDblTextUnderLineExt underlines from a's left to the end of the text
  // in b ("AB" is 20 wide in 100), measured at a shrunk height (7 narrow at
  // 28: 98); a text needing two lines in b draws nothing.
  RECT a{0, 0, 50, 30}, b{200, 0, 300, 30}, c{200, 0, 300, 40};
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"AB", &lf20, DT_RIGHT, 2, RGB(1, 1, 1)),
            150);
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"AB", &lf20, DT_CENTER, 2, 0), 110);
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"AB", &lf20, DT_LEFT, 2, 0), 70);
  EXPECT_EQ(DrawDblTextUnderLineExt(&dc, &a, &b, nullptr, u"見積書見積書見積", &lf20, 0, 2, 0), 0);
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

TEST_F(Text, TateTextColumnsSingleColumnsLimitsAndHelpers) {
  // Kana stand upright, centred, top to bottom.
  LOGFONTW lf = Font(24, 0, 5);
  RECT rect{100, 10, 140, 400};
  EXPECT_EQ(DrawTateText2(&dc, u"あいう", &rect, 1, RGB(1, 2, 3), &lf), 1);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(rect, (RECT{100, 10, 140, 400}));
  EXPECT_EQ(Drawn(), (Scene{"あいう [100 10+24 140 400] h24 f821 u c030201"}));
  // Brackets and the long vowel are turned (written at 30 - (30 - 20) / 2,
  // lying to the left) and advance by their width; upright ones by height.
  Draw(DrawTateText2, u"「ラー」(A)", {0, 0, 30, 500}, 1, Font(20));
  EXPECT_EQ(Drawn(), (Scene{"「 (25 0) h20 e2700", "ラ [0 20 30 500] h20 f821", "ー (25 40) h20 e2700",
      "」 (25 60) h20 e2700", "( (25 80) h20 e2700", "A [0 90 30 500] h20 f821",
      ") (25 110) h20 e2700"}));
  // ｶﾞ and ﾊﾟ take one place each, the mark beside the narrow character (at
  // 50 + 40 / 2 + 7 * 10 / 20); a mark at the start or after a turned
  // character stands on its own.
  Draw(DrawTateText2, u"ﾞｶﾞﾊﾟｰﾞ", {50, 0, 90, 300}, 1, Font(20));
  EXPECT_EQ(Drawn(), (Scene{"ﾞｶ [50 0+20 90 300] h20 f821", "ﾞ [73 20 90 300] h20 f820",
      "ﾊ [50 40 90 300] h20 f821", "ﾟ [73 40 90 300] h20 f820", "ｰ (80 60) h20 e2700",
      "ﾞ [50 70 90 300] h20 f821"}));

  LOGFONTW lf20 = Font(20);
  RECT yoko{0, 0, 40, 200};
  // Two columns split the width in halves (10 + 41 / 2); a text that fits
  // one column uses the whole rectangle; a single column's last character is clipped.
  Draw(DrawTateText2, u"一二三四五六", {10, 0, 51, 100}, 0, lf20);
  Draw(DrawTateText2, u"一二三四", {0, 0, 90, 100}, 0, lf20);
  Draw(DrawTateText2, u"一二三四五", {0, 0, 30, 50}, 1, lf20);
  EXPECT_EQ(Drawn(), (Scene{"一二三四 [30 0+20 51 100] h20 f821", "五六 [10 0+20 30 100] h20 f821",
      "一二三四 [0 0+20 90 100] h20 f821", "一二三 [0 0+20 30 50] h20 f821"}));
  // DrawYokoText2 counts columns against the width: each character a column
  // of its own (three counted); one column: all in the first.
  Draw(DrawYokoText2, u"一二三四", yoko, 0, lf20);
  Draw(DrawYokoText2, u"一二三四", yoko, 1, lf20);
  EXPECT_EQ(Drawn(), (Scene{"一二三四 [26 0+20 40 200] h20 f821", "一二三四 [0 0+20 40 200] h20 f821"}));
  EXPECT_EQ(DrawTateText2(&dc, CString(), &yoko, 0, 0, &lf20), 1);
  // In a cell of no height the first character is handed on to the last
  // column, drawn there (clipped) and the drawing stops.
  EXPECT_EQ(Draw(DrawTateText2, u"一二三四五", {0, 0, 90, 0}, 0, lf20), 1);
  EXPECT_EQ(DrawTateText2(nullptr, u"一", &yoko, 0, 0, &lf20), 1);
  EXPECT_EQ(DrawTateText2(&dc, u"一", nullptr, 0, 0, &lf20), 1);
  EXPECT_EQ(DrawTateText2(&dc, u"一", &yoko, 0, 0, nullptr), 1);
  EXPECT_EQ(Drawn(), (Scene{"一 [0 0 45 0] h20 f821"}));
  // A very long text stops at the rectangle: three columns right to left,
  // nine in each of the first two, the last going on to past the bottom.
  Draw(DrawTateText2, CString(std::u16string(100000, u'字')), {0, 0, 90, 100}, 0, Font(10));
  EXPECT_EQ(Drawn(), (Scene{"字字字字字字字字字 [60 0+10 90 100] h10 f821",
      "字字字字字字字字字 [30 0+10 60 100] h10 f821", "字字字字字字字字字字字 [0 0+10 30 100] h10 f821"}));

  LOGFONTW lf12 = Font(12, 7, 1);
  lf12.lfItalic = 1;
  RECT cell{0, 0, 30, 300};
  EXPECT_EQ(DrawSingleTateText(&dc, u"見積", &cell, 0, RGB(9, 9, 9), &lf12), 1);
  // The record comes back as drawn: the default face, plain, at the width.
  EXPECT_EQ((std::vector<LONG>{lf12.lfHeight, lf12.lfWidth, lf12.lfUnderline, lf12.lfItalic}),
            (std::vector<LONG>{30, 0, 0, 0}));
  EXPECT_EQ(std::u16string(lf12.lfFaceName), u"ＭＳ ゴシック");
  // Five characters fit while 6h < 100: h = 15, five tenths of 30. The
  // brackets advance 10 each at 20. Too long for any tenth: the smallest,
  // from the top, until past the bottom.
  LOGFONTW five = Font(12), tooLong = Font(12);
  RECT box{0, 0, 30, 100};
  DrawSingleTateText(&dc, u"電気設備費", &box, 0, 0, &five);
  Draw(DrawSingleTateText, u"(工)", {0, 0, 20, 200}, 0, Font(12));
  EXPECT_EQ(five.lfHeight, 15);
  EXPECT_EQ(Drawn(), (Scene{"見積 [0 120+30 30 300] h30 f821 c090909",
      "電気設備費 [0 12+15 30 100] h15 f821", "( (20 80) h20 e2700", "工 [0 90 20 200] h20 f821",
      ") (20 110) h20 e2700"}));
  DrawSingleTateText(&dc, CString(std::u16string(40, u'字')), &box, 0, 0, &tooLong);
  EXPECT_EQ(tooLong.lfHeight, 3);
  std::string many;  // the 34th ends at 102, past the bottom
  for (int i = 0; i < 34; ++i) many += "字";
  EXPECT_EQ(Drawn(), Scene{many + " [0 0+3 30 100] h3 f821"});

  // The turned set of vertical text is exactly the table.
  const std::u16string turned = u"()-<>[]{}≪≫「」【】ー（）－＜＞｛｝～ｰ";
  for (char32_t c = 0; c <= 0xFFFF; ++c)
    EXPECT_EQ(cmd::draw::IsTateRotateChar(char16_t(c)),
              turned.find(char16_t(c)) != std::u16string::npos)
        << std::hex << unsigned(c);
  // FormatTateText puts a line feed after each of at most 999 characters.
  char16_t buffer[16] = u"見積", empty[2] = u"";
  EXPECT_EQ(FormatTateText(buffer), buffer);
  EXPECT_EQ(std::u16string(buffer), u"見\n積\n");
  EXPECT_EQ(std::u16string(FormatTateText(empty)), u"");
  EXPECT_EQ(FormatTateText(nullptr), nullptr);
  std::u16string long_(1200, u'x'), fed;
  long_.resize(2 * 1200 + 1, 0);
  for (int i = 0; i < 999; ++i) fed += u"x\n";
  EXPECT_EQ(std::u16string(FormatTateText(long_.data())), fed);
  // CutLeadingSpaces removes only ASCII spaces.
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

// ---------------------------------------------------------------- fitted columns and lines
TEST_F(Text, MultiTateColumnsYokoLinesAndFixedOnes) {
  // Two columns: at one the font is 60 high and overflows, at two 30 and
  // three fit each (the fourth ends at 120 - 6 >= 100). The record comes
  // back as drawn.
  LOGFONTW lf = Font(12, 5, 1);
  RECT rect{0, 0, 60, 100}, three{0, 0, 90, 60}, small{0, 0, 50, 20};
  EXPECT_EQ(DrawMaltiTateText(&dc, u"一二三四五", &rect, 1, RGB(5, 5, 5), &lf), 1);
  EXPECT_EQ((std::vector<LONG>{lf.lfHeight, lf.lfWidth, lf.lfUnderline}),
            (std::vector<LONG>{30, 0, 0}));
  EXPECT_EQ(Drawn(), (Scene{"一二三 [30 0+30 60 100] h30 f821 c050505",
      "四五 [0 0+30 30 100] h30 f821 c050505"}));
  // One column is centred, 50 wide; three from the right.
  Draw(DrawMaltiTateText, u"一二", {0, 0, 100, 200}, 2, Font(12));
  Draw(DrawMaltiTateText, u"一二三四五六", three, 3, Font(12));
  EXPECT_EQ(Drawn(), (Scene{"一二 [25 0+50 75 200] h50 f821", "一二 [60 0+30 90 60] h30 f821",
      "三四 [30 0+30 60 60] h30 f821", "五六 [0 0+30 30 60] h30 f821"}));
  // At most five columns of 10, two characters each, however long the text.
  for (int n : {14, 100000}) {
    Draw(DrawMaltiTateText, CString(std::u16string(std::size_t(n), u'字')), small, 1, Font(12));
    EXPECT_EQ(Drawn(), (Scene{"字字 [40 0+10 50 20] h10 f821", "字字 [30 0+10 40 20] h10 f821",
        "字字 [20 0+10 30 20] h10 f821", "字字 [10 0+10 20 20] h10 f821",
        "字字 [0 0+10 10 20] h10 f821"})) << n;
  }
  // CR LF, a lone CR and a lone LF each start the next column and are not
  // drawn; a break at the end opens no column.
  Draw(DrawMaltiTateText, u"一行\r\n二\r三\n", three, 1, Font(12));
  EXPECT_EQ(Drawn(), (Scene{"一行 [60 0+30 90 60] h30 f821", "二 [30 0 60 60] h30 f821",
      "三 [0 0 30 60] h30 f821"}));

  // One line of 60 holds 3 narrow characters, two of 30 six (the seventh
  // ends at 105 - 3 >= 100); one line is centred; of three lines of 30 none
  // hold 26 letters, four of 22 do, the fourth left empty.
  LOGFONTW yoko = Font(12);
  RECT lines{0, 0, 100, 60};
  DrawMaltiYokoText(&dc, u"ABCDEFGH", &lines, 1, RGB(0, 9, 0), &yoko);
  EXPECT_EQ(yoko.lfHeight, 30);
  Draw(DrawMaltiYokoText, u"AB", lines, 2, Font(12));
  Draw(DrawMaltiYokoText, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", {0, 10, 100, 100}, 3, Font(12));
  EXPECT_EQ(Drawn(), (Scene{"ABCDEF [0 0 100 30] h30 f821 c000900",
      "GH [0 30 100 60] h30 f821 c000900", "AB [0 15 100 45] h30 f821",
      "ABCDEFGHI [0 10 100 32] h22 f821", "JKLMNOPQR [0 32 100 54] h22 f821",
      "STUVWXYZ [0 54 100 76] h22 f821", " [0 76 100 98] h22 f821"}));
  // A break (CR LF, CR or LF) starts the next line and is not drawn.
  for (const char16_t* text : {u"一行目\r\n二行目です", u"A\rB\nC", u"A\r\n\nC"})
    Draw(DrawMaltiYokoText, text, lines, 1, Font(12));
  EXPECT_EQ(Drawn(), (Scene{"一行目 [0 0 100 30] h20 f821", "二行目です [0 30 100 60] h20 f821",
      "ABC [0 0+20 100 20+20] h20 f821", "A [0 0 100 20] h20 f821", " [0 20 100 40] h20 f821",
      "C [0 40 100 60] h20 f821"}));
  // Bad first counts draw nothing; an empty text is one empty column
  // (nothing drawn) or one empty line.
  RECT cell{0, 0, 50, 20};
  for (int count : {0, -1, 6, 1000}) {
    EXPECT_EQ(Draw(DrawMaltiTateText, u"字", cell, count, Font(12)), 1);
    EXPECT_EQ(Draw(DrawMaltiYokoText, u"字", cell, count, Font(12)), 1);
  }
  EXPECT_EQ(DrawMaltiTateText(nullptr, u"字", &cell, 1, 0, &yoko), 1);
  EXPECT_EQ(DrawMaltiYokoText(&dc, u"字", nullptr, 1, 0, &yoko), 1);
  EXPECT_EQ(DrawMaltiTateText(&dc, CString(), &cell, 1, 0, &yoko), 1);
  EXPECT_EQ(DrawMaltiYokoText(&dc, CString(), &cell, 1, 0, &yoko), 1);
  EXPECT_EQ(Drawn(), (Scene{" [0 0 50 20] h20 f821"}));

  // Fixed lines of 30, font 30: " 1." is 45 wide, leaving 55 for three letters;
  // paragraphs are numbered, not wrapped lines, and the number is not underlined.
  LOGFONTW numbered = Font(12, 0, 1);
  RECT page{0, 0, 100, 90};
  EXPECT_EQ(DrawFixMultiYokoText(&dc, u"ABCDEF\r\nXY", &page, 3, DT_RIGHT, 1, 100,
                                 RGB(7, 7, 7), &numbered), 1);
  EXPECT_EQ(Drawn(), (Scene{" 1. [0 0 100 30] h30 f4 c070707", "ABC [45 0 100 30] h30 f6 u c070707",
      "DEF [45 30 100 60] h30 f6 u c070707", " 2. [0 60 100 90] h30 f4 c070707",
      "XY [45 60 100 90] h30 f6 u c070707"}));
  // Two lines of 40 at 50 per cent: "・" is 20 wide; the third paragraph
  // finds no line. Without bullets an empty paragraph takes a line; a lone
  // LF or CR ends a line too.
  LOGFONTW bullets = Font(12), plain = Font(12);
  RECT two{0, 0, 200, 80}, other{10, 0, 110, 120};
  DrawFixMultiYokoText(&dc, u"A\r\nB\r\nC", &two, 2, 0, 2, 50, 0, &bullets);
  EXPECT_EQ(bullets.lfHeight, 20);
  DrawFixMultiYokoText(&dc, u"AB\r\n\r\nCD", &other, 4, 0, 0, 100, 0, &plain);
  DrawFixMultiYokoText(&dc, u"AB\nCD\rEF", &other, 4, 0, 0, 100, 0, &plain);
  EXPECT_EQ(Drawn(), (Scene{"・ [0 0 200 40] h20 f4", "A [20 0 200 40] h20 f4",
      "・ [0 40 200 80] h20 f4", "B [20 40 200 80] h20 f4", "AB [10 0 110 30] h30 f4",
      " [10 30 110 60] h30 f4", "CD [10 60 110 90] h30 f4", "AB [10 0 110 30] h30 f4",
      "CD [10 30 110 60] h30 f4", "EF [10 60 110 90] h30 f4"}));
  // A character bigger than the line or column stops the layout.
  RECT narrow{0, 0, 10, 4000000}, flat{0, 0, 4000000, 10};
  EXPECT_EQ(DrawFixMultiYokoText(&dc, u"見積", &narrow, 4000000000u, 0, 0, 100, 0, &plain), 1);
  EXPECT_EQ(DrawFixMultiYokoText(&dc, u"見積", &narrow, 0, 0, 0, 100, 0, &plain), 1);
  EXPECT_EQ(DrawFixMultiTateText(&dc, u"見積", &flat, 4000000000u, 0, 0, 100, 0, &plain), 1);
  EXPECT_EQ(Drawn(), (Scene{" [0 0 10 0] h0 f4"}));
  // DrawFixMultiYokoText2 writes the first lines of each paragraph to a file, in quotes.
  CStdioFile file;
  ASSERT_TRUE(file.Open((dir.win() + u"out.txt").GetString(), u"w,ccs=UNICODE"));
  EXPECT_EQ(DrawFixMultiYokoText2(&file, u"一行目\r\n2\r\n3", 2, 0), 1);
  EXPECT_EQ(DrawFixMultiYokoText2(&file, u"lone\rcr\r\n", 5, 0), 1);
  EXPECT_EQ(DrawFixMultiYokoText2(&file, u"lf\nend", 5, 0), 1);
  EXPECT_EQ(DrawFixMultiYokoText2(&file, u"none", 0, 0), 1);
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(cmdtest::ReadBytes(dir / "out.txt"),
            cmdtest::Utf16le(u"\"一行目\"\r\n\"2\"\r\n\"lone\"\r\n\"cr\"\r\n\"lf\"\r\n\"end\"\r\n"));
  EXPECT_EQ(DrawFixMultiYokoText2(nullptr, u"x", 1, 0), 1);

  // Columns of 30, font 30: three characters fill 90 of 100; a turned
  // bracket advances 15. Side lines only for an underline of 1: a pen of
  // 30 * 4 / 100, one in from the right edge, down to the last character.
  const Scene lined = (Scene{"一二三 [60 0+30 90 30+30] h30 f1 c000003", "line 89 0 89 90 w1 c000003",
      "四 [30 0 60 30] h30 f1 c000003", "line 59 0 59 30 w1 c000003", "五 [0 0 30 30] h30 f1 c000003",
      "( (30 30) h30 e2700 c000003", "六 [0 45 30 75] h30 f1 c000003",
      "line 29 0 29 75 w1 c000003"});
  for (BYTE underline : {1, 2}) {
    LOGFONTW tate = Font(12, 0, underline);
    RECT columns{0, 0, 90, 100};
    DrawFixMultiTateText(&dc, u"一二三四\r\n五(六", &columns, 3, 0, 0, 100, RGB(3, 0, 0), &tate);
    EXPECT_EQ(tate.lfUnderline, 0);
    Scene expected = lined;
    if (underline == 2)
      std::erase_if(expected, [](const std::string& s) { return s.starts_with("line"); });
    EXPECT_EQ(Drawn(), expected) << int(underline);
  }
  // ① is 30 tall: two characters fit below it; a continued column has no
  // number, a paragraph's number is its column's. At 50 per cent a middle dot.
  LOGFONTW tate = Font(12), dot = Font(12);
  RECT columns{0, 0, 90, 100}, single{0, 0, 40, 100};
  DrawFixMultiTateText(&dc, u"一二三\n四", &columns, 3, 0, 1, 100, 0, &tate);
  DrawFixMultiTateText(&dc, u"一", &single, 1, 0, 5, 50, 0, &dot);
  EXPECT_EQ(dot.lfHeight, 20);
  EXPECT_EQ(Drawn(), (Scene{"① [60 0 90 100] h30 f4", "一二 [60 30+30 90 60+30] h30 f1",
      "三 [30 30 60 60] h30 f1", "③ [0 0 30 100] h30 f4", "四 [0 30 30 60] h30 f1",
      "・ [0 0 40 100] h20 f4", "一 [0 20 40 40] h20 f1"}));
}

TEST_F(Fonts, FontsBuiltSelectedMeasuredAndFitted) {
  CFont* stock = dc.GetCurrentFont();
  CFont font;
  CFont* previous = SelectMyFont(&dc, &font, u"ＭＳ Ｐゴシック", 0, 30, FW_BOLD, 1, 1, 0);
  EXPECT_EQ(previous, stock);
  EXPECT_EQ(dc.GetCurrentFont(), &font);
  auto selects = cmd::gdi::RecordedOps(dc, OpKind::SelectFont);
  ASSERT_EQ(selects.size(), 1u);
  EXPECT_EQ(Fields(selects[0].selectedFont), "30 0 0 0 700 1 1 0 1 0/0/0/52 ＭＳ Ｐゴシック");
  cmd::draw::RestoreFont(&dc, &font, previous);
  previous = SelectMyPrnFont(&dc, &font, 42, 21, 2);
  EXPECT_EQ(FieldsOf(font), "42 21 0 0 300 0 2 0 128 0/0/0/52 ＭＳ ゴシック");
  EXPECT_EQ(dc.GetCurrentFont(), &font);
  cmd::draw::RestoreFont(&dc, &font, previous);
  previous = cmd::draw::SelectMyTateFont(&dc, &font, nullptr, 24, 0, FW_NORMAL, 0, 1, 0);
  EXPECT_EQ(FieldsOf(font), "24 0 2700 0 400 0 1 0 1 0/0/0/52 ＭＳ ゴシック");
  cmd::draw::RestoreFont(&dc, &font, previous);
  EXPECT_EQ(font.m_hObject, nullptr);

  // The edit font is created bold without being selected; a font that
  // already holds a handle gives it up first.
  cmd::gdi::ClearRecording(dc);
  CFont edit, empty;
  SelectMyEditFont(nullptr, &edit, 0, 16, u"ＭＳ ゴシック");
  EXPECT_EQ(FieldsOf(edit), "16 0 0 0 700 0 0 0 1 0/0/0/52 ＭＳ ゴシック");
  SelectMyEditFont(&dc, &empty, 20, 8, CString());
  EXPECT_EQ(FieldsOf(empty), "20 8 0 0 700 0 0 0 1 0/0/0/52 ");
  SelectMyEditFont(nullptr, &empty, 30, 0, u"x");
  EXPECT_EQ(FieldsOf(empty), "30 0 0 0 700 0 0 0 1 0/0/0/52 x");
  EXPECT_TRUE(cmd::gdi::RecordedOps(dc, OpKind::SelectFont).empty());
  // A printer is above 200 dots per inch of the attribute handle.
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

  // A height of 0 takes the width; a face is cut to 31 units; an empty face
  // is not the default. The printer record ignores what the caller had.
  const std::u16string longFace(40, u'字');
  const struct { const char16_t* face; int h, w, weight; BYTE italic, underline, strikeOut;
                 std::string fields; } records[] = {
      {u"ＭＳ 明朝", 24, 10, FW_BOLD, 1, 2, 1, "24 10 0 0 700 1 2 1 1 0/0/0/52 ＭＳ 明朝"},
      {nullptr, 0, 24, FW_NORMAL, 0, 0, 0, "24 0 0 0 400 0 0 0 1 0/0/0/52 ＭＳ ゴシック"},
      {nullptr, -18, 7, 0, 0, 0, 0, "-18 7 0 0 0 0 0 0 1 0/0/0/52 ＭＳ ゴシック"},
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
  EXPECT_EQ((std::vector{WhatIsFontPoint(-7, 99), WhatIsFontPointX(12, 99)}), (std::vector{-7, 12}));

  LOGFONTW lf24 = Font(24), byWidth = Font(24, 10), zeroHeight = Font(24);
  zeroHeight.lfHeight = 0;
  zeroHeight.lfWidth = 20;  // a height of 0 takes the width as the height
  EXPECT_EQ(
      (std::vector<int>{MyGetTextLength(&dc, u"AB見", &lf24), MyGetTextLength(&dc, u"AB見", &byWidth),
                        MyGetTextLength(&dc, u"AB", &zeroHeight), MyGetTextLength(&dc, u"", &lf24),
                        MyGetTextLength(&dc, nullptr, &lf24), MyGetTextLength(&dc, u"A", nullptr)}),
      (std::vector<int>{12 + 12 + 24, 10 + 10 + 20, 20, 0, 0, 0}));

  // MeasureText measures at a height without justification and restores both.
  dc.SetTextJustification(10, 1);
  cmd::gdi::ClearRecording(dc);
  SIZE s = cmd::draw::MeasureText(&dc, u"a b", &lf24, 30);
  EXPECT_EQ((std::vector<LONG>{s.cx, s.cy}), (std::vector<LONG>{45, 30}));
  EXPECT_EQ(Kinds(), (std::vector<OpKind>{OpKind::SelectFont, OpKind::SetTextJustification,
                                           OpKind::GetTextExtent, OpKind::SelectFont}));
  EXPECT_EQ(Ops(OpKind::GetTextExtent)[0].justifyExtra, 0);  // its size tells height and width
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

  // Ten narrow characters are 5h wide: h = 20 is the first that fits 100.
  LOGFONTW lf40 = Font(40), wideFont = Font(40, 30);
  RECT box{0, 0, 100, 40}, smallBox{10, 10, 60, 47};
  int height = 40;
  EXPECT_EQ(cmd::draw::FitFontHeight(&dc, &lf40, u"0123456789", &box, &height), 1);
  EXPECT_EQ(height, 20);
  std::vector<LONG> expected{40};
  for (int k = 20; k >= 10; --k) expected.push_back(2 * k);
  EXPECT_EQ(MeasuredHeights(), expected);
  // A height that fits is left alone.
  height = 12;
  cmd::draw::FitFontHeight(&dc, &lf40, u"短い", &box, &height);
  EXPECT_EQ(height, 12);
  EXPECT_EQ(MeasuredHeights(), (std::vector<LONG>{12}));
  // A fixed width makes every height too wide: all twenty are tried, from
  // the rectangle's 37 down to 37 / 20, and the full height comes back.
  height = 40;
  cmd::draw::FitFontHeight(&dc, &wideFont, u"ABCDEFGH", &smallBox, &height);
  EXPECT_EQ(height, 37);
  expected = {40};
  for (int k = 20; k >= 1; --k) expected.push_back(37 * k / 20);
  EXPECT_EQ(MeasuredHeights(), expected);
}

TEST_F(Bitmaps, FilesInMemoryDibsMasksRuleAndRenderTarget) {
  // An 8-bit 2 x 2 picture (red, green on top; blue, white below), drawn at twice its size.
  auto colors = cmdtest::GreyPalette(256);
  colors[1] = Quad(255, 0, 0);
  colors[2] = Quad(0, 255, 0);
  colors[3] = Quad(0, 0, 255);
  const std::string whole = cmdtest::BmpFileBytes(
      {2, 2, 8, false, colors}, [](int x, int y) { return y == 0 ? 1u + x : x ? 255u : 3u; });
  const std::string picture = " c0000ff c00ff00 cff0000 cffffff";
  RECT rect{10, 20, 14, 24};
  // The file size field is not trusted; a file that ends early draws the
  // rows it holds, in their share of the rectangle (a bottom-up image's
  // first row is its bottom line); run-length codes are drawn.
  const std::string full = "10 20 4 4 <- 2 2 rop cc0020 mode 3:";
  for (auto [bytes, blit] : {std::pair{whole, full + picture}, {With(whole, 2, 0u), full + picture},
                             {With(whole, 2, 1u << 20), full + picture},
                             {With(whole, 2, std::uint32_t(whole.size() - 2)), full + picture},
                             {whole.substr(0, whole.size() - 4),
                              "10 22 4 2 <- 2 1 rop cc0020 mode 3: cff0000 cffffff"},
                             {cmdtest::RunLengthBmpFile({2, 2, 8, false, cmdtest::GreyPalette(256)},
                                                        std::string("\x02\x09\x00\x01", 4)),
                              full + " c000000 c000000 c090909 c090909"}}) {
    EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("writer.bmp", bytes), SRCCOPY), TRUE);
    EXPECT_EQ(Kinds(), (KindList{OpKind::SetStretchBltMode, OpKind::StretchDIBits}));
    EXPECT_EQ(Blit(OpKind::StretchDIBits), blit);
    Drawn();
  }
  // Missing files give FALSE; files that open but lie are not drawn.
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win() + u"none.bmp", SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, u"Z:\\unmapped.bmp", SRCCOPY), FALSE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, dir.win(), SRCCOPY), FALSE);  // a folder
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("huge.bmp", With(whole, 22, 0x7FFFFFFF)), SRCCOPY),
            TRUE);
  EXPECT_EQ(DrawBitmapFile(dc, &rect, Write("empty.bmp", ""), SRCCOPY), TRUE);
  EXPECT_EQ(Kinds(), KindList{});

  Open(96, false);  // a fresh device context, its stretch mode the default
  HGLOBAL block = GlobalDib(cmdtest::PackedDib(
      {3, 2, 8, false, {Quad(10, 20, 30), Quad(40, 50, 60), Quad(70, 80, 90), Quad(100, 110, 120)}},
      [](int x, int) { return std::uint32_t(x); }));
  GlobalLock(block);  // the caller's own lock
  RECT size{0, 0, 30, 20};
  EXPECT_EQ(DrawBitmapFile3(dc, &size, block, WORD(40 + 4 * 4), SRCCOPY), TRUE);
  // Selected as a background palette, realized, drawn with it, the default back.
  EXPECT_EQ(Kinds(), (KindList{OpKind::SelectPalette, OpKind::RealizePalette, OpKind::StretchDIBits,
                            OpKind::SelectPalette}));
  auto selects = Ops(OpKind::SelectPalette);
  ASSERT_EQ(selects[0].palette.size(), 4u);
  const PALETTEENTRY& entry = selects[0].palette[1];
  EXPECT_EQ((std::vector<int>{int(selects[0].flags), entry.peRed, entry.peGreen, entry.peBlue,
                              selects[0].palette[3].peFlags, int(selects[1].palette.size()),
                              int(Ops(OpKind::StretchDIBits)[0].palette.size())}),
            (std::vector<int>{1, 40, 50, 60, 0, 20, 4}));
  EXPECT_EQ(Blit(OpKind::StretchDIBits),
            "0 0 30 20 <- 3 2 rop cc0020 mode 1: c1e140a c3c3228 c5a5046 "
            "c1e140a c3c3228 c5a5046");
  // Locked once by the caller and once by the call: it stays locked.
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  GlobalFree(block);

  // Without a colour count: the stock default palette.
  Drawn();
  const std::string dib = cmdtest::PackedDib({2, 2, 24}, [](int, int) { return 0x00FF00u; });
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

  // A masked resource: the mask is anded before the image is ored.
  // The picture: red on the left, black (transparent) on the right; the
  // mask: black where the picture shows, white elsewhere.
  HINSTANCE module = cmd::res::NewModuleHandle();
  cmd::res::RegisterBitmap(module, MAKEINTRESOURCEW(1),
      cmdtest::BmpFileBytes({2, 1, 24}, [](int x, int) { return x ? 0u : 0xFF0000u; }));
  cmd::res::RegisterBitmap(module, u"MASK",
      cmdtest::BmpFileBytes({2, 1, 1, false, {Quad(0, 0, 0), Quad(255, 255, 255)}},
                            [](int x, int) { return x ? 1u : 0u; }));
  RECT masked{5, 6, 25, 16};
  MaskDrawBitmap(module, dc, &masked, MAKEINTRESOURCEW(1), u"mask");
  EXPECT_EQ(Kinds(), (KindList{OpKind::SetStretchBltMode, OpKind::StretchBlt, OpKind::StretchBlt}));
  EXPECT_EQ(Blit(OpKind::StretchBlt, 0), "5 6 20 10 <- 2 1 rop 8800c6 mode 1 mono: c000000 cffffff");
  EXPECT_EQ(Blit(OpKind::StretchBlt, 1), "5 6 20 10 <- 2 1 rop ee0086 mode 1: c0000ff c000000");
  // A missing picture, mask or module draws nothing.
  Drawn();
  MaskDrawBitmap(module, dc, &masked, MAKEINTRESOURCEW(1), u"NOMASK");
  MaskDrawBitmap(module, dc, &masked, MAKEINTRESOURCEW(9), u"MASK");
  MaskDrawBitmap(nullptr, dc, &masked, MAKEINTRESOURCEW(1), u"MASK");
  EXPECT_EQ(Kinds(), KindList{});
  cmd::res::RemoveModule(module);

  // The rule is the cell's left edge in the selected pen; hosts hand in
  // the temporary wrapper of their device context.
  CDC* cdc = CDC::FromHandle(dc.m_hDC);
  CPen pen(PS_DOT, 1, RGB(0, 0, 128));
  CPen* old = cdc->SelectObject(&pen);
  RECT cell{10, 20, 50, 80};
  EXPECT_EQ(DrawSikiri(cdc, &cell), TRUE);
  EXPECT_EQ(DrawSikiri(nullptr, &cell), FALSE);
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

// ---------------------------------------------------------------- the real back-ends
// Measuring on a picture and a printer, and vertical Japanese drawn on the
// picture, staying inside its cell; every object is released.
TEST(RealBackEnds, MeasuringAndVerticalTextOnAPicture) {
  int before = cmd::gdi::LiveObjectCount();
  {
    cmdtest::TempDir dir;
    CDC screen, printer;
    screen.Attach(cmd::gdi::CreateImageDC(120, 220));
    printer.Attach(cmd::gdi::CreatePrinterDC((dir / "p.pdf").string()));
    EXPECT_EQ(IsMyPrinterDC(&printer), 1);
    LOGFONTW lf = Font(24), prn;
    // The same record on the printer: logical units are dots of either device.
    MakeLogPrnFontParam(&prn, 100, 0, 0);
    EXPECT_NEAR(MyGetTextLength(&printer, u"見積", &prn), 2 * 100 * 2048 / 2203, 2);
    RECT r{0, 0, 60, 24}, cell{40, 20, 80, 200};
    int height = 24;
    cmd::draw::FitFontHeight(&screen, &lf, u"電気設備工事一式", &r, &height);
    EXPECT_LT(height, 24);
    EXPECT_LE(cmd::draw::MeasureText(&screen, u"電気設備工事一式", &lf, height).cx, 60);

    DrawTateText2(&screen, u"「見積書」ー工事", &cell, 1, RGB(0, 0, 0), &lf);
    cmd::gdi::Image image;
    ASSERT_TRUE(cmd::gdi::GetImage(screen, image));
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
