// Cost of the import's rollback journal.
//
//   An import of the sample 電気 catalogue through ImportCatalogue (the
//   folder's hold, the journal written and synced, the updates, the read
//   back, the commit) against the same updates and read back through
//   WriteCatalogue alone: the ratio of times should be at most 1.5.
//
// Every run imports a catalogue with a name changed in every level-2 and
// level-3 entry and then the sample's own back, so that each import really
// rewrites every file.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "catalogue.h"
#include "catalogue_io.h"
#include "journal.h"
#include "paired_ratio.h"

namespace fs = std::filesystem;

namespace {

struct Setup {
  fs::path root;
  cmdtool::Installation install;
  std::ostringstream out, err;
  cmdtool::Context ctx{install, out, err};
  cmdtool::MasterSet set{cmdtool::ParseTrade("電気"), -1};
  cmdtool::Catalogue sample, changed;
};
Setup* g = nullptr;

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <std::size_t N>
void Mark(char16_t (&name)[N]) {
  cmdtool::CopyText(name, cmdtool::W("新" + cmdtool::U8(CMDTOOL_TEXT(name))));
}

// The sample's catalogue, and the same with "新" before every level-2 and
// level-3 name.
void LoadCatalogues() {
  std::string csv = ReadText(fs::path(CMD_SOURCE_DIR) / "examples/src/master/電気/catalogue.csv");
  g->sample = cmdtool::CatalogueFromCsv(csv, "catalogue.csv");
  g->changed = g->sample;
  for (cmdtool::Level2Entry& e : g->changed.level2) Mark(e.rec.name);
  for (cmdtool::Item& i : g->changed.level3) Mark(i.rec.name);
}

void CreateInstallation() {
  char tmpl[] = "/tmp/cmdbench-import-XXXXXX";
  g->root = mkdtemp(tmpl);
  fs::copy(fs::path(CMD_SOURCE_DIR) / "examples/install", g->root / "install",
           fs::copy_options::recursive);
  g->install.given = (g->root / "install").string();
  g->install.Open();
}

void PlainImports() {
  cmdtool::WriteCatalogue(g->ctx, g->set, g->changed);
  cmdtool::WriteCatalogue(g->ctx, g->set, g->sample);
}

void JournaledImports() {
  cmdtool::ImportCatalogue(g->ctx, g->set, g->changed);
  cmdtool::ImportCatalogue(g->ctx, g->set, g->sample);
}

void BM_ImportWithoutJournal(benchmark::State& state) {
  for (auto _ : state) PlainImports();
}
void BM_ImportWithJournal(benchmark::State& state) {
  for (auto _ : state) JournaledImports();
}
BENCHMARK(BM_ImportWithoutJournal)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportWithJournal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Ratio_Journal(benchmark::State& state) {
  benchratio::PairedRatio(state, PlainImports, JournaledImports);
}
BENCHMARK(BM_Ratio_Journal)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Setup setup;
  g = &setup;
  try {
    CreateInstallation();
    LoadCatalogues();
  } catch (const cmdtool::Failure& e) {
    std::fprintf(stderr, "bench_import: %s\n", e.what());
    return 1;
  }
  benchratio::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatio (fastest of 15 interleaved pairs)\n");
  reporter.Print("import with journal / import without journal", "BM_Ratio_Journal", false, 1.5);
  std::fflush(stdout);
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(setup.root, ec);
  return 0;
}
