// The list's context menu in the real program, driven from the keyboard: rows copied to the
// clipboard, and a process ended after the question, then gone from the list scanned again, in a
// scripted scenario and among the local processes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "scan_driver.h"
#include "web_config.h"

namespace e2e {
namespace {

const std::vector<Process>& kProcesses = kThreeProcesses;

std::string Joined(const std::vector<std::string>& texts) {
  std::string line;
  for (std::size_t i = 0; i < texts.size(); ++i) line += (i ? "\t" : "") + texts[i];
  return line + "\r\n";
}

// Wine opens a web address through winebrowser, which starts the first program of its "Browsers"
// value with the address as the last argument: here a script that writes it into a file. The value
// the prefix had before comes back afterwards.
class BrowserLog {
 public:
  BrowserLog() : file_(TempDir() + "\\opened.txt") {
    const std::string script = TempDir() + "\\browser.sh";
    WriteFile(script, "printf '%s\\n' \"$1\" >>'" + UnixPath(file_) + "'\n");
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                    &key_, nullptr);
    DWORD size = sizeof previous_ - sizeof(wchar_t);
    had_ = RegQueryValueExW(key_, L"Browsers", nullptr, nullptr, reinterpret_cast<BYTE*>(previous_), &size) ==
           ERROR_SUCCESS;
    const std::wstring browser = L"/bin/sh \"" + Wide(UnixPath(script)) + L"\"";
    RegSetValueExW(key_, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(browser.c_str()),
                   static_cast<DWORD>((browser.size() + 1) * sizeof(wchar_t)));
  }
  ~BrowserLog() {
    if (had_) {
      RegSetValueExW(key_, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_),
                     static_cast<DWORD>((std::wcslen(previous_) + 1) * sizeof(wchar_t)));
    } else {
      RegDeleteValueW(key_, L"Browsers");
    }
    RegCloseKey(key_);
  }
  BrowserLog(const BrowserLog&) = delete;
  BrowserLog& operator=(const BrowserLog&) = delete;
  std::string Opened() const { return ReadFile(file_); }  // one address a line

 private:
  std::string file_;
  HKEY key_ = nullptr;
  wchar_t previous_[512] = {};
  bool had_ = false;
};

class ProcessMenuTest : public ::testing::Test {
 protected:
  // The program up with its first scan done; the keyboard focus moved to the list by Tab.
  void Start(const std::vector<std::pair<std::string, std::string>>& environment) {
    program = std::make_unique<Program>("", environment);
    window = std::make_unique<ScanWindow>(program->MainWindow());
    ASSERT_TRUE(StartupScan(*window).finished);
    KeyPress(VK_TAB);
    KeyPress(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return FocusedWindow(window->main) == window->list; }, 30s));
  }
  // The row at this index selected from the keyboard.
  void SelectRow(int index) {
    KeyPress(VK_HOME);
    for (int i = 0; i < index; ++i) KeyPress(VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return SelectedRow() == index; }, 30s)) << SelectedRow();
  }
  int SelectedRow() {
    DWORD_PTR selected = static_cast<DWORD_PTR>(-1);
    SendMessageTimeoutA(window->list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, SMTO_NORMAL, 10000,
                        &selected);
    return static_cast<int>(selected);
  }
  // Shift+F10, then the item's letter.
  void Choose(WORD letter) {
    KeyPress(VK_F10, true);
    KeyPress(letter);
  }
  HWND WaitForBox() {
    HWND box = nullptr;
    WaitFor([&] { return !program->Dialogs().empty() && (box = program->Dialogs().front()); }, 60s);
    return box;
  }
  // "End process..." on the row at this index, the question answered with this button.
  Box EndProcess(int row, const char* button) {
    SelectRow(row);
    Choose('E');
    const HWND question = WaitForBox();
    if (!question) return {};
    const Box box = ReadBox(question);
    PressButton(question, button);
    WaitFor([&] { return !IsWindow(question); }, 30s);
    return box;
  }

  std::unique_ptr<Program> program;
  std::unique_ptr<ScanWindow> window;
};

TEST_F(ProcessMenuTest, CtrlCCopiesTheRowAndCopyAllEveryRowUnderTheCaptions) {
  StandIn standIn;
  standIn.Write(ScenarioOf(kProcesses));
  Start(standIn.Environment());
  SelectRow(1);
  EmptyTheClipboard();
  KeyPress('C', false, true);
  ASSERT_TRUE(WaitFor([] { return !ClipboardText().empty(); }, 30s));
  EXPECT_EQ(ClipboardText(), Joined(RowAfter(kProcesses[1])));

  EmptyTheClipboard();
  Choose('A');
  ASSERT_TRUE(WaitFor([] { return !ClipboardText().empty(); }, 30s));
  std::string all = Joined({"Process", "Folder", "Process ID", "Parent PID", "RAM", "CPU Time", "Handles", "Session",
                            "Threads", "Priority"});
  for (const Process& p : kProcesses) all += Joined(RowAfter(p));
  EXPECT_EQ(ClipboardText(), all);
  Screenshot(window->main, "process-menu-copied");
}

