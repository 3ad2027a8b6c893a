// swscanf against the Windows runtime's (msvcrt) results, with typed and
// bounded outputs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <type_traits>

#include "cmddll3/platform/crt.h"

namespace {

// A raw buffer pointer has no capacity and must not compile as an output.
template <class T>
concept ScanOutput = requires(T out) { swscanf(u"", u"%s", out); };
static_assert(!ScanOutput<char16_t*>);
static_assert(!ScanOutput<const char16_t*>);
static_assert(ScanOutput<ScanBuf>);
static_assert(ScanOutput<CString*>);
static_assert(ScanOutput<LONG*>);
static_assert(ScanOutput<double*>);

struct Fields {
  CString a = u"-", b = u"-", c = u"-";
};

TEST(Swscanf, StopsAtTheFirstEmptySetField) {
  struct Case {
    const char16_t* text;
    int result;
    const char16_t* a;
    const char16_t* b;
    const char16_t* c;
  } cases[] = {
      {u"1,,3", 1, u"1", u"-", u"-"},  {u",b,c", 0, u"-", u"-", u"-"},
      {u"a,b,", 2, u"a", u"b", u"-"},  {u"", -1, u"-", u"-", u"-"},
      {u"a,b,c", 3, u"a", u"b", u"c"}, {u"a", 1, u"a", u"-", u"-"},
      {u"a,b", 2, u"a", u"b", u"-"},   {u" x , y ,z", 3, u" x ", u" y ", u"z"},
  };
  for (const auto& t : cases) {
    Fields f;
    EXPECT_EQ(swscanf(t.text, u"%[^,],%[^,],%[^,]", &f.a, &f.b, &f.c), t.result)
        << CString(t.text).ToUtf8();
    EXPECT_EQ(f.a, t.a) << CString(t.text).ToUtf8();
    EXPECT_EQ(f.b, t.b) << CString(t.text).ToUtf8();
    EXPECT_EQ(f.c, t.c) << CString(t.text).ToUtf8();
  }
}

TEST(Swscanf, StringsStopAtWhiteSpace) {
  CString a, b;
  int n = -1;
  EXPECT_EQ(swscanf(u"abc   def", u"%s %n%s", &a, &n, &b), 2);
  EXPECT_EQ(a, u"abc");
  EXPECT_EQ(b, u"def");
  EXPECT_EQ(n, 6);
  EXPECT_EQ(swscanf(u"  only", u"%s%s", &a, &b), 1);
  EXPECT_EQ(a, u"only");
  EXPECT_EQ(swscanf(u"   ", u"%s", &a), -1);
  EXPECT_EQ(swscanf(u"ab\u3000cd", u"%s", &a), 1);  // U+3000 is not a separator
  EXPECT_EQ(a, u"ab\u3000cd");
}

TEST(Swscanf, Integers) {
  int i = 0, j = 0;
  EXPECT_EQ(swscanf(u"12 x", u"%d %d", &i, &j), 1);
  EXPECT_EQ(i, 12);
  EXPECT_EQ(swscanf(u"x", u"%d", &i), 0);
  EXPECT_EQ(swscanf(u"   ", u"%d", &i), -1);
  EXPECT_EQ(swscanf(u"-", u"%d", &i), -1);
  EXPECT_EQ(swscanf(u"-x", u"%d", &i), 0);
  EXPECT_EQ(swscanf(u"1   2", u"%d %d", &i, &j), 2);
  EXPECT_EQ(swscanf(u"1,2", u"%d ,%d", &i, &j), 2);
  EXPECT_EQ(j, 2);
  EXPECT_EQ(swscanf(u"12", u"%d %d", &i, &j), 1);
  int hour = 0, minute = 0;
  CString c = u"untouched";
  EXPECT_EQ(swscanf(u"18:59", u"%d:%d%c", &hour, &minute, &c), 2);
  EXPECT_EQ(minute, 59);
  EXPECT_EQ(c, u"untouched");
  int count = 0;
  EXPECT_EQ(swscanf(u"3:45", u"%d:%d%n", &hour, &minute, &count), 2);
  EXPECT_EQ(count, 4);

  struct Case {
    const char16_t* format;
    const char16_t* text;
    int expected;
  } cases[] = {
      {u"%i", u"017", 15},    {u"%i", u"0x17", 23},   {u"%i", u"-1", -1},
      {u"%x", u"0x519", 0x519}, {u"%x", u"0x51g", 0x51}, {u"%x", u"-1", -1},
      {u"%o", u"-1", -1},     {u"%u", u"-1", -1},     {u"%d", u"+7", 7},
      {u"%2d", u"12345", 12}, {u"%d", u"5000000000", 705032704},
      {u"%hd", u"70000", 4464}, {u"%d", u"１２", 0}, {u"%ld", u"-2147483648", INT32_MIN},
  };
  for (const auto& t : cases) {
    int v = 0;
    swscanf(t.text, t.format, &v);
    EXPECT_EQ(v, t.expected) << CString(t.format).ToUtf8() << " " << CString(t.text).ToUtf8();
  }
  unsigned u = 0;
  EXPECT_EQ(swscanf(u"-1", u"%u", &u), 1);
  EXPECT_EQ(u, 4294967295u);
  long long big = 0;
  EXPECT_EQ(swscanf(u"5000000000", u"%lld", &big), 1);
  EXPECT_EQ(big, 5000000000LL);
  EXPECT_EQ(swscanf(u"-5000000000", u"%I64d", &big), 1);
  EXPECT_EQ(big, -5000000000LL);
  long hostLong = 0;  // 64 bits here: a distinct type from long long
  EXPECT_EQ(swscanf(u"5000000000", u"%lld", &hostLong), 1);
  EXPECT_EQ(hostLong, 5000000000L);
  short s = 0;
  unsigned short us = 0;
  EXPECT_EQ(swscanf(u"-2 65535", u"%hd %hu", &s, &us), 2);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(us, 65535);
  LONG l = 0;
  EXPECT_EQ(swscanf(u"  -77,", u"%ld,", &l), 1);
  EXPECT_EQ(l, -77);
}

TEST(Swscanf, FloatingPoint) {
  double d = 0;
  float f = 0;
  EXPECT_EQ(swscanf(u"3.25", u"%lf", &d), 1);
  EXPECT_EQ(d, 3.25);
  EXPECT_EQ(swscanf(u"0.1", u"%f", &f), 1);
  EXPECT_EQ(f, 0.1f);
  EXPECT_EQ(swscanf(u"1e5 -.5", u"%lf %lf", &d, &d), 2);
  EXPECT_EQ(d, -0.5);
  EXPECT_EQ(swscanf(u".x", u"%lf", &d), 0);
  EXPECT_EQ(swscanf(u".", u"%lf", &d), -1);  // the text ended inside the field
  CString rest;
  EXPECT_EQ(swscanf(u"1d2", u"%lf%s", &d, &rest), 2);  // scanf knows no d exponent
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(rest, u"d2");
  EXPECT_EQ(swscanf(u"12345.5", u"%3lf", &d), 1);
  EXPECT_EQ(d, 123.0);
  EXPECT_EQ(swscanf(u"1e999", u"%lf", &d), 1);
  EXPECT_TRUE(std::isinf(d));
  EXPECT_EQ(swscanf(u"1e999", u"%f", &f), 1);
  EXPECT_TRUE(std::isinf(f));
  float a = 0, b = 0;
  EXPECT_EQ(swscanf(u"-82.626701 27.760000", u"%f%f", &a, &b), 2);
  EXPECT_EQ(a, -82.6267f);
  EXPECT_EQ(b, 27.76f);
}

TEST(Swscanf, BoundedBuffersNeverOverflow) {
  char16_t buf[6];
  for (auto& c : buf) c = u'#';
  EXPECT_EQ(swscanf(u"abcdef rest", u"%s", ScanBuf{buf, 4}), 1);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(buf[4], u'#');
  EXPECT_EQ(swscanf(u"abcdefghij,x", u"%[^,],%s", ScanBuf{buf, 4}, ScanArray(buf)), 2);
  EXPECT_EQ(std::u16string(buf), u"x");
  char16_t one[1] = {u'#'};
  EXPECT_EQ(swscanf(u"abc", u"%s", ScanArray(one)), 1);
  EXPECT_EQ(one[0], 0);
  EXPECT_EQ(swscanf(u"abc", u"%s", ScanBuf{nullptr, 0}), 1);
  char16_t letters[3];
  EXPECT_EQ(swscanf(u"xyz", u"%2c", ScanArray(letters)), 1);
  EXPECT_EQ(std::u16string(letters), u"xy");
  // Unbounded outputs keep the whole field.
  std::u16string longField(10000, u'長');
  CString whole;
  std::u16string same;
  EXPECT_EQ(swscanf((longField + u",z").c_str(), u"%[^,],%s", &whole, &same), 2);
  EXPECT_EQ(whole.GetLength(), 10000);
  EXPECT_EQ(same, u"z");
}

TEST(Swscanf, WidthsSetsAndSuppression) {
  CString a, b;
  EXPECT_EQ(swscanf(u"abcdefghijklmnopqrstuvwxyz,1", u"%5[^,]%s", &a, &b), 2);
  EXPECT_EQ(a, u"abcde");
  EXPECT_EQ(b, u"fghijklmnopqrstuvwxyz,1");
  EXPECT_EQ(swscanf(u"abcdefghijklmnopqrstuvwxyz", u"%20[^,]", &a), 1);
  EXPECT_EQ(a.GetLength(), 20);
  int v = 0;
  EXPECT_EQ(swscanf(u"skip,42", u"%*[^,],%d", &v), 1);
  EXPECT_EQ(v, 42);
  EXPECT_EQ(swscanf(u"abc", u"%*s%d", &v), 0);  // a suppressed match is not EOF

  CString c;
  EXPECT_EQ(swscanf(u"abcefgdh", u"%*[a-cg-e]%c", &c), 1);
  EXPECT_EQ(c, u"d");
  EXPECT_EQ(swscanf(u"abcefgdh", u"%*[a-cd-dg-e]%c", &c), 1);
  EXPECT_EQ(c, u"h");
  EXPECT_EQ(swscanf(u"]]a]b", u"%[]a]", &a), 1);
  EXPECT_EQ(a, u"]]a]");
  EXPECT_EQ(swscanf(u"ab]c", u"%[^]]", &a), 1);
  EXPECT_EQ(a, u"ab");
  EXPECT_EQ(swscanf(u"-a-b", u"%[-a]", &a), 1);
  EXPECT_EQ(a, u"-a-");
  EXPECT_EQ(swscanf(u"-a-b", u"%[a-]", &a), 1);
  EXPECT_EQ(a, u"-a-");
  EXPECT_EQ(swscanf(u"電気水道ガス", u"%[電気水道]", &a), 1);
  EXPECT_EQ(a, u"電気水道");
  EXPECT_EQ(swscanf(u"abc", u"%[abc", &a), 0);  // no closing bracket
  CString ch;
  EXPECT_EQ(swscanf(u" a", u"%c", &ch), 1);
  EXPECT_EQ(ch, u" ");
  int n = 0;
  EXPECT_EQ(swscanf(u"12:59", u"%*c%n", &n), 0);
  EXPECT_EQ(n, 1);
}

TEST(Swscanf, LiteralsAndPercent) {
  int v = 0;
  EXPECT_EQ(swscanf(u"100%", u"%d%%", &v), 1);
  EXPECT_EQ(swscanf(u"\"%12@", u"%\"%%%d%@", &v), 1);  // "%\"" matches a quote
  EXPECT_EQ(v, 12);
  CString a, b;
  EXPECT_EQ(swscanf(u"a-b", u"%[^-]+%s", &a, &b), 1);
  EXPECT_EQ(swscanf(u"", u""), 0);
  EXPECT_EQ(swscanf(u"", u"abc%d", &v), -1);
  EXPECT_EQ(swscanf(u"abx", u"abc%d", &v), 0);
}

TEST(Swscanf, OutputsOfAnotherKindAndMissingOutputs) {
  double d = 0;
  int i = 0;
  CString s;
  EXPECT_EQ(swscanf(u"7", u"%d", &d), 1);
  EXPECT_EQ(d, 7.0);
  EXPECT_EQ(swscanf(u"42x", u"%s", &i), 1);
  EXPECT_EQ(i, 42);
  EXPECT_EQ(swscanf(u"3.9", u"%lf", &i), 1);
  EXPECT_EQ(i, 3);
  EXPECT_EQ(swscanf(u"-12", u"%d", &s), 1);
  EXPECT_EQ(s, u"-12");
  EXPECT_EQ(swscanf(u"A", u"%c", &i), 1);
  EXPECT_EQ(i, 65);
  EXPECT_EQ(swscanf(u"2.5", u"%s", &d), 1);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(swscanf(u"1 2", u"%d %d", &i), 1);  // no output for the second
  EXPECT_EQ(swscanf(nullptr, u"%d", &i), -1);
  EXPECT_EQ(swscanf(u"1", nullptr, &i), -1);
}

}  // namespace
