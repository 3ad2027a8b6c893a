// Multi-line layout on the recording back-end (a character of height h is h
// tall, a full-width one h wide, a narrow one h / 2), and the text written
// to a file by DrawFixMultiYokoText2.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "text_fixture.h"

using drawtest::Drawn;
using drawtest::OpKind;

namespace {

class Multi : public drawtest::TextDrawing {
 protected:
  // The DrawText and TextOut pieces with the text given, in order.
  std::vector<Drawn> Pieces(std::u16string_view text) {
    std::vector<Drawn> out;
    for (const Drawn& d : Texts())
      if (d.text == text) out.push_back(d);
    return out;
  }
  // The columns (left, right) in which each character was drawn upright.
  std::u16string ColumnText(LONG left) {
    std::u16string s;
    for (const Drawn& d : Texts())
      if (d.kind == OpKind::DrawText && d.rect.left == left) s += d.text;
    return s;
  }
};

}  // namespace

// ---------------------------------------------------------------- fitted columns
TEST_F(Multi, TateTextNeedingTwoColumnsTakesTheRightThenTheLeftHalf) {
  LOGFONTW lf = Font(12, 5, 1);
  RECT rect{0, 0, 60, 100};
  // At one column the font is 60 high and two characters overflow; at two
  // it is 30 and three fit each column (the fourth ends at 120 - 6 >= 100).
  EXPECT_EQ(DrawMaltiTateText(&dc, CString(u"一二三四五"), &rect, 1, RGB(5, 5, 5), &lf), 1);
  EXPECT_EQ(ColumnText(30), u"一二三");
  EXPECT_EQ(ColumnText(0), u"四五");
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0].rect, (RECT{30, 0, 60, 100}));
  EXPECT_EQ(texts[2].rect, (RECT{30, 60, 60, 100}));
  EXPECT_EQ(texts[4].rect, (RECT{0, 30, 30, 100}));
  EXPECT_EQ(texts[0].font.lfHeight, 30);
  EXPECT_EQ(texts[0].color, RGB(5, 5, 5));
  EXPECT_EQ(lf.lfHeight, 30);
  EXPECT_EQ(lf.lfWidth, 0);
  EXPECT_EQ(lf.lfUnderline, 0);
}

TEST_F(Multi, TateTextInOneColumnIsCentredInThreeFromTheRightAndCutAfterFive) {
  LOGFONTW one = Font(12), three = Font(12), five = Font(12), huge = Font(12);
  RECT wide{0, 0, 100, 200}, rect{0, 0, 90, 60}, small{0, 0, 50, 20};
  DrawMaltiTateText(&dc, CString(u"一二"), &wide, 2, 0, &one);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].rect, (RECT{25, 0, 75, 200}));  // 50 wide about the middle
  EXPECT_EQ(texts[1].rect, (RECT{25, 50, 75, 200}));
  Clear();
  DrawMaltiTateText(&dc, CString(u"一二三四五六"), &rect, 3, 0, &three);
  EXPECT_EQ(ColumnText(60), u"一二");
  EXPECT_EQ(ColumnText(30), u"三四");
  EXPECT_EQ(ColumnText(0), u"五六");
  // Five columns of 10, two characters each; a very long text is cut the same way.
  Clear();
  DrawMaltiTateText(&dc, CString(std::u16string(14, u'字')), &small, 1, 0, &five);
  EXPECT_EQ(Texts().size(), 10u);
  EXPECT_EQ(ColumnText(40), u"字字");
  EXPECT_EQ(ColumnText(0), u"字字");
  Clear();
  DrawMaltiTateText(&dc, CString(std::u16string(100000, u'字')), &small, 1, 0, &huge);
  EXPECT_EQ(Texts().size(), 10u);
  // CR LF, a lone CR and a lone LF each start the next column and are not
  // drawn; a break at the end opens no column.
  Clear();
  LOGFONTW breaks = Font(12);
  DrawMaltiTateText(&dc, CString(u"一行\r\n二\r三\n"), &rect, 1, 0, &breaks);
  EXPECT_EQ(ColumnText(60), u"一行");
  EXPECT_EQ(ColumnText(30), u"二");
  EXPECT_EQ(ColumnText(0), u"三");
  EXPECT_EQ(Texts().size(), 4u);
}

