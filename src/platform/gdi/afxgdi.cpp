// The framework's GDI classes over the flat functions.
//
// Handle maps: an object registers the handle it holds ("permanent"), so
// FromHandle gives back that object; any other handle gets a temporary
// wrapper that the platform owns until the handle is deleted.
#include <unordered_map>

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/resources.h"
#include "platform/gdi/internal.h"

namespace cmd::gdi {
namespace {

struct HandleMaps {
  std::unordered_map<HGDIOBJ, CGdiObject*> permanent;
  std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> temporary;
  std::unordered_map<HDC, std::unique_ptr<CDC>> temporaryDCs;
};

HandleMaps& Maps() {
  static auto* m = new HandleMaps;
  return *m;
}

std::unique_ptr<CGdiObject> WrapperFor(DWORD type) {
  switch (type) {
    case OBJ_FONT: return std::make_unique<CFont>();
    case OBJ_PEN: return std::make_unique<CPen>();
    case OBJ_BRUSH: return std::make_unique<CBrush>();
    case OBJ_BITMAP: return std::make_unique<CBitmap>();
    case OBJ_PAL: return std::make_unique<CPalette>();
    default: return std::make_unique<CGdiObject>();
  }
}

void Register(CGdiObject* o) {
  if (o->m_hObject) Maps().permanent[o->m_hObject] = o;
}

// Attaches a handle just created; when the object already holds one, the
// new handle is deleted rather than left behind.
BOOL AttachNew(CGdiObject& o, HGDIOBJ h) {
  if (o.Attach(h)) return TRUE;
  if (h) ::DeleteObject(h);
  return FALSE;
}

void Unregister(CGdiObject* o) {
  auto& p = Maps().permanent;
  auto it = p.find(o->m_hObject);
  if (it != p.end() && it->second == o) p.erase(it);
}

}  // namespace

void ForgetTemporaryWrapper(HGDIOBJ handle) {
  Guard g(GdiLock());
  auto& maps = Maps();
  auto it = maps.temporary.find(handle);
  if (it != maps.temporary.end()) {
    it->second->m_hObject = nullptr;  // the wrapper does not own the handle
    maps.temporary.erase(it);
  }
  auto dc = maps.temporaryDCs.find(static_cast<HDC>(handle));
  if (dc != maps.temporaryDCs.end()) {
    dc->second->m_hDC = dc->second->m_hAttribDC = nullptr;
    maps.temporaryDCs.erase(dc);
  }
}

}  // namespace cmd::gdi

using namespace cmd::gdi;

// ---------------------------------------------------------------- CGdiObject
CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) {
  if (!object) return nullptr;
  Guard g(GdiLock());
  auto& maps = Maps();
  if (auto it = maps.permanent.find(object); it != maps.permanent.end()) return it->second;
  if (auto it = maps.temporary.find(object); it != maps.temporary.end()) return it->second.get();
  DWORD type = ::GetObjectType(object);
  if (!type) return nullptr;
  auto wrapper = WrapperFor(type);
  wrapper->m_hObject = object;
  CGdiObject* raw = wrapper.get();
  maps.temporary.emplace(object, std::move(wrapper));
  return raw;
}

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (m_hObject || !object) return FALSE;
  Guard g(GdiLock());
  m_hObject = object;
  Register(this);
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  Guard g(GdiLock());
  HGDIOBJ h = m_hObject;
  if (h) Unregister(this);
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  Guard g(GdiLock());
  Unregister(this);
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return ::DeleteObject(h);
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(::GetStockObject(index)); }

int CGdiObject::GetObject(int size, void* buffer) const {
  return ::GetObjectW(m_hObject, size, buffer);
}

UINT CGdiObject::GetObjectType() const { return ::GetObjectType(m_hObject); }

