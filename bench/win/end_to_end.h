// What a user waits for: Orvelkit.exe and the bare program, each started as a user starts it, timed
// from CreateProcess until its list holds every row of the scan its first paint starts.
#pragma once

#include <string>
#include <vector>

namespace orvel::bench {

struct StartSeries {
  std::vector<double> times;  // ms, one per run, in run order
  double median = 0;
  double fastest = 0;
  double slowest = 0;
  double lowerQuartile = 0;  // the middle half of the runs lies between these
  double upperQuartile = 0;
  double windowMedian = 0;      // ms until the main window's list exists
  double workingSetMiB = 0;     // median, with the list filled
};

struct EndToEndResult {
  int rows = 0;
  int runs = 0;
  StartSeries orvelkit;
  StartSeries bare;
  double ratio = 0;        // of the medians, Orvelkit to bare
  double pairedRatio = 0;  // the median of the ratios of the two starts of each run

  // The goal: Orvelkit's median within the bare program's noise, taken as the middle half of its runs,
  // which a few runs slowed by other work on the machine do not widen as they widen the whole spread.
  bool WithinNoise() const { return orvelkit.median <= bare.upperQuartile; }
};

// Both programs in turn, runs times each, the first one alternating; the stand-in serves the scenario.
EndToEndResult MeasureEndToEnd(const std::string& orvelkit, const std::string& bare, const std::string& scenario,
                               int rows, int runs);

}  // namespace orvel::bench
