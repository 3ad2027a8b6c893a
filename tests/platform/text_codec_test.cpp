// Text conversions against Windows' results: code page 932 and UTF-8, the
// string class, and the runtime's (msvcrt) number conversion, printf-style
// formatting and swscanf (its own conformance results and recorded oracle
// runs).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/crt.h"
#include "support/test_support.h"

using namespace std::literals;
using cmdtest::Hex;

namespace {

std::string U8(const CString& s) { return s.ToUtf8(); }
std::uint64_t BitsOf(double d) { return std::bit_cast<std::uint64_t>(d); }
double Bits(std::uint64_t b) { return std::bit_cast<double>(b); }
const double kInf = std::numeric_limits<double>::infinity();

// A table of results computed in order and the text each must be.
void ExpectAll(std::initializer_list<std::pair<CString, const char16_t*>> results) {
  for (auto row = results.begin(); row != results.end(); ++row)
    EXPECT_EQ(row->first.str(), row->second) << "row " << row - results.begin();
}

// The value and errno (0: untouched) a reader leaves.
template <class F>
std::pair<long long, int> Read(F reader, const char16_t* text) {
  errno = 0;
  long long v = reader(text);
  return {v, errno};
}

std::u16string Mb2Wc(UINT cp, std::string_view bytes, DWORD flags = 0) {
  char16_t buf[64] = {};
  int n = MultiByteToWideChar(cp, flags, bytes.data(), int(bytes.size()), buf, 64);
  return std::u16string(buf, n > 0 ? size_t(n) : 0);
}

// The bytes as hex, with " (default)" when the call reports the default
// character used (UTF-8 takes no such question).
std::string Wc2Mb(UINT cp, std::u16string_view text, DWORD flags, const char* defaultChar) {
  char buf[64] = {};
  BOOL used = -1;
  int n = WideCharToMultiByte(cp, flags, text.data(), int(text.size()), buf, 64, defaultChar,
                              cp == CP_UTF8 ? nullptr : &used);
  std::string out = Hex(std::string_view(buf, n > 0 ? size_t(n) : 0));
  if (cp != CP_UTF8 && used != FALSE) out += used == TRUE ? " (default)" : " (unset)";
  return out;
}

// FNV-1a over the bytes of every result.
struct Fnv {
  std::uint64_t h = 0xcbf29ce484222325ull;
  void Add(unsigned v, int bytes = 1) {
    for (int i = 0; i < bytes; ++i, v >>= 8) h = (h ^ (v & 0xFF)) * 0x100000001b3ull;
  }
};

std::uint64_t EncodeFingerprint(DWORD flags) {
  Fnv f;
  for (unsigned u = 0; u < 0x10000; ++u) {
    char16_t ch = char16_t(u);
    char out[8];
    BOOL used = FALSE;
    int n = WideCharToMultiByte(932, flags, &ch, 1, out, 8, nullptr, &used);
    f.Add(n);
    for (int i = 0; i < n; ++i) f.Add((unsigned char)out[i]);
    f.Add(used);
  }
  return f.h;
}

void AddUnits(Fnv& f, const std::string& bytes) {
  std::u16string units = Mb2Wc(932, bytes);
  f.Add(units.size());
  for (char16_t u : units) f.Add(u, 2);
}

// ------------------------------------------------------------ code pages

// The fingerprints were taken from Windows' conversions (the Windows-API
// oracle under a Japanese locale): WideCharToMultiByte(932) of every UTF-16
// unit with and without WC_NO_BEST_FIT_CHARS, and MultiByteToWideChar(932)
// of every single byte and of every lead byte followed by each byte and "A".
TEST(CodePage932AndCString, ConvertAsWindowsWithSizesErrorsAndByteTypes) {
  EXPECT_EQ(EncodeFingerprint(0), 0x4a62cb108453b389ull);
  EXPECT_EQ(EncodeFingerprint(WC_NO_BEST_FIT_CHARS), 0xf38c18caddfb3b1eull);
  Fnv f;
  for (int b = 0; b < 256; ++b) AddUnits(f, std::string(1, char(b)));
  for (int lead = 0x81; lead <= 0xFC; ++lead)
    for (int trail = 0; trail < 256 && (lead <= 0x9F || lead >= 0xE0); ++trail)
      AddUnits(f, {char(lead), char(trail), 'A'});
  EXPECT_EQ(f.h, 0x860090fdd542cae3ull);

  // Sequences the fingerprints above do not reach: strings, flags, a caller's
  // default character, the ANSI code page aliases and UTF-8. (Among what the
  // fingerprints pin: 0x5C and 0x7E are ASCII, 0x8160 is FULLWIDTH TILDE and
  // WAVE DASH has no code, glibc's one-way mappings of U+2014, U+2016, U+203E
  // and U+2212 are not Windows', duplicates are written with the JIS code, the
  // IBM rows for IBM extensions and NEC's Roman numerals, best fits such as
  // é to "e" are no default character.)
  const DWORD kStrict = MB_ERR_INVALID_CHARS, kNoTranslation = ERROR_NO_UNICODE_TRANSLATION;
  const struct { std::string_view bytes; std::u16string wide; UINT cp = 932; DWORD flags = 0;
                 DWORD error = 0; } decodes[] = {
      {"A\x81", u"A\u30FB"}, {"\x87\x90\x81\xE0\x85\x40", u"\u2252\u2252\u30FB"},
      {"\x83\x50\x81\x5B", u"ケー", CP_ACP}, {"\x83\x50", u"ケ", CP_OEMCP}, {"\x81\x5B", u"ー", CP_SHIFT_JIS},
      // MB_ERR_INVALID_CHARS refuses broken and undefined codes only.
      {"\x93", u"", 932, kStrict, kNoTranslation}, {"\x85\x40", u"", 932, kStrict, kNoTranslation},
      {"\xA0", u"", 932, kStrict, kNoTranslation}, {"\xFD", u"", 932, kStrict, kNoTranslation},
      {"\x80", u"\u0080", 932, kStrict}, {"\x81\x45", u"\u30FB", 932, kStrict},
      {"\x93\xFA\x96\x7B", u"日本", 932, kStrict},
      // UTF-8 (Windows 10): each maximal invalid subsequence is one U+FFFD;
      // encoded surrogates and code points past U+10FFFF are not characters.
      {"\xC0", u"\uFFFD", CP_UTF8}, {"\xC0\xC0\x80", u"\uFFFD\uFFFD\uFFFD", CP_UTF8},
      {"\xE0\xC0", u"\uFFFD\uFFFD", CP_UTF8}, {"\xE0\x20\xC0", u"\uFFFD \uFFFD", CP_UTF8},
      {"\xE6", u"\uFFFD", CP_UTF8}, {"\xE3\x81" "A", u"\uFFFDA", CP_UTF8},
      {"\xF8\xA3\xA3\xA3\xA3", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", CP_UTF8},
      {"\xFF\xFE" "A", u"\uFFFD\uFFFDA", CP_UTF8}, {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", CP_UTF8},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", CP_UTF8},
      {"\xF0\x9F\x98\x80\xE6\x97\xA5", u"\U0001F600日", CP_UTF8}, {"\xE3\x81", u"", CP_UTF8, kStrict, kNoTranslation},
  };
  for (const auto& c : decodes)
    EXPECT_EQ((std::pair<std::u16string, DWORD>{(SetLastError(0), Mb2Wc(c.cp, c.bytes, c.flags)), GetLastError()}),
              std::pair(c.wide, c.error)) << Hex(c.bytes);
  const struct { std::u16string_view text; const char* hex; DWORD flags = 0;
                 const char* defaultChar = nullptr; UINT cp = 932; DWORD error = 0; } encodes[] = {
      {u"\u2252\u2235\u2160", "81 E0 81 E6 87 54"}, {u"ケーブル", "83 50 81 5B 83 75 83 8B"},
      // A pair or a lone surrogate is one default character per unit.
      {u"a\U0001F600b", "61 3F 3F 62 (default)"}, {u"\xD800" "a\xDC00", "3F 61 3F (default)"},
      {u"é¥", "3F 3F (default)", WC_NO_BEST_FIT_CHARS},
      // A caller's default character, single or double byte.
      {u"x\u301C", "78 2A (default)", 0, "*"}, {u"\u301C", "81 48 (default)", 0, "\x81\x48"},
      {u"電気", "93 64 8B 43", 0, nullptr, CP_ACP}, {u"電", "93 64", 0, nullptr, CP_OEMCP},
      {u"気", "8B 43", 0, nullptr, CP_SHIFT_JIS},
      // UTF-8: lone surrogates are U+FFFD, or refused on request.
      {u"\xD800" "a\xDC00", "EF BF BD 61 EF BF BD", 0, nullptr, CP_UTF8},
      {u"\xD800", "", WC_ERR_INVALID_CHARS, nullptr, CP_UTF8, kNoTranslation},
  };
  for (const auto& c : encodes)
    EXPECT_EQ((std::pair<std::string, DWORD>{(SetLastError(0), Wc2Mb(c.cp, c.text, c.flags, c.defaultChar)),
                                             GetLastError()}), std::pair(std::string(c.hex), c.error))
        << Utf16ToUtf8(c.text);
  EXPECT_EQ(Hex(cmd::cp::EncodeUtf8(u"\U0001F600\xDBFF")), "F0 9F 98 80 EF BF BD");

  // The whole-string helpers, with a long ASCII run that has one character
  // at every position of the fast path.
  std::u16string text = u"1,2,3,ケーブル CV 3C-5.5sq,m,¥100";
  bool used = true, wave = false;
  EXPECT_EQ(cmd::cp::Decode932(cmd::cp::Encode932(text, &used)), u"1,2,3,ケーブル CV 3C-5.5sq,m,\\100");
  cmd::cp::Encode932(u"〜", &wave);
  EXPECT_TRUE(!used && wave && cmd::cp::DecodeUtf8(cmd::cp::EncodeUtf8(text)) == text);
  for (size_t pos = 0; pos < 17; ++pos) {
    std::u16string s(17, u'a');
    s[pos] = u'漢';
    EXPECT_EQ(std::pair(cmd::cp::Decode932(cmd::cp::Encode932(s)), cmd::cp::DecodeUtf8(cmd::cp::EncodeUtf8(s))),
              std::pair(s, s));
  }
  EXPECT_TRUE(cmd::cp::Decode932("").empty() && cmd::cp::Encode932(u"").empty() &&
              cmd::cp::Fits932(u"電気 ケーブル ｱｲｳ ～ \\ ~") && cmd::cp::Fits932(u""));
  // Best fits ("café", "¥" to "\"), WAVE DASH, a pair and a lone surrogate.
  for (std::u16string_view t : {u"café", u"¥", u"〜", u"\U0001F600", u"\xD800"})
    EXPECT_FALSE(cmd::cp::Fits932(t)) << Utf16ToUtf8(t);

  // Sizes, terminators and the parameters Windows refuses, each with its error.
  const DWORD kParam = ERROR_INVALID_PARAMETER, kFlags = ERROR_INVALID_FLAGS,
              kShort = ERROR_INSUFFICIENT_BUFFER;
  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  char mb[4] = {'x', 'x', 'x', 'x'};
  BOOL usedDefault = FALSE;
  auto check = [](int result, int expected, DWORD error) {
    EXPECT_EQ((std::pair<int, DWORD>{result, GetLastError()}), std::pair(expected, error));
    SetLastError(0);
  };
  SetLastError(0);
  // -1: the terminator is converted and counted.
  check(MultiByteToWideChar(932, 0, "\x93\xFA" "A", -1, nullptr, 0), 3, 0);
  check(MultiByteToWideChar(932, 0, "\x93\xFA" "A", -1, wide, 4), 3, 0);
  EXPECT_EQ(std::u16string(wide, 4), u"日A\0x"s);
  check(MultiByteToWideChar(932, 0, "abc", 3, wide, 3), 3, 0);
  check(MultiByteToWideChar(932, 0, "abc", -1, wide, 3), 0, kShort);
  check(WideCharToMultiByte(932, 0, u"日A", -1, nullptr, 0, nullptr, nullptr), 4, 0);
  check(WideCharToMultiByte(932, 0, u"日A", -1, mb, 4, nullptr, nullptr), 4, 0);
  EXPECT_EQ(std::string(mb, 4), "\x93\xFA" "A\0"s);
  check(WideCharToMultiByte(932, 0, u"日A", 2, mb, 2, nullptr, nullptr), 0, kShort);
  // The size query still reports the default character.
  check(WideCharToMultiByte(932, 0, u"\u301C", 1, nullptr, 0, nullptr, &usedDefault), 1, 0);
  EXPECT_EQ(usedDefault, TRUE);
  check(MultiByteToWideChar(932, 0, "a", 0, wide, 4), 0, kParam);
  check(MultiByteToWideChar(932, 0, nullptr, 1, wide, 4), 0, kParam);
  check(MultiByteToWideChar(932, 0, "a", 1, wide, -1), 0, kParam);
  check(MultiByteToWideChar(932, 0, "a", 1, nullptr, 4), 0, kParam);
  check(MultiByteToWideChar(1252, 0, "a", 1, wide, 4), 0, kParam);
  check(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4), 0, kFlags);
  check(WideCharToMultiByte(932, 0, u"a", 0, mb, 4, nullptr, nullptr), 0, kParam);
  check(WideCharToMultiByte(932, 0, nullptr, 1, mb, 4, nullptr, nullptr), 0, kParam);
  check(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, mb, 4, nullptr, &usedDefault), 0, kParam);
  check(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, mb, 4, "?", nullptr), 0, kParam);
  check(WideCharToMultiByte(932, WC_ERR_INVALID_CHARS, u"a", 1, mb, 4, nullptr, nullptr), 0,
        kFlags);

  // Byte types by position: S single, L lead, T trail, ! illegal. Positions
  // past the terminator are illegal without being read.
  const int kTypes[] = {_MBC_SINGLE, _MBC_LEAD, _MBC_TRAIL, _MBC_ILLEGAL};
  const std::pair<const char*, const char*> byteTypes[] = {
      {"A\x8A\xBF\xB1\x81\x20", "SLTSL!!!!!"},  // a space cannot be a trail byte
      {"\x81\x5C\x5C", "LTS!"},                 // 0x5C after a lead byte is a trail
      {"\x01", "!"}, {"\t", "!"}, {"\xA0", "!"},
  };
  for (const auto& [text, types] : byteTypes)
    for (size_t i = 0; types[i]; ++i)
      EXPECT_EQ(_mbsbtype(reinterpret_cast<const unsigned char*>(text), i),
                kTypes[std::string_view("SLT!").find(types[i])])
          << Hex(text) << " at " << i;
  EXPECT_TRUE(_ismbblead(0x81) && _ismbblead(0xFC) && _ismbbtrail(0x40));
  EXPECT_FALSE(_ismbblead(0xA0) || _ismbblead(0x181) || _ismbbtrail(0x7F) || _ismbbtrail(0xFD));

  // The string class: clamped substrings, searches, trimming that keeps the
  // ideographic space, the buffer protocol and UTF-8 with replacements.
  CString s(u"ABCDEF"), list(u"電気,電気,水道"), b;
  char16_t* p = b.GetBuffer(10);
  p[0] = u'a', p[1] = u'b', p[2] = 0;
  b.ReleaseBuffer();
  ExpectAll({
      {s.Mid(2, 3), u"CDE"}, {s.Mid(4, 10), u"EF"}, {s.Mid(10), u""}, {s.Left(-1), u""},
      {s.Right(99), u"ABCDEF"}, {CString(u" \t　値　\r\n").Trim(), u"　値　"}, {b, u"ab"},
      {CString(u"00120").TrimLeft(u'0'), u"120"}, {CString::FromUtf8("a\xFF" "b"), u"a\xFFFD" u"b"},
      {CString::FromUtf8("\xED\xA0\x80"), u"\xFFFD"},  // an encoded surrogate
      {CString::FromUtf8("電気\xF0\x9F\x98\x80"), u"電気\U0001F600"},
  });
  EXPECT_EQ((std::vector{list.Find(u','), list.Find(u',', 3), list.ReverseFind(u','),
                         list.Find(u"水道"), list.Find(u"x", 100), list.Replace(u"電気", u"ガス")}),
            (std::vector{2, 5, 5, 6, -1, 2}));
  EXPECT_EQ(list, u"ガス,ガス,水道");
  EXPECT_EQ(CString(u"電気\U0001F600").ToUtf8() + "|" + Utf16ToUtf8(u"\xD800"), "電気\xF0\x9F\x98\x80|\xEF\xBF\xBD");
  EXPECT_TRUE(CString(u"Abc").CompareNoCase(u"aBC") == 0 && CString(u"ＡＢＣ").CompareNoCase(u"ａｂｃ") != 0);
}