TEST_F(Multi, BadFirstCountsAndEmptyText) {
  RECT rect{0, 0, 50, 20};
  for (int count : {0, -1, 6, 1000}) {
    LOGFONTW lf = Font(12);
    EXPECT_EQ(DrawMaltiTateText(&dc, CString(u"字"), &rect, count, 0, &lf), 1);
    EXPECT_EQ(DrawMaltiYokoText(&dc, CString(u"字"), &rect, count, 0, &lf), 1);
  }
  EXPECT_TRUE(Texts().empty());
  LOGFONTW lf = Font(12);
  EXPECT_EQ(DrawMaltiTateText(nullptr, CString(u"字"), &rect, 1, 0, &lf), 1);
  EXPECT_EQ(DrawMaltiYokoText(&dc, CString(u"字"), nullptr, 1, 0, &lf), 1);
  // An empty text is one empty column (nothing drawn) or one empty line.
  EXPECT_EQ(DrawMaltiTateText(&dc, CString(), &rect, 1, 0, &lf), 1);
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(DrawMaltiYokoText(&dc, CString(), &rect, 1, 0, &lf), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0].text, u"");
}

// ---------------------------------------------------------------- fitted lines
TEST_F(Multi, YokoTextNeedingTwoLinesTakesTheUpperThenTheLowerHalf) {
  LOGFONTW lf = Font(12);
  RECT rect{0, 0, 100, 60};
  // One line of 60: 3 narrow characters. Two lines of 30: six (the seventh
  // ends at 105 - 3 >= 100).
  DrawMaltiYokoText(&dc, CString(u"ABCDEFGH"), &rect, 1, RGB(0, 9, 0), &lf);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, u"ABCDEF");
  EXPECT_EQ(texts[0].rect, (RECT{0, 0, 100, 30}));
  EXPECT_EQ(texts[0].flags, DT_CENTER | 0x820u);
  EXPECT_EQ(texts[0].font.lfHeight, 30);
  EXPECT_EQ(texts[1].text, u"GH");
  EXPECT_EQ(texts[1].rect, (RECT{0, 30, 100, 60}));
  EXPECT_EQ(texts[1].color, RGB(0, 9, 0));
  EXPECT_EQ(lf.lfHeight, 30);
}

TEST_F(Multi, YokoTextOnOneLineIsCentredVerticallyAndInThreeLines) {
  LOGFONTW one = Font(12), three = Font(12);
  RECT rect{0, 0, 100, 60}, tall{0, 10, 100, 100};
  DrawMaltiYokoText(&dc, CString(u"AB"), &rect, 2, 0, &one);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0].rect, (RECT{0, 15, 100, 45}));
  Clear();
  DrawMaltiYokoText(&dc, CString(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"), &tall, 3, 0, &three);
  auto texts = Texts();
  // Three lines of 30 take six letters each, too few for 26; four lines of
  // 22 take nine each, and the fourth stays empty.
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].rect, (RECT{0, 10, 100, 32}));
  EXPECT_EQ(texts[3].rect, (RECT{0, 76, 100, 98}));
  EXPECT_EQ(texts[0].text, u"ABCDEFGHI");
  EXPECT_EQ(texts[3].text, u"");
  // A break starts the next line and is not drawn: three lines of 20 would
  // hold the text, the two it takes are the halves.
  struct BreakCase {
    std::u16string text;
    std::vector<std::u16string> lines;
    std::vector<RECT> rects;
  };
  const BreakCase breaks[] = {
      {u"一行目\r\n二行目です", {u"一行目", u"二行目です"}, {{0, 0, 100, 30}, {0, 30, 100, 60}}},
      {u"A\rB\nC", {u"A", u"B", u"C"}, {{0, 0, 100, 20}, {0, 20, 100, 40}, {0, 40, 100, 60}}},
      {u"A\r\n\nC", {u"A", u"", u"C"}, {{0, 0, 100, 20}, {0, 20, 100, 40}, {0, 40, 100, 60}}},
  };
  for (const BreakCase& c : breaks) {
    Clear();
    LOGFONTW lf = Font(12);
    DrawMaltiYokoText(&dc, CString(c.text), &rect, 1, 0, &lf);
    texts = Texts();
    ASSERT_EQ(texts.size(), c.lines.size()) << CString(c.text).ToUtf8();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      EXPECT_EQ(texts[i].text, c.lines[i]);
      EXPECT_EQ(texts[i].rect, c.rects[i]);
      EXPECT_EQ(texts[i].font.lfHeight, 20);
    }
  }
}

