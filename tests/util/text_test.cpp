// Half-width conversion, code page 932 texts, trimming, tokens and the
// splitters. Buffers are exactly as large as the documented contract, so the
// address sanitizer sees any write past them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cases.h"
#include "support/test_support.h"

using utiltest::ExpectAll;
using utiltest::ExpectTexts;
using utiltest::Show;

TEST(HalfWidth, BaiToHanAndZenSuu2Han) {
  // Lone surrogates pass through untouched; letters are upper-cased a-z only.
  const char16_t lone[] = {0xD800, u'a', 0xDC00, 0}, upper[] = {0xD800, u'A', 0xDC00, 0};
  ExpectTexts("BaiToHan", BaiToHan, {
      // Voiced and semi-voiced katakana take a sound mark of their own.
      {u"ガッコウ", u"ｶﾞｯｺｳ"}, {u"パン", u"ﾊﾟﾝ"}, {u"ヴ", u"ｳﾞ"}, {u"ヅデド", u"ﾂﾞﾃﾞﾄﾞ"},
      {u"バビブベボ", u"ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ"}, {u"パピプペポ", u"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"},
      {u"ガギグゲゴザジズゼゾダヂ", u"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞ"},
      // Every plain row of the table.
      {u"アイウエオァィゥェォ", u"ｱｲｳｴｵｧｨｩｪｫ"}, {u"カキクケコサシスセソタチツテト", u"ｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ"},
      {u"ナニヌネノハヒフヘホマミムメモ", u"ﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓ"},
      {u"ヤユヨャュョッラリルレロワヲン", u"ﾔﾕﾖｬｭｮｯﾗﾘﾙﾚﾛﾜｦﾝ"},
      // Letters, digits and dashes; the full-width point stays.
      {u"ａｂＣ", u"ABC"}, {u"abc", u"ABC"}, {u"０１２３４５６７８９", u"0123456789"},
      {u"ＶＶＦ－２．０", u"VVF-2．0"}, {u"ー", u"-"}, {u"ｰ", u"-"}, {u"―‐－", u"---"},
      // What has no half-width form is kept.
      {u"ひらがな", u"ひらがな"}, {u"ヮヰヱヵヶ・", u"ヮヰヱヵヶ・"}, {u"電　気", u"電　気"},
      {u"ｱｲｳﾞ", u"ｱｲｳﾞ"}, {u"é", u"é"}, {u"", u""}, {nullptr, u""}, {lone, upper},
  });
  ExpectTexts("UnicodeZenSuu2Han", [](const char16_t* s) { return UnicodeZenSuu2Han(s); },
              {{u"１２．５", u"12.5"}, {u"１２。５", u"12.5"}, {u"a　b", u"a b"}, {u"ＡＢ１ー", u"ＡＢ1ー"}});
}

TEST(CodePage932, ConversionsKeepCharactersWhole) {
  // Only full-width digits and stops become half-width. 81 82 is one
  // character (≠) whose trail byte looks like a digit's lead; a lead byte
  // before the terminator is a character of its own.
  for (auto [in, out] : {std::pair<std::string, std::string>{
                             "\x82\x50\x82\x51\x81\x44\x82\x54\x81\x42\x93\x64", "12.5.\x93\x64"},
                         {"\x81\x82\x82\x4F" "A\x82", "\x81\x82" "0A\x82"}, {"", ""}}) {
    std::vector<char> buffer(in.size() + 1, 'Z');
    EXPECT_EQ(ToHankakuNum(in.c_str(), buffer.data()), buffer.data());
    EXPECT_EQ(std::string(buffer.data()), out) << cmdtest::Hex(in);
  }

  // The whole 8-byte buffer after the call: cut before a character that does
  // not fit with its terminator, never between lead and trail byte; a lone
  // surrogate becomes the default character; a size of 0 writes nothing.
  const char16_t loneSurrogate[] = {u'a', 0xD800, u'b', 0};
  const struct { const char16_t* text; int size; std::string buffer; } narrows[] = {
      {u"電気A", 8, std::string("\x93\x64\x8B\x43" "A\0XX", 8)},
      {u"A電気", 5, std::string("A\x93\x64\0XXXX", 8)},
      {u"電", 2, std::string("\0XXXXXXX", 8)},
      {u"abc", 0, "XXXXXXXX"},
      {loneSurrogate, 8, std::string("a?b\0XXXX", 8)},
  };
  for (const auto& c : narrows) {
    std::vector<char> buffer(8, 'X');
    EXPECT_EQ(getMultiFromWideText(c.text, buffer.data(), c.size), buffer.data());
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), c.buffer) << Show(c.text) << " " << c.size;
  }

  // At most 260 bytes are widened, never half a character; bytes that are
  // not code page 932 never crash and never vanish silently.
  EXPECT_EQ(getWideFromMultiText("\x93\x64\x8B\x43" "A\xB6\xDE"), u"電気Aｶﾞ");
  EXPECT_EQ(getWideFromMultiText(""), u"");
  EXPECT_EQ(getWideFromMultiText(nullptr), u"");
  EXPECT_EQ(getWideFromMultiText((std::string(259, 'a') + "\x93\x64").c_str()).GetLength(), 259);
  EXPECT_EQ(getWideFromMultiText((std::string(260, 'b') + "ccc").c_str()), CString(u'b', 260));
  CString bad = getWideFromMultiText("a\x80" "b");
  EXPECT_EQ(bad.GetAt(0), u'a');
  EXPECT_EQ(bad.GetAt(bad.GetLength() - 1), u'b');
  EXPECT_GE(bad.GetLength(), 3);
}