// ---------------------------------------------------------------- CFont
CFont* CFont::FromHandle(HFONT font) {
  return static_cast<CFont*>(CGdiObject::FromHandle(font));
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* lf) {
  return AttachNew(*this, ::CreateFontIndirectW(lf));
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet,
                       BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
                       LPCWSTR face) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strikeOut;
  lf.lfCharSet = charSet;
  lf.lfOutPrecision = outPrecision;
  lf.lfClipPrecision = clipPrecision;
  lf.lfQuality = quality;
  lf.lfPitchAndFamily = pitchAndFamily;
  for (int i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONTW* lf) const { return GetObject(sizeof(LOGFONTW), lf); }

// ---------------------------------------------------------------- CPen, CBrush
CPen::CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }

CPen* CPen::FromHandle(HPEN pen) { return static_cast<CPen*>(CGdiObject::FromHandle(pen)); }

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
  return AttachNew(*this, ::CreatePen(style, width, color));
}

int CPen::GetLogPen(LOGPEN* pen) const { return GetObject(sizeof(LOGPEN), pen); }

CBrush::CBrush(COLORREF color) { CreateSolidBrush(color); }

CBrush* CBrush::FromHandle(HBRUSH brush) {
  return static_cast<CBrush*>(CGdiObject::FromHandle(brush));
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
  return AttachNew(*this, ::CreateSolidBrush(color));
}

// ---------------------------------------------------------------- CBitmap, CPalette
CBitmap* CBitmap::FromHandle(HBITMAP bitmap) {
  return static_cast<CBitmap*>(CGdiObject::FromHandle(bitmap));
}

BOOL CBitmap::LoadBitmap(UINT id) { return LoadBitmap(MAKEINTRESOURCEW(id)); }

BOOL CBitmap::LoadBitmap(LPCWSTR name) {
  HINSTANCE module = AfxFindResourceHandle(name, RT_BITMAP);
  return AttachNew(*this, ::LoadBitmapW(module, name));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                           const void* bits) {
  return AttachNew(*this, ::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return AttachNew(*this, ::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

int CBitmap::GetBitmap(BITMAP* bitmap) const { return GetObject(sizeof(BITMAP), bitmap); }

CPalette* CPalette::FromHandle(HPALETTE palette) {
  return static_cast<CPalette*>(CGdiObject::FromHandle(palette));
}

BOOL CPalette::CreatePalette(const LOGPALETTE* palette) {
  return AttachNew(*this, ::CreatePalette(palette));
}

int CPalette::GetEntryCount() const {
  WORD n = 0;
  return GetObject(sizeof n, &n) ? n : 0;
}

UINT CPalette::GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const {
  return ::GetPaletteEntries(static_cast<HPALETTE>(m_hObject), start, count, entries);
}

// ---------------------------------------------------------------- CDC
namespace {

// Selects into the output handle and the attribute handle; the old object
// comes from the attribute handle, as in the framework.
HGDIOBJ SelectBoth(const CDC& dc, HGDIOBJ object) {
  HGDIOBJ old = nullptr;
  if (dc.m_hDC && dc.m_hDC != dc.m_hAttribDC) old = ::SelectObject(dc.m_hDC, object);
  if (dc.m_hAttribDC) old = ::SelectObject(dc.m_hAttribDC, object);
  return old;
}

template <class T>
T Both(const CDC& dc, T (*set)(HDC, T), T value) {
  T old{};
  if (dc.m_hDC && dc.m_hDC != dc.m_hAttribDC) old = set(dc.m_hDC, value);
  if (dc.m_hAttribDC) old = set(dc.m_hAttribDC, value);
  return old;
}

}  // namespace

CDC::~CDC() {
  if (m_hDC) ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC dc) {
  if (!dc) return nullptr;
  Guard g(GdiLock());
  if (!FindDC(dc)) return nullptr;
  auto& temps = Maps().temporaryDCs;
  auto it = temps.find(dc);
  if (it != temps.end()) return it->second.get();
  auto wrapper = std::make_unique<CDC>();
  wrapper->m_hDC = wrapper->m_hAttribDC = dc;
  wrapper->m_bPrinting = ::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER;
  CDC* raw = wrapper.get();
  temps.emplace(dc, std::move(wrapper));
  return raw;
}

BOOL CDC::Attach(HDC dc) {
  if (!dc || m_hDC) return FALSE;
  m_hDC = m_hAttribDC = dc;
  m_bPrinting = ::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER;
  return TRUE;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = m_hAttribDC = nullptr;
  return dc;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

void CDC::SetAttribDC(HDC dc) { m_hAttribDC = dc; }
void CDC::SetOutputDC(HDC dc) { m_hDC = dc; }
void CDC::ReleaseAttribDC() { m_hAttribDC = nullptr; }
void CDC::ReleaseOutputDC() { m_hDC = nullptr; }

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  HDC h = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
  if (Attach(h)) return TRUE;
  if (h) ::DeleteDC(h);
  return FALSE;
}

CFont* CDC::SelectObject(CFont* font) {
  return static_cast<CFont*>(
      CGdiObject::FromHandle(SelectBoth(*this, font ? font->m_hObject : nullptr)));
}

CPen* CDC::SelectObject(CPen* pen) {
  return static_cast<CPen*>(
      CGdiObject::FromHandle(SelectBoth(*this, pen ? pen->m_hObject : nullptr)));
}

CBrush* CDC::SelectObject(CBrush* brush) {
  return static_cast<CBrush*>(
      CGdiObject::FromHandle(SelectBoth(*this, brush ? brush->m_hObject : nullptr)));
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return static_cast<CBitmap*>(
      CGdiObject::FromHandle(SelectBoth(*this, bitmap ? bitmap->m_hObject : nullptr)));
}

HGDIOBJ CDC::SelectObject(HGDIOBJ object) { return SelectBoth(*this, object); }

CGdiObject* CDC::SelectStockObject(int index) {
  return CGdiObject::FromHandle(SelectBoth(*this, ::GetStockObject(index)));
}

CPalette* CDC::SelectPalette(CPalette* palette, BOOL forceBackground) {
  HPALETTE h = palette ? static_cast<HPALETTE>(palette->m_hObject) : nullptr;
  return CPalette::FromHandle(::SelectPalette(m_hDC, h, forceBackground));
}

UINT CDC::RealizePalette() { return ::RealizePalette(m_hDC); }

CFont* CDC::GetCurrentFont() const {
  return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT)));
}

