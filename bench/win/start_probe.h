// Orvelkit.exe started as a user starts it, watched from outside: the time until its list is filled
// by the start sequence's scan, and its working set then.
#pragma once

#include <windows.h>

#include <string>

namespace orvel::bench {

struct StartResult {
  double milliseconds = 0;  // from CreateProcess to a list holding every row
  double windowMilliseconds = 0;  // from CreateProcess to the main window's list existing
  double workingSetMiB = 0;
};

// Starts the program with the scenario in its environment (ORVEL_WMI_SCENARIO), waits until its list
// holds this many rows, measures, and closes it again.
StartResult MeasureStart(const std::string& program, const std::string& scenario, int rows);

}  // namespace orvel::bench
