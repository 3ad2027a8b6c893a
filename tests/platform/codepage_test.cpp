// Code page 932 and UTF-8 conversions against Windows' results.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cmddll3/platform/codepage.h"
#include "support/test_support.h"

using cmdtest::Hex;
using cmdtest::Unhex;

namespace {

std::u16string Mb2Wc(UINT cp, std::string_view bytes, DWORD flags = 0) {
  char16_t buf[64] = {};
  int n = MultiByteToWideChar(cp, flags, bytes.data(), int(bytes.size()), buf, 64);
  return std::u16string(buf, n > 0 ? size_t(n) : 0);
}

struct Wc2MbResult {
  std::string hex;
  BOOL used;
};

Wc2MbResult Wc2Mb(UINT cp, std::u16string_view text, DWORD flags = 0,
                  const char* defaultChar = nullptr) {
  char buf[64] = {};
  BOOL used = -1;
  int n = WideCharToMultiByte(cp, flags, text.data(), int(text.size()), buf, 64, defaultChar,
                              &used);
  return {Hex(std::string_view(buf, n > 0 ? size_t(n) : 0)), used};
}

// Units as "30FB 0041" for readable comparisons.
std::string Units(std::u16string_view s) {
  std::string out;
  char buf[8];
  for (char16_t c : s) {
    std::snprintf(buf, sizeof buf, "%04X", unsigned(c));
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

struct Fnv {
  std::uint64_t h = 0xcbf29ce484222325ull;
  void Add(unsigned char b) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
};

std::vector<int> LeadBytes() {
  std::vector<int> leads;
  for (int b = 0x81; b <= 0x9F; ++b) leads.push_back(b);
  for (int b = 0xE0; b <= 0xFC; ++b) leads.push_back(b);
  return leads;
}

std::uint64_t EncodeFingerprint(DWORD flags) {
  Fnv f;
  for (unsigned u = 0; u < 0x10000; ++u) {
    char16_t ch = char16_t(u);
    char out[8];
    BOOL used = FALSE;
    int n = WideCharToMultiByte(932, flags, &ch, 1, out, 8, nullptr, &used);
    f.Add((unsigned char)n);
    for (int i = 0; i < n; ++i) f.Add((unsigned char)out[i]);
    f.Add((unsigned char)used);
  }
  return f.h;
}

void AddUnits(Fnv& f, const char* bytes, int len) {
  char16_t out[8];
  int n = MultiByteToWideChar(932, 0, bytes, len, out, 8);
  f.Add((unsigned char)n);
  for (int i = 0; i < n; ++i) {
    f.Add((unsigned char)(out[i] & 0xFF));
    f.Add((unsigned char)(out[i] >> 8));
  }
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
  for (int lead : LeadBytes())
    for (int trail = 0; trail < 256; ++trail) {
      const char bytes[3] = {char(lead), char(trail), 'A'};
      AddUnits(f, bytes, 3);
    }
  EXPECT_EQ(f.h, 0x860090fdd542cae3ull);
}

TEST(CodePage932, WhereGlibcAndWindowsDiffer) {
  // Yen sign and overline positions are ASCII in Windows' table.
  EXPECT_EQ(Units(Mb2Wc(932, "\x5C\x7E")), "005C 007E");
  // FULLWIDTH TILDE is 0x8160; WAVE DASH has no code in Windows.
  EXPECT_EQ(Units(Mb2Wc(932, "\x81\x60")), "FF5E");
  EXPECT_EQ(Wc2Mb(932, u"\uFF5E").hex, "81 60");
  EXPECT_EQ(Wc2Mb(932, u"\u301C").hex, "3F");
  EXPECT_EQ(Wc2Mb(932, u"\u301C").used, TRUE);
  // PARALLEL TO, FULLWIDTH HYPHEN-MINUS, cent, pound and not signs.
  EXPECT_EQ(Units(Mb2Wc(932, "\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA")),
            "2225 FF0D FFE0 FFE1 FFE2");
  EXPECT_EQ(Wc2Mb(932, u"\u2225\uFF0D\uFFE0\uFFE1\uFFE2").hex, "81 61 81 7C 81 91 81 92 81 CA");
  // glibc's one-way mappings are not Windows'.
  for (char16_t c : {u'\u2014', u'\u2016', u'\u203E', u'\u2212'}) {
    SCOPED_TRACE(int(c));
    EXPECT_EQ(Wc2Mb(932, std::u16string(1, c)).hex, "3F");
  }
  EXPECT_EQ(Wc2Mb(932, u"\u2015").hex, "81 5C");
}

TEST(CodePage932, DuplicateCodesWriteAsWindowsChooses) {
  // NEC row 13 and JIS row 2 share ≒ and ∵; Windows writes the JIS code.
  EXPECT_EQ(Units(Mb2Wc(932, "\x87\x90\x81\xE0")), "2252 2252");
  EXPECT_EQ(Wc2Mb(932, u"\u2252\u2235").hex, "81 E0 81 E6");
  // NEC-selected IBM extensions read like the IBM ones and are written as those.
  EXPECT_EQ(Units(Mb2Wc(932, "\xED\x40\xFA\x5C")), "7E8A 7E8A");
  EXPECT_EQ(Wc2Mb(932, u"\u7E8A").hex, "FA 5C");
  EXPECT_EQ(Units(Mb2Wc(932, "\xEE\xEF\xEE\xF9")), "2170 FFE2");
  EXPECT_EQ(Wc2Mb(932, u"\u2170").hex, "FA 40");
  // Roman numeral one is in NEC row 13 and in the IBM rows: NEC wins.
  EXPECT_EQ(Units(Mb2Wc(932, "\xFA\x4A")), "2160");
  EXPECT_EQ(Wc2Mb(932, u"\u2160").hex, "87 54");
  // User-defined area.
  EXPECT_EQ(Units(Mb2Wc(932, "\xF0\x40\xF9\xFC")), "E000 E757");
}

TEST(CodePage932, UndefinedBytesAndBrokenPairs) {
  EXPECT_EQ(Units(Mb2Wc(932, "\x80\xA0\xFD\xFE\xFF")), "0080 F8F0 F8F1 F8F2 F8F3");
  EXPECT_EQ(Wc2Mb(932, u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3").hex, "80 A0 FD FE FF");
  // A lead byte at the end.
  EXPECT_EQ(Units(Mb2Wc(932, "A\x81")), "0041 30FB");
  // A lead byte takes any following byte but NUL as its trail.
  EXPECT_EQ(Units(Mb2Wc(932, std::string_view("\x81\0A", 3))), "30FB 0000 0041");
  EXPECT_EQ(Units(Mb2Wc(932, "\x81\x20" "A")), "30FB 0041");
  EXPECT_EQ(Units(Mb2Wc(932, "\x81\x0A" "A")), "30FB 0041");
  // An undefined pair, and the pair that really is U+30FB.
  EXPECT_EQ(Units(Mb2Wc(932, "\x85\x40\x81\x45")), "30FB 30FB");
  // Half-width katakana.
  EXPECT_EQ(Units(Mb2Wc(932, "\xB1\xDF")), "FF71 FF9F");
}

TEST(CodePage932, InvalidCharsFlag) {
  char16_t buf[8];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\x93", 1, buf, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\x85\x40", 2, buf, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\xA0", 1, buf, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\xFD", 1, buf, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\x80", 1, buf, 8), 1);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\x81\x45", 2, buf, 8), 1);
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\x93\xFA\x96\x7B", 4, buf, 8), 2);
  EXPECT_EQ(buf[0], u'日');
}

TEST(CodePage932, BestFitAndDefaultCharacter) {
  EXPECT_EQ(Wc2Mb(932, u"é").hex, "65");
  EXPECT_EQ(Wc2Mb(932, u"é").used, FALSE);
  EXPECT_EQ(Wc2Mb(932, u"¥").hex, "5C");
  EXPECT_EQ(Wc2Mb(932, u"àüÄßñ").hex, "61 75 41 73 6E");
  EXPECT_EQ(Wc2Mb(932, u"¢£¬«µ").hex, "81 91 81 92 81 CA 81 E1 83 CA");
  EXPECT_EQ(Wc2Mb(932, u"\u3094").hex, "83 94");
  // No best fit: the default character, one per UTF-16 unit.
  Wc2MbResult smile = Wc2Mb(932, u"a\U0001F600b");
  EXPECT_EQ(smile.hex, "61 3F 3F 62");
  EXPECT_EQ(smile.used, TRUE);
  EXPECT_EQ(Wc2Mb(932, u"\xD800" "a\xDC00").hex, "3F 61 3F");
  EXPECT_EQ(Wc2Mb(932, u"ä").hex, "61");
  EXPECT_EQ(Wc2Mb(932, u"ケーブル").used, FALSE);
  // WC_NO_BEST_FIT_CHARS turns best fits into the default.
  EXPECT_EQ(Wc2Mb(932, u"é¥", WC_NO_BEST_FIT_CHARS).hex, "3F 3F");
  EXPECT_EQ(Wc2Mb(932, u"é", WC_NO_BEST_FIT_CHARS).used, TRUE);
  // A caller's default character, single or double byte.
  EXPECT_EQ(Wc2Mb(932, u"x\u301C", 0, "*").hex, "78 2A");
  EXPECT_EQ(Wc2Mb(932, u"\u301C", 0, "\x81\x48").hex, "81 48");
}

TEST(CodePage932, AnsiCodePagesAre932) {
  for (UINT cp : {CP_ACP, CP_OEMCP, CP_SHIFT_JIS}) {
    EXPECT_EQ(Units(Mb2Wc(cp, "\x83\x50\x81\x5B\x83\x75\x83\x8B")), "30B1 30FC 30D6 30EB");
    EXPECT_EQ(Wc2Mb(cp, u"電気").hex, "93 64 8B 43");
  }
}

TEST(CodePageCalls, BufferSizes) {
  // -1: the terminator is converted and counted.
  EXPECT_EQ(MultiByteToWideChar(932, 0, "\x93\xFA" "A", -1, nullptr, 0), 3);
  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(MultiByteToWideChar(932, 0, "\x93\xFA" "A", -1, wide, 4), 3);
  EXPECT_EQ(std::u16string(wide, 3), std::u16string(u"日A\0", 3));
  // Exactly big enough, one short, and a length without the terminator.
  EXPECT_EQ(MultiByteToWideChar(932, 0, "abc", 3, wide, 3), 3);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(932, 0, "abc", -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  EXPECT_EQ(WideCharToMultiByte(932, 0, u"日A", -1, nullptr, 0, nullptr, nullptr), 4);
  char mb[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"日A", -1, mb, 4, nullptr, nullptr), 4);
  EXPECT_EQ(std::string(mb, 4), std::string("\x93\xFA" "A\0", 4));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"日A", 2, mb, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  // The size query still reports the default character.
  BOOL used = FALSE;
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"\u301C", 1, nullptr, 0, nullptr, &used), 1);
  EXPECT_EQ(used, TRUE);
}

TEST(CodePageCalls, BadParameters) {
  char16_t wide[4];
  char mb[4];
  BOOL used;
  auto check = [](int result, DWORD error) {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(GetLastError(), error);
  };
  SetLastError(0);
  check(MultiByteToWideChar(932, 0, "a", 0, wide, 4), ERROR_INVALID_PARAMETER);
  check(MultiByteToWideChar(932, 0, nullptr, 1, wide, 4), ERROR_INVALID_PARAMETER);
  check(MultiByteToWideChar(932, 0, "a", 1, wide, -1), ERROR_INVALID_PARAMETER);
  check(MultiByteToWideChar(932, 0, "a", 1, nullptr, 4), ERROR_INVALID_PARAMETER);
  check(MultiByteToWideChar(1252, 0, "a", 1, wide, 4), ERROR_INVALID_PARAMETER);
  check(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4), ERROR_INVALID_FLAGS);
  check(WideCharToMultiByte(932, 0, u"a", 0, mb, 4, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  check(WideCharToMultiByte(932, 0, nullptr, 1, mb, 4, nullptr, nullptr), ERROR_INVALID_PARAMETER);
  check(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, mb, 4, nullptr, &used), ERROR_INVALID_PARAMETER);
  check(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, mb, 4, "?", nullptr), ERROR_INVALID_PARAMETER);
  check(WideCharToMultiByte(932, WC_ERR_INVALID_CHARS, u"a", 1, mb, 4, nullptr, nullptr),
        ERROR_INVALID_FLAGS);
}

