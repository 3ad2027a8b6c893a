#include "print_sheet.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "cmddll3/frame.h"
#include "cmddll3/platform/gdi_devices.h"
#include "tool.h"

namespace fs = std::filesystem;

namespace cmdtool::print {

// ---- page geometry and shared drawing

int Page::L(int tenths) const {
  return static_cast<int>(std::lround(tenths * static_cast<double>(dpi) / 254.0));
}

RECT Page::Rect(int left, int top, int right, int bottom) const {
  return RECT{X(left), Y(top), X(right), Y(bottom)};
}

void Warnings::Say(const std::string& text) {
  if (said_.insert(text).second) err_ << "cmdtool: warning: " << text << "\n";
}

void DrawCell(const Page& page, const CString& text, RECT cell, UINT format, int height,
              const CString& face, int weight) {
  if (text.IsEmpty()) return;
  LOGFONTW lf{};
  MakeLogFont(&lf, face.IsEmpty() ? nullptr : face.GetString(), page.L(height), 0, weight, 0, 0,
              0);
  DrawText2(page.dc, text, &cell, format | DT_VCENTER, 100, 0, RGB(0, 0, 0), &lf, 0, 0);
}

void DrawRule(const Page& page, int x1, int y1, int x2, int y2, int width) {
  CPen pen(PS_SOLID, std::max(1, page.L(width)), RGB(0, 0, 0));
  CPen* old = page.dc->SelectObject(&pen);
  page.dc->MoveTo(page.X(x1), page.Y(y1));
  page.dc->LineTo(page.X(x2), page.Y(y2));
  page.dc->SelectObject(old);
  pen.DeleteObject();
}

namespace {

// A face the font mapper can draw: the Windows faces it substitutes, or a
// face installed under that name.
bool FaceInstalled(const CString& face) {
  std::u16string_view f(face.GetString(), face.GetLength());
  if (f.empty() || f.starts_with(u"ＭＳ") || f.starts_with(u"MS ") || f.starts_with(u"@"))
    return true;
  return cmd::gdi::ResolveFontFamily(f) == U8(face);
}

StyledLine Styled(CString text, CString face, int a1, int a2, Warnings& warnings) {
  StyledLine line;
  line.text = text;
  line.height = std::clamp(a1, 0, 300);
  line.bold = a2 == 1;
  line.face = face;
  if (!text.IsEmpty() && !FaceInstalled(face)) {
    warnings.Say("font '" + U8(face) + "' is not installed; " +
                 cmd::gdi::ResolveFontFamily(face.GetString()) + " is used instead");
  }
  return line;
}

}  // namespace

Letterhead ReadLetterhead(Warnings& warnings) {
  Letterhead head;
  int a[7];
  for (int line = 1; line <= 8; ++line) {
    CString text = GetJishaInfoIni(line, 1);
    if (text.IsEmpty()) continue;
    CString face = GetJishaInfoAttrIni(line, &a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6]);
    head.company.push_back(Styled(text, face, a[0], a[1], warnings));
  }
  CString footer = GetFooterInfoIni(1);
  CString face = GetFooterInfoAttrIni(&a[0], &a[1], &a[2], &a[3], &a[4], &a[5], &a[6]);
  head.footer = Styled(footer, face, a[0], a[1], warnings);

