#include "catalogue_io.h"

#include <array>
#include <charconv>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cmddll3/platform/codepage.h"

namespace cmdtool {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

// ------------------------------------------------------------ shared field checks

// Puts values into records, naming the entry in every complaint.
class Fields {
 public:
  explicit Fields(std::string where) : where_(std::move(where)) {}
  const std::string& Where() const { return where_; }

  [[noreturn]] void Fail(const std::string& problem) const {
    throw Failure(where_ + ": " + problem);
  }

  LONG Code(long long value, const char* what) const {
    if (value < 0 || value > INT32_MAX)
      Fail(std::string(what) + " " + std::to_string(value) + " is outside 0 to 2147483647");
    return static_cast<LONG>(value);
  }

  long long Integer(long long value, const char* what, long long low, long long high) const {
    if (value < low || value > high)
      Fail(std::string(what) + " " + std::to_string(value) + " is outside " + std::to_string(low) +
           " to " + std::to_string(high));
    return value;
  }

  template <std::size_t N>
  void Text(char16_t (&dest)[N], std::string_view utf8, const char* what) const {
    CString text = W(utf8);
    if (text.FindOneOf(u",\r\n") >= 0 || text.Find(u'\0') >= 0)
      Fail(std::string(what) + " '" + std::string(utf8) +
           "' holds a comma or a line break, which the master's lines cannot keep");
    if (!CopyText(dest, text))
      Fail(std::string(what) + " '" + std::string(utf8) + "' is " +
           std::to_string(text.GetLength()) + " characters long; the master holds at most " +
           std::to_string(N - 1));
  }

  char16_t Mark(std::string_view utf8, const char* what) const {
    CString text = W(utf8);
    if (text.GetLength() > 1)
      Fail(std::string(what) + " '" + std::string(utf8) + "' is more than one character");
    char16_t c = text.IsEmpty() ? u'\0' : text[0];
    if (c == u',' || c == u'\r' || c == u'\n')
      Fail(std::string(what) + " cannot be a comma or a line break");
    return c;
  }

  double Amount(double value, const char* what) const {
    std::string why;
    if (!AmountFits(value, why)) Fail(std::string(what) + " " + Number(value) + " " + why);
    return value;
  }

  float Factor(double value, const char* what) const {
    std::string why;
    if (!FactorFits(value, why)) Fail(std::string(what) + " " + Number(value) + " " + why);
    return static_cast<float>(value);
  }

  void DrawingCode(ZaiMst3Rec& rec, std::string_view text) const {
    if (text.empty()) text = "000000000000";
    if (!SetDrawingCode(rec, text))
      Fail("drawing code '" + std::string(text) + "' is not 12 digits");
  }

 private:
  static std::string Number(double v) {
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
  }
  std::string where_;
};

// ------------------------------------------------------------ JSON

ordered_json FactorValue(float factor) {
  std::string text = FactorText(factor);
  if (text.find('.') == std::string::npos) return std::stoll(text);
  return json::parse(text).get<double>();  // the shortest decimal, as written
}

void AppendArray(std::string& out, const char* name, const std::vector<ordered_json>& items,
                 bool last) {
  out += "  \"";
  out += name;
  out += "\": [";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += i ? ",\n    " : "\n    ";
    out += items[i].dump();
  }
  out += items.empty() ? "]" : "\n  ]";
  out += last ? "\n" : ",\n";
}

}  // namespace

