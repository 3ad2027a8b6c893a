// cmdtool master: the material catalogue of a trade.
//
//   master list TRADE [LEVEL1 [LEVEL2]]     level 1, 2 or 3 as a table, read
//                                           with the library's getters
//   master export TRADE --format json|csv   the whole catalogue (UTF-8, or
//                   [--encoding cp932]      a CSV for a Japanese spreadsheet)
//   master import TRADE FILE                back through the update functions,
//                   [--encoding ...]        after checking all of it; UTF-8 or
//                                           code page 932, found out or given;
//                                           all or nothing (journal.h)
//   master recover TRADE                    finishes an interrupted import
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue.h"
#include "catalogue_io.h"
#include "cmddll3/cmddll3.h"
#include "journal.h"
#include "tool.h"

namespace cmdtool {
namespace {

struct MasterOptions {
  std::string trade;
  int number = -1;
  std::vector<long long> codes;  // LEVEL1 [LEVEL2]
  std::string format;
  std::string output;
  std::string file;
  std::string encoding;
  bool checkOnly = false;
};

MasterSet OpenSet(Context& ctx, const MasterOptions& o) {
  Trade trade = ParseTrade(o.trade);  // an unknown trade fails before anything is touched
  ctx.install.Open();
  MasterSet set{trade, o.number};
  CString folder = set.Folder();
  std::string host = Installation::Host(folder);
  std::error_code ec;
  if (host.empty() || !std::filesystem::is_directory(host, ec))
    throw Failure(ctx.install.Show(folder) + ": no such master folder");
  return set;
}

std::string Amount(double value) { return U8(KanmaFormat_1(value, 0)); }
std::string Factor(float value) { return U8(KanmaFormat_1(value, 3)); }
std::string Num(long long v) { return std::to_string(v); }

// The library's message boxes during a listing mean the list is cut short.
void ReportMessages(MessageCapture& messages, const std::string& file) {
  for (const std::string& m : messages.Take()) throw Failure(file + ": " + m);
}

// Items per (level-1, level-2) group, counted from the level-3 file without
// the side effects of the library's reader (which creates a missing file).
int CountItems(const MasterSet& set, LONG level1, LONG level2 = -1) {
  CString path;
  path.Format(u"%szai%03d-3.mst", set.Folder(), static_cast<int>(level1));
  std::error_code ec;
  std::string host = Installation::Host(path);
  if (host.empty() || !std::filesystem::is_regular_file(host, ec)) return 0;
  CStdioFile file;
  if (!file.Open(path.GetString(), u"rt,ccs=UNICODE")) return 0;
  int count = 0;
  CString line, f[5];
  while (file.ReadString(line)) {
    if (line.IsEmpty()) continue;
    for (CString& s : f) s.Empty();
    SplitCStrByComma(line, f, 5);
    if (_wtol(f[3].GetString()) == level1 && (level2 < 0 || _wtol(f[4].GetString()) == level2))
      ++count;
  }
  return count;
}

std::vector<ZaiMst1Rec> Level1(Context& ctx, const MasterSet& set, MessageCapture& messages) {
  CString path = set.Folder() + u"zairyou1.mst";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Installation::Host(path), ec))
    throw Failure(ctx.install.Show(path) + ": no such file");
  std::vector<ZaiMst1Rec> recs(kMaxLevel1);
  int n = GetZaiMst1(recs.data(), set.trade.number, set.number);
  ReportMessages(messages, ctx.install.Show(path));
  recs.resize(static_cast<std::size_t>(std::max(n, 0)));
  return recs;
}

const ZaiMst1Rec& FindLevel1(Context& ctx, const MasterSet& set, const std::vector<ZaiMst1Rec>& all,
                             long long code) {
  for (const ZaiMst1Rec& r : all)
    if (r.code == code) return r;
  throw Failure(ctx.install.Show(set.Folder() + u"zairyou1.mst") + ": no level-1 entry " +
                Num(code));
}

