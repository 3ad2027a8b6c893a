// The printf engine of the C-runtime subset: CString::Format, FormatArgs and
// FormatArgsToBuffer, with the Windows runtime's (msvcrt) results.
//
// The format is read with the runtime's state machine, so odd formats come
// out as they did on Windows ("%5-d" prints "-d", "%*1d" widens to 1x). Numbers
// are written here from their exact digits; the host printf is never used.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/crt.h"
#include "platform/decimal.h"

namespace {

// Precision beyond this was cut by the runtime; widths are bounded so that a
// hostile format cannot ask for gigabytes.
constexpr int kMaxPrecision = 512;
constexpr int kMaxWidth = 1 << 20;
constexpr int kMaxParsedNumber = 1 << 24;

// Narrow text of %hs, %S, %hc and %C is multibyte text, which for this
// library is code page 932; `count` is in bytes.
std::u16string DecodeNarrowArg(const char* bytes, std::size_t count) {
  return cmd::cp::Decode932(std::string_view(bytes, count));
}

std::u16string Widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// ------------------------------------------------------------ arguments

class ArgList {
 public:
  ArgList(const FormatArg* args, std::size_t count) : args_(args), count_(args ? count : 0) {}
  // The next argument, or null when the caller passed no more.
  const FormatArg* Next() { return next_ < count_ ? &args_[next_++] : nullptr; }

 private:
  const FormatArg* args_;
  std::size_t count_;
  std::size_t next_ = 0;
};

long long DoubleToInteger(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9.2233720368547758e18) return std::numeric_limits<long long>::max();
  if (d <= -9.2233720368547758e18) return std::numeric_limits<long long>::min();
  return static_cast<long long>(d);  // truncates toward zero
}

// The bits an integer conversion reads; strings read as 0.
unsigned long long ArgBits(const FormatArg* a) {
  if (!a) return 0;
  switch (a->kind) {
    case FormatArg::Signed: return static_cast<unsigned long long>(a->i);
    case FormatArg::Unsigned: return a->u;
    case FormatArg::Double: return static_cast<unsigned long long>(DoubleToInteger(a->d));
    case FormatArg::Pointer: return reinterpret_cast<std::uintptr_t>(a->p);
    case FormatArg::Wide:
    case FormatArg::Narrow: return 0;
  }
  return 0;
}

double ArgDouble(const FormatArg* a) {
  if (!a) return 0.0;
  switch (a->kind) {
    case FormatArg::Signed: return static_cast<double>(a->i);
    case FormatArg::Unsigned: return static_cast<double>(a->u);
    case FormatArg::Double: return a->d;
    default: return 0.0;
  }
}

// '*' takes an int.
int ArgInt(const FormatArg* a) { return static_cast<int>(static_cast<std::uint32_t>(ArgBits(a))); }

// ----------------------------------------------------- one conversion

struct Conversion {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  int width = 0;
  int precision = -1;  // not given
  bool isShort = false;  // h
  bool isLong = false;   // l: 32 bits, and wide text
  bool isWide = false;   // w
  bool is64 = false;     // ll, I64, j, and pointer-sized I, z, t
};

void EmitField(std::u16string& out, const Conversion& conv, std::u16string_view prefix,
               std::u16string_view text) {
  long long pad = static_cast<long long>(conv.width) -
                  static_cast<long long>(prefix.size() + text.size());
  std::size_t n = pad > 0 ? static_cast<std::size_t>(pad) : 0;
  if (!conv.left && !conv.zero) out.append(n, u' ');
  out += prefix;
  if (conv.zero && !conv.left) out.append(n, u'0');
  out += text;
  if (conv.left) out.append(n, u' ');
}

// --------------------------------------------------------------- integers

// A double under an integer conversion: truncated toward zero and held to
// the conversion's range.
unsigned long long SaturatedBits(double d, const Conversion& conv, bool isSigned) {
  int bits = conv.is64 ? 64 : (conv.isShort ? 16 : 32);
  if (std::isnan(d)) return 0;
  if (isSigned) {
    long long max = bits == 64 ? std::numeric_limits<long long>::max() : (1ll << (bits - 1)) - 1;
    long long min = -max - 1;
    if (d >= static_cast<double>(max)) return static_cast<unsigned long long>(max);
    if (d <= static_cast<double>(min)) return static_cast<unsigned long long>(min);
    return static_cast<unsigned long long>(static_cast<long long>(d));
  }
  unsigned long long max = bits == 64 ? std::numeric_limits<unsigned long long>::max()
                                      : (1ull << bits) - 1;
  if (d <= 0) return d <= -1 ? static_cast<unsigned long long>(DoubleToInteger(d)) : 0;
  if (d >= static_cast<double>(max)) return max;
  return static_cast<unsigned long long>(d);
}