std::string CatalogueToJson(const Catalogue& c, const Trade& trade) {
  std::vector<ordered_json> l1, l2, l3;
  for (const ZaiMst1Rec& r : c.level1)
    l1.push_back({{"code", r.code}, {"name", U8(CMDTOOL_TEXT(r.name))}, {"flag", r.flag}});
  for (const Level2Entry& e : c.level2) {
    // Packed records: fields are copied out by value, never bound by reference.
    ordered_json attrs = ordered_json::array(), values = ordered_json::array();
    for (int k = 0; k < 5; ++k) attrs.push_back(static_cast<int>(e.rec.attr[k]));
    for (int k = 0; k < 3; ++k) values.push_back(static_cast<LONG>(e.rec.value[k]));
    const LONG code = e.rec.code;
    l2.push_back({{"level1", e.parent},
                  {"code", code},
                  {"name", U8(CMDTOOL_TEXT(e.rec.name))},
                  {"attributes", attrs},
                  {"values", values}});
  }
  for (const Item& i : c.level3) {
    const ZaiMst3Rec& r = i.rec;
    ordered_json amounts = ordered_json::array(), factors = ordered_json::array();
    for (int k = 1; k <= 7; ++k) amounts.push_back(static_cast<long long>(GetAmount(r, k)));
    for (int k = 0; k < 5; ++k) factors.push_back(FactorValue(r.factors[k]));
    const LONG code = r.code;
    l3.push_back({{"level1", i.level1},
                  {"level2", i.level2},
                  {"code", code},
                  {"drawing_code", DrawingCode(r)},
                  {"class_mark", MarkText(r.classMark)},
                  {"use_mark", MarkText(r.useMark)},
                  {"name", U8(CMDTOOL_TEXT(r.name))},
                  {"text2", U8(CMDTOOL_TEXT(r.text2))},
                  {"text3", U8(CMDTOOL_TEXT(r.text3))},
                  {"short_text", U8(CMDTOOL_TEXT(r.shortText))},
                  {"amounts", amounts},
                  {"factors", factors},
                  {"closing_text", U8(CMDTOOL_TEXT(r.closingText))}});
  }
  std::string out = "{\n  \"trade\": " + ordered_json(trade.name).dump() + ",\n";
  AppendArray(out, "level1", l1, false);
  AppendArray(out, "level2", l2, false);
  AppendArray(out, "level3", l3, true);
  out += "}\n";
  return out;
}

namespace {

// Reads one JSON entry, refusing keys it does not know.
class JsonEntry {
 public:
  JsonEntry(const json& j, std::string where, std::initializer_list<const char*> known)
      : j_(j), f_(std::move(where)) {
    if (!j.is_object()) f_.Fail("an entry must be an object");
    for (const auto& [key, value] : j.items()) {
      bool ok = false;
      for (const char* k : known) ok = ok || key == k;
      if (!ok) f_.Fail("unknown key \"" + key + "\"");
    }
  }
  const Fields& F() const { return f_; }

  const json* Get(const char* key, bool required) const {
    auto it = j_.find(key);
    if (it == j_.end()) {
      if (required) f_.Fail(std::string("\"") + key + "\" is missing");
      return nullptr;
    }
    return &*it;
  }
  long long Int(const char* key, bool required = false) const {
    const json* v = Get(key, required);
    if (!v) return 0;
    if (!v->is_number_integer()) f_.Fail(std::string("\"") + key + "\" must be a whole number");
    return v->is_number_unsigned() && v->get<unsigned long long>() > INT64_MAX
               ? INT64_MAX
               : v->get<long long>();
  }
  std::string Str(const char* key, bool required = false) const {
    const json* v = Get(key, required);
    if (!v) return "";
    if (!v->is_string()) f_.Fail(std::string("\"") + key + "\" must be a string");
    return v->get<std::string>();
  }
  std::vector<double> Numbers(const char* key, std::size_t count) const {
    std::vector<double> out(count, 0.0);
    const json* v = Get(key, false);
    if (!v) return out;
    if (!v->is_array() || v->size() != count)
      f_.Fail(std::string("\"") + key + "\" must be an array of " + std::to_string(count) +
              " numbers");
    for (std::size_t i = 0; i < count; ++i) {
      if (!(*v)[i].is_number()) f_.Fail(std::string("\"") + key + "\" must hold numbers only");
      out[i] = (*v)[i].get<double>();
    }
    return out;
  }
  std::vector<long long> Ints(const char* key, std::size_t count) const {
    std::vector<long long> out(count, 0);
    const json* v = Get(key, false);
    if (!v) return out;
    if (!v->is_array() || v->size() != count)
      f_.Fail(std::string("\"") + key + "\" must be an array of " + std::to_string(count) +
              " whole numbers");
    for (std::size_t i = 0; i < count; ++i) {
      if (!(*v)[i].is_number_integer())
        f_.Fail(std::string("\"") + key + "\" must hold whole numbers only");
      out[i] = (*v)[i].get<long long>();
    }
    return out;
  }

