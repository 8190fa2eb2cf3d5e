// Orvelkit.exe with Wine's debug-string channel switched on and written to a file of its own.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace e2e {

// Wine writes its debug channels to the Unix standard error of the process; a redirection of the
// child's standard error on the Windows side does not reach it. So a Unix shell starts the program
// under Wine with the channel on and that stream sent to a file. Ends the program when destroyed.
// The shell also sets the Unix environment the program starts with (LANG and LC_ALL, from which Wine
// takes the ANSI code page; an environment block of CreateProcess does not reach that far).
class TracedProgram {
 public:
  explicit TracedProgram(const std::string& arguments = "",
                         const std::vector<std::pair<std::string, std::string>>& unixEnvironment = {});
  ~TracedProgram();
  TracedProgram(const TracedProgram&) = delete;
  TracedProgram& operator=(const TracedProgram&) = delete;

  DWORD Id() const { return id_; }
  HWND MainWindow(std::chrono::milliseconds timeout = 90s);
  // The texts handed to OutputDebugStringW (or A) so far, in order.
  std::vector<std::string> Traces() const;
  std::string LogPath() const { return log_; }

 private:
  PROCESS_INFORMATION shell_{};
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  HWND main_ = nullptr;
  std::string log_;  // Windows path of the channel's file
};

// The text of one debug-channel line of OutputDebugStringA, unquoted; false for any other line.
// Wine 8 passes OutputDebugStringW on to OutputDebugStringA, which then writes on the seh channel.
bool ParseDebugString(const std::string& line, std::string& text);

}  // namespace e2e