CPen* CDC::GetCurrentPen() const {
  return CPen::FromHandle(static_cast<HPEN>(::GetCurrentObject(m_hDC, OBJ_PEN)));
}

CBitmap* CDC::GetCurrentBitmap() const {
  return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}

COLORREF CDC::SetTextColor(COLORREF color) { return Both(*this, ::SetTextColor, color); }
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
COLORREF CDC::SetBkColor(COLORREF color) { return Both(*this, ::SetBkColor, color); }
COLORREF CDC::GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
int CDC::SetBkMode(int mode) { return Both(*this, ::SetBkMode, mode); }
int CDC::GetBkMode() const { return ::GetBkMode(m_hAttribDC); }
int CDC::SetStretchBltMode(int mode) { return Both(*this, ::SetStretchBltMode, mode); }
int CDC::GetStretchBltMode() const { return ::GetStretchBltMode(m_hAttribDC); }
int CDC::GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }

int CDC::SaveDC() {
  int level = 0;
  if (m_hAttribDC) level = ::SaveDC(m_hAttribDC);
  if (m_hDC && m_hDC != m_hAttribDC) level = ::SaveDC(m_hDC);
  return level;
}

BOOL CDC::RestoreDC(int saved) {
  BOOL ok = TRUE;
  if (m_hDC && m_hDC != m_hAttribDC) ok = ::RestoreDC(m_hDC, saved);
  if (m_hAttribDC) ok = ::RestoreDC(m_hAttribDC, saved) && ok;
  return ok;
}

