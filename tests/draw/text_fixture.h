// A recording device context for the text drawers' tests, with a check that
// every font and pen a drawer creates is released, and readers of what was
// drawn: the characters and lines with where they went.
#pragma once

#include <gtest/gtest.h>

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

// One piece of text drawn: by DrawText (in rect, placed at x, y) or by
// TextOut (at x, y).
struct Drawn {
  OpKind kind;
  std::u16string text;
  RECT rect{};      // DrawText's rectangle
  UINT flags = 0;   // DrawText's format
  int x = 0, y = 0; // TextOut's point; DrawText's first placed line
  LOGFONTW font{};  // the font selected when drawn
  COLORREF color = 0;
};

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

  void Clear() { cmd::gdi::ClearRecording(dc); }

  // The text drawn by DrawText and TextOut, in order.
  std::vector<Drawn> Texts() {
    std::vector<Drawn> out;
    for (const GdiOp& op : *cmd::gdi::RecordedOps(dc)) {
      if (op.kind != OpKind::DrawText && op.kind != OpKind::TextOut) continue;
      Drawn d{op.kind, op.text};
      d.font = op.font;
      d.color = op.textColor;
      if (op.kind == OpKind::DrawText) {
        d.rect = op.rect;
        d.flags = op.flags;
        if (!op.lines.empty()) {
          d.x = op.lines[0].x;
          d.y = op.lines[0].y;
        }
      } else {
        d.x = op.point.x;
        d.y = op.point.y;
      }
      out.push_back(d);
    }
    return out;
  }
  // The lines drawn with the current pen: from MoveTo to LineTo.
  struct Stroke {
    POINT from, to;
    LOGPEN pen;
    // (from.x, from.y, to.x, to.y), to compare in one go.
    std::vector<LONG> Line() const { return {from.x, from.y, to.x, to.y}; }
  };
  std::vector<Stroke> Strokes() {
    std::vector<Stroke> out;
    POINT at{};
    for (const GdiOp& op : *cmd::gdi::RecordedOps(dc)) {
      if (op.kind == OpKind::MoveTo) at = op.point;
      if (op.kind == OpKind::LineTo) {
        out.push_back({at, op.point, op.pen});
        at = op.point;
      }
    }
    return out;
  }

  static LOGFONTW Font(LONG height, LONG width = 0, BYTE underline = 0) {
    LOGFONTW lf;
    MakeLogFont(&lf, nullptr, height, width, FW_NORMAL, 0, underline, 0);
    return lf;
  }

  CDC dc;

 private:
  int before_ = 0;
};

}  // namespace drawtest
