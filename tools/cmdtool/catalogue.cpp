#include "catalogue.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <utility>

namespace fs = std::filesystem;

namespace cmdtool {

// ------------------------------------------------------------ field values

std::string DrawingCode(const ZaiMst3Rec& rec) {
  // The record is byte-packed: copy its fields before binding references to them.
  const LONG prefix = rec.cwfPrefix, number = rec.cwfNumber;
  CString code;
  code.Format(u"%05ld%07ld", prefix, number);
  return U8(code);
}

bool SetDrawingCode(ZaiMst3Rec& rec, std::string_view text) {
  if (text.size() != 12) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  rec.cwfPrefix = std::stol(std::string(text.substr(0, 5)));
  rec.cwfNumber = std::stol(std::string(text.substr(5)));
  return true;
}

std::u16string FieldText(const void* field, std::size_t units) {
  const auto* bytes = static_cast<const unsigned char*>(field);
  std::u16string text;
  for (std::size_t i = 0; i < units; ++i) {
    char16_t unit;
    std::memcpy(&unit, bytes + 2 * i, sizeof unit);
    if (unit == 0) break;
    text += unit;
  }
  return text;
}

std::string MarkText(char16_t mark) { return mark ? U8(std::u16string(1, mark)) : ""; }

namespace {

// "%.0f" of the factor in thousandths, as FormatMst3 writes field 17 to 21.
std::string Thousandths(float factor) {
  CString t;
  t.Format(u"%.0f", static_cast<double>(factor) * 1000.0);
  return U8(t);
}

}  // namespace

std::string FactorText(float factor) {
  long long t = std::stoll(Thousandths(factor));
  bool negative = t < 0;
  unsigned long long a =
      negative ? 0ULL - static_cast<unsigned long long>(t) : static_cast<unsigned long long>(t);
  std::string text = (negative ? "-" : "") + std::to_string(a / 1000);
  std::string fraction = std::to_string(1000 + a % 1000).substr(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return fraction.empty() ? text : text + "." + fraction;
}

bool FactorFits(double value, std::string& why) {
  if (!std::isfinite(value) || std::fabs(value) > 1e6) {
    why = "is outside the range a factor can hold";
    return false;
  }
  double thousandths = value * 1000.0;
  double whole = std::round(thousandths);
  if (std::fabs(thousandths - whole) > 1e-6) {
    why = "has more than three decimals; the master keeps factors in thousandths";
    return false;
  }
  if (std::stod(Thousandths(static_cast<float>(value))) != whole) {
    why = "does not survive the master's single-precision factor";
    return false;
  }
  return true;
}

bool FactorKept(float factor, std::string& why) {
  // Written as thousandths and read back divided by 1000: the same float?
  std::string t = Thousandths(factor);
  if (static_cast<float>(std::stod(t) / 1000.0) != factor || std::fabs(std::stod(t)) > 1e9) {
    why = "does not survive the master's thousandths";
    return false;
  }
  return true;
}

bool AmountFits(double value, std::string& why) {
  if (!std::isfinite(value) || value != std::floor(value)) {
    why = "is not a whole number; the master keeps amounts without decimals";
    return false;
  }
  if (std::fabs(value) > 9999999999999.0) {
    why = "has more than the 13 digits an amount's display text holds";
    return false;
  }
  if (static_cast<double>(static_cast<float>(value)) != value) {
    why = "has more digits than the master's single-precision read keeps (at most 16777216)";
    return false;
  }
  return true;
}

double GetAmount(const ZaiMst3Rec& rec, int k) {
  if (k >= 1 && k <= 3) return rec.amounts1to3[k - 1];
  if (k >= 4 && k <= 6) return rec.amounts4to6[k - 4];
  return rec.amount7;
}

void SetAmount(ZaiMst3Rec& rec, int k, double value) {
  if (k >= 1 && k <= 3)
    rec.amounts1to3[k - 1] = value;
  else if (k >= 4 && k <= 6)
    rec.amounts4to6[k - 4] = value;
  else
    rec.amount7 = value;
}

// ------------------------------------------------------------ reading

namespace {

CString LevelFile(const MasterSet& set, const char16_t* name) { return set.Folder() + name; }

CString ItemFileName(LONG level1) {
  CString name;
  name.Format(u"zai%03d-3.mst", static_cast<int>(level1));
  return name;
}

CString ItemFile(const MasterSet& set, LONG level1) { return set.Folder() + ItemFileName(level1); }

bool Exists(const CString& libraryPath) {
  std::error_code ec;
  std::string host = Installation::Host(libraryPath);
  return !host.empty() && fs::is_regular_file(host, ec);
}

// Every line of a master text file, read as the library reads it. Nothing
// when the file is missing.
std::vector<CString> ReadLines(const CString& path, const std::string& shown) {
  std::vector<CString> lines;
  if (!Exists(path)) return lines;
  CStdioFile file;
  if (!file.Open(path.GetString(), u"rt,ccs=UNICODE"))
    throw Failure(shown + ": cannot be read: " + std::strerror(file.GetErrno()));
  CString line;
  while (file.ReadString(line)) lines.push_back(line);
  if (file.Failed()) throw Failure(shown + ": read error: " + std::strerror(file.GetErrno()));
  return lines;
}

int FieldCount(const CString& line) {
  return static_cast<int>(std::count(line.str().begin(), line.str().end(), u',')) + 1;
}

// A line's fields, as many as it has.
std::vector<CString> LineFields(const CString& line) {
  std::vector<CString> fields(static_cast<std::size_t>(FieldCount(line)));
  SplitCStrByComma(line, fields.data(), static_cast<int>(fields.size()));
  return fields;
}

bool IsInteger(const CString& field, long long low, long long high) {
  long long v = 0;
  return ParseInteger(U8(field), low, high, v);
}

bool IsDecimal(const CString& field) {
  std::string text = U8(field);
  if (text.empty()) return false;
  std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9')
      digits = true;
    else if (text[i] == '.' && !point)
      point = true;
    else
      return false;
  }
  return digits;
}

// Checks of one file line, with the line named in the message.
class LineCheck {
 public:
  LineCheck(std::string where) : where_(std::move(where)) {}
  const std::string& Where() const { return where_; }
  [[noreturn]] void Fail(const std::string& problem) const {
    throw Failure(where_ + ": " + problem);
  }
  void Count(const CString& line, int expected) const {
    int n = FieldCount(line);
    if (n != expected)
      Fail("has " + std::to_string(n) + " fields; a line of this file has " +
           std::to_string(expected) + " (a comma inside a text?)");
  }
  void Integer(const CString& field, const char* what, long long low = INT32_MIN,
               long long high = INT32_MAX) const {
    if (!IsInteger(field, low, high))
      Fail(std::string(what) + " '" + U8(field) + "' is not a whole number from " +
           std::to_string(low) + " to " + std::to_string(high));
  }
  void Text(const CString& field, const char* what, int limit) const {
    if (field.GetLength() > limit)
      Fail(std::string(what) + " is " + std::to_string(field.GetLength()) +
           " characters long; the record holds " + std::to_string(limit));
  }
  void Amount(const CString& field, const char* what) const {
    if (!IsDecimal(field)) Fail(std::string(what) + " '" + U8(field) + "' is not a number");
    std::string why;
    if (!AmountFits(_wtof(field.GetString()), why))
      Fail(std::string(what) + " " + U8(field) + " " + why);
  }
  void Factor(const CString& field, const char* what) const {
    if (!IsDecimal(field)) Fail(std::string(what) + " '" + U8(field) + "' is not a number");
    std::string why;
    if (!FactorFits(_wtof(field.GetString()) / 1000.0, why))
      Fail(std::string(what) + " " + U8(field) + " (thousandths) " + why);
  }

 private:
  std::string where_;
};

void ReadLevel1(const Context& ctx, const MasterSet& set, Catalogue& c,
                const std::function<void()>& progress) {
  CString path = LevelFile(set, u"zairyou1.mst");
  std::string shown = ctx.install.Show(path);
  if (!Exists(path)) throw Failure(shown + ": no such file");
  int number = 0;
  for (const CString& line : ReadLines(path, shown)) {
    LineCheck check(shown + ":" + std::to_string(++number));
    if (progress) progress();
    ZaiMst1Rec rec{};
    if (!line.IsEmpty()) {
      check.Count(line, 3);
      std::vector<CString> f = LineFields(line);
      check.Integer(f[0], "code", 0);
      check.Text(f[1], "name", kNameLength);
      check.Integer(f[2], "flag", 0, 65535);
    }
    ExtractToMst1(line, &rec);
    c.level1.push_back(rec);
    c.where1.push_back(check.Where());
  }
}

void ReadLevel2(const Context& ctx, const MasterSet& set, Catalogue& c,
                const std::function<void()>& progress) {
  CString path = LevelFile(set, u"zairyou2.mst");
  std::string shown = ctx.install.Show(path);
  int number = 0;
  for (const CString& line : ReadLines(path, shown)) {
    LineCheck check(shown + ":" + std::to_string(++number));
    if (progress) progress();
    if (line.IsEmpty()) continue;  // not an entry
    check.Count(line, 11);
    std::vector<CString> f = LineFields(line);
    check.Integer(f[0], "level-1 code", 0);
    check.Integer(f[1], "code", 0);
    check.Text(f[2], "name", kNameLength);
    for (int k = 3; k < 8; ++k) check.Integer(f[static_cast<std::size_t>(k)], "attribute", 0, 255);
    for (int k = 8; k < 11; ++k) check.Integer(f[static_cast<std::size_t>(k)], "value");
    Level2Entry e;
    e.parent = _wtol(f[0].GetString());
    ExtractToMst2(line, &e.rec);
    c.level2.push_back(e);
    c.where2.push_back(check.Where());
  }
}

void ReadLevel3File(const Context& ctx, const MasterSet& set, LONG level1, Catalogue& c,
                    const std::function<void()>& progress) {
  CString path = ItemFile(set, level1);
  std::string shown = ctx.install.Show(path);
  int number = 0;
  for (const CString& line : ReadLines(path, shown)) {
    LineCheck check(shown + ":" + std::to_string(++number));
    if (progress) progress();
    if (line.IsEmpty()) continue;
    check.Count(line, 23);
    std::vector<CString> f = LineFields(line);
    ZaiMst3Rec probe{};
    if (!SetDrawingCode(probe, U8(f[0])))
      check.Fail("drawing code '" + U8(f[0]) + "' is not 12 digits");
    check.Text(f[1], "class mark", 1);
    check.Text(f[2], "table mark", 1);
    check.Integer(f[3], "level-1 code", 0);
    check.Integer(f[4], "level-2 code", 0);
    check.Integer(f[5], "code", 0);
    check.Text(f[6], "name", kNameLength);
    check.Text(f[7], "text2", kText2Length);
    check.Text(f[8], "text3", kText3Length);
    check.Text(f[9], "short text", kShortTextLength);
    static const char* const kAmounts[] = {"amount1", "amount2", "amount3",
                                           "amount4", "amount5", "amount6"};
    for (int k = 0; k < 6; ++k) check.Amount(f[static_cast<std::size_t>(10 + k)], kAmounts[k]);
    static const char* const kFactors[] = {"factor1", "factor2", "factor3", "factor4", "factor5"};
    for (int k = 0; k < 5; ++k) check.Factor(f[static_cast<std::size_t>(16 + k)], kFactors[k]);
    check.Amount(f[21], "amount7");
    check.Text(f[22], "closing text", kClosingTextLength);
    Item item;
    item.level1 = _wtol(f[3].GetString());
    item.level2 = _wtol(f[4].GetString());
    if (item.level1 != level1)
      check.Fail("the item names level-1 code " + std::to_string(item.level1) +
                 ", not the file's " + std::to_string(level1));
    ExtractToMst3(line, &item.rec);
    c.level3.push_back(item);
    c.where3.push_back(check.Where());
  }
}

void CheckFolder(const Context& ctx, const MasterSet& set) {
  CString folder = set.Folder();
  std::error_code ec;
  std::string host = Installation::Host(folder);
  if (host.empty() || !fs::is_directory(host, ec))
    throw Failure(ctx.install.Show(folder) + ": no such master folder");
}

}  // namespace

std::size_t CountCatalogueLines(const MasterSet& set) {
  std::size_t lines = 0;
  auto count = [&](const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      if (bytes[i] == '\n' && bytes[i + 1] == 0) ++lines;
  };
  std::error_code ec;
  std::string folder = Installation::Host(set.Folder());
  if (folder.empty() || !fs::is_directory(folder, ec)) return 0;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("zai", 0) == 0 && name.size() > 4 &&
        name.compare(name.size() - 4, 4, ".mst") == 0)
      count(entry.path().string());
  }
  return lines;
}

