// Speed of the CAD table.
//
//   MakeCadtable over a master set of 500 level-3 files of 200 lines each,
//   against reading and decoding those files once (a CStdioFile ReadString
//   loop over each): the ratio of times should be at most 2.
//
//   UpdateCadtable on an up-to-date table, over master folders of 50, 500
//   and 5,000 level-3 files of one line, and of 500 files of 200 lines: it
//   opens no file, so its cost follows the number of files in the folder and
//   not their size. The time per file is printed for each.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/master_table.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/textfile.h"
#include "paired_ratio.h"

namespace fs = std::filesystem;

namespace {

constexpr int kBuildFiles = 500;
constexpr int kBuildLines = 200;
// Master sets (sub-master numbers of the electrical trade) and their files.
struct MasterSet {
  int number;
  int files;
  int lines;
};
constexpr MasterSet kBuildSet = {0, kBuildFiles, kBuildLines};
constexpr MasterSet kSmallSets[] = {{1, 50, 1}, {2, 500, 1}, {3, 5000, 1}};

struct Setup {
  fs::path root;
  std::vector<CString> level3Paths;  // the build set's level-3 files
  CString buildTable;
};
Setup g;

std::u16string Number(long v) { return Utf8ToUtf16(std::to_string(v)); }

void WriteUtf16(const fs::path& p, const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path FolderOf(int number) {
  return g.root / "MASTER" / "電気" / std::to_string(number + 1);
}

void SetOld(const fs::path& p) {
  struct timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  utimensat(AT_FDCWD, p.c_str(), times, 0);
}

// A master set of level-3 files of the shape a trade master set has: every
// fourth item unlisted (mark "B"), a few without a drawing.
void CreateSet(const MasterSet& set) {
  fs::path folder = FolderOf(set.number);
  fs::create_directories(folder);
  std::u16string level1;
  for (int f = 1; f <= set.files; ++f) {
    level1 += Number(f) + u",工事材料" + Number(f) + u",0\r\n";
    std::u16string text;
    for (int i = 0; i < set.lines; ++i) {
      static const char16_t* kMarks[] = {u"A", u"", u"Z", u"B"};
      std::u16string cwf = i % 50 == 49 ? u"000000000000" : u"00012" + Number(1000000 + f * 1000 + i);
      text += cwf + u",K," + kMarks[i % 4] + u"," + Number(f) + u"," + Number(i % 20) + u"," +
              Number(1 + i) + u",硬質塩化ビニル電線管　ＶＥ２２,ＶＥ２２,一般配管用　露出・隠蔽,本,"
              u"1250,980,1100,1500,0,0,35,1000,1250,0,500,9000,締め\r\n";
    }
    char name[32];
    std::snprintf(name, sizeof name, "zai%03d-3.mst", f);
    WriteUtf16(folder / name, text);
    if (set.number == kBuildSet.number)
      g.level3Paths.push_back(GetMstDrv(1, set.number) + CString::FromUtf8(name));
  }
  WriteUtf16(folder / "zairyou1.mst", level1);
  for (const auto& e : fs::directory_iterator(folder)) SetOld(e.path());
}

void CreateMasters() {
  char tmpl[] = "/tmp/cmdbench-tables-XXXXXX";
  g.root = mkdtemp(tmpl);
  SetSystemDrv(CString::FromUtf8(g.root.string() + "/"));
  fs::current_path(g.root);  // where UpdateCadtable keeps "cad1_1.tbl"
  CreateSet(kBuildSet);
  for (const MasterSet& set : kSmallSets) CreateSet(set);
  g.buildTable = CString::FromUtf8((g.root / "build.tbl").string());
  // "cad1_1.tbl", newer than every master of every set.
  UpdateCadtable(1, kSmallSets[0].number);
}

// ---- The platform's own work: reading and decoding every level-3 file once

int64_t ReadAndDecodeAll() {
  int64_t lines = 0;
  for (const CString& path : g.level3Paths) {
    CStdioFile file;
    if (!file.Open(path, u"rt,ccs=UNICODE")) return -1;
    CString line;
    while (file.ReadString(line)) ++lines;
    file.Close();
  }
  return lines;
}

void BM_ReadAndDecode_500Files(benchmark::State& state) {
  for (auto _ : state)
    if (ReadAndDecodeAll() != int64_t(kBuildFiles) * kBuildLines) state.SkipWithError("short read");
}

void BM_MakeCadtable_500Files(benchmark::State& state) {
  for (auto _ : state)
    if (!MakeCadtable(g.buildTable, 1, kBuildSet.number)) state.SkipWithError("no table");
}

// UpdateCadtable on an up-to-date table; argument: the master set number.
void BM_UpdateCadtable_UpToDate(benchmark::State& state) {
  const int number = static_cast<int>(state.range(0));
  const int files = static_cast<int>(state.range(1));
  // Once, watched: the update must open no file at all.
  int opened = 0;
  auto previous = cmd::os::SetFaultHook([&](cmd::os::FileStep step, const std::string&) {
    if (step == cmd::os::FileStep::Open || step == cmd::os::FileStep::Read) ++opened;
    return 0;
  });
  UpdateCadtable(1, number);
  cmd::os::SetFaultHook(previous);
  if (opened) {
    state.SkipWithError("the up-to-date update opened a file");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(UpdateCadtable(1, number));
  state.counters["files"] = files;
  state.counters["per_file"] =
      benchmark::Counter(double(files) * double(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

#define TABLE_BENCHMARK(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()
TABLE_BENCHMARK(BM_ReadAndDecode_500Files);
TABLE_BENCHMARK(BM_MakeCadtable_500Files);
BENCHMARK(BM_UpdateCadtable_UpToDate)
    ->ArgNames({"set", "files"})
    ->Args({1, 50})
    ->Args({2, 500})
    ->Args({3, 5000})
    ->Args({0, 500})  // 500 files of 200 lines: the same cost as 500 of one line
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// ---- The ratio (paired_ratio.h: interleaved pairs, fastest of each)

void BM_Ratio_MakeCadtable(benchmark::State& state) {
  benchratio::PairedRatio(state, ReadAndDecodeAll,
                          [] { MakeCadtable(g.buildTable, 1, kBuildSet.number); });
}
BENCHMARK(BM_Ratio_MakeCadtable)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the ratio and the per-file costs and prints them after the runs.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      auto ratio = run.counters.find("subject_over_baseline");
      if (ratio != run.counters.end()) makeRatio_ = ratio->second.value;
      auto files = run.counters.find("files");
      if (files != run.counters.end())
        updates_.push_back({run.run_name.str(), int(files->second.value),
                            run.GetAdjustedRealTime() /* microseconds */});
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintSummary() const {
    std::printf("\nMakeCadtable time / read-and-decode time (fastest of 10 interleaved pairs)\n");
    if (makeRatio_ > 0)
      std::printf("  %.2f  (target <= 2.0: %s)\n", makeRatio_, makeRatio_ <= 2.0 ? "met" : "MISSED");
    std::printf("\nUpdateCadtable on an up-to-date table (opens no file)\n");
    for (const Update& u : updates_)
      std::printf("  %-48s %5d files  %9.1f us  %6.3f us per file\n", u.name.c_str(), u.files,
                  u.microseconds, u.microseconds / u.files);
  }

 private:
  struct Update {
    std::string name;
    int files;
    double microseconds;
  };
  double makeRatio_ = 0;
  std::vector<Update> updates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const fs::path cwd = fs::current_path();
  CreateMasters();
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  std::fflush(stdout);
  benchmark::Shutdown();
  fs::current_path(cwd);
  std::error_code ec;
  fs::remove_all(g.root, ec);
  return 0;
}
