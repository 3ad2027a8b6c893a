#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "print_cstring.h"

TEST(BaiToHan, KatakanaWithVoicedAndSemiVoicedMarks) {
  EXPECT_EQ(BaiToHan(u"ガッコウ"), u"ｶﾞｯｺｳ");
  EXPECT_EQ(BaiToHan(u"ガッコウ").GetLength(), 5);
  EXPECT_EQ(BaiToHan(u"パン"), u"ﾊﾟﾝ");
  EXPECT_EQ(BaiToHan(u"ヴ"), u"ｳﾞ");
  EXPECT_EQ(BaiToHan(u"ヅデド"), u"ﾂﾞﾃﾞﾄﾞ");
  EXPECT_EQ(BaiToHan(u"バビブベボ"), u"ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ");
  EXPECT_EQ(BaiToHan(u"パピプペポ"), u"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ");
  EXPECT_EQ(BaiToHan(u"ガギグゲゴザジズゼゾダヂ"), u"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞ");
}

TEST(BaiToHan, EveryPlainKatakanaRow) {
  EXPECT_EQ(BaiToHan(u"アイウエオァィゥェォ"), u"ｱｲｳｴｵｧｨｩｪｫ");
  EXPECT_EQ(BaiToHan(u"カキクケコサシスセソタチツテト"), u"ｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ");
  EXPECT_EQ(BaiToHan(u"ナニヌネノハヒフヘホマミムメモ"), u"ﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓ");
  EXPECT_EQ(BaiToHan(u"ヤユヨャュョッラリルレロワヲン"), u"ﾔﾕﾖｬｭｮｯﾗﾘﾙﾚﾛﾜｦﾝ");
}

TEST(BaiToHan, DigitsLettersAndDashes) {
  EXPECT_EQ(BaiToHan(u"ａｂＣ"), u"ABC");
  EXPECT_EQ(BaiToHan(u"abc"), u"ABC");
  EXPECT_EQ(BaiToHan(u"０１２３４５６７８９"), u"0123456789");
  EXPECT_EQ(BaiToHan(u"ＶＶＦ－２．０"), u"VVF-2．0");  // the full-width point stays
  EXPECT_EQ(BaiToHan(u"ー"), u"-");
  EXPECT_EQ(BaiToHan(u"ｰ"), u"-");
  EXPECT_EQ(BaiToHan(u"―‐－"), u"---");
}

TEST(BaiToHan, KeepsWhatHasNoHalfWidthForm) {
  EXPECT_EQ(BaiToHan(u"ひらがな"), u"ひらがな");
  EXPECT_EQ(BaiToHan(u"ヮヰヱヵヶ・"), u"ヮヰヱヵヶ・");
  EXPECT_EQ(BaiToHan(u"電　気"), u"電　気");
  EXPECT_EQ(BaiToHan(u"ｱｲｳﾞ"), u"ｱｲｳﾞ");
  EXPECT_EQ(BaiToHan(u"é"), u"é");  // upper-casing of the default locale: a-z only
  EXPECT_EQ(BaiToHan(u""), u"");
  EXPECT_EQ(BaiToHan(nullptr), u"");
  // Lone surrogates pass through untouched.
  const char16_t lone[] = {0xD800, u'a', 0xDC00, 0};
  const char16_t upper[] = {0xD800, u'A', 0xDC00, 0};
  EXPECT_EQ(BaiToHan(lone), upper);
}

TEST(UnicodeZenSuu2Han, DigitsPointsAndSpace) {
  EXPECT_EQ(UnicodeZenSuu2Han(u"１２．５"), u"12.5");
  EXPECT_EQ(UnicodeZenSuu2Han(u"１２。５"), u"12.5");
  EXPECT_EQ(UnicodeZenSuu2Han(u"a　b"), u"a b");
  EXPECT_EQ(UnicodeZenSuu2Han(u"ＡＢ１ー"), u"ＡＢ1ー");
}