void ListLevel1(Context& ctx, const MasterSet& set, MessageCapture& messages) {
  std::vector<ZaiMst1Rec> all = Level1(ctx, set, messages);
  Table table({"code", "name", "flag", "level 2", "items"},
              {Table::Right, Table::Left, Table::Right, Table::Right, Table::Right});
  std::vector<ZaiMst2Rec> entries(kMaxLevel2PerParent);
  for (const ZaiMst1Rec& r : all) {
    int n = GetZaiMst2_1(entries.data(), r.code, CString(), set.trade.number, set.number);
    ReportMessages(messages, ctx.install.Show(set.Folder() + u"zairyou2.mst"));
    table.Row({Num(r.code), U8(CMDTOOL_TEXT(r.name)), Num(r.flag), Num(std::max(n, 0)),
               Num(CountItems(set, r.code))});
  }
  table.Print(ctx.out);
}

void ListLevel2(Context& ctx, const MasterSet& set, MessageCapture& messages, long long level1) {
  const ZaiMst1Rec parent = FindLevel1(ctx, set, Level1(ctx, set, messages), level1);
  std::vector<ZaiMst2Rec> entries(kMaxLevel2PerParent);
  int n = GetZaiMst2_1(entries.data(), parent.code, CString(), set.trade.number, set.number);
  ReportMessages(messages, ctx.install.Show(set.Folder() + u"zairyou2.mst"));
  ctx.out << parent.code << " " << U8(CMDTOOL_TEXT(parent.name)) << "\n";
  Table table({"code", "name", "attributes", "values", "items"},
              {Table::Right, Table::Left, Table::Left, Table::Left, Table::Right});
  for (int i = 0; i < n; ++i) {
    const ZaiMst2Rec& e = entries[static_cast<std::size_t>(i)];
    std::string attrs, values;
    for (int k = 0; k < 5; ++k) attrs += (k ? " " : "") + Num(e.attr[k]);
    for (int k = 0; k < 3; ++k) values += (k ? " " : "") + Num(e.value[k]);
    table.Row({Num(e.code), U8(CMDTOOL_TEXT(e.name)), attrs, values,
               Num(CountItems(set, parent.code, e.code))});
  }
  table.Print(ctx.out);
}

void ListLevel3(Context& ctx, const MasterSet& set, MessageCapture& messages, long long level1,
                long long level2) {
  const ZaiMst1Rec parent = FindLevel1(ctx, set, Level1(ctx, set, messages), level1);
  ZaiMst2Rec group{};
  if (!GetZaiMst2_2(&group, parent.code, static_cast<LONG>(level2), CString(), set.trade.number,
                    set.number))
    throw Failure(ctx.install.Show(set.Folder() + u"zairyou2.mst") + ": no level-2 entry " +
                  Num(level1) + "/" + Num(level2));
  std::vector<ZaiMst3Rec> items(kMaxItemsPerGroup);
  int n = GetZaiMst3(items.data(), parent.code, parent.code, group.code, CString(),
                     set.trade.number, set.number);
  ReportMessages(messages, ctx.install.Show(set.Folder()));

  // Column captions as the installation names its price and labour columns.
  CString prices[3], labour[4];
  GetTankaCategoryIni(prices);
  GetBukakeCategoryIni(labour);
  ctx.out << parent.code << " " << U8(CMDTOOL_TEXT(parent.name)) << " / " << group.code << " "
          << U8(CMDTOOL_TEXT(group.name)) << "\n";
  Table table({"code", "drawing code", "marks", "name", "text2", "unit", U8(prices[0]),
               U8(prices[2]), U8(labour[0])},
              {Table::Right, Table::Left, Table::Left, Table::Left, Table::Left, Table::Left,
               Table::Right, Table::Right, Table::Right});
  for (int i = 0; i < n; ++i) {
    const ZaiMst3Rec& r = items[static_cast<std::size_t>(i)];
    std::string marks =
        (r.classMark ? MarkText(r.classMark) : "-") + (r.useMark ? MarkText(r.useMark) : "-");
    table.Row({Num(r.code), DrawingCode(r), marks, U8(CMDTOOL_TEXT(r.name)),
               U8(CMDTOOL_TEXT(r.text2)), U8(CMDTOOL_TEXT(r.shortText)), Amount(r.amounts1to3[0]),
               Amount(r.amounts1to3[2]), Factor(r.factors[0])});
  }
  table.Print(ctx.out);
}