 private:
  const json& j_;
  Fields f_;
};

const json& JsonArray(const json& top, const char* key, const std::string& name) {
  static const json empty = json::array();
  auto it = top.find(key);
  if (it == top.end()) return empty;
  if (!it->is_array()) throw Failure(name + ": \"" + key + "\" must be an array");
  return *it;
}

}  // namespace

Catalogue CatalogueFromJson(std::string_view text, const std::string& name) {
  json top;
  try {
    top = json::parse(text.begin(), text.end());
  } catch (const json::exception& e) {  // a syntax error, or a number out of range
    std::string what = e.what();
    auto start = what.find("] ");
    throw Failure(name + ": " + (start == std::string::npos ? what : what.substr(start + 2)));
  }
  if (!top.is_object()) throw Failure(name + ": the catalogue must be a JSON object");
  for (const auto& [key, value] : top.items()) {
    if (key != "trade" && key != "level1" && key != "level2" && key != "level3")
      throw Failure(name + ": unknown key \"" + key + "\"");
  }
  if (!top.contains("level1")) throw Failure(name + ": \"level1\" is missing");

  Catalogue c;
  const json& l1 = JsonArray(top, "level1", name);
  for (std::size_t i = 0; i < l1.size(); ++i) {
    JsonEntry e(l1[i], name + ": level1[" + std::to_string(i) + "]", {"code", "name", "flag"});
    ZaiMst1Rec r{};
    r.code = e.F().Code(e.Int("code", true), "code");
    e.F().Text(r.name, e.Str("name", true), "name");
    r.flag = static_cast<WORD>(e.F().Integer(e.Int("flag"), "flag", 0, 65535));
    c.level1.push_back(r);
    c.where1.push_back(e.F().Where());
  }
  const json& l2 = JsonArray(top, "level2", name);
  for (std::size_t i = 0; i < l2.size(); ++i) {
    JsonEntry e(l2[i], name + ": level2[" + std::to_string(i) + "]",
                {"level1", "code", "name", "attributes", "values"});
    Level2Entry entry;
    entry.parent = e.F().Code(e.Int("level1", true), "level1");
    entry.rec.code = e.F().Code(e.Int("code", true), "code");
    e.F().Text(entry.rec.name, e.Str("name", true), "name");
    std::vector<long long> attrs = e.Ints("attributes", 5), values = e.Ints("values", 3);
    for (int k = 0; k < 5; ++k)
      entry.rec.attr[k] =
          static_cast<BYTE>(e.F().Integer(attrs[static_cast<std::size_t>(k)], "attribute", 0, 255));
    for (int k = 0; k < 3; ++k)
      entry.rec.value[k] = static_cast<LONG>(
          e.F().Integer(values[static_cast<std::size_t>(k)], "value", INT32_MIN, INT32_MAX));
    c.level2.push_back(entry);
    c.where2.push_back(e.F().Where());
  }
  const json& l3 = JsonArray(top, "level3", name);
  for (std::size_t i = 0; i < l3.size(); ++i) {
    JsonEntry e(l3[i], name + ": level3[" + std::to_string(i) + "]",
                {"level1", "level2", "code", "drawing_code", "class_mark", "use_mark", "name",
                 "text2", "text3", "short_text", "amounts", "factors", "closing_text"});
    const Fields& f = e.F();
    Item item;
    ZaiMst3Rec& r = item.rec;
    item.level1 = f.Code(e.Int("level1", true), "level1");
    item.level2 = f.Code(e.Int("level2", true), "level2");
    r.code = f.Code(e.Int("code", true), "code");
    f.DrawingCode(r, e.Str("drawing_code"));
    r.classMark = f.Mark(e.Str("class_mark"), "class_mark");
    r.useMark = f.Mark(e.Str("use_mark"), "use_mark");
    f.Text(r.name, e.Str("name", true), "name");
    f.Text(r.text2, e.Str("text2"), "text2");
    f.Text(r.text3, e.Str("text3"), "text3");
    f.Text(r.shortText, e.Str("short_text"), "short_text");
    f.Text(r.closingText, e.Str("closing_text"), "closing_text");
    std::vector<double> amounts = e.Numbers("amounts", 7), factors = e.Numbers("factors", 5);
    static const char* const kAmount[] = {"amount1", "amount2", "amount3", "amount4",
                                          "amount5", "amount6", "amount7"};
    static const char* const kFactor[] = {"factor1", "factor2", "factor3", "factor4", "factor5"};
    for (int k = 1; k <= 7; ++k)
      SetAmount(r, k, f.Amount(amounts[static_cast<std::size_t>(k - 1)], kAmount[k - 1]));
    for (int k = 0; k < 5; ++k)
      r.factors[k] = f.Factor(factors[static_cast<std::size_t>(k)], kFactor[k]);
    c.level3.push_back(item);
    c.where3.push_back(f.Where());
  }
  return c;
}

