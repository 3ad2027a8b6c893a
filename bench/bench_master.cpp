// Speed of the material master against the platform's own text-file work.
//
//   GetZaiMst2 over a 100,000-line "zairyou2.mst" and GetZaiMst3 over a
//   50,000-line level-3 file, in bytes per second, against reading and
//   decoding the same file into lines (a CStdioFile ReadString loop): the
//   ratio should be at least 0.5.
//
//   UpdateZaiMst2_1 on the 100,000-line file against a plain copy of it
//   (read, decode, encode, write, close): the ratio of times should be at
//   most 3.
//
// The ratios are printed after the benchmarks (see PairedRatio for how they
// are measured on a busy machine).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/master.h"
#include "cmddll3/platform/textfile.h"
#include "paired_ratio.h"

namespace fs = std::filesystem;

namespace {

using benchratio::PairedRatio;
using benchratio::RatioReporter;

constexpr int kLevel2Lines = 100000;
constexpr int kLevel3Lines = 50000;
constexpr int kLevel3Groups = 200;  // so a group of 250 items spreads over the whole file
constexpr int kLevel3File = 7;

struct Setup {
  fs::path root;
  fs::path masterFolder;
  std::uintmax_t level2Bytes = 0;
  std::uintmax_t level3Bytes = 0;
  CString level2Win, level3Win, copyWin;
};
Setup g;

std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

std::u16string Number(long v) { return Utf8ToUtf16(std::to_string(v)); }

void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Masters of the size and shape that a trade master set has.
void CreateMasters() {
  char tmpl[] = "/tmp/cmdbench-XXXXXX";
  g.root = mkdtemp(tmpl);
  g.masterFolder = g.root / "MASTER" / "電気";
  fs::create_directories(g.masterFolder);
  SetSystemDrv(CString::FromUtf8(g.root.string() + "/"));

  std::u16string text;
  for (int i = 0; i < kLevel2Lines; ++i) {
    text += Number(1 + i % 500) + u"," + Number(i) + u",ＶＶＦケーブル　２．０ｍｍ－" +
            Number(i % 97) + u"心," + Number(i % 3) + u",1,0," + Number(i % 256) + u",0," +
            Number(1000 + i) + u",0," + Number(i * 7) + u"\r\n";
  }
  WriteFile(g.masterFolder / "zairyou2.mst", Utf16File(text));

  text.clear();
  for (int i = 0; i < kLevel3Lines; ++i) {
    text += u"00012" + Number(1000000 + i) + u",K,A," + Number(kLevel3File) + u"," +
            Number(i % kLevel3Groups) + u"," + Number(1 + i / kLevel3Groups) +
            u",硬質塩化ビニル電線管　ＶＥ２２,ＶＥ２２,一般配管用　露出・隠蔽,本,"
            u"1250,980,1100," + Number(1500 + i % 300) + u",0,0,35,1000,1250,0,500," +
            Number(i % 9000) + u",締め\r\n";
  }
  CString name;
  name.Format(u"zai%03d-3.mst", kLevel3File);
  WriteFile(g.masterFolder / name.ToUtf8(), Utf16File(text));

  g.level2Bytes = fs::file_size(g.masterFolder / "zairyou2.mst");
  g.level3Bytes = fs::file_size(g.masterFolder / name.ToUtf8());
  g.level2Win = GetMstDrv(1, -1) + u"zairyou2.mst";
  g.level3Win = GetMstDrv(1, -1) + name;
  g.copyWin = GetMstDrv(1, -1) + u"copy.mst";
}

// ---- The platform's own work on the same files

int64_t ReadAndDecode(const CString& path) {
  CStdioFile file;
  if (!file.Open(path, u"rt,ccs=UNICODE")) return -1;
  CString line;
  int64_t lines = 0;
  while (file.ReadString(line)) ++lines;
  file.Close();
  return lines;
}

void PlainCopy(const CString& from, const CString& to) {
  CStdioFile in, out;
  in.Open(from, u"rt,ccs=UNICODE");
  out.Open(to, u"wt,ccs=UNICODE");
  CString line;
  while (in.ReadString(line)) {
    out.WriteString(line);
    out.WriteString(u"\n");
  }
  in.Close();
  out.Close();
}

// ---- The master functions, with the arrays a host would give them

std::vector<ZaiMst2ParentRec> g_level2Recs(kLevel2Lines);
std::vector<ZaiMst3Rec> g_level3Recs(300);
std::vector<ZaiMst2Rec> g_newGroup;

int ReadLevel2() { return GetZaiMst2(g_level2Recs.data(), 1, -1); }
int ReadLevel3() {
  return GetZaiMst3(g_level3Recs.data(), kLevel3File, kLevel3File, 7, u"", 1, -1);
}
// Parent 250 has 200 entries spread over the file; they are replaced by 200
// new ones at the end (the same content on every call).
void ReplaceGroup() { UpdateZaiMst2_1(g_newGroup.data(), 250, 200, 1, -1); }

// ---- Throughput of each

void BM_ReadAndDecode_Level2(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadAndDecode(g.level2Win));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.level2Bytes));
}