void FormatInteger(std::u16string& out, Conversion conv, char16_t type, const FormatArg* arg) {
  unsigned long long bits = ArgBits(arg);
  bool isSigned = type == u'd' || type == u'i';
  int radix = 10;
  bool upper = false;
  if (type == u'o') radix = 8;
  if (type == u'x') radix = 16;
  if (type == u'X' || type == u'p') radix = 16, upper = true;
  if (type == u'p') {
    // Pointers print as eight upper-case hex digits, as in the 32-bit
    // program (wider host addresses show all their digits).
    conv.precision = 8;
    conv.is64 = true;
  }

  if (arg && arg->kind == FormatArg::Double) bits = SaturatedBits(arg->d, conv, isSigned);

  unsigned long long magnitude;
  bool negative = false;
  if (conv.is64) {
    magnitude = bits;
    if (isSigned && static_cast<long long>(bits) < 0) negative = true;
  } else if (conv.isShort) {
    magnitude = bits & 0xFFFF;
    if (isSigned && static_cast<std::int16_t>(magnitude) < 0) negative = true;
  } else {
    magnitude = bits & 0xFFFFFFFFu;
    if (isSigned && static_cast<std::int32_t>(magnitude) < 0) negative = true;
  }
  if (negative) {
    unsigned long long modulus = conv.is64 ? 0 : (conv.isShort ? 0x10000ull : 0x100000000ull);
    magnitude = modulus - magnitude;  // wraps to the 64-bit negation when modulus is 0
  }

  int precision = conv.precision;
  if (precision < 0) {
    precision = 1;
  } else {
    conv.zero = false;  // a precision turns the 0 flag off
    precision = std::min(precision, kMaxPrecision);
  }

  std::u16string digits;
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  for (unsigned long long v = magnitude; v != 0; v /= static_cast<unsigned>(radix))
    digits += char16_t(set[v % static_cast<unsigned>(radix)]);
  if (digits.size() < static_cast<std::size_t>(precision))
    digits.append(static_cast<std::size_t>(precision) - digits.size(), u'0');
  std::reverse(digits.begin(), digits.end());

  std::u16string_view prefix;
  if (radix == 16 && conv.alt && magnitude != 0) prefix = upper ? u"0X" : u"0x";
  if (radix == 8 && conv.alt && (digits.empty() || digits[0] != u'0')) digits.insert(0, 1, u'0');
  if (isSigned) {
    if (negative) prefix = u"-";
    else if (conv.plus) prefix = u"+";
    else if (conv.space) prefix = u" ";
  }
  EmitField(out, conv, prefix, digits);
}

// ---------------------------------------------------------- floating point

// The runtime's rounding of its digit string to `count` digits: digits past
// the string are 0, the next digit rounds half up, and a carry out of the
// first digit adds a leading 1 and moves the decimal point. A negative count
// keeps no digit and does not round. The texts of infinity and NaN go through
// the same steps ("1#INF" to two digits is "1$").
std::string RoundDigits(const std::string& digits, int count, int* decpt) {
  std::string b(1, '0');
  for (int i = 0; i < count; ++i)
    b += static_cast<std::size_t>(i) < digits.size() ? digits[static_cast<std::size_t>(i)] : '0';
  if (count >= 0 && static_cast<std::size_t>(count) < digits.size() &&
      digits[static_cast<std::size_t>(count)] >= '5') {
    std::size_t j = b.size() - 1;
    while (b[j] == '9') b[j--] = '0';
    ++b[j];
  }
  if (b[0] == '1') {
    ++*decpt;
  } else {
    b.erase(0, 1);
  }
  return b;
}

char DigitAt(const std::string& b, int i) {
  return i >= 0 && static_cast<std::size_t>(i) < b.size() ? b[static_cast<std::size_t>(i)] : '0';
}

std::string ExponentSuffix(int exponent, bool caps) {
  std::string s(1, caps ? 'E' : 'e');
  s += exponent < 0 ? '-' : '+';
  std::string n = std::to_string(exponent < 0 ? -exponent : exponent);
  if (n.size() < 3) s.append(3 - n.size(), '0');
  return s + n;
}

