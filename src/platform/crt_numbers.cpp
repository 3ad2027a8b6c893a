// Number conversions of the C-runtime subset: _wtoi, _wtol, _wtoi64, wcstol,
// wcstoul, _wcstoi64, _wtof, wcstod, _itow and its relatives, and the
// case-folding comparisons, with the Windows runtime's (msvcrt) results.
#include <cerrno>
#include <cstdint>
#include <limits>
#include <string>

#include "cmddll3/platform/crt.h"
#include "platform/decimal.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The value of a decimal digit of any script the runtime's wide integer
// readers accept (ASCII, Arabic-Indic, Devanagari and the other Indic
// scripts, Thai, Lao, Tibetan, Myanmar, Khmer, Mongolian, full-width), or -1.
int DecimalDigitValue(char16_t c) {
  static constexpr char16_t kZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66,
                                        0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50,
                                        0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
  for (char16_t zero : kZeros)
    if (c >= zero && c < zero + 10) return c - zero;
  return -1;
}

// A digit in bases up to 36: decimal digits of any script, ASCII letters.
int DigitValue(char16_t c) {
  int d = DecimalDigitValue(c);
  if (d >= 0) return d;
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  return -1;
}

struct IntegerText {
  unsigned long long magnitude = 0;
  bool negative = false;
  bool overflow = false;  // beyond `max` while reading
  const char16_t* end = nullptr;
};

// The reading of the wcstol family: blanks, sign, a 0x prefix for base 16
// (or base 0), then digits accumulated up to `max`. With no digit, `end` is
// the start of the text and the value 0. Returns false for a bad base.
bool ReadInteger(const char16_t* s, int base, unsigned long long max, IntegerText* r) {
  r->end = s;
  if (base < 0 || base == 1 || base > 36) return false;
  const char16_t* p = s;
  while (IsBlank(*p)) ++p;
  if (*p == u'-') {
    r->negative = true;
    ++p;
  } else if (*p == u'+') {
    ++p;
  }
  bool xAfterZero = DecimalDigitValue(p[0]) == 0 && (p[1] == u'x' || p[1] == u'X');
  if (base == 0) base = DecimalDigitValue(p[0]) != 0 ? 10 : (xAfterZero ? 16 : 8);
  if (base == 16 && xAfterZero) p += 2;

  bool any = false;
  for (;; ++p) {
    int d = DigitValue(*p);
    if (d < 0 || d >= base) break;
    any = true;
    unsigned long long ud = static_cast<unsigned long long>(d);
    if (r->magnitude > (max - ud) / static_cast<unsigned>(base)) {
      r->overflow = true;
    } else {
      r->magnitude = r->magnitude * static_cast<unsigned>(base) + ud;
    }
  }
  if (!any) {
    r->magnitude = 0;
    r->negative = false;
    return true;
  }
  r->end = p;
  return true;
}

void SetEnd(char16_t** end, const char16_t* p) {
  if (end) *end = const_cast<char16_t*>(p);
}

// Signed reading with clamping to [min, max] and errno ERANGE.
long long ReadSigned(const char16_t* s, char16_t** end, int base, unsigned long long accumulateMax,
                     long long min, long long max) {
  IntegerText r;
  if (!s) {
    errno = EINVAL;
    SetEnd(end, s);
    return 0;
  }
  if (!ReadInteger(s, base, accumulateMax, &r)) {
    errno = EINVAL;
    SetEnd(end, s);
    return 0;
  }
  SetEnd(end, r.end);
  unsigned long long limit = r.negative ? static_cast<unsigned long long>(max) + 1
                                        : static_cast<unsigned long long>(max);
  if (r.overflow || r.magnitude > limit) {
    errno = ERANGE;
    return r.negative ? min : max;
  }
  return r.negative ? static_cast<long long>(0 - r.magnitude) : static_cast<long long>(r.magnitude);
}

// Writes `magnitude` in `radix`, after a '-' when `negative`.
char16_t* WriteRadix(unsigned long long magnitude, bool negative, char16_t* buffer, int radix) {
  if (!buffer) return buffer;
  if (radix < 2 || radix > 36) {
    buffer[0] = 0;
    return buffer;
  }
  char16_t digits[64];
  int n = 0;
  do {
    unsigned d = static_cast<unsigned>(magnitude % static_cast<unsigned>(radix));
    digits[n++] = char16_t(d < 10 ? u'0' + d : u'a' + d - 10);
    magnitude /= static_cast<unsigned>(radix);
  } while (magnitude != 0);
  char16_t* p = buffer;
  if (negative) *p++ = u'-';
  while (n > 0) *p++ = digits[--n];
  *p = 0;
  return buffer;
}

int WriteRadixBounded(unsigned long long magnitude, bool negative, char16_t* buffer,
                      std::size_t size, int radix) {
  if (!buffer || size == 0) return EINVAL;
  buffer[0] = 0;
  if (radix < 2 || radix > 36) return EINVAL;
  char16_t text[66];
  WriteRadix(magnitude, negative, text, radix);
  std::size_t length = wcslen16(text);
  if (length + 1 > size) return ERANGE;
  for (std::size_t i = 0; i <= length; ++i) buffer[i] = text[i];
  return 0;
}

}  // namespace