void BM_GetZaiMst2(benchmark::State& state) {
  for (auto _ : state)
    if (ReadLevel2() != kLevel2Lines) state.SkipWithError("GetZaiMst2 did not read every line");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.level2Bytes));
}

void BM_ReadAndDecode_Level3(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadAndDecode(g.level3Win));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.level3Bytes));
}

void BM_GetZaiMst3(benchmark::State& state) {
  for (auto _ : state)
    if (ReadLevel3() != kLevel3Lines / kLevel3Groups) state.SkipWithError("GetZaiMst3 missed items");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.level3Bytes));
}

void BM_PlainCopy_Level2(benchmark::State& state) {
  for (auto _ : state) PlainCopy(g.level2Win, g.copyWin);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.level2Bytes));
}

void BM_UpdateZaiMst2_1(benchmark::State& state) {
  for (auto _ : state) ReplaceGroup();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(g.level2Bytes));
}

// Wall-clock time, as a user waits for it.
#define MASTER_BENCHMARK(name) \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()
MASTER_BENCHMARK(BM_ReadAndDecode_Level2);
MASTER_BENCHMARK(BM_GetZaiMst2);
MASTER_BENCHMARK(BM_ReadAndDecode_Level3);
MASTER_BENCHMARK(BM_GetZaiMst3);
MASTER_BENCHMARK(BM_PlainCopy_Level2);
MASTER_BENCHMARK(BM_UpdateZaiMst2_1);

// ---- The ratios (paired_ratio.h: interleaved pairs, fastest of each)

void BM_Ratio_GetZaiMst2(benchmark::State& state) {
  PairedRatio(state, [] { ReadAndDecode(g.level2Win); }, [] { ReadLevel2(); });
}
void BM_Ratio_GetZaiMst3(benchmark::State& state) {
  PairedRatio(state, [] { ReadAndDecode(g.level3Win); }, [] { ReadLevel3(); });
}
void BM_Ratio_UpdateZaiMst2_1(benchmark::State& state) {
  PairedRatio(state, [] { PlainCopy(g.level2Win, g.copyWin); }, [] { ReplaceGroup(); });
}
BENCHMARK(BM_Ratio_GetZaiMst2)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ratio_GetZaiMst3)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ratio_UpdateZaiMst2_1)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CreateMasters();
  g_newGroup.resize(200);
  for (int i = 0; i < 200; ++i) {
    g_newGroup[i] = ZaiMst2Rec{};
    g_newGroup[i].code = i;
    g_newGroup[i].name[0] = u'新';
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios (fastest of 15 interleaved pairs)\n");
  reporter.Print("GetZaiMst2 throughput / read-and-decode throughput", "BM_Ratio_GetZaiMst2", true,
                 0.5);
  reporter.Print("GetZaiMst3 throughput / read-and-decode throughput", "BM_Ratio_GetZaiMst3", true,
                 0.5);
  reporter.Print("UpdateZaiMst2_1 time / plain copy time", "BM_Ratio_UpdateZaiMst2_1", false, 3.0);
  std::fflush(stdout);
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(g.root, ec);
  return 0;
}