// Names and folders in any script reach the list, the clipboard and the web search unchanged.
TEST_F(ProcessMenuTest, NamesInAnyScriptAreShownCopiedAndLookedUpUnchanged) {
  const std::vector<Process> processes = {
      {"System", "", 4, 0, 0, 120, 8, 1048576, 2500, 10, 20},
      {"\u0141ukasz.exe", "C:\\Users\\\u0141ukasz\\\u0141ukasz.exe", 1500, 4, 1, 35, 8, 52428800, 1200, 40, 5},
      {"\u03A9mega.exe", "C:\\\u03A9mega\\\u03A9mega.exe", 1800, 1500, 1, 4, 8, 8192000, 20, 1, 1},
      {"\u65E5\u672C\u8A9E.exe", "C:\\Users\\\u0141ukasz\\\u65E5\u672C\u8A9E\\\u65E5\u672C\u8A9E.exe", 2200, 1500, 1, 3,
       8, 8192000, 90, 1, 1},
  };
  StandIn standIn;
  standIn.Write(ScenarioOf(processes));
  const BrowserLog browser;
  Start(standIn.Environment());
  std::vector<std::vector<std::string>> rows;
  for (const Process& p : processes) rows.push_back(RowAfter(p));
  EXPECT_EQ(ListRows(window->list), rows);
  Screenshot(window->main, "names-in-any-script");

  EmptyTheClipboard();
  Choose('A');
  ASSERT_TRUE(WaitFor([] { return !ClipboardText().empty(); }, 30s));
  std::string all = Joined({"Process", "Folder", "Process ID", "Parent PID", "RAM", "CPU Time", "Handles", "Session",
                            "Threads", "Priority"});
  for (const auto& row : rows) all += Joined(row);
  EXPECT_EQ(ClipboardText(), all);

  SelectRow(3);
  Choose('L');
  ASSERT_TRUE(WaitFor([&] { return !browser.Opened().empty(); }, 60s)) << "no address opened";
  EXPECT_EQ(browser.Opened(),
            "http://" ORVEL_SEARCH_HOST "/search?q=%E6%97%A5%E6%9C%AC%E8%AA%9E.exe+site%3A" ORVEL_INFO_DOMAIN "\n");
}

TEST_F(ProcessMenuTest, EndProcessAsksEndsTheScriptedProcessAndScansAgain) {
  StandIn standIn;
  standIn.Write(ScenarioOf(kProcesses));
  Start(standIn.Environment());
  auto terminateCalls = [&] {
    int calls = 0;
    for (const std::string& line : standIn.LogLines()) calls += line.rfind("ExecMethod_ ", 0) == 0;
    return calls;
  };

  const Box asked = EndProcess(2, "&No");
  EXPECT_EQ(asked.text.rfind("End notepad.exe (process ID 2200) on ", 0), 0u) << asked.text;
  EXPECT_EQ(terminateCalls(), 0) << "No ends nothing";
  EXPECT_EQ(ListRowCount(window->list), 3);

  EndProcess(2, "&Yes");
  ASSERT_TRUE(WaitFor([&] { return standIn.Connections().size() == 3; }, 120s)) << "the end, then the scan again";
  ASSERT_TRUE(WaitFor([&] { return ListRowCount(window->list) == 2 && window->Idle(); }, 120s));
  const auto log = standIn.LogLines();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "ExecMethod_ process=2 method=\"Terminate\" inParameters=null flags=0x0 namedValueSet=null"),
            log.end());
  for (const auto& row : ListRows(window->list)) EXPECT_NE(row[0], "notepad.exe");
  EXPECT_TRUE(NothingLeftReferenced(log));
  Screenshot(window->main, "process-menu-ended");
}

// Live, as ./run.sh shows it: a local process this test started is listed, ended and gone.
TEST_F(ProcessMenuTest, EndProcessEndsALocalProcess) {
  // A command interpreter without a console, waiting for commands on a pipe nobody writes to.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE commands = nullptr, feed = nullptr;
  ASSERT_TRUE(CreatePipe(&commands, &feed, &inherit, 0));
  SetHandleInformation(feed, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = commands;
  PROCESS_INFORMATION child{};
  std::string waiting = "cmd.exe";
  const BOOL started = CreateProcessA(nullptr, waiting.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                      nullptr, &startup, &child);
  CloseHandle(commands);
  struct Ended {
    PROCESS_INFORMATION& process;
    HANDLE feed;
    ~Ended() {
      CloseHandle(feed);
      if (!process.hProcess) return;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 30000);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  } cleanup{child, feed};
  ASSERT_TRUE(started);
  ASSERT_EQ(WaitForSingleObject(child.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT)) << "it waits";

  Start({});
  int row = -1;
  const auto rows = ListRows(window->list);
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i][2] == std::to_string(child.dwProcessId)) row = static_cast<int>(i);
  ASSERT_GE(row, 0) << "the child is listed";
  const Box asked = EndProcess(row, "&Yes");
  EXPECT_NE(asked.text.find("(process ID " + std::to_string(child.dwProcessId) + ")"), std::string::npos);
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0) << "ended";
  // Terminate answers once ending has begun, as WMI does: the scan that follows at once shows what
  // runs at that moment, perhaps the child still, and nothing fails; a scan after the end has not it.
  SendMessageTimeoutA(window->main, WM_NULL, 0, 0, SMTO_NORMAL, 120000, nullptr);  // the end and its scan have run
  EXPECT_TRUE(window->Idle());
  EXPECT_EQ(program->Dialogs().size(), 0u) << "no failure shown";
  const ScanOutcome again = PressScan(*window);
  EXPECT_TRUE(again.finished);
  EXPECT_TRUE(again.boxes.empty());
  for (const auto& listed : ListRows(window->list)) EXPECT_NE(listed[2], std::to_string(child.dwProcessId));
}

}  // namespace
}  // namespace e2e