TEST(CodePageUtf8, InvalidSequencesBecomeReplacementCharacters) {
  // Windows 10's results: each maximal invalid subsequence is one U+FFFD.
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xC0")), "FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xC0\xC0\x80")), "FFFD FFFD FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xE0\xC0")), "FFFD FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xE0\x20\xC0")), "FFFD 0020 FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xE6")), "FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xE3\x81" "A")), "FFFD 0041");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xF8\xA3\xA3\xA3\xA3")), "FFFD FFFD FFFD FFFD FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xFF\xFE" "A")), "FFFD FFFD 0041");
  // Encoded surrogates and code points past U+10FFFF are not characters.
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xED\xA0\x80")), "FFFD FFFD FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xF4\x90\x80\x80")), "FFFD FFFD FFFD FFFD");
  EXPECT_EQ(Units(Mb2Wc(CP_UTF8, "\xF0\x9F\x98\x80\xE6\x97\xA5")), "D83D DE00 65E5");
  char16_t buf[8];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xE3\x81", 2, buf, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePageUtf8, LoneSurrogates) {
  char mb[16];
  EXPECT_EQ(Hex(std::string_view(mb, size_t(WideCharToMultiByte(
                                         CP_UTF8, 0, u"\xD800" "a\xDC00", 3, mb, 16, nullptr,
                                         nullptr)))),
            "EF BF BD 61 EF BF BD");
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, u"\xD800", 1, mb, 16, nullptr,
                                nullptr),
            0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(Hex(cmd::cp::EncodeUtf8(u"\U0001F600\xDBFF")), "F0 9F 98 80 EF BF BD");
}