// ------------------------------------------------------------ CSV

namespace {

enum Column {
  kLevel,
  kLevel1,
  kLevel2,
  kLevel3,
  kName,
  kFlag,
  kAttr1,
  kAttr2,
  kAttr3,
  kAttr4,
  kAttr5,
  kValue1,
  kValue2,
  kValue3,
  kDrawingCode,
  kClassMark,
  kUseMark,
  kText2,
  kText3,
  kShortText,
  kAmount1,
  kAmount2,
  kAmount3,
  kAmount4,
  kAmount5,
  kAmount6,
  kAmount7,
  kFactor1,
  kFactor2,
  kFactor3,
  kFactor4,
  kFactor5,
  kClosingText,
  kColumns
};

constexpr std::array<const char*, kColumns> kColumnNames = {
    "level",        "level1",     "level2",   "level3",  "name",        "flag",       "attr1",
    "attr2",        "attr3",      "attr4",    "attr5",   "value1",      "value2",     "value3",
    "drawing_code", "class_mark", "use_mark", "text2",   "text3",       "short_text", "amount1",
    "amount2",      "amount3",    "amount4",  "amount5", "amount6",     "amount7",    "factor1",
    "factor2",      "factor3",    "factor4",  "factor5", "closing_text"};

// The columns each level fills.
bool Applies(int level, int column) {
  if (column == kLevel || column == kLevel1 || column == kName) return true;
  switch (level) {
    case 1:
      return column == kFlag;
    case 2:
      return column == kLevel2 || (column >= kAttr1 && column <= kValue3);
    default:
      return column == kLevel2 || column == kLevel3 || column >= kDrawingCode;
  }
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void CsvRow(std::string& out, const std::array<std::string, kColumns>& row) {
  for (int k = 0; k < kColumns; ++k) {
    if (k) out += ',';
    out += CsvField(row[static_cast<std::size_t>(k)]);
  }
  out += '\n';
}

}  // namespace

std::string CatalogueToCsv(const Catalogue& c) {
  std::string out;
  std::array<std::string, kColumns> row;
  for (int k = 0; k < kColumns; ++k)
    row[static_cast<std::size_t>(k)] = kColumnNames[static_cast<std::size_t>(k)];
  CsvRow(out, row);
  auto set = [&row](int column, std::string value) {
    row[static_cast<std::size_t>(column)] = std::move(value);
  };
  for (const ZaiMst1Rec& r : c.level1) {
    row.fill("");
    set(kLevel, "1");
    set(kLevel1, std::to_string(r.code));
    set(kName, U8(CMDTOOL_TEXT(r.name)));
    set(kFlag, std::to_string(r.flag));
    CsvRow(out, row);
  }
  for (const Level2Entry& e : c.level2) {
    row.fill("");
    set(kLevel, "2");
    set(kLevel1, std::to_string(e.parent));
    set(kLevel2, std::to_string(e.rec.code));
    set(kName, U8(CMDTOOL_TEXT(e.rec.name)));
    for (int k = 0; k < 5; ++k) set(kAttr1 + k, std::to_string(e.rec.attr[k]));
    for (int k = 0; k < 3; ++k) set(kValue1 + k, std::to_string(e.rec.value[k]));
    CsvRow(out, row);
  }
  for (const Item& i : c.level3) {
    const ZaiMst3Rec& r = i.rec;
    row.fill("");
    set(kLevel, "3");
    set(kLevel1, std::to_string(i.level1));
    set(kLevel2, std::to_string(i.level2));
    set(kLevel3, std::to_string(r.code));
    set(kName, U8(CMDTOOL_TEXT(r.name)));
    set(kDrawingCode, DrawingCode(r));
    set(kClassMark, MarkText(r.classMark));
    set(kUseMark, MarkText(r.useMark));
    set(kText2, U8(CMDTOOL_TEXT(r.text2)));
    set(kText3, U8(CMDTOOL_TEXT(r.text3)));
    set(kShortText, U8(CMDTOOL_TEXT(r.shortText)));
    for (int k = 1; k <= 7; ++k)
      set(kAmount1 + k - 1, std::to_string(static_cast<long long>(GetAmount(r, k))));
    for (int k = 0; k < 5; ++k) set(kFactor1 + k, FactorText(r.factors[k]));
    set(kClosingText, U8(CMDTOOL_TEXT(r.closingText)));
    CsvRow(out, row);
  }
  return out;
}

namespace {

struct CsvRecord {
  int line;  // where the record starts
  std::vector<std::string> fields;
};

// RFC 4180 records: quoted fields may hold commas, quotes ("") and line
// breaks; lines end in LF or CR LF; a UTF-8 byte-order mark is skipped.
std::vector<CsvRecord> SplitCsv(std::string_view text, const std::string& name) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  enum State { FieldStart, Unquoted, Quoted, AfterQuote } state = FieldStart;
  std::vector<CsvRecord> records;
  CsvRecord rec{1, {""}};
  int line = 1;
  auto fail = [&](const char* problem) {
    throw Failure(name + ":" + std::to_string(line) + ": " + problem);
  };
  auto endRecord = [&] {
    bool blank = rec.fields.size() == 1 && rec.fields[0].empty() && state != AfterQuote;
    if (!blank) records.push_back(rec);
    rec = CsvRecord{++line, {""}};
    state = FieldStart;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (state == Quoted) {
      if (c != '"') {
        if (c == '\n') ++line;
        rec.fields.back() += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        rec.fields.back() += '"';
        ++i;
      } else {
        state = AfterQuote;
      }
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (c == '\n') {
      endRecord();
    } else if (c == ',') {
      rec.fields.emplace_back();
      state = FieldStart;
    } else if (state == AfterQuote) {
      fail("text after a closing quote");
    } else if (c == '"') {
      if (state == Unquoted) fail("a quote inside an unquoted field");
      state = Quoted;
    } else {
      rec.fields.back() += c;
      state = Unquoted;
    }
  }
  if (state == Quoted)
    throw Failure(name + ":" + std::to_string(rec.line) + ": a quoted field is not closed");
  bool blank = rec.fields.size() == 1 && rec.fields[0].empty() && state != AfterQuote;
  if (!blank) records.push_back(rec);
  return records;
}

long long CsvInteger(const Fields& f, const std::string& text, const char* what, long long low,
                     long long high, bool required) {
  if (text.empty()) {
    if (required) f.Fail(std::string(what) + " is missing");
    return 0;
  }
  long long v = 0;
  if (!ParseInteger(text, INT64_MIN / 2, INT64_MAX / 2, v))
    f.Fail(std::string(what) + " '" + text + "' is not a whole number");
  return f.Integer(v, what, low, high);
}

double CsvNumber(const Fields& f, const std::string& text, const char* what) {
  if (text.empty()) return 0;
  double v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data() + (text[0] == '+' ? 1 : 0), end, v);
  if (ec != std::errc() || ptr != end)
    f.Fail(std::string(what) + " '" + text + "' is not a number");
  return v;
}

}  // namespace