Catalogue ReadCatalogue(const Context& ctx, const MasterSet& set,
                        const std::function<void()>& progress) {
  CheckFolder(ctx, set);
  Catalogue c;
  ReadLevel1(ctx, set, c, progress);
  ReadLevel2(ctx, set, c, progress);
  std::set<LONG> seen;
  for (const ZaiMst1Rec& rec : c.level1) {
    if (seen.insert(rec.code).second) ReadLevel3File(ctx, set, rec.code, c, progress);
  }
  CheckCatalogue(c);
  return c;
}

// ------------------------------------------------------------ checks

namespace {

bool HasBadCharacter(const char16_t* text) {
  for (const char16_t* p = text; *p; ++p)
    if (*p == u',' || *p == u'\r' || *p == u'\n') return true;
  return false;
}

std::string ItemName(const Item& item) {
  return std::to_string(item.level1) + "/" + std::to_string(item.level2) + "/" +
         std::to_string(item.rec.code) + " " + U8(item.rec.name);
}

}  // namespace

void CheckCatalogue(const Catalogue& c) {
  auto fail = [](const std::string& where, const std::string& problem) {
    throw Failure(where + ": " + problem);
  };

  if (c.level1.size() > static_cast<std::size_t>(kMaxLevel1))
    fail(c.where1[kMaxLevel1], "more than 500 level-1 entries; the library reads at most 500");
  std::set<LONG> codes1;
  for (std::size_t i = 0; i < c.level1.size(); ++i) {
    const ZaiMst1Rec& r = c.level1[i];
    if (r.code < 0) fail(c.where1[i], "level-1 code " + std::to_string(r.code) + " is negative");
    if (HasBadCharacter(r.name)) fail(c.where1[i], "the name holds a comma or a line break");
    if (!codes1.insert(r.code).second)
      fail(c.where1[i], "level-1 code " + std::to_string(r.code) + " is listed twice");
  }

  std::set<std::pair<LONG, LONG>> codes2;
  std::map<LONG, int> perParent;
  for (std::size_t i = 0; i < c.level2.size(); ++i) {
    const Level2Entry& e = c.level2[i];
    std::string id = std::to_string(e.parent) + "/" + std::to_string(e.rec.code);
    if (!codes1.count(e.parent))
      fail(c.where2[i], "level-2 entry " + id + " names level-1 code " + std::to_string(e.parent) +
                            ", which is not in level 1");
    if (e.rec.code < 0) fail(c.where2[i], "level-2 code of " + id + " is negative");
    if (HasBadCharacter(e.rec.name)) fail(c.where2[i], "the name holds a comma or a line break");
    if (!codes2.insert({e.parent, e.rec.code}).second)
      fail(c.where2[i], "level-2 entry " + id + " is listed twice");
    if (++perParent[e.parent] > kMaxLevel2PerParent)
      fail(c.where2[i], "level-1 code " + std::to_string(e.parent) +
                            " has more than 150 level-2 entries; the library reads at most 150");
  }

  std::set<std::tuple<LONG, LONG, LONG>> codes3;
  std::map<std::pair<LONG, LONG>, int> perGroup;
  for (std::size_t i = 0; i < c.level3.size(); ++i) {
    const Item& item = c.level3[i];
    const ZaiMst3Rec& r = item.rec;
    std::string id = ItemName(item);
    if (!codes2.count({item.level1, item.level2}))
      fail(c.where3[i], "item " + id + " belongs to level-2 entry " + std::to_string(item.level1) +
                            "/" + std::to_string(item.level2) + ", which is not in level 2");
    if (r.code < 0) fail(c.where3[i], "item " + id + ": the code is negative");
    if (r.cwfPrefix < 0 || r.cwfPrefix > 99999 || r.cwfNumber < 0 || r.cwfNumber > 9999999)
      fail(c.where3[i], "item " + id + ": the drawing code is not 12 digits");
    for (const char16_t* text : {r.name, r.text2, r.text3, r.shortText, r.closingText})
      if (HasBadCharacter(text))
        fail(c.where3[i], "item " + id + ": a text holds a comma or a line break");
    for (char16_t mark : {r.classMark, r.useMark})
      if (mark == u',' || mark == u'\r' || mark == u'\n')
        fail(c.where3[i], "item " + id + ": a mark is a comma or a line break");
    std::string why;
    for (int k = 1; k <= 7; ++k)
      if (!AmountFits(GetAmount(r, k), why))
        fail(c.where3[i], "item " + id + ": amount" + std::to_string(k) + " " + why);
    for (int k = 0; k < 5; ++k)
      if (!FactorKept(r.factors[k], why))
        fail(c.where3[i], "item " + id + ": factor" + std::to_string(k + 1) + " " + why);
    const LONG code = r.code;
    if (!codes3.insert({item.level1, item.level2, code}).second)
      fail(c.where3[i], "item " + id + " is listed twice");
    if (++perGroup[{item.level1, item.level2}] > kMaxItemsPerGroup)
      fail(c.where3[i], "level-2 entry " + std::to_string(item.level1) + "/" +
                            std::to_string(item.level2) +
                            " has more than 300 items; the library reads at most 300");
  }
}

