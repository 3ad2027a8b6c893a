// The estimate document of `cmdtool print estimate`: read from UTF-8 JSON
// (its lines inline or in a CSV file beside it), checked, and worked out
// into the rows of the printed sheet with the installation's settings:
// selling rate, rounding, tax, total captions, numbering and date form.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cmddll3/platform/cstring.h"

namespace cmdtool::print {

enum class LineKind { Item, Free, Subtotal, Expense };
enum class TaxMode { Outside, Inside, None };

// One line as the document gives it.
struct DocLine {
  LineKind kind = LineKind::Free;
  std::string where;  // "est.json: lines[3]" or "lines.csv:12", for messages
  int trade = 0;      // Item: 1 to 4 (0: the document's trade)
  long level1 = 0, level2 = 0, level3 = 0;
  std::string name, detail, unit;  // Free; Expense and Subtotal: name is the caption
  double quantity = 0;
  double price = 0;
  std::optional<double> rate;    // Expense: per cent of the lines above
  std::optional<double> amount;  // Expense: a fixed amount
  bool heading = false;          // Free: a name alone, without quantity and price
};

struct Document {
  std::string file;  // as given, for messages
  std::string customer, honorific, title, date, number;
  std::vector<std::string> remarks;
  int trade = 1;
  std::optional<TaxMode> tax;
  std::vector<DocLine> lines;
};

// Reads and checks a document; a Failure names the file, the line or JSON
// path and the problem.
Document ReadDocument(const std::string& path);
// `folder` is where a CSV file named by "lines" is looked for.
// The JSON object of a hand-written file (`what`: "the estimate", "the
// address"); a syntax error or any other kind of value is a Failure that
// names the file.
nlohmann::json ParseJsonObject(std::string_view text, const std::string& name, const char* what);

Document ParseDocument(std::string_view json, const std::string& name,
                       const std::string& folder);
// The lines of a CSV file (a header naming the columns, then a line a row).
std::vector<DocLine> ParseCsvLines(std::string_view text, const std::string& name);

// ---- The arithmetic

// The rounding modes of the fraction settings ("端数"): 1 cuts the fraction
// (切り捨て), 2 raises it (切り上げ), any other value rounds half up
// (四捨五入). The magnitude is rounded, so a discount rounds like a charge.
enum RoundMode { kRoundDown = 1, kRoundUp = 2, kRoundHalf = 5 };
double RoundFraction(double value, int decimals, int mode);

// The settings the arithmetic reads, gathered once.
struct Rules {
  bool sellingRateOn = false;
  int sellingRate = 100;     // per cent of the list price
  int priceDecimals = 2;     // decimals of unit prices
  int itemMode = kRoundHalf;     // unit prices and line amounts ("工事項目")
  int expenseMode = kRoundHalf;  // rate expenses ("掛率指定経費")
  int totalMode = kRoundDown;    // tax ("工事項目合計")
  TaxMode tax = TaxMode::Outside;
  int taxRate = 10;
  CString taxName, insideTaxName;
  CString subtotalCaption, totalCaption, carriedCaption;
};
// From the installation's settings; the document's tax choice wins.
Rules ReadRules(const Document& doc);

enum class RowKind { Line, Subtotal, Expense, Total, Tax, GrandTotal };

// One row of the table as printed.
struct Row {
  RowKind kind = RowKind::Line;
  CString name, detail, quantity, unit, price, amount;
  double value = 0;  // the amount (0 for rows without one)
  bool counts = false;  // adds to the running total carried between pages
};

struct Estimate {
  CString customer, honorific, title, date, number;
  CString remarks;  // lines joined with CR LF
  std::vector<Row> rows;  // lines, subtotals and expenses, then the closing rows
  double net = 0, tax = 0, total = 0;
  CString totalText;  // the estimate amount as printed in the head: "\1,234,567-"
  CString totalNote;  // "（消費税込）" and the like
  CString carriedCaption;
};

// Works the document out; an unknown catalogue item or an amount that does
// not fit is a Failure naming the line.
Estimate WorkOut(const Document& doc, const Rules& rules);

// A decimal text ("12", "-3.5") within [-limit, limit] with at most
// `decimals` decimals; false with the reason otherwise.
bool ParseDecimal(std::string_view text, int decimals, double limit, double& value,
                  std::string& why);

}  // namespace cmdtool::print