Catalogue CatalogueFromCsv(std::string_view text, const std::string& name) {
  std::vector<CsvRecord> records = SplitCsv(text, name);
  if (records.empty())
    throw Failure(name + ": the file is empty; the first line names the columns");

  // Columns may stand in any order and may be left out; names are known ones.
  std::array<int, kColumns> at;
  at.fill(-1);
  const CsvRecord& header = records[0];
  for (std::size_t k = 0; k < header.fields.size(); ++k) {
    const std::string& col = header.fields[k];
    auto it = std::find(kColumnNames.begin(), kColumnNames.end(), col);
    if (it == kColumnNames.end())
      throw Failure(name + ":1: unknown column '" + col +
                    "' (cmdtool master export shows the columns)");
    auto index = static_cast<std::size_t>(it - kColumnNames.begin());
    if (at[index] >= 0) throw Failure(name + ":1: column '" + col + "' is named twice");
    at[index] = static_cast<int>(k);
  }
  if (at[kLevel] < 0) throw Failure(name + ":1: the column 'level' is missing");

  Catalogue c;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const CsvRecord& rec = records[r];
    Fields f(name + ":" + std::to_string(rec.line));
    if (rec.fields.size() != header.fields.size())
      f.Fail("has " + std::to_string(rec.fields.size()) + " fields; the header has " +
             std::to_string(header.fields.size()));
    auto get = [&](int column) -> std::string {
      int k = at[static_cast<std::size_t>(column)];
      return k < 0 ? std::string() : rec.fields[static_cast<std::size_t>(k)];
    };
    std::string levelText = get(kLevel);
    if (levelText != "1" && levelText != "2" && levelText != "3")
      f.Fail("level '" + levelText + "' must be 1, 2 or 3");
    int level = levelText[0] - '0';
    for (int column = 0; column < kColumns; ++column) {
      if (!Applies(level, column) && !get(column).empty())
        f.Fail(std::string("column '") + kColumnNames[static_cast<std::size_t>(column)] +
               "' does not apply to a level-" + levelText + " row");
    }

    LONG level1 = static_cast<LONG>(CsvInteger(f, get(kLevel1), "level1", 0, INT32_MAX, true));
    if (level == 1) {
      ZaiMst1Rec r1{};
      r1.code = level1;
      f.Text(r1.name, get(kName), "name");
      r1.flag = static_cast<WORD>(CsvInteger(f, get(kFlag), "flag", 0, 65535, false));
      c.level1.push_back(r1);
      c.where1.push_back(f.Where());
    } else if (level == 2) {
      Level2Entry e;
      e.parent = level1;
      e.rec.code = static_cast<LONG>(CsvInteger(f, get(kLevel2), "level2", 0, INT32_MAX, true));
      f.Text(e.rec.name, get(kName), "name");
      for (int k = 0; k < 5; ++k)
        e.rec.attr[k] = static_cast<BYTE>(CsvInteger(
            f, get(kAttr1 + k), kColumnNames[static_cast<std::size_t>(kAttr1 + k)], 0, 255, false));
      for (int k = 0; k < 3; ++k)
        e.rec.value[k] = static_cast<LONG>(
            CsvInteger(f, get(kValue1 + k), kColumnNames[static_cast<std::size_t>(kValue1 + k)],
                       INT32_MIN, INT32_MAX, false));
      c.level2.push_back(e);
      c.where2.push_back(f.Where());
    } else {
      Item item;
      ZaiMst3Rec& r3 = item.rec;
      item.level1 = level1;
      item.level2 = static_cast<LONG>(CsvInteger(f, get(kLevel2), "level2", 0, INT32_MAX, true));
      r3.code = static_cast<LONG>(CsvInteger(f, get(kLevel3), "level3", 0, INT32_MAX, true));
      f.DrawingCode(r3, get(kDrawingCode));
      r3.classMark = f.Mark(get(kClassMark), "class_mark");
      r3.useMark = f.Mark(get(kUseMark), "use_mark");
      f.Text(r3.name, get(kName), "name");
      f.Text(r3.text2, get(kText2), "text2");
      f.Text(r3.text3, get(kText3), "text3");
      f.Text(r3.shortText, get(kShortText), "short_text");
      f.Text(r3.closingText, get(kClosingText), "closing_text");
      for (int k = 1; k <= 7; ++k) {
        const char* col = kColumnNames[static_cast<std::size_t>(kAmount1 + k - 1)];
        SetAmount(r3, k, f.Amount(CsvNumber(f, get(kAmount1 + k - 1), col), col));
      }
      for (int k = 0; k < 5; ++k) {
        const char* col = kColumnNames[static_cast<std::size_t>(kFactor1 + k)];
        r3.factors[k] = f.Factor(CsvNumber(f, get(kFactor1 + k), col), col);
      }
      c.level3.push_back(item);
      c.where3.push_back(f.Where());
    }
  }
  return c;
}

