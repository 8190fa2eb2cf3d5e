#include "measure.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace orvel::bench {
namespace {

long long Now() noexcept {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

bool verbose = false;

void PrintSeries(const std::vector<double>& series) {
  for (double ms : series) std::fprintf(stderr, " %.2f", ms);
  std::fprintf(stderr, "\n");
}

double TicksPerMillisecond() noexcept {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart) / 1000.0;
}

}  // namespace

Stopwatch::Stopwatch() noexcept : start_(Now()) {}

double Stopwatch::Milliseconds() const noexcept {
  static const double ticks = TicksPerMillisecond();
  return static_cast<double>(Now() - start_) / ticks;
}

void SetVerbose(bool on) noexcept { verbose = on; }

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  if (values.size() % 2 != 0) return *middle;
  return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

std::vector<std::vector<double>> TimeInTurn(int runs, const std::vector<TimedRun>& contenders) {
  const std::size_t count = contenders.size();
  std::vector<std::vector<double>> times(count);
  for (int run = 0; run < runs; ++run) {
    for (std::size_t turn = 0; turn < count; ++turn) {
      const std::size_t which = (static_cast<std::size_t>(run) + turn) % count;
      times[which].push_back(contenders[which]());
    }
  }
  if (verbose)
    for (const std::vector<double>& series : times) PrintSeries(series);
  return times;
}

double MedianRatio(const std::vector<double>& subject, const std::vector<double>& floor) {
  std::vector<double> ratios;
  for (std::size_t run = 0; run < subject.size() && run < floor.size(); ++run)
    if (floor[run] > 0) ratios.push_back(subject[run] / floor[run]);
  return Median(std::move(ratios));
}

}  // namespace orvel::bench