TEST(CodePage932, ToHankakuNumConvertsOnlyDigitsAndStops) {
  // "１２．５。電" = 82 50 82 51 81 44 82 54 81 42 93 64
  const char text[] = "\x82\x50\x82\x51\x81\x44\x82\x54\x81\x42\x93\x64";
  char out[sizeof text];
  EXPECT_EQ(ToHankakuNum(text, out), out);
  EXPECT_STREQ(out, "12.5.\x93\x64");
  // 81 82 is one character (≠) whose trail byte looks like a digit's lead;
  // a lead byte before the terminator is a character of its own.
  const char tricky[] = "\x81\x82\x82\x4F" "A\x82";
  char out2[sizeof tricky];
  ToHankakuNum(tricky, out2);
  EXPECT_STREQ(out2, "\x81\x82" "0A\x82");
  char empty[4] = "xyz";
  ToHankakuNum("", empty);
  EXPECT_STREQ(empty, "");
}

TEST(CodePage932, WideToMultiFitsTheBuffer) {
  char buf[8];
  std::memset(buf, 'X', sizeof buf);
  EXPECT_EQ(getMultiFromWideText(u"電気A", buf, 8), buf);
  EXPECT_STREQ(buf, "\x93\x64\x8B\x43" "A");
  // Cut before a character that does not fit with the terminator, never
  // between a lead and a trail byte.
  std::memset(buf, 'X', sizeof buf);
  getMultiFromWideText(u"A電気", buf, 5);
  EXPECT_STREQ(buf, "A\x93\x64");
  EXPECT_EQ(buf[4], 'X');
  getMultiFromWideText(u"電", buf, 2);
  EXPECT_STREQ(buf, "");
  buf[0] = 'Q';
  getMultiFromWideText(u"abc", buf, 0);
  EXPECT_EQ(buf[0], 'Q');
  // A lone surrogate cannot be held: it becomes the default character.
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  getMultiFromWideText(lone, buf, 8);
  EXPECT_STREQ(buf, "a?b");
}

TEST(CodePage932, MultiToWide) {
  EXPECT_EQ(getWideFromMultiText("\x93\x64\x8B\x43" "A\xB6\xDE"), u"電気Aｶﾞ");
  EXPECT_EQ(getWideFromMultiText(""), u"");
  EXPECT_EQ(getWideFromMultiText(nullptr), u"");
  // At most 260 bytes are converted, never half a character.
  std::string longText(259, 'a');
  longText += "\x93\x64";
  CString wide = getWideFromMultiText(longText.c_str());
  EXPECT_EQ(wide.GetLength(), 259);
  std::string exact(260, 'b');
  EXPECT_EQ(getWideFromMultiText((exact + "ccc").c_str()).GetLength(), 260);
  // Bytes that are not code page 932 never crash and never vanish silently.
  CString bad = getWideFromMultiText("a\x80" "b");
  EXPECT_EQ(bad.GetAt(0), u'a');
  EXPECT_EQ(bad.GetAt(bad.GetLength() - 1), u'b');
  EXPECT_GE(bad.GetLength(), 3);
}

TEST(Trimming, CutSpaceTrimAndAllSpace) {
  EXPECT_EQ(CStrCutSpace(u"   ", 0), u"");
  EXPECT_EQ(CStrCutSpace(u"ab  c", 4), u"ab");
  EXPECT_EQ(CStrCutSpace(u"ab  c", 0), u"ab  c");
  EXPECT_EQ(CStrCutSpace(u"ab ", 99), u"ab");
  EXPECT_EQ(CStrCutSpace(u"ab\t", 0), u"ab\t");

  EXPECT_EQ(MyTrim(u"  a b  "), u"a b");
  EXPECT_EQ(MyTrim(u"　a　"), u"　a　");
  EXPECT_EQ(MyTrim(u"   "), u"");
  EXPECT_EQ(MyTrim(nullptr), u"");

  EXPECT_EQ(IsAllSpace(u""), 1);
  EXPECT_EQ(IsAllSpace(u"   "), 1);
  EXPECT_EQ(IsAllSpace(u" 　"), 0);
  EXPECT_EQ(IsAllSpace(u" a"), 0);
  EXPECT_EQ(IsAllSpace(nullptr), 1);
}

namespace {

struct Token {
  int result;
  std::u16string text;
};

Token Read(const char16_t* text, char delimiter) {
  std::vector<char16_t> buffer(101, u'#');
  int r = MyStrtok(text, buffer.data(), delimiter);
  return {r, std::u16string(buffer.data())};
}

}  // namespace

