// Fonts and text measurement: the font records the drawing functions build
// from the caller's LOGFONTW, their selection into a device context, the
// printer test and the width of a text.
//
// Heights and widths are in the logical units of the device context drawn
// on, for screen and printer alike; nothing here converts points.
#pragma once

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/windef.h"

// Fills lf for a screen font: escapement and orientation 0, the caller's
// weight, italic, underline and strike-out, DEFAULT_CHARSET, precisions and
// quality 0, pitch and family 0x52, the face (at most 31 units; the default
// face "ＭＳ ゴシック" for null). Height and width: (h, w) when h is not 0,
// else (w, 0).
CMD_API void MakeLogFont(LOGFONTW* lf, const char16_t* face, int h, int w, int weight, BYTE italic,
                         BYTE underline, BYTE strikeOut);
// Fills lf for the printer font: height and width as given, FW_LIGHT, the
// caller's underline, SHIFTJIS_CHARSET, the default face.
CMD_API void MakeLogPrnFontParam(LOGFONTW* lf, int height, int width, BYTE underline);

// Builds the record as MakeLogFont does, creates the font into font (which
// should hold no handle) and selects it into dc. Returns the font selected
// before; the caller selects it back and deletes font's handle.
CMD_API CFont* SelectMyFont(CDC* dc, CFont* font, const char16_t* face, int h, int w, int weight,
                            BYTE italic, BYTE underline, BYTE strikeOut);
// The same with the printer record of MakeLogPrnFontParam.
CMD_API CFont* SelectMyPrnFont(CDC* dc, CFont* font, int height, int width, BYTE underline);
// Creates the bold font of an edit field (face as given, even empty) into
// font; selects nothing. The first argument is not used.
CMD_API void SelectMyEditFont(void* unused, CFont* font, int h, int w, CString face);

// The size, unchanged (heights are already in logical units).
CMD_API int WhatIsFontPoint(int size, int unused);
CMD_API int WhatIsFontPointX(int size, int unused);
// 1 when the attribute handle's LOGPIXELSX is above 200 dots per inch.
CMD_API BOOL IsMyPrinterDC(CDC* dc);
// The width of text in the font of lf, in logical units.
CMD_API int MyGetTextLength(CDC* dc, const char16_t* text, const LOGFONTW* lf);
