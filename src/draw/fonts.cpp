// Fonts and text measurement: the builders of the library's font records,
// font selection, the printer test and text width.
#include "cmddll3/fonts.h"

#include "draw/font_helpers.h"

namespace {

using cmd::draw::kDefaultFace;

constexpr BYTE kPitchAndFamily = FF_DECORATIVE | VARIABLE_PITCH;  // 0x52

void CopyFace(LOGFONTW* lf, const char16_t* face) {
  for (int i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i) lf->lfFaceName[i] = face[i];
}

// Every record starts empty, so no field of an earlier font survives.
void FillRecord(LOGFONTW* lf, const char16_t* face, int h, int w, int weight, BYTE italic,
                BYTE underline, BYTE strikeOut, BYTE charSet) {
  *lf = LOGFONTW{};
  // A height of 0 takes the width as the height and leaves the width to
  // the font mapper.
  lf->lfHeight = h != 0 ? h : w;
  lf->lfWidth = h != 0 ? w : 0;
  lf->lfWeight = weight;
  lf->lfItalic = italic;
  lf->lfUnderline = underline;
  lf->lfStrikeOut = strikeOut;
  lf->lfCharSet = charSet;
  lf->lfPitchAndFamily = kPitchAndFamily;
  CopyFace(lf, face);
}

}  // namespace

void MakeLogFont(LOGFONTW* lf, const char16_t* face, int h, int w, int weight, BYTE italic,
                 BYTE underline, BYTE strikeOut) {
  if (!lf) return;
  FillRecord(lf, face ? face : kDefaultFace, h, w, weight, italic, underline, strikeOut,
             DEFAULT_CHARSET);
}

void MakeLogPrnFontParam(LOGFONTW* lf, int height, int width, BYTE underline) {
  if (!lf) return;
  *lf = LOGFONTW{};
  lf->lfHeight = height;
  lf->lfWidth = width;
  lf->lfWeight = FW_LIGHT;
  lf->lfUnderline = underline;
  lf->lfCharSet = SHIFTJIS_CHARSET;
  lf->lfPitchAndFamily = kPitchAndFamily;
  CopyFace(lf, kDefaultFace);
}

CFont* SelectMyFont(CDC* dc, CFont* font, const char16_t* face, int h, int w, int weight,
                    BYTE italic, BYTE underline, BYTE strikeOut) {
  LOGFONTW lf;
  MakeLogFont(&lf, face, h, w, weight, italic, underline, strikeOut);
  return cmd::draw::CreateAndSelect(dc, font, lf);
}

CFont* SelectMyPrnFont(CDC* dc, CFont* font, int height, int width, BYTE underline) {
  LOGFONTW lf;
  MakeLogPrnFontParam(&lf, height, width, underline);
  return cmd::draw::CreateAndSelect(dc, font, lf);
}

void SelectMyEditFont(void*, CFont* font, int h, int w, CString face) {
  if (!font) return;
  LOGFONTW lf;
  FillRecord(&lf, face.GetString(), h, w, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET);
  if (font->m_hObject) font->DeleteObject();
  font->CreateFontIndirect(&lf);
}

int WhatIsFontPoint(int size, int) { return size; }

int WhatIsFontPointX(int size, int) { return size; }

BOOL IsMyPrinterDC(CDC* dc) {
  if (!dc) return FALSE;
  return ::GetDeviceCaps(dc->m_hAttribDC, LOGPIXELSX) > 200 ? TRUE : FALSE;
}

int MyGetTextLength(CDC* dc, const char16_t* text, const LOGFONTW* lf) {
  if (!dc || !lf) return 0;
  std::u16string_view t = text ? std::u16string_view(text) : std::u16string_view();
  return cmd::draw::MeasureText(dc, t, lf, lf->lfHeight).cx;
}