TEST(CodePageHelpers, WholeStrings) {
  std::u16string text = u"1,2,3,ケーブル CV 3C-5.5sq,m,¥100";
  bool used = true;
  std::string bytes = cmd::cp::Encode932(text, &used);
  EXPECT_FALSE(used);
  EXPECT_EQ(cmd::cp::Decode932(bytes), u"1,2,3,ケーブル CV 3C-5.5sq,m,\\100");
  EXPECT_EQ(cmd::cp::DecodeUtf8(cmd::cp::EncodeUtf8(text)), text);
  cmd::cp::Encode932(u"〜", &used);
  EXPECT_TRUE(used);
  // A long ASCII run with one character at every position of the fast path.
  for (size_t pos = 0; pos < 17; ++pos) {
    std::u16string s(17, u'a');
    s[pos] = u'漢';
    EXPECT_EQ(cmd::cp::Decode932(cmd::cp::Encode932(s)), s);
    EXPECT_EQ(cmd::cp::DecodeUtf8(cmd::cp::EncodeUtf8(s)), s);
  }
  EXPECT_EQ(cmd::cp::Decode932(""), u"");
  EXPECT_EQ(cmd::cp::Encode932(u""), "");
}

TEST(CodePageHelpers, Fits932) {
  EXPECT_TRUE(cmd::cp::Fits932(u"電気 ケーブル ｱｲｳ ～ \\ ~"));
  EXPECT_TRUE(cmd::cp::Fits932(u""));
  EXPECT_FALSE(cmd::cp::Fits932(u"café"));       // best fit only
  EXPECT_FALSE(cmd::cp::Fits932(u"¥"));          // best fit to "\"
  EXPECT_FALSE(cmd::cp::Fits932(u"〜"));         // WAVE DASH
  EXPECT_FALSE(cmd::cp::Fits932(u"\U0001F600"));
  EXPECT_FALSE(cmd::cp::Fits932(u"\xD800"));
}