void List(Context& ctx, const MasterOptions& o) {
  MasterSet set = OpenSet(ctx, o);
  MasterFolder hold(ctx, set.Folder(), MasterFolder::Use::Read);
  MessageCapture messages;
  if (o.codes.empty())
    ListLevel1(ctx, set, messages);
  else if (o.codes.size() == 1)
    ListLevel2(ctx, set, messages, o.codes[0]);
  else
    ListLevel3(ctx, set, messages, o.codes[0], o.codes[1]);
}

ExchangeFormat FormatOf(const std::string& format, const std::string& file) {
  std::string f = format;
  if (f.empty()) {
    auto dot = file.rfind('.');
    std::string ext = dot == std::string::npos ? "" : file.substr(dot + 1);
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (ext != "json" && ext != "csv")
      throw Failure(file + ": cannot tell the format from the name; give --format json or csv");
    f = ext;
  }
  return f == "csv" ? ExchangeFormat::Csv : ExchangeFormat::Json;
}

void Export(Context& ctx, const MasterOptions& o) {
  // A relative output path is the user's, not the installation folder's
  // (which becomes the current directory).
  std::string output =
      o.output.empty() || o.output == "-" ? "" : std::filesystem::absolute(o.output).string();
  MasterSet set = OpenSet(ctx, o);
  MasterFolder hold(ctx, set.Folder(), MasterFolder::Use::Read);
  ExchangeFormat format = FormatOf(o.format.empty() ? "json" : o.format, o.output);
  const FileEncoding encoding = ParseFileEncoding(o.encoding);
  if (encoding == FileEncoding::Cp932 && format == ExchangeFormat::Json)
    throw Failure("--encoding cp932: JSON is always UTF-8; use it with --format csv");
  Catalogue c;
  {
    Progress progress("export " + std::string(set.trade.name), CountCatalogueLines(set));
    c = ReadCatalogue(ctx, set, [&progress] { progress.Step(); });
  }
  std::string text =
      format == ExchangeFormat::Json ? CatalogueToJson(c, set.trade) : CatalogueToCsv(c);
  if (encoding == FileEncoding::Cp932)
    text = EncodeCp932File(text, output.empty() ? "standard output" : o.output);
  if (output.empty()) {
    ctx.out << text;
    return;
  }
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out << text;
  out.flush();
  if (!out) throw Failure(o.output + ": cannot be written");
  ctx.err << set.trade.name << ": " << c.level1.size() << " level-1 entries, " << c.level2.size()
          << " level-2 entries, " << c.level3.size() << " items written to " << o.output << "\n";
}

void Import(Context& ctx, const MasterOptions& o) {
  ParseTrade(o.trade);  // an unknown trade is the first thing to report
  ExchangeFormat format = FormatOf(o.format, o.file);
  const FileEncoding encoding = ParseFileEncoding(o.encoding);
  std::string text;
  if (o.file == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(o.file, ec)) throw Failure(o.file + ": no such file");
    std::ifstream in(o.file, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure(o.file + ": cannot be read");
  }
  std::string name = o.file == "-" ? "standard input" : o.file;
  text = DecodeExchangeFile(text, encoding);

  // Everything is checked before the first file is touched.
  Catalogue c =
      format == ExchangeFormat::Json ? CatalogueFromJson(text, name) : CatalogueFromCsv(text, name);
  CheckCatalogue(c);
  MasterSet set = OpenSet(ctx, o);
  std::ostringstream summary;
  summary << set.trade.name << ": " << c.level1.size() << " level-1 entries, " << c.level2.size()
          << " level-2 entries, " << c.level3.size() << " items";
  if (o.checkOnly) {
    ctx.out << summary.str() << " checked; nothing written\n";
    return;
  }

  MessageCapture messages;
  std::unique_ptr<Progress> bar;
  int updates = ImportCatalogue(ctx, set, c, [&](std::size_t, std::size_t total) {
    // Each step rewrites a master file: a few dozen are worth a bar.
    if (!bar) bar = std::make_unique<Progress>("import " + std::string(set.trade.name), total, 20);
    bar->Step();
  });
  bar.reset();
  for (const std::string& m : messages.Take()) ctx.err << "cmdtool: warning: " << m << "\n";
  ctx.out << summary.str() << " imported (" << updates << " updates)\n";
}