TEST(Tokens, TrimmingAndMyStrtok) {
  const struct { const char16_t* text; int length; const char16_t* out; } cuts[] = {
      {u"   ", 0, u""}, {u"ab  c", 4, u"ab"}, {u"ab  c", 0, u"ab  c"}, {u"ab ", 99, u"ab"},
      {u"ab\t", 0, u"ab\t"}};
  for (const auto& c : cuts) EXPECT_EQ(CStrCutSpace(c.text, c.length), c.out) << Show(c.text);
  ExpectTexts("MyTrim", MyTrim,
              {{u"  a b  ", u"a b"}, {u"　a　", u"　a　"}, {u"   ", u""}, {nullptr, u""}});
  ExpectAll<int>("IsAllSpace", IsAllSpace,
                 {{u"", 1}, {u"   ", 1}, {u" 　", 0}, {u" a", 0}, {nullptr, 1}});

  // One leading tab, space or "," is skipped; a quoted token may hold the
  // delimiter; other delimiters read to the line end.
  const struct {
    const char16_t* text;
    char delimiter;
    int result;
    const char16_t* token;
  } tokens[] = {
      {u",\"a,b\",c", ',', 1, u"a,b"}, {u"abc,def", ',', 1, u"abc"}, {u",,x", ',', 1, u""},
      {u"\"open quote, no end", ',', 1, u"open quote, no end"}, {u"\t a\tb", '\t', 1, u" a"},
      {u"  a b", ' ', 1, u""}, {u"a;b\nc", ';', 1, u"a;b"}, {u";x", ';', 1, u";x"},
      {u"", ',', 0, u""}, {u",", ',', 0, u""}, {u"\"", ',', 0, u""}, {nullptr, ',', 0, u""},
  };
  for (const auto& c : tokens) {
    std::vector<char16_t> token(101, u'#');  // the documented size, not one unit more
    EXPECT_EQ(MyStrtok(c.text, token.data(), c.delimiter), c.result) << Show(c.text);
    EXPECT_EQ(std::u16string(token.data()), c.token) << Show(c.text);
  }
  std::vector<char16_t> token(101, u'#');
  EXPECT_EQ(MyStrtok(std::u16string(150, u'x').c_str(), token.data(), ','), 1);
  EXPECT_EQ(std::u16string(token.data()), std::u16string(100, u'x'));
}

namespace {

// The fields after a call, joined by "|"; untouched ones still read "#".
std::string Joined(const CString* fields, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? "|" : "") + fields[i].ToUtf8();
  return s;
}

}  // namespace