LONG wcstol(const char16_t* s, char16_t** end, int base) {
  return static_cast<LONG>(ReadSigned(s, end, base, 0xFFFFFFFFull, INT32_MIN, INT32_MAX));
}

long long _wcstoi64(const char16_t* s, char16_t** end, int base) {
  return ReadSigned(s, end, base, std::numeric_limits<unsigned long long>::max(), INT64_MIN,
                    INT64_MAX);
}

ULONG wcstoul(const char16_t* s, char16_t** end, int base) {
  IntegerText r;
  if (!s || !ReadInteger(s, base, 0xFFFFFFFFull, &r)) {
    errno = EINVAL;
    SetEnd(end, s);
    return 0;
  }
  SetEnd(end, r.end);
  if (r.overflow) {
    errno = ERANGE;
    return 0xFFFFFFFFu;
  }
  auto v = static_cast<ULONG>(r.magnitude);
  return r.negative ? static_cast<ULONG>(0u - v) : v;
}

int _wtoi(const char16_t* s) { return static_cast<int>(wcstol(s, nullptr, 10)); }
LONG _wtol(const char16_t* s) { return wcstol(s, nullptr, 10); }
long long _wtoi64(const char16_t* s) { return _wcstoi64(s, nullptr, 10); }

double wcstod(const char16_t* s, char16_t** end) {
  SetEnd(end, s);
  if (!s) {
    errno = EINVAL;
    return 0.0;
  }
  const char16_t* p = s;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == u'-') {
    negative = true;
    ++p;
  } else if (*p == u'+') {
    ++p;
  }
  std::string digits;
  std::int64_t fractionDigits = 0;
  for (; IsAsciiDigit(*p); ++p) digits += char(*p);
  if (*p == u'.') {
    ++p;
    for (; IsAsciiDigit(*p); ++p, ++fractionDigits) digits += char(*p);
  }
  if (digits.empty()) return 0.0;  // nothing read: end stays at the start

  // The runtime also took d and D as the exponent mark (a FORTRAN habit).
  std::int64_t exponent = 0;
  if (*p == u'e' || *p == u'E' || *p == u'd' || *p == u'D') {
    const char16_t* q = p + 1;
    bool negativeExponent = false;
    if (*q == u'-' || *q == u'+') negativeExponent = *q++ == u'-';
    if (IsAsciiDigit(*q)) {
      for (; IsAsciiDigit(*q); ++q)
        if (exponent < 1000000000) exponent = exponent * 10 + (*q - u'0');
      if (negativeExponent) exponent = -exponent;
      p = q;
    }
  }
  SetEnd(end, p);
  cmd::crt::DecimalRange range;
  double value = cmd::crt::DecimalToDouble(negative, digits, exponent - fractionDigits, &range);
  if (range != cmd::crt::DecimalRange::InRange) errno = ERANGE;
  return value;
}

double _wtof(const char16_t* s) { return wcstod(s, nullptr); }

char16_t* _itow(int value, char16_t* buffer, int radix) { return _ltow(value, buffer, radix); }

char16_t* _ltow(LONG value, char16_t* buffer, int radix) {
  bool negative = radix == 10 && value < 0;
  auto bits = static_cast<std::uint32_t>(value);
  return WriteRadix(negative ? 0u - bits : bits, negative, buffer, radix);
}

char16_t* _ultow(ULONG value, char16_t* buffer, int radix) {
  return WriteRadix(value, false, buffer, radix);
}

char16_t* _i64tow(long long value, char16_t* buffer, int radix) {
  bool negative = radix == 10 && value < 0;
  auto bits = static_cast<unsigned long long>(value);
  return WriteRadix(negative ? 0ull - bits : bits, negative, buffer, radix);
}

char16_t* _ui64tow(unsigned long long value, char16_t* buffer, int radix) {
  return WriteRadix(value, false, buffer, radix);
}

int _itow_s(int value, char16_t* buffer, std::size_t size, int radix) {
  bool negative = radix == 10 && value < 0;
  auto bits = static_cast<std::uint32_t>(value);
  return WriteRadixBounded(negative ? 0u - bits : bits, negative, buffer, size, radix);
}

int _i64tow_s(long long value, char16_t* buffer, std::size_t size, int radix) {
  bool negative = radix == 10 && value < 0;
  auto bits = static_cast<unsigned long long>(value);
  return WriteRadixBounded(negative ? 0ull - bits : bits, negative, buffer, size, radix);
}

int _wcsnicmp(const char16_t* a, const char16_t* b, std::size_t count) {
  if (!a) a = u"";
  if (!b) b = u"";
  for (std::size_t i = 0; i < count; ++i) {
    int x = towlower(a[i]);
    int y = towlower(b[i]);
    if (x != y || x == 0) return x - y;
  }
  return 0;
}

int _wcsicmp(const char16_t* a, const char16_t* b) {
  return _wcsnicmp(a, b, std::numeric_limits<std::size_t>::max());
}
