// Horizontal text drawing: fitting a cell text on one line (shrunk by
// twentieths of the cell height) or on two lines at half the cell height,
// direct drawing with the printer's separate underline, and explicit CR LF
// lines.
#include "cmddll3/draw_yoko.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "cmddll3/draw_tate.h"
#include "cmddll3/fonts.h"
#include "cmddll3/util_split.h"
#include "draw/cell_geometry.h"
#include "draw/font_helpers.h"
#include "draw/tate_helpers.h"
#include "draw/yoko_helpers.h"

namespace cmd::draw {

namespace {

int gLastTextWidth = 0;

// DrawText formats added to the caller's.
constexpr UINT kOneLine = DT_SINGLELINE | DT_NOPREFIX;                     // 0x820
constexpr UINT kOneLineCentred = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;  // 0x824
constexpr UINT kOneLineAtBottom = DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX;  // 0x828

constexpr int kModeFit = 0;
constexpr int kModeLines = 2;
constexpr int kMaxLines = 6;

// The fitting works on copies of at most 999 characters.
constexpr std::size_t kMaxFitText = 999;

enum class Layout {
  OneLine,   // at the record's height or shrunk
  TwoLines,  // in the half-height font: two lines, or one centred
};

struct Fit {
  Layout layout = Layout::OneLine;
  std::u16string first, second;
  int height = 0;  // of the one-line layout
};

void DrawLine(CDC* dc, std::u16string_view text, RECT rect, UINT format) {
  dc->DrawText(text.data(), int(text.size()), &rect, format);
}

// Where a text too wide for the cell at half its height breaks: after the
// last character with which it still fits the cell's width, measured in the
// font of the broken lines. A first character that is already too wide
// keeps the whole text on the first line.
void BreakIntoTwo(CDC* dc, const LOGFONTW& lf, std::u16string_view text, const RECT& rect,
                  int lineHeight, Fit& fit) {
  ScopedFont font(dc, FontRecordOf(lf, lineHeight, 0));
  int w = WidthOf(rect);
  int at = -1;
  for (std::size_t i = 1; i <= text.size(); ++i) {
    if (MeasureSelected(dc, text.substr(0, i)).cx > w) {
      at = int(i) - 1;
      break;
    }
  }
  fit.first = text;
  if (at < 0) return;
  CString first, second;
  UniSSplit(CString(text), &first, &second, at);
  fit.first = first.str();
  fit.second = second.str();
}

// Chooses one line or two and the height. height is the record's height on
// entry; it is shrunk only when oneLine is 1 and the text fits at half the
// cell's height.
Fit FitTextToRect(CDC* dc, const LOGFONTW& lf, std::u16string_view text, const RECT& rect,
                  int height, int percent, int oneLine) {
  text = text.substr(0, std::min(text.size(), kMaxFitText));
  Fit fit;
  fit.height = height;
  int w = WidthOf(rect), h = HeightOf(rect);
  if (MeasureText(dc, text, &lf, height).cx <= w) {
    fit.first = text;
    return fit;
  }
  if (!IsTextFitAtRatio(dc, &lf, text, &rect, 10)) {
    // Too wide even at half the height: two lines of the half height, or
    // percent of the cell when that is less.
    int lineHeight = percent < 50 ? MulDivTrunc(h / 2, percent, 50) : h / 2;
    fit.layout = Layout::TwoLines;
    BreakIntoTwo(dc, lf, text, rect, lineHeight, fit);
    return fit;
  }
  fit.first = text;
  if (oneLine != 1) {
    fit.layout = Layout::TwoLines;  // one line in the half-height font
    return fit;
  }
  fit.height = h;
  for (int k = 11; k <= 20; ++k) {
    if (!IsTextFitAtRatio(dc, &lf, text, &rect, k)) {
      fit.height = MulDivTrunc(k - 1, h, 20);
      break;
    }
  }
  return fit;
}

// The common body of DrawText2, DrawTextRectSizeRet2 and DrawText2Ext. With
// a pair, text is drawn at the height at which both text fits rect and text2
// fits rect2.
int DrawTextFit(CDC* dc, const CString& text, RECT* rect, const CString* text2,
                const RECT* rect2, UINT format, int percent, int mode, COLORREF color,
                const LOGFONTW& lf, int oneLine) {
  int cellHeight = HeightOf(*rect);
  if (WidthOf(*rect) <= 0) return cellHeight;

  if (mode != kModeFit) {
    ScopedFont font(dc, FontRecordOf(lf, lf.lfHeight, lf.lfWidth));
    dc->SetTextColor(color);
    DrawLine(dc, text.str(), *rect, format | kOneLine);
    gLastTextWidth = MeasureSelected(dc, text.str()).cx;
    return 0;
  }

  Fit fit;
  if (!text2) {
    fit = FitTextToRect(dc, lf, text.str(), *rect, lf.lfHeight, percent, oneLine);
  } else {
    int h1 = lf.lfHeight, h2 = lf.lfHeight;
    FitFontHeight(dc, &lf, text.str(), rect, &h1);
    FitFontHeight(dc, &lf, text2->str(), rect2, &h2);
    fit.height = std::min(h1, h2);
    fit.first = text.str();
  }

  if (fit.layout == Layout::OneLine) {
    ScopedFont font(dc, FontRecordOf(lf, fit.height, lf.lfWidth));
    dc->SetTextColor(color);
    DrawLine(dc, fit.first, *rect, format | kOneLine);
    return 0;
  }

  // Two lines: the leading spaces become an indent measured in the
  // full-size font, which the caller's rectangle keeps.
  LOGFONTW fullSize = lf;
  fullSize.lfWidth = 0;
  long long space = MeasureText(dc, u" ", &fullSize, lf.lfHeight).cx;
  std::u16string& indented = fit.first.empty() ? fit.second : fit.first;
  indented.push_back(0);
  int spaces = CutLeadingSpaces(indented.data());
  indented.resize(indented.size() - 1 - std::size_t(spaces));
  rect->left = ClampInt(rect->left + spaces * space);

  int half = cellHeight / 2;
  int lineHeight = MulDivTrunc(std::min(percent, 50), half * 2LL, 100);
  ScopedFont font(dc, FontRecordOf(lf, lineHeight, 0));
  dc->SetTextColor(color);
  const RECT& r = *rect;
  if (fit.second.empty()) {
    DrawLine(dc, fit.first, r, format | kOneLineCentred);
  } else {
    DrawLine(dc, fit.first, MakeRect(r.left, r.top, r.right, (long long)r.bottom - half),
             format | kOneLineAtBottom);
    DrawLine(dc, fit.second, MakeRect(r.left, (long long)r.top + half, r.right, r.bottom),
             format | kOneLine);
  }
  return 1;
}

// Lines mode: at most six CR LF lines from the rectangle's top-left, each
// cut after its last whole character that fits; the drawing stops at the
// first line that would pass the bottom.
int DrawTextLines(CDC* dc, const CString& text, const RECT& rect, COLORREF color,
                  const LOGFONTW& lf) {
  CString lines[kMaxLines];
  int count = SplitCStrByWrap(text, lines, kMaxLines);
  ScopedFont font(dc, FontRecordOf(lf, lf.lfHeight, lf.lfWidth));
  dc->SetTextColor(color);
  int x = rect.left;
  long long y = rect.top;
  for (int i = 0; i < count; ++i) {
    const std::u16string& line = lines[i].str();
    if (line.empty()) {
      long long height = MeasureSelected(dc, u" ").cy;
      dc->TextOut(x, ClampInt(y), u"\r\n", 2);
      y += height;
      continue;
    }
    long long width = 0;
    int fits = 0, height = 0;
    for (char16_t ch : line) {
      SIZE size = MeasureSelected(dc, std::u16string_view(&ch, 1));
      height = size.cy;
      if (x + width + size.cx > rect.right) break;
      width += size.cx;
      ++fits;
    }
    if (y + height > rect.bottom) break;
    dc->TextOut(x, ClampInt(y), line.data(), fits);
    y += height;
  }
  return 1;
}

// The body of DrawText2 and DrawTextRectSizeRet2.
int DrawTextEntry(CDC* dc, const CString& text, RECT* rect, UINT format, int percent, int mode,
                  COLORREF color, LOGFONTW* lf, int vertical, int oneLine, bool giveSpan) {
  if (!dc || !rect || !lf) return 0;
  // On a printer in direct mode the record's underline byte is the width
  // of a line drawn under the text rather than the font's own underline.
  int underlineWidth = 0;
  if (IsMyPrinterDC(dc) && mode == 1 && vertical == 0) {
    underlineWidth = lf->lfUnderline;
    lf->lfUnderline = 0;
  } else {
    lf->lfUnderline = lf->lfUnderline ? 1 : 0;
    if (vertical == 1) {
      lf->lfUnderline = 0;
      DrawTateText2(dc, text, rect, 1, color, lf);
      return 1;
    }
  }
  int result = mode == kModeLines
                   ? DrawTextLines(dc, text, *rect, color, *lf)
                   : DrawTextFit(dc, text, rect, nullptr, nullptr, format, percent, mode, color,
                                 *lf, oneLine);

  // The span of the text: the last direct-mode width, at most the cell's,
  // placed by the alignment.
  RECT span = *rect;
  long long w = WidthOf(span);
  int& last = gLastTextWidth;
  if (last >= w) {
    last = int(std::max(w, 0LL));
  } else {
    long long g = last;
    if (format & DT_CENTER) {
      span.left = ClampInt(span.left + (w - g) / 2);
      span.right = ClampInt(span.left + g);
    } else if (format & DT_RIGHT) {
      span.left = ClampInt(span.right - g);
    } else {
      span.right = ClampInt(span.left + g);
    }
  }
  // A line of no length would leave a dot of a wide pen.
  if (underlineWidth != 0 && last > 0) DrawUnderLine(dc, &span, last, underlineWidth, color);
  if (giveSpan) *rect = span;
  return result;
}

}  // namespace

int& LastTextWidth() { return gLastTextWidth; }

void DrawSolidLine(CDC* dc, POINT from, POINT to, int width, COLORREF color) {
  CPen pen(PS_SOLID, width, color);
  CPen* previous = dc->SelectObject(&pen);
  dc->MoveTo(from.x, from.y);
  dc->LineTo(to.x, to.y);
  if (previous) dc->SelectObject(previous);
  pen.DeleteObject();
}

}  // namespace cmd::draw

