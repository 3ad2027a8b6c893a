// Money and number texts, rounding, dates and the calculator: exact output
// texts, trailing spaces included (they keep a column's digits aligned).
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>

#include "cases.h"

using utiltest::ExpectAll;
using utiltest::ExpectTexts;

TEST(MoneyText, KanmaFormat2GroupsThousandsAndPadsTheFraction) {
  ExpectTexts("KanmaFormat_2", KanmaFormat_2, {
      {u"1234567", u"1,234,567"}, {u"\\1234567.50", u"\\1,234,567.5 "}, {u"-1234.5", u"-1,234.5"},
      {u"100", u"100"}, {u"1000", u"1,000"}, {u"999999", u"999,999"}, {u"-999", u"-999"},
      {u"-1000", u"-1,000"}, {u"-.5", u"-0.5"}, {u"-", u"-0"}, {u"007", u"7"},
      {u"1000000000000000000000", u"1,000,000,000,000,000,000,000"},
      // An integer part that is not a number: a "," ends it, e and full-width digits are no digits.
      {u"abc.25", u".25"}, {u"  ", u""}, {u"", u""}, {nullptr, u""}, {u"\\", u"\\"},
      {u"1.2e3", u"1.2e3"}, {u"1,234", u"1"}, {u"１２", u""},
      // Trailing zeros of the fraction become spaces; one digit and six or more stay.
      {u"0.05", u"0.05"}, {u"12.0500", u"12.05  "}, {u"0.10", u"0.1 "}, {u"1.50000", u"1.5    "},
      {u"5.5", u"5.5"}, {u"1.500000", u"1.500000"},
      // The space counts of an all-zero fraction.
      {u"5.", u"5"}, {u"5.0", u"5  "}, {u"1234.00", u"1,234   "}, {u"5.000", u"5    "},
      {u"5.0000", u"5     "}, {u"5.00000", u"5  "}, {u"5.000000", u"5  "}, {u"\\5.00", u"\\5   "},
      {u"5.ab", u"5   "},
  });
  // Beyond 31 characters, as text or once grouped, there is nothing.
  const std::u16string ones32(32, u'1'), ones31(31, u'1');
  const std::u16string fraction = u"0." + std::u16string(29, u'5');
  ExpectTexts("KanmaFormat_2", KanmaFormat_2,
              {{ones32.c_str(), u""}, {ones31.c_str(), u""}, {fraction.c_str(), fraction.c_str()}});
  ExpectTexts("KanmaFormat_2_1", KanmaFormat_2_1, {{u"1234.50", u"1234.5 "}, {u"abc.00", u"abc   "},
                                                   {u"\\12345", u"\\12345"}, {u"1,2.3", u"1,2.3"}});
}

