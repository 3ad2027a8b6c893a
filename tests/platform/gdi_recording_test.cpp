// Device contexts on the recording back-end: deterministic metrics, the
// DrawText layout, object lifetime and selection, saved states, print jobs.
#include <gtest/gtest.h>

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/gdi.h"
#include "cmddll3/platform/gdi_devices.h"

using cmd::gdi::OpKind;

namespace {

LOGFONTW Font(LONG height, LONG width = 0, LONG escapement = 0) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  const char16_t face[] = u"ＭＳ ゴシック";
  std::copy(std::begin(face), std::end(face), lf.lfFaceName);
  return lf;
}

// A recording DC with a font selected for the life of the fixture.
class Recording : public ::testing::Test {
 protected:
  void SetUp() override { dc.Attach(cmd::gdi::CreateRecordingDC()); }
  void Use(const LOGFONTW& lf) {
    font.DeleteObject();
    dc.SelectStockObject(SYSTEM_FONT);
    font.CreateFontIndirect(&lf);
    dc.SelectObject(&font);
  }
  void TearDown() override {
    dc.SelectStockObject(SYSTEM_FONT);
    font.DeleteObject();
  }
  SIZE Extent(std::u16string_view text) {
    SIZE s{};
    EXPECT_TRUE(GetTextExtentPoint32W(dc.m_hAttribDC, text.data(), int(text.size()), &s));
    return s;
  }
  std::vector<cmd::gdi::GdiOp> Ops(OpKind kind) { return cmd::gdi::RecordedOps(dc, kind); }

  CDC dc;
  CFont font;
};

}  // namespace

TEST_F(Recording, MetricsFollowTheFixedRules) {
  struct Case {
    LONG height, width, escapement;
    std::u16string_view text;
    SIZE expected;
  };
  const Case cases[] = {
      {24, 0, 0, u"AB", {24, 24}},             // narrow: h / 2
      {24, 0, 0, u"見積", {48, 24}},           // others: twice that
      {-30, 0, 0, u"A見", {15 + 30, 30}},      // negative: the em is the cell
      {0, 0, 0, u"A", {8, 16}},                // 0 means 16
      {25, 0, 0, u"A", {12, 25}},              // h / 2 truncates
      {24, 10, 0, u"A見", {10 + 20, 24}},      // lfWidth sets the narrow advance
      {24, 0, 2700, u"ab", {24, 24}},          // escapement changes nothing
      {20, 0, 0, u"ｱｲﾞ", {30, 20}},            // half-width katakana are narrow
      {20, 0, 0, u"\uFF60\u3000", {40, 20}},  // just outside the narrow ranges
      {20, 0, 0, u"\r\n\t\u007F", {0, 20}},   // control characters take no room
      {20, 0, 0, u" ~", {20, 20}},             // U+0020 and U+007E are narrow
      {20, 0, 0, u"", {0, 20}},
  };
  for (const auto& c : cases) {
    Use(Font(c.height, c.width, c.escapement));
    SIZE s = Extent(c.text);
    EXPECT_EQ(s.cx, c.expected.cx) << c.height << "/" << c.width;
    EXPECT_EQ(s.cy, c.expected.cy) << c.height << "/" << c.width;
  }
  // Justification widens the breaks until it is reset.
  Use(Font(20));
  dc.SetTextJustification(7, 2);
  EXPECT_EQ(Extent(u"a b c d").cx, 7 * 10 + 7);  // two of the three breaks share 7: 4 + 3
  EXPECT_EQ(Extent(u"a b").cx, 3 * 10 + 4);
  dc.SetTextJustification(0, 0);
  EXPECT_EQ(Extent(u"a b").cx, 30);
}

TEST_F(Recording, EveryCallIsKeptWithTheStateInForce) {
  LOGFONTW lf = Font(24, 0, 2700);
  lf.lfUnderline = 3;
  Use(lf);
  dc.SetTextColor(RGB(1, 2, 3));
  CPen pen(PS_SOLID, 5, RGB(9, 8, 7));
  CPen* oldPen = dc.SelectObject(&pen);
  dc.MoveTo(10, 20);
  dc.LineTo(10, 80);
  dc.TextOut(5, 6, u"字");
  dc.SelectObject(oldPen);

  auto lines = Ops(OpKind::LineTo);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].position.x, 10);
  EXPECT_EQ(lines[0].position.y, 20);
  EXPECT_EQ(lines[0].point.y, 80);
  EXPECT_EQ(lines[0].pen.lopnWidth.x, 5);
  EXPECT_EQ(lines[0].pen.lopnColor, RGB(9, 8, 7));
  auto texts = Ops(OpKind::TextOut);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, u"字");
  EXPECT_EQ(texts[0].point.x, 5);
  EXPECT_EQ(texts[0].font.lfEscapement, 2700);
  EXPECT_EQ(texts[0].font.lfUnderline, 3);
  EXPECT_EQ(std::u16string(texts[0].font.lfFaceName), u"ＭＳ ゴシック");
  EXPECT_EQ(texts[0].textColor, RGB(1, 2, 3));
  EXPECT_EQ(texts[0].size.cx, 24);
  auto selects = Ops(OpKind::SelectPen);
  ASSERT_EQ(selects.size(), 2u);
  EXPECT_EQ(selects[0].selectedPen.lopnWidth.x, 5);
  EXPECT_EQ(selects[1].selectedPen.lopnColor, RGB(0, 0, 0));  // the stock black pen again

  cmd::gdi::RecordEverything(dc, false);
  cmd::gdi::ClearRecording(dc);
  Extent(u"x");
  dc.SetTextColor(0);
  dc.TextOut(0, 0, u"x");
  ASSERT_EQ(cmd::gdi::RecordedOps(dc)->size(), 1u);  // only the drawing is kept
}

