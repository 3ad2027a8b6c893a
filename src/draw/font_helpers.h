// The font and measurement helpers that every drawing function shares:
// turned fonts, measuring a text at a height, fitting a height to a
// rectangle, and cutting leading spaces. They are inline so that the
// drawing families and their tests use the very same code.
#pragma once

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

#include "cmddll3/fonts.h"
#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/gdi.h"

namespace cmd::draw {

// The face of the fonts the library builds when the caller names none.
inline constexpr char16_t kDefaultFace[] = u"ＭＳ ゴシック";

// Creates lf into font (releasing a handle it still holds) and selects it
// into dc; returns the font selected before (null when nothing could be
// selected).
inline CFont* CreateAndSelect(CDC* dc, CFont* font, const LOGFONTW& lf) {
  if (!dc || !font) return nullptr;
  if (font->m_hObject) font->DeleteObject();
  font->CreateFontIndirect(&lf);
  return dc->SelectObject(font);
}

// Selects the previous font back and releases the one created.
inline void RestoreFont(CDC* dc, CFont* font, CFont* previous) {
  if (dc && previous) dc->SelectObject(previous);
  if (font) font->DeleteObject();
}

// A font selected for the length of a scope.
class ScopedFont {
 public:
  ScopedFont(CDC* dc, const LOGFONTW& lf) : dc_(dc), previous_(CreateAndSelect(dc, &font_, lf)) {}
  ~ScopedFont() { RestoreFont(dc_, &font_, previous_); }
  ScopedFont(const ScopedFont&) = delete;
  ScopedFont& operator=(const ScopedFont&) = delete;

 private:
  CDC* dc_;
  CFont font_;
  CFont* previous_;
};

// As SelectMyFont, with escapement 2700: the glyphs turned a quarter turn
// clockwise, for the characters that vertical writing turns.
inline CFont* SelectMyTateFont(CDC* dc, CFont* font, const char16_t* face, int h, int w,
                               int weight, BYTE italic, BYTE underline, BYTE strikeOut) {
  LOGFONTW lf;
  MakeLogFont(&lf, face, h, w, weight, italic, underline, strikeOut);
  lf.lfEscapement = 2700;
  return CreateAndSelect(dc, font, lf);
}

// The extent of text in the font selected in dc: justification reset first,
// measured on the attribute handle.
inline SIZE MeasureSelected(CDC* dc, std::u16string_view text) {
  SIZE size{0, 0};
  if (!dc) return size;
  dc->SetTextJustification(0, 0);
  ::GetTextExtentPoint32W(dc->m_hAttribDC, text.data(), int(text.size()), &size);
  return size;
}

// The extent of text in the font of lf at the given height (width
// lf->lfWidth); the font is selected, measured, restored and released.
inline SIZE MeasureText(CDC* dc, std::u16string_view text, const LOGFONTW* lf, int height) {
  if (!dc || !lf) return SIZE{0, 0};
  CFont font;
  CFont* previous = SelectMyFont(dc, &font, lf->lfFaceName, height, lf->lfWidth, lf->lfWeight,
                                 lf->lfItalic, lf->lfUnderline, lf->lfStrikeOut);
  SIZE size = MeasureSelected(dc, text);
  RestoreFont(dc, &font, previous);
  return size;
}

// Rectangle sides and their fractions, worked out in 64 bits so that no
// rectangle, however absurd, overflows; results are clamped to an int.
inline long long RectWidth(const RECT* r) { return static_cast<long long>(r->right) - r->left; }
inline long long RectHeight(const RECT* r) { return static_cast<long long>(r->bottom) - r->top; }
inline int ClampToInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// Does text fit the rectangle's width at k twentieths of its height?
inline BOOL IsTextFitAtRatio(CDC* dc, const LOGFONTW* lf, std::u16string_view text, const RECT* r,
                             int k) {
  if (!r) return FALSE;
  int height = ClampToInt(RectHeight(r) * k / 20);
  if (height == 0) height = 1;
  return MeasureText(dc, text, lf, height).cx <= RectWidth(r) ? TRUE : FALSE;
}

// Shrinks *height until text fits the rectangle's width on one line: left
// alone when it fits; otherwise the largest k twentieths of the rectangle's
// height (k = 20 down to 1) that fits, or the full height when none does.
inline int FitFontHeight(CDC* dc, const LOGFONTW* lf, std::u16string_view text, const RECT* r,
                         int* height) {
  if (!r || !height) return 1;
  if (MeasureText(dc, text, lf, *height).cx <= RectWidth(r)) return 1;
  const long long full = RectHeight(r);
  *height = ClampToInt(full);
  for (int k = 20; k >= 1; --k) {
    if (IsTextFitAtRatio(dc, lf, text, r, k)) {
      *height = ClampToInt(k * full / 20);
      break;
    }
  }
  return 1;
}

// Removes the leading U+0020 characters of line in place (the terminator
// moves with the rest); returns how many there were. An ideographic space
// stays.
inline int CutLeadingSpaces(char16_t* line) {
  if (!line) return 0;
  int n = 0;
  while (line[n] == u' ') ++n;
  if (n > 0) {
    std::size_t rest = 0;
    while (line[n + rest]) ++rest;
    std::memmove(line, line + n, (rest + 1) * sizeof(char16_t));
  }
  return n;
}

}  // namespace cmd::draw
