// The swscanf engine of the C-runtime subset, with the Windows runtime's
// (msvcrt) rules for fields, widths, sets and the EOF result, writing only
// into typed outputs and never past a caller's buffer.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cmddll3/platform/crt.h"
#include "platform/decimal.h"

namespace {

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
  if (IsAsciiDigit(c)) return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The text being scanned, read through a field's width.
class Input {
 public:
  explicit Input(const char16_t* text) : text_(text) {}
  bool AtEnd() const { return text_[pos_] == 0; }
  char16_t Peek() const { return text_[pos_]; }
  void Advance() { ++pos_; }
  void SkipSpace() {
    while (IsSpace(text_[pos_])) ++pos_;
  }
  std::size_t Position() const { return pos_; }
  std::u16string_view Since(std::size_t start) const {
    return std::u16string_view(text_ + start, pos_ - start);
  }

 private:
  const char16_t* text_;
  std::size_t pos_ = 0;
};

// A field as read: its characters, and its value when it was a number.
struct Field {
  enum Kind { Integer, Real, Text } kind = Text;
  std::u16string_view text;
  long long integer = 0;
  double real = 0;
};

long long IntegerOf(const Field& f) {
  switch (f.kind) {
    case Field::Integer: return f.integer;
    case Field::Real:
      if (std::isnan(f.real)) return 0;
      if (f.real >= 9.2233720368547758e18) return std::numeric_limits<long long>::max();
      if (f.real <= -9.2233720368547758e18) return std::numeric_limits<long long>::min();
      return static_cast<long long>(f.real);
    case Field::Text: return _wtoi64(std::u16string(f.text).c_str());
  }
  return 0;
}

double RealOf(const Field& f) {
  switch (f.kind) {
    case Field::Integer: return static_cast<double>(f.integer);
    case Field::Real: return f.real;
    case Field::Text: return _wtof(std::u16string(f.text).c_str());
  }
  return 0;
}

float ToFloat(double d) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (d > kMax) return std::numeric_limits<float>::infinity();
  if (d < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(d);
}

// Numbers are copied in by size: a 64-bit output may be a long or a long
// long, which are distinct types of the same size.
template <class T>
void Put(void* p, T value) {
  std::memcpy(p, &value, sizeof value);
}

void Store(const ScanTarget& t, const Field& f) {
  void* p = t.pointer();
  if (!p) return;
  switch (t.kind()) {
    case ScanTarget::None: break;
    case ScanTarget::I16: Put(p, static_cast<std::int16_t>(IntegerOf(f))); break;
    case ScanTarget::U16: Put(p, static_cast<std::uint16_t>(IntegerOf(f))); break;
    case ScanTarget::I32: Put(p, static_cast<std::int32_t>(IntegerOf(f))); break;
    case ScanTarget::U32: Put(p, static_cast<std::uint32_t>(IntegerOf(f))); break;
    case ScanTarget::I64: Put(p, static_cast<std::int64_t>(IntegerOf(f))); break;
    case ScanTarget::U64: Put(p, static_cast<std::uint64_t>(IntegerOf(f))); break;
    case ScanTarget::F32: Put(p, ToFloat(RealOf(f))); break;
    case ScanTarget::F64: Put(p, RealOf(f)); break;
    case ScanTarget::Str: *static_cast<CString*>(p) = CString(f.text); break;
    case ScanTarget::U16Str: *static_cast<std::u16string*>(p) = std::u16string(f.text); break;
    case ScanTarget::Buf: {
      std::size_t cap = t.capacity();
      if (cap == 0) break;
      std::size_t n = std::min(f.text.size(), cap - 1);
      auto* out = static_cast<char16_t*>(p);
      std::copy_n(f.text.begin(), n, out);
      out[n] = 0;
      break;
    }
  }
}

// One conversion, as written after its '%'.
struct Conversion {
  bool suppress = false;
  std::size_t width = 0;  // 0: no limit
  int bits = 32;          // integer size: 16 (h), 32, 64 (ll, I64)
  char16_t type = 0;
};

const char16_t* ParseConversion(const char16_t* f, Conversion* conv) {
  if (*f == u'*') {
    conv->suppress = true;
    ++f;
  }
  for (; IsAsciiDigit(*f); ++f)
    conv->width = std::min<std::size_t>(conv->width * 10 + (*f - u'0'), 1u << 30);
  for (;; ++f) {
    if (*f == u'h') {
      conv->bits = 16;
    } else if (*f == u'l') {
      if (f[1] == u'l') {
        ++f;
        conv->bits = 64;
      } else {
        conv->bits = 32;
      }
    } else if (*f == u'I') {
      if (f[1] == u'6' && f[2] == u'4') {
        f += 2;
        conv->bits = 64;
      } else if (f[1] == u'3' && f[2] == u'2') {
        f += 2;
        conv->bits = 32;
      } else {
        conv->bits = 64;  // pointer-sized on this host
      }
    } else if (*f == u'j' || *f == u'z' || *f == u't') {
      conv->bits = 64;
    } else if (*f != u'L' && *f != u'w' && *f != u'F' && *f != u'N') {
      break;
    }
  }
  conv->type = *f;
  return *f ? f + 1 : f;
}

// A %[...] set: ranges, with ']' first and '-' first or last as members.
class CharSet {
 public:
  // Reads the set after '['; returns null when the format ends before ']'.
  const char16_t* Parse(const char16_t* f) {
    if (*f == u'^') {
      negate_ = true;
      ++f;
    }
    char16_t prev = 0;
    if (*f == u']') {
      Add(u']', u']');
      prev = u']';
      ++f;
    }
    while (*f && *f != u']') {
      char16_t c = *f++;
      if (c == u'-' && prev && *f && *f != u']') {
        char16_t last = *f++;
        Add(std::min(prev, last), std::max(prev, last));
        prev = 0;
      } else {
        Add(c, c);
        prev = c;
      }
    }
    return *f ? f + 1 : nullptr;
  }

