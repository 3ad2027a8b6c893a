// Reading and decoding a master-sized text file: 100,000 lines of UTF-16LE
// with a byte-order mark and CR LF, as the material masters are. Results are
// in bytes of file per second, so other readers can be compared with these.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/textfile.h"

namespace {

constexpr int kLines = 100000;

// A master-like file, written once per run into a temporary folder.
struct MasterFile {
  std::filesystem::path dir;
  CString path;
  std::size_t bytes = 0;
  std::u16string text;  // the file's text without the mark, LF line ends

  MasterFile() {
    std::string base = (std::filesystem::temp_directory_path() / "cmdbench-XXXXXX").string();
    if (!mkdtemp(base.data())) std::abort();
    dir = base;
    std::u16string crlf;
    CString line;
    for (int i = 0; i < kLines; ++i) {
      line.Format(u"%d,%d,%d,ケーブル CV 3C-5.5sq %d,m,%d,%d,%d,0,0,0", i / 1000 + 1,
                  i / 10 % 100 + 1, i % 10 + 1, i, 100 + i % 900, i % 7, i % 255);
      text += line.str();
      text += u'\n';
      crlf += line.str();
      crlf += u"\r\n";
    }
    std::string file = "\xFF\xFE";
    for (char16_t c : crlf) {
      file += char(c & 0xFF);
      file += char(c >> 8);
    }
    bytes = file.size();
    std::ofstream((dir / "zai001-3.mst").string(), std::ios::binary).write(file.data(),
                                                                           std::streamsize(bytes));
    path = CString::FromUtf8((dir / "zai001-3.mst").string());
  }
  ~MasterFile() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

MasterFile& Master() {
  static MasterFile m;
  return m;
}

// The way the library reads a master: "rt,ccs=UNICODE" and a ReadString loop.
void BM_ReadMasterUtf16_ReadString(benchmark::State& state) {
  MasterFile& m = Master();
  for (auto _ : state) {
    CStdioFile f;
    if (!f.Open(m.path, u"rt,ccs=UNICODE")) state.SkipWithError("open failed");
    CString line;
    int n = 0;
    while (f.ReadString(line)) ++n;
    if (n != kLines) state.SkipWithError("wrong line count");
    benchmark::DoNotOptimize(line);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(m.bytes));
  state.counters["lines/s"] =
      benchmark::Counter(double(kLines), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadMasterUtf16_ReadString)->Unit(benchmark::kMillisecond);

// The whole-file reader.
void BM_ReadMasterUtf16_ReadLines(benchmark::State& state) {
  MasterFile& m = Master();
  std::vector<CString> lines;
  for (auto _ : state) {
    if (!cmd::text::ReadLines(m.path, lines) || lines.size() != kLines)
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(m.bytes));
}
BENCHMARK(BM_ReadMasterUtf16_ReadLines)->Unit(benchmark::kMillisecond);

// Writing the same master with "wt,ccs=UNICODE" (including the flush to disk
// at Close).
void BM_WriteMasterUtf16(benchmark::State& state) {
  MasterFile& m = Master();
  CString out = CString::FromUtf8((m.dir / "temp.mst").string());
  std::vector<CString> lines;
  cmd::text::ReadLines(m.path, lines);
  for (auto _ : state) {
    CStdioFile f;
    if (!f.Open(out, u"wt,ccs=UNICODE")) state.SkipWithError("open failed");
    for (const CString& l : lines) f.WriteString(l + u"\n");
    if (!f.Close()) state.SkipWithError("close failed");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(m.bytes));
}
BENCHMARK(BM_WriteMasterUtf16)->Unit(benchmark::kMillisecond);

// The same text through code page 932, in memory.
void BM_Decode932(benchmark::State& state) {
  std::string bytes = cmd::cp::Encode932(Master().text);
  for (auto _ : state) benchmark::DoNotOptimize(cmd::cp::Decode932(bytes));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_Decode932)->Unit(benchmark::kMillisecond);

void BM_Encode932(benchmark::State& state) {
  const std::u16string& text = Master().text;
  for (auto _ : state) benchmark::DoNotOptimize(cmd::cp::Encode932(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
}
BENCHMARK(BM_Encode932)->Unit(benchmark::kMillisecond);

void BM_DecodeUtf8(benchmark::State& state) {
  std::string bytes = cmd::cp::EncodeUtf8(Master().text);
  for (auto _ : state) benchmark::DoNotOptimize(cmd::cp::DecodeUtf8(bytes));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_DecodeUtf8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