TEST(MyStrtok, QuotedAndPlainTokens) {
  Token t = Read(u",\"a,b\",c", ',');
  EXPECT_EQ(t.result, 1);
  EXPECT_EQ(t.text, u"a,b");
  t = Read(u"abc,def", ',');
  EXPECT_EQ(t.result, 1);
  EXPECT_EQ(t.text, u"abc");
  t = Read(u",,x", ',');
  EXPECT_EQ(t.result, 1);
  EXPECT_EQ(t.text, u"");
  t = Read(u"\"open quote, no end", ',');
  EXPECT_EQ(t.text, u"open quote, no end");
  t = Read(u"\t a\tb", '\t');
  EXPECT_EQ(t.text, u" a");
  t = Read(u"  a b", ' ');  // only one leading delimiter is skipped
  EXPECT_EQ(t.text, u"");
}

TEST(MyStrtok, NothingLeft) {
  EXPECT_EQ(Read(u"", ',').result, 0);
  EXPECT_EQ(Read(u"", ',').text, u"");
  EXPECT_EQ(Read(u",", ',').result, 0);
  EXPECT_EQ(Read(u"\"", ',').result, 0);
  EXPECT_EQ(Read(nullptr, ',').result, 0);
}

TEST(MyStrtok, OtherDelimitersReadToTheLineEnd) {
  Token t = Read(u"a;b\nc", ';');
  EXPECT_EQ(t.result, 1);
  EXPECT_EQ(t.text, u"a;b");
  t = Read(u";x", ';');  // not skipped: only tab, space and "," are
  EXPECT_EQ(t.text, u";x");
}

TEST(MyStrtok, TokenStopsAt100Characters) {
  std::u16string text(150, u'x');
  std::vector<char16_t> exact(101, u'#');  // the documented size, not one unit more
  EXPECT_EQ(MyStrtok(text.c_str(), exact.data(), ','), 1);
  EXPECT_EQ(std::u16string(exact.data()).size(), 100u);
  EXPECT_EQ(exact[100], 0);
}

TEST(LengthPrefixed, Split2text) {
  CString out[2] = {u"old", u"old"};
  Split2text(u"03abc05hello", out);
  EXPECT_EQ(out[0], u"abc");
  EXPECT_EQ(out[1], u"hello");
  Split2text(u"03abc", out);
  EXPECT_EQ(out[0], u"abc");
  EXPECT_EQ(out[1], u"");
  Split2text(u"", out);
  EXPECT_EQ(out[0], u"");
  EXPECT_EQ(out[1], u"");
}

TEST(LengthPrefixed, Split3textLengths) {
  CString out[3];
  Split3text(u"02電気03ABC01x", out);
  EXPECT_EQ(out[0], u"電気");
  EXPECT_EQ(out[1], u"ABC");
  EXPECT_EQ(out[2], u"x");
  // Empty fields in the middle.
  Split3text(u"000003abc", out);
  EXPECT_EQ(out[0], u"");
  EXPECT_EQ(out[1], u"");
  EXPECT_EQ(out[2], u"abc");
  // A field running past the end is cut at the end.
  Split3text(u"02ab03cd", out);
  EXPECT_EQ(out[0], u"ab");
  EXPECT_EQ(out[1], u"cd");
  EXPECT_EQ(out[2], u"");
  Split3text(u"02ab01c09xyz", out);
  EXPECT_EQ(out[2], u"xyz");
  // A length that is not a number counts as 0.
  Split3text(u"xx02ab01c", out);
  EXPECT_EQ(out[0], u"");
  EXPECT_EQ(out[1], u"ab");
  EXPECT_EQ(out[2], u"c");
  // Two lengths of 99 and nothing behind them.
  Split3text(u"99", out);
  EXPECT_EQ(out[0], u"");
  EXPECT_EQ(out[1], u"");
  EXPECT_EQ(out[2], u"");
  Split3text(u"1", out);
  EXPECT_EQ(out[0], u"");
  // A negative length is no length.
  Split3text(u"-1ab", out);
  EXPECT_EQ(out[0], u"");
}
