// Vertical text on the recording back-end, whose metrics make every place
// exact: a character of height h is h tall, a full-width one h wide and a
// narrow one h / 2 wide. Plus one picture drawn on the image back-end.
#include <gtest/gtest.h>

#include <string>

#include "draw/tate_helpers.h"
#include "support/test_support.h"
#include "text_fixture.h"

using drawtest::Drawn;
using drawtest::OpKind;

namespace {

class Tate : public drawtest::TextDrawing {
 protected:
  // The tops of the cells the characters were drawn in, in order.
  std::vector<LONG> Tops() {
    std::vector<LONG> tops;
    for (const Drawn& d : Texts()) tops.push_back(d.kind == OpKind::DrawText ? d.rect.top : d.y);
    return tops;
  }
};

}  // namespace

TEST(TateChars, TheTurnedSetIsExactlyTheTable) {
  const std::u16string turned = u"()-<>[]{}≪≫「」【】ー（）－＜＞｛｝～ｰ";
  ASSERT_EQ(turned.size(), 25u);
  int count = 0;
  for (char32_t c = 0; c <= 0xFFFF; ++c) {
    bool in = turned.find(char16_t(c)) != std::u16string::npos;
    EXPECT_EQ(cmd::draw::IsTateRotateChar(char16_t(c)), in) << std::hex << unsigned(c);
    count += cmd::draw::IsTateRotateChar(char16_t(c));
  }
  EXPECT_EQ(count, 25);
  // Look-alikes stay upright.
  for (char16_t c : std::u16string_view(u"〜―‐『』・")) EXPECT_FALSE(cmd::draw::IsTateRotateChar(c));
}

TEST_F(Tate, KanaStandUprightCentredTopToBottom) {
  LOGFONTW lf = Font(24, 0, 5);
  RECT rect{100, 10, 140, 400};
  EXPECT_EQ(DrawTateText2(&dc, CString(u"あいうえ"), &rect, 1, RGB(1, 2, 3), &lf), 1);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Drawn& d = texts[std::size_t(i)];
    EXPECT_EQ(d.kind, OpKind::DrawText);
    EXPECT_EQ(d.text, std::u16string(1, u"あいうえ"[i]));
    EXPECT_EQ(d.rect, (RECT{100, 10 + 24 * i, 140, 400}));
    EXPECT_EQ(d.flags, 0x821u);
    EXPECT_EQ(d.x, 108);  // (40 - 24) / 2 from the left
    EXPECT_EQ((std::vector<LONG>{d.font.lfHeight, d.font.lfEscapement, d.font.lfUnderline}),
              (std::vector<LONG>{24, 0, 1}));
    EXPECT_EQ(d.color, RGB(1, 2, 3));
  }
  EXPECT_EQ(lf.lfUnderline, 1);  // written back as a yes/no
  EXPECT_EQ(rect, (RECT{100, 10, 140, 400}));
}

TEST_F(Tate, BracketsAndTheLongVowelAreTurnedAndAdvanceByTheirWidth) {
  LOGFONTW lf = Font(20);
  RECT rect{0, 0, 30, 500};
  DrawTateText2(&dc, CString(u"「ラー」(A)"), &rect, 1, 0, &lf);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 7u);
  // Turned (TextOut): written at x = 30 - (30 - 20) / 2 = 25, the glyph
  // lying to its left; full-width ones advance 20, narrow ones 10, upright
  // ones (DrawText) their height whatever their width.
  const bool turned[] = {true, false, true, true, true, false, true};
  EXPECT_EQ(Tops(), (std::vector<LONG>{0, 20, 40, 60, 80, 90, 110}));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texts[i].text, std::u16string(1, u"「ラー」(A)"[i]));
    EXPECT_EQ(texts[i].kind, turned[i] ? OpKind::TextOut : OpKind::DrawText);
    EXPECT_EQ(texts[i].font.lfEscapement, turned[i] ? 2700 : 0);
    if (turned[i]) {
      EXPECT_EQ(texts[i].x, 25);
    }
    EXPECT_EQ(texts[i].font.lfHeight, 20);
  }
}

