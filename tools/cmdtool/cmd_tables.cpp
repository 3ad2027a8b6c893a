// cmdtool tables: the lookup tables derived from a trade's level-3 files.
//
//   tables build TRADE     the CAD table ("cad1_1.tbl" .. "cad4_1.tbl" in the
//                          installation folder, where the library writes it)
//                          and the digitizer-panel table, with the number of
//                          items each lists
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "cmddll3/master_table.h"
#include "journal.h"
#include "tool.h"

namespace cmdtool {
namespace {

struct TablesOptions {
  std::string trade;
  int number = -1;
  bool ifStale = false;
  std::string panel;
};

// Lines of a table file, read as the host reads it.
int CountLines(const CString& path) {
  CStdioFile file;
  if (!file.Open(path.GetString(), u"rt,ccs=UNICODE")) return -1;
  int lines = 0;
  CString line;
  while (file.ReadString(line)) ++lines;
  return lines;
}

// Identity of a file's content: a rebuilt table is a new file.
struct Stamp {
  bool exists = false;
  ino_t inode = 0;
  timespec mtime{};
  bool operator==(const Stamp& o) const {
    return exists == o.exists && inode == o.inode && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec;
  }
};

Stamp StampOf(const CString& path) {
  Stamp s;
  struct stat st {};
  std::string host = Installation::Host(path);
  if (!host.empty() && stat(host.c_str(), &st) == 0) {
    s.exists = true;
    s.inode = st.st_ino;
    s.mtime = st.st_mtim;
  }
  return s;
}

void Build(Context& ctx, const TablesOptions& o) {
  Trade trade = ParseTrade(o.trade);
  ctx.install.Open();
  CString folder = GetMstDrv(trade.number, o.number);
  MasterFolder hold(ctx, folder, MasterFolder::Use::Read);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Installation::Host(folder + u"zairyou1.mst"), ec))
    throw Failure(ctx.install.Show(folder + u"zairyou1.mst") + ": no such file");

  CString cad;
  cad.Format(u"cad%d_1.tbl", trade.number);
  CString panel = o.panel.empty() ? FormatString(u"degi%d_1.tbl", trade.number) : W(o.panel);

  MessageCapture messages;
  Stamp cadBefore = StampOf(cad), panelBefore = StampOf(panel);
  if (o.ifStale) {
    UpdateCadtable(trade.number, o.number);
    UpdateDegipaneTable(panel, trade.number, o.number);
  } else {
    if (!MakeCadtable(cad, trade.number, o.number))
      throw Failure(U8(cad) + ": not built: " + ctx.install.Show(folder + u"zairyou1.mst") +
                    " lists no entries, or the table cannot be written");
    if (!MakeDegipaneTable(panel, trade.number, o.number))
      throw Failure(U8(panel) + ": not built: a level-3 file of " + ctx.install.Show(folder) +
                    " cannot be read, or the table cannot be written");
  }
  for (const std::string& m : messages.Take()) ctx.err << "cmdtool: warning: " << m << "\n";

  Table table({"table", "kind", "items", "state"},
              {Table::Left, Table::Left, Table::Right, Table::Left});
  auto row = [&](const CString& path, const char* kind, const Stamp& before) {
    int items = CountLines(path);
    std::string state = !o.ifStale ? "built" : before == StampOf(path) ? "up to date" : "rebuilt";
    table.Row(
        {U8(path), kind, items < 0 ? "-" : std::to_string(items), items < 0 ? "missing" : state});
  };
  row(cad, "CAD", cadBefore);
  row(panel, "digitizer panel", panelBefore);
  table.Print(ctx.out);
}

}  // namespace

void AddTablesCommand(CLI::App& app, Context& ctx) {
  auto* tables = app.add_subcommand("tables", "CAD and digitizer-panel tables of a trade");
  tables->require_subcommand(1);
  static TablesOptions o;
  auto* build = tables->add_subcommand("build", "build both tables from the level-3 files");
  build->add_option("TRADE", o.trade, "1 to 4, or 電気, 水道, 設備, 建築")->required();
  build->add_option("--number", o.number, "numbered sub-master; -1 the trade's own")
      ->capture_default_str();
  build->add_flag(
      "--if-stale", o.ifStale,
      "only rebuild a table older than the master files (UpdateCadtable, UpdateDegipaneTable)");
  build->add_option("--panel", o.panel,
                    "digitizer-panel table file, relative to the installation folder (default "
                    "degiN_1.tbl beside cadN_1.tbl)");
  build->callback([&ctx] { Build(ctx, o); });
}

}  // namespace cmdtool
