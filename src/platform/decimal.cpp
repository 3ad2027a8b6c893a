// Exact double <-> decimal conversions (see decimal.h).
#include "platform/decimal.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace cmd::crt {
namespace {

// The runtime kept 17 significant digits of every double it formatted.
constexpr std::size_t kRuntimeDigits = 17;

// The significant digits of a finite, nonzero, positive double and its
// decimal exponent as std::to_chars writes them in scientific form with
// `precision` digits after the point (correctly rounded from the exact
// binary value, without the host C library).
void ScientificDigits(double value, int precision, std::string* digits, int* exponent) {
  char buf[800];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision);
  std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
  std::size_t e = text.find('e');
  digits->clear();
  for (char c : text.substr(0, e))
    if (c != '.') *digits += c;
  int exp = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exp);
  *exponent = exp;
}

// The first 17 significant digits rounded half away from zero need the
// exact value only when it lies within 1e-8 of a digit-17 halfway point:
// 25 correctly rounded digits decide every other case. A double's exact
// decimal expansion has at most 767 significant digits.
void ExactEnoughDigits(double value, std::string* digits, int* decpt) {
  int exponent = 0;
  ScientificDigits(value, 24, digits, &exponent);
  if (digits->compare(kRuntimeDigits, std::string::npos, "50000000") == 0)
    ScientificDigits(value, 766, digits, &exponent);
  *decpt = exponent + 1;
}

void RoundToRuntimeDigits(std::string* digits, int* decpt) {
  if (digits->size() > kRuntimeDigits) {
    bool up = (*digits)[kRuntimeDigits] >= '5';  // half away from zero
    digits->resize(kRuntimeDigits);
    if (up) {
      std::size_t i = kRuntimeDigits;
      while (i > 0 && (*digits)[i - 1] == '9') (*digits)[--i] = '0';
      if (i == 0) {
        digits->insert(digits->begin(), '1');
        digits->pop_back();
        ++*decpt;
      } else {
        ++(*digits)[i - 1];
      }
    }
  }
  while (digits->size() > 1 && digits->back() == '0') digits->pop_back();
}

}  // namespace

RuntimeDigits ToRuntimeDigits(double value) {
  RuntimeDigits r;
  std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  r.negative = (bits >> 63) != 0;
  int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);

  if (biased == 0x7FF) {
    // The runtime's names for the special values, told apart the way its
    // 80-bit conversion did: the quiet bit, and the one negative quiet NaN
    // without payload that the FPU produces for invalid operations.
    constexpr std::uint64_t kQuietBit = std::uint64_t(1) << 51;
    r.special = true;
    r.decpt = 1;
    if (fraction == 0) r.digits = "1#INF";
    else if (r.negative && fraction == kQuietBit) r.digits = "1#IND";
    else if (fraction & kQuietBit) r.digits = "1#QNAN";
    else r.digits = "1#SNAN";
    return r;
  }
  if (biased == 0 && fraction == 0) {
    r.zero = true;
    r.digits = "0";
    r.decpt = 0;
    return r;
  }
  ExactEnoughDigits(std::fabs(value), &r.digits, &r.decpt);
  RoundToRuntimeDigits(&r.digits, &r.decpt);
  return r;
}

double DecimalToDouble(bool negative, std::string_view digits, std::int64_t exponent,
                       DecimalRange* range) {
  *range = DecimalRange::InRange;
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return negative ? -0.0 : 0.0;
  digits.remove_prefix(first);
  std::size_t last = digits.find_last_not_of('0');
  exponent += static_cast<std::int64_t>(digits.size() - 1 - last);
  digits = digits.substr(0, last + 1);

  // Halfway cases between doubles need at most 767 significant digits, so
  // beyond 800 only "something nonzero follows" matters: a trailing 1.
  constexpr std::size_t kKeep = 800;
  std::string text(digits.substr(0, std::min(digits.size(), kKeep)));
  if (digits.size() > kKeep) {
    exponent += static_cast<std::int64_t>(digits.size() - kKeep);
    text += '1';
    exponent -= 1;
  }

  // The magnitude decides out-of-range cases before the exponent could
  // overflow the text conversion.
  std::int64_t magnitude = exponent + static_cast<std::int64_t>(text.size());
  double result = 0;
  if (magnitude > 400) {
    *range = DecimalRange::Overflow;
  } else if (magnitude < -400) {
    *range = DecimalRange::Underflow;
  } else {
    text += 'e';
    text += std::to_string(exponent);
    auto r = std::from_chars(text.data(), text.data() + text.size(), result,
                             std::chars_format::scientific);
    if (r.ec == std::errc::result_out_of_range) {
      *range = magnitude > 0 ? DecimalRange::Overflow : DecimalRange::Underflow;
    } else if (result == 0) {
      *range = DecimalRange::Underflow;
    } else if (std::isinf(result)) {
      *range = DecimalRange::Overflow;
    }
  }
  if (*range == DecimalRange::Overflow) result = std::numeric_limits<double>::infinity();
  if (*range == DecimalRange::Underflow) return 0.0;
  return negative ? -result : result;
}

}  // namespace cmd::crt
