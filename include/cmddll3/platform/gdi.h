// GDI: device contexts, fonts, pens, brushes, bitmaps and palettes, with the
// flat functions and records of the Windows graphics interface.
//
// A device context forwards to one of three back-ends (see gdi_devices.h):
// a recording one with deterministic font metrics for tests, a Cairo image
// (PNG) for the screen and a Cairo PDF document for the printer. Coordinates
// are logical units in the MM_TEXT mapping: one unit is one device dot.
#pragma once

#include "cmddll3/platform/windef.h"

// ---------------------------------------------------------------- records
#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;  // "BM"
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER keeps the file layout");

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: bottom-up rows; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER keeps the file layout");

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];  // the colour table (or three masks) follows the header
};

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

struct LOGPALETTE {
  WORD palVersion;  // 0x300
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];  // palNumEntries entries follow
};

struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;  // x is the width
  COLORREF lopnColor;
};

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  std::uintptr_t lbHatch;
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

struct DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;  // Windows-form path of the output file, or null
  LPCWSTR lpszDatatype;
  DWORD fwType;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

// ---------------------------------------------------------------- constants
// Bitmap compression.
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;

// Object types (GetObjectType).
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_MEMDC = 10;

// Brush styles.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;

// Device capabilities beyond windef.h.
constexpr int DRIVERVERSION = 0;
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int SIZEPALETTE = 104;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_STRETCHDIB = 0x2000;

// More raster operations (the common ones are in windef.h).
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// ExtTextOut options.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// More DrawText formats (the common ones are in windef.h).
constexpr UINT DT_EDITCONTROL = 0x00002000;

// Bitmap creation.
constexpr DWORD CBM_INIT = 0x04;

// Print jobs.
constexpr int SP_ERROR = -1;

constexpr int GDI_ERROR = -1;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// ---------------------------------------------------------------- objects
CMD_PLATFORM_API HFONT CreateFontIndirectW(const LOGFONTW* lf);
CMD_PLATFORM_API HPEN CreatePen(int style, int width, COLORREF color);
CMD_PLATFORM_API HPEN CreatePenIndirect(const LOGPEN* pen);
CMD_PLATFORM_API HBRUSH CreateSolidBrush(COLORREF color);
// A device-dependent bitmap; bitsPerPixel 1 makes a monochrome one. bits,
// when given, are rows of WORD-aligned scan lines, top row first.
CMD_PLATFORM_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                                      const void* bits);
CMD_PLATFORM_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
CMD_PLATFORM_API HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init,
                                        const void* bits, const BITMAPINFO* info, UINT usage);
// Null when palVersion is not 0x300 or there are no entries.
CMD_PLATFORM_API HPALETTE CreatePalette(const LOGPALETTE* palette);
CMD_PLATFORM_API UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                        PALETTEENTRY* entries);
// Fails (FALSE) for a handle that is not a live object or that is selected
// into a device context; stock objects are never deleted (TRUE).
CMD_PLATFORM_API BOOL DeleteObject(HGDIOBJ object);
CMD_PLATFORM_API HGDIOBJ GetStockObject(int index);
CMD_PLATFORM_API DWORD GetObjectType(HGDIOBJ object);
// LOGFONTW, LOGPEN, LOGBRUSH, BITMAP or a WORD entry count (palette).
CMD_PLATFORM_API int GetObjectW(HGDIOBJ object, int size, void* buffer);

// ---------------------------------------------------------------- device contexts
CMD_PLATFORM_API HDC CreateCompatibleDC(HDC dc);  // null: compatible with the screen
CMD_PLATFORM_API BOOL DeleteDC(HDC dc);
// Selects a font, pen, brush or (into a memory DC) bitmap; returns the
// object it replaces, or null on failure.
CMD_PLATFORM_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
CMD_PLATFORM_API HGDIOBJ GetCurrentObject(HDC dc, UINT type);
CMD_PLATFORM_API int SaveDC(HDC dc);
CMD_PLATFORM_API BOOL RestoreDC(HDC dc, int saved);
CMD_PLATFORM_API int GetDeviceCaps(HDC dc, int index);

