// cmdtool print: the estimate sheet and the envelope, drawn through the
// library's drawers on the recording, image and printer back-ends.
#include <cstdlib>
#include <regex>
#include <sstream>

#include "cmddll3/cmddll3.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/profile.h"
#include "print_envelope.h"
#include "print_estimate.h"
#include "print_sheet.h"
#include "tool.h"
#include "tool_fixture.h"

using namespace cmdtool;
using namespace cmdtool::print;
using namespace cmdtest;

namespace {

// The library set up on a fresh copy of the sample installation, in this
// process (the folder becomes the current directory).
class PrintTest : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    inst.given = install.string();
    inst.Open();
  }
  Estimate Work(const std::string& json) {
    Document doc = ParseDocument(json, "est.json", ".");
    return WorkOut(doc, ReadRules(doc));
  }
  KeepCurrentDirectory cwd;
  Installation inst;
};

// The drawn result as lines of text: texts with their rectangle and font
// height, rules with their ends and pen width, bitmaps, pages.
std::string Listing(HDC dc) {
  std::ostringstream out;
  for (const cmd::gdi::GdiOp& op : *cmd::gdi::RecordedOps(dc)) {
    using cmd::gdi::OpKind;
    const RECT& r = op.rect;
    const std::string text = Utf16ToUtf8(op.text), rect = "[" + std::to_string(r.left) + "," +
        std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
    if (op.kind == OpKind::StartPage) out << "page\n";
    if (op.kind == OpKind::DrawText)
      out << "text " << rect << " h" << op.font.lfHeight << " f" << op.flags << " " << text << "\n";
    if (op.kind == OpKind::TextOut)
      out << "textout " << op.point.x << "," << op.point.y << " h" << op.font.lfHeight << " " << text << "\n";
    if (op.kind == OpKind::LineTo)
      out << "line " << op.position.x << "," << op.position.y << "-" << op.point.x << "," << op.point.y
          << " w" << op.pen.lopnWidth.x << "\n";
    if (op.kind == OpKind::FillRect) out << "fill " << rect << "\n";
    if (op.kind == OpKind::StretchDIBits)
      out << "bitmap " << op.dest.x << "," << op.dest.y << " " << op.dest.cx << "x" << op.dest.cy << "\n";
  }
  return out.str();
}

// A recording device at 300 dpi that keeps the drawing calls only.
HDC Recorder(CDC& dc) {
  dc.Attach(cmd::gdi::CreateRecordingDC(300, true));
  cmd::gdi::RecordEverything(dc.GetSafeHdc(), false);
  return dc.GetSafeHdc();
}

const char kSmall[] = R"({
  "customer": "株式会社 青葉建設", "title": "倉庫照明改修工事", "date": "2024/05/03",
  "remarks": ["工期：6月", "夜間作業を含みます。"],
  "lines": [
    {"codes": [4, 1, 1], "quantity": 12},
    {"codes": [1, 2, 3], "quantity": 150},
    {"name": "既設照明器具 撤去処分", "detail": "FL40W×2 逆富士形 天井直付 高所作業車を使用", "quantity": 12, "unit": "台", "price": 1500},
    {"subtotal": true},
    {"expense": "諸経費", "rate": 5}
  ]})";

