#include "print_estimate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "catalogue.h"
#include "cmddll3/cmddll3.h"
#include "tool.h"

namespace cmdtool::print {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr double kQuantityLimit = 9999999;      // 7 digits and 2 decimals
constexpr double kPriceLimit = 999999999;       // 9 digits and 2 decimals
constexpr double kAmountLimit = 999999999999;   // 12 digits: the sheet's amount column
constexpr std::size_t kTextLimit = 200;         // characters of one text

std::string ReadWhole(const std::string& path, const std::string& shown) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure(shown + ": cannot read the file");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Blank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::string CheckText(const std::string& where, const char* what, std::string text) {
  if (W(text).GetLength() > static_cast<int>(kTextLimit))
    throw Failure(where + ": " + what + " is longer than " + std::to_string(kTextLimit) +
                  " characters");
  return text;
}

// ---- values of a line, shared by the JSON and the CSV reader

struct Limits {
  const char* what;
  int decimals;
  double limit;
};
constexpr Limits kQuantity{"quantity", 2, kQuantityLimit};
constexpr Limits kPrice{"price", 2, kPriceLimit};
constexpr Limits kRate{"rate", 2, 100};
constexpr Limits kFixedAmount{"amount", 0, kPriceLimit};

double Decimal(const std::string& where, const Limits& l, const std::string& text) {
  double v = 0;
  std::string why;
  if (!ParseDecimal(text, l.decimals, l.limit, v, why))
    throw Failure(where + ": " + l.what + " '" + text + "' " + why);
  return v;
}

long Code(const std::string& where, const char* what, const std::string& text) {
  long long v = 0;
  if (!ParseInteger(text, 1, 99999, v))
    throw Failure(where + ": " + what + " '" + text + "' is not a code from 1 to 99999");
  return static_cast<long>(v);
}

// Checks that a line has what its kind needs; a free line of a name alone
// is a heading.
void CheckLine(DocLine& line, bool hasQuantity, bool hasPrice) {
  switch (line.kind) {
    case LineKind::Item:
      if (!hasQuantity) throw Failure(line.where + ": the quantity is missing");
      break;
    case LineKind::Free:
      if (line.name.empty()) throw Failure(line.where + ": the name is missing");
      line.heading = !hasQuantity && !hasPrice && line.detail.empty() && line.unit.empty();
      if (line.heading) break;
      if (!hasQuantity) throw Failure(line.where + ": the quantity is missing");
      if (!hasPrice) throw Failure(line.where + ": the price is missing");
      break;
    case LineKind::Expense:
      if (line.name.empty()) throw Failure(line.where + ": the expense name is missing");
      if (line.rate.has_value() == line.amount.has_value())
        throw Failure(line.where + ": an expense needs either a rate or an amount");
      break;
    case LineKind::Subtotal:
      break;
  }
}

// ---- JSON

std::string JsonText(const json& j, const std::string& where) {
  if (!j.is_string()) throw Failure(where + ": must be a text");
  return j.get<std::string>();
}

// A number given as a JSON number or as a text.
std::string JsonNumberText(const json& j, const std::string& where) {
  if (j.is_string()) return j.get<std::string>();
  if (j.is_number()) return j.dump();
  throw Failure(where + ": must be a number");
}

DocLine JsonLine(const json& j, const std::string& where) {
  if (!j.is_object()) throw Failure(where + ": a line must be a JSON object");
  DocLine line;
  line.where = where;
  if (j.contains("codes"))
    line.kind = LineKind::Item;
  else if (j.contains("subtotal"))
    line.kind = LineKind::Subtotal;
  else if (j.contains("expense"))
    line.kind = LineKind::Expense;
  else if (j.contains("name"))
    line.kind = LineKind::Free;
  else
    throw Failure(where + ": a line needs \"codes\", \"name\", \"subtotal\" or \"expense\"");

  static const std::vector<std::pair<LineKind, std::vector<std::string>>> known = {
      {LineKind::Item, {"codes", "trade", "quantity"}},
      {LineKind::Free, {"name", "detail", "quantity", "unit", "price"}},
      {LineKind::Subtotal, {"subtotal"}},
      {LineKind::Expense, {"expense", "rate", "amount"}},
  };
  for (const auto& [key, value] : j.items()) {
    const auto& keys = known[static_cast<int>(line.kind)].second;
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
      throw Failure(where + "." + key + ": unknown field");
  }
  bool hasQuantity = false, hasPrice = false;
  for (const auto& [key, value] : j.items()) {
    std::string at = where + "." + key;
    if (key == "codes") {
      if (!value.is_array() || value.size() != 3)
        throw Failure(at + ": must be three codes [level 1, level 2, level 3]");
      long* codes[] = {&line.level1, &line.level2, &line.level3};
      for (std::size_t k = 0; k < 3; ++k)
        *codes[k] = Code(at + "[" + std::to_string(k) + "]", "code",
                         JsonNumberText(value[k], at + "[" + std::to_string(k) + "]"));
    } else if (key == "trade") {
      line.trade = ParseTrade(value.is_number() ? value.dump() : JsonText(value, at)).number;
    } else if (key == "quantity") {
      line.quantity = Decimal(at, kQuantity, JsonNumberText(value, at));
      hasQuantity = true;
    } else if (key == "price") {
      line.price = Decimal(at, kPrice, JsonNumberText(value, at));
      hasPrice = true;
    } else if (key == "rate") {
      line.rate = Decimal(at, kRate, JsonNumberText(value, at));
    } else if (key == "amount") {
      line.amount = Decimal(at, kFixedAmount, JsonNumberText(value, at));
    } else if (key == "subtotal") {
      if (value.is_string()) line.name = CheckText(at, "the caption", value.get<std::string>());
      else if (!value.is_boolean() || !value.get<bool>())
        throw Failure(at + ": must be true or a caption");
    } else {  // name, detail, unit, expense
      std::string text = CheckText(at, key.c_str(), JsonText(value, at));
      (key == "detail" ? line.detail : key == "unit" ? line.unit : line.name) = text;
    }
  }
  CheckLine(line, hasQuantity, hasPrice);
  return line;
}

// ---- CSV lines: a header naming the columns, then one line a row

// Fields of one CSV line; quoted fields may hold commas and doubled quotes.
std::vector<std::string> CsvFields(std::string_view line, const std::string& where) {
  std::vector<std::string> fields(1);
  bool quoted = false, wasQuoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c != '"') fields.back() += c;
      else if (i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
      else quoted = false, wasQuoted = true;
    } else if (c == ',') {
      fields.emplace_back();
      wasQuoted = false;
    } else if (c == '"') {
      if (!fields.back().empty() || wasQuoted) throw Failure(where + ": a quote inside a field");
      quoted = true;
    } else if (wasQuoted) {
      throw Failure(where + ": text after a closing quote");
    } else {
      fields.back() += c;
    }
  }
  if (quoted) throw Failure(where + ": a quoted field is not closed");
  return fields;
}