void Recover(Context& ctx, const MasterOptions& o) {
  MasterSet set = OpenSet(ctx, o);
  MasterFolder hold(ctx, set.Folder(), MasterFolder::Use::Recover);
  const Recovery& r = hold.Recovered();
  ctx.out << hold.Shown() << ": ";
  switch (r.found) {
    case Recovery::Nothing:
      ctx.out << "no interrupted import; nothing to do\n";
      break;
    case Recovery::Incomplete:
      ctx.out << "an unfinished journal was removed; no master file needed putting back\n";
      break;
    case Recovery::Interrupted:
      ctx.out << "an interrupted import was undone: " << r.restored << " files put back, "
              << r.removed << " removed\n";
      break;
  }
}

}  // namespace

void AddMasterCommand(CLI::App& app, Context& ctx) {
  auto* master = app.add_subcommand("master", "the material catalogue of a trade (3 levels)");
  master->require_subcommand(1);
  static MasterOptions o;
  const std::string tradeHelp = "1 to 4, or 電気, 水道, 設備, 建築";

  auto* list = master->add_subcommand(
      "list", "level 1, the level-2 entries of LEVEL1, or the items of LEVEL1 LEVEL2");
  list->add_option("TRADE", o.trade, tradeHelp)->required();
  list->add_option("CODES", o.codes, "LEVEL1 [LEVEL2] codes")->expected(0, 2);
  list->add_option("--number", o.number,
                   "numbered sub-master (0 for the sub-folder 1); -1 the trade's own")
      ->capture_default_str();
  list->callback([&ctx] { List(ctx, o); });

  auto* exp = master->add_subcommand("export", "the whole catalogue as JSON or CSV");
  exp->add_option("TRADE", o.trade, tradeHelp)->required();
  exp->add_option("--format", o.format, "json (the default) or csv")
      ->check(CLI::IsMember({"json", "csv"}));
  exp->add_option("-o,--output", o.output, "file to write; standard output by default");
  exp->add_option("--encoding", o.encoding,
                  "utf-8 (the default) or cp932 (CSV with CR LF, as a Japanese spreadsheet "
                  "program opens it)")
      ->check(CLI::IsMember({"utf-8", "cp932"}));
  exp->add_option("--number", o.number, "numbered sub-master; -1 the trade's own")
      ->capture_default_str();
  exp->callback([&ctx] { Export(ctx, o); });

  auto* imp = master->add_subcommand(
      "import", "replace the catalogue from a JSON or CSV file, through the library's updates");
  imp->add_option("TRADE", o.trade, tradeHelp)->required();
  imp->add_option("FILE", o.file, "the catalogue (.json or .csv; - for standard input)")
      ->required();
  imp->add_option("--format", o.format, "json or csv (by default from the file name)")
      ->check(CLI::IsMember({"json", "csv"}));
  imp->add_option("--number", o.number, "numbered sub-master; -1 the trade's own")
      ->capture_default_str();
  imp->add_option("--encoding", o.encoding,
                  "utf-8 or cp932; by default UTF-8 when the file is valid UTF-8, else cp932")
      ->check(CLI::IsMember({"utf-8", "cp932"}));
  imp->add_flag("--check", o.checkOnly, "check the file only; write nothing");
  imp->callback([&ctx] { Import(ctx, o); });

  auto* rec = master->add_subcommand(
      "recover", "finish an import that was interrupted: put the old catalogue back");
  rec->add_option("TRADE", o.trade, tradeHelp)->required();
  rec->add_option("--number", o.number, "numbered sub-master; -1 the trade's own")
      ->capture_default_str();
  rec->callback([&ctx] { Recover(ctx, o); });
}

}  // namespace cmdtool