  bool Contains(char16_t c) const {
    bool in = std::any_of(ranges_.begin(), ranges_.end(),
                          [c](const auto& r) { return c >= r.first && c <= r.second; });
    return in != negate_;
  }

 private:
  void Add(char16_t lo, char16_t hi) { ranges_.emplace_back(lo, hi); }
  std::vector<std::pair<char16_t, char16_t>> ranges_;
  bool negate_ = false;
};

// Reads characters while `accept` holds and the width allows.
template <class Pred>
std::size_t ReadWhile(Input& in, std::size_t width, Pred accept) {
  std::size_t n = 0;
  while (!in.AtEnd() && (width == 0 || n < width) && accept(in.Peek())) {
    in.Advance();
    ++n;
  }
  return n;
}

// %d %i %u %o %x: sign, optional 0x (for %x and %i), digits; the value
// wraps at the conversion's size, as the runtime's did.
bool ReadInteger(Input& in, const Conversion& conv, Field* field) {
  std::size_t start = in.Position();
  std::size_t budget = conv.width == 0 ? std::numeric_limits<std::size_t>::max() : conv.width;
  auto take = [&] {
    in.Advance();
    --budget;
  };
  bool negative = false;
  if (budget && (in.Peek() == u'-' || in.Peek() == u'+')) {
    negative = in.Peek() == u'-';
    take();
  }
  int base = conv.type == u'o' ? 8 : (conv.type == u'x' || conv.type == u'X') ? 16 : 10;
  bool any = false;
  if ((conv.type == u'x' || conv.type == u'X' || conv.type == u'i') && budget && in.Peek() == u'0') {
    take();
    if (budget && (in.Peek() == u'x' || in.Peek() == u'X')) {
      take();
      base = 16;
    } else {
      any = true;
      if (conv.type == u'i') base = 8;
    }
  }
  unsigned long long value = 0;
  while (budget && !in.AtEnd()) {
    int d = HexValue(in.Peek());
    if (d < 0 || d >= base) break;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    any = true;
    take();
  }
  if (!any) return false;
  if (negative) value = 0 - value;
  bool isSigned = conv.type == u'd' || conv.type == u'i';
  long long v;
  if (conv.bits == 16) {
    v = isSigned ? static_cast<long long>(static_cast<std::int16_t>(value))
                 : static_cast<long long>(static_cast<std::uint16_t>(value));
  } else if (conv.bits == 32) {
    v = isSigned ? static_cast<long long>(static_cast<std::int32_t>(value))
                 : static_cast<long long>(static_cast<std::uint32_t>(value));
  } else {
    v = static_cast<long long>(value);
  }
  field->kind = Field::Integer;
  field->integer = v;
  field->text = in.Since(start);
  return true;
}

// %e %f %g: sign, digits, point, digits, then e/E, sign and digits when
// the mantissa had a digit.
bool ReadReal(Input& in, const Conversion& conv, Field* field) {
  std::size_t start = in.Position();
  std::size_t budget = conv.width == 0 ? std::numeric_limits<std::size_t>::max() : conv.width;
  auto take = [&] {
    in.Advance();
    --budget;
  };
  bool negative = false;
  if (budget && (in.Peek() == u'-' || in.Peek() == u'+')) {
    negative = in.Peek() == u'-';
    take();
  }
  std::string digits;
  std::int64_t fractionDigits = 0;
  while (budget && IsAsciiDigit(in.Peek())) {
    digits += char(in.Peek());
    take();
  }
  if (budget && in.Peek() == u'.') {
    take();
    while (budget && IsAsciiDigit(in.Peek())) {
      digits += char(in.Peek());
      ++fractionDigits;
      take();
    }
  }
  if (digits.empty()) return false;
  std::int64_t exponent = 0;
  if (budget && (in.Peek() == u'e' || in.Peek() == u'E')) {
    take();
    bool negativeExponent = false;
    if (budget && (in.Peek() == u'-' || in.Peek() == u'+')) {
      negativeExponent = in.Peek() == u'-';
      take();
    }
    while (budget && IsAsciiDigit(in.Peek())) {
      if (exponent < 1000000000) exponent = exponent * 10 + (in.Peek() - u'0');
      take();
    }
    if (negativeExponent) exponent = -exponent;
  }
  cmd::crt::DecimalRange range;
  field->kind = Field::Real;
  field->real = cmd::crt::DecimalToDouble(negative, digits, exponent - fractionDigits, &range);
  field->text = in.Since(start);
  return true;
}

class Scanner {
 public:
  Scanner(const char16_t* text, const ScanTarget* targets, std::size_t count)
      : in_(text), targets_(targets), count_(targets ? count : 0) {}

