// Exact double <-> decimal conversions (see decimal.h).
#include "platform/decimal.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>
#include <vector>

namespace cmd::crt {
namespace {

// The runtime kept 17 significant digits of every double it formatted.
constexpr std::size_t kRuntimeDigits = 17;

// Just enough of an unsigned big integer to write a double's exact value in
// decimal: m x 2^e for e >= 0, or m x 5^k (the digits of m / 2^k) for e < 0.
class BigUint {
 public:
  explicit BigUint(std::uint64_t v) {
    limbs_.push_back(static_cast<std::uint32_t>(v));
    if (v >> 32) limbs_.push_back(static_cast<std::uint32_t>(v >> 32));
  }

  void MultiplySmall(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      std::uint64_t t = std::uint64_t(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    if (carry) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }

  void MultiplyByPowerOf5(int k) {
    constexpr std::uint32_t k5to13 = 1220703125u;  // largest power of 5 in 32 bits
    for (; k >= 13; k -= 13) MultiplySmall(k5to13);
    std::uint32_t rest = 1;
    for (; k > 0; --k) rest *= 5;
    if (rest != 1) MultiplySmall(rest);
  }

  void ShiftLeft(int bits) {
    if (bits <= 0) return;
    limbs_.insert(limbs_.begin(), static_cast<std::size_t>(bits / 32), 0u);
    int shift = bits % 32;
    if (shift == 0) return;
    std::uint32_t carry = 0;
    for (auto& limb : limbs_) {
      std::uint32_t next = limb >> (32 - shift);
      limb = (limb << shift) | carry;
      carry = next;
    }
    if (carry) limbs_.push_back(carry);
  }

  // Divides in place and returns the remainder.
  std::uint32_t DivideSmall(std::uint32_t divisor) {
    std::uint64_t rem = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      std::uint64_t cur = (rem << 32) | limbs_[i];
      limbs_[i] = static_cast<std::uint32_t>(cur / divisor);
      rem = cur % divisor;
    }
    while (limbs_.size() > 1 && limbs_.back() == 0) limbs_.pop_back();
    return static_cast<std::uint32_t>(rem);
  }

  bool IsZero() const { return limbs_.size() == 1 && limbs_[0] == 0; }

  std::string ToDecimal() {
    std::vector<std::uint32_t> chunks;  // base 10^9, least significant first
    while (!IsZero()) chunks.push_back(DivideSmall(1000000000u));
    if (chunks.empty()) return "0";
    std::string out = std::to_string(chunks.back());
    char buf[16];
    for (std::size_t i = chunks.size() - 1; i-- > 0;) {
      auto r = std::to_chars(buf, buf + sizeof buf, chunks[i]);
      std::size_t n = static_cast<std::size_t>(r.ptr - buf);
      out.append(9 - n, '0');
      out.append(buf, n);
    }
    return out;
  }

 private:
  std::vector<std::uint32_t> limbs_;
};

// All significant digits of a finite nonzero |value| = m x 2^e and the
// decimal point position.
void ExactDigits(std::uint64_t m, int e, std::string* digits, int* decpt) {
  while ((m & 1) == 0 && e < 0) {  // smaller numbers, same value
    m >>= 1;
    ++e;
  }
  BigUint n(m);
  if (e >= 0) {
    n.ShiftLeft(e);
    *digits = n.ToDecimal();
    *decpt = static_cast<int>(digits->size());
  } else {
    n.MultiplyByPowerOf5(-e);  // m / 2^k = m x 5^k / 10^k
    *digits = n.ToDecimal();
    *decpt = static_cast<int>(digits->size()) + e;
  }
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
  std::uint64_t m = biased == 0 ? fraction : (fraction | (std::uint64_t(1) << 52));
  int e = biased == 0 ? -1074 : biased - 1075;
  ExactDigits(m, e, &r.digits, &r.decpt);
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
