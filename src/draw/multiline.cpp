// Multi-line text layout: texts set into a cell as several lines or vertical
// columns, fitted (as many as the text needs, up to five) or fixed in number
// with numbering or bullets.
#include "cmddll3/draw_multiline.h"

#include <array>
#include <string>
#include <string_view>

#include "cmddll3/draw_tate.h"
#include "cmddll3/draw_yoko.h"
#include "draw/cell_geometry.h"
#include "draw/font_helpers.h"
#include "draw/tate_helpers.h"
#include "draw/yoko_helpers.h"

namespace cmd::draw {

namespace {

constexpr int kMaxParts = 5;
using Parts = std::array<std::u16string, kMaxParts>;

enum class Direction { Vertical, Horizontal };

// The record of a line or column: lf's face and weight at the given height,
// without italic, underline or strike-out.
LOGFONTW PartFont(const LOGFONTW& lf, int height) {
  LOGFONTW record = FontRecordOf(lf, 0, height);
  record.lfItalic = 0;
  record.lfUnderline = 0;
  record.lfStrikeOut = 0;
  return record;
}

// The line break at p: CR LF, a lone CR or a lone LF. Its length, 0 when
// the character at p does not break the line.
std::size_t BreakLength(std::u16string_view text, std::size_t p) {
  if (p >= text.size()) return 0;
  if (text[p] == u'\r') return p + 1 < text.size() && text[p + 1] == u'\n' ? 2 : 1;
  return text[p] == u'\n' ? 1 : 0;
}

bool IsBreakChar(char16_t c) { return c == u'\r' || c == u'\n'; }

// Can the text be set in count columns (or lines)? lf becomes the font of a
// part as wide as a column (as high as a line). A character overflows a part
// when its end, less a fifth of its size, reaches the part's length; it then
// starts the next part. A line break ends a part and is not part of it.
// Yields the index of the last part used, or -1 when the parts run out first.
int SplitParts(CDC* dc, int count, std::u16string_view text, const RECT& rect, LOGFONTW* lf,
               Parts& parts, Direction direction) {
  bool vertical = direction == Direction::Vertical;
  lf->lfUnderline = 0;
  *lf = PartFont(*lf, (vertical ? WidthOf(rect) : HeightOf(rect)) / count);
  ScopedFont font(dc, *lf);
  long long length = vertical ? HeightOf(rect) : WidthOf(rect);
  for (auto& part : parts) part.clear();
  std::size_t i = 0;
  for (int part = 0; part < count; ++part) {
    long long pos = 0;
    for (; i < text.size(); ++i) {
      if (std::size_t brk = BreakLength(text, i)) {
        i += brk;
        break;
      }
      SIZE size{};
      long long end = 0, fifth = 0;
      if (vertical) {
        end = MeasureTateChar(dc, text[i], pos, lf, &size);
        fifth = size.cy / 5;
      } else {
        size = MeasureSelected(dc, text.substr(i, 1));
        end = pos + size.cx;
        fifth = size.cx / 5;
      }
      if (end - fifth >= length) break;
      parts[std::size_t(part)].push_back(text[i]);
      pos = end;
    }
    if (i == text.size()) return part;
  }
  return -1;
}

// How many parts the cell is divided into, and how many of them the text
// takes (an empty line between two breaks counts; a trailing break does not
// open a part).
struct Fit {
  int count = 0;
  int used = 0;
};

// The first count from first up to five at which the text fits; five, with
// the text cut, when none does. A count of 0 when first is out of range.
Fit FitParts(CDC* dc, int first, std::u16string_view text, const RECT& rect, LOGFONTW* lf,
             Parts& parts, Direction direction) {
  if (first < 1 || first > kMaxParts) return {};
  for (int count = first; count <= kMaxParts; ++count) {
    int last = SplitParts(dc, count, text, rect, lf, parts, direction);
    if (last >= 0) return {count, last + 1};
  }
  int used = kMaxParts;
  while (used > 1 && parts[std::size_t(used - 1)].empty()) --used;
  return {kMaxParts, used};
}

// Where the parts go in the cell: one part centred, two in the halves, more
// each in the k-th of count places.
struct PartPlaces {
  RECT centred, firstHalf, secondHalf;
};

template <class Nth, class Draw>
void DrawParts(const Parts& parts, Fit fit, const PartPlaces& places, Nth nth, Draw draw) {
  if (fit.used == 1) {
    draw(parts[0], places.centred);
  } else if (fit.used == 2) {
    draw(parts[0], places.firstHalf);
    draw(parts[1], places.secondHalf);
  } else {
    for (int k = 0; k < fit.count; ++k) draw(parts[std::size_t(k)], nth(k));
  }
}

// Where the numbering or bullet of a paragraph goes.
void DrawBullet(CDC* dc, const LOGFONTW& lf, std::u16string_view mark, RECT area) {
  LOGFONTW plain = lf;
  plain.lfUnderline = 0;
  ScopedFont font(dc, FontRecordOf(plain, plain.lfHeight, plain.lfWidth));
  dc->DrawText(mark.data(), int(mark.size()), &area, DT_VCENTER);
}

// After a line or column ended at p: past a line break, which starts a new
// paragraph.
bool SkipBreak(std::u16string_view text, std::size_t& p) {
  const std::size_t n = BreakLength(text, p);
  p += n;
  return n > 0;
}

// A line or column that took no character and did not end at a break: its
// first character is wider than any line (taller than any column), so all
// that follow would stay empty too.
bool Stuck(std::u16string_view text, std::size_t p, std::size_t q) {
  return q == p && p < text.size() && !IsBreakChar(text[p]);
}

}  // namespace

}  // namespace cmd::draw

