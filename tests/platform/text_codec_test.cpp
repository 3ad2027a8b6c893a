// Code page 932 and UTF-8 conversions against Windows' results, and the
// string class that carries the text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cmddll3/platform/codepage.h"
#include "support/test_support.h"

using namespace std::literals;
using cmdtest::Hex;

namespace {

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

void AddUnits(Fnv& f, const char* bytes, int len) {
  char16_t out[8];
  int n = MultiByteToWideChar(932, 0, bytes, len, out, 8);
  f.Add(n);
  for (int i = 0; i < n; ++i) f.Add(out[i], 2);
}

}  // namespace

// The fingerprints were taken from Windows' conversions (the Windows-API
// oracle under a Japanese locale): WideCharToMultiByte(932) of every UTF-16
// unit with and without WC_NO_BEST_FIT_CHARS, and MultiByteToWideChar(932)
// of every single byte and of every lead byte followed by each byte and "A".
TEST(CodePage932, WholeTableMatchesWindows) {
  EXPECT_EQ(EncodeFingerprint(0), 0x4a62cb108453b389ull);
  EXPECT_EQ(EncodeFingerprint(WC_NO_BEST_FIT_CHARS), 0xf38c18caddfb3b1eull);
  Fnv f;
  for (int b = 0; b < 256; ++b) {
    char c = char(b);
    AddUnits(f, &c, 1);
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0; trail < 256; ++trail) {
      const char bytes[3] = {char(lead), char(trail), 'A'};
      AddUnits(f, bytes, 3);
    }
  }
  EXPECT_EQ(f.h, 0x860090fdd542cae3ull);
}

// Sequences the fingerprints above do not reach: strings, flags, a caller's
// default character, the ANSI code page aliases and UTF-8. (Among what the
// fingerprints pin: 0x5C and 0x7E are ASCII, 0x8160 is FULLWIDTH TILDE and
// WAVE DASH has no code, glibc's one-way mappings of U+2014, U+2016, U+203E
// and U+2212 are not Windows', duplicates are written with the JIS code, the
// IBM rows for IBM extensions and NEC's Roman numerals, best fits such as
// é to "e" are no default character.)
TEST(CodePage, ConvertsAsWindows) {
  const DWORD kStrict = MB_ERR_INVALID_CHARS, kNoTranslation = ERROR_NO_UNICODE_TRANSLATION;
  const struct {
    std::string_view bytes;
    std::u16string wide;
    UINT cp = 932;
    DWORD flags = 0, error = 0;
  } decodes[] = {
      {"A\x81", u"A\u30FB"}, {"\x87\x90\x81\xE0\x85\x40", u"\u2252\u2252\u30FB"},
      {"\x83\x50\x81\x5B", u"ケー", CP_ACP}, {"\x83\x50\x81\x5B", u"ケー", CP_OEMCP},
      {"\x83\x50\x81\x5B", u"ケー", CP_SHIFT_JIS},
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
      {"\xF0\x9F\x98\x80\xE6\x97\xA5", u"\U0001F600日", CP_UTF8},
      {"\xE3\x81", u"", CP_UTF8, kStrict, kNoTranslation},
  };
  for (const auto& c : decodes) {
    SetLastError(0);
    EXPECT_EQ(Mb2Wc(c.cp, c.bytes, c.flags), c.wide) << Hex(c.bytes);
    EXPECT_EQ(GetLastError(), c.error) << Hex(c.bytes);
  }
  const struct { std::u16string_view text; const char* hex; DWORD flags = 0;
                 const char* defaultChar = nullptr; UINT cp = 932; DWORD error = 0; } encodes[] = {
      {u"\u2252\u2235\u2160", "81 E0 81 E6 87 54"}, {u"ケーブル", "83 50 81 5B 83 75 83 8B"},
      // A pair or a lone surrogate is one default character per unit.
      {u"a\U0001F600b", "61 3F 3F 62 (default)"}, {u"\xD800" "a\xDC00", "3F 61 3F (default)"},
      {u"é¥", "3F 3F (default)", WC_NO_BEST_FIT_CHARS},
      // A caller's default character, single or double byte.
      {u"x\u301C", "78 2A (default)", 0, "*"}, {u"\u301C", "81 48 (default)", 0, "\x81\x48"},
      {u"電気", "93 64 8B 43", 0, nullptr, CP_ACP}, {u"電気", "93 64 8B 43", 0, nullptr, CP_OEMCP},
      {u"電気", "93 64 8B 43", 0, nullptr, CP_SHIFT_JIS},
      // UTF-8: lone surrogates are U+FFFD, or refused on request.
      {u"\xD800" "a\xDC00", "EF BF BD 61 EF BF BD", 0, nullptr, CP_UTF8},
      {u"\xD800", "", WC_ERR_INVALID_CHARS, nullptr, CP_UTF8, kNoTranslation},
  };
  for (const auto& c : encodes) {
    SetLastError(0);
    EXPECT_EQ(Wc2Mb(c.cp, c.text, c.flags, c.defaultChar), c.hex) << Utf16ToUtf8(c.text);
    EXPECT_EQ(GetLastError(), c.error) << Utf16ToUtf8(c.text);
  }
  EXPECT_EQ(Hex(cmd::cp::EncodeUtf8(u"\U0001F600\xDBFF")), "F0 9F 98 80 EF BF BD");
}