std::string FixedText(const cmd::crt::RuntimeDigits& d, int precision) {
  int decpt = d.decpt;
  std::string b = RoundDigits(d.digits, precision + decpt, &decpt);
  std::string t;
  if (decpt <= 0) {
    t = "0";
  } else {
    for (int i = 0; i < decpt; ++i) t += DigitAt(b, i);
  }
  if (precision > 0) {
    t += '.';
    int zeros = decpt < 0 ? std::min(precision, -decpt) : 0;
    t.append(static_cast<std::size_t>(zeros), '0');
    int from = std::max(decpt, 0);
    for (int i = 0; i < precision - zeros; ++i) t += DigitAt(b, from + i);
  }
  return t;
}

std::string ExponentText(const cmd::crt::RuntimeDigits& d, int precision, bool caps) {
  int decpt = d.decpt;
  std::string b = RoundDigits(d.digits, precision + 1, &decpt);
  std::string t(1, DigitAt(b, 0));
  if (precision > 0) {
    t += '.';
    for (int i = 1; i <= precision; ++i) t += DigitAt(b, i);
  }
  return t + ExponentSuffix(d.zero ? 0 : decpt - 1, caps);
}

// %g: `precision` significant digits, in exponent form when the exponent is
// below -4 or not below the precision. The exponent form always carries its
// point here; CropZeros removes it unless '#' asked to keep it.
std::string GeneralText(const cmd::crt::RuntimeDigits& d, int precision, bool caps) {
  int decpt = d.decpt;
  std::string b = RoundDigits(d.digits, precision, &decpt);
  int exponent = decpt - 1;
  std::string t;
  if (exponent < -4 || exponent >= precision) {
    t += DigitAt(b, 0);
    t += '.';
    for (int i = 1; i < precision; ++i) t += DigitAt(b, i);
    return t + ExponentSuffix(d.zero ? 0 : exponent, caps);
  }
  int decimals = precision - decpt;
  if (decpt <= 0) {
    t = "0";
  } else {
    for (int i = 0; i < decpt; ++i) t += DigitAt(b, i);
  }
  if (decimals > 0) {
    t += '.';
    if (decpt < 0) {
      t.append(static_cast<std::size_t>(-decpt), '0');
      for (int i = 0; i < precision; ++i) t += DigitAt(b, i);
    } else {
      for (int i = decpt; i < precision; ++i) t += DigitAt(b, i);
    }
  }
  return t;
}

// Trailing zeros of the fraction go, and the point with them when nothing
// is left after it; an exponent stays.
void CropZeros(std::string& t) {
  std::size_t point = t.find('.');
  if (point == std::string::npos) return;
  std::size_t stop = t.find_first_of("eE", point);
  if (stop == std::string::npos) stop = t.size();
  std::size_t keep = stop;
  while (keep > point + 1 && t[keep - 1] == '0') --keep;
  if (keep == point + 1) keep = point;
  t.erase(keep, stop - keep);
}

// '#' with precision 0: a point after the leading digits.
void ForceDecimalPoint(std::string& t) {
  std::size_t i = 0;
  if (!t.empty() && t[0] != 'e' && t[0] != 'E') {
    i = 1;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  }
  t.insert(i, 1, '.');
}

void FormatFloat(std::u16string& out, const Conversion& conv, char16_t type, const FormatArg* arg) {
  bool caps = type == u'E' || type == u'G';
  char16_t kind = caps ? char16_t(type + (u'a' - u'A')) : type;
  int precision = conv.precision;
  if (precision < 0) precision = 6;
  else if (precision == 0 && kind == u'g') precision = 1;
  else precision = std::min(precision, kMaxPrecision);

  cmd::crt::RuntimeDigits d = cmd::crt::ToRuntimeDigits(ArgDouble(arg));
  std::string text = kind == u'f'   ? FixedText(d, precision)
                     : kind == u'e' ? ExponentText(d, precision, caps)
                                    : GeneralText(d, precision, caps);
  if (conv.alt && precision == 0) ForceDecimalPoint(text);
  if (kind == u'g' && !conv.alt) CropZeros(text);

  std::u16string_view prefix;
  if (d.negative) prefix = u"-";
  else if (conv.plus) prefix = u"+";
  else if (conv.space) prefix = u" ";
  EmitField(out, conv, prefix, Widen(text));
}

// ------------------------------------------------------ text and characters

std::u16string NumberAsText(const FormatArg& a) {
  Conversion plain;
  std::u16string out;
  if (a.kind == FormatArg::Double) {
    FormatFloat(out, plain, u'g', &a);
  } else {
    plain.is64 = true;
    FormatInteger(out, plain, a.kind == FormatArg::Signed ? u'd' : u'u', &a);
  }
  return out;
}

