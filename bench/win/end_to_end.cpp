#include "end_to_end.h"

#include <algorithm>
#include <cmath>

#include "measure.h"
#include "start_probe.h"

namespace orvel::bench {
namespace {

// The value a given share of the runs does not exceed (nearest rank).
double Quantile(const std::vector<double>& sorted, double share) {
  const auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
  return sorted[rank > 0 ? rank - 1 : 0];
}

StartSeries Summary(std::vector<double> times, const std::vector<double>& windows, const std::vector<double>& memory) {
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  StartSeries series;
  series.median = Median(times);
  series.fastest = sorted.front();
  series.slowest = sorted.back();
  series.lowerQuartile = Quantile(sorted, 0.25);
  series.upperQuartile = Quantile(sorted, 0.75);
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
