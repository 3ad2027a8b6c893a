// Multi-line text layout: a text, which may hold CR LF line breaks, laid
// into one cell as several horizontal lines or vertical columns (right to
// left): either as many as the text needs, up to five, with the font sized to
// the line or column, or a fixed number with optional numbering or bullets.
//
// The drawers rebuild the caller's LOGFONTW (height set to the line or
// column, underline cleared as each says); fill it again before another
// call. Counts of 0 draw nothing. Every drawer returns 1.
#pragma once

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/textfile.h"
#include "cmddll3/platform/windef.h"

// Vertical columns, each drawn with DrawTateText2: the first count from
// columns up to 5 at which the text fits, the font as high as a column is
// wide (the text is cut at five). One column is centred, two take the
// halves, more stand side by side from the right. A first count above 5
// draws nothing.
CMD_API int DrawMaltiTateText(CDC* dc, CString text, RECT* rect, int columns, COLORREF color,
                              LOGFONTW* lf);
// Horizontal lines the same way, the font as high as a line, each line
// drawn centred with DrawText2 in direct mode.
CMD_API int DrawMaltiYokoText(CDC* dc, CString text, RECT* rect, int lines, COLORREF color,
                              LOGFONTW* lf);
// A fixed number of lines, the font percent of a line high. Lines wrap at
// the width and break at CR LF. bullet 0: none; 1: paragraphs numbered
// " 1.", " 2.", ...; any other: a middle dot "・" before each paragraph.
CMD_API int DrawFixMultiYokoText(CDC* dc, CString text, RECT* rect, UINT lines, UINT format,
                                 int bullet, int percent, COLORREF color, LOGFONTW* lf);
// A fixed number of vertical columns from the right, the font percent of a
// column wide; turned characters as in vertical writing. bullet 1 puts ①,
// ②, ... (by column) at the head of each paragraph, other nonzero values a
// middle dot. An lfUnderline of exactly 1 draws a rule down the right of
// each column's text. format is not used.
CMD_API int DrawFixMultiTateText(CDC* dc, CString text, RECT* rect, UINT columns, UINT format,
                                 int bullet, int percent, COLORREF color, LOGFONTW* lf);
// Writes at most lines CR LF lines of text to file, each in double quotes
// and ended by "\n". The fourth argument is not used.
CMD_API int DrawFixMultiYokoText2(CStdioFile* file, CString text, UINT lines, int unused);