TEST(Splitting, FieldsLinesAndLengthPrefixedTexts) {
  enum By { Comma, Separator, Wrap };
  const struct {
    By by;
    const char16_t* text;
    int max;
    const char16_t* separator;
    int count;
    const char* fields;
  } splits[] = {
      {Comma, u"12,AB,1", 3, nullptr, 3, "12|AB|1|#"}, {Comma, u"a,,b", 4, nullptr, 3, "a||b|#"},
      {Comma, u"a,", 4, nullptr, 2, "a||#|#"}, {Comma, u"", 4, nullptr, 1, "|#|#|#"},
      {Comma, u"a,b,c,d", 2, nullptr, 2, "a|b|#|#"}, {Comma, u"a,b", 0, nullptr, 0, "#|#|#|#"},
      {Comma, u"a,b", -3, nullptr, 0, "#|#|#|#"},
      // A lone ":" is not the separator "::"; no separator: the whole text.
      {Separator, u"a::b", 3, u"::", 2, "a|b|#|#"},
      {Separator, u"a:b:::c", 3, u"::", 2, "a:b|:c|#|#"},
      {Separator, u"a,b", 3, u"", 1, "a,b|#|#|#"}, {Separator, u"a,b", 3, nullptr, 1, "a,b|#|#|#"},
      // Only CR LF ends a line.
      {Wrap, u"one line", 3, nullptr, 1, "one line|#|#|#"},
      {Wrap, u"電気\r\n設備\n工事", 3, nullptr, 2, "電気|設備\n工事|#|#"},
  };
  for (const auto& c : splits) {
    CString f[4] = {u"#", u"#", u"#", u"#"};
    int n = c.by == Comma ? SplitCStrByComma(c.text, f, c.max)
            : c.by == Wrap ? SplitCStrByWrap(c.text, f, c.max)
                           : SplitCStrByChar(c.text, f, c.max, c.separator);
    EXPECT_EQ(n, c.count) << Show(c.text);
    EXPECT_EQ(Joined(f, 4), c.fields) << Show(c.text);
  }
  EXPECT_EQ(SplitCStrByComma(u"a,b", nullptr, 5), 0);

  // Two-digit lengths before each field; a field running past the end is
  // cut there, a length that is no number (or negative) counts as 0.
  const struct { const char16_t* packed; const char *two, *three; } packed[] = {
      {u"03abc05hello", "abc|hello", "abc|hello|"}, {u"03abc", "abc|", "abc||"}, {u"", "|", "||"},
      {u"02電気03ABC01x", "電気|ABC", "電気|ABC|x"}, {u"000003abc", "|", "||abc"},
      {u"02ab03cd", "ab|cd", "ab|cd|"}, {u"02ab01c09xyz", "ab|c", "ab|c|xyz"},
      {u"xx02ab01c", "|ab", "|ab|c"}, {u"99", "|", "||"}, {u"1", "|", "||"}, {u"-1ab", "|", "||"},
  };
  for (const auto& c : packed) {
    CString f[3] = {u"old", u"old", u"old"};
    Split2text(c.packed, f);
    EXPECT_EQ(Joined(f, 2), c.two) << Show(c.packed);
    Split3text(c.packed, f);
    EXPECT_EQ(Joined(f, 3), c.three) << Show(c.packed);
  }
}

TEST(Splitting, AtACharacterCount) {
  // UniSSplit cuts at UTF-16 units; at n <= 0 the second part is untouched
  // and below 0 the first too.
  const struct { const char16_t* text; int n, result; const char *first, *second; } units[] = {
      {u"abcde", 3, 2, "abc", "de"}, {u"abcde", 5, 1, "abcde", ""}, {u"ab", 10, 1, "ab", ""},
      {u"xyz", 0, 1, "xyz", "untouched"}, {u"xyz", -1, 0, "same", "untouched"},
  };
  for (const auto& c : units) {
    CString first = u"same", second = u"untouched";
    EXPECT_EQ(UniSSplit(c.text, &first, &second, c.n), c.result) << c.n;
    EXPECT_EQ(first.ToUtf8() + "|" + second.ToUtf8(), std::string(c.first) + "|" + c.second);
  }
  // cstrmemmove keeps n units and drops the half-width spaces unless asked.
  const struct { const char16_t* text; int n, keep; const char16_t* out; } moves[] = {
      {u"ab   cd", 5, 0, u"ab"}, {u"ab   cd", 5, 1, u"ab   "}, {u"ab", 5, 0, u"ab"},
      {u"     ", 3, 0, u""}, {u"ab　", 3, 0, u"ab　"}};
  for (const auto& c : moves) EXPECT_EQ(cstrmemmove(c.text, c.n, c.keep), c.out) << Show(c.text);

  // mbsplit counts code page 932 characters: "電気AB" is 93 64 8B 43 41 42,
  // half-width katakana (A1-DF) are single bytes, a lead byte before the
  // terminator is one character. The parts get buffers of the text's size.
  const struct { std::string text; int n, result; std::string first, second; } bytes[] = {
      {"\x93\x64\x8B\x43" "AB", 1, 2, "\x93\x64", "\x8B\x43" "AB"},
      {"\x93\x64\x8B\x43" "AB", 3, 2, "\x93\x64\x8B\x43" "A", "B"},
      {"\x93\x64\x8B\x43" "AB", 4, 1, "\x93\x64\x8B\x43" "AB", ""},
      {"\x93\x64\x8B\x43" "AB", 0, 1, "\x93\x64\x8B\x43" "AB", ""},
      {"\xB6\xDE\xAF", 2, 2, "\xB6\xDE", "\xAF"},
      {"A\x93", 2, 1, "A\x93", ""},
      {"A\x93", 1, 2, "A", "\x93"},
  };
  for (const auto& c : bytes) {
    std::vector<unsigned char> first(c.text.size() + 1, 0xEE), second(c.text.size() + 1, 0xEE);
    EXPECT_EQ(mbsplit(reinterpret_cast<const unsigned char*>(c.text.c_str()), first.data(),
                      second.data(), c.n),
              c.result);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(first.data())), c.first) << c.n;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(second.data())), c.second) << c.n;
  }
}
