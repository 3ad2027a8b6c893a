// Bitmaps and separators: bitmap files, in-memory DIBs with their palette,
// masked bitmap resources, the vertical rule of a cell.
#include "cmddll3/bitmaps.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <vector>

#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/globalmem.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/winpath.h"

namespace {

// The palette of a packed DIB: its biClrUsed colours (low 16 bits), taken
// from the RGBQUADs that follow the header; null when biClrUsed is 0 or the
// table would run past the block.
HPALETTE PaletteOf(const unsigned char* block, std::size_t size) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, block, sizeof h);
  WORD count = WORD(h.biClrUsed & 0xFFFF);
  if (count == 0) return nullptr;
  std::size_t table = std::size_t(h.biSize);
  if (table > size || (size - table) / 4 < count) return nullptr;
  std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count);
  auto* pal = reinterpret_cast<LOGPALETTE*>(buffer.data());
  pal->palVersion = 0x300;
  pal->palNumEntries = count;
  for (WORD i = 0; i < count; ++i) {
    const unsigned char* q = block + table + 4 * std::size_t(i);  // blue, green, red, reserved
    pal->palPalEntry[i] = PALETTEENTRY{q[2], q[1], q[0], 0};
  }
  return ::CreatePalette(pal);
}

// Can StretchDIBits read what the header of this block describes without
// leaving the block?
bool DibFitsBlock(const unsigned char* block, std::size_t size, std::size_t bitsOffset) {
  if (size < sizeof(BITMAPINFOHEADER)) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, block, sizeof h);
  cmd::gdi::DibLayout layout;
  if (!cmd::gdi::MeasureDib(h, DIB_RGB_COLORS, layout)) return false;
  if (h.biSize > size || size - h.biSize < layout.colorBytes) return false;
  return bitsOffset <= size && size - bitsOffset >= layout.imageBytes;
}

// Where the rows a file holds go in the rectangle: all of it for a whole
// file; for one that ends early, the share of its rows, at the bottom of a
// bottom-up image (its rows start from the bottom line), else at the top.
RECT RowsArea(const RECT& rect, const cmd::gdi::BmpFile& bmp) {
  if (bmp.layout.height >= bmp.fullHeight) return rect;
  const long long height = (long long)rect.bottom - rect.top;
  const long long share = height * bmp.layout.height / bmp.fullHeight;
  RECT area = rect;
  if (bmp.layout.topDown) area.bottom = LONG(rect.top + share);
  else area.top = LONG(rect.bottom - share);
  return area;
}

}  // namespace

BOOL DrawBitmapFile(HDC hdc, const RECT* rect, CString path, DWORD rop) {
  std::string bytes;
  if (!cmd::os::ReadAll(cmd::path::ToHostOrEmpty(path.str()), bytes)) return FALSE;
  if (!rect) return TRUE;
  try {
    cmd::gdi::BmpFile bmp;
    if (!cmd::gdi::ParseBmpFile(bytes, bmp)) return TRUE;  // headers that lie: draw nothing
    std::vector<std::uint32_t> block;
    const BITMAPINFO* info = bmp.Info(block);
    HWND window = ::WindowFromDC(hdc);
    PAINTSTRUCT paint;
    ::BeginPaint(window, &paint);
    ::SetStretchBltMode(hdc, COLORONCOLOR);
    const RECT area = RowsArea(*rect, bmp);
    ::StretchDIBits(hdc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0,
                    0, bmp.layout.width, bmp.layout.height, bmp.bits.data(), info,
                    DIB_RGB_COLORS, rop);
    ::EndPaint(window, &paint);
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
  }
  return TRUE;
}

BOOL DrawBitmapFile3(HDC hdc, const RECT* size, HGLOBAL dib, WORD bitsOffset, DWORD rop) {
  auto* block = static_cast<const unsigned char*>(::GlobalLock(dib));
  if (!block || !size) return TRUE;
  std::size_t blockSize = ::GlobalSize(dib);
  if (!DibFitsBlock(block, blockSize, bitsOffset)) return TRUE;
  BITMAPINFOHEADER h;
  std::memcpy(&h, block, sizeof h);

  HPALETTE palette = PaletteOf(block, blockSize);
  HPALETTE selected = palette ? palette : static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
  HPALETTE previous = ::SelectPalette(hdc, selected, TRUE);
  ::RealizePalette(hdc);
  ::StretchDIBits(hdc, 0, 0, size->right, size->bottom, 0, 0, h.biWidth & 0xFFFF,
                  h.biHeight & 0xFFFF, block + bitsOffset,
                  reinterpret_cast<const BITMAPINFO*>(block), DIB_RGB_COLORS, rop);
  if (previous) ::SelectPalette(hdc, previous, TRUE);
  if (palette) ::DeleteObject(palette);
  return TRUE;
}

void MaskDrawBitmap(HINSTANCE module, HDC hdc, const RECT* rect, LPCWSTR image, LPCWSTR mask) {
  HBITMAP picture = ::LoadBitmapW(module, image);
  HBITMAP stencil = ::LoadBitmapW(module, mask);
  if (!picture || !stencil || !rect) {
    if (picture) ::DeleteObject(picture);
    if (stencil) ::DeleteObject(stencil);
    return;
  }
  HDC maskDC = ::CreateCompatibleDC(hdc);
  HDC imageDC = ::CreateCompatibleDC(hdc);
  HGDIOBJ oldMask = ::SelectObject(maskDC, stencil);
  HGDIOBJ oldImage = ::SelectObject(imageDC, picture);
  BITMAP maskInfo{}, imageInfo{};
  ::GetObjectW(stencil, sizeof maskInfo, &maskInfo);
  ::GetObjectW(picture, sizeof imageInfo, &imageInfo);

  ::SetStretchBltMode(hdc, BLACKONWHITE);
  int width = rect->right - rect->left, height = rect->bottom - rect->top;
  ::StretchBlt(hdc, rect->left, rect->top, width, height, maskDC, 0, 0, maskInfo.bmWidth,
               maskInfo.bmHeight, SRCAND);
  ::StretchBlt(hdc, rect->left, rect->top, width, height, imageDC, 0, 0, imageInfo.bmWidth,
               imageInfo.bmHeight, SRCPAINT);

  ::SelectObject(maskDC, oldMask);
  ::SelectObject(imageDC, oldImage);
  ::DeleteDC(maskDC);
  ::DeleteDC(imageDC);
  ::DeleteObject(stencil);
  ::DeleteObject(picture);
}

BOOL DrawSikiri(CDC* dc, const RECT* rect) {
  if (!dc || !rect) return FALSE;
  dc->MoveTo(rect->left, rect->top);
  return dc->LineTo(rect->left, rect->bottom);
}

void DrawBitmap(CRenderTarget* target, CD2DBitmap* bitmap, const CD2DRectF& dest, float opacity,
                D2D1_BITMAP_INTERPOLATION_MODE mode, const CD2DRectF* src) {
  if (target) target->DrawBitmap(bitmap, dest, opacity, mode, src);
}
