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

// The program started with the scenario in its environment (ORVEL_WMI_SCENARIO, no call log), ended by
// its handle when this goes.
class StartedProcess {
 public:
  StartedProcess(const std::string& program, const std::string& scenario);
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  ~StartedProcess();

  HANDLE Handle() const noexcept { return info_.hProcess; }
  bool Ended() const noexcept { return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }
  HWND List();  // the list view of its main window, once that exists

 private:
  PROCESS_INFORMATION info_{};
};

// The list's row count, -1 when the program does not answer; it answers once its window thread takes
// messages again.
int RowCount(HWND list);

// The texts of the list's first rows, row by row, every column.
std::vector<std::string> ListTexts(HANDLE process, HWND list, int rows);

// Starts the program with the scenario in its environment (ORVEL_WMI_SCENARIO), waits until the list
// view of its main window (the top-level window that holds one) answers this many rows, measures, and
// ends it. With texts, also reads every text of the list then, row by row, untimed.
StartResult MeasureStart(const std::string& program, const std::string& scenario, int rows,
                         std::vector<std::string>* texts = nullptr);

}  // namespace orvel::bench
