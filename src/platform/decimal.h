// Exact conversions between doubles and decimal digits, shared by the
// formatter, the number parsers and the scanner of the C-runtime subset.
// Nothing here uses the host C library's number formatting or rounding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cmd::crt {

// A double as the Windows runtime's formatter sees it before it applies the
// precision: the first 17 significant digits of the exact value, rounded half
// away from zero, trailing zeros dropped, and the position of the decimal
// point (value = 0.<digits> x 10^decpt).
//
// Zero gives "0" with decpt 0. Infinity and NaN give the runtime's texts,
// which it then treats as digits: "1#INF", "1#QNAN", "1#SNAN", and "1#IND"
// for the negative default NaN, each with decpt 1.
struct RuntimeDigits {
  std::string digits;
  int decpt = 0;
  bool negative = false;
  bool zero = false;
  bool special = false;  // infinity or NaN
};
RuntimeDigits ToRuntimeDigits(double value);

// How a decimal number ended up when it became a double.
enum class DecimalRange { InRange, Overflow, Underflow };

// The double nearest to <digits> x 10^exponent (digits: ASCII '0'..'9', any
// count, leading zeros allowed), correctly rounded. Overflow gives an
// infinity, underflow to zero gives +0 (as the runtime returns), each
// reported through `range`.
double DecimalToDouble(bool negative, std::string_view digits, std::int64_t exponent,
                       DecimalRange* range);

}  // namespace cmd::crt
