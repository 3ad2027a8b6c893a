// The arguments of the type-safe printf family (CString::Format and the
// buffer formatters): each value is captured with its kind, so a conversion
// can never read an argument of another type than the one passed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "cmddll3/platform/windef.h"

class CString;

struct FormatArg {
  enum Kind : std::uint8_t { Signed, Unsigned, Double, Wide, Narrow, Pointer };
  Kind kind = Signed;
  union {
    long long i;
    unsigned long long u;
    double d;
    const char16_t* ws;  // may be null: "%s" prints "(null)"
    const char* ns;      // code page 932 bytes, for "%hs"/"%S"
    const void* p;
  };
  std::size_t len = 0;  // units of ws / bytes of ns; npos: NUL-terminated

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  FormatArg() : i(0) {}
  template <class T>
    requires(std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, bool>)
  FormatArg(T v) : kind(Signed), i(static_cast<long long>(v)) {}
  template <class T>
    requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool> &&
             !std::is_same_v<T, char16_t>)
  FormatArg(T v) : kind(Unsigned), u(static_cast<unsigned long long>(v)) {}
  FormatArg(bool v) : kind(Signed), i(v ? 1 : 0) {}
  FormatArg(char16_t c) : kind(Signed), i(static_cast<long long>(c)) {}
  template <class T>
    requires std::is_enum_v<T>
  FormatArg(T v) : FormatArg(static_cast<std::underlying_type_t<T>>(v)) {}
  FormatArg(float v) : kind(Double), d(v) {}
  FormatArg(double v) : kind(Double), d(v) {}
  FormatArg(const char16_t* s) : kind(Wide), ws(s), len(npos) {}
  FormatArg(char16_t* s) : kind(Wide), ws(s), len(npos) {}
  FormatArg(std::u16string_view s) : kind(Wide), ws(s.data()), len(s.size()) {}
  FormatArg(const std::u16string& s) : kind(Wide), ws(s.data()), len(s.size()) {}
  FormatArg(const CString& s);  // defined in cstring.h
  FormatArg(const char* s) : kind(Narrow), ns(s), len(npos) {}
  FormatArg(char* s) : kind(Narrow), ns(s), len(npos) {}
  FormatArg(const void* v) : kind(Pointer), p(v) {}
  FormatArg(std::nullptr_t) : kind(Wide), ws(nullptr), len(npos) {}
};