// ---------------------------------------------------------------- fixed lines
TEST_F(Multi, FixYokoNumbersParagraphsNotWrappedLines) {
  LOGFONTW lf = Font(12, 0, 1);
  RECT rect{0, 0, 100, 90};
  EXPECT_EQ(DrawFixMultiYokoText(&dc, CString(u"ABCDEF\r\nXY"), &rect, 3, DT_RIGHT, 1, 100,
                                 RGB(7, 7, 7), &lf),
            1);
  // Lines of 30, font 30: "  ." is 45 wide, leaving 55 for three letters.
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 5u);
  const struct {
    std::u16string text;
    RECT rect;
    UINT flags;
  } expected[] = {
      {u" 1.", {0, 0, 100, 30}, DT_VCENTER},
      {u"ABC", {45, 0, 100, 30}, DT_RIGHT | DT_VCENTER},
      {u"DEF", {45, 30, 100, 60}, DT_RIGHT | DT_VCENTER},
      {u" 2.", {0, 60, 100, 90}, DT_VCENTER},
      {u"XY", {45, 60, 100, 90}, DT_RIGHT | DT_VCENTER},
  };
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texts[i].text, expected[i].text);
    EXPECT_EQ(texts[i].rect, expected[i].rect);
    EXPECT_EQ(texts[i].flags, expected[i].flags);
    EXPECT_EQ(texts[i].font.lfHeight, 30);
    EXPECT_EQ(texts[i].font.lfUnderline, i == 0 || i == 3 ? 0 : 1);
    EXPECT_EQ(texts[i].color, RGB(7, 7, 7));
  }
}

TEST_F(Multi, FixYokoBulletsPercentAndEmptyParagraphs) {
  LOGFONTW bullets = Font(12), plain = Font(12);
  RECT rect{0, 0, 200, 80}, other{10, 0, 110, 120};
  // Two lines of 40, the font half of that; "・" is 20 wide. The third
  // paragraph finds no line.
  DrawFixMultiYokoText(&dc, CString(u"A\r\nB\r\nC"), &rect, 2, 0, 2, 50, 0, &bullets);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].text + texts[1].text + texts[2].text + texts[3].text, u"・A・B");
  EXPECT_EQ(texts[1].rect, (RECT{20, 0, 200, 40}));
  EXPECT_EQ(texts[1].font.lfHeight, 20);
  EXPECT_EQ(bullets.lfHeight, 20);
  // Without bullets, an empty paragraph takes a line of its own.
  Clear();
  DrawFixMultiYokoText(&dc, CString(u"AB\r\n\r\nCD"), &other, 4, 0, 0, 100, 0, &plain);
  texts = Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].rect, (RECT{10, 0, 110, 30}));
  EXPECT_EQ(texts[1].text, u"");
  EXPECT_EQ(texts[2].text, u"CD");
  EXPECT_EQ(texts[2].rect, (RECT{10, 60, 110, 90}));
  // A lone LF or CR ends a line too, and the character after it is kept.
  Clear();
  DrawFixMultiYokoText(&dc, CString(u"AB\nCD\rEF"), &other, 4, 0, 0, 100, 0, &plain);
  texts = Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0].text + u"|" + texts[1].text + u"|" + texts[2].text, u"AB|CD|EF");
  EXPECT_EQ(texts[2].rect, (RECT{10, 60, 110, 90}));
}