// Sizes, terminators and the parameters Windows refuses, each with its error.
TEST(CodePage, BufferSizesAndBadParameters) {
  const DWORD kParam = ERROR_INVALID_PARAMETER, kFlags = ERROR_INVALID_FLAGS,
              kShort = ERROR_INSUFFICIENT_BUFFER;
  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  char mb[4] = {'x', 'x', 'x', 'x'};
  BOOL used = FALSE;
  auto check = [](int result, int expected, DWORD error) {
    EXPECT_EQ(result, expected);
    EXPECT_EQ(GetLastError(), error);
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
  check(WideCharToMultiByte(932, 0, u"\u301C", 1, nullptr, 0, nullptr, &used), 1, 0);
  EXPECT_EQ(used, TRUE);
  check(MultiByteToWideChar(932, 0, "a", 0, wide, 4), 0, kParam);
  check(MultiByteToWideChar(932, 0, nullptr, 1, wide, 4), 0, kParam);
  check(MultiByteToWideChar(932, 0, "a", 1, wide, -1), 0, kParam);
  check(MultiByteToWideChar(932, 0, "a", 1, nullptr, 4), 0, kParam);
  check(MultiByteToWideChar(1252, 0, "a", 1, wide, 4), 0, kParam);
  check(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4), 0, kFlags);
  check(WideCharToMultiByte(932, 0, u"a", 0, mb, 4, nullptr, nullptr), 0, kParam);
  check(WideCharToMultiByte(932, 0, nullptr, 1, mb, 4, nullptr, nullptr), 0, kParam);
  check(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, mb, 4, nullptr, &used), 0, kParam);
  check(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, mb, 4, "?", nullptr), 0, kParam);
  check(WideCharToMultiByte(932, WC_ERR_INVALID_CHARS, u"a", 1, mb, 4, nullptr, nullptr), 0,
        kFlags);
}

// The whole-string helpers, with a long ASCII run that has one character at
// every position of the fast path.
TEST(CodePage, WholeStringHelpers) {
  std::u16string text = u"1,2,3,ケーブル CV 3C-5.5sq,m,¥100";
  bool used = true;
  EXPECT_EQ(cmd::cp::Decode932(cmd::cp::Encode932(text, &used)), u"1,2,3,ケーブル CV 3C-5.5sq,m,\\100");
  EXPECT_FALSE(used);
  EXPECT_EQ(cmd::cp::DecodeUtf8(cmd::cp::EncodeUtf8(text)), text);
  cmd::cp::Encode932(u"〜", &used);
  EXPECT_TRUE(used);
  for (size_t pos = 0; pos < 17; ++pos) {
    std::u16string s(17, u'a');
    s[pos] = u'漢';
    EXPECT_EQ(cmd::cp::Decode932(cmd::cp::Encode932(s)), s);
    EXPECT_EQ(cmd::cp::DecodeUtf8(cmd::cp::EncodeUtf8(s)), s);
  }
  EXPECT_TRUE(cmd::cp::Decode932("").empty() && cmd::cp::Encode932(u"").empty());
  EXPECT_TRUE(cmd::cp::Fits932(u"電気 ケーブル ｱｲｳ ～ \\ ~") && cmd::cp::Fits932(u""));
  // Best fits ("café", "¥" to "\"), WAVE DASH, a pair and a lone surrogate.
  for (std::u16string_view t : {u"café", u"¥", u"〜", u"\U0001F600", u"\xD800"})
    EXPECT_FALSE(cmd::cp::Fits932(t)) << Utf16ToUtf8(t);
}

