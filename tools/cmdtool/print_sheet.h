// Drawing of printed forms on a device context through the library's
// drawers: the estimate sheet (御見積書) page by page, and what the forms
// share (the page geometry in tenths of a millimetre, cells, rules, the
// own-company block of the print settings).
#pragma once

#include <iosfwd>
#include <set>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "print_estimate.h"

namespace cmdtool::print {

// A page of a device context. Layouts are in tenths of a millimetre; the
// page turns them into device units at its resolution and moves them by the
// printer's position adjustment.
struct Page {
  CDC* dc = nullptr;
  int dpi = 300;
  int offsetX = 0, offsetY = 0;  // device units
  int L(int tenths) const;       // a length
  int X(int tenths) const { return offsetX + L(tenths); }
  int Y(int tenths) const { return offsetY + L(tenths); }
  RECT Rect(int left, int top, int right, int bottom) const;
};

// Warnings said once each on standard error (a missing font or logo).
class Warnings {
 public:
  explicit Warnings(std::ostream& err) : err_(err) {}
  void Say(const std::string& text);

 private:
  std::ostream& err_;
  std::set<std::string> said_;
};

// A line of text with the font its attribute line of the print settings
// gives: attribute 1 the character height in tenths of a millimetre (0: the
// form's own), attribute 2 bold when 1, attribute 6 (with 8) the face.
struct StyledLine {
  CString text;
  CString face;
  int height = 0;
  bool bold = false;
};

// What a form takes from the installation besides the document: the
// own-company lines and the footer with their fonts, and the logo.
struct Letterhead {
  std::vector<StyledLine> company;  // own-company lines 1 to 8 that are not empty
  StyledLine footer;
  CString logo;                     // library path of the logo BMP; empty for none
  int logoWidth = 0, logoHeight = 0;
};
Letterhead ReadLetterhead(Warnings& warnings);

// Draws a text fitted into a cell (library fit mode); the rectangle is in
// device units.
void DrawCell(const Page& page, const CString& text, RECT cell, UINT format, int height,
              const CString& face = u"", int weight = FW_NORMAL);
// A straight rule from (x1, y1) to (x2, y2), layout units.
void DrawRule(const Page& page, int x1, int y1, int x2, int y2, int width);

// ---- The estimate sheet

// Rows of one page: rows [begin, end) of the estimate, with the running
// total brought from the previous page and carried to the next.
struct PageRows {
  std::size_t begin = 0, end = 0;
  bool carriedIn = false, carriedOut = false;
  double broughtIn = 0, carriedOutValue = 0;
};

struct SheetLayout {
  int firstRows = 19;  // row slots of the table on the first page
  int otherRows = 28;  // on the following pages
};
std::vector<PageRows> Paginate(const Estimate& e, const SheetLayout& layout = {});

// Table columns, left to right: name, detail, quantity, unit, price, amount.
constexpr int kColumns = 6;
// The cells drawn: all columns, or (for checking that no text leaves its
// cell) only the columns whose bit is set, without anything else.
constexpr unsigned kAllColumns = (1u << kColumns) - 1;

void DrawEstimatePage(const Page& page, const Estimate& e, const Letterhead& head,
                      const std::vector<PageRows>& pages, std::size_t index,
                      unsigned columns = kAllColumns, const SheetLayout& layout = {});

// Where the cells of column `column` lie on a page (layout units), for the
// row slots of the page: left, right and the tops of the slots.
struct ColumnCells {
  int left = 0, right = 0;
  std::vector<int> tops;
  int height = 0;
};
ColumnCells CellsOf(std::size_t pageIndex, int column, const SheetLayout& layout = {});

// A4 in layout units.
constexpr int kPageWidth = 2100, kPageHeight = 2970;

}  // namespace cmdtool::print
