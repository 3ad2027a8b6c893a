// Cost of the settings-file functions against the cost of the file itself.
//
// On a settings file of 2,000 lines (code page 932, Japanese section and key
// names, as the application's settings file is):
//   - reading one key costs at most 2 times reading the file and decoding it
//     once;
//   - writing one key costs at most 4 times reading the file, decoding it,
//     encoding it again and writing it once. Writing means writing as every
//     file of this platform is written: to a staging file that is flushed to
//     disk and renamed over the old one (cmd::os::ReplaceAtomically).
// The key read and written is in the last section, so the whole file is
// searched. The ratios are printed after the benchmark table; the program
// fails when one is over its limit.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/osfile.h"
#include "cmddll3/platform/profile.h"

namespace {

using cmd::cp::Decode932;
using cmd::cp::Encode932;

struct Fixture {
  std::string folder;
  std::string host;
  std::u16string win;
  Fixture() {
    std::string t = (std::filesystem::temp_directory_path() / "bench_profile-XXXXXX").string();
    if (!mkdtemp(t.data())) abort();
    folder = t;
    host = folder + "/pelmar1.ini";
    win = Utf8ToUtf16(host);
    // 100 sections of a header and 19 keys: 2,000 lines.
    std::string text;
    for (int s = 0; s < 100; ++s) {
      text += "[ﾌｯﾀｰ情報" + std::to_string(s) + "]\r\n";
      for (int k = 0; k < 19; ++k)
        text += "印刷設定ｷｰ" + std::to_string(k) + "=" + std::to_string(s * 100 + k) +
                ",ＭＳ 明朝,12,0,見積書\r\n";
    }
    std::u16string wide = Utf8ToUtf16(text);
    cmd::os::ReplaceAtomically(host, Encode932(wide));
  }
  ~Fixture() { std::filesystem::remove_all(folder); }
};

Fixture& File() {
  static Fixture f;
  return f;
}

const char16_t kSection[] = u"ﾌｯﾀｰ情報99";
const char16_t kKey[] = u"印刷設定ｷｰ18";

void ReadAndDecode(benchmark::State& state) {
  std::string bytes;
  for (auto _ : state) {
    cmd::os::ReadAll(File().host, bytes);
    benchmark::DoNotOptimize(Decode932(bytes));
  }
}
BENCHMARK(ReadAndDecode);

void ReadDecodeEncodeWrite(benchmark::State& state) {
  std::string bytes;
  for (auto _ : state) {
    cmd::os::ReadAll(File().host, bytes);
    std::u16string text = Decode932(bytes);
    cmd::os::ReplaceAtomically(File().host, Encode932(text));
  }
}
BENCHMARK(ReadDecodeEncodeWrite);

void GetOneKey(benchmark::State& state) {
  char16_t buf[260];
  for (auto _ : state) {
    DWORD n = GetPrivateProfileStringW(kSection, kKey, u"", buf, 260, File().win.c_str());
    if (n == 0) state.SkipWithError("key not found");
    benchmark::DoNotOptimize(buf);
  }
}
BENCHMARK(GetOneKey);

void WriteOneKey(benchmark::State& state) {
  const char16_t* values[] = {u"1980,ＭＳ ゴシック,10,1,請求書", u"1981,ＭＳ 明朝,12,0,見積書"};
  int i = 0;
  for (auto _ : state) {
    if (!WritePrivateProfileStringW(kSection, kKey, values[i ^= 1], File().win.c_str()))
      state.SkipWithError("write failed");
  }
}
BENCHMARK(WriteOneKey);

// Keeps the mean time of each benchmark to print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
      if (!run.error_occurred) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
  }
  // Prints one ratio; false when it is over its limit.
  bool Ratio(const char* what, const std::string& op, const std::string& base, double limit) {
    if (!times_.count(op) || !times_.count(base)) return true;  // filtered out
    double ratio = times_[op] / times_[base];
    std::printf("ratio %-48s %5.2f (limit %.0f) %s\n", what, ratio, limit,
                ratio <= limit ? "ok" : "OVER");
    return ratio <= limit;
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  bool ok = reporter.Ratio("read one key / read and decode the file", "GetOneKey", "ReadAndDecode", 2);
  ok = reporter.Ratio("write one key / read, decode, encode, write it", "WriteOneKey",
                      "ReadDecodeEncodeWrite", 4) && ok;
  benchmark::Shutdown();
  return ok ? 0 : 1;
}