// ---------------------------------------------------------------------- scanning

// A raw buffer pointer has no capacity and must not compile as an output.
template <class T>
concept ScanOutput = requires(T out) { swscanf(u"", u"%s", out); };
static_assert(!ScanOutput<char16_t*> && !ScanOutput<const char16_t*>);
static_assert(ScanOutput<ScanBuf> && ScanOutput<CString*> && ScanOutput<LONG*> &&
              ScanOutput<double*>);

std::string Show(const CString& s) { return s.ToUtf8(); }
std::string Show(const std::u16string& s) { return Utf16ToUtf8(s); }
template <class T>
std::string Show(T v) {  // floating point in its shortest exact form
  char buf[400];
  if constexpr (std::is_floating_point_v<T>)
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
  else
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// swscanf into outputs that start as `initial`: the result and each output,
// as "2|abc|6".
template <class... T>
CString Scan(const char16_t* text, const char16_t* format, T... initial) {
  std::tuple<T...> outs{initial...};
  int n = std::apply([&](auto&... o) { return swscanf(text, format, &o...); }, outs);
  std::string shown = std::to_string(n);
  std::apply([&](auto&... o) { ((shown += "|" + Show(o)), ...); }, outs);
  return CString::FromUtf8(shown);
}

// ------------------------------------------------------------ number conversion

// Blanks, a sign, digits (full-width ones too) up to anything else; values
// out of range clamp with ERANGE; bases 2 to 36, or 0 for C notation.
TEST(Crt, NumbersReadWrittenComparedFormattedAndScanned) {
  struct Case { const char16_t* text; long long value; int error; };
  const Case ints[] = {
      {u"  -42abc", -42, 0}, {u"\t\r\n\v\f 7", 7, 0}, {u"+5", 5, 0},     {u"", 0, 0},
      {u"- 5", 0, 0},        {u"+-5", 0, 0},          {u"１２", 12, 0},  {u"１2３x", 123, 0},
      {u"0x1A", 0, 0},       {u"\u30005", 0, 0},      {u"2147483647", INT32_MAX, 0},
      {u"2147483648", INT32_MAX, ERANGE},  {u"-2147483648", INT32_MIN, 0},
      {u"-2147483649", INT32_MIN, ERANGE}, {u"99999999999999999999999", INT32_MAX, ERANGE},
      {u"２１４７４８３６４８", INT32_MAX, ERANGE},
  };
  for (const auto& c : ints)
    EXPECT_EQ(std::vector({Read(_wtoi, c.text), Read(_wtol, c.text)}), std::vector(2, std::pair(c.value, c.error)))
        << U8(c.text);
  const Case wide[] = {
      {u"5000000000", 5000000000LL, 0},        {u" -１２x", -12, 0},
      {u"9223372036854775807", INT64_MAX, 0},  {u"9223372036854775808", INT64_MAX, ERANGE},
      {u"-9223372036854775808", INT64_MIN, 0}, {u"-9223372036854775809", INT64_MIN, ERANGE},
  };
  for (const auto& c : wide)
    EXPECT_EQ(Read(_wtoi64, c.text), std::pair(c.value, c.error)) << U8(c.text);
  EXPECT_EQ(_wtoi(nullptr), 0);
  const struct { const char16_t* text; int base; long long value; int end, error; } bases[] = {
      {u"ff", 16, 255, 2, 0},   {u"0x1f", 16, 31, 4, 0},   {u"0x1f", 0, 31, 4, 0},
      {u"017", 0, 15, 3, 0},    {u"019", 0, 1, 2, 0},      {u"Zz", 36, 1295, 2, 0},
      {u"12", 1, 0, 0, EINVAL}, {u"12", 37, 0, 0, EINVAL}, {u"   ", 10, 0, 0, 0},
      {u" 12 ", 10, 12, 3, 0},  {u"-0x10", 16, -16, 5, 0}, {u"0x", 16, 0, 0, 0},
      {u"１０", 2, 2, 2, 0},    {u"12", 2, 1, 1, 0},       {u"-80000000", 16, INT32_MIN, 9, 0},
      {u"4294967295", 10, INT32_MAX, 10, ERANGE},
  };
  for (const auto& c : bases) {
    char16_t* end = nullptr;
    const auto [value, error] = Read([&](const char16_t* t) { return wcstol(t, &end, c.base); }, c.text);
    EXPECT_EQ(std::tuple(value, end - c.text, error), std::tuple(c.value, c.end, c.error)) << U8(c.text) << c.base;
  }
  auto unsignedLong = [](const char16_t* t) { return wcstoul(t, nullptr, 10); };
  EXPECT_EQ(Read(unsignedLong, u"-1"), std::pair(4294967295LL, 0));
  EXPECT_EQ(Read(unsignedLong, u"4294967296"), std::pair(4294967295LL, ERANGE));
  EXPECT_EQ(_wcstoi64(u"7fffffffffffffff", nullptr, 16), INT64_MAX);

  // strtod's prefix with the runtime's quirks (a "d" exponent; no inf, nan or
  // hex), correctly rounded however long the digits run; wcstod's end (where a
  // row gives one) is after the number, or at the start when there is none.
  const std::u16string ones(1000, u'1'), tie = u"9007199254740993." + std::u16string(900, u'0');
  const struct { std::u16string text; double value; int end = -1; } decimals[] = {
      {u"1e3", 1000.0},  {u"1d2", 100.0, 3},  {u"1D2", 100.0},  {u"1E-2", 0.01},
      {u" -12.5xyz", -12.5, 6}, {u".5", 0.5}, {u"5.", 5.0},     {u".", 0.0},
      {u"inf", 0.0},     {u"nan", 0.0},       {u"0x1p3", 0.0},  {u"1e", 1.0, 1},
      {u"1e+", 1.0, 1},  {u"+.5e1", 5.0},     {u"１２", 0.0},   {u"\t\n 3.25", 3.25},
      {u"-0", -0.0},     {u"abc", 0.0, 0},    {u"-", 0.0, 0},   {u"  .e5", 0.0, 0}, {u"12.5e+3x", 12500.0, 7},
      {u"2.2250738585072011e-308", 2.2250738585072011e-308}, {u"4.9406564584124654e-324", 4.9406564584124654e-324},
      {u"123456789012345678901234567890", 1.2345678901234568e29}, {u"0.000000000000000000000000000001e30", 1.0},
      // 1000 digits: only the rounding of the whole decides; a tie goes to even
      // unless a digit 900 places later breaks it.
      {ones + u"e-999", 1.1111111111111112}, {tie, 9007199254740992.0}, {tie + u"1", 9007199254740994.0},
      {u"1e99999999999999999999", kInf}, {u"0e99999999999999999999", 0.0},
  };
  for (const auto& [text, value, end] : decimals) {
    char16_t* at = nullptr;
    EXPECT_EQ(std::pair(BitsOf(_wtof(text.c_str())), BitsOf(wcstod(text.c_str(), &at))),
              std::pair(BitsOf(value), BitsOf(value))) << U8(text.substr(0, 40));
    if (end >= 0) { EXPECT_EQ(at - text.c_str(), end) << U8(text); }
  }
  for (auto [text, value] : {std::pair{u"1e400", kInf}, {u"-1e400", -kInf}, {u"1e-400", 0.0}}) {
    errno = 0;
    EXPECT_TRUE(_wtof(text) == value && errno == ERANGE) << U8(text);
  }
  EXPECT_EQ(_wtof(nullptr), 0.0);
  // Seventeen significant digits read back exactly.
  for (double v : {0.1, 1.0 / 3.0, 2.675, 1e23, 5e-324, 1.7976931348623157e308,
                   -2.2250738585072014e-308, 123456.789, 9007199254740993.0})
    EXPECT_EQ(BitsOf(_wtof(FormatString(u"%.17g", v))), BitsOf(v)) << v;

  // Integers to text in every radix, the bounded forms never writing past
  // their size; comparisons that fold ASCII letters only.
  char16_t buf[66];
  ExpectAll({
      {_itow(-123, buf, 10), u"-123"}, {_itow(-1, buf, 16), u"ffffffff"}, {_itow(0, buf, 10), u"0"},
      {_itow(255, buf, 2), u"11111111"}, {_itow(35, buf, 36), u"z"}, {_itow(5, buf, 1), u""},
      {_itow(INT32_MIN, buf, 10), u"-2147483648"}, {_ultow(4294967295u, buf, 10), u"4294967295"},
      {_i64tow(-1, buf, 16), u"ffffffffffffffff"}, {_i64tow(INT64_MIN, buf, 10), u"-9223372036854775808"},
      {_i64tow(INT64_MIN, buf, 2), (u"1" + std::u16string(63, u'0')).c_str()},
      {_ui64tow(UINT64_MAX, buf, 10), u"18446744073709551615"},
  });
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  using Bounded = std::pair<int, std::u16string>;  // the result and the buffer
  EXPECT_EQ((Bounded{_itow_s(-123, small, 4, 10), std::u16string(small, 4)}), Bounded(ERANGE, u"\0xxx"s));  // needs 5
  EXPECT_EQ((Bounded{_itow_s(123, small, 4, 10), std::u16string(small)}), Bounded(0, u"123"));
  EXPECT_EQ((Bounded{_i64tow_s(INT64_MIN, buf, 21, 10), std::u16string(buf)}), Bounded(0, u"-9223372036854775808"));
  EXPECT_EQ((std::vector<int>{_itow_s(1, small, 4, 99), _itow_s(1, nullptr, 4, 10), _i64tow_s(INT64_MIN, buf, 20, 10)}),
            (std::vector<int>{EINVAL, EINVAL, ERANGE}));

  // Letters compare as lower case, ASCII letters only folded.
  const struct { const char16_t *a, *b; int sign; } compares[] = {
      {u"Abc", u"aBC", 0}, {u"abc", u"ABD", -1}, {u"b", u"A", 1}, {u"a", u"a1", -1},
      {u"_", u"A", -1},    {u"ＡＢＣ", u"ａｂｃ", -1}, {nullptr, u"", 0}};
  for (const auto& c : compares) {
    int r = _wcsicmp(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << U8(c.a) << " " << U8(c.b);
  }
  EXPECT_TRUE(_wcsnicmp(u"abcX", u"ABCy", 3) == 0 && _wcsnicmp(u"abcX", u"ABCy", 4) != 0);


  // Floating point keeps 17 digits then rounds half away from zero, writes
  // three exponent digits, and rounds infinity and NaN like digits.
  const double kIndefinite = Bits(0xFFF8000000000000ull);  // the FPU's default NaN
  const double kQuietNaN = Bits(0x7FF8000000000000ull), k37 = 37.866261574537077;
  const struct { const char16_t* format; double value; std::string expected; } doubles[] = {
      {u"%.0f", 0.5, "1"},      {u"%.0f", -2.5, "-3"},    {u"%.0f", 0.49999999999999994, "0"},
      {u"%.2f", 0.125, "0.13"}, {u"%.2f", 2.675, "2.67"}, {u"%.2f", 99.995, "100.00"}, {u"%2.4f", 8.6, "8.6000"},
      {u"%0f", 0.6, "0.600000"}, {u"%f", -0.0, "-0.000000"}, {u"%f", 1e-320, "0.000000"},
      {u"%.20f", 0.1, "0.10000000000000001000"}, {u"%.0f", 1e23, "99999999999999992000000"},
      {u"%.14f", k37, "37.86626157453708"},      {u"%.15f", k37, "37.866261574537077"},
      // Exactly 18 significant digits ending in 5: the 17-digit step rounds up.
      {u"%.1f", 1234567890123456.25, "1234567890123456.3"}, {u"%.17g", 1234567890123456.25, "1234567890123456.3"},
      {u"%.2f", -1234567890123456.25, "-1234567890123456.30"}, {u"%e", 0.0, "0.000000e+000"},
      {u"%E", 12345.678, "1.234568E+004"}, {u"%g", 1234567.0, "1.23457e+006"}, {u"%#1.1g", 789456123.0, "8.e+008"},
      {u"%+#23.15e", 789456123.0, "+7.894561230000000e+008"}, {u"%.1g", 789456123.0, "8e+008"},
      {u"%-#23.15e", 789456123.0, "7.894561230000000e+008 "}, {u"%.0e", 5.0, "5e+000"}, {u"%#g", 1.5, "1.50000"},
      {u"% 014.4e", 8.6, " 008.6000e+000"}, {u"% 2.4e", -8.6, "-8.6000e+000"}, {u"%.3e", 9.9996, "1.000e+001"},
      {u"%#.0e", 5.0, "5.e+000"}, {u"%#.0f", 5.0, "5."}, {u"%2.4g", 8.6, "8.6"}, {u"%g", 0.0005, "0.0005"},
      {u"%g", 0.00005, "5e-005"}, {u"%g", 999999999999999.0, "1e+015"}, {u"%.15g", 1e15, "1e+015"},
      {u"%.15g", 999999999999999.0, "999999999999999"}, {u"%g", 0.0, "0"}, {u"%g", 100000.0, "100000"},
      {u"%g", 1e6, "1e+006"}, {u"%G", 1e-10, "1E-010"}, {u"%.20g", 0.1, "0.10000000000000001"},
      // Infinity and NaN: their texts round as digits do.
      {u"%f", kInf, "1.#INF00"}, {u"%.1f", kInf, "1.$"}, {u"%.2f", kInf, "1.#J"}, {u"%.3f", kInf, "1.#IO"},
      {u"%.0f", kInf, "1"},      {u"%lf", kIndefinite, "-1.#IND00"},  {u"%lf", kQuietNaN, "1.#QNAN0"},
      {u"%le", kInf, "1.#INF00e+000"}, {u"%lg", kIndefinite, "-1.#IND"}, {u"%lg", kQuietNaN, "1.#QNAN"},
      {u"%010.2lf", kIndefinite, "-000001.#J"}, {u"%010.2lf", kQuietNaN, "0000001.#R"},
      {u"%.5f", kQuietNaN, "1.#QNAN"}, {u"%+f", kInf, "+1.#INF00"}, {u"%f", Bits(0x7FF0000000000001ull), "1.#SNAN0"},
      {u"%f", Bits(0xFFF8000000000001ull), "-1.#QNAN0"},
      // Precisions are cut to 512 as the runtime cut them; past the 17th
      // digit the runtime printed zeros.
      {u"%.600f", 1.0, "1." + std::string(512, '0')}, {u"%f", 1e308, "1" + std::string(308, '0') + ".000000"},
      {u"%.3e", 4.9406564584124654e-324, "4.941e-324"},
      {u"%.17g", 2.2250738585072014e-308, "2.2250738585072014e-308"},
  };
  for (const auto& c : doubles)
    EXPECT_EQ(U8(FormatString(c.format, c.value)), c.expected) << U8(c.format) << " of " << c.value;
  const struct { const char16_t* format; long long value; std::string expected; } integers[] = {
      {u"%I64d", static_cast<long long>(0xffffffffull * 0xffffffffull), "-8589934591"},
      {u"%+8I64d", 100, "    +100"},     {u"%+.8I64d", 100, "+00000100"},
      {u"%+10.8I64d", 100, " +00000100"}, {u"%_1I64d", 100, "_1I64d"},
      {u"%-1.5I64d", -100, "-00100"},    {u"%5I64d", -100, " -100"},
      {u"%-8.5I64d", -100, "-00100  "},  {u"%05I64d", -100, "-0100"},  {u"% .5I64d", 100, " 00100"},
      {u"% 8.5I64d", -100, "  -00100"},  {u"%.0I64d", 0, ""}, {u"%#+21.18I64x", -100, " 0x00ffffffffffffff9c"},
      {u"%#.25I64o", -100, "0001777777777777777777634"}, {u"%#+18.21I64X", -100, "0X00000FFFFFFFFFFFFFF9C"},
      {u"%#+25.22I64u", -1, "   0018446744073709551615"}, {u"%+#25.22I64d", -1, "  -0000000000000000000001"},
      {u"%#-8.5I64o", 100, "00144   "}, {u"%#-+ 08.5I64d", 100, "+00100  "},
      {u"%lld", 5000000000, "5000000000"}, {u"%jd", -1, "-1"}, {u"%zx", 1, "1"}, {u"%tx", 1, "1"},
      {u"% d", 1, " 1"},  {u"%+ d", 1, "+1"}, {u"%#012x", 1, "0x0000000001"},
      {u"%#012x", 0, "000000000000"},  {u"%#04.8x", 0, "00000000"}, {u"%#-08.2x", 1, "0x01    "},
      {u"%#.0x", 1, "0x1"},   {u"%#.0x", 0, ""},   {u"%#o", 1, "01"},   {u"%#o", 0, "0"},
      {u"%+i", 1, "+1"},      {u"%o", 10, "12"},   {u"%u", -1, "4294967295"},
      {u"%hx", 0x12345, "2345"}, {u"%hhx", 0x123, "123"}, {u"%hd", 40000, "-25536"},
      {u"%X", 0xBEEF, "BEEF"},   {u"%-05d", 7, "7    "},  {u"%d", INT32_MIN, "-2147483648"},
      {u"%p", 57, "00000039"},   {u"%#012p", 57, "  0X00000039"}, {u"%#-012p", 57, "0X00000039  "},
      {u"%Fp", 57, "00000039"},  {u"%Np", 57, "00000039"}, {u"% .80d", 1, " " + std::string(79, '0') + "1"},
      // Windows long is 32 bits: no size and "l" cut wider values.
      {u"%ld", 5000000000LL, "705032704"}, {u"%d", 5000000000LL, "705032704"}, {u"%I32d", 5000000000LL, "705032704"},
      // A letter the runtime does not know prints itself; sizes without a
      // conversion print nothing.
      {u"%I", -1, "I"},    {u"%Iq", -1, "Iq"},  {u"%I64D", -1, "D"},  {u"%z", -1, "z"},
      {u"%3h", -1, ""},    {u"%h", -1, ""},     {u"%H", -1, "H"},     {u"%%0", -1, "%0"},   {u"%.-5d", -1, "-5d"},
      {u"%k%m%q%r%v%y", -1, "kmqrvy"}, {u"%5-d", -1, "-d"}, {u"%", -1, ""}, {u"100%", -1, "100"},
  };
  for (const auto& c : integers)
    EXPECT_EQ(U8(FormatString(c.format, c.value)), c.expected) << U8(c.format);
  EXPECT_EQ(FormatString(u"%d", 4294967295u), u"-1");

  // Stars, strings, characters, arguments of another kind or missing, and the
  // limits that keep a hostile format small.
  auto F = [](const char16_t* format, const auto&... a) { return FormatString(format, a...); };
  const char16_t* none = nullptr;
  ExpectAll({
      {F(u"%*1d", 1, 3), u"          3"},  {F(u"%0*0d", 1, 2), u"0000000002"},
      {F(u"% *2d", 0, 7), u" 7"},  {F(u"%*d", -4, 1), u"1   "},  {F(u"%.*f", 2, 1.005), u"1.00"},
      {F(u"%*d|%-*d|", 4, 1, 3, 2), u"   1|2  |"}, {F(u"%.*f", -1, 1.5), u"1.500000"}, {F(u"%.1s", u"foo"), u"f"},
      {F(u"%s", none), u"(null)"}, {F(u"%.3s", none), u"(nu"}, {F(u"%s", nullptr), u"(null)"},
      {F(u"%hs", static_cast<const char*>(nullptr)), u"(null)"}, {F(u"%04s", u"foo"), u"0foo"},
      {F(u"%ws|%-10ws|%10ws|%ls", u"wide", u"wide", u"wide", u"wide"),
       u"wide|wide      |      wide|wide"},
      {F(u"%#+ -03whlls", u"wide"), u"wide"}, {F(u"%w0s", u"wide"), u"0s"}, {F(u"[%s]", u"ab\0cd"s), u"[ab]"},
      {F(u"%s,%s,%s", CString(u"電気"), u"水道"s, u"設備"), u"電気,水道,設備"},
      // Narrow text: code page bytes, read one byte per unit in the "C" locale.
      {F(u"%hs|%S|%.2hs", "abc", "\x93\x64\x8B\x43", "xyz"), u"abc|電気|xy"},
      {F(u"%04c|%-04c|%3c", u'1', u'1', u'a'), u"0001|1   |  a"}, {F(u"x%cx", 0x158), u"x\u0158x"},
      {F(u"%c%c", u'電', u'気'), u"電気"}, {F(u"x%hcx|%Cx", 0x158, 0x3042), u"xXx|Bx"},
      // The wrong kind is converted: doubles truncated and clamped, numbers
      // written out under %s.
      {F(u"%d", 3.99), u"3"},  {F(u"%d", -3.99), u"-3"}, {F(u"%d", 1e300), u"2147483647"},
      {F(u"%d", -1e300), u"-2147483648"}, {F(u"%u", 1e300), u"4294967295"},
      {F(u"%d", std::nan("")), u"0"},     {F(u"%f", 3), u"3.000000"},
      {F(u"%.1f", 5000000000ull), u"5000000000.0"}, {F(u"%s|%s|%s", 42, -7LL, 2.5), u"42|-7|2.5"},
      {F(u"%c", 65.0), u"A"}, {F(u"%f|%d", u"x", u"12"), u"0.000000|0"}, {F(u"%c", u"xyz"), u"x"},
      {F(u"[%c]", static_cast<const char16_t*>(nullptr)), u"[]"},
      {F(u"[%s]", std::u16string_view()), u"[]"}, {F(u"%d", true), u"1"},
      // Missing arguments print 0 or nothing; %n takes its argument and
      // writes nothing.
      {F(u"%d|%s|%f|%c|%x|%*d|"), u"0||0.000000||0|0|"}, {F(u"%5s|%-3d|", u"a"), u"    a|0  |"},
      {F(u"%n%d", 5), u"0"}, {F(static_cast<const char16_t*>(nullptr), 1), u""},
  });
  EXPECT_EQ((std::vector<int>{F(u"%5000d", 1).GetLength(), F(u"%99999999999d", 1).GetLength(),
                              F(u"%.600d", 1).GetLength()}), (std::vector<int>{5000, 1 << 20, 512}));
  CString s;
  s.Format(u"%ld,%s,%d\n", LONG(12), u"ケーブル", 1);
  s.AppendFormat(u"%.0f", 2.5);
  s.Format(u"<%s>", s);  // the string itself as an argument
  EXPECT_EQ(s, u"<12,ケーブル,1\n3>");

  // As _snwprintf_s(..., _TRUNCATE): the text and its terminator, no unit more.
  for (auto [size, result, text] : {std::tuple{14, 6, u"AB123C"}, {7, 6, u"AB123C"},
                                    {6, -1, u"AB123"}, {2, -1, u"A"}, {1, -1, u""}}) {
    char16_t buffer[15];
    std::fill(std::begin(buffer), std::end(buffer), u'Z');
    EXPECT_EQ((std::pair<int, std::u16string>{FormatToBuffer(buffer, size, u"AB%uC", 123),
                                              std::u16string(buffer) + buffer[size]}), std::pair(result, text + u"Z"s))
        << size;
  }
  char16_t buffer[1] = {u'Z'};
  EXPECT_EQ((std::vector<int>{FormatToBuffer(buffer, 0, u"AB%uC", 123), buffer[0], FormatToBuffer(nullptr, 10, u"x")}),
            (std::vector<int>{-1, u'Z', -1}));

  // The result counts assigned outputs, -1 when the text ends before the first
  // conversion; the scan stops at the first field that does not match (an
  // empty set field too) and leaves later outputs untouched.
  const CString d = u"-";
  const char16_t* const f3 = u"%[^,],%[^,],%[^,]";
  const unsigned short us = 0;
  ExpectAll({
      {Scan(u"1,,3", f3, d, d, d), u"1|1|-|-"},   {Scan(u",b,c", f3, d, d, d), u"0|-|-|-"},
      {Scan(u"a,b,", f3, d, d, d), u"2|a|b|-"},   {Scan(u"", f3, d, d, d), u"-1|-|-|-"},
      {Scan(u"a", f3, d, d, d), u"1|a|-|-"}, {Scan(u" x , y ,z", f3, d, d, d), u"3| x | y |z"},
      // Strings stop at white space (U+3000 is none).
      {Scan(u"abc   def", u"%s %n%s", d, -1, d), u"2|abc|6|def"},
      {Scan(u"  only", u"%s%s", d, d), u"1|only|-"}, {Scan(u"   ", u"%s", d), u"-1|-"},
      {Scan(u"ab\u3000cd", u"%s", d), u"1|ab\u3000cd"},
      // Integers of every size and base.
      {Scan(u"12 x", u"%d %d", 0, 0), u"1|12|0"}, {Scan(u"x", u"%d", 0), u"0|0"},
      {Scan(u"   ", u"%d", 0), u"-1|0"},          {Scan(u"-", u"%d", 0), u"-1|0"},
      {Scan(u"-x", u"%d", 0), u"0|0"},            {Scan(u"1   2", u"%d %d", 0, 0), u"2|1|2"},
      {Scan(u"1,2", u"%d ,%d", 0, 0), u"2|1|2"},  {Scan(u"12", u"%d %d", 0, 0), u"1|12|0"},
      {Scan(u"18:59", u"%d:%d%c", 0, 0, d), u"2|18|59|-"},
      {Scan(u"3:45", u"%d:%d%n", 0, 0, 0), u"2|3|45|4"}, {Scan(u"017", u"%i", 0), u"1|15"},
      {Scan(u"0x17", u"%i", 0), u"1|23"},    {Scan(u"0x519", u"%x", 0), u"1|1305"},
      {Scan(u"0x51g", u"%x", 0), u"1|81"},   {Scan(u"-1", u"%x", 0), u"1|-1"},
      {Scan(u"-1", u"%o", 0), u"1|-1"},      {Scan(u"+7", u"%d", 0), u"1|7"},
      {Scan(u"12345", u"%2d", 0), u"1|12"},  {Scan(u"5000000000", u"%d", 0), u"1|705032704"},
      {Scan(u"70000", u"%hd", 0), u"1|4464"}, {Scan(u"１２", u"%d", 0), u"0|0"},
      {Scan(u"-1", u"%u", 0u), u"1|4294967295"}, {Scan(u"  -77,", u"%ld,", LONG(0)), u"1|-77"},
      {Scan(u"5000000000", u"%lld", 0LL), u"1|5000000000"}, {Scan(u"-5000000000", u"%I64d", 0LL), u"1|-5000000000"},
      {Scan(u"5000000000", u"%lld", 0L), u"1|5000000000"},  // 64-bit host long
      {Scan(u"-2 65535", u"%hd %hu", short(0), us), u"2|-2|65535"},
      // Floating point: no "d" exponent, widths, overflow to infinity.
      {Scan(u"0.1", u"%f", 0.0f), u"1|0.1"}, {Scan(u"1e5 -.5", u"%lf %lf", 0.0, 0.0), u"2|100000|-0.5"},
      {Scan(u".x", u"%lf", 0.0), u"0|0"},    {Scan(u".", u"%lf", 0.0), u"-1|0"},
      {Scan(u"1d2", u"%lf%s", 0.0, d), u"2|1|d2"}, {Scan(u"12345.5", u"%3lf", 0.0), u"1|123"},
      {Scan(u"1e999", u"%lf", 0.0), u"1|inf"},     {Scan(u"1e999", u"%f", 0.0f), u"1|inf"},
      {Scan(u"-82.626701 27.760000", u"%f%f", 0.0f, 0.0f), u"2|-82.6267|27.76"},
      // Widths, sets with ranges and "]" or "-" as members, suppression.
      {Scan(u"abcdefghijklmnopqrstuvwxyz,1", u"%5[^,]%s", d, d),
       u"2|abcde|fghijklmnopqrstuvwxyz,1"},
      {Scan(u"skip,42", u"%*[^,],%d", 0), u"1|42"},
      {Scan(u"abc", u"%*s%d", 0), u"0|0"},  // a suppressed match is not EOF
      {Scan(u"abcefgdh", u"%*[a-cg-e]%c", d), u"1|d"}, {Scan(u"abcefgdh", u"%*[a-cd-dg-e]%c", d), u"1|h"},
      {Scan(u"]]a]b", u"%[]a]", d), u"1|]]a]"}, {Scan(u"ab]c", u"%[^]]", d), u"1|ab"},
      {Scan(u"-a-b", u"%[-a]", d), u"1|-a-"},   {Scan(u"-a-b", u"%[a-]", d), u"1|-a-"},
      {Scan(u"電気水道ガス", u"%[電気水道]", d), u"1|電気水道"},
      {Scan(u"abc", u"%[abc", d), u"0|-"},  // no closing bracket
      {Scan(u" a", u"%c", d), u"1| "},      {Scan(u"12:59", u"%*c%n", 0), u"0|1"},
      // Literals and percent signs ("%\"" matches a quote).
      {Scan(u"100%", u"%d%%", 0), u"1|100"}, {Scan(u"\"%12@", u"%\"%%%d%@", 0), u"1|12"},
      {Scan(u"", u""), u"0"}, {Scan(u"", u"abc%d", 0), u"-1|0"}, {Scan(u"abx", u"abc%d", 0), u"0|0"},
      // An output of another kind receives the converted value; a conversion
      // without an output stops the scan.
      {Scan(u"7", u"%d", 0.0), u"1|7"},  {Scan(u"42x", u"%s", 0), u"1|42"},
      {Scan(u"3.9", u"%lf", 0), u"1|3"}, {Scan(u"-12", u"%d", d), u"1|-12"},
      {Scan(u"A", u"%c", 0), u"1|65"},   {Scan(u"2.5", u"%s", 0.0), u"1|2.5"},
      {Scan(u"1 2", u"%d %d", 0), u"1|1"}, {Scan(nullptr, u"%d", 0), u"-1|0"},
      {Scan(u"1", nullptr, 0), u"-1|0"},   {Scan(u"x=1", u"x=%d", std::u16string()), u"1|1"},
  });
  char16_t six[6], one[1] = {u'#'}, letters[3];
  std::fill(std::begin(six), std::end(six), u'#');
  using Scanned = std::pair<int, std::u16string>;  // the result and the buffer
  EXPECT_EQ((Scanned{swscanf(u"abcdef rest", u"%s", ScanBuf{six, 4}), std::u16string(six, 6)}),
            Scanned(1, u"abc\0##"s));
  EXPECT_EQ((Scanned{swscanf(u"abcdefghij,x", u"%[^,],%s", ScanBuf{six, 4}, ScanArray(six)), std::u16string(six)}),
            Scanned(2, u"x"));
  EXPECT_EQ((Scanned{swscanf(u"abc", u"%s", ScanArray(one)), std::u16string(one, 1)}), Scanned(1, u"\0"s));
  EXPECT_EQ((Scanned{swscanf(u"xyz", u"%2c", ScanArray(letters)), std::u16string(letters)}), Scanned(1, u"xy"));
  EXPECT_EQ(swscanf(u"abc", u"%s", ScanBuf{nullptr, 0}), 1);
  // Unbounded outputs keep the whole field.
  std::u16string longField(10000, u'長'), same;
  CString whole;
  EXPECT_EQ(swscanf((longField + u",z").c_str(), u"%[^,],%s", &whole, &same), 2);
  EXPECT_EQ(whole.str() + u"|" + same, longField + u"|z");
}

}  // namespace
