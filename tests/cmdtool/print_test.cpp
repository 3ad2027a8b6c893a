// cmdtool print: the estimate sheet and the envelope, drawn through the
// library's drawers on the recording, image and printer back-ends.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "cmddll3/platform/gdi_devices.h"
#include "cmddll3/platform/profile.h"
#include "print_envelope.h"
#include "print_estimate.h"
#include "print_output.h"
#include "print_sheet.h"
#include "tool.h"
#include "tool_fixture.h"

namespace fs = std::filesystem;
using namespace cmdtool;
using namespace cmdtool::print;
using cmdtest::ReadBytes;
using cmdtest::WriteBytes;

namespace {

using PrintProcess = cmdtest::ToolTest;

// Opening an installation makes it the current directory; the temporary
// folder goes at the end of the test, so the old directory comes back.
struct KeepCurrentDirectory {
  fs::path old = fs::current_path();
  ~KeepCurrentDirectory() { fs::current_path(old); }
};

fs::path Estimates() { return fs::path(CMD_SOURCE_DIR) / "examples" / "estimates"; }

// The library set up on a fresh copy of the sample installation, in this
// process (the folder becomes the current directory).
class PrintTest : public cmdtest::ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    inst.given = install.string();
    inst.Open();
  }
  void Set(const char16_t* section, const char16_t* key, const char16_t* value) {
    WritePrivateProfileStringW(section, key, value, GetIniFile().GetString());
  }
  Estimate Work(const std::string& json) {
    Document doc = ParseDocument(json, "est.json", ".");
    return WorkOut(doc, ReadRules(doc));
  }
  KeepCurrentDirectory cwd;
  Installation inst;
};

std::string Rect(const RECT& r) {
  std::ostringstream s;
  s << "[" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "]";
  return s.str();
}

