// Field and line splitters: a text cut at a separator (a comma in the master
// files, CR LF in multi-line cell texts, any string the caller names) or at a
// character position.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// The separator splitters append one separator to the text before cutting, so
// the text after the last separator is a field too and an empty text is one
// empty field. At most `max` fields are stored, from index 0; entries beyond
// the count returned keep what they held. A max of 0 or less stores nothing.

// Fields separated by ",".
CMD_API int SplitCStrByComma(CString text, CString* fields, int max);
// Fields separated by `separator` (any length). A null or empty separator
// cuts nothing: the whole text is the one field.
CMD_API int SplitCStrByChar(CString text, CString* fields, int max, const char16_t* separator);
// Lines separated by "\r\n".
CMD_API int SplitCStrByWrap(CString text, CString* lines, int max);

// Cuts a text after n characters (UTF-16 units).
//   n = 0: *first = text, *second untouched; result 1.
//   n < 0: nothing touched; result 0.
//   n > 0: *first = the first n characters, *second = the rest; result 2 when
//          the rest is not empty, else 1.
CMD_API int UniSSplit(CString text, CString* first, CString* second, int n);

// The same for a code page 932 string, counting a lead byte and its trail byte
// as one character. Both parts are terminated; n of 0 or less puts the whole
// text in `first` and leaves `second` empty. The caller's buffers must hold
// the parts with their terminators. Result 2 when the rest is not empty, else 1.
CMD_API int mbsplit(const unsigned char* text, unsigned char* first, unsigned char* second, int n);

// The first n characters of the text (all of it when shorter), without their
// trailing half-width spaces unless keepSpaces is non-zero.
CMD_API CString cstrmemmove(CString text, int n, int keepSpaces);