TEST(CodePageHelpers, StreamingKeepsUnfinishedCharacters) {
  std::u16string out;
  EXPECT_EQ(cmd::cp::Decode932Append("A\x83", false, out), 1u);
  EXPECT_EQ(cmd::cp::Decode932Append("\x83\x4A", false, out), 2u);
  EXPECT_EQ(out, u"Aカ");
  // Line ends survive a broken pair.
  out.clear();
  cmd::cp::Decode932Append("\x81\n\x81\r\n", true, out);
  EXPECT_EQ(Units(out), "30FB 000A 30FB 000D 000A");
  out.clear();
  EXPECT_EQ(cmd::cp::DecodeUtf8Append("a\xE6\x97", false, out), 1u);
  EXPECT_EQ(cmd::cp::DecodeUtf8Append("\xE6\x97\xA5", false, out), 3u);
  EXPECT_EQ(out, u"a日");
  EXPECT_EQ(cmd::cp::DecodeUtf8Append("\xE6\x97", true, out), 2u);
  EXPECT_EQ(out, u"a日\uFFFD");
  std::string bytes;
  EXPECT_EQ(cmd::cp::EncodeUtf8Append(u"a\xD83D", false, bytes), 1u);
  EXPECT_EQ(cmd::cp::EncodeUtf8Append(u"\xD83D\xDE00", false, bytes), 2u);
  EXPECT_EQ(Hex(bytes), "61 F0 9F 98 80");
}

