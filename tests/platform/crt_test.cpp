// Number conversions against the Windows runtime's (msvcrt) results.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "cmddll3/platform/crt.h"

namespace {

struct IntCase {
  const char16_t* text;
  long long expected;
  int error;  // errno after the call (0: untouched)
};

TEST(Wtoi, BlanksSignDigitsThenAnythingElse) {
  const IntCase cases[] = {
      {u"123", 123, 0},          {u"  -42abc", -42, 0},    {u"\t\r\n\v\f 7", 7, 0},
      {u"+5", 5, 0},             {u"", 0, 0},              {u"abc", 0, 0},
      {u"- 5", 0, 0},            {u"+-5", 0, 0},           {u"１２", 12, 0},
      {u"１2３x", 123, 0},       {u"0x1A", 0, 0},          {u"12.9", 12, 0},
      {u"\u30005", 0, 0},        {u"007", 7, 0},           {u"1 2", 1, 0},
      {u"2147483647", INT32_MAX, 0},
      {u"2147483648", INT32_MAX, ERANGE},
      {u"-2147483648", INT32_MIN, 0},
      {u"-2147483649", INT32_MIN, ERANGE},
      {u"99999999999999999999999", INT32_MAX, ERANGE},
      {u"２１４７４８３６４８", INT32_MAX, ERANGE},
  };
  for (const auto& c : cases) {
    errno = 0;
    EXPECT_EQ(_wtoi(c.text), c.expected) << CString(c.text).ToUtf8();
    EXPECT_EQ(errno, c.error) << CString(c.text).ToUtf8();
    errno = 0;
    EXPECT_EQ(_wtol(c.text), c.expected) << CString(c.text).ToUtf8();
  }
  EXPECT_EQ(_wtoi(nullptr), 0);
  EXPECT_EQ(_wtof(nullptr), 0.0);
}

TEST(Wtoi, SixtyFourBits) {
  const IntCase cases[] = {
      {u"5000000000", 5000000000LL, 0},
      {u"9223372036854775807", INT64_MAX, 0},
      {u"9223372036854775808", INT64_MAX, ERANGE},
      {u"-9223372036854775808", INT64_MIN, 0},
      {u"-9223372036854775809", INT64_MIN, ERANGE},
      {u" -１２x", -12, 0},
  };
  for (const auto& c : cases) {
    errno = 0;
    EXPECT_EQ(_wtoi64(c.text), c.expected) << CString(c.text).ToUtf8();
    EXPECT_EQ(errno, c.error) << CString(c.text).ToUtf8();
  }
}

TEST(Wcstol, BasesPrefixesAndEnd) {
  struct Case {
    const char16_t* text;
    int base;
    long long value;
    int end;
    int error;
  } cases[] = {
      {u"ff", 16, 255, 2, 0},          {u"0x1f", 16, 31, 4, 0},
      {u"0x1f", 0, 31, 4, 0},          {u"017", 0, 15, 3, 0},
      {u"019", 0, 1, 2, 0},            {u"z", 36, 35, 1, 0},
      {u"Zz", 36, 35 * 36 + 35, 2, 0}, {u"12", 1, 0, 0, EINVAL},
      {u"12", 37, 0, 0, EINVAL},       {u"   ", 10, 0, 0, 0},
      {u" 12 ", 10, 12, 3, 0},         {u"-0x10", 16, -16, 5, 0},
      {u"0x", 16, 0, 0, 0},            {u"4294967295", 10, INT32_MAX, 10, ERANGE},
      {u"-80000000", 16, INT32_MIN, 9, 0},
      {u"１０", 2, 2, 2, 0},           {u"12", 2, 1, 1, 0},
  };
  for (const auto& c : cases) {
    char16_t* end = nullptr;
    errno = 0;
    EXPECT_EQ(wcstol(c.text, &end, c.base), c.value) << CString(c.text).ToUtf8() << " base " << c.base;
    EXPECT_EQ(end - c.text, c.end) << CString(c.text).ToUtf8() << " base " << c.base;
    EXPECT_EQ(errno, c.error) << CString(c.text).ToUtf8() << " base " << c.base;
  }
  errno = 0;
  EXPECT_EQ(wcstoul(u"-1", nullptr, 10), 4294967295u);
  EXPECT_EQ(wcstoul(u"4294967296", nullptr, 10), 4294967295u);
  EXPECT_EQ(errno, ERANGE);
  EXPECT_EQ(_wcstoi64(u"7fffffffffffffff", nullptr, 16), INT64_MAX);
}

TEST(Wtof, StrtodPrefixWithTheRuntimesQuirks) {
  struct Case {
    const char16_t* text;
    double expected;
  } cases[] = {
      {u"1e3", 1000.0},       {u"1d2", 100.0},          {u"1D2", 100.0},
      {u"1E-2", 0.01},        {u" -12.5xyz", -12.5},    {u".5", 0.5},
      {u"5.", 5.0},           {u".", 0.0},              {u"inf", 0.0},
      {u"nan", 0.0},          {u"INFINITY", 0.0},       {u"0x1p3", 0.0},
      {u"1e", 1.0},           {u"1e+", 1.0},            {u"+.5e1", 5.0},
      {u"1,5", 1.0},          {u"１２", 0.0},           {u"0.1", 0.1},
      {u"\t\n 3.25", 3.25},   {u"-0", -0.0},            {u"1e-2x", 0.01},
      {u"2.2250738585072011e-308", 2.2250738585072011e-308},
      {u"4.9406564584124654e-324", 4.9406564584124654e-324},
      {u"123456789012345678901234567890", 1.2345678901234568e29},
      {u"9007199254740993", 9007199254740992.0},  // a tie goes to even
      {u"9007199254740993.0000000001", 9007199254740994.0},
      {u"0.000000000000000000000000000001e30", 1.0},
      {u"1234.5", 1234.5},
  };
  for (const auto& c : cases) {
    double got = _wtof(c.text);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(c.expected))
        << CString(c.text).ToUtf8() << " gave " << got;
  }
}