using namespace cmd::draw;

int DrawText2(CDC* dc, CString text, RECT* rect, UINT format, int percent, int mode,
              COLORREF color, LOGFONTW* lf, int vertical, int oneLine) {
  return DrawTextEntry(dc, text, rect, format, percent, mode, color, lf, vertical, oneLine, false);
}

int DrawTextRectSizeRet2(CDC* dc, CString text, RECT* rect, UINT format, int mode,
                         COLORREF color, LOGFONTW* lf, int vertical, int oneLine) {
  return DrawTextEntry(dc, text, rect, format, 100, mode, color, lf, vertical, oneLine, true);
}

int DrawText2Ext(CDC* dc, CString text, RECT* rect, CString text2, RECT* rect2, UINT format,
                 COLORREF color, LOGFONTW* lf) {
  if (!dc || !rect || !rect2 || !lf) return 0;
  lf->lfUnderline = lf->lfUnderline ? 1 : 0;
  return DrawTextFit(dc, text, rect, &text2, rect2, format, 100, kModeFit, color, *lf, 1);
}

int DrawDblTextUnderLineExt(CDC* dc, RECT* rectA, RECT* rectB, RECT*, const char16_t* text,
                            LOGFONTW* lf, UINT format, int penWidth, COLORREF color) {
  if (!dc || !rectA || !rectB || !lf) return 0;
  std::u16string_view t = text ? std::u16string_view(text) : std::u16string_view();
  Fit fit = FitTextToRect(dc, *lf, t, *rectB, lf->lfHeight, 100, 1);
  if (fit.layout == Layout::TwoLines) return 0;
  long long textWidth = MeasureText(dc, fit.first, lf, fit.height).cx;
  long long w = WidthOf(*rectB);
  long long length = (format & DT_CENTER) ? (w - textWidth) / 2 + textWidth
                     : (format & DT_RIGHT) ? w
                                           : textWidth;
  int end = ClampInt(rectA->right + length);
  DrawSolidLine(dc, POINT{rectA->left, rectA->bottom}, POINT{end, rectA->bottom}, penWidth, color);
  return ClampInt((long long)end - rectA->left);
}

void DrawUnderLine(CDC* dc, const RECT* rect, int length, int penWidth, COLORREF color) {
  if (!dc || !rect) return;
  DrawSolidLine(dc, POINT{rect->left, rect->bottom},
                POINT{ClampInt((long long)rect->left + length), rect->bottom}, penWidth, color);
}
