#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "print_cstring.h"

namespace {

std::vector<CString> Fields(int count, const CString* fields) {
  return std::vector<CString>(fields, fields + count);
}

}  // namespace

TEST(SeparatorSplit, MasterLineIntoFields) {
  CString f[3];
  ASSERT_EQ(SplitCStrByComma(u"12,AB,1", f, 3), 3);
  EXPECT_EQ(f[0], u"12");
  EXPECT_EQ(f[1], u"AB");
  EXPECT_EQ(f[2], u"1");
}

TEST(SeparatorSplit, EmptyFieldsCount) {
  CString f[4];
  EXPECT_EQ(SplitCStrByComma(u"a,,b", f, 4), 3);
  EXPECT_EQ(Fields(3, f), (std::vector<CString>{u"a", u"", u"b"}));
  // A trailing separator makes a last, empty field.
  EXPECT_EQ(SplitCStrByComma(u"a,", f, 4), 2);
  EXPECT_EQ(f[1], u"");
  // An empty text is one empty field.
  f[0] = u"old";
  EXPECT_EQ(SplitCStrByComma(u"", f, 4), 1);
  EXPECT_EQ(f[0], u"");
}

TEST(SeparatorSplit, StopsAtMaxAndLeavesTheRestAlone) {
  CString f[4] = {u"", u"", u"keep", u"keep"};
  EXPECT_EQ(SplitCStrByComma(u"a,b,c,d", f, 2), 2);
  EXPECT_EQ(f[0], u"a");
  EXPECT_EQ(f[1], u"b");
  EXPECT_EQ(f[2], u"keep");
  EXPECT_EQ(SplitCStrByComma(u"a,b", f, 0), 0);
  EXPECT_EQ(SplitCStrByComma(u"a,b", f, -3), 0);
  EXPECT_EQ(f[0], u"a");
  EXPECT_EQ(SplitCStrByComma(u"a,b", nullptr, 5), 0);
}

TEST(SeparatorSplit, LongSeparatorsAndWraps) {
  CString f[3];
  EXPECT_EQ(SplitCStrByChar(u"a::b", f, 3, u"::"), 2);
  EXPECT_EQ(f[0], u"a");
  EXPECT_EQ(f[1], u"b");
  // A lone ":" is not the separator "::".
  EXPECT_EQ(SplitCStrByChar(u"a:b:::c", f, 3, u"::"), 2);
  EXPECT_EQ(f[0], u"a:b");
  EXPECT_EQ(f[1], u":c");
  // No separator to cut at: the whole text.
  EXPECT_EQ(SplitCStrByChar(u"a,b", f, 3, u""), 1);
  EXPECT_EQ(f[0], u"a,b");
  EXPECT_EQ(SplitCStrByChar(u"a,b", f, 3, nullptr), 1);
  EXPECT_EQ(f[0], u"a,b");

  EXPECT_EQ(SplitCStrByWrap(u"one line", f, 3), 1);
  EXPECT_EQ(f[0], u"one line");
  EXPECT_EQ(SplitCStrByWrap(u"電気\r\n設備\n工事", f, 3), 2);
  EXPECT_EQ(f[0], u"電気");
  EXPECT_EQ(f[1], u"設備\n工事");  // a bare LF is not a line end
}

TEST(CharacterSplit, UniSSplitCutsAtUnits) {
  CString first, second = u"untouched";
  EXPECT_EQ(UniSSplit(u"abcde", &first, &second, 3), 2);
  EXPECT_EQ(first, u"abc");
  EXPECT_EQ(second, u"de");
  EXPECT_EQ(UniSSplit(u"abcde", &first, &second, 5), 1);
  EXPECT_EQ(first, u"abcde");
  EXPECT_EQ(second, u"");
  EXPECT_EQ(UniSSplit(u"ab", &first, &second, 10), 1);
  EXPECT_EQ(first, u"ab");

  second = u"untouched";
  EXPECT_EQ(UniSSplit(u"xyz", &first, &second, 0), 1);
  EXPECT_EQ(first, u"xyz");
  EXPECT_EQ(second, u"untouched");
  first = u"same";
  EXPECT_EQ(UniSSplit(u"xyz", &first, &second, -1), 0);
  EXPECT_EQ(first, u"same");
  EXPECT_EQ(second, u"untouched");
}

TEST(CharacterSplit, CstrmemmoveKeepsOrDropsSpaces) {
  EXPECT_EQ(cstrmemmove(u"ab   cd", 5, 0), u"ab");
  EXPECT_EQ(cstrmemmove(u"ab   cd", 5, 1), u"ab   ");
  EXPECT_EQ(cstrmemmove(u"ab", 5, 0), u"ab");
  EXPECT_EQ(cstrmemmove(u"     ", 3, 0), u"");
  EXPECT_EQ(cstrmemmove(u"ab　", 3, 0), u"ab　");  // only half-width spaces go
}

TEST(CharacterSplit, MbsplitCountsDoubleByteCharacters) {
  // "電気AB" in code page 932: 93 64 8B 43 41 42.
  const unsigned char text[] = {0x93, 0x64, 0x8B, 0x43, 'A', 'B', 0};
  unsigned char first[16], second[16];
  EXPECT_EQ(mbsplit(text, first, second, 1), 2);
  EXPECT_STREQ(reinterpret_cast<char*>(first), "\x93\x64");
  EXPECT_STREQ(reinterpret_cast<char*>(second), "\x8B\x43" "AB");
  EXPECT_EQ(mbsplit(text, first, second, 3), 2);
  EXPECT_STREQ(reinterpret_cast<char*>(first), "\x93\x64\x8B\x43" "A");
  EXPECT_STREQ(reinterpret_cast<char*>(second), "B");
  EXPECT_EQ(mbsplit(text, first, second, 4), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(second), "");
  EXPECT_EQ(mbsplit(text, first, second, 0), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(first), reinterpret_cast<const char*>(text));
  // Half-width katakana (A1-DF) are single bytes.
  const unsigned char kana[] = {0xB6, 0xDE, 0xAF, 0};
  EXPECT_EQ(mbsplit(kana, first, second, 2), 2);
  EXPECT_STREQ(reinterpret_cast<char*>(first), "\xB6\xDE");
}

TEST(CharacterSplit, MbsplitNeverReadsPastADanglingLeadByte) {
  // A lead byte right before the terminator is one character of its own.
  std::vector<unsigned char> text = {'A', 0x93, 0};
  unsigned char first[4], second[4];
  EXPECT_EQ(mbsplit(text.data(), first, second, 2), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(first), "A\x93");
  EXPECT_EQ(mbsplit(text.data(), first, second, 1), 2);
  EXPECT_STREQ(reinterpret_cast<char*>(second), "\x93");
}