// ------------------------------------------------------------ writing

namespace {

// What the files hold before the import, read leniently: which level-1
// codes, which level-2 parents, and which (level-1, level-2) groups each
// level-3 file has.
struct OldShape {
  std::vector<LONG> level1;
  std::set<LONG> parents;
};

OldShape ScanOld(const MasterSet& set) {
  OldShape old;
  for (const CString& line : ReadLines(LevelFile(set, u"zairyou1.mst"), "zairyou1.mst")) {
    if (!line.IsEmpty()) old.level1.push_back(_wtol(LineFields(line)[0].GetString()));
  }
  for (const CString& line : ReadLines(LevelFile(set, u"zairyou2.mst"), "zairyou2.mst")) {
    if (!line.IsEmpty()) old.parents.insert(_wtol(LineFields(line)[0].GetString()));
  }
  return old;
}

std::vector<std::pair<LONG, LONG>> OldGroups(const MasterSet& set, LONG level1) {
  std::vector<std::pair<LONG, LONG>> groups;
  for (const CString& line : ReadLines(ItemFile(set, level1), "level-3 file")) {
    if (line.IsEmpty()) continue;
    std::vector<CString> f = LineFields(line);
    if (f.size() < 5) continue;
    std::pair<LONG, LONG> g{_wtol(f[3].GetString()), _wtol(f[4].GetString())};
    if (std::find(groups.begin(), groups.end(), g) == groups.end()) groups.push_back(g);
  }
  return groups;
}

// Keys in order of first appearance, each with its entries in order.
template <class T, class Key>
std::vector<std::pair<Key, std::vector<T>>> Groups(const std::vector<T>& list,
                                                   const std::function<Key(const T&)>& key) {
  std::vector<std::pair<Key, std::vector<T>>> groups;
  std::map<Key, std::size_t> index;
  for (const T& e : list) {
    Key k = key(e);
    auto [it, added] = index.emplace(k, groups.size());
    if (added) groups.push_back({k, {}});
    groups[it->second].second.push_back(e);
  }
  return groups;
}

using Level2Groups = std::vector<std::pair<LONG, std::vector<Level2Entry>>>;
using ItemGroups = std::vector<std::pair<std::pair<LONG, LONG>, std::vector<Item>>>;

Level2Groups GroupLevel2(const Catalogue& c) {
  return Groups<Level2Entry, LONG>(c.level2, [](const Level2Entry& e) { return e.parent; });
}

ItemGroups GroupItems(const std::vector<Item>& items) {
  return Groups<Item, std::pair<LONG, LONG>>(
      items, [](const Item& i) { return std::make_pair(i.level1, i.level2); });
}

// The catalogue in the order the updates leave the files in.
Catalogue Canonical(const Catalogue& c) {
  Catalogue out;
  out.level1 = c.level1;
  for (auto& [parent, entries] : GroupLevel2(c))
    out.level2.insert(out.level2.end(), entries.begin(), entries.end());
  for (const ZaiMst1Rec& r : c.level1) {
    std::vector<Item> mine;
    for (const Item& i : c.level3)
      if (i.level1 == r.code) mine.push_back(i);
    for (auto& [key, items] : GroupItems(mine))
      out.level3.insert(out.level3.end(), items.begin(), items.end());
  }
  return out;
}

template <class T>
bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool SameCatalogue(const Catalogue& a, const Catalogue& b) {
  if (!SameBytes(a.level1, b.level1) || a.level2.size() != b.level2.size() ||
      a.level3.size() != b.level3.size())
    return false;
  for (std::size_t i = 0; i < a.level2.size(); ++i) {
    if (a.level2[i].parent != b.level2[i].parent ||
        std::memcmp(&a.level2[i].rec, &b.level2[i].rec, sizeof(ZaiMst2Rec)) != 0)
      return false;
  }
  for (std::size_t i = 0; i < a.level3.size(); ++i) {
    if (a.level3[i].level1 != b.level3[i].level1 || a.level3[i].level2 != b.level3[i].level2 ||
        std::memcmp(&a.level3[i].rec, &b.level3[i].rec, sizeof(ZaiMst3Rec)) != 0)
      return false;
  }
  return true;
}

}  // namespace