// The drawn result as lines of text: texts with their rectangle and font
// height, rules with their ends and pen width, bitmaps, pages.
std::string Listing(HDC dc) {
  std::ostringstream out;
  for (const cmd::gdi::GdiOp& op : *cmd::gdi::RecordedOps(dc)) {
    using cmd::gdi::OpKind;
    switch (op.kind) {
      case OpKind::StartPage: out << "page\n"; break;
      case OpKind::DrawText:
        out << "text " << Rect(op.rect) << " h" << op.font.lfHeight << " f" << op.flags << " "
            << Utf16ToUtf8(op.text) << "\n";
        break;
      case OpKind::TextOut:
        out << "textout " << op.point.x << "," << op.point.y << " h" << op.font.lfHeight << " "
            << Utf16ToUtf8(op.text) << "\n";
        break;
      case OpKind::LineTo:
        out << "line " << op.position.x << "," << op.position.y << "-" << op.point.x << ","
            << op.point.y << " w" << op.pen.lopnWidth.x << "\n";
        break;
      case OpKind::FillRect: out << "fill " << Rect(op.rect) << "\n"; break;
      case OpKind::StretchDIBits:
        out << "bitmap " << op.dest.x << "," << op.dest.y << " " << op.dest.cx << "x" << op.dest.cy
            << "\n";
        break;
      default: break;
    }
  }
  return out.str();
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

TEST_F(PrintTest, SmallEstimateIsDrawnExactlyAsPinned) {
  Estimate e = Work(kSmall);
  Warnings warnings(std::cerr);
  Letterhead head = ReadLetterhead(warnings);
  SheetLayout layout{5, 6};  // small pages, so that the table breaks
  std::vector<PageRows> pages = Paginate(e, layout);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_TRUE(pages[0].carriedOut);
  EXPECT_TRUE(pages[1].carriedIn);
  EXPECT_EQ(pages[0].carriedOutValue, pages[1].broughtIn);

  CDC dc;
  dc.Attach(cmd::gdi::CreateRecordingDC(300, true));
  cmd::gdi::RecordEverything(dc.GetSafeHdc(), false);
  Page page{&dc, 300};
  for (std::size_t i = 0; i < pages.size(); ++i) {
    dc.StartPage();
    DrawEstimatePage(page, e, head, pages, i, kAllColumns, layout);
    dc.EndPage();
  }
  std::string actual = Listing(dc.GetSafeHdc());
  fs::path golden = fs::path(CMD_SOURCE_DIR) / "tests" / "cmdtool" / "data" / "print_small.txt";
  // CMD_UPDATE_GOLDEN=1 writes the listing anew after a deliberate change.
  if (std::getenv("CMD_UPDATE_GOLDEN")) WriteBytes(golden, actual);
  std::string expected = ReadBytes(golden);
  std::istringstream a(actual), x(expected);
  std::string la, lx;
  for (int line = 1; std::getline(x, lx); ++line) {
    std::getline(a, la);
    ASSERT_EQ(la, lx) << "line " << line << " of " << golden;
  }
  EXPECT_EQ(actual, expected);
  // No drawing function leaves a font or pen behind.
  EXPECT_EQ(cmd::gdi::LiveObjects().fonts, 0);
  EXPECT_EQ(cmd::gdi::LiveObjects().pens, 0);
}

struct RoundCase {
  double value;
  int decimals, mode;
  double expected;
};

TEST(PrintRounding, FractionModes) {
  const RoundCase cases[] = {
      {42.5, 0, kRoundHalf, 43},     {42.49, 0, kRoundHalf, 42},   {42.5, 0, kRoundDown, 42},
      {42.01, 0, kRoundUp, 43},      {42.0, 0, kRoundUp, 42},      {-42.5, 0, kRoundHalf, -43},
      {-42.5, 0, kRoundDown, -42},   {0.1 * 3, 1, kRoundUp, 0.3},  {2.675, 2, kRoundHalf, 2.68},
      {1234.5678, 2, kRoundDown, 1234.56}, {19.6, 0, 0, 20},       {19.6, 0, 7, 20},
      {99999999999.5, 0, kRoundHalf, 100000000000}, {3000000000.4, 0, kRoundDown, 3000000000},
  };
  for (const RoundCase& c : cases)
    EXPECT_DOUBLE_EQ(RoundFraction(c.value, c.decimals, c.mode), c.expected)
        << c.value << " at " << c.decimals << " decimals, mode " << c.mode;
}

// Settings of the rounding, selling rate and tax, and what they make of
// seven metres of IV 1.6mm (単価 28, 定価 50) and an expense of 8 per cent.
struct ArithmeticCase {
  const char16_t* rateOn;
  const char16_t* rate;
  const char16_t* itemMode;
  const char16_t* expenseMode;
  const char16_t* totalMode;
  const char16_t* taxMode;
  const char* price;
  double amount, expense, tax, total;
};

TEST_F(PrintTest, ArithmeticFollowsTheSettings) {
  const ArithmeticCase cases[] = {
      // rate off: 28 x 7 = 196; 8% = 15.68; outside tax 10% of 211.68 -> 211
      {u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,0,1,1", "28   ", 196, 16, 21, 233},
      // rate 85%: 42.5 x 7 = 297.5; expense 23.8
      {u"1", u"85", u"5", u"5", u"1", u"0,0,0,0,0,1,1", "42.5 ", 298, 24, 32, 354},
      {u"1", u"85", u"1", u"1", u"2", u"0,0,0,0,0,1,1", "42.5 ", 297, 23, 32, 352},
      {u"1", u"83", u"2", u"2", u"5", u"0,0,0,0,0,1,1", "41.5 ", 291, 24, 32, 347},
      // inside tax: 212 x 10 / 110 = 19.27
      {u"0", u"85", u"5", u"5", u"5", u"0,0,0,0,1,1,1", "28   ", 196, 16, 19, 212},
      {u"0", u"85", u"5", u"5", u"2", u"0,0,0,0,1,1,1", "28   ", 196, 16, 20, 212},
      // no tax; a field 5 above 2 reads as 0 (outside)
      {u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,2,1,1", "28   ", 196, 16, 0, 212},
      {u"0", u"85", u"5", u"5", u"1", u"0,0,0,0,7,1,1", "28   ", 196, 16, 21, 233},
  };
  const std::string doc = R"({"lines": [{"codes": [1, 1, 1], "quantity": 7},
                                        {"expense": "諸経費", "rate": 8}]})";
  for (const ArithmeticCase& c : cases) {
    Set(u"SYSTEM", u"売価率ON", c.rateOn);
    Set(u"SYSTEM", u"売価率", c.rate);
    Set(u"端数", u"工事項目", c.itemMode);
    Set(u"端数", u"掛率指定経費", c.expenseMode);
    Set(u"端数", u"工事項目合計", c.totalMode);
    Set(u"TAX", u"MODE", c.taxMode);
    Estimate e = Work(doc);
    SCOPED_TRACE(Utf16ToUtf8(c.rate) + " " + Utf16ToUtf8(c.itemMode) + Utf16ToUtf8(c.totalMode) +
                 " " + Utf16ToUtf8(c.taxMode));
    EXPECT_EQ(e.rows[0].price.ToUtf8(), c.price);
    EXPECT_EQ(e.rows[0].value, c.amount);
    EXPECT_EQ(e.rows[1].value, c.expense);
    EXPECT_EQ(e.tax, c.tax);
    EXPECT_EQ(e.total, c.total);
  }
}

