// Code page 932 and UTF-8 conversions with Windows' results.
//
// Code page 932 runs on two tables built once per process: a decoding table
// filled from glibc's CP932 converter, and an encoding table that is its
// inverse. Windows' own table then wins where it differs (kWindowsFixes).
// With the tables in hand a conversion is a table look-up per character, with
// a straight copy for runs of ASCII, so large master and settings files
// convert at memory speed and no converter state is shared between threads.
#include "cmddll3/platform/codepage.h"

#include <iconv.h>

#include <array>
#include <bitset>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "cmddll3/platform/cstring.h"

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;

constexpr char16_t kUndefined932 = 0x30FB;  // Windows' character for an undefined 932 code
constexpr u16 kMiddleDotCode = 0x8145;     // the one code that really is U+30FB
constexpr char16_t kReplacement = 0xFFFD;   // for invalid UTF-8 and lone surrogates
constexpr char kDefaultChar = '?';

constexpr bool IsLead(u8 b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
constexpr bool IsTrail(u8 b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Index of a lead byte in the pair table (0x81-0x9F, then 0xE0-0xFC).
constexpr int LeadIndex(u8 b) { return b <= 0x9F ? b - 0x81 : b - 0xE0 + 31; }
constexpr int kLeadCount = 31 + 29;

// Where Windows' code page 932 differs from glibc's CP932.
enum class FixKind {
  // A byte the code page leaves undefined; Windows reads it as this
  // character (and writes the character back as the byte) so that such
  // bytes survive a round trip. MB_ERR_INVALID_CHARS still rejects it
  // unless it is also in kWindowsValidUndefined.
  UndefinedByte,
  // A character without a code of its own that Windows writes as the code
  // of a similar character (its "best fit"); reading gives the similar one.
  BestFit,
  // A character that glibc writes as a similar character's code and Windows
  // writes as the default character "?".
  NoMapping,
};
struct WindowsFix {
  FixKind kind;
  char16_t ch;
  u16 code;
};

constexpr WindowsFix kWindowsFixes[] = {
    {FixKind::UndefinedByte, 0x0080, 0x80},
    {FixKind::UndefinedByte, 0xF8F0, 0xA0},
    {FixKind::UndefinedByte, 0xF8F1, 0xFD},
    {FixKind::UndefinedByte, 0xF8F2, 0xFE},
    {FixKind::UndefinedByte, 0xF8F3, 0xFF},
    // glibc's one-way mappings (EM DASH, DOUBLE VERTICAL LINE, OVERLINE,
    // MINUS SIGN, WAVE DASH); Windows has none of them.
    {FixKind::NoMapping, 0x2014, 0},
    {FixKind::NoMapping, 0x2016, 0},
    {FixKind::NoMapping, 0x203E, 0},
    {FixKind::NoMapping, 0x2212, 0},
    {FixKind::NoMapping, 0x301C, 0},
    // Windows' best-fit table for code page 932: Latin-1 signs and letters,
    // and the hiragana VU written as the katakana one.
    {FixKind::BestFit, 0x00A1, 0x21}, {FixKind::BestFit, 0x00A2, 0x8191},
    {FixKind::BestFit, 0x00A3, 0x8192}, {FixKind::BestFit, 0x00A5, 0x5C},
    {FixKind::BestFit, 0x00A6, 0x7C}, {FixKind::BestFit, 0x00A9, 0x63},
    {FixKind::BestFit, 0x00AA, 0x61}, {FixKind::BestFit, 0x00AB, 0x81E1},
    {FixKind::BestFit, 0x00AC, 0x81CA}, {FixKind::BestFit, 0x00AD, 0x2D},
    {FixKind::BestFit, 0x00AE, 0x52}, {FixKind::BestFit, 0x00AF, 0x8150},
    {FixKind::BestFit, 0x00B2, 0x32}, {FixKind::BestFit, 0x00B3, 0x33},
    {FixKind::BestFit, 0x00B5, 0x83CA}, {FixKind::BestFit, 0x00B7, 0x8145},
    {FixKind::BestFit, 0x00B8, 0x8143}, {FixKind::BestFit, 0x00B9, 0x31},
    {FixKind::BestFit, 0x00BA, 0x6F}, {FixKind::BestFit, 0x00BB, 0x81E2},
    {FixKind::BestFit, 0x00C0, 0x41}, {FixKind::BestFit, 0x00C1, 0x41},
    {FixKind::BestFit, 0x00C2, 0x41}, {FixKind::BestFit, 0x00C3, 0x41},
    {FixKind::BestFit, 0x00C4, 0x41}, {FixKind::BestFit, 0x00C5, 0x41},
    {FixKind::BestFit, 0x00C6, 0x41}, {FixKind::BestFit, 0x00C7, 0x43},
    {FixKind::BestFit, 0x00C8, 0x45}, {FixKind::BestFit, 0x00C9, 0x45},
    {FixKind::BestFit, 0x00CA, 0x45}, {FixKind::BestFit, 0x00CB, 0x45},
    {FixKind::BestFit, 0x00CC, 0x49}, {FixKind::BestFit, 0x00CD, 0x49},
    {FixKind::BestFit, 0x00CE, 0x49}, {FixKind::BestFit, 0x00CF, 0x49},
    {FixKind::BestFit, 0x00D0, 0x44}, {FixKind::BestFit, 0x00D1, 0x4E},
    {FixKind::BestFit, 0x00D2, 0x4F}, {FixKind::BestFit, 0x00D3, 0x4F},
    {FixKind::BestFit, 0x00D4, 0x4F}, {FixKind::BestFit, 0x00D5, 0x4F},
    {FixKind::BestFit, 0x00D6, 0x4F}, {FixKind::BestFit, 0x00D8, 0x4F},
    {FixKind::BestFit, 0x00D9, 0x55}, {FixKind::BestFit, 0x00DA, 0x55},
    {FixKind::BestFit, 0x00DB, 0x55}, {FixKind::BestFit, 0x00DC, 0x55},
    {FixKind::BestFit, 0x00DD, 0x59}, {FixKind::BestFit, 0x00DE, 0x54},
    {FixKind::BestFit, 0x00DF, 0x73}, {FixKind::BestFit, 0x00E0, 0x61},
    {FixKind::BestFit, 0x00E1, 0x61}, {FixKind::BestFit, 0x00E2, 0x61},
    {FixKind::BestFit, 0x00E3, 0x61}, {FixKind::BestFit, 0x00E4, 0x61},
    {FixKind::BestFit, 0x00E5, 0x61}, {FixKind::BestFit, 0x00E6, 0x61},
    {FixKind::BestFit, 0x00E7, 0x63}, {FixKind::BestFit, 0x00E8, 0x65},
    {FixKind::BestFit, 0x00E9, 0x65}, {FixKind::BestFit, 0x00EA, 0x65},
    {FixKind::BestFit, 0x00EB, 0x65}, {FixKind::BestFit, 0x00EC, 0x69},
    {FixKind::BestFit, 0x00ED, 0x69}, {FixKind::BestFit, 0x00EE, 0x69},
    {FixKind::BestFit, 0x00EF, 0x69}, {FixKind::BestFit, 0x00F0, 0x64},
    {FixKind::BestFit, 0x00F1, 0x6E}, {FixKind::BestFit, 0x00F2, 0x6F},
    {FixKind::BestFit, 0x00F3, 0x6F}, {FixKind::BestFit, 0x00F4, 0x6F},
    {FixKind::BestFit, 0x00F5, 0x6F}, {FixKind::BestFit, 0x00F6, 0x6F},
    {FixKind::BestFit, 0x00F8, 0x6F}, {FixKind::BestFit, 0x00F9, 0x75},
    {FixKind::BestFit, 0x00FA, 0x75}, {FixKind::BestFit, 0x00FB, 0x75},
    {FixKind::BestFit, 0x00FC, 0x75}, {FixKind::BestFit, 0x00FD, 0x79},
    {FixKind::BestFit, 0x00FE, 0x74}, {FixKind::BestFit, 0x00FF, 0x79},
    {FixKind::BestFit, 0x3094, 0x8394},
};
// Of the undefined bytes, this one counts as valid for MB_ERR_INVALID_CHARS.
constexpr u8 kWindowsValidUndefined = 0x80;

// Windows writes a character that several codes read as with the lowest of
// them, except that the NEC-selected IBM extensions (lead bytes 0xED, 0xEE)
// give way to the IBM extensions (0xFA to 0xFC).
constexpr bool IsNecSelectedIbm(u16 code) { return (code >> 8) == 0xED || (code >> 8) == 0xEE; }

struct Tables {
  std::array<char16_t, 256> single{};                // lead bytes: kUndefined932
  std::bitset<256> singleInvalid;                    // for MB_ERR_INVALID_CHARS
  std::array<std::array<char16_t, 256>, kLeadCount> pair{};  // kUndefined932 when undefined
  std::array<u16, 65536> code{};                     // 0: no code (U+0000 is written as 0)
  std::bitset<65536> bestFit;                        // code[] holds a best fit, not a round trip
};

// Reads one code through iconv; false when glibc leaves it undefined.
bool DecodeWithIconv(iconv_t cd, const u8* bytes, std::size_t n, char16_t& ch) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[2];
  std::memcpy(in, bytes, n);
  char out[8];
  char* ip = in;
  char* op = out;
  std::size_t il = n, ol = sizeof out;
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return false;
  if (op - out != 2) return false;  // outside the BMP: not a 932 character
  ch = char16_t(u8(out[0]) | (u8(out[1]) << 8));
  return true;
}

void FillDecoding(Tables& t) {
  t.single.fill(kUndefined932);
  for (auto& row : t.pair) row.fill(kUndefined932);
  for (int b = 0; b < 0x80; ++b) t.single[b] = char16_t(b);  // also when iconv is missing
  iconv_t cd = iconv_open("UTF-16LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return;
  for (int b = 0x80; b < 0x100; ++b) {
    u8 byte = u8(b);
    char16_t ch;
    if (IsLead(byte)) continue;
    if (DecodeWithIconv(cd, &byte, 1, ch)) t.single[b] = ch;
    else t.singleInvalid.set(b);
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(u8(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrail(u8(trail))) continue;
      const u8 bytes[2] = {u8(lead), u8(trail)};
      char16_t ch;
      if (DecodeWithIconv(cd, bytes, 2, ch)) t.pair[LeadIndex(u8(lead))][trail] = ch;
    }
  }
  iconv_close(cd);
}

void AddCode(Tables& t, char16_t ch, u16 code) {
  u16& slot = t.code[ch];
  if (slot == 0 || (IsNecSelectedIbm(slot) && !IsNecSelectedIbm(code))) slot = code;
}

void FillEncoding(Tables& t) {
  for (int b = 1; b < 0x100; ++b)
    if (!IsLead(u8(b)) && (t.single[b] != kUndefined932 || b < 0x80)) AddCode(t, t.single[b], u16(b));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead(u8(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      char16_t ch = t.pair[LeadIndex(u8(lead))][trail];
      u16 code = u16((lead << 8) | trail);
      if (ch != kUndefined932 || code == kMiddleDotCode) AddCode(t, ch, code);
    }
  }
}

void ApplyWindowsFixes(Tables& t) {
  for (const WindowsFix& fix : kWindowsFixes) {
    switch (fix.kind) {
      case FixKind::UndefinedByte:
        t.single[fix.code] = fix.ch;
        t.singleInvalid.set(fix.code, fix.code != kWindowsValidUndefined);
        t.code[fix.ch] = fix.code;
        break;
      case FixKind::BestFit:
        t.code[fix.ch] = fix.code;
        t.bestFit.set(fix.ch);
        break;
      case FixKind::NoMapping:
        t.code[fix.ch] = 0;
        break;
    }
  }
}

const Tables& Get932() {
  static const std::unique_ptr<Tables> tables = [] {
    auto t = std::make_unique<Tables>();
    FillDecoding(*t);
    FillEncoding(*t);
    ApplyWindowsFixes(*t);
    return t;
  }();
  return *tables;
}

bool AllAscii8(const u8* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return (v & 0x8080808080808080ull) == 0;
}

// ---------------------------------------------------------------- 932 decoding

enum class LeadRule {
  Windows,       // a lead byte takes any following byte but NUL as its trail
  KeepLineEnds,  // ... and leaves CR and LF alone, for line-oriented readers
};

// Decodes bytes into out (room for n units); returns bytes consumed. Without
// `final`, a lead byte at the end is left for the next call.
std::size_t Decode932Into(const u8* p, std::size_t n, bool final, LeadRule rule, char16_t* out,
                          std::size_t& written, bool* invalid) {
  const Tables& t = Get932();
  std::size_t i = 0, w = 0;
  while (i < n) {
    while (i + 8 <= n && AllAscii8(p + i)) {
      for (int k = 0; k < 8; ++k) out[w++] = char16_t(p[i + k]);
      i += 8;
    }
    if (i >= n) break;
    u8 b = p[i];
    if (b < 0x80) {
      out[w++] = char16_t(b);
      ++i;
      continue;
    }
    if (!IsLead(b)) {
      out[w++] = t.single[b];
      if (invalid && t.singleInvalid[b]) *invalid = true;
      ++i;
      continue;
    }
    if (i + 1 >= n) {
      if (!final) break;
      out[w++] = kUndefined932;
      if (invalid) *invalid = true;
      ++i;
      continue;
    }
    u8 trail = p[i + 1];
    bool keepNext = trail == 0 || (rule == LeadRule::KeepLineEnds && (trail == '\r' || trail == '\n'));
    if (keepNext) {
      out[w++] = kUndefined932;
      if (invalid) *invalid = true;
      ++i;
      continue;
    }
    char16_t ch = t.pair[LeadIndex(b)][trail];
    if (invalid && ch == kUndefined932 && ((b << 8) | trail) != kMiddleDotCode) *invalid = true;
    out[w++] = ch;
    i += 2;
  }
  written = w;
  return i;
}

std::size_t Decode932Append(std::string_view bytes, bool final, LeadRule rule, std::u16string& out,
                            bool* invalid) {
  std::size_t old = out.size();
  out.resize(old + bytes.size());
  std::size_t written = 0;
  std::size_t used = Decode932Into(reinterpret_cast<const u8*>(bytes.data()), bytes.size(), final,
                                   rule, out.data() + old, written, invalid);
  out.resize(old + written);
  return used;
}

// ---------------------------------------------------------------- 932 encoding

struct DefaultChar {
  char bytes[2] = {kDefaultChar, 0};
  int length = 1;
};

DefaultChar MakeDefault(const char* given) {
  DefaultChar d;
  if (!given) return d;
  d.bytes[0] = given[0];
  if (IsLead(u8(given[0])) && IsTrail(u8(given[1]))) {
    d.bytes[1] = given[1];
    d.length = 2;
  }
  return d;
}

void Encode932Into(std::u16string_view text, bool noBestFit, const DefaultChar& def,
                   std::string& out, bool* usedDefault) {
  const Tables& t = Get932();
  std::size_t old = out.size();
  out.resize(old + text.size() * 2);
  char* w = out.data() + old;
  for (char16_t ch : text) {
    if (ch < 0x80) {
      *w++ = char(ch);
      continue;
    }
    u16 code = t.code[ch];
    if (code == 0 || (noBestFit && t.bestFit[ch])) {
      for (int k = 0; k < def.length; ++k) *w++ = def.bytes[k];
      if (usedDefault) *usedDefault = true;
    } else if (code < 0x100) {
      *w++ = char(code);
    } else {
      *w++ = char(code >> 8);
      *w++ = char(code & 0xFF);
    }
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
}

// ---------------------------------------------------------------- UTF-8

// Length of the valid prefix of the UTF-8 sequence at p (n bytes available),
// and whether the sequence is complete. A sequence that breaks off is one
// invalid unit (its maximal valid prefix), as Windows and Unicode count it.
struct Utf8Step {
  std::size_t length;  // bytes that belong to the sequence (at least 1)
  bool complete;       // a whole character
  bool truncated;      // valid so far but the input ended
  char32_t cp;
};

Utf8Step ReadUtf8(const u8* p, std::size_t n) {
  u8 b = p[0];
  std::size_t need;
  char32_t cp;
  u8 lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b >= 0xC2 && b <= 0xDF) { need = 2; cp = b & 0x1F; }
  else if (b >= 0xE0 && b <= 0xEF) {
    need = 3; cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no encoded surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 4; cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return {1, false, false, 0};
  }
  std::size_t k = 1;
  for (; k < need; ++k) {
    if (k >= n) return {k, false, true, 0};
    u8 c = p[k];
    u8 l = k == 1 ? lo : 0x80, h = k == 1 ? hi : 0xBF;
    if (c < l || c > h) return {k, false, false, 0};
    cp = (cp << 6) | (c & 0x3F);
  }
  return {need, true, false, cp};
}

std::size_t DecodeUtf8Into(const u8* p, std::size_t n, bool final, char16_t* out,
                           std::size_t& written, bool* invalid) {
  std::size_t i = 0, w = 0;
  while (i < n) {
    while (i + 8 <= n && AllAscii8(p + i)) {
      for (int k = 0; k < 8; ++k) out[w++] = char16_t(p[i + k]);
      i += 8;
    }
    if (i >= n) break;
    if (p[i] < 0x80) {
      out[w++] = char16_t(p[i++]);
      continue;
    }
    Utf8Step s = ReadUtf8(p + i, n - i);
    if (s.truncated && !final) break;
    if (!s.complete) {
      out[w++] = kReplacement;
      if (invalid) *invalid = true;
    } else if (s.cp >= 0x10000) {
      char32_t v = s.cp - 0x10000;
      out[w++] = char16_t(0xD800 + (v >> 10));
      out[w++] = char16_t(0xDC00 + (v & 0x3FF));
    } else {
      out[w++] = char16_t(s.cp);
    }
    i += s.length;
  }
  written = w;
  return i;
}

std::size_t DecodeUtf8Append(std::string_view bytes, bool final, std::u16string& out,
                             bool* invalid) {
  std::size_t old = out.size();
  out.resize(old + bytes.size());  // a unit per byte at most
  std::size_t written = 0;
  std::size_t used = DecodeUtf8Into(reinterpret_cast<const u8*>(bytes.data()), bytes.size(), final,
                                    out.data() + old, written, invalid);
  out.resize(old + written);
  return used;
}

char* PutUtf8(char32_t cp, char* w) {
  if (cp < 0x80) {
    *w++ = char(cp);
  } else if (cp < 0x800) {
    *w++ = char(0xC0 | (cp >> 6));
    *w++ = char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *w++ = char(0xE0 | (cp >> 12));
    *w++ = char(0x80 | ((cp >> 6) & 0x3F));
    *w++ = char(0x80 | (cp & 0x3F));
  } else {
    *w++ = char(0xF0 | (cp >> 18));
    *w++ = char(0x80 | ((cp >> 12) & 0x3F));
    *w++ = char(0x80 | ((cp >> 6) & 0x3F));
    *w++ = char(0x80 | (cp & 0x3F));
  }
  return w;
}

std::size_t EncodeUtf8Into(std::u16string_view text, bool final, std::string& out,
                           bool* invalid) {
  std::size_t old = out.size();
  out.resize(old + text.size() * 3);  // 3 bytes per unit at most (a pair: 4 per 2)
  char* w = out.data() + old;
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < 0x80) {
      *w++ = char(c);
      continue;
    }
    char32_t cp = c;
    if (IsHighSurrogate(c)) {
      if (i + 1 >= text.size() && !final) break;
      if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else {
        cp = kReplacement;
        if (invalid) *invalid = true;
      }
    } else if (IsLowSurrogate(c)) {
      cp = kReplacement;
      if (invalid) *invalid = true;
    }
    w = PutUtf8(cp, w);
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
  return i;
}

// ---------------------------------------------------------------- the Windows calls

enum class Page { Cp932, Utf8, Unknown };

Page PageOf(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_SHIFT_JIS:
      return Page::Cp932;
    case CP_UTF8:
      return Page::Utf8;
    default:
      return Page::Unknown;
  }
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// Copies a finished conversion to the caller's buffer with Windows' size rules.
template <class Char>
int Deliver(const std::basic_string<Char>& result, Char* out, int outLen) {
  if (result.size() > static_cast<std::size_t>(INT32_MAX)) return Fail(ERROR_INVALID_PARAMETER);
  int size = static_cast<int>(result.size());
  if (outLen == 0) return size;
  if (size > outLen) {
    std::memcpy(out, result.data(), sizeof(Char) * static_cast<std::size_t>(outLen));
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(out, result.data(), sizeof(Char) * static_cast<std::size_t>(size));
  return size;
}

}  // namespace

// ---------------------------------------------------------------- public

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* mb, int mbLen, char16_t* wide,
                        int wideLen) {
  Page page = PageOf(codePage);
  if (page == Page::Unknown || !mb || mbLen == 0 || wideLen < 0 || (wideLen > 0 && !wide) ||
      (wideLen > 0 && static_cast<const void*>(mb) == static_cast<const void*>(wide)))
    return Fail(ERROR_INVALID_PARAMETER);
  DWORD allowed = page == Page::Utf8 ? MB_ERR_INVALID_CHARS : DWORD(0x0F);
  if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
  std::size_t n = mbLen < 0 ? std::strlen(mb) + 1 : static_cast<std::size_t>(mbLen);
  std::string_view bytes(mb, n);
  std::u16string result;
  bool invalid = false;
  bool* check = (flags & MB_ERR_INVALID_CHARS) ? &invalid : nullptr;
  if (page == Page::Utf8) DecodeUtf8Append(bytes, true, result, check);
  else Decode932Append(bytes, true, LeadRule::Windows, result, check);
  if (invalid) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  return Deliver(result, wide, wideLen);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* wide, int wideLen, char* mb,
                        int mbLen, const char* defaultChar, BOOL* usedDefault) {
  Page page = PageOf(codePage);
  if (page == Page::Unknown || !wide || wideLen == 0 || mbLen < 0 || (mbLen > 0 && !mb) ||
      (mbLen > 0 && static_cast<const void*>(mb) == static_cast<const void*>(wide)))
    return Fail(ERROR_INVALID_PARAMETER);
  if (page == Page::Utf8) {
    if (flags & ~WC_ERR_INVALID_CHARS) return Fail(ERROR_INVALID_FLAGS);
    if (defaultChar || usedDefault) return Fail(ERROR_INVALID_PARAMETER);
  } else if (flags & WC_ERR_INVALID_CHARS) {
    return Fail(ERROR_INVALID_FLAGS);
  }
  std::size_t n = wideLen < 0 ? wcslen16(wide) + 1 : static_cast<std::size_t>(wideLen);
  std::u16string_view text(wide, n);
  std::string result;
  if (page == Page::Utf8) {
    bool invalid = false;
    EncodeUtf8Into(text, true, result, &invalid);
    if (invalid && (flags & WC_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  } else {
    bool used = false;
    Encode932Into(text, (flags & WC_NO_BEST_FIT_CHARS) != 0, MakeDefault(defaultChar), result,
                  &used);
    if (usedDefault) *usedDefault = used ? TRUE : FALSE;
  }
  return Deliver(result, mb, mbLen);
}

int _ismbblead(unsigned int c) { return c <= 0xFF && IsLead(u8(c)) ? 1 : 0; }
int _ismbbtrail(unsigned int c) { return c <= 0xFF && IsTrail(u8(c)) ? 1 : 0; }

namespace {
// The runtime's single-byte characters: 0x20-0x7E and the half-width
// katakana 0xA1-0xDF. Control bytes and the undefined bytes are illegal.
bool IsSingleByteChar(u8 b) { return (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF); }
}  // namespace

int _mbsbtype(const unsigned char* str, std::size_t count) {
  if (!str) return _MBC_ILLEGAL;
  int type = _MBC_ILLEGAL;
  for (std::size_t i = 0; i <= count; ++i) {
    u8 b = str[i];
    if (b == 0) return _MBC_ILLEGAL;
    if (type == _MBC_LEAD) type = IsTrail(b) ? _MBC_TRAIL : _MBC_ILLEGAL;
    else if (IsLead(b)) type = _MBC_LEAD;
    else type = IsSingleByteChar(b) ? _MBC_SINGLE : _MBC_ILLEGAL;
  }
  return type;
}

namespace cmd::cp {

std::u16string Decode932(std::string_view bytes) {
  std::u16string out;
  ::Decode932Append(bytes, true, LeadRule::Windows, out, nullptr);
  return out;
}

std::string Encode932(std::u16string_view text, bool* usedDefault) {
  std::string out;
  Encode932Append(text, out, usedDefault);
  return out;
}

bool Fits932(std::u16string_view text) {
  const Tables& t = Get932();
  for (char16_t ch : text)
    if (ch >= 0x80 && (t.code[ch] == 0 || t.bestFit[ch])) return false;
  return true;
}

std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  ::DecodeUtf8Append(bytes, true, out, nullptr);
  return out;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  EncodeUtf8Into(text, true, out, nullptr);
  return out;
}

std::size_t Decode932Append(std::string_view bytes, bool final, std::u16string& out) {
  return ::Decode932Append(bytes, final, LeadRule::KeepLineEnds, out, nullptr);
}

std::size_t DecodeUtf8Append(std::string_view bytes, bool final, std::u16string& out) {
  return ::DecodeUtf8Append(bytes, final, out, nullptr);
}

void Encode932Append(std::u16string_view text, std::string& out, bool* usedDefault) {
  bool used = false;
  Encode932Into(text, false, DefaultChar{}, out, &used);
  if (usedDefault) *usedDefault = used;
}

std::size_t EncodeUtf8Append(std::u16string_view text, bool final, std::string& out) {
  return EncodeUtf8Into(text, final, out, nullptr);
}

}  // namespace cmd::cp