const std::vector<std::string> kCsvColumns = {"kind", "trade", "level1", "level2", "level3",
                                              "name", "detail", "quantity", "unit", "price",
                                              "rate", "amount"};

}  // namespace

std::vector<DocLine> ParseCsvLines(std::string_view bytes, const std::string& shown) {
  std::string text(bytes);
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::istringstream in(text);
  std::string raw;
  std::vector<int> column;  // field index -> index in kCsvColumns
  std::vector<DocLine> lines;
  for (int number = 1; std::getline(in, raw); ++number) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string where = shown + ":" + std::to_string(number);
    if (Blank(raw)) continue;
    std::vector<std::string> f = CsvFields(raw, where);
    if (column.empty()) {
      for (const std::string& name : f) {
        auto it = std::find(kCsvColumns.begin(), kCsvColumns.end(), name);
        if (it == kCsvColumns.end()) throw Failure(where + ": unknown column '" + name + "'");
        column.push_back(static_cast<int>(it - kCsvColumns.begin()));
      }
      if (std::find(column.begin(), column.end(), 0) == column.end())
        throw Failure(where + ": the column 'kind' is missing");
      continue;
    }
    if (f.size() > column.size())
      throw Failure(where + ": " + std::to_string(f.size()) + " fields where the header names " +
                    std::to_string(column.size()));
    std::string v[12];
    for (std::size_t k = 0; k < f.size(); ++k) v[column[k]] = f[k];
    DocLine line;
    line.where = where;
    static const char* kinds[] = {"item", "free", "subtotal", "expense"};
    auto kind = std::find(std::begin(kinds), std::end(kinds), v[0]);
    if (kind == std::end(kinds))
      throw Failure(where + ": kind '" + v[0] + "' is not item, free, subtotal or expense");
    line.kind = static_cast<LineKind>(kind - std::begin(kinds));
    if (line.kind == LineKind::Item) {
      if (!v[1].empty()) line.trade = ParseTrade(v[1]).number;
      line.level1 = Code(where, "level1", v[2]);
      line.level2 = Code(where, "level2", v[3]);
      line.level3 = Code(where, "level3", v[4]);
    }
    line.name = CheckText(where, "the name", v[5]);
    line.detail = CheckText(where, "the detail", v[6]);
    line.unit = CheckText(where, "the unit", v[8]);
    if (!v[7].empty()) line.quantity = Decimal(where, kQuantity, v[7]);
    if (!v[9].empty()) line.price = Decimal(where, kPrice, v[9]);
    if (!v[10].empty()) line.rate = Decimal(where, kRate, v[10]);
    if (!v[11].empty()) line.amount = Decimal(where, kFixedAmount, v[11]);
    CheckLine(line, !v[7].empty(), !v[9].empty());
    lines.push_back(std::move(line));
  }
  if (column.empty()) throw Failure(shown + ": the file is empty; the first line names the columns");
  return lines;
}