TEST(CodePage932, MbsbType) {
  const auto* s = reinterpret_cast<const unsigned char*>("A\x8A\xBF\xB1\x81\x20");
  EXPECT_EQ(_mbsbtype(s, 0), _MBC_SINGLE);
  EXPECT_EQ(_mbsbtype(s, 1), _MBC_LEAD);
  EXPECT_EQ(_mbsbtype(s, 2), _MBC_TRAIL);
  EXPECT_EQ(_mbsbtype(s, 3), _MBC_SINGLE);  // half-width katakana
  EXPECT_EQ(_mbsbtype(s, 4), _MBC_LEAD);
  EXPECT_EQ(_mbsbtype(s, 5), _MBC_ILLEGAL);  // a space cannot be a trail byte
  EXPECT_EQ(_mbsbtype(s, 6), _MBC_ILLEGAL);  // the terminator
  EXPECT_EQ(_mbsbtype(s, 9), _MBC_ILLEGAL);  // past the terminator: never read
  const auto* t = reinterpret_cast<const unsigned char*>("\x81\x5C\x5C");
  EXPECT_EQ(_mbsbtype(t, 1), _MBC_TRAIL);   // 0x5C after a lead byte is a trail
  EXPECT_EQ(_mbsbtype(t, 2), _MBC_SINGLE);  // and on its own the yen sign
  EXPECT_EQ(_mbsbtype(reinterpret_cast<const unsigned char*>("\x01"), 0), _MBC_ILLEGAL);
  EXPECT_EQ(_mbsbtype(reinterpret_cast<const unsigned char*>("\t"), 0), _MBC_ILLEGAL);
  EXPECT_EQ(_mbsbtype(reinterpret_cast<const unsigned char*>("\xA0"), 0), _MBC_ILLEGAL);
  EXPECT_TRUE(_ismbblead(0x81));
  EXPECT_TRUE(_ismbblead(0xFC));
  EXPECT_FALSE(_ismbblead(0xA0));
  EXPECT_FALSE(_ismbblead(0x181));
  EXPECT_TRUE(_ismbbtrail(0x40));
  EXPECT_FALSE(_ismbbtrail(0x7F));
  EXPECT_FALSE(_ismbbtrail(0xFD));
}
