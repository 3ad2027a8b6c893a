// The framework's GDI classes: CGdiObject and its fonts, pens, brushes,
// bitmaps and palettes, and the device context CDC.
//
// As in the framework, an object owns the handle attached to it and deletes
// it when destroyed; FromHandle gives the object a handle is attached to, or
// a temporary one that the platform owns (it lives until the handle is
// deleted). CDC keeps two handles: m_hDC, where output goes, and
// m_hAttribDC, which answers questions (text extents, device capabilities);
// usually both are the same.
#pragma once

#include "cmddll3/platform/afxtypes.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/gdi.h"
#include "cmddll3/platform/windef.h"

class CMD_PLATFORM_API CGdiObject {
 public:
  HGDIOBJ m_hObject = nullptr;

  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  operator HGDIOBJ() const { return m_hObject; }
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  static CGdiObject* FromHandle(HGDIOBJ object);

  BOOL Attach(HGDIOBJ object);  // FALSE when the object already holds a handle
  HGDIOBJ Detach();
  // Deletes the handle (DeleteObject) and detaches it; FALSE when there was
  // none or the platform refused (for instance, still selected).
  BOOL DeleteObject();
  BOOL CreateStockObject(int index);
  int GetObject(int size, void* buffer) const;
  UINT GetObjectType() const;
};

class CMD_PLATFORM_API CFont : public CGdiObject {
 public:
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT font);
  BOOL CreateFontIndirect(const LOGFONTW* lf);
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                  BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, LPCWSTR face);
  int GetLogFont(LOGFONTW* lf) const;
};

class CMD_PLATFORM_API CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color);
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  static CPen* FromHandle(HPEN pen);
  BOOL CreatePen(int style, int width, COLORREF color);
  int GetLogPen(LOGPEN* pen) const;
};

class CMD_PLATFORM_API CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH brush);
  BOOL CreateSolidBrush(COLORREF color);
};

class CDC;

class CMD_PLATFORM_API CBitmap : public CGdiObject {
 public:
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP bitmap);
  // From the resource chain (resources.h), as the framework's
  // AfxFindResourceHandle does.
  BOOL LoadBitmap(UINT id);
  BOOL LoadBitmap(LPCWSTR name);
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  int GetBitmap(BITMAP* bitmap) const;
};

class CMD_PLATFORM_API CPalette : public CGdiObject {
 public:
  operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
  static CPalette* FromHandle(HPALETTE palette);
  BOOL CreatePalette(const LOGPALETTE* palette);
  int GetEntryCount() const;
  UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const;
};

class CMD_PLATFORM_API CDC {
 public:
  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  BOOL m_bPrinting = FALSE;

  CDC() = default;
  virtual ~CDC();  // deletes the attached device context, as the framework does
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  operator HDC() const { return m_hDC; }
  HDC GetSafeHdc() const { return m_hDC; }
  static CDC* FromHandle(HDC dc);

  BOOL Attach(HDC dc);  // both handles; m_bPrinting from the device's technology
  HDC Detach();
  BOOL DeleteDC();
  void SetAttribDC(HDC dc);
  void SetOutputDC(HDC dc);
  void ReleaseAttribDC();
  void ReleaseOutputDC();
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL IsPrinting() const { return m_bPrinting; }

  // Selection (into both handles); each returns the object replaced.
  CFont* SelectObject(CFont* font);
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CBitmap* SelectObject(CBitmap* bitmap);
  HGDIOBJ SelectObject(HGDIOBJ object);
  CGdiObject* SelectStockObject(int index);
  CPalette* SelectPalette(CPalette* palette, BOOL forceBackground);
  UINT RealizePalette();
  CFont* GetCurrentFont() const;
  CPen* GetCurrentPen() const;
  CBitmap* GetCurrentBitmap() const;

  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const;
  int SetBkMode(int mode);
  int GetBkMode() const;
  int SetStretchBltMode(int mode);
  int GetStretchBltMode() const;
  int GetDeviceCaps(int index) const;  // of the attribute handle
  virtual int SaveDC();
  virtual BOOL RestoreDC(int saved);

  // Text. Extents and metrics come from the attribute handle.
  int SetTextJustification(int breakExtra, int breakCount);
  CSize GetTextExtent(LPCWSTR text, int count) const;
  CSize GetTextExtent(const CString& text) const;
  CSize GetOutputTextExtent(LPCWSTR text, int count) const;
  CSize GetOutputTextExtent(const CString& text) const;
  BOOL GetTextMetrics(TEXTMETRICW* metrics) const;
  virtual int DrawText(LPCWSTR text, int count, LPRECT rect, UINT format);
  int DrawText(const CString& text, LPRECT rect, UINT format);
  virtual BOOL TextOut(int x, int y, LPCWSTR text, int count);
  BOOL TextOut(int x, int y, const CString& text);
  virtual BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count,
                          const int* dx);
  BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, const int* dx);

  // Lines and shapes.
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT point);
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT point);
  BOOL Rectangle(int left, int top, int right, int bottom);
  BOOL Rectangle(LPCRECT rect);
  void FillRect(LPCRECT rect, CBrush* brush);
  void FillSolidRect(LPCRECT rect, COLORREF color);
  COLORREF GetPixel(int x, int y) const;

  // Bitmaps.
  BOOL StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, DWORD rop);
  BOOL BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop);

  // Print jobs.
  int StartDoc(const DOCINFOW* doc);
  int StartDoc(LPCWSTR docName);
  int StartPage();
  int EndPage();
  int EndDoc();
  int AbortDoc();
};