namespace {

bool ValidDate(const std::string& text) {
  if (text.size() != 10) return false;
  for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (text[i] < '0' || text[i] > '9') return false;
  if ((text[4] != '/' && text[4] != '-') || text[7] != text[4]) return false;
  int y = 0, m = 0, d = 0;
  SplitDate(W(text), &y, &m, &d);
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return y >= 1 && m >= 1 && m <= 12 && d >= 1 && d <= (m == 2 && !leap ? 28 : days[m - 1]);
}

}  // namespace

bool ParseDecimal(std::string_view text, int decimals, double limit, double& value,
                  std::string& why) {
  std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  std::size_t dot = text.find('.');
  std::string_view whole = text.substr(i, dot == std::string_view::npos ? dot : dot - i);
  std::string_view fraction =
      dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
  auto digits = [](std::string_view s) {
    return s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (whole.empty() || !digits(whole) || !digits(fraction) ||
      (dot != std::string_view::npos && fraction.empty())) {
    why = "is not a number";
    return false;
  }
  if (static_cast<int>(fraction.size()) > decimals) {
    why = decimals == 0 ? "must be a whole number"
                        : "has more than " + std::to_string(decimals) + " decimals";
    return false;
  }
  double v = 0;
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  std::from_chars(first, text.data() + text.size(), v);
  if (whole.size() > 15 || std::fabs(v) > limit) {
    why = "does not fit (at most " + U8(KanmaFormat_1(limit, 0)) + ")";
    return false;
  }
  value = v;
  return true;
}

json ParseJsonObject(std::string_view text, const std::string& name, const char* what) {
  json top;
  try {
    top = json::parse(text.begin(), text.end());
  } catch (const json::exception& e) {
    std::string why = e.what();
    auto start = why.find("] ");
    throw Failure(name + ": " + (start == std::string::npos ? why : why.substr(start + 2)));
  }
  if (!top.is_object()) throw Failure(name + ": " + what + " must be a JSON object");
  return top;
}

Document ParseDocument(std::string_view text, const std::string& name, const std::string& folder) {
  if (Blank(text)) throw Failure(name + ": the document is empty");
  json top = ParseJsonObject(text, name, "the estimate");
  Document doc;
  doc.file = name;
  const json* lines = nullptr;
  for (const auto& [key, value] : top.items()) {
    std::string at = name + ": " + key;
    if (key == "customer") doc.customer = CheckText(at, key.c_str(), JsonText(value, at));
    else if (key == "honorific") doc.honorific = CheckText(at, key.c_str(), JsonText(value, at));
    else if (key == "title") doc.title = CheckText(at, key.c_str(), JsonText(value, at));
    else if (key == "number") doc.number = CheckText(at, key.c_str(), JsonText(value, at));
    else if (key == "date") {
      doc.date = JsonText(value, at);
      if (!ValidDate(doc.date)) throw Failure(at + ": '" + doc.date + "' is not a date YYYY/MM/DD");
    } else if (key == "trade") {
      doc.trade = ParseTrade(value.is_number() ? value.dump() : JsonText(value, at)).number;
    } else if (key == "tax") {
      std::string t = JsonText(value, at);
      if (t == "outside") doc.tax = TaxMode::Outside;
      else if (t == "inside") doc.tax = TaxMode::Inside;
      else if (t == "none") doc.tax = TaxMode::None;
      else throw Failure(at + ": '" + t + "' is not outside, inside or none");
    } else if (key == "remarks") {
      std::vector<json> items = value.is_array() ? value.get<std::vector<json>>()
                                                 : std::vector<json>{value};
      for (std::size_t k = 0; k < items.size(); ++k)
        doc.remarks.push_back(CheckText(at + "[" + std::to_string(k) + "]", "a remark",
                                        JsonText(items[k], at + "[" + std::to_string(k) + "]")));
    } else if (key == "lines") {
      lines = &value;
    } else {
      throw Failure(at + ": unknown field");
    }
  }
  if (!lines) throw Failure(name + ": \"lines\" is missing");
  if (lines->is_string()) {
    std::string csv = lines->get<std::string>();
    fs::path path = fs::path(csv).is_absolute() ? fs::path(csv) : fs::path(folder) / csv;
    doc.lines = ParseCsvLines(ReadWhole(path.string(), csv), csv);
  } else if (lines->is_array()) {
    for (std::size_t k = 0; k < lines->size(); ++k)
      doc.lines.push_back(JsonLine((*lines)[k], name + ": lines[" + std::to_string(k) + "]"));
  } else {
    throw Failure(name + ": lines: must be an array of lines or the name of a CSV file");
  }
  if (doc.lines.empty()) throw Failure(name + ": the estimate has no lines");
  return doc;
}

Document ReadDocument(const std::string& path) {
  std::string folder = fs::path(path).parent_path().string();
  return ParseDocument(ReadWhole(path, path), path, folder.empty() ? "." : folder);
}

// ---- arithmetic

double RoundFraction(double value, int decimals, int mode) {
  double scale = std::pow(10.0, decimals);
  // Settle the binary error of the product first (0.1 * 3 is 0.30000000000000004).
  double magnitude = std::round(std::fabs(value) * scale * 1e6) / 1e6;
  double whole = magnitude < 2147483646.0 ? getLongFromDouble(magnitude) : std::trunc(magnitude);
  double fraction = magnitude - whole;
  if (mode == kRoundUp ? fraction > 0 : mode != kRoundDown && fraction >= 0.5) whole += 1;
  return std::copysign(whole / scale, value);
}

Rules ReadRules(const Document& doc) {
  Rules r;
  int form = 0, display = 0, display2 = 0, m[7] = {};
  r.sellingRateOn = GetBaikaCheckIni() == 1;
  r.sellingRate = GetBaikaRituIni();
  r.priceDecimals = std::clamp(GetModeTankaIni(), 0, 3);
  // The library's process-wide fraction modes report 0 ("not set by the
  // host"); the settings decide then.
  r.itemMode = GetZatuHasuu() ? GetZatuHasuu() : GetHasuuDecModeIni(3);
  r.expenseMode = GetKeihiHasuu() ? GetKeihiHasuu() : GetHasuuDecModeIni(2);
  r.totalMode = GetGoukeiHasuu() ? GetGoukeiHasuu() : GetHasuuDecModeIni(0);
  r.taxName = GetTaxIni(&r.taxRate, &form, &display, &display2);
  GetTaxModeIni(&m[0], &m[1], &m[2], &m[3], &m[4], &m[5], &m[6]);
  r.tax = m[4] == 1 ? TaxMode::Inside : m[4] == 2 ? TaxMode::None : TaxMode::Outside;
  if (doc.tax) r.tax = *doc.tax;
  r.insideTaxName = GetInsideTaxNameIni();
  r.subtotalCaption = GetShoukeiIni(&form);
  r.totalCaption = GetGoukeiIni(&form);
  r.carriedCaption = GetRuikeiIni(&form);
  return r;
}

namespace {

CString Money(double v) { return KanmaFormat_1(v, 0); }

void CheckAmount(const std::string& where, const char* what, double v) {
  if (std::fabs(v) > kAmountLimit)
    throw Failure(where + ": the " + what + " " + U8(KanmaFormat_1(v, 0)) +
                  " does not fit (at most " + U8(KanmaFormat_1(kAmountLimit, 0)) + ")");
}

// Name, detail, unit and unit price of a catalogue item.
Row ItemRow(const DocLine& line, int trade, const Rules& rules) {
  ZaiMst3Rec rec{};
  GetMst3Pos(line.level1, line.level2, line.level3, trade, -1, &rec);
  std::u16string name = CMDTOOL_TEXT(rec.name);
  if (name.empty())
    throw Failure(line.where + ": no catalogue item " + std::to_string(line.level1) + "-" +
                  std::to_string(line.level2) + "-" + std::to_string(line.level3) + " in " +
                  AllTrades()[trade - 1].name);
  std::u16string text2 = CMDTOOL_TEXT(rec.text2), text3 = CMDTOOL_TEXT(rec.text3);
  // The size or type (text 2) is shown unless the name already says it.
  std::u16string detail = name.find(text2) == std::u16string::npos ? text2 : u"";
  if (!detail.empty() && !text3.empty()) detail += u" ";
  detail += text3;
  Row row;
  row.name = CString(name);
  row.detail = CString(detail);
  row.unit = CString(CMDTOOL_TEXT(rec.shortText));
  double listPrice = GetAmount(rec, 3), price = GetAmount(rec, 1);
  if (rules.sellingRateOn && listPrice != 0)
    price = RoundFraction(listPrice * rules.sellingRate / 100.0, rules.priceDecimals,
                          rules.itemMode);
  row.value = price;  // the caller turns it into the line amount
  return row;
}

}  // namespace

Estimate WorkOut(const Document& doc, const Rules& rules) {
  Estimate e;
  e.customer = W(doc.customer);
  e.title = W(doc.title);
  e.carriedCaption = rules.carriedCaption;
  for (const std::string& r : doc.remarks) {
    if (!e.remarks.IsEmpty()) e.remarks += u"\r\n";
    e.remarks += W(r);
  }
  static const char* companies[] = {"株式会社", "有限会社", "合同会社", "(株)", "（株）",
                                    "(有)", "（有）", "組合", "協会", "事務所", "法人"};
  bool company = std::any_of(std::begin(companies), std::end(companies), [&](const char* c) {
    return doc.customer.find(c) != std::string::npos;
  });
  e.honorific = W(!doc.honorific.empty() ? doc.honorific : company ? "御中" : "様");

  // The date in the installation's form: the era of the settings ("令和")
  // when it has one, the plain year/month/day otherwise.
  int y = 0, m = 0, d = 0;
  if (doc.date.empty()) {
    CString ys, ms, ds;
    GetDate(&ys, &ms, &ds);
    y = _wtoi(ys.GetString()), m = _wtoi(ms.GetString()), d = _wtoi(ds.GetString());
  } else {
    SplitDate(W(doc.date), &y, &m, &d);
  }
  CString era = GetGengouIni();
  long ymd = y * 10000L + m * 100 + d;
  if (era == u"令和" && ymd >= 20190501)
    e.date.Format(u"令和%d年%d月%d日", y - 2018, m, d);
  else if (era == u"平成" && ymd >= 19890108 && ymd < 20190501)
    e.date.Format(u"平成%d年%d月%d日", y - 1988, m, d);
  else
    e.date = GetStrDateFromInt(y, m, d);

  // The estimate number: the document's, or the next one of the numbering
  // settings (prefix, last number, step, digits); printing does not use it up.
  if (!doc.number.empty()) {
    e.number = W(doc.number);
  } else {
    long next = _wtol(GetMituNoIni(1, 2).GetString()) + _wtol(GetMituNoIni(1, 3).GetString());
    int digits = std::clamp(_wtoi(GetMituNoIni(1, 4).GetString()), 1, 9);
    CString n;
    n.Format(u"%ld", next);
    const bool fixedDigits = GetMituNoKeta() == 1;
    while (fixedDigits && n.GetLength() < digits) n = u"0" + n;
    e.number = GetMituNoIni(1, 1) + n;
  }

  double net = 0, sinceSubtotal = 0, goods = 0;
  for (const DocLine& line : doc.lines) {
    Row row;
    switch (line.kind) {
      case LineKind::Item:
      case LineKind::Free: {
        double price = line.price;
        if (line.heading) {
          row.name = W(line.name);
          e.rows.push_back(row);
          continue;
        }
        if (line.kind == LineKind::Item) {
          row = ItemRow(line, line.trade ? line.trade : doc.trade, rules);
          price = row.value;
        } else {
          row.name = W(line.name), row.detail = W(line.detail), row.unit = W(line.unit);
        }
        row.value = RoundFraction(line.quantity * price, 0, rules.itemMode);
        CheckAmount(line.where, "amount", row.value);
        row.quantity = KanmaFormat_1(line.quantity, 2);
        row.price = KanmaFormat_1(price, rules.priceDecimals);
        goods += row.value;
        break;
      }
      case LineKind::Expense:
        row.kind = RowKind::Expense;
        row.name = W(line.name);
        row.value = line.amount ? *line.amount
                                : RoundFraction(goods * *line.rate / 100.0, 0, rules.expenseMode);
        if (line.rate) {
          CString rate = KanmaFormat_3(*line.rate, 2);
          rate.TrimRight();
          row.detail = rate + u"%";
        }
        CheckAmount(line.where, "amount", row.value);
        row.quantity = KanmaFormat_1(1, 2);
        row.unit = u"式";
        break;
      case LineKind::Subtotal:
        row.kind = RowKind::Subtotal;
        row.name = line.name.empty() ? rules.subtotalCaption : W(line.name);
        row.value = sinceSubtotal;
        row.amount = Money(row.value);
        sinceSubtotal = 0;
        e.rows.push_back(row);
        continue;
    }
    row.counts = true;
    row.amount = Money(row.value);
    net += row.value;
    sinceSubtotal += row.value;
    CheckAmount(line.where, "total", net);
    e.rows.push_back(row);
  }

  // The closing rows: the total, the tax and the total with tax.
  CString rateText;
  rateText.Format(u"（%d%%）", rules.taxRate);
  auto closing = [&](RowKind kind, CString name, CString detail, double v) {
    Row row;
    row.kind = kind, row.name = name, row.detail = detail, row.value = v, row.amount = Money(v);
    e.rows.push_back(row);
  };
  e.net = net;
  closing(RowKind::Total, rules.totalCaption, u"", net);
  switch (rules.tax) {
    case TaxMode::Outside:
      e.tax = RoundFraction(net * rules.taxRate / 100.0, 0, rules.totalMode);
      e.total = net + e.tax;
      closing(RowKind::Tax, rules.taxName, rateText, e.tax);
      closing(RowKind::GrandTotal, u"税込" + rules.totalCaption, u"", e.total);
      e.totalNote = u"（" + rules.taxName + u"込）";
      break;
    case TaxMode::Inside:
      e.tax = RoundFraction(net * rules.taxRate / (100.0 + rules.taxRate), 0, rules.totalMode);
      e.total = net;
      closing(RowKind::Tax, u"（" + rules.insideTaxName + u" " + rules.taxName + u"）", rateText,
              e.tax);
      e.rows.back().amount = u"(" + e.rows.back().amount + u")";
      e.totalNote = u"（" + rules.taxName + u"込）";
      break;
    case TaxMode::None:
      e.total = net;
      e.totalNote = u"";
      break;
  }
  CheckAmount(doc.file, "total with tax", e.total);
  e.totalText = u"\\" + Money(e.total) + u"-";
  return e;
}

}  // namespace cmdtool::print
