// A program started as a user starts it, watched from outside: the time until its list holds every row
// of the scan its first paint starts, and its working set then.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orvel::bench {

struct StartResult {
  double milliseconds = 0;        // from CreateProcess to a list holding every row
  double windowMilliseconds = 0;  // from CreateProcess to the main window's list existing
  double workingSetMiB = 0;
};

// Starts the program with the scenario in its environment (ORVEL_WMI_SCENARIO), waits until the list
// view of its main window (the top-level window that holds one) answers this many rows, measures, and
// ends it. With texts, also reads every text of the list then, row by row, untimed.
StartResult MeasureStart(const std::string& program, const std::string& scenario, int rows,
                         std::vector<std::string>* texts = nullptr);

}  // namespace orvel::bench
