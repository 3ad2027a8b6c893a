// cmdtool print: printed forms of the installation, as PDF and PNG.
//
//   print estimate FILE -o OUT.pdf [--png PREFIX] [--printer N]
//   print envelope --to ADDRESS_FILE -o OUT.pdf [--png PREFIX] [--kind CODE]
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <vector>

#include "journal.h"
#include "print_envelope.h"
#include "print_estimate.h"
#include "print_output.h"
#include "print_sheet.h"
#include "tool.h"

namespace fs = std::filesystem;

namespace cmdtool {
namespace {

struct PrintOptions {
  std::string input;
  std::string output;
  std::string png;
  int printer = 0;
  std::string kind = "14";
};

// A path given on the command line, made absolute before the installation
// becomes the current directory; its folder must exist.
std::string OutputPath(const std::string& given) {
  fs::path p = fs::absolute(given);
  std::error_code ec;
  if (!fs::is_directory(p.parent_path(), ec))
    throw Failure(given + ": the folder " + p.parent_path().string() + " does not exist");
  return p.string();
}

void Report(Context& ctx, const std::string& what, const std::string& pdf, std::size_t pages,
            const std::vector<std::string>& pngs) {
  ctx.out << what << ": " << pages << (pages == 1 ? " page" : " pages") << " to " << pdf << "\n";
  for (const std::string& png : pngs) ctx.out << "preview: " << png << "\n";
}

void PrintEstimate(Context& ctx, const PrintOptions& o) {
  std::string input = fs::absolute(o.input).string();
  std::string pdf = OutputPath(o.output);
  std::string png = o.png.empty() ? "" : OutputPath(o.png);
  print::Document doc = print::ReadDocument(o.input);  // names the file as given
  ctx.install.Open();
  // The catalogues the items come from are read under the folder's shared
  // hold, after an interrupted import there was undone.
  std::set<int> trades;
  for (const print::DocLine& line : doc.lines)
    if (line.kind == print::LineKind::Item) trades.insert(line.trade ? line.trade : doc.trade);
  std::vector<std::unique_ptr<MasterFolder>> holds;
  for (int trade : trades)
    holds.push_back(
        std::make_unique<MasterFolder>(ctx, GetMstDrv(trade, -1), MasterFolder::Use::Read));
  print::Estimate e = print::WorkOut(doc, print::ReadRules(doc));
  print::Warnings warnings(ctx.err);
  print::Letterhead head = print::ReadLetterhead(warnings);
  std::vector<print::PageRows> pages = print::Paginate(e);
  auto draw = [&](const print::Page& page, std::size_t i) {
    print::DrawEstimatePage(page, e, head, pages, i);
  };
  print::Staged staged;
  print::WritePdf(staged, pdf, {}, pages.size(), print::PrinterAdjustment(o.printer), draw);
  std::vector<std::string> pngs;
  if (!png.empty()) pngs = print::WritePngs(staged, png, {}, pages.size(), draw);
  staged.Commit();
  // The sheet's yen sign is the code page's backslash, which the form's
  // Japanese fonts draw as a yen sign; a terminal shows it as it is meant.
  CString total = e.totalText;
  total.Replace(u"\\", u"\u00a5");
  Report(ctx, "estimate " + U8(e.number) + ", total " + U8(total), pdf, pages.size(), pngs);
}

void PrintEnvelope(Context& ctx, const PrintOptions& o) {
  std::string pdf = OutputPath(o.output);
  std::string png = o.png.empty() ? "" : OutputPath(o.png);
  print::Address to = print::ReadAddress(o.input);
  int kind = print::ParseEnvelopeKind(o.kind);
  ctx.install.Open();
  print::Warnings warnings(ctx.err);
  print::Letterhead head = print::ReadLetterhead(warnings);
  print::Envelope env = print::ReadEnvelope(kind);
  auto draw = [&](const print::Page& page, std::size_t) {
    print::DrawEnvelope(page, env, to, head);
  };
  print::Paper paper{env.width, env.height + env.flap};
  print::Staged staged;
  // Envelopes are vertical forms: the adjustment of the vertical layout.
  print::WritePdf(staged, pdf, paper, 1, print::EnvelopeAdjustment(env), draw);
  std::vector<std::string> pngs;
  if (!png.empty()) pngs = print::WritePngs(staged, png, paper, 1, draw);
  staged.Commit();
  Report(ctx, "envelope " + U8(env.name), pdf, 1, pngs);
}

}  // namespace

void AddPrintCommand(CLI::App& app, Context& ctx) {
  auto* print = app.add_subcommand("print", "estimate sheets and envelopes as PDF and PNG");
  print->require_subcommand(1);
  auto o = std::make_shared<PrintOptions>();

  auto* estimate = print->add_subcommand("estimate", "an estimate sheet (御見積書) from a JSON document");
  estimate->add_option("FILE", o->input, "the estimate (UTF-8 JSON)")->required();
  estimate->add_option("-o,--output", o->output, "the PDF to write")->required();
  estimate->add_option("--png", o->png, "also write PREFIX-1.png, ... (96 dpi previews)");
  estimate->add_option("--printer", o->printer,
                       "printer number of the print settings (default: the standard printer)")
      ->check(CLI::Range(1, 10));
  estimate->callback([&ctx, o] { PrintEstimate(ctx, *o); });

  auto* envelope = print->add_subcommand("envelope", "an envelope with postal code and address");
  envelope->add_option("--to", o->input, "the address (UTF-8 JSON)")->required();
  envelope->add_option("-o,--output", o->output, "the PDF to write")->required();
  envelope->add_option("--png", o->png, "also write PREFIX-1.png (96 dpi preview)");
  envelope->add_option("--kind", o->kind, "envelope kind code (12 to 37) or name (長3, 角2, ...)")
      ->capture_default_str();
  envelope->callback([&ctx, o] { PrintEnvelope(ctx, *o); });
}

}  // namespace cmdtool
