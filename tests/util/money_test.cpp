#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>

#include "cmddll3/cmddll3.h"
#include "print_cstring.h"

// Trailing spaces matter in these texts: they keep the digits of a column
// aligned, so every expected value is spelled out exactly.

namespace {

struct TextCase {
  const char16_t* input;
  const char16_t* expected;
};

void ExpectKanmaFormat2(std::initializer_list<TextCase> cases) {
  for (const TextCase& c : cases)
    EXPECT_EQ(KanmaFormat_2(c.input), c.expected) << CString(c.input).ToUtf8();
}

}  // namespace

TEST(KanmaFormat2, GroupsThousandsAndKeepsTheYenMark) {
  ExpectKanmaFormat2({
      {u"1234567", u"1,234,567"},
      {u"\\1234567.50", u"\\1,234,567.5 "},
      {u"-1234.5", u"-1,234.5"},
      {u"100", u"100"},
      {u"1000", u"1,000"},
      {u"999999", u"999,999"},
      {u"-999", u"-999"},
      {u"-1000", u"-1,000"},
      {u"-.5", u"-0.5"},  // a lone minus is written once
      {u"-", u"-0"},
      {u"1000000000000000000000", u"1,000,000,000,000,000,000,000"},
      {u"007", u"7"},
  });
}

TEST(KanmaFormat2, IntegerPartThatIsNotANumber) {
  ExpectKanmaFormat2({
      {u"abc.25", u".25"},
      {u"  ", u""},
      {u"", u""},
      {u"\\", u"\\"},
      {u"1.2e3", u"1.2e3"},  // "1" then the fraction "2e3"
      {u"1,234", u"1"},      // a "," ends the number
      {u"１２", u""},        // full-width digits are not number text
  });
  EXPECT_EQ(KanmaFormat_2(nullptr), u"");
}

TEST(KanmaFormat2, TrailingZerosOfTheFractionBecomeSpaces) {
  ExpectKanmaFormat2({
      {u"0.05", u"0.05"},
      {u"12.0500", u"12.05  "},
      {u"0.10", u"0.1 "},
      {u"1.50000", u"1.5    "},
      // One digit and six or more are left as they are.
      {u"5.5", u"5.5"},
      {u"1.500000", u"1.500000"},
  });
}

TEST(KanmaFormat2, SpaceCountsOfAZeroFraction) {
  ExpectKanmaFormat2({
      {u"5.", u"5"},
      {u"5.0", u"5  "},
      {u"1234.00", u"1,234   "},
      {u"5.000", u"5    "},
      {u"5.0000", u"5     "},
      {u"5.00000", u"5  "},
      {u"5.000000", u"5  "},
      {u"\\5.00", u"\\5   "},
      {u"5.ab", u"5   "},  // no number in the fraction: zero
  });
}

TEST(KanmaFormat2, TextsBeyond31CharactersGiveNothing) {
  EXPECT_EQ(KanmaFormat_2(std::u16string(32, u'1').c_str()), u"");
  // Fits as text, but not once grouped.
  EXPECT_EQ(KanmaFormat_2(std::u16string(31, u'1').c_str()), u"");
  std::u16string fraction = u"0." + std::u16string(29, u'5');
  EXPECT_EQ(KanmaFormat_2(fraction.c_str()), CString(fraction));
}

TEST(KanmaFormat21, IntegerPartCopiedUnchanged) {
  EXPECT_EQ(KanmaFormat_2_1(u"1234.50"), u"1234.5 ");
  EXPECT_EQ(KanmaFormat_2_1(u"abc.00"), u"abc   ");
  EXPECT_EQ(KanmaFormat_2_1(u"\\12345"), u"\\12345");
  EXPECT_EQ(KanmaFormat_2_1(u"1,2.3"), u"1,2.3");
}

TEST(KanmaFormat1, FormatsThenGroups) {
  EXPECT_EQ(KanmaFormat_1(1234.5, 2), u"1,234.5 ");
  EXPECT_EQ(KanmaFormat_1(1234.0, 2), u"1,234   ");
  EXPECT_EQ(KanmaFormat_1(1234567.891, 3), u"1,234,567.891");
  EXPECT_EQ(KanmaFormat_1(0.5, 1), u"0.5");
  EXPECT_EQ(KanmaFormat_1(1234.567, 7), u"1,235");
  EXPECT_EQ(KanmaFormat_1(-1234.4, 0), u"-1,234");
  // Exact ties round away from zero, as the Windows runtime does.
  EXPECT_EQ(KanmaFormat_1(2.5, 0), u"3");
  EXPECT_EQ(KanmaFormat_1(-2.5, 0), u"-3");
  EXPECT_EQ(KanmaFormat_1(1234.5, 0), u"1,235");
  EXPECT_EQ(KanmaFormat_1(0.125, 2), u"0.13");
  // Not exactly representable: rounded by the true binary value.
  EXPECT_EQ(KanmaFormat_1(2.675, 2), u"2.67");
  // Too long for a number text.
  EXPECT_EQ(KanmaFormat_1(1e300, 0), u"");
}

