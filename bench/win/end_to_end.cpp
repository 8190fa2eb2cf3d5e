#include "end_to_end.h"

#include <algorithm>

#include "measure.h"
#include "start_probe.h"

namespace orvel::bench {
namespace {

StartSeries Summary(std::vector<double> times, const std::vector<double>& windows, const std::vector<double>& memory) {
  StartSeries series;
  series.median = Median(times);
  series.fastest = *std::min_element(times.begin(), times.end());
  series.slowest = *std::max_element(times.begin(), times.end());
  series.windowMedian = Median(windows);
  series.workingSetMiB = Median(memory);
  series.times = std::move(times);
  return series;
}

}  // namespace

EndToEndResult MeasureEndToEnd(const std::string& orvelkit, const std::string& bare, const std::string& scenario,
                               int rows, int runs) {
  std::vector<double> windows[2], memory[2];
  const auto timed = [&](const std::string& program, int side) -> TimedRun {
    return [&, side, program] {
      const StartResult start = MeasureStart(program, scenario, rows);
      windows[side].push_back(start.windowMilliseconds);
      memory[side].push_back(start.workingSetMiB);
      return start.milliseconds;
    };
  };
  const std::vector<std::vector<double>> times = TimeInTurn(runs, {timed(orvelkit, 0), timed(bare, 1)});
  EndToEndResult result;
  result.rows = rows;
  result.runs = runs;
  result.orvelkit = Summary(times[0], windows[0], memory[0]);
  result.bare = Summary(times[1], windows[1], memory[1]);
  result.ratio = result.orvelkit.median / result.bare.median;
  result.pairedRatio = MedianRatio(result.orvelkit.times, result.bare.times);
  return result;
}

}  // namespace orvel::bench
