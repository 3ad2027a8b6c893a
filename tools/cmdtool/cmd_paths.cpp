// cmdtool paths: the folder layout of the installation as the library's
// getters give it, with what each path is on this machine.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "tool.h"

namespace fs = std::filesystem;

namespace cmdtool {
namespace {

struct Getter {
  std::string call;
  std::function<CString()> get;
};

std::vector<Getter> Getters() {
  std::vector<Getter> all = {
      {"GetSysDrv()", [] { return GetSysDrv(); }},
      {"GetIniFile()", [] { return GetIniFile(); }},
      {"GetPathIni()", [] { return GetPathIni(); }},
      {"GetIniFile2()", [] { return GetIniFile2(); }},
      {"GetEnvPath()", [] { return GetEnvPath(); }},
      {"SetCwd()", [] { return SetCwd(); }},
      {"GetExeBmpPath()", [] { return GetExeBmpPath(); }},
  };
  for (int kind = 0; kind <= 4; ++kind)
    all.push_back(
        {"GetDataDrv(" + std::to_string(kind) + ")", [kind] { return GetDataDrv(kind); }});
  std::vector<Getter> folders = {
      {"GetGrpDrv()", [] { return GetGrpDrv(); }},
      {"GetTanaDrv()", [] { return GetTanaDrv(); }},
      {"GetBmpDrv()", [] { return GetBmpDrv(); }},
      {"GetWaveDrv()", [] { return GetWaveDrv(); }},
      {"GetLayoutDrv()", [] { return GetLayoutDrv(); }},
      {"GetLogoDrv()", [] { return GetLogoDrv(); }},
      {"GetMailDrv()", [] { return GetMailDrv(); }},
  };
  all.insert(all.end(), folders.begin(), folders.end());
  for (const Trade& trade : AllTrades()) {
    int n = trade.number;
    all.push_back({"GetMstDrv(" + std::to_string(n) + ", -1)", [n] { return GetMstDrv(n, -1); }});
  }
  all.push_back({"GetMstDrv(10, -1)", [] { return GetMstDrv(10, -1); }});
  all.push_back({"GetWorkDrv()", [] { return GetWorkDrv(); }});
  all.push_back({"GetCadcmdIni()", [] { return GetCadcmdIni(); }});
  return all;
}

// What the path is on this machine: a folder, a file or missing.
std::string Status(const CString& path) {
  if (path.IsEmpty()) return "(empty)";
  std::string host = Installation::Host(path);
  std::error_code ec;
  if (host.empty()) return "unmapped";
  if (fs::is_directory(host, ec)) return "folder";
  if (fs::is_regular_file(host, ec)) return "file";
  return "missing";
}

void PrintPaths(Context& ctx) {
  ctx.install.Open();
  Table table({"getter", "path", "here"});
  for (const Getter& g : Getters()) {
    CString path = g.get();
    table.Row({g.call, U8(path), Status(path)});
  }
  table.Print(ctx.out);
}

}  // namespace

void AddPathsCommand(CLI::App& app, Context& ctx) {
  auto* cmd = app.add_subcommand(
      "paths", "the folder layout of the installation: every path getter of the library");
  cmd->callback([&ctx] { PrintPaths(ctx); });
}

}  // namespace cmdtool
