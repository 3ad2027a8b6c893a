// Arithmetic on cell rectangles and font sizes for the text drawers.
//
// Cells come from the host's forms, but the drawers also multiply their
// sides by percentages and add up character advances whose font heights the
// caller chose; that arithmetic is done in 64 bits and brought back into the
// 32-bit range of a LONG, so an absurd cell or height draws nonsense rather
// than overflowing.
#pragma once

#include <cstdint>

#include "cmddll3/platform/windef.h"

namespace cmd::draw {

constexpr int ClampInt(long long v) {
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int(v);
}

// right - left and bottom - top, clamped.
constexpr int WidthOf(const RECT& r) { return ClampInt((long long)r.right - r.left); }
constexpr int HeightOf(const RECT& r) { return ClampInt((long long)r.bottom - r.top); }

// a * b / c with the product in 64 bits, truncating toward zero as C does;
// c must not be 0.
constexpr int MulDivTrunc(long long a, long long b, long long c) {
  return ClampInt(a * b / c);
}

constexpr RECT MakeRect(long long left, long long top, long long right, long long bottom) {
  return RECT{ClampInt(left), ClampInt(top), ClampInt(right), ClampInt(bottom)};
}

}  // namespace cmd::draw