// The small estimate drawn on small pages (so that the table breaks) and
// the envelope (postal code in its boxes, the address written vertically,
// the flap open) are pinned draw call for draw call, the sample's head texts
// with them; on the preview of the long sample, each half of the columns
// drawn alone leaves no ink outside their cells. The program prints both to
// PDF and PNG. Then the head texts, the rounding modes, the selling rate
// and the tax follow the settings.
TEST_F(PrintTest, FormsAreWorkedOutDrawnAndPrintedAsPinned) {
  Estimate e = Work(kSmall);
  Warnings warnings(std::cerr);
  Letterhead head = ReadLetterhead(warnings);
  SheetLayout layout{5, 6};
  std::vector<PageRows> pages = Paginate(e, layout);  // carried over to page 2
  ASSERT_EQ(pages.size(), 2u);
  CDC dc;
  Recorder(dc);
  Page page{&dc, 300};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    dc.StartPage();
    DrawEstimatePage(page, e, head, pages, i, kAllColumns, layout);
    dc.EndPage();
  }
  ExpectGolden(Listing(dc.GetSafeHdc()), "print_small.txt");
  // No drawing function leaves a font or pen behind.
  EXPECT_TRUE(cmd::gdi::LiveObjects().fonts == 0 && cmd::gdi::LiveObjects().pens == 0);

  Document doc = ReadDocument((Estimates() / "sakura-school.json").string());
  const std::string long_line = R"({"lines": [{"name": ")" + std::string(60, 'W') + R"(", "detail": ")" +
                                std::string(40, 'M') +
                                R"(漢字", "quantity": 99, "unit": "キログラム", "price": 99999.99}]})";
  doc.lines.insert(doc.lines.begin() + 2, ParseDocument(long_line, "x", ".").lines[0]);
  e = WorkOut(doc, ReadRules(doc));
  pages = Paginate(e);
  ASSERT_GE(pages.size(), 3u);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    for (unsigned mask : {0b010101u, 0b101010u}) {
      CDC image;
      Page preview{&image, 96};
      image.Attach(cmd::gdi::CreateImageDC(preview.L(kPageWidth), preview.L(kPageHeight), 96));
      DrawEstimatePage(preview, e, head, pages, p, mask);
      cmd::gdi::Image pixels;
      ASSERT_TRUE(cmd::gdi::GetImage(image.GetSafeHdc(), pixels));
      std::vector<RECT> cells;
      for (int c = 0; c < kColumns; ++c) {
        ColumnCells col = CellsOf(p, c);
        for (int top : col.tops)
          if (mask & (1u << c)) cells.push_back(preview.Rect(col.left, top, col.right, top + col.height));
      }
      int inked = 0, outside = 0;
      for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
          if ((pixels.At(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
          ++inked;
          bool in = std::any_of(cells.begin(), cells.end(), [&](const RECT& r) {
            return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
          });
          if (!in && outside++ < 3) ADD_FAILURE() << "page " << p + 1 << ": ink at " << x << "," << y;
        }
      }
      EXPECT_GT(inked, 1000) << "page " << p + 1;
      EXPECT_EQ(outside, 0) << "page " << p + 1 << " columns " << mask;
    }
  }

  Envelope kaku = ReadEnvelope(24);
  EXPECT_EQ(kaku.name.ToUtf8(), "角2");
  EXPECT_EQ(kaku.flap, 0);  // margin type 0 in the sample's envelope settings
  CDC envelope;
  Page sheet{&envelope, 300};
  HDC recorded = Recorder(envelope);
  DrawEnvelope(sheet, ReadEnvelope(ParseEnvelopeKind("長3")),
               ReadAddress((Estimates() / "address-aoba.json").string()), head);
  ExpectGolden(Listing(recorded), "print_envelope.txt");

  // The forms printed by the program to PDF and PNG: the estimate holds
  // every line and the total (with a yen sign); an envelope whose letterhead
  // face is not installed and whose logo is no picture is printed anyway,
  // and each problem is said once.
  const fs::path& out = dir.path();
  auto r = Run({"print", "estimate", (Estimates() / "sakura-school.json").string(), "-o",
                (out / "s.pdf").string(), "--png", (out / "s").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("cmdtool"), std::string::npos) << r.err;  // no warning
  EXPECT_NE(r.out.find("3 pages"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(", total ¥"), std::string::npos) << r.out;  // a yen sign, not a backslash
  for (const char* png : {"s-1.png", "s-2.png", "s-3.png"})
    EXPECT_EQ(ReadBytes(out / png).substr(1, 3), "PNG") << png;
  const std::string pdf = (out / "s.pdf").string(), txt = (out / "s.txt").string();
  ASSERT_EQ(std::system(("pdftotext -raw '" + pdf + "' '" + txt + "'").c_str()), 0);
  auto squeeze = [](const std::string& s) { return std::regex_replace(s, std::regex("[ \n\f]+"), ""); };
  const std::string all = squeeze(ReadBytes(txt));
  ASSERT_FALSE(all.empty()) << "pdftotext gave nothing";
  doc = ReadDocument((Estimates() / "sakura-school.json").string());
  e = WorkOut(doc, ReadRules(doc));  // worked out here from the same files
  for (const Row& row : e.rows)
    EXPECT_NE(all.find(squeeze(row.name.ToUtf8())), std::string::npos) << row.name.ToUtf8();
  EXPECT_NE(all.find(squeeze(e.totalText.ToUtf8().substr(1))), std::string::npos) << e.totalText.ToUtf8();

  for (int line : {1, 2}) SetJishaInfoAttrIni(line, 52, 1, 0, 0, 0, 3, 0, u"NoSuchFace");
  WriteBytes(install / "LOGO" / "logo.bmp", "not a picture");
  r = Run({"print", "envelope", "--to", (Estimates() / "address-aoba.json").string(), "-o",
           (out / "e.pdf").string(), "--png", (out / "e").string(), "--kind", "角2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(out / "e.pdf").substr(0, 5), "%PDF-");
  EXPECT_EQ(ReadBytes(out / "e-1.png").substr(1, 3), "PNG");
  for (std::string said : {"cmdtool: warning: font 'NoSuchFace' is not installed",
                           "cmdtool: warning: LOGO/logo.bmp is not a BMP picture"})
    EXPECT_TRUE(r.err.find(said) != std::string::npos && r.err.find(said) == r.err.rfind(said)) << r.err;

  const CString iniFile = GetIniFile();
  const char16_t* ini = iniFile.GetString();
  WritePrivateProfileStringW(u"SYSTEM", u"GENGOU", u"西暦", ini);
  WritePrivateProfileStringW(u"SYSTEM", u"見積No桁有", u"0", ini);
  e = Work(kSmall);
  EXPECT_EQ(e.date.ToUtf8(), "2024/5/3");
  EXPECT_EQ(e.number.ToUtf8(), "M-2418");
  EXPECT_EQ(Work(R"({"customer": "田中 浩二", "lines": [{"name": "見出し"}]})").honorific.ToUtf8(), "様");

  const struct { double value; int decimals, mode; double expected; } rounding[] = {
      {42.5, 0, kRoundHalf, 43},     {42.49, 0, kRoundHalf, 42},   {42.5, 0, kRoundDown, 42},
      {42.01, 0, kRoundUp, 43},      {42.0, 0, kRoundUp, 42},      {-42.5, 0, kRoundHalf, -43},
      {-42.5, 0, kRoundDown, -42},   {0.1 * 3, 1, kRoundUp, 0.3},  {2.675, 2, kRoundHalf, 2.68},
      {1234.5678, 2, kRoundDown, 1234.56}, {19.6, 0, 0, 20},       {19.6, 0, 7, 20},
      {99999999999.5, 0, kRoundHalf, 100000000000}, {3000000000.4, 0, kRoundDown, 3000000000},
  };
  for (const auto& c : rounding)
    EXPECT_DOUBLE_EQ(RoundFraction(c.value, c.decimals, c.mode), c.expected)
        << c.value << " at " << c.decimals << " decimals, mode " << c.mode;

  // Seven metres of IV 1.6mm (単価 28, 定価 50) and an expense of 8 per cent,
  // as price, amount, expense, tax and total.
  const char16_t* keys[][2] = {{u"SYSTEM", u"売価率ON"}, {u"SYSTEM", u"売価率"}, {u"端数", u"工事項目"},
                               {u"端数", u"掛率指定経費"}, {u"端数", u"工事項目合計"}, {u"TAX", u"MODE"}};
  const struct {
    const char16_t* settings[6];
    const char* expected;
  } arithmetic[] = {
      // rate off: 28 x 7 = 196; 8% = 15.68; outside tax 10% of 211.68 -> 211
      {{u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,0,1,1"}, "28   |196|16|21|233"},
      // rate 85%: 42.5 x 7 = 297.5; expense 23.8
      {{u"1", u"85", u"5", u"5", u"1", u"0,0,0,0,0,1,1"}, "42.5 |298|24|32|354"},
      {{u"1", u"85", u"1", u"1", u"2", u"0,0,0,0,0,1,1"}, "42.5 |297|23|32|352"},
      {{u"1", u"83", u"2", u"2", u"5", u"0,0,0,0,0,1,1"}, "41.5 |291|24|32|347"},
      // inside tax: 212 x 10 / 110 = 19.27
      {{u"0", u"85", u"5", u"5", u"5", u"0,0,0,0,1,1,1"}, "28   |196|16|19|212"},
      {{u"0", u"85", u"5", u"5", u"2", u"0,0,0,0,1,1,1"}, "28   |196|16|20|212"},
      // no tax; a field 5 above 2 reads as 0 (outside)
      {{u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,2,1,1"}, "28   |196|16|0|212"},
      {{u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,7,1,1"}, "28   |196|16|21|233"},
  };
  for (const auto& c : arithmetic) {
    for (int k = 0; k < 6; ++k) WritePrivateProfileStringW(keys[k][0], keys[k][1], c.settings[k], ini);
    e = Work(R"({"lines": [{"codes": [1, 1, 1], "quantity": 7}, {"expense": "諸経費", "rate": 8}]})");
    std::ostringstream got;
    got.precision(17);
    got << e.rows[0].price.ToUtf8() << "|" << e.rows[0].value << "|" << e.rows[1].value << "|" << e.tax << "|"
        << e.total;
    EXPECT_EQ(got.str(), c.expected) << "case " << &c - arithmetic;
  }
}


}  // namespace