using namespace cmd::draw;

int DrawMaltiTateText(CDC* dc, CString text, RECT* rect, int columns, COLORREF color,
                      LOGFONTW* lf) {
  if (!dc || !rect || !lf) return 1;
  Parts parts;
  const Fit fit = FitParts(dc, columns, text.str(), *rect, lf, parts, Direction::Vertical);
  if (fit.count == 0) return 1;
  const long long left = rect->left, right = rect->right, cellWidth = WidthOf(*rect);
  const long long w = cellWidth / fit.count;
  *lf = PartFont(*lf, int(w));
  auto column = [&](long long l, long long r) { return MakeRect(l, rect->top, r, rect->bottom); };
  const long long centre = left + cellWidth / 2 - w / 2;
  // Columns run from the right: the first half is the right one.
  const PartPlaces places{column(centre, centre + w), column(left + cellWidth / 2, right),
                          column(left, right - cellWidth / 2)};
  DrawParts(
      parts, fit, places, [&](int k) { return column(right - (k + 1) * w, right - k * w); },
      [&](const std::u16string& part, RECT area) {
        DrawTateText2(dc, CString(part), &area, 1, color, lf);
      });
  return 1;
}

int DrawMaltiYokoText(CDC* dc, CString text, RECT* rect, int lines, COLORREF color,
                      LOGFONTW* lf) {
  if (!dc || !rect || !lf) return 1;
  Parts parts;
  const Fit fit = FitParts(dc, lines, text.str(), *rect, lf, parts, Direction::Horizontal);
  if (fit.count == 0) return 1;
  const long long top = rect->top, bottom = rect->bottom, cellHeight = HeightOf(*rect);
  const long long h = cellHeight / fit.count;
  *lf = PartFont(*lf, int(h));
  auto line = [&](long long t, long long b) { return MakeRect(rect->left, t, rect->right, b); };
  const long long middle = top + cellHeight / 2 - h / 2;
  const PartPlaces places{line(middle, middle + h), line(top, bottom - cellHeight / 2),
                          line(top + cellHeight / 2, bottom)};
  DrawParts(
      parts, fit, places, [&](int k) { return line(top + k * h, top + (k + 1) * h); },
      [&](const std::u16string& part, RECT area) {
        DrawText2(dc, CString(part), &area, DT_CENTER, 100, 1, color, lf, 0, 1);
      });
  return 1;
}