  int Run(const char16_t* f) {
    while (*f) {
      if (IsSpace(*f)) {
        while (IsSpace(*f)) ++f;
        in_.SkipSpace();
        continue;
      }
      if (*f != u'%' || f[1] == u'%') {
        if (*f == u'%') ++f;
        if (!MatchLiteral(*f++)) return Result();
        continue;
      }
      Conversion conv;
      f = ParseConversion(f + 1, &conv);
      if (!conv.type) break;
      if (conv.type == u'[') {
        CharSet set;
        f = set.Parse(f);
        if (!f) return Result();
        if (!Convert(conv, &set)) return Result();
      } else if (!Convert(conv, nullptr)) {
        return Result();
      }
    }
    return assigned_;
  }

 private:
  // After a failure: -1 when the text ran out before any conversion
  // matched, else the count so far.
  int Result() const { return (in_.AtEnd() && assigned_ == 0 && !matched_) ? -1 : assigned_; }

  bool MatchLiteral(char16_t c) {
    if (in_.AtEnd() || in_.Peek() != c) return false;
    in_.Advance();
    return true;
  }

  static bool IsConversion(char16_t type) {
    return std::u16string_view(u"ncsS[diouxXeEfgG").find(type) != std::u16string_view::npos;
  }

  bool Convert(const Conversion& conv, const CharSet* set) {
    // A letter that names no conversion stands for itself.
    if (!IsConversion(conv.type)) return MatchLiteral(conv.type);
    bool assigns = !conv.suppress;
    if (assigns && next_ >= count_) return false;  // no output left for it
    Field field;
    switch (conv.type) {
      case u'n':
        if (assigns) {
          field.kind = Field::Integer;
          field.integer = static_cast<long long>(in_.Position());
          Store(targets_[next_++], field);
        }
        return true;  // not counted, not a match
      case u'c': {
        if (in_.AtEnd()) return false;
        std::size_t start = in_.Position();
        ReadWhile(in_, conv.width == 0 ? 1 : conv.width, [](char16_t) { return true; });
        field.text = in_.Since(start);
        field.kind = Field::Integer;  // a number output receives the first unit
        field.integer = field.text[0];
        break;
      }
      case u's': case u'S': {
        in_.SkipSpace();
        if (in_.AtEnd()) return false;
        std::size_t start = in_.Position();
        ReadWhile(in_, conv.width, [](char16_t c) { return !IsSpace(c); });
        field.text = in_.Since(start);
        break;
      }
      case u'[': {
        if (in_.AtEnd()) return false;
        std::size_t start = in_.Position();
        if (ReadWhile(in_, conv.width, [set](char16_t c) { return set->Contains(c); }) == 0)
          return false;
        field.text = in_.Since(start);
        break;
      }
      case u'd': case u'i': case u'u': case u'o': case u'x': case u'X':
        in_.SkipSpace();
        if (in_.AtEnd() || !ReadInteger(in_, conv, &field)) return false;
        break;
      case u'e': case u'E': case u'f': case u'g': case u'G':
        in_.SkipSpace();
        if (in_.AtEnd() || !ReadReal(in_, conv, &field)) return false;
        break;
      default:
        return false;
    }
    matched_ = true;
    if (assigns) {
      Store(targets_[next_++], field);
      ++assigned_;
    }
    return true;
  }

  Input in_;
  const ScanTarget* targets_;
  std::size_t count_;
  std::size_t next_ = 0;
  int assigned_ = 0;
  bool matched_ = false;
};

}  // namespace

int ScanArgs(const char16_t* text, const char16_t* format, const ScanTarget* targets,
             std::size_t count) {
  if (!text || !format) return -1;
  return Scanner(text, targets, count).Run(format);
}
