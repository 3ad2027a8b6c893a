// The C runtime's formatting, number conversion and scanning on UTF-16 text,
// with the results of the Windows runtime the application was built with
// (msvcrt): printf-style formatting, _wtoi/_wtof and their relatives, _itow,
// and a type-safe swscanf. Nothing here depends on the host C library's
// formatting, rounding or locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ------------------------------------------------------------- formatting
//
// Conversions: %d %i %u %o %x %X %c %C %s %S %e %E %f %g %G %p %n %%, flags
// "- + space # 0", width, precision, '*' for either (taken from an int
// argument), sizes h, l, ll, I64, I32, I, w, and the others the runtime
// accepts. As on Windows:
//  - no size and "l" format 32-bit values (Windows long): wider arguments are
//    cut to their low 32 bits; "ll"/"I64" take 64 bits, "h" 16;
//  - %s and %ls take a wide string (CString, const char16_t*,
//    std::u16string); %hs and %S a narrow (code page 932) string; a null
//    string prints "(null)"; %c takes a UTF-16 unit, %hc/%C a narrow byte;
//  - floating point keeps 17 significant digits, rounded half away from zero
//    to the precision ("%.2f" of 0.125 is "0.13", of 2.675 "2.67"), prints
//    three exponent digits ("1e+015"), and infinity and NaN as "1.#INF00",
//    "-1.#IND00", "1.#QNAN0" (rounded like digits: "%.1f" of infinity is
//    "1.$");
//  - "0" pads strings and characters too; a conversion letter the runtime
//    does not know prints itself ("%y" is "y").
// An argument of the wrong kind is converted (a double under %d is
// truncated, an int under %f widened, a number under %s written out); a
// missing argument prints as 0 or as nothing; %n writes nothing. Precisions
// are cut to 512 as the runtime cut them, and widths to 1,048,576 units so
// that no format can ask for gigabytes.

// The text of `format` applied to `count` captured arguments.
CMD_PLATFORM_API std::u16string FormatArgs(const char16_t* format, const FormatArg* args,
                                           std::size_t count);

// As _snwprintf_s(buffer, size, _TRUNCATE, ...): writes at most size - 1
// units and a terminator; returns the length written, or -1 when the text
// was cut (a size of 0 writes nothing and returns -1).
CMD_PLATFORM_API int FormatArgsToBuffer(char16_t* buffer, std::size_t bufferSize,
                                        const char16_t* format, const FormatArg* args,
                                        std::size_t count);

template <class... A>
int FormatToBuffer(char16_t* buffer, std::size_t bufferSize, const char16_t* format,
                   const A&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg()};
  return FormatArgsToBuffer(buffer, bufferSize, format, list, sizeof...(A));
}

template <class... A>
CString FormatString(const char16_t* format, const A&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg()};
  return CString(FormatArgs(format, list, sizeof...(A)));
}

// ------------------------------------------------------ number conversion
//
// The integer readers skip blanks (space, tab to CR), take an optional sign
// and the digits up to the first other character; full-width digits
// (U+FF10..U+FF19) and the other decimal digits the runtime knows count as
// digits. No digits give 0. Out-of-range values clamp to the type's limits
// and set errno to ERANGE. A null pointer reads as 0 (errno EINVAL).

CMD_PLATFORM_API int _wtoi(const char16_t* s);
CMD_PLATFORM_API LONG _wtol(const char16_t* s);
CMD_PLATFORM_API long long _wtoi64(const char16_t* s);

// `end` (may be null) receives the first unread character, or `s` when
// nothing was read. Bases 2..36, or 0 for C notation (0x hex, 0 octal);
// another base gives 0 with errno EINVAL.
CMD_PLATFORM_API LONG wcstol(const char16_t* s, char16_t** end, int base);
CMD_PLATFORM_API ULONG wcstoul(const char16_t* s, char16_t** end, int base);
CMD_PLATFORM_API long long _wcstoi64(const char16_t* s, char16_t** end, int base);

// Decimal text to the nearest double: blanks, sign, digits with an optional
// point, then an exponent introduced by e, E, d or D ("1d2" is 100). ASCII
// digits only; "inf", "nan" and hex notation read as 0. Overflow gives
// +-infinity, underflow 0, both with errno ERANGE.
CMD_PLATFORM_API double _wtof(const char16_t* s);
CMD_PLATFORM_API double wcstod(const char16_t* s, char16_t** end);

