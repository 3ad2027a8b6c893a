// Code pages: the port's multibyte text is code page 932 (Japanese, the
// ANSI and OEM code page of the Windows installations the files come from)
// and UTF-8.
//
// The mapping of code page 932 is Windows' own: glibc's CP932 converter
// supplies the bulk of the table, and the places where Windows differs (the
// bytes the code page leaves undefined, the best-fit mappings towards 932,
// the one-way mappings that glibc adds and Windows does not have) are fixed
// from Windows' table. All functions are thread safe and never fail on
// malformed input: invalid text is converted with replacements.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "cmddll3/platform/windef.h"

// Conversion flags of the two Windows calls.
constexpr DWORD MB_PRECOMPOSED = 0x00000001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;
constexpr DWORD WC_COMPOSITECHECK = 0x00000200;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x00000400;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;

// MultiByteToWideChar and WideCharToMultiByte with Windows' semantics for
// code pages 932, CP_ACP and CP_OEMCP (both 932 here) and CP_UTF8:
//   - a length of -1 means NUL-terminated; the terminator is converted and
//     counted;
//   - an output length of 0 returns the size the output needs;
//   - an output buffer that is too small gives 0 with
//     ERROR_INSUFFICIENT_BUFFER (what fitted has been written);
//   - a source length of 0, a null source, a negative output length or an
//     unknown code page give 0 with ERROR_INVALID_PARAMETER;
//   - MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS (UTF-8 only) make invalid
//     input fail with ERROR_NO_UNICODE_TRANSLATION instead of replacing it.
// From 932: undefined single bytes map as Windows maps them (0x80 to U+0080,
// 0xA0 to U+F8F0, 0xFD to 0xFF to U+F8F1 to U+F8F3); a lead byte that ends the
// input or is followed by NUL becomes U+30FB (the NUL is kept); a lead byte
// with any other byte is one pair, and an undefined pair becomes U+30FB.
// To 932: a character without a mapping takes its Windows best fit (é to
// "e", ¥ to "\") unless WC_NO_BEST_FIT_CHARS is given; any other becomes the
// default character ("?", or the first character of defaultChar), one per
// UTF-16 unit, and *usedDefault is set. For CP_UTF8, defaultChar and
// usedDefault must be null (ERROR_INVALID_PARAMETER otherwise).
// From UTF-8: each maximal invalid subsequence becomes U+FFFD; to UTF-8: a
// lone surrogate becomes U+FFFD.
CMD_PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, const char* mb, int mbLen,
                                         char16_t* wide, int wideLen);
CMD_PLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* wide,
                                         int wideLen, char* mb, int mbLen,
                                         const char* defaultChar, BOOL* usedDefault);

// Byte types of code page 932, for _mbsbtype.
constexpr int _MBC_SINGLE = 0;
constexpr int _MBC_LEAD = 1;
constexpr int _MBC_TRAIL = 2;
constexpr int _MBC_ILLEGAL = -1;

// The type of byte str[count] in the 932 string str, found by walking the
// string from its start: a single-byte character (0x20-0x7E, 0xA1-0xDF), the
// lead (0x81-0x9F, 0xE0-0xFC) or the trail byte (0x40-0x7E, 0x80-0xFC) of a
// pair, or _MBC_ILLEGAL: any other byte, a lead byte without a valid trail,
// or a NUL at or before str[count] (nothing after a NUL is read).
CMD_PLATFORM_API int _mbsbtype(const unsigned char* str, std::size_t count);
CMD_PLATFORM_API int _ismbblead(unsigned int c);
CMD_PLATFORM_API int _ismbbtrail(unsigned int c);

namespace cmd::cp {

// Whole-string conversions with the rules above (no flags).
CMD_PLATFORM_API std::u16string Decode932(std::string_view bytes);
CMD_PLATFORM_API std::string Encode932(std::u16string_view text, bool* usedDefault = nullptr);
// True when every character of text round-trips through 932 (no best fit,
// no default character).
CMD_PLATFORM_API bool Fits932(std::u16string_view text);
CMD_PLATFORM_API std::u16string DecodeUtf8(std::string_view bytes);
CMD_PLATFORM_API std::string EncodeUtf8(std::u16string_view text);

// Streaming forms for readers that decode block by block: they convert as
// much of `bytes` as forms whole characters, append the result to `out` and
// return the number of bytes consumed; the rest (at most 3 bytes: an
// unfinished sequence) is to be passed again with the next block. With
// `final` set everything is consumed. Decode932Append keeps line ends: a
// lead byte followed by CR or LF becomes U+30FB and the line end stays.
CMD_PLATFORM_API std::size_t Decode932Append(std::string_view bytes, bool final,
                                             std::u16string& out);
CMD_PLATFORM_API std::size_t DecodeUtf8Append(std::string_view bytes, bool final,
                                              std::u16string& out);
CMD_PLATFORM_API void Encode932Append(std::u16string_view text, std::string& out,
                                      bool* usedDefault = nullptr);
// A high surrogate at the end of `text` is not encoded when `final` is
// false: the return value tells how many units were consumed.
CMD_PLATFORM_API std::size_t EncodeUtf8Append(std::u16string_view text, bool final,
                                              std::string& out);

}  // namespace cmd::cp
