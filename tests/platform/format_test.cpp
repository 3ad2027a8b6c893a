// printf-style formatting against the Windows runtime's (msvcrt) results.
// The tables are Windows answers: the runtime's own conformance results and
// the recorded oracle runs.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "cmddll3/platform/crt.h"

namespace {

std::string U8(const CString& s) { return s.ToUtf8(); }

double Bits(std::uint64_t b) { return std::bit_cast<double>(b); }
const double kInf = std::numeric_limits<double>::infinity();
const double kIndefinite = Bits(0xFFF8000000000000ull);  // the FPU's default NaN
const double kQuietNaN = Bits(0x7FF8000000000000ull);

struct DoubleCase {
  const char16_t* format;
  double value;
  const char* expected;
};

TEST(Format, FloatsKeep17DigitsThenRoundHalfAwayFromZero) {
  const DoubleCase cases[] = {
      {u"%.0f", 0.5, "1"},         {u"%.0f", 1.5, "2"},          {u"%.0f", 2.5, "3"},
      {u"%.0f", -2.5, "-3"},       {u"%.0f", -0.5, "-1"},        {u"%.0f", -1.5, "-2"},
      {u"%.0f", 1234.5, "1235"},   {u"%.0f", 0.6, "1"},          {u"%.0f", 0.4, "0"},
      {u"%.0f", 0.49, "0"},        {u"%.0f", 0.05, "0"},         {u"%.2f", 0.125, "0.13"},
      {u"%.3f", 0.0625, "0.063"},  {u"%.2f", 1.115, "1.12"},     {u"%.2f", 2.675, "2.67"},
      {u"%.2f", 1.005, "1.00"},    {u"%.1f", 1.45, "1.5"},       {u"%.1f", 0.15, "0.1"},
      {u"%.1f", 0.05, "0.1"},      {u"%.1f", 9.96, "10.0"},      {u"%.0f", 9.5, "10"},
      {u"%.3f", 1.0005, "1.000"},  {u"%.2f", 99.995, "100.00"},
      {u"%.0f", 0.49999999999999994, "0"},
      {u"%.20f", 0.1, "0.10000000000000001000"},
      {u"%.0f", 1e23, "99999999999999992000000"},
      {u"%.30f", 1.0 / 3.0, "0.333333333333333310000000000000"},
      {u"%.30f", std::sqrt(2.0), "1.414213562373095100000000000000"},
      {u"%f", 3.14159265359, "3.141593"},
      {u"%.10f", 3.14159265359, "3.1415926536"},
      {u"%.15f", 3.14159265359, "3.141592653590000"},
      {u"%.15f", 3.14159265358979323846, "3.141592653589793"},
      {u"%.13f", 37.866261574537077, "37.8662615745371"},
      {u"%.14f", 37.866261574537077, "37.86626157453708"},
      {u"%.15f", 37.866261574537077, "37.866261574537077"},
      {u"%2.4f", 8.6, "8.6000"},   {u"%0f", 0.6, "0.600000"},    {u"%f", 0.0, "0.000000"},
      {u"%f", -0.0, "-0.000000"},  {u"%f", 1e-320, "0.000000"},
      {u"%.0f", 123456789012345678.0, "123456789012345680"},
      // Exactly 18 significant digits ending in 5: the 17-digit step rounds up.
      {u"%.1f", 1234567890123456.25, "1234567890123456.3"},
      {u"%.17g", 1234567890123456.25, "1234567890123456.3"},
      {u"%.2f", -1234567890123456.25, "-1234567890123456.30"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(FormatString(c.format, c.value)), c.expected)
        << U8(c.format) << " of " << c.value;
}

TEST(Format, ExponentFormsHaveThreeDigits) {
  const DoubleCase cases[] = {
      {u"%e", 1.0, "1.000000e+000"},
      {u"%e", 0.0, "0.000000e+000"},
      {u"%e", 1e-300, "1.000000e-300"},
      {u"%E", 12345.678, "1.234568E+004"},
      {u"%g", 1234567.0, "1.23457e+006"},
      {u"%+#23.15e", 789456123.0, "+7.894561230000000e+008"},
      {u"%-#23.15e", 789456123.0, "7.894561230000000e+008 "},
      {u"%#23.15e", 789456123.0, " 7.894561230000000e+008"},
      {u"%#1.1g", 789456123.0, "8.e+008"},
      {u"%.1g", 789456123.0, "8e+008"},
      {u"%2.4e", 8.6, "8.6000e+000"},
      {u"% 2.4e", 8.6, " 8.6000e+000"},
      {u"% 014.4e", 8.6, " 008.6000e+000"},
      {u"% 2.4e", -8.6, "-8.6000e+000"},
      {u"%+2.4e", 8.6, "+8.6000e+000"},
      {u"%.3e", 9.9996, "1.000e+001"},
      {u"%.0e", 5.0, "5e+000"},
      {u"%#.0e", 5.0, "5.e+000"},
      {u"%#.0f", 5.0, "5."},
      {u"%2.4g", 8.6, "8.6"},
      {u"%g", 0.0005, "0.0005"},
      {u"%g", 0.00005, "5e-005"},
      {u"%g", 0.000005, "5e-006"},
      {u"%g", 999999999999999.0, "1e+015"},
      {u"%g", 1e15, "1e+015"},
      {u"%.15g", 0.0005, "0.0005"},
      {u"%.15g", 0.00005, "5e-005"},
      {u"%.15g", 999999999999999.0, "999999999999999"},
      {u"%.15g", 1e15, "1e+015"},
      {u"%g", 0.0, "0"},
      {u"%g", 100000.0, "100000"},
      {u"%g", 1e6, "1e+006"},
      {u"%G", 1e-10, "1E-010"},
      {u"%g", 0.1, "0.1"},
      {u"%.20g", 0.1, "0.10000000000000001"},
      {u"%#g", 1.5, "1.50000"},
      {u"%g", 999999.5, "1e+006"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(FormatString(c.format, c.value)), c.expected)
        << U8(c.format) << " of " << c.value;
}

TEST(Format, InfinityAndNaNAreRoundedLikeDigits) {
  const DoubleCase cases[] = {
      {u"%f", kInf, "1.#INF00"},          {u"%f", -kInf, "-1.#INF00"},
      {u"%.1f", kInf, "1.$"},             {u"%.2f", kInf, "1.#J"},
      {u"%.3f", kInf, "1.#IO"},           {u"%.0f", kInf, "1"},
      {u"%lf", kIndefinite, "-1.#IND00"}, {u"%lf", kQuietNaN, "1.#QNAN0"},
      {u"%le", kIndefinite, "-1.#IND00e+000"},
      {u"%le", kQuietNaN, "1.#QNAN0e+000"},
      {u"%le", kInf, "1.#INF00e+000"},    {u"%lg", kIndefinite, "-1.#IND"},
      {u"%lg", kQuietNaN, "1.#QNAN"},     {u"%lg", kInf, "1.#INF"},
      {u"%010.2lf", kIndefinite, "-000001.#J"},
      {u"%010.2lf", kQuietNaN, "0000001.#R"},
      {u"%010.2lf", kInf, "0000001.#J"},  {u"%.5f", kQuietNaN, "1.#QNAN"},
      {u"%+f", kInf, "+1.#INF00"},        {u"%f", Bits(0x7FF0000000000001ull), "1.#SNAN0"},
      {u"%f", Bits(0xFFF8000000000001ull), "-1.#QNAN0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(FormatString(c.format, c.value)), c.expected) << U8(c.format);
  EXPECT_EQ(U8(FormatString(u"%f", std::nan(""))), "1.#QNAN0");
}

struct IntCase {
  const char16_t* format;
  long long value;
  const char* expected;
};

TEST(Format, IntegersWidthsAndFlags) {
  const IntCase cases[] = {
      {u"%I64d", static_cast<long long>(0xffffffffull * 0xffffffffull), "-8589934591"},
      {u"%+8I64d", 100, "    +100"},     {u"%+.8I64d", 100, "+00000100"},
      {u"%+10.8I64d", 100, " +00000100"}, {u"%_1I64d", 100, "_1I64d"},
      {u"%-1.5I64d", -100, "-00100"},    {u"%5I64d", 100, "  100"},
      {u"%5I64d", -100, " -100"},        {u"%-5I64d", 100, "100  "},
      {u"%-5I64d", -100, "-100 "},       {u"%-.5I64d", 100, "00100"},
      {u"%-.5I64d", -100, "-00100"},     {u"%-8.5I64d", 100, "00100   "},
      {u"%-8.5I64d", -100, "-00100  "},  {u"%05I64d", 100, "00100"},
      {u"%05I64d", -100, "-0100"},       {u"% I64d", 100, " 100"},
      {u"% I64d", -100, "-100"},         {u"% 5I64d", 100, "  100"},
      {u"% .5I64d", 100, " 00100"},      {u"% 8.5I64d", -100, "  -00100"},
      {u"%.0I64d", 0, ""},               {u"%#+21.18I64x", -100, " 0x00ffffffffffffff9c"},
      {u"%#.25I64o", -100, "0001777777777777777777634"},
      {u"%#+24.20I64o", -100, " 01777777777777777777634"},
      {u"%#+18.21I64X", -100, "0X00000FFFFFFFFFFFFFF9C"},
      {u"%#+20.24I64o", -100, "001777777777777777777634"},
      {u"%#+25.22I64u", -1, "   0018446744073709551615"},
      {u"%+#25.22I64d", -1, "  -0000000000000000000001"},
      {u"%#-8.5I64o", 100, "00144   "}, {u"%#-+ 08.5I64d", 100, "+00100  "},
      {u"%lld", 5000000000, "5000000000"}, {u"%jd", -1, "-1"},
      {u"%zx", 1, "1"},                  {u"%tx", 1, "1"},
      {u"% d", 1, " 1"},                 {u"%+ d", 1, "+1"},
      {u"%#012x", 1, "0x0000000001"},    {u"%#012x", 0, "000000000000"},
      {u"%#04.8x", 1, "0x00000001"},     {u"%#04.8x", 0, "00000000"},
      {u"%#-08.2x", 1, "0x01    "},      {u"%#-08.2x", 0, "00      "},
      {u"%#.0x", 1, "0x1"},              {u"%#.0x", 0, ""},
      {u"%#08o", 1, "00000001"},         {u"%#o", 1, "01"},
      {u"%#o", 0, "0"},                  {u"%3d", 1234, "1234"},
      {u"%-1d", 2, "2"},                 {u"%-i", -1, "-1"},
      {u"%+i", 1, "+1"},                 {u"%o", 10, "12"},
      {u"%u", -1, "4294967295"},         {u"%hx", 0x12345, "2345"},
      {u"%hhx", 0x123, "123"},           {u"%hd", 40000, "-25536"},
      {u"%X", 0xBEEF, "BEEF"},           {u"%-05d", 7, "7    "},
      {u"%p", 57, "00000039"},           {u"%#012p", 57, "  0X00000039"},
      {u"%Fp", 57, "00000039"},          {u"%Np", 57, "00000039"},
      {u"%#-012p", 57, "0X00000039  "},  {u"%d", INT32_MIN, "-2147483648"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U8(FormatString(c.format, c.value)), c.expected) << U8(c.format);
  std::string eighty(79, '0');
  EXPECT_EQ(U8(FormatString(u"% .80d", 1)), " " + eighty + "1");
}

TEST(Format, WindowsLongIs32Bits) {
  EXPECT_EQ(FormatString(u"%ld", 5000000000LL), u"705032704");
  EXPECT_EQ(FormatString(u"%d", 5000000000LL), u"705032704");
  EXPECT_EQ(FormatString(u"%ld", LONG(-7)), u"-7");
  EXPECT_EQ(FormatString(u"%lu", -1), u"4294967295");
  EXPECT_EQ(FormatString(u"%d", 4294967295u), u"-1");
  EXPECT_EQ(FormatString(u"%lx", -1LL), u"ffffffff");
  EXPECT_EQ(FormatString(u"%I32d", 5000000000LL), u"705032704");
}

TEST(Format, OddConversionsFollowTheRuntimesStateMachine) {
  struct Case {
    const char16_t* format;
    const char* expected;
  } cases[] = {
      {u"%I", "I"},     {u"%Iq", "Iq"}, {u"%Ihd", "Ihd"}, {u"%I0d", "I0d"},
      {u"%I64D", "D"},  {u"%z", "z"},   {u"%t", "t"},     {u"%b", "b"},
      {u"%3h", ""},     {u"%w", ""},    {u"%h", ""},      {u"%j", ""},
      {u"%F", ""},      {u"%N", ""},    {u"%H", "H"},     {u"%%0", "%0"},
      {u"%k%m%q%r%v%y", "kmqrvy"},      {u"%5-d", "-d"},  {u"%", ""},
      {u"100%", "100"}, {u"%.-5d", "-5d"},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(FormatString(c.format, -1)), c.expected) << U8(c.format);
  EXPECT_EQ(FormatString(u"%*1d", 1, 3), u"          3");
  EXPECT_EQ(FormatString(u"%0*0d", 1, 2), u"0000000002");
  EXPECT_EQ(FormatString(u"% *2d", 0, 7), u" 7");
  EXPECT_EQ(FormatString(u"%*d|%-*d|", 4, 1, 3, 2), u"   1|2  |");
  EXPECT_EQ(FormatString(u"%*d", -4, 1), u"1   ");
  EXPECT_EQ(FormatString(u"%.*f", 2, 1.005), u"1.00");
  EXPECT_EQ(FormatString(u"%.*f", -1, 1.5), u"1.500000");
}

TEST(Format, StringsAndCharacters) {
  const char16_t* none = nullptr;
  EXPECT_EQ(FormatString(u"%s", none), u"(null)");
  EXPECT_EQ(FormatString(u"%.3s", none), u"(nu");
  EXPECT_EQ(FormatString(u"%s", nullptr), u"(null)");
  EXPECT_EQ(FormatString(u"%hs", static_cast<const char*>(nullptr)), u"(null)");
  EXPECT_EQ(FormatString(u"%04s", u"foo"), u"0foo");
  EXPECT_EQ(FormatString(u"%.1s", u"foo"), u"f");
  EXPECT_EQ(FormatString(u"%.*s", 1, u"foo"), u"f");
  EXPECT_EQ(FormatString(u"%*s", -5, u"foo"), u"foo  ");
  EXPECT_EQ(FormatString(u"%ws|%-10ws|%10ws|%ls", u"wide", u"wide", u"wide", u"wide"),
            u"wide|wide      |      wide|wide");
  EXPECT_EQ(FormatString(u"%#+ -03whlls", u"wide"), u"wide");
  EXPECT_EQ(FormatString(u"%w0s", u"wide"), u"0s");
  EXPECT_EQ(FormatString(u"%w-s", u"wide"), u"-s");
  EXPECT_EQ(FormatString(u"%s,%s,%s", CString(u"電気"), std::u16string(u"水道"), u"設備"),
            u"電気,水道,設備");
  std::u16string embedded(u"ab\0cd", 5);
  EXPECT_EQ(FormatString(u"[%s]", embedded), u"[ab]");
  // Narrow text: code page bytes, read one byte per unit in the "C" locale.
  EXPECT_EQ(FormatString(u"%hs|%S|%.2hs", "abc", "\x93\x64\x8B\x43", "xyz"), u"abc|電気|xy");
  EXPECT_EQ(FormatString(u"%04c|%-04c|%3c", u'1', u'1', u'a'), u"0001|1   |  a");
  EXPECT_EQ(FormatString(u"x%cx", 0x158), u"x\u0158x");
  EXPECT_EQ(FormatString(u"x%hcx|%Cx", 0x158, 0x3042), u"xXx|Bx");
  EXPECT_EQ(FormatString(u"%c%c", u'電', u'気'), u"電気");
  EXPECT_EQ(FormatString(u"%s%%", u"100"), u"100%");
}

TEST(Format, ArgumentsOfTheWrongKindAreConverted) {
  EXPECT_EQ(FormatString(u"%d", 3.99), u"3");
  EXPECT_EQ(FormatString(u"%d", -3.99), u"-3");
  EXPECT_EQ(FormatString(u"%d", 1e300), u"2147483647");
  EXPECT_EQ(FormatString(u"%d", -1e300), u"-2147483648");
  EXPECT_EQ(FormatString(u"%u", 1e300), u"4294967295");
  EXPECT_EQ(FormatString(u"%d", std::nan("")), u"0");
  EXPECT_EQ(FormatString(u"%f", 3), u"3.000000");
  EXPECT_EQ(FormatString(u"%.1f", 5000000000ull), u"5000000000.0");
  EXPECT_EQ(FormatString(u"%s|%s|%s", 42, -7LL, 2.5), u"42|-7|2.5");
  EXPECT_EQ(FormatString(u"%c", 65.0), u"A");
  EXPECT_EQ(FormatString(u"%f|%d", u"x", u"12"), u"0.000000|0");
  EXPECT_EQ(FormatString(u"%c", u"xyz"), u"x");
  EXPECT_EQ(FormatString(u"[%c]", static_cast<const char16_t*>(nullptr)), u"[]");
  EXPECT_EQ(FormatString(u"[%s]", std::u16string_view()), u"[]");
  EXPECT_EQ(FormatString(u"%d", true), u"1");
}

TEST(Format, MissingArgumentsPrintZeroOrNothing) {
  EXPECT_EQ(FormatString(u"%d|%s|%f|%c|%x|%*d|"), u"0||0.000000||0|0|");
  EXPECT_EQ(FormatString(u"%5s|%-3d|", u"a"), u"    a|0  |");
  EXPECT_EQ(FormatString(u"%n%d", 5), u"0");  // %n takes its argument and writes nothing
  EXPECT_EQ(FormatString(static_cast<const char16_t*>(nullptr), 1), u"");
}

TEST(Format, LimitsKeepHostileFormatsSmall) {
  EXPECT_EQ(FormatString(u"%5000d", 1).GetLength(), 5000);
  EXPECT_EQ(FormatString(u"%99999999999d", 1).GetLength(), 1 << 20);
  EXPECT_EQ(FormatString(u"%.600d", 1).GetLength(), 512);
  EXPECT_EQ(FormatString(u"%.600f", 1.0).GetLength(), 514);
  CString big = FormatString(u"%f", 1e308);
  // The exact value is 100000000000000001097906...; past the 17th digit the
  // runtime printed zeros.
  EXPECT_EQ(big, u"1" + CString(u'0', 308) + u".000000");
  EXPECT_EQ(FormatString(u"%.3e", 4.9406564584124654e-324), u"4.941e-324");
  EXPECT_EQ(FormatString(u"%.17g", 2.2250738585072014e-308), u"2.2250738585072014e-308");
}

TEST(Format, BufferTruncationAsSnwprintfS) {
  char16_t buffer[14];
  EXPECT_EQ(FormatToBuffer(buffer, 14, u"AB%uC", 123), 6);
  EXPECT_EQ(std::u16string(buffer), u"AB123C");
  EXPECT_EQ(FormatToBuffer(buffer, 7, u"AB%uC", 123), 6);
  EXPECT_EQ(std::u16string(buffer), u"AB123C");
  EXPECT_EQ(FormatToBuffer(buffer, 6, u"AB%uC", 123), -1);
  EXPECT_EQ(std::u16string(buffer), u"AB123");
  EXPECT_EQ(FormatToBuffer(buffer, 2, u"AB%uC", 123), -1);
  EXPECT_EQ(std::u16string(buffer), u"A");
  EXPECT_EQ(FormatToBuffer(buffer, 1, u"AB%uC", 123), -1);
  EXPECT_EQ(buffer[0], 0);
  buffer[0] = u'Z';
  EXPECT_EQ(FormatToBuffer(buffer, 0, u"AB%uC", 123), -1);
  EXPECT_EQ(buffer[0], u'Z');
  EXPECT_EQ(FormatToBuffer(nullptr, 10, u"x"), -1);
  // Exactly what fits: the text and its terminator, and no unit more.
  char16_t exact[4] = {u'a', u'b', u'c', u'd'};
  EXPECT_EQ(FormatToBuffer(exact, 3, u"%s", u"xyz"), -1);
  EXPECT_EQ(std::u16string(exact), u"xy");
  EXPECT_EQ(exact[3], u'd');
}

TEST(Format, CStringMembers) {
  CString s;
  s.Format(u"%ld,%s,%d\n", LONG(12), u"ケーブル", 1);
  EXPECT_EQ(s, u"12,ケーブル,1\n");
  s.AppendFormat(u"%.0f", 2.5);
  EXPECT_EQ(s, u"12,ケーブル,1\n3");
  s.Format(u"<%s>", s);  // the string itself as an argument
  EXPECT_EQ(s, u"<12,ケーブル,1\n3>");
  s.Format(u"zai%03d-3.mst", 7);
  EXPECT_EQ(s, u"zai007-3.mst");
}

}  // namespace