TEST(KanmaFormat3, FormatsWithoutGrouping) {
  EXPECT_EQ(KanmaFormat_3(1234.5, 1), u"1234.5");
  EXPECT_EQ(KanmaFormat_3(1234.0, 3), u"1234    ");
  EXPECT_EQ(KanmaFormat_3(1234.25, 2), u"1234.25");
}

TEST(GetMoneyStrFromLong, GroupsOfAnySize) {
  EXPECT_EQ(GetMoneyStrFromLong(1234567, 3), u"1,234,567");
  EXPECT_EQ(GetMoneyStrFromLong(-123, 3), u"-123");
  EXPECT_EQ(GetMoneyStrFromLong(-1234, 3), u"-1,234");
  EXPECT_EQ(GetMoneyStrFromLong(123456, 4), u"12,3456");
  EXPECT_EQ(GetMoneyStrFromLong(0, 3), u"0");
  EXPECT_EQ(GetMoneyStrFromLong(std::numeric_limits<LONGLONG>::min(), 3),
            u"-9,223,372,036,854,775,808");
  EXPECT_EQ(GetMoneyStrFromLong(-12, 1), u"-1,2");
  EXPECT_EQ(GetMoneyStrFromLong(12345, 5), u"12345");
  EXPECT_EQ(GetMoneyStrFromLong(12345, 0), u"12345");
}

TEST(Separators, CutKanmaAndCutDblKanma) {
  EXPECT_EQ(CutKanma(u"1,234,567"), u"1234567");
  EXPECT_EQ(CutKanma(u""), u"");

  EXPECT_EQ(CutDblKanma(u""), u"");
  EXPECT_EQ(CutDblKanma(u"\"abc\""), u"abc");
  EXPECT_EQ(CutDblKanma(u"\"ab"), u"a");  // the last character goes, quote or not
  EXPECT_EQ(CutDblKanma(u"\""), u"\"");
  EXPECT_EQ(CutDblKanma(u"x\""), u"x\"");
  std::u16string text99(99, u'a');
  std::u16string text100(100, u'a');
  EXPECT_EQ(CutDblKanma(CString(text99)), CString(text99));
  EXPECT_EQ(CutDblKanma(CString(text100)), u"");
  std::u16string quoted99 = u"\"" + std::u16string(97, u'b') + u"\"";
  EXPECT_EQ(CutDblKanma(CString(quoted99)), CString(std::u16string(97, u'b')));
}

namespace {

struct Cut {
  CString result;
  std::u16string buffer;
};

Cut CutZeros(const char16_t* text, int decimals) {
  char16_t buffer[32] = {};
  std::char_traits<char16_t>::copy(buffer, text, std::char_traits<char16_t>::length(text));
  CString r = CutIfDecimalZero(buffer, decimals);
  return {r, std::u16string(buffer)};
}

}  // namespace

TEST(CutIfDecimalZero, ChangesTheBufferInPlace) {
  Cut c = CutZeros(u"12.500", 3);
  EXPECT_EQ(c.result, u"12.5");
  EXPECT_EQ(c.buffer, u"12.5");
  EXPECT_EQ(CutZeros(u"12.000", 3).buffer, u"12");
  EXPECT_EQ(CutZeros(u"1000", 0).buffer, u"100");  // one character examined
  EXPECT_EQ(CutZeros(u"10.00", 1).buffer, u"10");
  EXPECT_EQ(CutZeros(u"1000", 10).buffer, u"1");
  EXPECT_EQ(CutZeros(u"0.0", 5).buffer, u"0");
  EXPECT_EQ(CutZeros(u"5.", 2).buffer, u"5");
  EXPECT_EQ(CutZeros(u"", 3).buffer, u"");
  EXPECT_EQ(CutZeros(u"500", -4).buffer, u"500");
  EXPECT_EQ(CutZeros(u"500", std::numeric_limits<int>::min()).buffer, u"500");
  EXPECT_EQ(CutZeros(u"500", std::numeric_limits<int>::max()).buffer, u"5");
  EXPECT_EQ(CutIfDecimalZero(nullptr, 2), u"");
}

TEST(TrailingZeros, TrimRightZero) {
  EXPECT_EQ(TrimRightZero(u"5.000"), u"5");
  EXPECT_EQ(TrimRightZero(u"5."), u"5");
  EXPECT_EQ(TrimRightZero(u"5.010"), u"5.01");
  EXPECT_EQ(TrimRightZero(u"500"), u"500");
  EXPECT_EQ(TrimRightZero(u"1.2.30"), u"1.2.3");
  EXPECT_EQ(TrimRightZero(u""), u"");
  EXPECT_EQ(TrimRightZero(nullptr), u"");
  std::u16string longInteger(32, u'1');
  EXPECT_EQ(TrimRightZero((longInteger + u".5").c_str()), u"");
  EXPECT_EQ(TrimRightZero((u"1." + std::u16string(32, u'5')).c_str()), u"");
  EXPECT_EQ(TrimRightZero(longInteger.c_str()), CString(longInteger));
}