  // The logo: the first BMP picture of the logo folder, by name.
  CString folder = GetLogoDrv();
  std::string host = Installation::Host(folder);
  std::error_code ec;
  std::vector<fs::path> pictures;
  if (!host.empty() && fs::is_directory(host, ec)) {
    for (const auto& entry : fs::directory_iterator(host, ec)) {
      std::string ext = entry.path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
      if (ext == ".bmp" && entry.is_regular_file(ec)) pictures.push_back(entry.path());
    }
  }
  std::sort(pictures.begin(), pictures.end());
  if (!pictures.empty()) {
    std::ifstream in(pictures[0], std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    cmd::gdi::BmpFile bmp;
    std::string shown = "LOGO/" + pictures[0].filename().string();
    if (!cmd::gdi::ParseBmpFile(bytes, bmp)) {
      warnings.Say(shown + " is not a BMP picture; the form is printed without a logo");
    } else {
      head.logo = folder + W(pictures[0].filename().string());
      head.logoWidth = bmp.layout.width;
      head.logoHeight = bmp.layout.height;
    }
  }
  return head;
}

namespace {

// ---- the estimate sheet's layout (tenths of a millimetre)

constexpr int kLeft = 150, kRight = 1950;
constexpr int kColumnEdges[kColumns + 1] = {150, 640, 1120, 1290, 1390, 1640, 1950};
constexpr int kFirstTableTop = 960, kOtherTableTop = 330;
constexpr int kHeadRow = 80, kRow = 75;
constexpr int kPadX = 15, kPadY = 6;
constexpr int kCellFont = 40;
constexpr int kRemarksTop = 2560, kRemarksBottom = 2800;
constexpr int kFooterTop = 2830, kPageNumberTop = 2890;
constexpr int kThin = 2, kThick = 5;

const char16_t* const kHeads[kColumns] = {u"名　　称", u"規格・仕様", u"数　量",
                                          u"単位", u"単　価", u"金　　額"};
const UINT kAlign[kColumns] = {DT_LEFT, DT_LEFT, DT_RIGHT, DT_CENTER, DT_RIGHT, DT_RIGHT};

const CString kMincho = u"ＭＳ 明朝";

int TableTop(std::size_t page) { return page == 0 ? kFirstTableTop : kOtherTableTop; }
int Slots(std::size_t page, const SheetLayout& l) { return page == 0 ? l.firstRows : l.otherRows; }

// The texts of one row slot, by column.
struct Slot {
  CString cell[kColumns];
  RowKind kind = RowKind::Line;
  bool filled = false;
};

Slot SlotOf(const Row& row) {
  Slot s;
  s.cell[0] = row.name, s.cell[1] = row.detail, s.cell[2] = row.quantity;
  s.cell[3] = row.unit, s.cell[4] = row.price, s.cell[5] = row.amount;
  s.kind = row.kind;
  s.filled = true;
  return s;
}

Slot CarriedSlot(const Estimate& e, const char16_t* which, double value) {
  Slot s;
  s.cell[0] = e.carriedCaption;
  s.cell[1] = which;
  s.cell[5] = KanmaFormat_1(value, 0);
  s.kind = RowKind::Subtotal;
  s.filled = true;
  return s;
}

std::vector<Slot> SlotsOf(const Estimate& e, const PageRows& p, int count) {
  std::vector<Slot> slots;
  if (p.carriedIn) slots.push_back(CarriedSlot(e, u"前頁より", p.broughtIn));
  for (std::size_t i = p.begin; i < p.end; ++i) slots.push_back(SlotOf(e.rows[i]));
  if (p.carriedOut) slots.push_back(CarriedSlot(e, u"次頁へ", p.carriedOutValue));
  slots.resize(std::max<std::size_t>(slots.size(), count));
  return slots;
}

bool Closing(RowKind k) { return k == RowKind::Total || k == RowKind::Tax || k == RowKind::GrandTotal; }

void DrawSlot(const Page& page, const Slot& s, int top, unsigned columns) {
  for (int c = 0; c < kColumns; ++c) {
    if (!(columns & (1u << c)) || s.cell[c].IsEmpty()) continue;
    UINT align = kAlign[c];
    // Captions of subtotals and closing rows stand in the middle of the name column.
    if (c == 0 && (s.kind == RowKind::Subtotal || Closing(s.kind))) align = DT_CENTER;
    RECT cell = page.Rect(kColumnEdges[c] + kPadX, top + kPadY, kColumnEdges[c + 1] - kPadX,
                          top + kRow - kPadY);
    DrawCell(page, s.cell[c], cell, align, kCellFont, u"",
             s.kind == RowKind::GrandTotal ? FW_BOLD : FW_NORMAL);
  }
}

void DrawTableRules(const Page& page, int top, int slots, const std::vector<Slot>& rows) {
  int bottom = top + kHeadRow + slots * kRow;
  // The heading band.
  RECT band = page.Rect(kLeft, top, kRight, top + kHeadRow);
  page.dc->FillSolidRect(&band, RGB(232, 236, 240));
  for (int c = 0; c < kColumns; ++c) {
    RECT cell = page.Rect(kColumnEdges[c], top, kColumnEdges[c + 1], top + kHeadRow);
    DrawCell(page, kHeads[c], cell, DT_CENTER, kCellFont);
  }
  // Row rules; a double rule over the total with tax.
  for (int k = 0; k <= slots; ++k) {
    int y = top + kHeadRow + k * kRow;
    DrawRule(page, kLeft, y, kRight, y, k == 0 ? kThick : kThin);
    if (k < slots && rows[k].kind == RowKind::GrandTotal)
      DrawRule(page, kLeft, y + 10, kRight, y + 10, kThin);
  }
  // Column separators along each column's left edge, and the frame.
  CPen pen(PS_SOLID, std::max(1, page.L(kThin)), RGB(0, 0, 0));
  CPen* old = page.dc->SelectObject(&pen);
  for (int c = 1; c < kColumns; ++c) {
    RECT column = page.Rect(kColumnEdges[c], top, kColumnEdges[c + 1], bottom);
    DrawSikiri(page.dc, &column);
  }
  page.dc->SelectObject(old);
  pen.DeleteObject();
  DrawRule(page, kLeft, top, kRight, top, kThick);
  DrawRule(page, kLeft, bottom, kRight, bottom, kThick);
  DrawRule(page, kLeft, top, kLeft, bottom, kThick);
  DrawRule(page, kRight, top, kRight, bottom, kThick);
}

void DrawLogo(const Page& page, const Letterhead& head, int left, int top, int size) {
  if (head.logo.IsEmpty() || head.logoWidth <= 0 || head.logoHeight <= 0) return;
  // Fitted into the square, keeping its proportions.
  double scale = std::min(double(size) / head.logoWidth, double(size) / head.logoHeight);
  int w = static_cast<int>(head.logoWidth * scale), h = static_cast<int>(head.logoHeight * scale);
  RECT r = page.Rect(left + (size - w) / 2, top + (size - h) / 2, left + (size + w) / 2,
                     top + (size + h) / 2);
  DrawBitmapFile(page.dc->GetSafeHdc(), &r, head.logo, SRCCOPY);
}

void DrawCompany(const Page& page, const Letterhead& head, int left, int top, int right) {
  int y = top;
  for (std::size_t i = 0; i < head.company.size(); ++i) {
    const StyledLine& line = head.company[i];
    int h = line.height ? line.height : (i == 0 ? 50 : 32);
    RECT r = page.Rect(left, y, right, y + h * 13 / 10);
    DrawCell(page, line.text, r, DT_LEFT, h, line.face, line.bold ? FW_BOLD : FW_NORMAL);
    y += h * 14 / 10;
  }
}

void DrawFirstHead(const Page& page, const Estimate& e, const Letterhead& head) {
  DrawCell(page, u"御　見　積　書", page.Rect(550, 140, 1550, 270), DT_CENTER, 95, kMincho,
           FW_BOLD);
  DrawRule(page, 650, 282, 1450, 282, kThick);
  DrawRule(page, 650, 296, 1450, 296, kThin);

  DrawCell(page, u"No. " + e.number, page.Rect(1350, 320, kRight, 380), DT_RIGHT, 38);
  DrawCell(page, e.date, page.Rect(1350, 380, kRight, 440), DT_RIGHT, 38);

  DrawCell(page, e.customer, page.Rect(kLeft, 450, 930, 540), DT_LEFT, 62, kMincho);
  DrawCell(page, e.honorific, page.Rect(940, 450, 1050, 540), DT_RIGHT, 55, kMincho);
  DrawRule(page, kLeft, 548, 1050, 548, kThin);
  DrawCell(page, u"下記の通り御見積申し上げます。", page.Rect(kLeft, 575, 1050, 625), DT_LEFT, 34);

  DrawCell(page, u"件　名", page.Rect(kLeft, 655, 310, 725), DT_LEFT, 38);
  DrawCell(page, e.title, page.Rect(310, 655, 1050, 725), DT_LEFT, 42);
  DrawRule(page, kLeft, 732, 1050, 732, kThin);

  DrawCell(page, u"御見積金額", page.Rect(kLeft, 775, 400, 865), DT_LEFT, 42);
  // The estimate amount, underlined: on a printer the drawer rules a line of
  // the pen width given in the font record's underline byte.
  LOGFONTW lf{};
  MakeLogFont(&lf, kMincho.GetString(), page.L(72), 0, FW_BOLD, 0,
              static_cast<BYTE>(std::max(1, page.L(kThick))), 0);
  RECT amount = page.Rect(410, 765, 860, 865);
  DrawText2(page.dc, e.totalText, &amount, DT_LEFT | DT_VCENTER, 100, 1, RGB(0, 0, 0), &lf, 0, 1);
  DrawCell(page, e.totalNote, page.Rect(860, 800, 1100, 865), DT_LEFT, 32);

  DrawLogo(page, head, 1110, 455, 200);
  DrawCompany(page, head, 1330, 455, kRight);
}

void DrawOtherHead(const Page& page, const Estimate& e) {
  DrawCell(page, u"御見積書（続き）", page.Rect(kLeft, 150, 800, 230), DT_LEFT, 55, kMincho,
           FW_BOLD);
  DrawCell(page, u"No. " + e.number + u"　" + e.date, page.Rect(1100, 160, kRight, 220), DT_RIGHT,
           36);
  DrawCell(page, e.customer + u" " + e.honorific + u"　件名：" + e.title,
           page.Rect(kLeft, 240, kRight, 300), DT_LEFT, 36);
}

void DrawRemarks(const Page& page, const Estimate& e) {
  if (e.remarks.IsEmpty()) return;
  DrawRule(page, kLeft, kRemarksTop, kRight, kRemarksTop, kThin);
  DrawRule(page, kLeft, kRemarksBottom, kRight, kRemarksBottom, kThin);
  DrawRule(page, kLeft, kRemarksTop, kLeft, kRemarksBottom, kThin);
  DrawRule(page, kRight, kRemarksTop, kRight, kRemarksBottom, kThin);
  DrawRule(page, 300, kRemarksTop, 300, kRemarksBottom, kThin);
  DrawCell(page, u"備考", page.Rect(kLeft, kRemarksTop, 300, kRemarksBottom), DT_CENTER, 38);
  int lines = 1;
  for (int i = 0; (i = e.remarks.Find(u"\r\n", i)) >= 0; i += 2) ++lines;
  LOGFONTW lf{};
  MakeLogFont(&lf, nullptr, 0, 0, FW_NORMAL, 0, 0, 0);
  RECT r = page.Rect(320, kRemarksTop + 15, kRight - 20, kRemarksBottom - 15);
  DrawFixMultiYokoText(page.dc, e.remarks, &r, std::max(lines, 4), DT_LEFT, 2, 80, RGB(0, 0, 0),
                       &lf);
}

void DrawFooter(const Page& page, const Letterhead& head, std::size_t index, std::size_t count) {
  const StyledLine& f = head.footer;
  DrawCell(page, f.text, page.Rect(kLeft, kFooterTop, kRight, kFooterTop + 50), DT_CENTER,
           f.height ? f.height : 30, f.face, f.bold ? FW_BOLD : FW_NORMAL);
  CString number;
  number.Format(u"%d / %d", static_cast<int>(index + 1), static_cast<int>(count));
  DrawCell(page, number, page.Rect(kLeft, kPageNumberTop, kRight, kPageNumberTop + 45), DT_CENTER,
           30);
}

}  // namespace

std::vector<PageRows> Paginate(const Estimate& e, const SheetLayout& layout) {
  std::vector<PageRows> pages;
  std::size_t next = 0;
  double running = 0;
  do {
    PageRows p;
    p.carriedIn = !pages.empty();
    p.broughtIn = running;
    std::size_t room = Slots(pages.size(), layout) - (p.carriedIn ? 1 : 0);
    p.begin = next;
    if (e.rows.size() - next <= room) {
      p.end = e.rows.size();
    } else {
      // Keep the closing rows together on the last page.
      p.end = next + room - 1;
      std::size_t closing = e.rows.size();
      while (closing > 0 && Closing(e.rows[closing - 1].kind)) --closing;
      if (p.end > closing && closing > next) p.end = closing;
      p.carriedOut = true;
    }
    for (std::size_t i = p.begin; i < p.end; ++i)
      if (e.rows[i].counts) running += e.rows[i].value;
    p.carriedOutValue = running;
    next = p.end;
    pages.push_back(p);
  } while (next < e.rows.size());
  return pages;
}

ColumnCells CellsOf(std::size_t pageIndex, int column, const SheetLayout& layout) {
  ColumnCells cells;
  cells.left = kColumnEdges[column];
  cells.right = kColumnEdges[column + 1];
  cells.height = kRow;
  for (int k = 0; k < Slots(pageIndex, layout); ++k)
    cells.tops.push_back(TableTop(pageIndex) + kHeadRow + k * kRow);
  return cells;
}

void DrawEstimatePage(const Page& page, const Estimate& e, const Letterhead& head,
                      const std::vector<PageRows>& pages, std::size_t index, unsigned columns,
                      const SheetLayout& layout) {
  int slots = Slots(index, layout);
  std::vector<Slot> rows = SlotsOf(e, pages[index], slots);
  int top = TableTop(index);
  bool whole = columns == kAllColumns;
  if (whole) {
    if (index == 0) DrawFirstHead(page, e, head);
    else DrawOtherHead(page, e);
    DrawTableRules(page, top, slots, rows);
  }
  for (int k = 0; k < slots; ++k)
    if (rows[k].filled) DrawSlot(page, rows[k], top + kHeadRow + k * kRow, columns);
  if (whole) {
    if (index + 1 == pages.size()) DrawRemarks(page, e);
    DrawFooter(page, head, index, pages.size());
  }
}

}  // namespace cmdtool::print