CMD_PLATFORM_API COLORREF SetTextColor(HDC dc, COLORREF color);
CMD_PLATFORM_API COLORREF GetTextColor(HDC dc);
CMD_PLATFORM_API COLORREF SetBkColor(HDC dc, COLORREF color);
CMD_PLATFORM_API COLORREF GetBkColor(HDC dc);
CMD_PLATFORM_API int SetBkMode(HDC dc, int mode);
CMD_PLATFORM_API int GetBkMode(HDC dc);
CMD_PLATFORM_API int SetStretchBltMode(HDC dc, int mode);
CMD_PLATFORM_API int GetStretchBltMode(HDC dc);

// ---------------------------------------------------------------- text
// Extra space spread over the break characters (spaces) of the next texts
// measured or drawn; (0, 0) resets it.
CMD_PLATFORM_API BOOL SetTextJustification(HDC dc, int breakExtra, int breakCount);
// cx = sum of the advances (plus justification), cy = cell height.
CMD_PLATFORM_API BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);
CMD_PLATFORM_API BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
// (x, y) is the top-left of the text cell; the font's escapement turns the
// text about that point.
CMD_PLATFORM_API BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
CMD_PLATFORM_API BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect,
                                  LPCWSTR text, UINT count, const int* dx);
// Formats: DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM (the vertical ones
// with DT_SINGLELINE only), DT_SINGLELINE, DT_WORDBREAK, DT_NOPREFIX,
// DT_NOCLIP, DT_CALCRECT, DT_EXTERNALLEADING. count -1: up to the NUL.
// Returns the text's height, or with DT_VCENTER/DT_BOTTOM the offset from
// rect->top to the bottom of the text.
CMD_PLATFORM_API int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format);

// ---------------------------------------------------------------- lines and shapes
CMD_PLATFORM_API BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
// Draws from the current position up to, not including, (x, y).
CMD_PLATFORM_API BOOL LineTo(HDC dc, int x, int y);
CMD_PLATFORM_API BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
CMD_PLATFORM_API int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
CMD_PLATFORM_API COLORREF GetPixel(HDC dc, int x, int y);  // CLR_INVALID off a raster surface

// ---------------------------------------------------------------- bitmaps and palettes
// Stretches the source rectangle of a packed DIB onto the destination.
// Returns the number of source scan lines, 0 on failure. As on Windows the
// caller guarantees that info and bits hold what the header describes.
CMD_PLATFORM_API int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight,
                                   int xSrc, int ySrc, int srcWidth, int srcHeight,
                                   const void* bits, const BITMAPINFO* info, UINT usage,
                                   DWORD rop);
// The source of an operation that reads one must be a raster surface: an
// image device context or a memory one.
CMD_PLATFORM_API BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc,
                                 int ySrc, int srcWidth, int srcHeight, DWORD rop);
CMD_PLATFORM_API BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc,
                             int ySrc, DWORD rop);
CMD_PLATFORM_API HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
CMD_PLATFORM_API UINT RealizePalette(HDC dc);
// A bitmap resource of the module (resources.h); null when there is none or
// its data is not a valid DIB.
CMD_PLATFORM_API HBITMAP LoadBitmapW(HINSTANCE module, LPCWSTR name);

// ---------------------------------------------------------------- print jobs
CMD_PLATFORM_API int StartDocW(HDC dc, const DOCINFOW* doc);
CMD_PLATFORM_API int StartPage(HDC dc);
CMD_PLATFORM_API int EndPage(HDC dc);
CMD_PLATFORM_API int EndDoc(HDC dc);
CMD_PLATFORM_API int AbortDoc(HDC dc);

// ---------------------------------------------------------------- painting
// The platform's device contexts belong to no window: WindowFromDC gives
// null, and BeginPaint/EndPaint on a null window do nothing.
CMD_PLATFORM_API HWND WindowFromDC(HDC dc);
CMD_PLATFORM_API HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
CMD_PLATFORM_API BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