TEST_F(PrintTest, HeadTextsComeFromTheSettings) {
  Estimate e = Work(kSmall);
  EXPECT_EQ(e.number.ToUtf8(), "M-02418");  // last number 2417, step 1, five digits
  EXPECT_EQ(e.date.ToUtf8(), "令和6年5月3日");
  EXPECT_EQ(e.honorific.ToUtf8(), "御中");
  EXPECT_EQ(e.rows[3].name.ToUtf8(), "小  計");
  EXPECT_EQ(e.rows.back().name.ToUtf8(), "税込合  計");
  Set(u"SYSTEM", u"GENGOU", u"西暦");
  Set(u"SYSTEM", u"見積No桁有", u"0");
  e = Work(kSmall);
  EXPECT_EQ(e.date.ToUtf8(), "2024/5/3");
  EXPECT_EQ(e.number.ToUtf8(), "M-2418");
  e = Work(R"({"customer": "田中 浩二", "lines": [{"name": "見出し"}]})");
  EXPECT_EQ(e.honorific.ToUtf8(), "様");
}

// The preview of the long sample: drawing every other column alone, no ink
// lies outside the cells of the columns drawn.
TEST_F(PrintTest, PreviewTextsStayInTheirCells) {
  Document doc = ReadDocument((Estimates() / "sakura-school.json").string());
  doc.lines.insert(doc.lines.begin() + 2,
                   ParseDocument(R"({"lines": [{"name": ")" + std::string(60, 'W') +
                                     R"(", "detail": ")" + std::string(40, 'M') + "漢字" +
                                     R"(", "quantity": 99, "unit": "キログラム", "price": 99999.99}]})",
                                 "x", ".")
                       .lines[0]);
  Estimate e = WorkOut(doc, ReadRules(doc));
  Warnings warnings(std::cerr);
  Letterhead head = ReadLetterhead(warnings);
  std::vector<PageRows> pages = Paginate(e);
  ASSERT_GE(pages.size(), 3u);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    for (unsigned mask : {0b010101u, 0b101010u}) {
      CDC dc;
      Page page{&dc, 96};
      dc.Attach(cmd::gdi::CreateImageDC(page.L(kPageWidth), page.L(kPageHeight), 96));
      DrawEstimatePage(page, e, head, pages, p, mask);
      cmd::gdi::Image image;
      ASSERT_TRUE(cmd::gdi::GetImage(dc.GetSafeHdc(), image));
      std::vector<RECT> cells;
      for (int c = 0; c < kColumns; ++c) {
        if (!(mask & (1u << c))) continue;
        ColumnCells col = CellsOf(p, c);
        for (int top : col.tops) cells.push_back(page.Rect(col.left, top, col.right, top + col.height));
      }
      int inked = 0, outside = 0;
      for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
          if ((image.At(x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
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
}

TEST_F(PrintTest, EnvelopeWritesAddressVertically) {
  Address to = ReadAddress((Estimates() / "address-aoba.json").string());
  EXPECT_EQ(to.postal, "9800811");
  EXPECT_EQ(VerticalText(to.lines[0]).ToUtf8(), "宮城県仙台市青葉区一番町三ー一ー一");
  Envelope env = ReadEnvelope(ParseEnvelopeKind("長3"));
  EXPECT_EQ(env.width, 1200);
  EXPECT_EQ(env.flap, 260);  // margin type 1: the flap is open
  Envelope kaku = ReadEnvelope(24);
  EXPECT_EQ(kaku.name.ToUtf8(), "角2");
  EXPECT_EQ(kaku.flap, 0);  // margin type 0 in the sample's envelope settings

  Warnings warnings(std::cerr);
  CDC dc;
  dc.Attach(cmd::gdi::CreateRecordingDC(300, true));
  cmd::gdi::RecordEverything(dc.GetSafeHdc(), false);
  Page page{&dc, 300};
  DrawEnvelope(page, env, to, ReadLetterhead(warnings));
  std::string listing = Listing(dc.GetSafeHdc());
  // The seven digits in their boxes, left to right.
  std::vector<std::string> digits;
  std::vector<int> lefts;
  for (const cmd::gdi::GdiOp& op : cmd::gdi::RecordedOps(dc.GetSafeHdc(), cmd::gdi::OpKind::DrawText)) {
    if (op.text.size() == 1 && op.text[0] >= u'0' && op.text[0] <= u'9') {
      digits.push_back(Utf16ToUtf8(op.text));
      lefts.push_back(op.rect.left);
    }
  }
  EXPECT_EQ(digits, (std::vector<std::string>{"9", "8", "0", "0", "8", "1", "1"}));
  EXPECT_TRUE(std::is_sorted(lefts.begin(), lefts.end()));
  // Address characters one below the other in one column: 宮 above 城.
  auto cell = [&](const char* ch) {
    for (const cmd::gdi::GdiOp& op : cmd::gdi::RecordedOps(dc.GetSafeHdc(), cmd::gdi::OpKind::DrawText))
      if (Utf16ToUtf8(op.text) == ch) return op.rect;
    return RECT{};
  };
  EXPECT_EQ(cell("宮").left, cell("城").left);
  EXPECT_LT(cell("宮").top, cell("城").top);
  EXPECT_NE(listing.find("textout"), std::string::npos) << "the long marks are turned";
}

// ---- as processes

TEST_F(PrintProcess, PrintedEstimateHoldsEveryLineAndTheTotal) {
  fs::path out = dir / "out";
  fs::create_directories(out);
  auto r = Run({"print", "estimate", (Estimates() / "sakura-school.json").string(), "-o",
                (out / "s.pdf").string(), "--png", (out / "s").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("cmdtool"), std::string::npos) << r.err;  // no warning
  EXPECT_NE(r.out.find("3 pages"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(", total ¥"), std::string::npos) << r.out;  // a yen sign, not a backslash
  for (const char* png : {"s-1.png", "s-2.png", "s-3.png"})
    EXPECT_EQ(ReadBytes(out / png).substr(1, 3), "PNG") << png;

  std::string text;
  if (FILE* p = popen(("pdftotext -raw '" + (out / "s.pdf").string() + "' -").c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
    pclose(p);
  }
  ASSERT_FALSE(text.empty()) << "pdftotext gave nothing";
  auto squeeze = [](std::string s) {
    std::erase_if(s, [](char c) { return c == ' ' || c == '\n' || c == '\f'; });
    return s;
  };
  std::string all = squeeze(text);
  // The names, worked out in this process from the same files.
  KeepCurrentDirectory cwd;
  cmdtool::Installation inst;
  inst.given = install.string();
  inst.Open();
  Document doc = ReadDocument((Estimates() / "sakura-school.json").string());
  Estimate e = WorkOut(doc, ReadRules(doc));
  for (const Row& row : e.rows)
    EXPECT_NE(all.find(squeeze(row.name.ToUtf8())), std::string::npos) << row.name.ToUtf8();
  EXPECT_NE(all.find(squeeze(e.totalText.ToUtf8().substr(1))), std::string::npos)
      << e.totalText.ToUtf8();
}

// A face that is not installed and a logo that is no picture: the form is
// printed anyway, and each is said once.
TEST_F(PrintProcess, PrintedEnvelopeWithMissingFontAndLogo) {
  {
    KeepCurrentDirectory cwd;
    cmdtool::Installation inst;
    inst.given = install.string();
    inst.Open();
    for (int line : {1, 2}) SetJishaInfoAttrIni(line, 52, 1, 0, 0, 0, 3, 0, u"NoSuchFace");
  }
  WriteBytes(install / "LOGO" / "logo.bmp", "not a picture");
  fs::path out = dir / "out";
  fs::create_directories(out);
  auto r = Run({"print", "envelope", "--to", (Estimates() / "address-aoba.json").string(), "-o",
                (out / "e.pdf").string(), "--png", (out / "e").string(), "--kind", "角2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(out / "e.pdf").substr(0, 5), "%PDF-");
  EXPECT_EQ(ReadBytes(out / "e-1.png").substr(1, 3), "PNG");
  auto count = [&](const std::string& what) {
    int n = 0;
    for (std::size_t at = 0; (at = r.err.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
  };
  EXPECT_EQ(count("cmdtool: warning: font 'NoSuchFace' is not installed"), 1) << r.err;
  EXPECT_EQ(count("cmdtool: warning: LOGO/logo.bmp is not a BMP picture"), 1) << r.err;
}

struct BadInput {
  const char* name;
  const char* json;  // est.json
  const char* csv;   // lines.csv, when not null
  std::vector<std::string> fragments;
};

TEST_F(PrintProcess, BadEstimatesLeaveNoOutput) {
  const BadInput cases[] = {
      {"unknown item", R"({"lines": [{"codes": [4, 1, 99], "quantity": 1}]})", nullptr,
       {"est.json: lines[0]: no catalogue item 4-1-99 in 電気"}},
      {"quantity text", R"({"lines": [{"codes": [4, 1, 1], "quantity": "12本"}]})", nullptr,
       {"est.json: lines[0].quantity: quantity '12本' is not a number"}},
      {"price too large", R"({"lines": [{"name": "a", "quantity": 1, "unit": "式", "price": 12345678901}]})",
       nullptr, {"lines[0].price", "does not fit"}},
      {"amount too large", R"({"lines": [{"name": "a", "quantity": 9999999, "price": 999999999}]})",
       nullptr, {"lines[0]: the amount", "does not fit"}},
      {"unknown line field", R"({"lines": [{"name": "a", "colour": "red"}]})", nullptr,
       {"est.json: lines[0].colour: unknown field"}},
      {"unknown field", R"({"customre": "x", "lines": []})", nullptr, {"est.json: customre: unknown field"}},
      {"empty document", "  \n", nullptr, {"est.json: the document is empty"}},
      {"no lines", R"({"lines": []})", nullptr, {"est.json: the estimate has no lines"}},
      {"json syntax", "{\n \"lines\": [\n  {\"name\": \"a\",}\n]}", nullptr, {"est.json: ", "line 3"}},
      {"csv syntax", R"({"lines": "lines.csv"})", "kind,name,quantity,price\nfree,a,1,2\nfree,\"b,1,2\n",
       {"lines.csv:3: a quoted field is not closed"}},
      {"csv number", R"({"lines": "lines.csv"})", "kind,name,quantity,price\nfree,a,1x,2\n",
       {"lines.csv:2: quantity '1x' is not a number"}},
      {"csv column", R"({"lines": "lines.csv"})", "kind,nmae\n", {"lines.csv:1: unknown column 'nmae'"}},
      {"bad date", R"({"date": "2024/02/30", "lines": [{"name": "a"}]})", nullptr,
       {"est.json: date: '2024/02/30' is not a date"}},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path in = dir / "in", out = dir / "out";
    fs::remove_all(in), fs::remove_all(out);
    fs::create_directories(in), fs::create_directories(out);
    WriteBytes(in / "est.json", c.json);
    if (c.csv) WriteBytes(in / "lines.csv", c.csv);
    auto r = cmdtest::RunTool({"--root", install.string(), "print", "estimate", "est.json", "-o",
                      (out / "x.pdf").string(), "--png", (out / "x").string()},
                     home, "", in);
    ExpectFailure(r, {});
    for (const std::string& f : c.fragments) EXPECT_NE(r.err.find(f), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(out)) << "output left behind";
  }
  auto r = Run({"print", "envelope", "--to", "/nonexistent.json", "-o", (dir / "e.pdf").string()});
  ExpectFailure(r, {"/nonexistent.json: cannot read the file"});
  WriteBytes(dir / "a.json", R"({"postal": "98-0811", "address": "x", "name": "y"})");
  r = Run({"print", "envelope", "--to", (dir / "a.json").string(), "-o", (dir / "e.pdf").string()});
  ExpectFailure(r, {"a.json: postal: a postal code has seven digits"});
  EXPECT_FALSE(fs::exists(dir / "e.pdf"));
}

TEST(PrintDocs, ReadmeImageAndDemoStep) {
  fs::path root(CMD_SOURCE_DIR);
  EXPECT_EQ(ReadBytes(root / "docs" / "estimate-page1.png").substr(1, 3), "PNG");
  std::string readme = ReadBytes(root / "README.md");
  EXPECT_NE(readme.find("docs/estimate-page1.png"), std::string::npos);
  std::string demo = ReadBytes(root / "tools" / "demo.sh");
  EXPECT_NE(demo.find("print estimate"), std::string::npos);
  EXPECT_NE(demo.find("print envelope"), std::string::npos);
}

}  // namespace