TEST_F(Tate, HalfWidthSoundMarksSitBesideTheirCharacter) {
  LOGFONTW lf = Font(20);
  RECT rect{50, 0, 90, 300};
  // ｶﾞ and ﾊﾟ take one place each; a mark at the start, or after a turned
  // character, stands on its own.
  DrawTateText2(&dc, CString(u"ﾞｶﾞﾊﾟｰﾞ"), &rect, 1, 0, &lf);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 7u);
  std::u16string drawn;
  for (const Drawn& d : texts) drawn += d.text;
  EXPECT_EQ(drawn, u"ﾞｶﾞﾊﾟｰﾞ");
  EXPECT_EQ(texts[0].rect, (RECT{50, 0, 90, 300}));
  EXPECT_EQ(texts[0].flags, 0x821u);
  // ｶ is narrow, 10 wide: the mark starts at 50 + 40 / 2 + 7 * 10 / 20.
  EXPECT_EQ(texts[1].rect, (RECT{50, 20, 90, 300}));
  EXPECT_EQ(texts[2].rect, (RECT{73, 20, 90, 300}));
  EXPECT_EQ(texts[2].flags, 0x820u);
  EXPECT_EQ(texts[2].x, 73);
  EXPECT_EQ(texts[2].y, 20);
  EXPECT_EQ(texts[3].rect.top, 40);
  EXPECT_EQ(texts[4].rect.top, 40);
  EXPECT_EQ(texts[5].kind, OpKind::TextOut);  // ｰ turned: 10 along the column
  EXPECT_EQ(texts[5].y, 60);
  EXPECT_EQ(texts[6].rect, (RECT{50, 70, 90, 300}));
  EXPECT_EQ(texts[6].flags, 0x821u);
}

TEST_F(Tate, ThreeColumnsRightToLeftAndTheLastStopsPastTheBottom) {
  LOGFONTW lf = Font(20);
  RECT rect{0, 0, 90, 100};
  // A column takes four characters (a fifth would end at the bottom, less
  // than half its height above it): twenty need five columns.
  std::u16string text(20, u'字');
  for (int i = 0; i < 20; ++i) text[std::size_t(i)] = char16_t(0x4E00 + i);
  EXPECT_EQ(DrawTateText2(&dc, CString(text), &rect, 0, 0, &lf), 1);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 14u);  // 4 + 4 + the last column's 6
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texts[i].text, std::u16string(1, text[i]));
    LONG left = i < 4 ? 60 : i < 8 ? 30 : 0;
    LONG right = i < 4 ? 90 : i < 8 ? 60 : 30;
    LONG top = LONG(i < 8 ? (i % 4) * 20 : (i - 8) * 20);
    EXPECT_EQ(texts[i].rect, (RECT{left, top, right, 100}));
  }
}

TEST_F(Tate, ColumnsSplitTheWidthAndStopPastTheBottom) {
  LOGFONTW lf = Font(20);
  RECT two{10, 0, 51, 100}, one{0, 0, 90, 100}, single{0, 0, 30, 50};
  DrawTateText2(&dc, CString(u"一二三四五六"), &two, 0, 0, &lf);
  DrawTateText2(&dc, CString(u"一二三四"), &one, 0, 0, &lf);
  DrawTateText2(&dc, CString(u"一二三四五"), &single, 1, 0, &lf);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 6u + 4u + 3u);
  // Two columns split the width in halves: 10 + 41 / 2.
  EXPECT_EQ(texts[0].rect, (RECT{30, 0, 51, 100}));
  EXPECT_EQ(texts[3].rect, (RECT{30, 60, 51, 100}));
  EXPECT_EQ(texts[4].rect, (RECT{10, 0, 30, 100}));
  EXPECT_EQ(texts[5].rect, (RECT{10, 20, 30, 100}));
  // A text that fits one column uses the whole rectangle.
  EXPECT_EQ(texts[6].rect, (RECT{0, 0, 90, 100}));
  EXPECT_EQ(texts[9].rect, (RECT{0, 60, 90, 100}));
  // A single column: the third ends at 60, past 50: drawn (clipped) and the last.
  EXPECT_EQ(texts[12].rect, (RECT{0, 40, 30, 50}));
}

TEST_F(Tate, YokoText2CountsColumnsAgainstTheWidth) {
  LOGFONTW lf = Font(20);
  RECT rect{0, 0, 40, 200};
  // Against the width of 40 each character needs a column of its own, so
  // three are counted; against the height all four fit the first one.
  DrawYokoText2(&dc, CString(u"一二三四"), &rect, 0, 0, &lf);
  auto texts = Texts();
  ASSERT_EQ(texts.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i)
    EXPECT_EQ(texts[i].rect, (RECT{26, LONG(20 * i), 40, 200})) << i;
  Clear();
  DrawYokoText2(&dc, CString(u"一二三四"), &rect, 1, 0, &lf);
  EXPECT_EQ(Texts()[0].rect, rect);
}