int CDC::SetTextJustification(int breakExtra, int breakCount) {
  int r = 0;
  if (m_hDC && m_hDC != m_hAttribDC) r = ::SetTextJustification(m_hDC, breakExtra, breakCount);
  if (m_hAttribDC) r = ::SetTextJustification(m_hAttribDC, breakExtra, breakCount);
  return r;
}

CSize CDC::GetTextExtent(LPCWSTR text, int count) const {
  SIZE s{0, 0};
  ::GetTextExtentPoint32W(m_hAttribDC, text, count, &s);
  return CSize(s);
}

CSize CDC::GetTextExtent(const CString& text) const {
  return GetTextExtent(text.GetString(), text.GetLength());
}

CSize CDC::GetOutputTextExtent(LPCWSTR text, int count) const {
  SIZE s{0, 0};
  ::GetTextExtentPoint32W(m_hDC, text, count, &s);
  return CSize(s);
}

CSize CDC::GetOutputTextExtent(const CString& text) const {
  return GetOutputTextExtent(text.GetString(), text.GetLength());
}

BOOL CDC::GetTextMetrics(TEXTMETRICW* metrics) const {
  return ::GetTextMetricsW(m_hAttribDC, metrics);
}

int CDC::DrawText(LPCWSTR text, int count, LPRECT rect, UINT format) {
  return ::DrawTextW(m_hDC, text, count, rect, format);
}

int CDC::DrawText(const CString& text, LPRECT rect, UINT format) {
  return DrawText(text.GetString(), text.GetLength(), rect, format);
}

BOOL CDC::TextOut(int x, int y, LPCWSTR text, int count) {
  return ::TextOutW(m_hDC, x, y, text, count);
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
  return TextOut(x, y, text.GetString(), text.GetLength());
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count,
                     const int* dx) {
  return ::ExtTextOutW(m_hDC, x, y, options, rect, text, count, dx);
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text,
                     const int* dx) {
  return ExtTextOut(x, y, options, rect, text.GetString(), UINT(text.GetLength()), dx);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT old{0, 0};
  if (m_hDC && m_hDC != m_hAttribDC) ::MoveToEx(m_hDC, x, y, &old);
  if (m_hAttribDC) ::MoveToEx(m_hAttribDC, x, y, &old);
  return CPoint(old);
}

CPoint CDC::MoveTo(POINT point) { return MoveTo(point.x, point.y); }

BOOL CDC::LineTo(int x, int y) {
  if (m_hAttribDC && m_hAttribDC != m_hDC) ::MoveToEx(m_hAttribDC, x, y, nullptr);
  return ::LineTo(m_hDC, x, y);
}

BOOL CDC::LineTo(POINT point) { return LineTo(point.x, point.y); }

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
  return ::Rectangle(m_hDC, left, top, right, bottom);
}

BOOL CDC::Rectangle(LPCRECT rect) {
  return rect ? Rectangle(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

void CDC::FillRect(LPCRECT rect, CBrush* brush) {
  ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  ::FillRect(m_hDC, rect, brush);
  ::DeleteObject(brush);
}

COLORREF CDC::GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc,
                     int srcWidth, int srcHeight, DWORD rop) {
  return ::StretchBlt(m_hDC, x, y, width, height, src ? src->m_hDC : nullptr, xSrc, ySrc,
                      srcWidth, srcHeight, rop);
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop) {
  return ::BitBlt(m_hDC, x, y, width, height, src ? src->m_hDC : nullptr, xSrc, ySrc, rop);
}

int CDC::StartDoc(const DOCINFOW* doc) { return ::StartDocW(m_hDC, doc); }

int CDC::StartDoc(LPCWSTR docName) {
  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = docName;
  return ::StartDocW(m_hDC, &doc);
}

int CDC::StartPage() { return ::StartPage(m_hDC); }
int CDC::EndPage() { return ::EndPage(m_hDC); }
int CDC::EndDoc() { return ::EndDoc(m_hDC); }
int CDC::AbortDoc() { return ::AbortDoc(m_hDC); }