// The text of %s (wide) or %hs/%S (narrow), cut to `precision` units (bytes
// for narrow text) when one is given.
std::u16string StringArg(const FormatArg* a, int precision) {
  std::size_t limit = precision < 0 ? std::u16string::npos : static_cast<std::size_t>(precision);
  std::u16string text;
  if (!a) return text;
  switch (a->kind) {
    case FormatArg::Wide:
      if (!a->ws) {
        // A null pointer; an empty view without storage is just empty.
        if (a->len == FormatArg::npos) text = u"(null)";
      } else {
        std::size_t n = 0;
        std::size_t max = std::min(a->len, limit);
        while (n < max && a->ws[n]) ++n;
        return std::u16string(a->ws, n);
      }
      break;
    case FormatArg::Narrow:
      if (!a->ns) {
        text = u"(null)";
      } else {
        std::size_t n = 0;
        std::size_t max = std::min(a->len, limit);
        while (n < max && a->ns[n]) ++n;
        return DecodeNarrowArg(a->ns, n);
      }
      break;
    case FormatArg::Pointer:
      if (!a->p) {
        text = u"(null)";
      } else {
        Conversion plain;
        FormatInteger(text, plain, u'p', a);
      }
      break;
    default:
      text = NumberAsText(*a);
      break;
  }
  if (text.size() > limit) text.resize(limit);
  return text;
}

std::u16string CharArg(const FormatArg* a, bool narrow) {
  if (!a) return {};
  if (a->kind == FormatArg::Wide || a->kind == FormatArg::Narrow) {
    // A string where a character belongs: its first character, if any.
    bool null = a->kind == FormatArg::Wide ? !a->ws : !a->ns;
    return null ? std::u16string() : StringArg(a, 1);
  }
  unsigned long long bits = ArgBits(a);
  if (narrow) {
    char byte = static_cast<char>(bits & 0xFF);
    return DecodeNarrowArg(&byte, 1);
  }
  return std::u16string(1, static_cast<char16_t>(bits & 0xFFFF));
}

// Whether %c (lower case) or %C (upper case) reads a narrow byte in a wide
// format: l and w ask for wide, h for narrow, else the letter decides.
bool IsNarrowText(const Conversion& conv, char16_t type) {
  if (conv.isLong || conv.isWide) return false;
  if (conv.isShort) return true;
  return type == u'S' || type == u'C';
}

void Convert(std::u16string& out, const Conversion& conv, char16_t type, ArgList& args) {
  switch (type) {
    case u'd': case u'i': case u'u': case u'o': case u'x': case u'X': case u'p':
      FormatInteger(out, conv, type, args.Next());
      break;
    case u'e': case u'E': case u'f': case u'g': case u'G':
      FormatFloat(out, conv, type, args.Next());
      break;
    case u's': case u'S':
      // The argument's own kind decides how its text is read: a narrow
      // string under %s is decoded and a wide one under %hs taken as it is.
      EmitField(out, conv, u"", StringArg(args.Next(), conv.precision));
      break;
    case u'c': case u'C':
      EmitField(out, conv, u"", CharArg(args.Next(), IsNarrowText(conv, type)));
      break;
    case u'n':
      // The count is not written back: the argument is taken and ignored.
      args.Next();
      break;
    default:
      break;
  }
}

// ------------------------------------------------------ the state machine

enum class CharClass { Other, Percent, Dot, Star, Zero, Digit, Flag, Size, Type };
enum class State { Normal, Percent, Flag, Width, Dot, Precision, Size, Type };

CharClass Classify(char16_t c) {
  switch (c) {
    case u'%': return CharClass::Percent;
    case u'.': return CharClass::Dot;
    case u'*': return CharClass::Star;
    case u'0': return CharClass::Zero;
    case u' ': case u'+': case u'-': case u'#': return CharClass::Flag;
    case u'h': case u'l': case u'L': case u'I': case u'w': case u'F': case u'N':
    case u'j': case u'z': case u't':
      return CharClass::Size;
    case u'd': case u'i': case u'o': case u'u': case u'x': case u'X': case u'c': case u'C':
    case u's': case u'S': case u'e': case u'E': case u'f': case u'g': case u'G': case u'n':
    case u'p':
      return CharClass::Type;
    default:
      return (c >= u'1' && c <= u'9') ? CharClass::Digit : CharClass::Other;
  }
}

