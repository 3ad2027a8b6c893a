// A recording device context for the drawers' tests, with a check that every
// font and pen a drawer creates is released, and the recorded scene as text:
// one line per text or line drawn, to compare with an expected list.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"

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

// A font record as the drawers get it from their callers.
inline LOGFONTW Font(LONG height, LONG width = 0, BYTE underline = 0) {
  LOGFONTW lf;
  MakeLogFont(&lf, nullptr, height, width, FW_NORMAL, 0, underline, 0);
  return lf;
}

inline std::string Colour(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, " c%06lx", static_cast<unsigned long>(c));
  return buf;
}

// "text [left top right bottom] @x y hH fFLAGS" for DrawText (its first line
// placed at x, y),
// "text (x y) hH" for TextOut and "line x1 y1 x2 y2 wWIDTH" for a line from
// the last MoveTo; then the font's width (w), underline (u), escapement (e)
// and the colour (c) when not 0, and a line's pen style (s) when not solid.
inline Scene SceneOf(HDC dc) {
  Scene out;
  POINT at{};
  char buf[160];
  for (const GdiOp& op : *cmd::gdi::RecordedOps(dc)) {
    std::string s;
    if (op.kind == OpKind::MoveTo) at = op.point;
    if (op.kind == OpKind::DrawText) {
      std::snprintf(buf, sizeof buf, " [%ld %ld %ld %ld]", long(op.rect.left), long(op.rect.top),
                    long(op.rect.right), long(op.rect.bottom));
      s = CString(op.text).ToUtf8() + buf;
      if (!op.lines.empty())
        s += " @" + std::to_string(op.lines[0].x) + " " + std::to_string(op.lines[0].y);
      std::snprintf(buf, sizeof buf, " h%ld f%x", long(op.font.lfHeight), op.flags);
      s += buf;
    } else if (op.kind == OpKind::TextOut) {
      std::snprintf(buf, sizeof buf, " (%ld %ld) h%ld", long(op.point.x), long(op.point.y),
                    long(op.font.lfHeight));
      s = CString(op.text).ToUtf8() + buf;
    } else if (op.kind == OpKind::LineTo) {
      std::snprintf(buf, sizeof buf, "line %ld %ld %ld %ld w%ld", long(at.x), long(at.y),
                    long(op.point.x), long(op.point.y), long(op.pen.lopnWidth.x));
      s = buf;
      if (op.pen.lopnColor) s += Colour(op.pen.lopnColor);
      if (op.pen.lopnStyle != PS_SOLID) s += " s" + std::to_string(op.pen.lopnStyle);
      at = op.point;
      out.push_back(s);
      continue;
    } else {
      continue;
    }
    if (op.font.lfWidth) s += " w" + std::to_string(op.font.lfWidth);
    if (op.font.lfUnderline) s += " u";
    if (op.font.lfEscapement) s += " e" + std::to_string(op.font.lfEscapement);
    if (op.textColor) s += Colour(op.textColor);
    out.push_back(s);
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

  CDC dc;

 private:
  int before_ = 0;
};

}  // namespace drawtest