// Byte types by position: S single, L lead, T trail, ! illegal. Positions
// past the terminator are illegal without being read.
TEST(CodePage932, MbsbType) {
  const int kTypes[] = {_MBC_SINGLE, _MBC_LEAD, _MBC_TRAIL, _MBC_ILLEGAL};
  const std::pair<const char*, const char*> cases[] = {
      {"A\x8A\xBF\xB1\x81\x20", "SLTSL!!!!!"},  // a space cannot be a trail byte
      {"\x81\x5C\x5C", "LTS!"},                 // 0x5C after a lead byte is a trail
      {"\x01", "!"}, {"\t", "!"}, {"\xA0", "!"},
  };
  for (const auto& [text, types] : cases)
    for (size_t i = 0; types[i]; ++i)
      EXPECT_EQ(_mbsbtype(reinterpret_cast<const unsigned char*>(text), i),
                kTypes[std::string_view("SLT!").find(types[i])])
          << Hex(text) << " at " << i;
  EXPECT_TRUE(_ismbblead(0x81) && _ismbblead(0xFC) && _ismbbtrail(0x40));
  EXPECT_FALSE(_ismbblead(0xA0) || _ismbblead(0x181) || _ismbbtrail(0x7F) || _ismbbtrail(0xFD));
}

// The string class: clamped substrings, searches, trimming that keeps the
// ideographic space, the buffer protocol and UTF-8 with replacements.
TEST(CString, EditsSearchesAndConversions) {
  CString s(u"ABCDEF"), list(u"電気,電気,水道"), b;
  char16_t* p = b.GetBuffer(10);
  p[0] = u'a', p[1] = u'b', p[2] = 0;
  b.ReleaseBuffer();
  const std::pair<CString, const char16_t*> texts[] = {
      {s.Mid(2, 3), u"CDE"}, {s.Mid(4, 10), u"EF"}, {s.Mid(10), u""}, {s.Left(-1), u""},
      {s.Right(2), u"EF"}, {s.Right(99), u"ABCDEF"}, {CString(u" \t　値　\r\n").Trim(), u"　値　"},
      {CString(u"00120").TrimLeft(u'0'), u"120"}, {b, u"ab"},
      {CString::FromUtf8("a\xFF" "b"), u"a\xFFFD" u"b"},
      {CString::FromUtf8("\xED\xA0\x80"), u"\xFFFD"},  // an encoded surrogate
      {CString::FromUtf8("電気\xF0\x9F\x98\x80"), u"電気\U0001F600"},
  };
  for (const auto& [got, want] : texts) EXPECT_EQ(got.str(), want);
  EXPECT_EQ((std::vector{list.Find(u','), list.Find(u',', 3), list.ReverseFind(u','),
                         list.Find(u"水道"), list.Find(u"x", 100), list.Replace(u"電気", u"ガス")}),
            (std::vector{2, 5, 5, 6, -1, 2}));
  EXPECT_EQ(list, u"ガス,ガス,水道");
  EXPECT_EQ(CString(u"電気\U0001F600").ToUtf8(), "電気\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(u"\xD800"), "\xEF\xBF\xBD");
  EXPECT_EQ(CString(u"Abc").CompareNoCase(u"aBC"), 0);
  EXPECT_NE(CString(u"ＡＢＣ").CompareNoCase(u"ａｂｃ"), 0);
}