TEST(TrailingZeros, GetCutBack0) {
  EXPECT_EQ(getCutBack0(u"100"), u"1");
  EXPECT_EQ(getCutBack0(u"2.500"), u"2.5");
  EXPECT_EQ(getCutBack0(u"3.00"), u"3");
  EXPECT_EQ(getCutBack0(u"000"), u"0");
  EXPECT_EQ(getCutBack0(u"0.000000"), u"0");
  EXPECT_EQ(getCutBack0(u""), u"");
  EXPECT_EQ(getCutBack0(u"12"), u"12");
  EXPECT_EQ(getCutBack0(u"."), u"");
}

TEST(Conversions, GetLongFromDouble) {
  EXPECT_EQ(getLongFromDouble(2147483646.0), 0);
  EXPECT_EQ(getLongFromDouble(std::nextafter(2147483646.0, 0.0)), 2147483645);
  EXPECT_EQ(getLongFromDouble(-2147483647.0), -2147483647);
  EXPECT_EQ(getLongFromDouble(-2147483647.5), 0);
  EXPECT_EQ(getLongFromDouble(1.9), 1);
  EXPECT_EQ(getLongFromDouble(-1.9), -1);
  EXPECT_EQ(getLongFromDouble(0.0), 0);
  EXPECT_EQ(getLongFromDouble(4.9e-324), 0);
  EXPECT_EQ(getLongFromDouble(std::nan("")), 0);
  EXPECT_EQ(getLongFromDouble(INFINITY), 0);
  EXPECT_EQ(getLongFromDouble(-INFINITY), 0);
}

TEST(Conversions, RoundKinInSinglePrecision) {
  EXPECT_EQ(roundKin(10.0f), 10);
  EXPECT_EQ(roundKin(10.01f), 11);
  EXPECT_EQ(roundKin(10.5f), 11);
  EXPECT_EQ(roundKin(-10.5f), -9);
  EXPECT_EQ(roundKin(0.0f), 0);
  EXPECT_EQ(roundKin(0.01f), 1);
  EXPECT_EQ(roundKin(-0.99f), 0);
  // 16777215.99 is no float: the sum rounds to 16777216. In double
  // precision it would truncate to 16777215.
  EXPECT_EQ(roundKin(16777215.0f), 16777216);
  // The 64-bit result is cut to its low 32 bits.
  EXPECT_EQ(roundKin(5e9f), 705032704);
  EXPECT_EQ(roundKin(1e20f), 0);
  EXPECT_EQ(roundKin(std::nanf("")), 0);
  EXPECT_EQ(roundKin(INFINITY), 0);
}

TEST(Classifiers, IsAllNumber) {
  EXPECT_EQ(IsAllNumber(u""), 1);
  EXPECT_EQ(IsAllNumber(nullptr), 1);
  EXPECT_EQ(IsAllNumber(u"\\1,234 -"), 1);
  EXPECT_EQ(IsAllNumber(u"12.5"), 0);
  EXPECT_EQ(IsAllNumber(u"１"), 0);
  EXPECT_EQ(IsAllNumber(u"+1"), 0);
}

TEST(Classifiers, IsDotSyousuuIndexTable) {
  EXPECT_EQ(IsDotSyousuu(u""), 2);
  EXPECT_EQ(IsDotSyousuu(nullptr), 2);
  EXPECT_EQ(IsDotSyousuu(u"123"), 2);
  EXPECT_EQ(IsDotSyousuu(u".5"), 2);        // index 0
  EXPECT_EQ(IsDotSyousuu(u"1.5"), 3);       // 1
  EXPECT_EQ(IsDotSyousuu(u"12.5"), 3);      // 2
  EXPECT_EQ(IsDotSyousuu(u"123.5"), 3);     // 3
  EXPECT_EQ(IsDotSyousuu(u"1234.5"), 2);    // 4
  EXPECT_EQ(IsDotSyousuu(u"12345.5"), 1);   // 5
  EXPECT_EQ(IsDotSyousuu(u"123456.5"), 2);  // 6
  EXPECT_EQ(IsDotSyousuu(u"1.2345.6"), 2);  // the last point counts
  EXPECT_EQ(IsDotSyousuu(u"1.3.5"), 3);
}

TEST(FractionModes, ZeroInAFreshModule) {
  EXPECT_EQ(GetGoukeiHasuu(), 0);
  EXPECT_EQ(GetKeihiHasuu(), 0);
  EXPECT_EQ(GetRoumuHasuu(), 0);
  EXPECT_EQ(GetZatuHasuu(), 0);
}
