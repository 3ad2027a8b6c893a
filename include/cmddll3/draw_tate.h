// Vertical text drawing (tategaki): characters upright one below the other,
// columns from right to left, brackets, dashes and the long-vowel mark turned
// a quarter turn, half-width sound marks set beside their character.
//
// The caller's LOGFONTW gives the font; its lfUnderline is written back as 1
// or 0 (and cleared by DrawSingleTateText), so one record is not shared
// between concurrent drawings.
#pragma once

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// Draws text in vertical columns in rect: one column when single is 1, else
// as many as the text needs, at most three, laid from right to left. A
// character that leaves less than half its height before the bottom begins
// the next column; the last column stops after the first character that
// passes the bottom (clipped there). Always 1.
CMD_API int DrawTateText2(CDC* dc, CString text, RECT* rect, int single, COLORREF color,
                          LOGFONTW* lf);
// The same, but the room of a column is counted against the rectangle's
// width instead of its height; the columns are drawn as DrawTateText2 draws
// them. Always 1.
CMD_API int DrawYokoText2(CDC* dc, CString text, RECT* rect, int single, COLORREF color,
                          LOGFONTW* lf);
// One column centred vertically in rect, its font as high as the largest
// tenth of the rectangle's width (ten tenths down to one) at which the whole
// column fits. The caller's record ends with that height, width 0 and no
// underline. A text too long for even one tenth is drawn at one tenth from
// the top, cut at the bottom. The fourth argument is not used. Always 1.
CMD_API int DrawSingleTateText(CDC* dc, CString text, RECT* rect, int unused, COLORREF color,
                               LOGFONTW* lf);
// Rewrites text in place so that each character is followed by a line feed
// (drawn with DrawText without DT_SINGLELINE: one character a line). The
// buffer must hold twice the text and the terminator; at most 999
// characters are taken. Returns text.
CMD_API char16_t* FormatTateText(char16_t* text);