TEST_F(Multi, FixedLayoutsStopAtACharacterBiggerThanTheLineOrColumn) {
  LOGFONTW lf = Font(12);
  RECT narrow{0, 0, 10, 4000000}, flat{0, 0, 4000000, 10};
  EXPECT_EQ(DrawFixMultiYokoText(&dc, CString(u"見積"), &narrow, 4000000000u, 0, 0, 100, 0, &lf),
            1);
  EXPECT_EQ(Texts().size(), 1u);
  EXPECT_EQ(DrawFixMultiYokoText(&dc, CString(u"見積"), &narrow, 0, 0, 0, 100, 0, &lf), 1);
  Clear();
  EXPECT_EQ(DrawFixMultiTateText(&dc, CString(u"見積"), &flat, 4000000000u, 0, 0, 100, 0, &lf),
            1);
  EXPECT_TRUE(Texts().empty());
}

// ---------------------------------------------------------------- fixed columns
TEST_F(Multi, FixTateSideLinesOnlyForAnUnderlineOfOne) {
  for (BYTE underline : {1, 2}) {
    SCOPED_TRACE(int(underline));
    Clear();
    LOGFONTW lf = Font(12, 0, underline);
    RECT rect{0, 0, 90, 100};
    DrawFixMultiTateText(&dc, CString(u"一二三四\r\n五(六"), &rect, 3, 0, 0, 100, RGB(3, 0, 0),
                         &lf);
    EXPECT_EQ(lf.lfUnderline, 0);
    // Columns of 30, font 30: three characters fill 90 of 100.
    EXPECT_EQ(ColumnText(60), u"一二三");
    EXPECT_EQ(ColumnText(30), u"四");
    EXPECT_EQ(ColumnText(0), u"五六");
    auto turned = Pieces(u"(");
    ASSERT_EQ(turned.size(), 1u);
    EXPECT_EQ(turned[0].kind, OpKind::TextOut);
    EXPECT_EQ(turned[0].x, 30);  // the column's right edge
    EXPECT_EQ(turned[0].y, 30);
    EXPECT_EQ(turned[0].font.lfEscapement, 2700);
    EXPECT_EQ(Pieces(u"六")[0].rect, (RECT{0, 45, 30, 75}));  // after 15 of the bracket
    EXPECT_EQ(Pieces(u"一")[0].flags, UINT(DT_CENTER));
    auto strokes = Strokes();
    if (underline == 2) {
      EXPECT_TRUE(strokes.empty());
      continue;
    }
    ASSERT_EQ(strokes.size(), 3u);
    // Pen 30 * 4 / 100 = 1 wide, one in from the column's right edge, down
    // to the bottom of the last character.
    const LONG x[] = {89, 59, 29}, bottom[] = {90, 30, 75};
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(strokes[i].Line(), (std::vector<LONG>{x[i], 0, x[i], bottom[i]}));
      EXPECT_EQ(strokes[i].pen.lopnWidth.x, 1);
      EXPECT_EQ(strokes[i].pen.lopnColor, RGB(3, 0, 0));
    }
  }
}

TEST_F(Multi, FixTateNumbersParagraphsByColumn) {
  LOGFONTW lf = Font(12);
  RECT rect{0, 0, 90, 100};
  DrawFixMultiTateText(&dc, CString(u"一二三\n四"), &rect, 3, 0, 1, 100, 0, &lf);
  // ① is 30 tall: the text starts at 30 and two characters fit in 70.
  auto first = Pieces(u"①");
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].rect, (RECT{60, 0, 90, 100}));
  EXPECT_EQ(first[0].flags, UINT(DT_VCENTER));
  EXPECT_EQ(Pieces(u"一")[0].rect, (RECT{60, 30, 90, 60}));
  EXPECT_EQ(ColumnText(60), u"①一二");
  EXPECT_EQ(ColumnText(30), u"三");  // a continued column has no number
  EXPECT_EQ(ColumnText(0), u"③四");  // the paragraph's number is its column's
}

TEST_F(Multi, FixTatePercentAndMiddleDot) {
  LOGFONTW lf = Font(12);
  RECT rect{0, 0, 40, 100};
  DrawFixMultiTateText(&dc, CString(u"一"), &rect, 1, 0, 5, 50, 0, &lf);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, u"・");
  EXPECT_EQ(texts[1].rect, (RECT{0, 20, 40, 40}));
  EXPECT_EQ(lf.lfHeight, 20);
}

// ---------------------------------------------------------------- to a file
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