TEST(MoneyText, FromNumbers) {
  const struct {
    CString (*fn)(double, int);
    double value;
    int decimals;
    const char16_t* out;
  } cases[] = {
      {KanmaFormat_1, 1234.5, 2, u"1,234.5 "}, {KanmaFormat_1, 1234.0, 2, u"1,234   "},
      {KanmaFormat_1, 1234567.891, 3, u"1,234,567.891"}, {KanmaFormat_1, 0.5, 1, u"0.5"},
      {KanmaFormat_1, 1234.567, 7, u"1,235"}, {KanmaFormat_1, -1234.4, 0, u"-1,234"},
      // Exact ties round away from zero, as the Windows runtime does; 2.675 is below its tie.
      {KanmaFormat_1, 2.5, 0, u"3"}, {KanmaFormat_1, -2.5, 0, u"-3"},
      {KanmaFormat_1, 1234.5, 0, u"1,235"}, {KanmaFormat_1, 0.125, 2, u"0.13"},
      {KanmaFormat_1, 2.675, 2, u"2.67"}, {KanmaFormat_1, 1e300, 0, u""},
      {KanmaFormat_3, 1234.5, 1, u"1234.5"}, {KanmaFormat_3, 1234.0, 3, u"1234    "},
      {KanmaFormat_3, 1234.25, 2, u"1234.25"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.fn(c.value, c.decimals), CString(c.out)) << c.value << " " << c.decimals;

  const struct { LONGLONG value; int group; const char16_t* out; } grouped[] = {
      {1234567, 3, u"1,234,567"}, {-123, 3, u"-123"}, {-1234, 3, u"-1,234"},
      {123456, 4, u"12,3456"},
      {0, 3, u"0"}, {std::numeric_limits<LONGLONG>::min(), 3, u"-9,223,372,036,854,775,808"},
      {-12, 1, u"-1,2"}, {12345, 5, u"12345"}, {12345, 0, u"12345"},
  };
  for (const auto& c : grouped)
    EXPECT_EQ(GetMoneyStrFromLong(c.value, c.group), CString(c.out)) << c.value << " " << c.group;
}

TEST(MoneyText, SeparatorsAndTrailingZerosCut) {
  ExpectTexts("CutKanma", [](const char16_t* s) { return CutKanma(s); },
              {{u"1,234,567", u"1234567"}, {u"", u""}});
  // The last character goes, quote or not; a text of 100 or more gives nothing.
  const std::u16string a99(99, u'a'), a100(100, u'a');
  const std::u16string quoted = u"\"" + std::u16string(97, u'b') + u"\"";
  ExpectTexts("CutDblKanma", [](const char16_t* s) { return CutDblKanma(s); },
              {{u"", u""}, {u"\"abc\"", u"abc"}, {u"\"ab", u"a"}, {u"\"", u"\""}, {u"x\"", u"x\""},
               {a99.c_str(), a99.c_str()}, {a100.c_str(), u""},
               {quoted.c_str(), std::u16string(97, u'b').c_str()}});
  const std::u16string long32(32, u'1');
  const std::u16string longInteger = long32 + u".5";
  const std::u16string longFraction = u"1." + std::u16string(32, u'5');
  ExpectTexts("TrimRightZero", TrimRightZero,
              {{u"5.000", u"5"}, {u"5.", u"5"}, {u"5.010", u"5.01"}, {u"500", u"500"},
               {u"1.2.30", u"1.2.3"}, {u"", u""}, {nullptr, u""}, {longInteger.c_str(), u""},
               {longFraction.c_str(), u""}, {long32.c_str(), long32.c_str()}});
  ExpectTexts("getCutBack0", [](const char16_t* s) { return getCutBack0(s); },
              {{u"100", u"1"}, {u"2.500", u"2.5"}, {u"3.00", u"3"}, {u"000", u"0"},
               {u"0.000000", u"0"}, {u"", u""}, {u"12", u"12"}, {u".", u""}});

  // CutIfDecimalZero changes the buffer in place and returns it; only
  // `decimals` characters (at least one) are examined.
  const struct { const char16_t* in; int decimals; const char16_t* out; } cuts[] = {
      {u"12.500", 3, u"12.5"}, {u"12.000", 3, u"12"}, {u"1000", 0, u"100"}, {u"10.00", 1, u"10"},
      {u"1000", 10, u"1"}, {u"0.0", 5, u"0"}, {u"5.", 2, u"5"}, {u"", 3, u""}, {u"500", -4, u"500"},
      {u"500", std::numeric_limits<int>::min(), u"500"},
      {u"500", std::numeric_limits<int>::max(), u"5"},
  };
  for (const auto& c : cuts) {
    char16_t buffer[32] = {};
    std::char_traits<char16_t>::copy(buffer, c.in, std::char_traits<char16_t>::length(c.in));
    EXPECT_EQ(CutIfDecimalZero(buffer, c.decimals), CString(c.out)) << utiltest::Show(c.in);
    EXPECT_EQ(std::u16string(buffer), c.out) << utiltest::Show(c.in);
  }
  EXPECT_EQ(CutIfDecimalZero(nullptr, 2), u"");
}

TEST(MoneyText, RoundingAndClassifiers) {
  const std::pair<double, LONG> longs[] = {
      {2147483646.0, 0}, {std::nextafter(2147483646.0, 0.0), 2147483645},
      {-2147483647.0, -2147483647}, {-2147483647.5, 0}, {1.9, 1}, {-1.9, -1}, {0.0, 0},
      {4.9e-324, 0}, {std::nan(""), 0}, {INFINITY, 0}, {-INFINITY, 0},
  };
  for (auto [value, expected] : longs) EXPECT_EQ(getLongFromDouble(value), expected) << value;
  // roundKin adds 0.99 in single precision (16777215.99 is no float: 16777216),
  // then keeps the low 32 bits of the 64-bit result.
  const std::pair<float, LONG> rounded[] = {
      {10.0f, 10}, {10.01f, 11}, {10.5f, 11}, {-10.5f, -9}, {0.0f, 0}, {0.01f, 1}, {-0.99f, 0},
      {16777215.0f, 16777216}, {5e9f, 705032704}, {1e20f, 0}, {std::nanf(""), 0}, {INFINITY, 0},
  };
  for (auto [value, expected] : rounded) EXPECT_EQ(roundKin(value), expected) << value;

  ExpectAll<int>("IsAllNumber", IsAllNumber,
      {{u"", 1}, {nullptr, 1}, {u"\\1,234 -", 1}, {u"12.5", 0}, {u"１", 0}, {u"+1", 0}});
  // The digits before the last point index the table {2, 3, 3, 3, 2, 1, 2}.
  ExpectAll<int>("IsDotSyousuu", IsDotSyousuu,
      {{u"", 2}, {nullptr, 2}, {u"123", 2}, {u".5", 2}, {u"1.5", 3}, {u"12.5", 3}, {u"123.5", 3},
       {u"1234.5", 2}, {u"12345.5", 1}, {u"123456.5", 2}, {u"1.2345.6", 2}, {u"1.3.5", 3}});
  // A fresh module rounds every kind of fraction the same way.
  EXPECT_EQ((std::vector<int>{GetGoukeiHasuu(), GetKeihiHasuu(), GetRoumuHasuu(), GetZatuHasuu()}),
            (std::vector<int>{0, 0, 0, 0}));
}

namespace {

// Noon UTC: the same calendar day in every time zone from -11 to +11 hours.
std::time_t NoonUtc(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  return timegm(&t);
}

}  // namespace

TEST(Dates, TodayAndStoredDates) {
  // Today's date pads month and day with spaces; a time that cannot be converted gives zeros.
  const struct { std::time_t now; const char16_t *text, *year, *month, *day; } todays[] = {
      {NoonUtc(2024, 5, 3), u"2024/ 5/ 3", u"2024", u" 5", u" 3"},
      {NoonUtc(1999, 12, 31), u"1999/12/31", u"1999", u"12", u"31"},
      {std::numeric_limits<std::time_t>::max(), u"   0/ 0/ 0", u"   0", u" 0", u" 0"},
  };
  for (const auto& c : todays) {
    ClockHook previous = SetClockHook([&] { return c.now; });
    CString y, m, d;
    EXPECT_EQ(GetDate(&y, &m, &d), c.text);
    EXPECT_EQ(y + u"|" + m + u"|" + d, CString(c.year) + u"|" + c.month + u"|" + c.day);
    EXPECT_EQ(GetDate(nullptr, nullptr, nullptr), c.text);
    SetClockHook(previous);
  }

  // SplitDate reads fixed positions: year 0-3, month 5-6, day 8-9.
  const struct { const char16_t* text; int y, m, d; } splits[] = {
      {u"2024/05/03", 2024, 5, 3}, {u"2024-12-31", 2024, 12, 31}, {u"", 0, 0, 0},
      {u"2024/0", 2024, 0, 0}, {u"abcd/xx/ 7", 0, 0, 7},
  };
  for (const auto& c : splits) {
    int y = -1, m = -1, d = -1;
    SplitDate(c.text, &y, &m, &d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{c.y, c.m, c.d}))
        << utiltest::Show(c.text);
  }
  int month = -1;
  SplitDate(u"2024/05/03", nullptr, &month, nullptr);
  EXPECT_EQ(month, 5);

  ExpectTexts("GetStrDateFromArray", GetStrDateFromArray,
              {{u"2024/05/03", u"2024/5/3"}, {u"0000/00/00", u"-"}, {u"1999.12.31", u"1999/12/31"},
               {u"2024", u"2024/0/0"}, {u"", u"-"}, {nullptr, u"-"}});
  EXPECT_EQ(GetStrDateFromInt(0, 5, 3), u"-");
  EXPECT_EQ(GetStrDateFromInt(-1, 5, 3), u"-");
  EXPECT_EQ(GetStrDateFromInt(2024, 13, 40), u"2024/13/40");
  EXPECT_EQ(GetStrDateFromInt(1, -2, 0), u"1/-2/0");
  // The year's last two digits ("-005" for -5).
  for (auto [year, header] : {std::pair{2024, 24}, {1999, 99}, {2005, 5}, {2000, 0}, {7, 7},
                              {12345, 45}, {-5, 5}})
    EXPECT_EQ(GetFileHeaderYear(year), header) << year;
}

