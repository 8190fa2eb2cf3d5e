// Many computers in one scan, watched from outside: Orvelkit.exe started, its computer field set and its
// scan button pressed as a user does, the stand-in answering each computer after a set delay.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvel::bench {

struct ManyResult {
  // ms from the click to the failures' box: 20 computers answering after 2 s, 5 failing after 5 s
  std::vector<double> slowAndOff;
  std::vector<double> answers;  // ms, round trips of a message sent to the window during those scans
  std::vector<double> hundred;  // ms from the click to the scan button back: 100 answering after 2 s
  // 10 000 rows: one computer (today's scan) against 50 of 200 processes, from the click to the filled
  // list, then a header click sorting by RAM.
  std::vector<double> singleFill, singleSort, manyFill, manySort;
};

// scenarioFile writes a scenario of that name and text and returns its path.
using ScenarioFile = std::function<std::string(const std::string& name, const std::string& text)>;
ManyResult MeasureMany(const std::string& orvelkit, const ScenarioFile& scenarioFile);

// The rows and their goals; true when every goal is met.
bool PrintMany(const ManyResult& result);

}  // namespace orvel::bench
