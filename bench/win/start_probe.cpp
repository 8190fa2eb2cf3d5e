#include "start_probe.h"

#include <commctrl.h>
#include <psapi.h>

#include <stdexcept>
#include <vector>

#include "measure.h"

namespace orvel::bench {
namespace {

constexpr DWORD kStartTimeoutMs = 120000;
constexpr DWORD kEndTimeoutMs = 30000;
constexpr UINT kAnswerTimeoutMs = 5000;
constexpr DWORD kSettleMs = 200;
constexpr DWORD kWindowPollMs = 5;

// Any program's main window: a top-level window of the process with a list view among its children.
struct Search {
  DWORD processId;
  HWND list;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search.processId) return TRUE;
  search.list = ::FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
  return search.list ? FALSE : TRUE;
}

double WorkingSetMiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

StartedProcess::StartedProcess(const std::string& program, const std::string& scenario) {
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

StartedProcess::~StartedProcess() {
  // Not closed through its window: without a window manager Wine waits 2 s for the window to unmap.
  ::TerminateProcess(info_.hProcess, 0);
  ::WaitForSingleObject(info_.hProcess, kEndTimeoutMs);
  ::CloseHandle(info_.hThread);
  ::CloseHandle(info_.hProcess);
}

HWND StartedProcess::List() {
  Search search{info_.dwProcessId, nullptr};
  ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
  return search.list;
}

int RowCount(HWND list) {
  DWORD_PTR count = 0;
  if (!::SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &count)) return -1;
  return static_cast<int>(count);
}

// The item is asked for in a block of the program's own memory.
std::vector<std::string> ListTexts(HANDLE process, HWND list, int rows) {
  const auto header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
  const auto columns = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  constexpr std::size_t kTextSize = 1024;
  struct Request {
    LVITEMA item;
    char text[kTextSize];
  };
  auto* remote = static_cast<Request*>(
      ::VirtualAllocEx(process, nullptr, sizeof(Request), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) throw std::runtime_error("cannot reach the list's texts: error " + std::to_string(::GetLastError()));
  std::vector<std::string> texts;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = remote->text;
      item.cchTextMax = kTextSize;
      char text[kTextSize] = {};
      const auto request = reinterpret_cast<LPARAM>(&remote->item);
      if (!::WriteProcessMemory(process, &remote->item, &item, sizeof item, nullptr) ||
          ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), request) < 0 ||
          !::ReadProcessMemory(process, remote->text, text, kTextSize - 1, nullptr))
        throw std::runtime_error("cannot read the list's texts");
      texts.emplace_back(text);
    }
  }
  ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return texts;
}

StartResult MeasureStart(const std::string& program, const std::string& scenario, int rows,
                         std::vector<std::string>* texts) {
  // A pause first, so that a start does not overlap the clean-up after the previous program.
  ::Sleep(kSettleMs);
  const Stopwatch watch;
  StartedProcess process(program, scenario);
  StartResult result;
  HWND list = nullptr;
  for (;;) {
    if (!list) list = process.List();
    if (list && result.windowMilliseconds == 0) result.windowMilliseconds = watch.Milliseconds();
    if (list && RowCount(list) >= rows) break;
    if (process.Ended()) throw std::runtime_error(program + " ended before its list was filled");
    if (watch.Milliseconds() > kStartTimeoutMs) throw std::runtime_error(program + " did not fill its list in time");
    // Looking for the window takes server time from the program, so less often than asking the list.
    ::WaitForSingleObject(process.Handle(), list ? 1 : kWindowPollMs);
  }
  result.milliseconds = watch.Milliseconds();
  result.workingSetMiB = WorkingSetMiB(process.Handle());
  if (texts) *texts = ListTexts(process.Handle(), list, rows);
  return result;
}

}  // namespace orvel::bench