// ---------------------------------------------------------------- DrawText layout
TEST_F(Recording, DrawTextPlacesOneLine) {
  Use(Font(20));  // "ab" is 20 wide
  struct Case {
    UINT format;
    RECT rect;
    int x, y, result;
  };
  const Case cases[] = {
      {DT_SINGLELINE, {10, 10, 110, 50}, 10, 10, 20},
      {DT_SINGLELINE | DT_CENTER, {10, 10, 110, 50}, 50, 10, 20},
      {DT_SINGLELINE | DT_CENTER, {10, 10, 111, 50}, 50, 10, 20},  // (101 - 20) / 2 truncates
      {DT_SINGLELINE | DT_RIGHT, {10, 10, 110, 50}, 90, 10, 20},
      {DT_SINGLELINE | DT_VCENTER, {10, 10, 110, 50}, 10, 20, 30},  // offset to the bottom
      {DT_SINGLELINE | DT_VCENTER, {10, 10, 110, 15}, 10, 3, 13},   // (5 - 20) / 2 = -7
      {DT_SINGLELINE | DT_BOTTOM, {10, 10, 110, 50}, 10, 30, 40},
      {DT_VCENTER, {10, 10, 110, 50}, 10, 10, 20},                  // only with DT_SINGLELINE
  };
  for (const auto& c : cases) {
    cmd::gdi::ClearRecording(dc);
    RECT r = c.rect;
    EXPECT_EQ(dc.DrawText(u"ab", -1, &r, c.format), c.result) << c.format;
    auto ops = Ops(OpKind::DrawText);
    ASSERT_EQ(ops.size(), 1u);
    ASSERT_EQ(ops[0].lines.size(), 1u);
    EXPECT_EQ(ops[0].lines[0].x, c.x) << c.format;
    EXPECT_EQ(ops[0].lines[0].y, c.y) << c.format;
    EXPECT_EQ(ops[0].flags, c.format);
  }
}

TEST_F(Recording, DrawTextBreaksLinesUnlessSingleLine) {
  Use(Font(10));
  RECT r{0, 0, 100, 100};
  EXPECT_EQ(dc.DrawText(u"ab\r\ncd\nef\rg", -1, &r, DT_NOPREFIX), 40);
  auto multi = Ops(OpKind::DrawText).back();
  ASSERT_EQ(multi.lines.size(), 4u);
  EXPECT_EQ(multi.lines[1].text, u"cd");
  EXPECT_EQ(multi.lines[3].y, 30);

  EXPECT_EQ(dc.DrawText(u"ab\r\ncd", -1, &r, DT_SINGLELINE), 10);
  auto single = Ops(OpKind::DrawText).back();
  ASSERT_EQ(single.lines.size(), 1u);
  EXPECT_EQ(single.lines[0].width, 5 * 2 + 5 * 2);  // CR and LF take no room

  // One character per line, as a vertical column is drawn by DrawText.
  EXPECT_EQ(dc.DrawText(u"縦\n書\n", -1, &r, DT_CENTER), 30);
  auto column = Ops(OpKind::DrawText).back();
  ASSERT_EQ(column.lines.size(), 3u);
  EXPECT_EQ(column.lines[0].x, 45);
}

