// A recording device context for the drawers' tests, with a check that every
// font, pen or bitmap a drawer creates is released, and the recorded scene as text:
// one line per text or line drawn, to compare with an expected list.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "support/test_support.h"

// Rectangles compare and print field by field.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace drawtest {

using cmd::gdi::GdiOp;
using cmd::gdi::OpKind;
using Scene = std::vector<std::string>;

template <class... T>
std::string Str(const T&... parts) {
  std::ostringstream out;
  (out << ... << parts);
  return out.str();
}

inline std::string Colour(COLORREF c) {
  return Str(" c", std::hex, std::setfill('0'), std::setw(6), c);
}

// A font record as the drawers get it from their callers.
inline LOGFONTW Font(LONG height, LONG width = 0, BYTE underline = 0) {
  LOGFONTW lf;
  MakeLogFont(&lf, nullptr, height, width, FW_NORMAL, 0, underline, 0);
  return lf;
}

// "text [left top right bottom] hH fFLAGS" for DrawText, "text (x y) hH" for
// TextOut, then the font's width (w), underline (u) and escapement (e) and
// the colour (c, hex) when not 0; "line x1 y1 x2 y2 wWIDTH" for a line from
// the last MoveTo, then its colour and its pen style (s) when not solid.
// Single characters drawn alike one after another down a column, each
// rectangle moved by the same steps, make one entry: "一二三 [0 0+20 30 100]
// h20 f821" is 一 at top 0, 二 at 20 and 三 at 40.
inline Scene SceneOf(HDC dc) {
  using Box = std::array<LONG, 4>;
  // chars: 0 for an entry written whole, -1 for a longer text, else the run's length.
  struct Entry { std::string text, tail{}; Box first{}, last{}, step{}; int chars = 0; };
  std::vector<Entry> entries;
  POINT at{};
  for (const GdiOp& op : *cmd::gdi::RecordedOps(dc)) {
    const LOGFONTW& f = op.font;
    std::string text = CString(op.text).ToUtf8(), more;
    if (f.lfWidth) more += Str(" w", f.lfWidth);
    if (f.lfUnderline) more += " u";
    if (f.lfEscapement) more += Str(" e", f.lfEscapement);
    if (op.textColor) more += Colour(op.textColor);
    if (op.kind == OpKind::DrawText) {
      const Box box{op.rect.left, op.rect.top, op.rect.right, op.rect.bottom};
      std::string tail = Str(" h", f.lfHeight, " f", std::hex, op.flags) + more;
      Entry* run = entries.empty() || entries.back().chars <= 0 ? nullptr : &entries.back();
      Box d{};
      for (int k = 0; k < 4 && run; ++k) d[k] = box[k] - run->last[k];
      if (run && op.text.size() == 1 && tail == run->tail && !d[0] && !d[2] && d[1] &&
          (run->chars == 1 || d == run->step)) {
        run->text += text;
        run->last = box;
        run->step = d;
        ++run->chars;
      } else {
        entries.push_back({text, tail, box, box, {}, op.text.size() == 1 ? 1 : -1});
      }
    }
    if (op.kind == OpKind::TextOut)
      entries.push_back({Str(text, " (", op.point.x, " ", op.point.y, ") h", f.lfHeight) + more});
    if (op.kind == OpKind::MoveTo) at = op.point;
    if (op.kind != OpKind::LineTo) continue;
    const LOGPEN& pen = op.pen;
    text = Str("line ", at.x, " ", at.y, " ", op.point.x, " ", op.point.y, " w", pen.lopnWidth.x);
    if (pen.lopnColor) text += Colour(pen.lopnColor);
    if (pen.lopnStyle != PS_SOLID) text += Str(" s", pen.lopnStyle);
    entries.push_back({text});
    at = op.point;
  }
  Scene out;
  for (const Entry& e : entries) {
    std::string s = e.text;
    for (int k = 0; k < 4 && e.chars; ++k)
      s += Str(k ? " " : " [", e.first[k]) + (e.chars > 1 && e.step[k] ? Str("+", e.step[k]) : "");
    out.push_back(e.chars ? s + "]" + e.tail : s);
  }
  return out;
}

