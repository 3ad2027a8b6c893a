// Vertical text drawing: characters set one below the other in columns that
// run from right to left, the turned characters in the turned font, the
// half-width sound marks beside their character.
#include "cmddll3/draw_tate.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "draw/cell_geometry.h"
#include "draw/font_helpers.h"
#include "draw/tate_helpers.h"

namespace cmd::draw {

namespace {

// The characters that vertical writing turns, in code-point order.
constexpr std::array<char16_t, 25> kTurned = {
    0x0028, 0x0029, 0x002D, 0x003C, 0x003E, 0x005B, 0x005D, 0x007B, 0x007D,
    0x226A, 0x226B, 0x300C, 0x300D, 0x3010, 0x3011, 0x30FC, 0xFF08, 0xFF09,
    0xFF0D, 0xFF1C, 0xFF1E, 0xFF5B, 0xFF5D, 0xFF5E, 0xFF70,
};
static_assert(std::is_sorted(kTurned.begin(), kTurned.end()));

// DrawText formats of one upright character and of a sound mark beside it.
constexpr UINT kUprightFormat = DT_CENTER | DT_SINGLELINE | DT_NOPREFIX;  // 0x821
constexpr UINT kMarkFormat = DT_SINGLELINE | DT_NOPREFIX;                 // 0x820

constexpr int kMaxColumns = 3;

}  // namespace

bool IsTateRotateChar(char16_t c) {
  return std::binary_search(kTurned.begin(), kTurned.end(), c);
}

bool IsHalfWidthSoundMark(char16_t c) { return c == 0xFF9E || c == 0xFF9F; }

LOGFONTW FontRecordOf(const LOGFONTW& lf, int height, int width) {
  // The face is copied out first: the record may be rebuilt from itself.
  LOGFONTW face = lf;
  face.lfFaceName[LF_FACESIZE - 1] = 0;
  LOGFONTW record;
  MakeLogFont(&record, face.lfFaceName, height, width, lf.lfWeight, lf.lfItalic, lf.lfUnderline,
              lf.lfStrikeOut);
  return record;
}

LOGFONTW TateFontRecordOf(const LOGFONTW& lf, int height, int width) {
  LOGFONTW record = FontRecordOf(lf, height, width);
  record.lfEscapement = 2700;
  return record;
}

long long MeasureTateChar(CDC* dc, char16_t ch, long long pos, const LOGFONTW* lf, SIZE* size) {
  SIZE measured{0, 0};
  long long advance = 0;
  if (IsTateRotateChar(ch)) {
    ScopedFont turned(dc, TateFontRecordOf(*lf, lf->lfHeight, lf->lfWidth));
    measured = MeasureSelected(dc, std::u16string_view(&ch, 1));
    advance = measured.cx;
  } else {
    measured = MeasureSelected(dc, std::u16string_view(&ch, 1));
    advance = measured.cy;
  }
  if (size) *size = measured;
  return pos + advance;
}

long long DrawTateChar(CDC* dc, char16_t ch, char16_t next, long long pos, const LOGFONTW* lf,
                       RECT* cell, int* index, SIZE* size) {
  SIZE measured = MeasureSelected(dc, std::u16string_view(&ch, 1));
  if (size) *size = measured;
  long long w = WidthOf(*cell);
  long long advance = 0;
  if (IsTateRotateChar(ch)) {
    // Turned a quarter turn clockwise, the glyph's cell lies to the left of
    // the point written at: centre its height across the column.
    ScopedFont turned(dc, TateFontRecordOf(*lf, lf->lfHeight, lf->lfWidth));
    int x = ClampInt(cell->left + w - (w - measured.cy) / 2);
    dc->TextOut(x, cell->top, &ch, 1);
    advance = measured.cx;
  } else {
    RECT at = *cell;
    dc->DrawText(&ch, 1, &at, kUprightFormat);
    if (IsHalfWidthSoundMark(next)) {
      if (index) ++*index;  // the mark is drawn here, not as a character of its own
      RECT beside = *cell;
      beside.left = ClampInt(cell->left + w / 2 + 7LL * measured.cx / 20);
      dc->DrawText(&next, 1, &beside, kMarkFormat);
    }
    advance = measured.cy;
  }
  cell->top = ClampInt(cell->top + advance);
  return pos + advance;
}

namespace {

// Does a character that ends at end leave less than half of its height
// before the end of the room?
bool LeavesTooLittle(long long room, long long end, const SIZE& size) {
  return room - end < size.cy / 2;
}

// How many columns (at most three) the text needs when each column has the
// given room.
int CountColumns(CDC* dc, std::u16string_view text, const LOGFONTW& lf, long long room) {
  int columns = 1;
  long long pos = 0;
  for (char16_t ch : text) {
    SIZE size{};
    long long end = MeasureTateChar(dc, ch, pos, &lf, &size);
    if (LeavesTooLittle(room, end, size)) {
      if (columns == kMaxColumns) break;
      ++columns;
      end -= pos;  // the same character at the top of a fresh column
      if (LeavesTooLittle(room, end, size)) break;
    }
    pos = end;
  }
  return columns;
}

// The columns from right to left: the whole rectangle, its halves or its
// thirds.
std::array<RECT, kMaxColumns> LayColumns(const RECT& rect, int columns) {
  long long left = rect.left, right = rect.right, w = WidthOf(rect);
  std::array<RECT, kMaxColumns> out{};
  auto column = [&](long long l, long long r) { return MakeRect(l, rect.top, r, rect.bottom); };
  if (columns == 1) {
    out[0] = rect;
  } else if (columns == 2) {
    out[0] = column(left + w / 2, right);
    out[1] = column(left, left + w / 2);
  } else {
    out[0] = column(left + 2 * w / 3, right);
    out[1] = column(left + w / 3, left + 2 * w / 3);
    out[2] = column(left, left + w / 3);
  }
  return out;
}

// Draws the characters into the columns in order. A column other than the
// last hands on the character that would leave less than half its height
// before the bottom; the last column stops after the first character that
// passes the bottom.
void DrawColumns(CDC* dc, std::u16string_view text, const RECT& rect, int columns,
                 const LOGFONTW& lf) {
  std::array<RECT, kMaxColumns> laid = LayColumns(rect, columns);
  long long room = HeightOf(rect);
  int n = int(text.size());
  int i = 0;
  for (int c = 0; c < columns && i < n; ++c) {
    RECT cell = laid[std::size_t(c)];
    bool last = c == columns - 1;
    long long pos = 0;
    for (; i < n; ++i) {
      if (!last) {
        SIZE size{};
        long long end = MeasureTateChar(dc, text[std::size_t(i)], pos, &lf, &size);
        if (LeavesTooLittle(room, end, size)) break;
      }
      char16_t next = i + 1 < n ? text[std::size_t(i) + 1] : u' ';
      pos = DrawTateChar(dc, text[std::size_t(i)], next, pos, &lf, &cell, &i, nullptr);
      if (last && pos > room) return;
    }
  }
}

// The body of DrawTateText2 and DrawYokoText2; they differ only in the room
// against which the columns are counted.
int DrawVertical(CDC* dc, const CString& text, const RECT& rect, int single, COLORREF color,
                 LOGFONTW* lf, bool countAgainstWidth) {
  lf->lfUnderline = lf->lfUnderline ? 1 : 0;
  ScopedFont font(dc, FontRecordOf(*lf, lf->lfHeight, lf->lfWidth));
  dc->SetTextColor(color);
  int columns = 1;
  if (single != 1) {
    long long room = countAgainstWidth ? WidthOf(rect) : HeightOf(rect);
    columns = CountColumns(dc, text.str(), *lf, room);
  }
  DrawColumns(dc, text.str(), rect, columns, *lf);
  return 1;
}

struct ColumnFit {
  int tenths = 0;        // of the rectangle's width: the font height; 0 when nothing fits
  long long length = 0;  // of the column at that height
};

// The largest tenth of the rectangle's width (10 down to 1) that, as font
// height, lets the whole text stand in one column, each character leaving
// at least gap times its height before the bottom.
ColumnFit FitTateColumn(CDC* dc, std::u16string_view text, const RECT& rect, LOGFONTW* lf,
                        int gap) {
  lf->lfUnderline = 0;
  long long h = HeightOf(rect);
  for (int k = 10; k >= 1; --k) {
    LOGFONTW trial = FontRecordOf(*lf, 0, MulDivTrunc(WidthOf(rect), k, 10));
    trial.lfItalic = 0;
    trial.lfStrikeOut = 0;
    trial.lfUnderline = 0;
    ScopedFont font(dc, trial);
    long long pos = 0;
    bool fits = true;
    for (char16_t ch : text) {
      SIZE size{};
      pos = MeasureTateChar(dc, ch, pos, &trial, &size);
      if (pos + (long long)size.cy * gap >= h) {
        fits = false;
        break;
      }
    }
    if (fits) return {k, pos};
  }
  return {};
}

}  // namespace

}  // namespace cmd::draw

