// Runs scans of the real program from outside: the controls a scan touches, the scan button pressed
// and the boxes it shows answered, the stand-in's scenario and call log, and the texts to expect.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {

// The main window's controls that a scan reads or changes.
struct ScanWindow {
  explicit ScanWindow(HWND mainWindow);

  DWORD processId;
  HWND main;
  HWND list;
  HWND status;
  HWND computer;      // PcComboBox
  HWND computerEdit;  // its edit field
  HWND user;          // UserComboBox
  HWND userEdit;
  HWND password;
  HWND start;
  HWND animation;

  bool Idle() const;  // scan button visible and enabled, animation hidden
  bool Busy() const;  // the reverse of all three
};

// The message boxes shown while a scan ran, in order, each answered with its button.
struct ScanOutcome {
  bool finished = false;
  std::vector<Box> boxes;
  bool busyWhileBoxShown = true;  // every box came while the window was in its busy state
};

// Presses the scan button with the mouse messages of a click and returns once the scan command has
// returned; a box shown meanwhile is read and closed.
ScanOutcome PressScan(const ScanWindow& window, std::chrono::milliseconds timeout = 180s);

// Answers boxes until the condition holds (e.g. the scan of the first paint has ended).
ScanOutcome AnswerBoxesUntil(const ScanWindow& window, const std::function<bool()>& done,
                             std::chrono::milliseconds timeout = 180s);

// The scan of the first paint, ended with the process count in the status line.
ScanOutcome StartupScan(const ScanWindow& window);

void SetText(HWND window, const std::string& text);  // WM_SETTEXT across processes, as Unicode
std::vector<std::string> ComboItems(HWND combo);

// Scenario and call-log files of the WMI stand-in for one test.
struct StandIn {
  StandIn();
  std::string scenario;  // Windows paths
  std::string log;
  void Write(const std::string& scenarioText) const { WriteFile(scenario, scenarioText); }
  std::vector<std::string> LogLines() const;
  std::vector<std::string> Connections() const;  // the log's "ConnectServer " lines, in order
  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"ORVEL_WMI_SCENARIO", scenario}, {"ORVEL_WMI_LOG", log}};
  }
};

// True when every stand-in object created since line `from` of the log was released again.
bool NothingLeftReferenced(const std::vector<std::string>& log, std::size_t from = 0);

// A process of a scenario with every property given.
struct Process {
  std::string name, path;  // an empty path is written as null
  unsigned id, parent, session, threads, priority;
  unsigned long long workingSet;
  unsigned handles, userSeconds, kernelSeconds;
};

// A small machine: the system process, a shell and one program of a user.
inline const std::vector<Process> kThreeProcesses = {
    {"System", "", 4, 0, 0, 120, 8, 1048576, 2500, 10, 20},
    {"explorer.exe", "C:\\Windows\\explorer.exe", 1500, 1400, 1, 35, 8, 52428800, 1200, 40, 5},
    {"notepad.exe", "C:\\Windows\\notepad.exe", 2200, 1500, 1, 3, 8, 8192000, 90, 1, 1},
};

// The properties in the order the scan reads them: seven that end the scan when they fail, then four
// that do not.
extern const char* const kProperties[11];
constexpr int kRequiredProperties = 7;
constexpr int kAllProperties = 11;

// The process's `process` line; `raw` replaces the written value of the property at `position`.
std::string ScenarioLine(const Process& process, int position = -1, const std::string& raw = "");
std::string ScenarioOf(const std::vector<Process>& processes);

// The row of a process whose first `stored` properties reached its record; the rest keep their defaults.
std::vector<std::string> RowAfter(const Process& process, int stored = kAllProperties);

// The English texts of a scan.
std::string ProcessCountText(std::size_t count);  // "N processes"
std::string WmiErrorText(const std::string& message, const std::string& stage);
constexpr const char* kWmiErrorCaption = "WMI error";
constexpr const char* kTitle = "Orvel for Windows Networks";

// The message text of a failed call without a usable description, as this system words it.
std::string SystemMessageText(HRESULT code);

// The CPU-time text of a row for fewer than 3600 seconds, in this environment's locale.
std::string CpuTimeText(unsigned seconds);
// The CPU-time text of an hour or more, its figures written out by the test: the locale's time
// separator between them.
std::string HoursCpuTimeText(const std::string& hours, const std::string& minutes, const std::string& seconds);

}  // namespace e2e