TEST_F(Tate, EmptyFlatAndVeryLong) {
  LOGFONTW lf = Font(20);
  RECT rect{0, 0, 40, 200};
  EXPECT_EQ(DrawTateText2(&dc, CString(), &rect, 0, 0, &lf), 1);
  EXPECT_TRUE(Texts().empty());
  // In a cell of no height the first character is handed on to the last
  // column, drawn there (clipped) and the drawing stops.
  RECT flat{0, 0, 90, 0};
  EXPECT_EQ(DrawTateText2(&dc, CString(u"一二三四五"), &flat, 0, 0, &lf), 1);
  EXPECT_EQ(Texts().size(), 1u);
  EXPECT_EQ(DrawTateText2(nullptr, CString(u"一"), &rect, 0, 0, &lf), 1);
  EXPECT_EQ(DrawTateText2(&dc, CString(u"一"), nullptr, 0, 0, &lf), 1);
  EXPECT_EQ(DrawTateText2(&dc, CString(u"一"), &rect, 0, 0, nullptr), 1);
  // A very long text stops at the rectangle: nine in each of the first two
  // columns, eleven in the last.
  Clear();
  LOGFONTW small = Font(10);
  RECT box{0, 0, 90, 100};
  DrawTateText2(&dc, CString(std::u16string(100000, u'字')), &box, 0, 0, &small);
  EXPECT_EQ(Texts().size(), 9u + 9u + 11u);
}

// ---------------------------------------------------------------- DrawSingleTateText
TEST_F(Tate, SingleTateTextTakesTheFullWidthAndCentresTheColumn) {
  LOGFONTW lf = Font(12, 7, 1);
  lf.lfItalic = 1;
  RECT rect{0, 0, 30, 300};
  EXPECT_EQ(DrawSingleTateText(&dc, CString(u"見積"), &rect, 0, RGB(9, 9, 9), &lf), 1);
  EXPECT_EQ(Tops(), (std::vector<LONG>{120, 150}));  // (300 - 60) / 2
  EXPECT_EQ(Texts()[0].font.lfHeight, 30);
  EXPECT_EQ(lf.lfHeight, 30);
  EXPECT_EQ(lf.lfWidth, 0);
  EXPECT_EQ(lf.lfUnderline, 0);
  EXPECT_EQ(lf.lfItalic, 0);
  EXPECT_EQ(std::u16string(lf.lfFaceName), u"ＭＳ ゴシック");
}

TEST_F(Tate, SingleTateTextShrinksByTenthsOfTheWidth) {
  LOGFONTW five = Font(12), turned = Font(12), tooLong = Font(12);
  RECT rect{0, 0, 30, 100}, narrow{0, 0, 20, 200};
  // Five characters of height h fit while 6h < 100: h = 15, five tenths of 30.
  DrawSingleTateText(&dc, CString(u"電気設備費"), &rect, 0, 0, &five);
  EXPECT_EQ(five.lfHeight, 15);
  EXPECT_EQ(Tops(), (std::vector<LONG>{12, 27, 42, 57, 72}));  // (100 - 75) / 2
  // Height 20: the brackets advance 10 each, the character 20: length 40.
  Clear();
  DrawSingleTateText(&dc, CString(u"(工)"), &narrow, 0, 0, &turned);
  EXPECT_EQ(Tops(), (std::vector<LONG>{80, 90, 110}));
  // Too long for any tenth: the smallest, from the top.
  Clear();
  DrawSingleTateText(&dc, CString(std::u16string(40, u'字')), &rect, 0, 0, &tooLong);
  EXPECT_EQ(tooLong.lfHeight, 3);
  auto tops = Tops();
  ASSERT_EQ(tops.size(), 34u);  // the 34th ends at 102, past the bottom
  EXPECT_EQ(tops.front(), 0);
  EXPECT_EQ(tops.back(), 99);
}

// ---------------------------------------------------------------- FormatTateText
TEST(FormatTateText, PutsALineFeedAfterEachOfAtMost999Characters) {
  char16_t buffer[16] = u"見積";
  EXPECT_EQ(FormatTateText(buffer), buffer);
  EXPECT_EQ(std::u16string(buffer), u"見\n積\n");
  char16_t empty[2] = u"";
  EXPECT_EQ(std::u16string(FormatTateText(empty)), u"");
  EXPECT_EQ(FormatTateText(nullptr), nullptr);
  std::u16string long_(1200, u'x');
  long_.resize(2 * 1200 + 1, 0);
  FormatTateText(long_.data());
  std::u16string out(long_.c_str());
  ASSERT_EQ(out.size(), 1998u);
  EXPECT_EQ(out.substr(0, 4), u"x\nx\n");
}

// ---------------------------------------------------------------- a real picture
TEST(TateOnImage, VerticalJapaneseStaysInsideItsCell) {
  int before = cmd::gdi::LiveObjectCount();
  {
    CDC dc;
    dc.Attach(cmd::gdi::CreateImageDC(120, 220));
    LOGFONTW lf;
    MakeLogFont(&lf, nullptr, 24, 0, FW_NORMAL, 0, 0, 0);
    RECT cell{40, 20, 80, 200};
    DrawTateText2(&dc, CString(u"「見積書」ー工事"), &cell, 1, RGB(0, 0, 0), &lf);
    cmd::gdi::Image image;
    ASSERT_TRUE(cmd::gdi::GetImage(dc, image));
    int inside = 0, outside = 0;
    int lowest = 0;
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