// Integer to text in `radix` (2..36, lower-case letters) into the caller's
// buffer, which must hold 33 units (65 for 64-bit values); a minus sign only
// for negative values in radix 10. Returns `buffer`; another radix writes "".
CMD_PLATFORM_API char16_t* _itow(int value, char16_t* buffer, int radix);
CMD_PLATFORM_API char16_t* _ltow(LONG value, char16_t* buffer, int radix);
CMD_PLATFORM_API char16_t* _ultow(ULONG value, char16_t* buffer, int radix);
CMD_PLATFORM_API char16_t* _i64tow(long long value, char16_t* buffer, int radix);
CMD_PLATFORM_API char16_t* _ui64tow(unsigned long long value, char16_t* buffer, int radix);
// Bounded forms: 0 on success; EINVAL (bad radix or buffer) or ERANGE (too
// small; the buffer then holds "") without writing past `size` units.
CMD_PLATFORM_API int _itow_s(int value, char16_t* buffer, std::size_t size, int radix);
CMD_PLATFORM_API int _i64tow_s(long long value, char16_t* buffer, std::size_t size, int radix);

// Case mapping of the "C" locale: ASCII letters only.
inline char16_t towupper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}
inline char16_t towlower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}
// Comparison with ASCII letters folded to lower case; negative, 0 or
// positive. Null reads as "".
CMD_PLATFORM_API int _wcsicmp(const char16_t* a, const char16_t* b);
CMD_PLATFORM_API int _wcsnicmp(const char16_t* a, const char16_t* b, std::size_t count);

// ---------------------------------------------------------------- scanning
//
// swscanf(text, format, outputs...) with the runtime's rules: %d %i %u %o %x
// (with sizes h, l, ll, I64), %e %f %g (and %lf), %s, %c, %[...] and %[^...]
// sets with ranges, %n, %% and "%*" suppression, widths ("%20[^,]"); white
// space in the format matches any run of white space (also none); any other
// character must match itself. It returns the number of outputs assigned,
// or -1 (EOF) when the text ends before the first conversion. It stops at
// the first field that does not match, an empty %[ field included, and
// leaves later outputs untouched: "1,,3" scanned with "%[^,],%[^,],%[^,]"
// assigns 1.
//
// Outputs are pointers to short, int (LONG), long long, the unsigned forms,
// float, double, CString or std::u16string, or a ScanBuf for a caller's
// buffer. A raw char16_t* does not compile: state the capacity. An output of
// another kind than its conversion receives the converted value (an integer
// field into a double, a text field into an int through _wtoi64) or, for
// text outputs, the characters of the field. A conversion without an output
// left stops the scan.

// A caller's buffer of `cap` units: a text field stores at most cap - 1
// units and a terminator (the rest of the field is read and dropped).
struct ScanBuf {
  char16_t* p;
  std::size_t cap;
};
template <std::size_t N>
constexpr ScanBuf ScanArray(char16_t (&buffer)[N]) {
  return ScanBuf{buffer, N};
}

class ScanTarget {
 public:
  enum Kind : std::uint8_t { None, I16, U16, I32, U32, I64, U64, F32, F64, Str, U16Str, Buf };

  ScanTarget() = default;
  ScanTarget(short* p) : kind_(I16), ptr_(p) {}
  ScanTarget(unsigned short* p) : kind_(U16), ptr_(p) {}
  ScanTarget(int* p) : kind_(I32), ptr_(p) {}
  ScanTarget(unsigned* p) : kind_(U32), ptr_(p) {}
  ScanTarget(long* p) : kind_(sizeof(long) == 8 ? I64 : I32), ptr_(p) {}
  ScanTarget(unsigned long* p) : kind_(sizeof(long) == 8 ? U64 : U32), ptr_(p) {}
  ScanTarget(long long* p) : kind_(I64), ptr_(p) {}
  ScanTarget(unsigned long long* p) : kind_(U64), ptr_(p) {}
  ScanTarget(float* p) : kind_(F32), ptr_(p) {}
  ScanTarget(double* p) : kind_(F64), ptr_(p) {}
  ScanTarget(CString* p) : kind_(Str), ptr_(p) {}
  ScanTarget(std::u16string* p) : kind_(U16Str), ptr_(p) {}
  ScanTarget(ScanBuf b) : kind_(Buf), ptr_(b.p), cap_(b.cap) {}
  // A bare buffer pointer has no capacity: pass ScanBuf{p, cap}.
  ScanTarget(char16_t*) = delete;

  Kind kind() const { return kind_; }
  void* pointer() const { return ptr_; }
  std::size_t capacity() const { return cap_; }

 private:
  Kind kind_ = None;
  void* ptr_ = nullptr;
  std::size_t cap_ = 0;
};

CMD_PLATFORM_API int ScanArgs(const char16_t* text, const char16_t* format,
                              const ScanTarget* targets, std::size_t count);

template <class... Outs>
  requires(std::is_constructible_v<ScanTarget, Outs> && ...)
int swscanf(const char16_t* text, const char16_t* format, Outs... outputs) {
  const ScanTarget list[] = {ScanTarget(outputs)..., ScanTarget()};
  return ScanArgs(text, format, list, sizeof...(Outs));
}