using namespace cmd::draw;

int DrawTateText2(CDC* dc, CString text, RECT* rect, int single, COLORREF color, LOGFONTW* lf) {
  if (!dc || !rect || !lf) return 1;
  return DrawVertical(dc, text, *rect, single, color, lf, false);
}

int DrawYokoText2(CDC* dc, CString text, RECT* rect, int single, COLORREF color, LOGFONTW* lf) {
  if (!dc || !rect || !lf) return 1;
  return DrawVertical(dc, text, *rect, single, color, lf, true);
}

int DrawSingleTateText(CDC* dc, CString text, RECT* rect, int, COLORREF color, LOGFONTW* lf) {
  if (!dc || !rect || !lf) return 1;
  ColumnFit fit = FitTateColumn(dc, text.str(), *rect, lf, 1);
  // A text too long for any height is drawn at the smallest one, from the
  // top, and cut at the bottom.
  int tenths = fit.tenths > 0 ? fit.tenths : 1;
  LOGFONTW record = FontRecordOf(*lf, 0, MulDivTrunc(WidthOf(*rect), tenths, 10));
  record.lfItalic = 0;
  record.lfUnderline = 0;
  record.lfStrikeOut = 0;
  *lf = record;
  RECT column = *rect;
  if (fit.tenths > 0) column.top = ClampInt(rect->top + (HeightOf(*rect) - fit.length) / 2);
  return DrawTateText2(dc, text, &column, 1, color, lf);
}

char16_t* FormatTateText(char16_t* text) {
  if (!text) return text;
  // The working copy holds at most 999 characters.
  std::u16string copy;
  for (int i = 0; i < 999 && text[i]; ++i) copy.push_back(text[i]);
  std::size_t out = 0;
  for (char16_t ch : copy) {
    text[out++] = ch;
    text[out++] = u'\n';
  }
  text[out] = 0;
  return text;
}