int DrawFixMultiYokoText(CDC* dc, CString text, RECT* rect, UINT lines, UINT format, int bullet,
                         int percent, COLORREF color, LOGFONTW* lf) {
  if (!dc || !rect || !lf || lines == 0) return 1;
  const long long h = HeightOf(*rect) / (long long)lines;
  LOGFONTW record = FontRecordOf(*lf, MulDivTrunc(h, percent, 100), 0);
  record.lfStrikeOut = 0;
  *lf = record;
  ScopedFont font(dc, *lf);
  dc->SetTextColor(color);

  long long textLeft = rect->left;
  if (bullet != 0) textLeft += MeasureSelected(dc, bullet == 1 ? u"  ." : u"・").cx;
  const long long avail = rect->right - textLeft;

  std::u16string_view t = text.str();
  std::size_t p = 0;
  int number = 1;
  bool paragraph = true;
  for (UINT k = 0; k < lines && p < t.size(); ++k) {
    const long long top = rect->top + k * h;
    if (bullet != 0 && paragraph) {
      CString mark(u"・");
      if (bullet == 1) mark.Format(u"%2d.", number++);
      DrawBullet(dc, *lf, mark.str(), MakeRect(rect->left, top, rect->right, top + h));
    }
    // The line ends at a break or before the first character that would make
    // it wider than the room.
    std::size_t q = p;
    while (q < t.size() && !IsBreakChar(t[q]) && MeasureSelected(dc, t.substr(p, q + 1 - p)).cx <= avail)
      ++q;
    RECT area = MakeRect(textLeft, top, rect->right, top + h);
    dc->DrawText(t.data() + p, int(q - p), &area, format | DT_VCENTER);
    if (Stuck(t, p, q)) break;
    p = q;
    paragraph = SkipBreak(t, p);
  }
  return 1;
}

int DrawFixMultiTateText(CDC* dc, CString text, RECT* rect, UINT columns, UINT, int bullet,
                         int percent, COLORREF color, LOGFONTW* lf) {
  if (!dc || !rect || !lf || columns == 0) return 1;
  const bool sideLines = lf->lfUnderline == 1;
  const long long w = WidthOf(*rect) / (long long)columns;
  LOGFONTW record = FontRecordOf(*lf, 0, MulDivTrunc(w, percent, 100));
  record.lfUnderline = 0;
  record.lfStrikeOut = 0;
  *lf = record;
  ScopedFont font(dc, *lf);
  dc->SetTextColor(color);

  long long textTop = rect->top;
  if (bullet != 0) textTop += MeasureSelected(dc, bullet == 1 ? u"①" : u"・").cy;
  const long long availH = rect->bottom - textTop;

  std::u16string_view t = text.str();
  std::size_t p = 0;
  bool paragraph = true;
  for (UINT k = 0; k < columns && p < t.size(); ++k) {
    const long long right = rect->right - k * w, left = right - w;
    if (bullet != 0 && paragraph) {
      char16_t mark = bullet == 1 ? char16_t(0x2460 + k) : u'・';
      DrawBullet(dc, *lf, std::u16string_view(&mark, 1),
                 MakeRect(left, rect->top, right, rect->bottom));
    }
    // Characters down the column until a break or until one would pass the
    // bottom; turned characters advance by their width in the turned font.
    long long pos = 0;
    std::size_t q = p;
    for (; q < t.size() && !IsBreakChar(t[q]); ++q) {
      const char16_t ch = t[q];
      const long long cellTop = textTop + pos;
      if (IsTateRotateChar(ch)) {
        ScopedFont turned(dc, TateFontRecordOf(*lf, lf->lfHeight, lf->lfWidth));
        long long advance = MeasureSelected(dc, t.substr(q, 1)).cx;
        if (pos + advance > availH) break;
        dc->TextOut(ClampInt(right), ClampInt(cellTop), &ch, 1);
        pos += advance;
      } else {
        long long advance = MeasureSelected(dc, t.substr(q, 1)).cy;
        if (pos + advance > availH) break;
        RECT cell = MakeRect(left, cellTop, right, cellTop + advance);
        dc->DrawText(&ch, 1, &cell, DT_CENTER);
        pos += advance;
      }
    }
    if (sideLines && pos > 0) {
      int penWidth = MulDivTrunc(w, 4, 100);
      int x = ClampInt(right - penWidth);
      DrawSolidLine(dc, POINT{x, ClampInt(textTop)}, POINT{x, ClampInt(textTop + pos)}, penWidth,
                    color);
    }
    if (Stuck(t, p, q)) break;
    p = q;
    paragraph = SkipBreak(t, p);
  }
  return 1;
}

int DrawFixMultiYokoText2(CStdioFile* file, CString text, UINT lines, int) {
  if (!file) return 1;
  std::u16string_view t = text.str();
  std::size_t p = 0;
  for (UINT i = 0; i < lines && p < t.size(); ++i) {
    std::size_t q = t.find_first_of(u"\r\n", p);
    if (q == std::u16string_view::npos) q = t.size();
    std::u16string line(t.substr(p, q - p));
    file->WriteString(u"\"");
    file->WriteString(line.c_str());
    file->WriteString(u"\"");
    file->WriteString(u"\n");
    p = q;
    SkipBreak(t, p);
  }
  return 1;
}
