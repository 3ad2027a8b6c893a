// Printing a 300-line estimate (about ten pages) to PDF through the library's
// drawers, against the cost of putting the same texts on the same kind of
// device context at all: each text once with TextOut in a font of its
// height (one font a height and page). Prints the ratio (at most 3 is the aim) and, apart, the time of
// the first page in a fresh process (fonts cold).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "cmddll3/platform/gdi_devices.h"
#include "print_estimate.h"
#include "print_sheet.h"
#include "tool.h"

namespace fs = std::filesystem;
using namespace cmdtool;
using namespace cmdtool::print;

namespace {

struct Job {
  fs::path folder;
  Installation install;
  Estimate estimate;
  Letterhead head;
  std::vector<PageRows> pages;
  // The texts the sheet draws, with the font height of each, page by page.
  std::vector<std::vector<std::pair<CString, int>>> texts;
};

Job& TheJob() {
  static Job* job = [] {
    auto* j = new Job;
    j->folder = fs::temp_directory_path() / ("bench_print_" + std::to_string(getpid()));
    fs::remove_all(j->folder);
    fs::copy(fs::path(CMD_SOURCE_DIR) / "examples" / "install", j->folder,
             fs::copy_options::recursive);
    j->install.given = j->folder.string();
    j->install.Open();
    // 300 lines: catalogue items of every group, a few free lines, subtotals.
    std::string lines;
    const int codes[][3] = {{1, 2, 3}, {4, 1, 3}, {3, 1, 5}, {2, 3, 2}, {5, 3, 2}, {9, 1, 4},
                            {6, 1, 1}, {8, 1, 2}, {10, 1, 5}, {4, 2, 1}, {1, 3, 7}, {3, 2, 6}};
    for (int i = 0; i < 300; ++i) {
      if (!lines.empty()) lines += ",\n";
      if (i % 25 == 24) {
        lines += R"({"subtotal": true})";
      } else if (i % 10 == 9) {
        lines += R"({"name": "既設器具 撤去・処分 )" + std::to_string(i) +
                 R"(", "detail": "高所作業車 使用 夜間作業を含む", "quantity": 3, "unit": "式", "price": 12800})";
      } else {
        const int* c = codes[i % 12];
        lines += "{\"codes\": [" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " +
                 std::to_string(c[2]) + "], \"quantity\": " + std::to_string(3 + i % 40) + "}";
      }
    }
    std::string json = R"({"customer": "株式会社 青葉建設", "title": "本社ビル 電気設備改修工事",
      "date": "2024/05/13", "remarks": ["工期：別途協議"], "lines": [)" + lines + "]}";
    Document doc = ParseDocument(json, "bench.json", ".");
    j->estimate = WorkOut(doc, ReadRules(doc));
    Warnings warnings(std::cerr);
    j->head = ReadLetterhead(warnings);
    j->pages = Paginate(j->estimate);
    // The texts, as the sheet draws them (recorded once).
    CDC dc;
    dc.Attach(cmd::gdi::CreateRecordingDC(300, true));
    cmd::gdi::RecordEverything(dc.GetSafeHdc(), false);
    Page page{&dc, 300};
    for (std::size_t i = 0; i < j->pages.size(); ++i) {
      cmd::gdi::ClearRecording(dc.GetSafeHdc());
      DrawEstimatePage(page, j->estimate, j->head, j->pages, i);
      std::vector<std::pair<CString, int>> texts;
      for (const cmd::gdi::GdiOp& op : *cmd::gdi::RecordedOps(dc.GetSafeHdc()))
        if (op.kind == cmd::gdi::OpKind::DrawText || op.kind == cmd::gdi::OpKind::TextOut)
          texts.emplace_back(CString(op.text), op.font.lfHeight);
      j->texts.push_back(std::move(texts));
    }
    return j;
  }();
  return *job;
}

std::string PdfPath() { return (TheJob().folder / "bench.pdf").string(); }

void PrintEstimate(std::size_t pages) {
  Job& j = TheJob();
  CDC dc;
  dc.Attach(cmd::gdi::CreatePrinterDC(PdfPath(), 300));
  Page page{&dc, 300};
  dc.StartDoc(u"bench");
  for (std::size_t i = 0; i < pages; ++i) {
    dc.StartPage();
    DrawEstimatePage(page, j.estimate, j.head, j.pages, i);
    dc.EndPage();
  }
  dc.EndDoc();
}

void TextOutOnce(std::size_t pages) {
  Job& j = TheJob();
  CDC dc;
  dc.Attach(cmd::gdi::CreatePrinterDC(PdfPath(), 300));
  dc.StartDoc(u"bench");
  for (std::size_t i = 0; i < pages; ++i) {
    dc.StartPage();
    // One font for each height, made once a page: only the glyphs cost.
    std::map<int, CFont> fonts;
    CFont* first = nullptr;
    int y = 100;
    for (const auto& [text, height] : j.texts[i]) {
      auto [it, made] = fonts.try_emplace(height);
      if (made) {
        LOGFONTW lf{};
        MakeLogFont(&lf, nullptr, height, 0, FW_NORMAL, 0, 0, 0);
        it->second.CreateFontIndirect(&lf);
      }
      CFont* old = dc.SelectObject(&it->second);
      if (!first) first = old;
      dc.TextOut(100, y, text);
      y = y > 3000 ? 100 : y + 40;
    }
    if (first) dc.SelectObject(first);
    for (auto& [height, font] : fonts) font.DeleteObject();
    dc.EndPage();
  }
  dc.EndDoc();
}

void BM_EstimateToPdf(benchmark::State& state) {
  std::size_t pages = TheJob().pages.size();
  for (auto _ : state) PrintEstimate(pages);
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_EstimateToPdf)->Unit(benchmark::kMillisecond);

void BM_SameTextsWithTextOut(benchmark::State& state) {
  std::size_t pages = TheJob().pages.size();
  for (auto _ : state) TextOutOnce(pages);
}
BENCHMARK(BM_SameTextsWithTextOut)->Unit(benchmark::kMillisecond);

double Seconds(void (*work)(std::size_t), std::size_t pages, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    work(pages);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  // The first page of the first document, fonts cold.
  auto start = std::chrono::steady_clock::now();
  Job& job = TheJob();
  auto ready = std::chrono::steady_clock::now();
  PrintEstimate(1);
  double firstPage = std::chrono::duration<double>(std::chrono::steady_clock::now() - ready).count();
  double setup = std::chrono::duration<double>(ready - start).count();

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::size_t pages = job.pages.size();
  double sheet = Seconds(PrintEstimate, pages, 5), baseline = Seconds(TextOutOnce, pages, 5);
  double ratio = sheet / baseline;
  std::printf("300-line estimate, %zu pages: %.1f ms; the same texts with TextOut: %.1f ms\n",
              pages, sheet * 1e3, baseline * 1e3);
  std::printf("ratio %.2f (limit 3.00)%s\n", ratio, ratio > 3.0 ? "  OVER THE LIMIT" : "");
  std::printf("first page, fonts cold: %.1f ms (reading the job: %.1f ms)\n", firstPage * 1e3,
              setup * 1e3);
  std::error_code ec;
  fs::remove_all(job.folder, ec);
  return ratio > 3.0 ? 1 : 0;
}
