// Bitmaps and separators: bitmap files and in-memory DIBs stretched into a
// rectangle, bitmap resources drawn through a mask, the vertical rule of a
// cell, and the render target's bitmap drawing.
#pragma once

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/d2d.h"
#include "cmddll3/platform/windef.h"

// Stretches the BMP file at path (a Windows-form path) onto rect with the
// raster operation rop (COLORONCOLOR stretching). Returns 0 only when the
// file cannot be read; a file whose headers do not hold together is not
// drawn (result 1).
CMD_API BOOL DrawBitmapFile(HDC hdc, const RECT* rect, CString path, DWORD rop);
// Stretches the packed DIB in dib (its pixels bitsOffset bytes from the
// block's start) onto (0, 0, size->right, size->bottom), with a palette
// built from its colour table (the default palette when biClrUsed is 0).
// The block stays locked: it is the caller's. Always 1.
CMD_API BOOL DrawBitmapFile3(HDC hdc, const RECT* size, HGLOBAL dib, WORD bitsOffset, DWORD rop);
// Draws the bitmap resource image of module transparently: the mask is
// ANDed on first (white keeps the background), then the image is ORed on
// (black where it is transparent). Draws nothing when either is missing.
CMD_API void MaskDrawBitmap(HINSTANCE module, HDC hdc, const RECT* rect, LPCWSTR image,
                            LPCWSTR mask);
// The vertical rule along the rectangle's left edge, with the selected pen.
CMD_API BOOL DrawSikiri(CDC* dc, const RECT* rect);
// The render target's bitmap drawing.
CMD_API void DrawBitmap(CRenderTarget* target, CD2DBitmap* bitmap, const CD2DRectF& dest,
                        float opacity, D2D1_BITMAP_INTERPOLATION_MODE mode, const CD2DRectF* src);
