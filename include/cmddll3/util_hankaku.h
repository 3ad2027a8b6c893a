// Character-width conversion, trimming and tokenising: user input made
// half-width (codes, part numbers and amounts are kept in half-width form),
// UTF-16 <-> code page 932, and the token readers for delimited and
// length-prefixed texts.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// Full-width katakana, digits, Latin letters and dashes made half-width
// (a voiced or semi-voiced katakana becomes its letter followed by the
// half-width mark), then upper-cased. Hiragana, other punctuation, the
// ideographic space and half-width characters are kept.
CMD_API CString BaiToHan(const char16_t* text);
// Full-width digits made "0" to "9", the ideographic space a space, the
// ideographic and full-width full stops ".".
CMD_API CString UnicodeZenSuu2Han(CString text);
// The same for a code page 932 text: double-byte digits and full stops made
// single-byte. `out` holds at least as many bytes as the text plus its
// terminator. Returns `out`.
CMD_API char* ToHankakuNum(const char* text, char* out);

// The text in code page 932, terminated, in at most `size` bytes: a text that
// does not fit is cut before the first character that would not fit.
// Characters that code page 932 cannot hold become its default character.
// Returns `buffer`.
CMD_API char* getMultiFromWideText(CString text, char* buffer, int size);
// A code page 932 text as UTF-16; at most 260 bytes of it are converted (cut
// at a character boundary). Bytes that are not code page 932 become U+FFFD
// or the code page's default character.
CMD_API CString getWideFromMultiText(const char* text);

// The first `length` characters (the whole text when length is 0) without
// trailing half-width spaces.
CMD_API CString CStrCutSpace(CString text, int length);
// The text without leading and trailing half-width spaces.
CMD_API CString MyTrim(const char16_t* text);
// 1 if the text is empty or only half-width spaces, else 0.
CMD_API int IsAllSpace(const char16_t* text);

// Reads the first token of `text` into `token` (at least 101 units: at most
// 100 characters and a terminator). A leading delimiter (tab, space or ","
// only) is skipped; a token that starts with a double quote runs to the
// closing quote. Returns 0 when nothing is left to read (the token is then
// empty), else 1. The caller moves past the token itself.
CMD_API int MyStrtok(const char16_t* text, char16_t* token, char delimiter);

// Length-prefixed packing: each field is a two-digit length followed by that
// many characters. The fields go to out[0], out[1] (and out[2]); missing
// fields are empty, a field that runs past the text is cut at its end.
CMD_API void Split2text(CString packed, CString* out);
CMD_API void Split3text(CString packed, CString* out);