TEST(Wtof, LongInputsAndRange) {
  // 1000 digits: only the rounding of the whole decides the result.
  std::u16string ones(1000, u'1');
  EXPECT_EQ(_wtof((ones + u"e-999").c_str()), 1.1111111111111112);
  // A tie between two doubles, and a digit 900 places later that breaks it.
  std::u16string tie = u"9007199254740993." + std::u16string(900, u'0');
  EXPECT_EQ(_wtof(tie.c_str()), 9007199254740992.0);
  EXPECT_EQ(_wtof((tie + u"1").c_str()), 9007199254740994.0);
  errno = 0;
  EXPECT_EQ(_wtof(u"1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(errno, ERANGE);
  errno = 0;
  EXPECT_EQ(_wtof(u"-1e400"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(errno, ERANGE);
  errno = 0;
  EXPECT_EQ(_wtof(u"1e-400"), 0.0);
  EXPECT_EQ(errno, ERANGE);
  errno = 0;
  EXPECT_EQ(_wtof(u"1e99999999999999999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(_wtof(u"0e99999999999999999999"), 0.0);
}

TEST(Wcstod, EndPointsAfterTheNumberOrAtTheStart) {
  struct Case {
    const char16_t* text;
    int end;
  } cases[] = {
      {u"12.5e", 4}, {u"12.5e+", 4}, {u"12.5e+3x", 7}, {u"abc", 0},
      {u"  .e5", 0}, {u"-", 0},      {u"  7 ", 3},      {u"1d2", 3},
  };
  for (const auto& c : cases) {
    char16_t* end = nullptr;
    wcstod(c.text, &end);
    EXPECT_EQ(end - c.text, c.end) << CString(c.text).ToUtf8();
  }
}

TEST(Itow, RadixSignAndBounds) {
  char16_t buf[66];
  EXPECT_EQ(std::u16string(_itow(123, buf, 10)), u"123");
  EXPECT_EQ(std::u16string(_itow(-123, buf, 10)), u"-123");
  EXPECT_EQ(std::u16string(_itow(-1, buf, 16)), u"ffffffff");
  EXPECT_EQ(std::u16string(_itow(255, buf, 2)), u"11111111");
  EXPECT_EQ(std::u16string(_itow(35, buf, 36)), u"z");
  EXPECT_EQ(std::u16string(_itow(INT32_MIN, buf, 10)), u"-2147483648");
  EXPECT_EQ(std::u16string(_itow(0, buf, 10)), u"0");
  EXPECT_EQ(std::u16string(_itow(5, buf, 1)), u"");
  EXPECT_EQ(std::u16string(_ltow(-5, buf, 8)), u"37777777773");
  EXPECT_EQ(std::u16string(_ultow(4294967295u, buf, 10)), u"4294967295");
  EXPECT_EQ(std::u16string(_i64tow(-1, buf, 16)), u"ffffffffffffffff");
  EXPECT_EQ(std::u16string(_i64tow(INT64_MIN, buf, 10)), u"-9223372036854775808");
  EXPECT_EQ(std::u16string(_i64tow(INT64_MIN, buf, 2)).size(), 64u);
  EXPECT_EQ(std::u16string(_ui64tow(UINT64_MAX, buf, 10)), u"18446744073709551615");

  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(_itow_s(-123, small, 4, 10), ERANGE);  // needs 5 units
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(small[3], u'x');
  EXPECT_EQ(_itow_s(123, small, 4, 10), 0);
  EXPECT_EQ(std::u16string(small), u"123");
  EXPECT_EQ(_itow_s(1, small, 4, 99), EINVAL);
  EXPECT_EQ(_itow_s(1, nullptr, 4, 10), EINVAL);
  EXPECT_EQ(_i64tow_s(INT64_MIN, buf, 21, 10), 0);
  EXPECT_EQ(std::u16string(buf), u"-9223372036854775808");
  EXPECT_EQ(_i64tow_s(INT64_MIN, buf, 20, 10), ERANGE);
}

TEST(CaseMapping, CLocaleMapsAsciiOnly) {
  EXPECT_EQ(towupper(u'a'), u'A');
  EXPECT_EQ(towupper(u'z'), u'Z');
  EXPECT_EQ(towupper(u'A'), u'A');
  EXPECT_EQ(towupper(u'\u00E0'), u'\u00E0');
  EXPECT_EQ(towupper(u'ａ'), u'ａ');
  EXPECT_EQ(towupper(u'α'), u'α');
  EXPECT_EQ(towlower(u'Q'), u'q');
  EXPECT_EQ(towlower(u'Ａ'), u'Ａ');
  EXPECT_EQ(_wcsicmp(u"Abc", u"aBC"), 0);
  EXPECT_LT(_wcsicmp(u"abc", u"ABD"), 0);
  EXPECT_GT(_wcsicmp(u"b", u"A"), 0);
  EXPECT_LT(_wcsicmp(u"a", u"a1"), 0);
  EXPECT_LT(_wcsicmp(u"_", u"A"), 0);  // letters compare as lower case
  EXPECT_NE(_wcsicmp(u"ＡＢＣ", u"ａｂｃ"), 0);
  EXPECT_EQ(_wcsicmp(nullptr, u""), 0);
  EXPECT_EQ(_wcsnicmp(u"abcX", u"ABCy", 3), 0);
  EXPECT_NE(_wcsnicmp(u"abcX", u"ABCy", 4), 0);
}

TEST(RoundTrip, SeventeenDigitsReadBackExactly) {
  const double values[] = {0.1, 1.0 / 3.0, 2.675, 1e23, 5e-324, 1.7976931348623157e308,
                           -2.2250738585072014e-308, 123456.789, 9007199254740993.0};
  for (double v : values) {
    CString text = FormatString(u"%.17g", v);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(_wtof(text)), std::bit_cast<std::uint64_t>(v))
        << text.ToUtf8();
  }
  for (int v : {0, 1, -1, INT32_MAX, INT32_MIN, 12345})
    EXPECT_EQ(_wtoi(FormatString(u"%d", v)), v);
}

}  // namespace