// ------------------------------------------------------------ file encodings

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsValidUtf8(std::string_view bytes) {
  if (bytes.empty()) return true;
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                             static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

}  // namespace

FileEncoding ParseFileEncoding(const std::string& name) {
  if (name.empty()) return FileEncoding::Detect;
  if (name == "utf-8") return FileEncoding::Utf8;
  if (name == "cp932") return FileEncoding::Cp932;
  throw Failure("--encoding " + name + ": give utf-8 or cp932");
}

std::string DecodeExchangeFile(std::string_view bytes, FileEncoding encoding) {
  bool marked = bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark;
  if (encoding == FileEncoding::Detect)
    encoding = marked || IsValidUtf8(bytes) ? FileEncoding::Utf8 : FileEncoding::Cp932;
  if (encoding == FileEncoding::Cp932) return cmd::cp::EncodeUtf8(cmd::cp::Decode932(bytes));
  if (marked) bytes.remove_prefix(kUtf8Mark.size());
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return cmd::cp::EncodeUtf8(cmd::cp::DecodeUtf8(bytes));
}

std::string EncodeCp932File(std::string_view utf8, const std::string& name) {
  std::u16string text = cmd::cp::DecodeUtf8(utf8);
  std::u16string crlf;
  crlf.reserve(text.size() + text.size() / 16);
  int line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\n') {
      ++line;
      if (i == 0 || text[i - 1] != u'\r') crlf += u'\r';
    } else if (!cmd::cp::Fits932(std::u16string_view(&text[i], 1))) {
      std::size_t n = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() ? 2 : 1;
      throw Failure(name + ":" + std::to_string(line) + ": '" +
                    Utf16ToUtf8(std::u16string_view(&text[i], n)) +
                    "' has no code page 932 form; export as UTF-8");
    }
    crlf += c;
  }
  return cmd::cp::Encode932(crlf);
}

}  // namespace cmdtool
