// Walking code page 932 text one character at a time.
#pragma once

#include <cstddef>
#include <string_view>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/crt.h"

namespace cmd::util {

// The length in bytes of the code page 932 character that starts at `p`
// (which must not be the terminator): 2 for a lead byte followed by a trail
// byte, else 1. A lead byte before the terminator or before a byte that cannot
// trail it counts as a character of its own, so a walk never passes the end.
inline std::size_t CharBytes932(const unsigned char* p) {
  return _mbsbtype(p, 0) == _MBC_LEAD && _mbsbtype(p, 1) == _MBC_TRAIL ? 2 : 1;
}

// The longest prefix of `bytes` of at most `limit` bytes that ends on a
// character boundary.
inline std::size_t FitCharacters932(std::string_view bytes, std::size_t limit) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t used = 0;
  while (used < bytes.size()) {
    std::size_t n = p[used] ? CharBytes932(p + used) : 1;
    if (used + n > limit) break;
    used += n;
  }
  return used;
}

}  // namespace cmd::util