class TextDrawing : public ::testing::Test {
 protected:
  void SetUp() override { Open(96, false); }
  void TearDown() override {
    // No drawer leaves a font or pen of its own selected.
    EXPECT_EQ(dc.GetCurrentFont()->GetSafeHandle(), GetStockObject(SYSTEM_FONT));
    dc.DeleteDC();
    EXPECT_EQ(cmd::gdi::LiveObjectCount(), before_) << "a font or pen was not released";
  }
  // Reopens the device context as a screen or printer of the given dpi.
  void Open(int dpi, bool printer) {
    if (dc.m_hDC) dc.DeleteDC();
    before_ = cmd::gdi::LiveObjectCount();
    dc.Attach(cmd::gdi::CreateRecordingDC(dpi, printer));
  }
  // The scene drawn since the last call; the recording starts afresh.
  Scene Drawn() {
    Scene s = SceneOf(dc);
    cmd::gdi::ClearRecording(dc);
    return s;
  }
  // The kinds of all the calls recorded so far.
  std::vector<OpKind> Kinds() {
    std::vector<OpKind> kinds;
    for (const GdiOp& op : *cmd::gdi::RecordedOps(dc)) kinds.push_back(op.kind);
    return kinds;
  }
  std::vector<GdiOp> Ops(OpKind kind) { return cmd::gdi::RecordedOps(dc, kind); }
  // DrawText2 into a copy of `rect` with a copy of `lf`.
  int Yoko(const char16_t* text, RECT rect, UINT format, int percent, int mode, LOGFONTW lf,
           int tate = 0, int oneLine = 0, COLORREF color = 0) {
    return DrawText2(&dc, CString(text), &rect, format, percent, mode, color, &lf, tate, oneLine);
  }
  // A drawer of a text in a rectangle by a count, in a colour and a font,
  // on copies of the rectangle and the font record.
  int Draw(int (*drawer)(CDC*, CString, RECT*, int, COLORREF, LOGFONTW*), CString text,
           RECT rect, int count, LOGFONTW lf, COLORREF color = 0) {
    return drawer(&dc, text, &rect, count, color, &lf);
  }
  // The heights at which texts were measured since the last call.
  std::vector<LONG> MeasuredHeights() {
    std::vector<LONG> heights;
    for (const auto& op : cmd::gdi::RecordedOps(dc, OpKind::GetTextExtent))
      heights.push_back(op.font.lfHeight);
    cmd::gdi::ClearRecording(dc);
    return heights;
  }
  // A file of the temporary folder with these bytes, as a host names it.
  CString Write(const std::string& name, const std::string& bytes) {
    cmdtest::WriteBytes(dir / name, bytes);
    return dir.win() + CString::FromUtf8(name);
  }
  // The only blit of a kind as "x y cx cy <- cx cy rop R mode M[ mono]:
  // pixels of the source row by row" (mono: from a monochrome bitmap).
  std::string Blit(OpKind kind, std::size_t index = 0) {
    auto ops = Ops(kind);
    if (ops.size() <= index) return "no blit";
    const GdiOp& op = ops[index];
    std::string s =
        Str(op.dest.x, " ", op.dest.y, " ", op.dest.cx, " ", op.dest.cy, " <- ", op.src.cx, " ",
            op.src.cy, " rop ", std::hex, op.rop, " mode ", op.stretchMode,
            op.sourceMonochrome ? " mono:" : ":");
    for (int y = 0; y < op.image->height; ++y)
      for (int x = 0; x < op.image->width; ++x) s += Colour(op.image->At(x, y));
    return s;
  }

  CDC dc;
  cmdtest::TempDir dir;

 private:
  int before_ = 0;
};

}  // namespace drawtest