TEST(Calculator, ArithmeticAndKeyPresses) {
  // Operands are read as the runtime reads numbers ("," and letters end them);
  // results lose their trailing zeros, an infinity's "1.#INF00" too.
  const struct { CString (*fn)(CString, CString); const char16_t *a, *b, *out; } sums[] = {
      {DenCalAdd, u"1", u"2", u"3"}, {DenCalAdd, u"0.1", u"0.2", u"0.3"},
      {DenCalAdd, u"", u"3", u"3"},
      {DenCalMinus, u"5", u"7", u"-2"}, {DenCalMull, u"2.5", u"4", u"10"},
      {DenCalDiv, u"10", u"4", u"2.5"}, {DenCalDiv, u"1", u"3", u"0.333333"},
      {DenCalDiv, u"2", u"3", u"0.666667"}, {DenCalMull, u"1000000", u"1000000", u"1000000000000"},
      {DenCalAdd, u"1,234", u"1", u"2"}, {DenCalAdd, u"  12abc", u"x", u"12"},
      {DenCalAdd, u"1e3", u"0", u"1000"}, {DenCalMull, u"0.0001", u"0.001", u"0"},
      {DenCalMull, u"-0.0001", u"0.001", u"-0"}, {DenCalDiv, u"1", u"0", u"1.#INF"},
      {DenCalDiv, u"-1", u"0", u"-1.#INF"},
  };
  for (const auto& c : sums)
    EXPECT_EQ(c.fn(c.a, c.b), CString(c.out)) << utiltest::Show(c.a) << " " << utiltest::Show(c.b);

  // A key pressed on the display; the display itself is not changed.
  const struct { const char16_t *display, *key, *out; } presses[] = {
      {u"0", u"5", u"5"}, {u"0", u".", u"0."}, {u"0.5", u".", u"0.5"}, {u"12", u"3", u"123"},
      {u"0.0", u"7", u"0.07"}, {u"", u"7", u"7"}, {u"", u".", u"."}, {u"05", u"1", u"1"},
  };
  for (const auto& c : presses) {
    CString display(c.display), key(c.key), out;
    DentakuAddString(display, key, out);
    EXPECT_EQ(out, c.out) << utiltest::Show(c.display) << " " << utiltest::Show(c.key);
    EXPECT_EQ(display, c.display);
  }
  // The result may go to the display or the key themselves.
  CString display(u"12"), key(u"3");
  DentakuAddString(display, key, display);
  EXPECT_EQ(display, u"123");
  DentakuAddString(display, display, key);
  EXPECT_EQ(key, u"123123");
}