TEST_F(Recording, DrawTextPrefixesAndCalcRect) {
  Use(Font(10));
  RECT r{0, 0, 100, 100};
  dc.DrawText(u"A&&B&c", -1, &r, DT_SINGLELINE);
  EXPECT_EQ(Ops(OpKind::DrawText).back().lines[0].text, u"A&Bc");
  dc.DrawText(u"A&&B", -1, &r, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(Ops(OpKind::DrawText).back().lines[0].text, u"A&&B");

  RECT calc{5, 5, 6, 6};
  EXPECT_EQ(dc.DrawText(u"abc\nde", -1, &calc, DT_CALCRECT), 20);
  EXPECT_EQ(calc.right, 5 + 15);
  EXPECT_EQ(calc.bottom, 5 + 20);
  EXPECT_TRUE(Ops(OpKind::DrawText).back().lines.empty());

  RECT narrow{0, 0, 20, 100};
  EXPECT_EQ(dc.DrawText(u"ab cd ef", -1, &narrow, DT_WORDBREAK), 30);
  auto wrapped = Ops(OpKind::DrawText).back().lines;
  ASSERT_EQ(wrapped.size(), 3u);
  EXPECT_EQ(wrapped[1].text, u"cd ");
  EXPECT_EQ(wrapped[2].text, u"ef");
  // No text: nothing drawn.
  EXPECT_EQ(dc.DrawText(u"", -1, &r, DT_SINGLELINE), 0);
  EXPECT_TRUE(Ops(OpKind::DrawText).back().lines.empty());
  EXPECT_EQ(DrawTextW(dc, nullptr, 3, &r, 0), 0);
}

// ---------------------------------------------------------------- objects
TEST(GdiObjects, SelectedObjectsAreNotDeletedAndCountsBalance) {
  int before = cmd::gdi::LiveObjectCount();
  {
    CDC dc;
    dc.Attach(cmd::gdi::CreateRecordingDC());
    LOGFONTW lf = Font(12);
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    CFont* old = dc.SelectObject(&font);
    ASSERT_NE(old, nullptr);
    EXPECT_FALSE(DeleteObject(font.m_hObject));  // still selected
    dc.SelectObject(old);
    EXPECT_TRUE(font.DeleteObject());
    EXPECT_FALSE(DeleteObject(font.m_hObject));  // nothing left to delete
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // stock objects stay
    EXPECT_NE(GetObjectType(GetStockObject(BLACK_PEN)), 0u);
  }
  EXPECT_EQ(cmd::gdi::LiveObjectCount(), before);
}

TEST(GdiObjects, CreatingIntoAnOccupiedObjectLeavesNothingBehind) {
  LOGFONTW lf = Font(12);
  CFont font;
  ASSERT_TRUE(font.CreateFontIndirect(&lf));
  HGDIOBJ first = font.m_hObject;
  int before = cmd::gdi::LiveObjectCount();
  EXPECT_FALSE(font.CreateFontIndirect(&lf));
  CPen pen(PS_SOLID, 1, 0);
  EXPECT_FALSE(pen.CreatePen(PS_DASH, 1, 0));
  EXPECT_EQ(cmd::gdi::LiveObjectCount(), before + 1);  // the pen's first handle only
  EXPECT_EQ(font.m_hObject, first);
}

TEST(GdiObjects, SavedStatesHoldTheirObjects) {
  CDC dc;
  dc.Attach(cmd::gdi::CreateRecordingDC());
  CPen red(PS_SOLID, 1, RGB(255, 0, 0)), blue(PS_SOLID, 1, RGB(0, 0, 255));
  CPen* stock = dc.SelectObject(&red);
  int level = dc.SaveDC();
  EXPECT_EQ(level, 1);
  dc.SelectObject(&blue);
  dc.SetTextColor(RGB(0, 255, 0));
  EXPECT_FALSE(DeleteObject(red.m_hObject));  // held by the saved state
  EXPECT_TRUE(dc.RestoreDC(-1));
  EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetCurrentPen(), &red);
  EXPECT_TRUE(blue.DeleteObject());
  EXPECT_FALSE(dc.RestoreDC(-1));  // nothing saved any more
  dc.SelectObject(stock);
  EXPECT_TRUE(red.DeleteObject());
}

