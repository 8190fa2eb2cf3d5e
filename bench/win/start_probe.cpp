#include "start_probe.h"

#include <commctrl.h>
#include <psapi.h>

#include <stdexcept>

#include "measure.h"

namespace orvel::bench {
namespace {

constexpr DWORD kStartTimeoutMs = 120000;
constexpr DWORD kCloseTimeoutMs = 30000;
constexpr UINT kAnswerTimeoutMs = 5000;

// The process started here, ended when it goes: closed politely, else terminated by its handle.
class StartedProcess {
 public:
  StartedProcess(const std::string& program, const std::string& scenario) {
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // The child inherits this environment: the scenario and no call log.
    ::SetEnvironmentVariableA("ORVEL_WMI_SCENARIO", scenario.c_str());
    ::SetEnvironmentVariableA("ORVEL_WMI_LOG", nullptr);
    if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info_))
      throw std::runtime_error("cannot start " + program + ": error " + std::to_string(::GetLastError()));
  }
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  ~StartedProcess() {
    if (main_) ::PostMessageA(main_, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(info_.hProcess, main_ ? kCloseTimeoutMs : 0) != WAIT_OBJECT_0) {
      ::TerminateProcess(info_.hProcess, 1);
      ::WaitForSingleObject(info_.hProcess, kCloseTimeoutMs);
    }
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
  }

  HANDLE Handle() const noexcept { return info_.hProcess; }
  bool Ended() const noexcept { return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }

  // The process's list view, once its main window exists.
  HWND List() {
    if (!main_) main_ = MainWindow();
    return main_ ? ::FindWindowExA(main_, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
  }

 private:
  struct Search {
    DWORD processId;
    HWND found;
  };

  static BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (owner != search.processId || lstrcmpA(name, "TForm1") != 0) return TRUE;
    search.found = window;
    return FALSE;
  }

  HWND MainWindow() const {
    Search search{info_.dwProcessId, nullptr};
    ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  PROCESS_INFORMATION info_{};
  HWND main_ = nullptr;
};

// The list's row count; the program answers once its window thread takes messages again.
int RowCount(HWND list) {
  DWORD_PTR count = 0;
  if (!::SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &count)) return -1;
  return static_cast<int>(count);
}

double WorkingSetMiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

StartResult MeasureStart(const std::string& program, const std::string& scenario, int rows) {
  const Stopwatch watch;
  StartedProcess process(program, scenario);
  StartResult result;
  for (;;) {
    const HWND list = process.List();
    if (list && result.windowMilliseconds == 0) result.windowMilliseconds = watch.Milliseconds();
    if (list && RowCount(list) >= rows) break;
    if (process.Ended()) throw std::runtime_error(program + " ended before its list was filled");
    if (watch.Milliseconds() > kStartTimeoutMs) throw std::runtime_error(program + " did not fill its list in time");
    // A short wait on the process itself: its end is noticed at once.
    ::WaitForSingleObject(process.Handle(), 1);
  }
  result.milliseconds = watch.Milliseconds();
  result.workingSetMiB = WorkingSetMiB(process.Handle());
  return result;
}

}  // namespace orvel::bench
