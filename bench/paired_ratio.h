// Ratios of two timed pieces of work on a shared machine, and a console
// reporter that prints them against their targets after the benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchratio {

// The machines that run this are shared, and another process can slow any
// single run down several times. So each ratio comes from interleaved pairs:
// every iteration runs the baseline and the subject back to back, and the
// ratio compares the fastest run of each (other processes can only make a
// run slower, never faster).
template <class Baseline, class Subject>
void PairedRatio(benchmark::State& state, Baseline baseline, Subject subject) {
  using Clock = std::chrono::steady_clock;
  double bestBaseline = 1e300, bestSubject = 1e300;
  for (auto _ : state) {
    auto t0 = Clock::now();
    baseline();
    auto t1 = Clock::now();
    subject();
    auto t2 = Clock::now();
    bestBaseline = std::min(bestBaseline, std::chrono::duration<double>(t1 - t0).count());
    bestSubject = std::min(bestSubject, std::chrono::duration<double>(t2 - t1).count());
  }
  state.counters["subject_over_baseline"] = bestSubject / bestBaseline;
}

// Keeps the paired ratios and prints them against their targets.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto c = run.counters.find("subject_over_baseline");
      if (c != run.counters.end() && !run.error_occurred)
        ratios_[run.run_name.function_name] = c->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // time(subject) / time(baseline) as a throughput ratio (baseline time over
  // subject time, at least `target`) or a cost ratio (at most `target`).
  void Print(const char* what, const std::string& name, bool throughput, double target) {
    auto r = ratios_.find(name);
    if (r == ratios_.end()) return;
    double ratio = throughput ? 1.0 / r->second : r->second;
    bool met = throughput ? ratio >= target : ratio <= target;
    std::printf("%-56s %6.2f  (target %s %.1f: %s)\n", what, ratio, throughput ? ">=" : "<=",
                target, met ? "met" : "MISSED");
  }

 private:
  std::map<std::string, double> ratios_;
};

}  // namespace benchratio
