// Timing for the benchmark: a stopwatch, medians, and paired runs of a subject and its floor.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "bench/common/allocation_count.h"

namespace orvel::bench {

class Stopwatch {
 public:
  Stopwatch() noexcept;
  double Milliseconds() const noexcept;

 private:
  long long start_;
};

double Median(std::vector<double> values);

// With it on, every series of runs is written to stderr as it ends (to judge the noise).
void SetVerbose(bool verbose) noexcept;

// One timed run: does its own untimed preparation and returns the milliseconds of the part measured.
using TimedRun = std::function<double()>;

// The times of each contender, run after run; in every run all take their turn, the first one
// rotating, so that drift and warm caches fall on all alike.
std::vector<std::vector<double>> TimeInTurn(int runs, const std::vector<TimedRun>& contenders);

// The median of the ratios of runs taken side by side: a change of the machine's load between runs
// moves both sides of a ratio, not the ratio.
double MedianRatio(const std::vector<double>& subject, const std::vector<double>& floor);

}  // namespace orvel::bench
