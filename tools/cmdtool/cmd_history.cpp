// cmdtool history: the input histories of "histry.mst" in the environment
// folder ([DIR] PELMAR of pelmar1.ini), most recent text first.
//
//   history show N        the texts of history N (0 to 99)
//   history add N TEXT    puts TEXT in front (UpdateHist), then shows it
#include <filesystem>
#include <string>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "cmddll3/history.h"
#include "tool.h"

namespace cmdtool {
namespace {

constexpr int kSlots = 30;
constexpr int kMaxText = 49;  // a 100-byte record holds 49 units and a terminator

struct HistoryOptions {
  int number = 0;
  std::string text;
};

// The environment folder must be recorded and present: the history file
// lives there.
void CheckEnvironmentFolder(Context& ctx) {
  CString folder = GetPathIni();
  if (folder.IsEmpty())
    throw Failure("pelmar1.ini: [DIR] PELMAR is empty, so there is no history file");
  std::error_code ec;
  std::string host = Installation::Host(folder);
  if (host.empty() || !std::filesystem::is_directory(host, ec))
    throw Failure(U8(folder) + ": no such environment folder (pelmar1.ini [DIR] PELMAR)");
}

void Print(Context& ctx, int number) {
  CString texts[kSlots];
  int n = ReadHist(number, texts);
  if (n == 0) {
    ctx.out << "history " << number << ": no texts\n";
    return;
  }
  Table table({"#", "text"}, {Table::Right, Table::Left});
  for (int i = 0; i < n; ++i) table.Row({std::to_string(i + 1), U8(texts[i])});
  table.Print(ctx.out);
}

void Show(Context& ctx, const HistoryOptions& o) {
  ctx.install.Open();
  CheckEnvironmentFolder(ctx);
  Print(ctx, o.number);
}

void Add(Context& ctx, const HistoryOptions& o) {
  ctx.install.Open();
  CheckEnvironmentFolder(ctx);
  CString text = W(o.text);
  if (text.IsEmpty()) throw Failure("history " + std::to_string(o.number) + ": the text is empty");
  if (text.GetLength() > kMaxText)
    throw Failure("history " + std::to_string(o.number) + ": the text is " +
                  std::to_string(text.GetLength()) +
                  " characters long; a history keeps at most 49");
  if (text.FindOneOf(u"\r\n") >= 0)
    throw Failure("history " + std::to_string(o.number) + ": the text holds a line break");
  try {
    UpdateHist(o.number, text.GetString());
  } catch (const CFileException& e) {
    throw Failure(U8(GetPathIni()) + "histry.mst: " + U8(e.GetErrorMessage()));
  }
  Print(ctx, o.number);
}

}  // namespace

void AddHistoryCommand(CLI::App& app, Context& ctx) {
  auto* history =
      app.add_subcommand("history", "input histories of histry.mst (most recent first)");
  history->require_subcommand(1);
  static HistoryOptions o;

  auto* show = history->add_subcommand("show", "the texts of one history");
  show->add_option("N", o.number, "history number, 0 to 99")->required()->check(CLI::Range(0, 99));
  show->callback([&ctx] { Show(ctx, o); });

  auto* add = history->add_subcommand("add", "put a text in front of a history");
  add->add_option("N", o.number, "history number, 0 to 99")->required()->check(CLI::Range(0, 99));
  add->add_option("TEXT", o.text, "at most 49 characters")->required();
  add->callback([&ctx] { Add(ctx, o); });
}

}  // namespace cmdtool