TEST(GdiObjects, FromHandleGivesTheOwnerOrATemporary) {
  CDC dc;
  dc.Attach(cmd::gdi::CreateRecordingDC());
  CFont* stock = dc.GetCurrentFont();
  ASSERT_NE(stock, nullptr);
  LOGFONTW lf{};
  EXPECT_EQ(stock->GetLogFont(&lf), int(sizeof lf));
  EXPECT_EQ(lf.lfHeight, 16);
  LOGFONTW mine = Font(30);
  CFont font;
  font.CreateFontIndirect(&mine);
  EXPECT_EQ(CFont::FromHandle(font), &font);
  EXPECT_EQ(dc.SelectObject(&font), stock);
  EXPECT_EQ(dc.SelectObject(stock), &font);
  EXPECT_EQ(CGdiObject::FromHandle(reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
  EXPECT_EQ(dc.SelectObject(static_cast<CFont*>(nullptr)), nullptr);
}

TEST(GdiObjects, ForeignHandlesFailQuietly) {
  HDC bogus = reinterpret_cast<HDC>(0x4321);
  SIZE s{};
  EXPECT_FALSE(GetTextExtentPoint32W(bogus, u"a", 1, &s));
  EXPECT_EQ(GetDeviceCaps(bogus, LOGPIXELSX), 0);
  EXPECT_FALSE(TextOutW(bogus, 0, 0, u"a", 1));
  EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
  EXPECT_FALSE(DeleteDC(bogus));
  EXPECT_EQ(CreateCompatibleDC(bogus), nullptr);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

TEST(GdiObjects, PalettesKeepTheirEntries) {
  alignas(LOGPALETTE) unsigned char buffer[sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY)];
  auto* lp = reinterpret_cast<LOGPALETTE*>(buffer);
  lp->palVersion = 0x300;
  lp->palNumEntries = 3;
  lp->palPalEntry[0] = {1, 2, 3, 0};
  lp->palPalEntry[1] = {4, 5, 6, 0};
  lp->palPalEntry[2] = {7, 8, 9, 0};
  HPALETTE pal = CreatePalette(lp);
  ASSERT_NE(pal, nullptr);
  PALETTEENTRY got[3];
  EXPECT_EQ(GetPaletteEntries(pal, 1, 5, got), 2u);
  EXPECT_EQ(got[1].peBlue, 9);
  lp->palVersion = 0x200;
  EXPECT_EQ(CreatePalette(lp), nullptr);
  lp->palVersion = 0x300;
  lp->palNumEntries = 0;
  EXPECT_EQ(CreatePalette(lp), nullptr);

  HDC dc = cmd::gdi::CreateRecordingDC();
  HPALETTE def = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(GetPaletteEntries(def, 0, 0, nullptr), 20u);
  EXPECT_EQ(SelectPalette(dc, pal, TRUE), def);
  EXPECT_EQ(RealizePalette(dc), 3u);
  EXPECT_FALSE(DeleteObject(pal));  // selected
  EXPECT_EQ(SelectPalette(dc, def, TRUE), pal);
  EXPECT_TRUE(DeleteObject(pal));
  auto ops = cmd::gdi::RecordedOps(dc, OpKind::RealizePalette);
  ASSERT_EQ(ops.size(), 1u);
  ASSERT_EQ(ops[0].palette.size(), 3u);
  EXPECT_EQ(ops[0].palette[2].peRed, 7);
  DeleteDC(dc);
}

// ---------------------------------------------------------------- device answers
TEST(GdiDevices, CapabilitiesFollowTheResolution) {
  struct Case {
    int dpi;
    bool printer;
    int technology, horz;
  };
  for (const Case& c : {Case{96, false, DT_RASDISPLAY, 1920}, Case{300, true, DT_RASPRINTER, 2480},
                        Case{600, true, DT_RASPRINTER, 4961}}) {
    CDC dc;
    dc.Attach(cmd::gdi::CreateRecordingDC(c.dpi, c.printer));
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), c.dpi);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), c.dpi);
    EXPECT_EQ(dc.GetDeviceCaps(TECHNOLOGY), c.technology);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), c.horz);
    EXPECT_EQ(dc.IsPrinting(), c.printer ? TRUE : FALSE);
  }
  CDC image;
  image.Attach(cmd::gdi::CreateImageDC(320, 200, 120));
  EXPECT_EQ(image.GetDeviceCaps(HORZRES), 320);
  EXPECT_EQ(image.GetDeviceCaps(VERTRES), 200);
  EXPECT_EQ(image.GetDeviceCaps(LOGPIXELSX), 120);
  // The attribute handle answers the questions.
  HDC printer = cmd::gdi::CreateRecordingDC(300, true);
  image.SetAttribDC(printer);
  EXPECT_EQ(image.GetDeviceCaps(LOGPIXELSX), 300);
  image.SetAttribDC(image.m_hDC);
  DeleteDC(printer);
}

TEST(GdiDevices, PrintJobsRunInOrder) {
  HDC dc = cmd::gdi::CreateRecordingDC(300, true);
  EXPECT_EQ(StartPage(dc), SP_ERROR);  // no document yet
  DOCINFOW doc{sizeof(DOCINFOW), u"見積書", nullptr, nullptr, 0};
  EXPECT_GT(StartDocW(dc, &doc), 0);
  EXPECT_GT(StartPage(dc), 0);
  EXPECT_GT(EndPage(dc), 0);
  EXPECT_EQ(EndPage(dc), SP_ERROR);
  EXPECT_GT(EndDoc(dc), 0);
  std::vector<OpKind> kinds;
  for (const auto& op : *cmd::gdi::RecordedOps(dc)) kinds.push_back(op.kind);
  std::vector<OpKind> expected{OpKind::StartPage, OpKind::StartDoc, OpKind::StartPage,
                               OpKind::EndPage,   OpKind::EndPage,  OpKind::EndDoc};
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(cmd::gdi::RecordedOps(dc, OpKind::StartDoc)[0].text, u"見積書");
  DeleteDC(dc);
}