// Where the runtime went from each state inside a conversion.
State NextState(State s, CharClass c) {
  using C = CharClass;
  using S = State;
  if (c == C::Other || c == C::Percent) return S::Normal;
  if (c == C::Type) return S::Type;
  if (c == C::Size) return S::Size;
  switch (s) {
    case S::Percent:
    case S::Flag:
      if (c == C::Dot) return S::Dot;
      if (c == C::Star || c == C::Digit) return S::Width;
      return S::Flag;  // Zero, Flag
    case S::Width:
      if (c == C::Dot) return S::Dot;
      if (c == C::Zero || c == C::Digit) return S::Width;
      return S::Normal;
    case S::Dot:
      if (c == C::Star || c == C::Zero || c == C::Digit) return S::Precision;
      return S::Normal;
    case S::Precision:
      if (c == C::Zero || c == C::Digit) return S::Precision;
      return S::Normal;
    default:
      return S::Normal;
  }
}

int Accumulate(int value, char16_t digit, int max) {
  long long v = static_cast<long long>(value) * 10 + (digit - u'0');
  return static_cast<int>(std::min<long long>(v, max));
}

bool IsIntegerType(char16_t c) {
  return c == u'd' || c == u'i' || c == u'o' || c == u'u' || c == u'x' || c == u'X';
}

// A size letter; false when the runtime printed it as text instead ('I',
// 'z' and 't' count only before an integer conversion or as I64/I32).
bool ApplySize(Conversion& conv, char16_t c, const char16_t*& p) {
  switch (c) {
    case u'h': conv.isShort = true; return true;
    case u'l':
      if (*p == u'l') {
        ++p;
        conv.is64 = true;
      } else {
        conv.isLong = true;
      }
      return true;
    case u'w': conv.isWide = true; return true;
    case u'j': conv.is64 = true; return true;
    case u'I':
      if (p[0] == u'6' && p[1] == u'4') {
        p += 2;
        conv.is64 = true;
        return true;
      }
      if (p[0] == u'3' && p[1] == u'2') {
        p += 2;
        conv.is64 = false;
        return true;
      }
      [[fallthrough]];
    case u'z':
    case u't':
      if (IsIntegerType(*p)) {
        conv.is64 = true;  // pointer-sized on this host
        return true;
      }
      return false;
    default:  // L, F, N change nothing here
      return true;
  }
}

}  // namespace

std::u16string FormatArgs(const char16_t* format, const FormatArg* args, std::size_t count) {
  std::u16string out;
  if (!format) return out;
  ArgList list(args, count);
  const char16_t* p = format;
  while (*p) {
    if (*p != u'%') {
      out += *p++;
      continue;
    }
    ++p;
    Conversion conv;
    State state = State::Percent;
    while (state != State::Normal && state != State::Type) {
      char16_t c = *p;
      if (!c) break;  // an unfinished conversion prints nothing
      ++p;
      state = NextState(state, Classify(c));
      switch (state) {
        case State::Normal:
          out += c;
          break;
        case State::Flag:
          if (c == u'-') conv.left = true;
          if (c == u'+') conv.plus = true;
          if (c == u' ') conv.space = true;
          if (c == u'#') conv.alt = true;
          if (c == u'0') conv.zero = true;
          break;
        case State::Width:
          if (c == u'*') {
            int w = ArgInt(list.Next());
            if (w < 0) {
              conv.left = true;
              w = w == std::numeric_limits<int>::min() ? kMaxWidth : -w;
            }
            conv.width = std::min(w, kMaxWidth);
          } else {
            conv.width = Accumulate(conv.width, c, kMaxWidth);
          }
          break;
        case State::Dot:
          conv.precision = 0;
          break;
        case State::Precision:
          if (c == u'*') {
            int pr = ArgInt(list.Next());
            conv.precision = pr < 0 ? -1 : std::min(pr, kMaxParsedNumber);
          } else {
            conv.precision = Accumulate(std::max(conv.precision, 0), c, kMaxParsedNumber);
          }
          break;
        case State::Size:
          if (!ApplySize(conv, c, p)) {
            out += c;
            state = State::Normal;
          }
          break;
        case State::Type:
          Convert(out, conv, c, list);
          break;
        case State::Percent:
          break;
      }
    }
  }
  return out;
}

int FormatArgsToBuffer(char16_t* buffer, std::size_t bufferSize, const char16_t* format,
                       const FormatArg* args, std::size_t count) {
  if (!buffer || bufferSize == 0) return -1;
  std::u16string text = FormatArgs(format, args, count);
  if (text.size() < bufferSize) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<int>(text.size());
  }
  std::copy_n(text.begin(), bufferSize - 1, buffer);
  buffer[bufferSize - 1] = 0;
  return -1;
}

void CString::FormatList(const char16_t* format, const FormatArg* args, std::size_t count) {
  str() = FormatArgs(format, args, count);
}
