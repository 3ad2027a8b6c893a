// Horizontal text drawing: one text fitted into one cell of a form, on
// screen or printer.
//
// A text too wide for its cell is shrunk in twentieths of the cell height,
// or broken into two lines at half the cell height (the leading spaces of
// the line kept as an indent in the full-size font). The same entry points
// hand vertical text to DrawTateText2 and draw explicit CR LF lines.
//
// Modes: 0 fit, 1 direct (the font as given, one line), 2 lines (at most
// six CR LF lines, each cut after its last whole character that fits); any
// other value draws as direct. Formats are the DrawText flags; DT_CENTER and
// DT_RIGHT also place the underline and the returned span.
//
// The caller's LOGFONTW is written: lfUnderline becomes 1 or 0, or 0 on a
// printer in direct mode, where its value was the width of a separate
// underline drawn under the text. Direct-mode drawing keeps the width of
// the text it drew in a process-wide value that the entry points clamp to
// the cell; the underline and the span of DrawTextRectSizeRet2 rest on it.
// Not for concurrent use.
#pragma once

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// Draws text in rect. percent (0 to 100) is the height of a broken line in
// hundredths of the cell (at most half of it); vertical 1 draws a single
// vertical column instead (result 1); oneLine 1 shrinks a text that would
// fit at half the cell height on one line instead of setting it in the
// half-height font. Results: 1 for the half-height layouts, the lines mode
// and vertical text; 0 for one line at the record's or a shrunk height and
// for direct mode; the rectangle's height when its width is 0 or negative
// (nothing drawn). In the two-line layout the caller's rect.left moves right
// by the indent of the cut leading spaces.
CMD_API int DrawText2(CDC* dc, CString text, RECT* rect, UINT format, int percent, int mode,
                      COLORREF color, LOGFONTW* lf, int vertical, int oneLine);
// As DrawText2 with percent 100; afterwards rect holds the horizontal span of
// the text (the last direct-mode width, placed by the alignment).
CMD_API int DrawTextRectSizeRet2(CDC* dc, CString text, RECT* rect, UINT format, int mode,
                                 COLORREF color, LOGFONTW* lf, int vertical, int oneLine);
// Draws text in rect on one line at the height that fits both text in rect
// and text2 in rect2 (each shrunk by twentieths as needed), so two cells
// share one font height; text2 is not drawn. 0 when drawn, the rectangle's
// height when its width is 0 or negative.
CMD_API int DrawText2Ext(CDC* dc, CString text, RECT* rect, CString text2, RECT* rect2,
                         UINT format, COLORREF color, LOGFONTW* lf);
// Draws no text: one stroke along the bottom of rectA that runs on past
// rectA.right for the span the text takes in rectB (its width, the centred
// text's right end, or rectB's whole width for DT_RIGHT). Returns the
// stroke's length, or 0 without drawing when the text needs two lines in
// rectB. The fourth argument is not used.
CMD_API int DrawDblTextUnderLineExt(CDC* dc, RECT* rectA, RECT* rectB, RECT* unused,
                                    const char16_t* text, LOGFONTW* lf, UINT format,
                                    int penWidth, COLORREF color);
// A solid line of penWidth and color from (rect.left, rect.bottom) for
// length units to the right.
CMD_API void DrawUnderLine(CDC* dc, const RECT* rect, int length, int penWidth, COLORREF color);
