#include "print_output.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "cmddll3/platform/gdi_devices.h"
#include "tool.h"

namespace fs = std::filesystem;

namespace cmdtool::print {

Staged::~Staged() {
  std::error_code ec;
  for (const auto& [staging, target] : files_) fs::remove(staging, ec);
}

std::string Staged::Add(const std::string& target) {
  fs::path t(target);
  std::string staging =
      (t.parent_path() / ("." + t.filename().string() + ".part-" + std::to_string(getpid())))
          .string();
  files_.emplace_back(staging, target);
  return staging;
}

void Staged::Commit() {
  for (const auto& [staging, target] : files_) {
    std::error_code ec;
    fs::rename(staging, target, ec);
    if (ec) throw Failure(target + ": cannot write the file: " + ec.message());
  }
  files_.clear();
}

POINT PrinterAdjustment(int printer) {
  int x = 0, y = 0;
  GetPrnMergeIni(printer > 0 ? printer : GetStdPrnIni(-1), &x, &y, 0);
  return POINT{x, y};
}

void WritePdf(Staged& staged, const std::string& path, const Paper& paper, std::size_t pages,
              POINT adjustment, const DrawPage& draw) {
  std::string staging = staged.Add(path);
  CDC dc;
  dc.Attach(cmd::gdi::CreatePrinterDC(staging, 300, paper.width / 10.0, paper.height / 10.0));
  Page page{&dc, 300};
  page.offsetX = page.L(adjustment.x);
  page.offsetY = page.L(adjustment.y);
  bool ok = dc.StartDoc(u"cmdtool") > 0;
  for (std::size_t i = 0; ok && i < pages; ++i) {
    ok = dc.StartPage() > 0;
    if (ok) draw(page, i);
    ok = ok && dc.EndPage() > 0;
  }
  ok = ok && dc.EndDoc() > 0;
  if (!ok) {
    dc.AbortDoc();
    throw Failure(path + ": cannot write the PDF document");
  }
}

std::vector<std::string> WritePngs(Staged& staged, const std::string& prefix, const Paper& paper,
                                   std::size_t pages, const DrawPage& draw) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < pages; ++i) {
    std::string name = prefix + "-" + std::to_string(i + 1) + ".png";
    CDC dc;
    Page page{&dc, 96};
    dc.Attach(cmd::gdi::CreateImageDC(page.L(paper.width), page.L(paper.height), 96));
    draw(page, i);
    if (!cmd::gdi::SaveImagePng(dc.GetSafeHdc(), staged.Add(name)))
      throw Failure(name + ": cannot write the picture");
    names.push_back(name);
  }
  return names;
}

}  // namespace cmdtool::print
