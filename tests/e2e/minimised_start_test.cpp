// Started minimised the way a user does it (start /min Orvelkit.exe): the window stays an inactive
// icon and scans nothing until it is restored, then scans once and lays the list out by its anchors.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "harness.h"
#include "scan_driver.h"

namespace e2e {
namespace {

const std::vector<Process>& kProcesses = kThreeProcesses;

// The program started by Wine's start.exe from the program's folder; start.exe is its parent, so
// it is found among start.exe's children and ended through its own handle.
class StartedMinimised {
 public:
  explicit StartedMinimised(const std::vector<std::pair<std::string, std::string>>& environment) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string start = std::string(system) + "\\start.exe";
    std::string exe = WindowsPath(ORVEL_EXE_UNIX_PATH);
    const std::string folder = exe.substr(0, exe.rfind('\\'));
    std::string commandLine = "start.exe /min Orvelkit.exe";
    std::string env = EnvironmentBlock(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(start.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, env.data(), folder.c_str(),
                        &startup, &launcher_))
      throw std::runtime_error("cannot start " + start + ": error " + std::to_string(GetLastError()));
    // The launcher's handle keeps its id from being reused until its child is found.
    WaitFor([&] { return (id_ = ChildOf(launcher_.dwProcessId)) != 0; }, 60s);
    if (id_) process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id_);
    if (!process_) {
      End();
      throw std::runtime_error("start.exe started no Orvelkit.exe");
    }
  }
  ~StartedMinimised() { End(); }
  StartedMinimised(const StartedMinimised&) = delete;
  StartedMinimised& operator=(const StartedMinimised&) = delete;

  DWORD Id() const { return id_; }
  HANDLE Process() const { return process_; }

 private:
  static DWORD ChildOf(DWORD parent) {
    DWORD child = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
      if (entry.th32ParentProcessID == parent && lstrcmpiA(entry.szExeFile, "Orvelkit.exe") == 0)
        child = entry.th32ProcessID;
    CloseHandle(snapshot);
    return child;
  }

  void End() {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 30000);
      }
      CloseHandle(process_);
      process_ = nullptr;
    }
    if (launcher_.hProcess) {
      // start.exe ends by itself once it has started the program.
      if (WaitForSingleObject(launcher_.hProcess, 30000) == WAIT_TIMEOUT) TerminateProcess(launcher_.hProcess, 1);
      CloseHandle(launcher_.hThread);
      CloseHandle(launcher_.hProcess);
      launcher_ = {};
    }
  }

  PROCESS_INFORMATION launcher_{};
  DWORD id_ = 0;
  HANDLE process_ = nullptr;
};

// The program has handled everything it was sent or asked to paint: idle in its message loop with
// no part of the window waiting for a paint, and its queue answering.
bool Settled(HANDLE process, HWND window) {
  if (WaitForInputIdle(process, 60000) != 0) return false;
  if (!WaitFor([&] { return !GetUpdateRect(window, nullptr, FALSE); }, 60s)) return false;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr) != 0;
}

TEST(MinimisedStart, StaysAnInactiveIconWithoutScanningThenScansOnceWhenRestored) {
  StandIn standIn;
  standIn.Write(ScenarioOf(kProcesses));
  StartedMinimised program(standIn.Environment());
  ScanWindow window(FindMainWindow(program.Id(), 90s));

  ASSERT_TRUE(Settled(program.Process(), window.main));
  EXPECT_TRUE(IsIconic(window.main));
  EXPECT_NE(GetForegroundWindow(), window.main);
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window.main, nullptr), &thread));
  EXPECT_NE(thread.hwndActive, window.main) << "a minimised start takes no activation";
  EXPECT_TRUE(standIn.Connections().empty()) << "scanned while minimised: " << Bracketed(standIn.Connections());

  ShowWindow(window.main, SW_RESTORE);
  const ScanOutcome outcome = StartupScan(window);
  ASSERT_TRUE(outcome.finished) << StatusText(window.status);
  EXPECT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;
  ASSERT_TRUE(Settled(program.Process(), window.main));
  EXPECT_FALSE(IsIconic(window.main));
  EXPECT_EQ(standIn.Connections().size(), 1u) << Bracketed(standIn.Connections());
  std::vector<std::vector<std::string>> expected;
  for (const Process& p : kProcesses) expected.push_back(RowAfter(p));
  EXPECT_EQ(ListRows(window.list), expected);

  // The list keeps its distances to the four client edges (those of the defined 914 x 659 client).
  RECT client{}, list{};
  GetClientRect(window.main, &client);
  GetWindowRect(window.list, &list);
  MapWindowPoints(nullptr, window.main, reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(list.left, 16);
  EXPECT_EQ(list.top, 72);
  EXPECT_EQ(client.right - list.right, 9) << "client " << client.right << " x " << client.bottom;
  EXPECT_EQ(client.bottom - list.bottom, 26) << "client " << client.right << " x " << client.bottom;
  Screenshot(window.main, "minimised-start-restored");
}

}  // namespace
}  // namespace e2e