int WriteCatalogue(const Context& ctx, const MasterSet& set, const Catalogue& c,
                   const std::function<void(std::size_t, std::size_t)>& progress) {
  CheckFolder(ctx, set);
  std::string folder = Installation::Host(set.Folder());
  if (access(folder.c_str(), W_OK) != 0)
    throw Failure(ctx.install.Show(set.Folder()) + ": the master folder cannot be written");

  const int trade = set.trade.number, number = set.number;
  OldShape old = ScanOld(set);
  Level2Groups groups2 = GroupLevel2(c);
  std::set<LONG> newParents, newCodes;
  for (const auto& g : groups2) newParents.insert(g.first);
  for (const ZaiMst1Rec& r : c.level1) newCodes.insert(r.code);

  // The plan, counted first for the progress bar.
  std::vector<std::function<void()>> steps;
  steps.push_back([&] {
    ZaiMst1Rec none{};
    UpdateZaiMst1(c.level1.empty() ? &none : c.level1.data(), static_cast<int>(c.level1.size()),
                  trade, number);
  });
  for (LONG parent : old.parents) {
    if (!newParents.count(parent)) steps.push_back([=] { DelZaiMst2_1(parent, trade, number); });
  }
  for (const auto& group : groups2) {
    const LONG parent = group.first;
    std::vector<ZaiMst2Rec> recs;
    for (const Level2Entry& e : group.second) recs.push_back(e.rec);
    steps.push_back([=] {
      UpdateZaiMst2_1(recs.data(), parent, static_cast<int>(recs.size()), trade, number);
    });
  }
  std::set<LONG> done;
  for (const ZaiMst1Rec& r : c.level1) {
    const LONG file = r.code;
    if (!done.insert(file).second) continue;
    std::vector<Item> mine;
    for (const Item& i : c.level3)
      if (i.level1 == file) mine.push_back(i);
    ItemGroups groups3 = GroupItems(mine);
    for (const auto& g : OldGroups(set, file)) {
      bool kept =
          std::any_of(groups3.begin(), groups3.end(), [&](const auto& n) { return n.first == g; });
      if (!kept) steps.push_back([=] { DelZaiMst3_1(file, g.first, g.second, trade, number); });
    }
    for (const auto& [key, items] : groups3) {
      std::vector<ZaiMst3Rec> recs;
      for (const Item& i : items) recs.push_back(i.rec);
      LONG level2 = key.second;
      steps.push_back([=] {
        UpdateZaiMst3(recs.data(), file, file, level2, static_cast<int>(recs.size()), trade,
                      number);
      });
    }
  }
  for (LONG code : old.level1) {
    if (!newCodes.count(code) && Exists(ItemFile(set, code)))
      steps.push_back([=] { DelZaiMst3_1(code, code, -1, trade, number); });
  }

  for (std::size_t i = 0; i < steps.size(); ++i) {
    steps[i]();
    if (progress) progress(i + 1, steps.size());
  }

  // The updates report nothing: reading the files back tells whether they took.
  std::string problem;
  try {
    if (!SameCatalogue(ReadCatalogue(ctx, set), Canonical(c)))
      problem = "the master files do not read back as the catalogue";
  } catch (const Failure& e) {
    problem = e.what();
  }
  if (!problem.empty())
    throw Failure(ctx.install.Show(set.Folder()) + ": the import did not take (" + problem + ")");
  return static_cast<int>(steps.size());
}

std::vector<std::string> CatalogueFileNames(const Catalogue& c) {
  std::vector<std::string> names = {"zairyou1.mst", "zairyou2.mst"};
  for (const ZaiMst1Rec& r : c.level1) {
    std::string name = U8(ItemFileName(r.code));
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

}  // namespace cmdtool
