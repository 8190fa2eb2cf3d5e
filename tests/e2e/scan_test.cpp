// The scan from start to list in the running program: the rows and status line of the first paint's
// scan and the paints after it, a refused connection, Enter in the password field with the computer
// history, and the local processes through the stand-in's live mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "scan_driver.h"

namespace e2e {
namespace {

struct Listed {
  const char* scenario;  // one `process` line of the stand-in
  std::vector<std::string> row;
};

// Conversions the row texts depend on: low 32 bits, bytes to K, CPU seconds rounded per part.
std::vector<Listed> ListedProcesses() {
  return {
      {R"(process Name="System Idle Process" ExecutablePath=null ProcessId=0 ParentProcessId=0 SessionId=0 ThreadCount=2 Priority=0 WorkingSetSize="8192" HandleCount=0 UserModeTime="0" KernelModeTime="0")",
       {"System Idle Process", "", "0", "0", "8 K", "", "0", "0", "2", "0"}},
      {R"(process Name="System" ExecutablePath=null ProcessId=4 ParentProcessId=0 SessionId=0 ThreadCount=160 Priority=8 WorkingSetSize="1023" HandleCount=3200 UserModeTime="15000000" KernelModeTime="25000000")",
       {"System", "", "4", "0", "0 K", "4 s", "3200", "0", "160", "8"}},
      {R"(process Name="notepad.exe" ExecutablePath="C:\Windows\notepad.exe" ProcessId=-2 ParentProcessId=1234 SessionId=1 ThreadCount=3 Priority=8 WorkingSetSize="3000000000" HandleCount=77 UserModeTime="5000000" KernelModeTime="5000000")",
       {"notepad.exe", "C:\\Windows\\notepad.exe", "4294967294", "1234", "2929687 K", "", "77", "1", "3", "8"}},
      {R"(process Name="explorer.exe" ExecutablePath="C:\Windows\explorer.exe" ProcessId=1234 ParentProcessId=1200 SessionId=1 ThreadCount=40 Priority=8 WorkingSetSize="1024" HandleCount=900 UserModeTime=null KernelModeTime="30000000")",
       {"explorer.exe", "C:\\Windows\\explorer.exe", "1234", "1200", "1 K", "3 s", "900", "1", "40", "8"}},
      {R"(process Name="svchost.exe" ExecutablePath="C:\Windows\System32\svchost.exe" ProcessId=708 ParentProcessId=600 SessionId=0 ThreadCount=12 Priority=8 WorkingSetSize="409600" HandleCount=300 UserModeTime="590000000" KernelModeTime="0")",
       {"svchost.exe", "C:\\Windows\\System32\\svchost.exe", "708", "600", "400 K", "59 s", "300", "0", "12", "8"}},
      {R"(process Name="cmd.exe" ExecutablePath="C:\Windows\System32\cmd.exe" ProcessId=88 ParentProcessId=1234 SessionId=1 ThreadCount=1 Priority=8 WorkingSetSize="2048" HandleCount=20 UserModeTime="300000000" KernelModeTime="300000000")",
       {"cmd.exe", "C:\\Windows\\System32\\cmd.exe", "88", "1234", "2 K", CpuTimeText(60), "20", "1", "1", "8"}},
      {R"(process Name="backup.exe" ExecutablePath="C:\Program Files\Backup\backup.exe" ProcessId=2000 ParentProcessId=708 SessionId=0 ThreadCount=5 Priority=4 WorkingSetSize="10240" HandleCount=50 UserModeTime="35980000000" KernelModeTime="10000000")",
       {"backup.exe", "C:\\Program Files\\Backup\\backup.exe", "2000", "708", "10 K", CpuTimeText(3599), "50", "0", "5", "4"}},
      {R"(process Name="sqlservr.exe" ExecutablePath="C:\Program Files\SQL\sqlservr.exe" ProcessId=3000 ParentProcessId=708 SessionId=0 ThreadCount=80 Priority=13 WorkingSetSize="1048576" HandleCount=2000 UserModeTime="900610000000" KernelModeTime="0")",
       {"sqlservr.exe", "C:\\Program Files\\SQL\\sqlservr.exe", "3000", "708", "1024 K", HoursCpuTimeText("25", "01", "01"), "2000", "0", "80", "13"}},
      // Typed variants as other providers send them, and the largest CPU time.
      {R"(process Name="typed.exe" ExecutablePath="C:\typed.exe" ProcessId=ui4:4000 ParentProcessId=i8:-1 SessionId=i8:8589934593 ThreadCount=i2:7 Priority=ui1:24 WorkingSetSize=i8:5120 HandleCount=ui4:4294967295 UserModeTime="42949672950000000" KernelModeTime=null)",
       {"typed.exe", "C:\\typed.exe", "4000", "4294967295", "5 K", HoursCpuTimeText("1193046", "28", "15"), "4294967295", "1", "7", "24"}},
  };
}

std::string ScenarioOf(const std::vector<Listed>& processes, const std::string& extra = "") {
  std::string text;
  for (const Listed& p : processes) text += std::string(p.scenario) + "\n";
  return text + extra;
}

bool IsDecimal(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Empty, "n s" or the locale's time of day: whichever a total under an hour gives.
bool IsCpuTimeUnderAnHour(const std::string& text) {
  for (unsigned seconds = 0; seconds < 3600; ++seconds)
    if (CpuTimeText(seconds) == text) return true;
  return false;
}

std::string LocalComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  GetComputerNameW(name, &size);
  return Utf8(name);
}

TEST(Scan, FirstPaintListsEveryProcessWithItsTenTexts) {
  StandIn standIn;
  const auto processes = ListedProcesses();
  standIn.Write(ScenarioOf(processes));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  const ScanOutcome outcome = StartupScan(window);
  ASSERT_TRUE(outcome.finished) << StatusText(window.status);
  EXPECT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;

  EXPECT_EQ(StatusText(window.status), ProcessCountText(processes.size()));
  const auto rows = ListRows(window.list);
  ASSERT_EQ(rows.size(), processes.size());
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], processes[i].row) << "row " << i;
  EXPECT_TRUE(window.Idle());
  EXPECT_EQ(ComboItems(window.computer), std::vector<std::string>{LocalComputerName()});

  // The local computer, no user, no password; a connection that gives up rather than hanging.
  const auto log = standIn.LogLines();
  EXPECT_EQ(standIn.Connections(),
            std::vector<std::string>{"ConnectServer server=\"" + LocalComputerName() +
                                     "\" namespace=\"root\\CIMV2\" user=\"\" password=<empty> locale=\"\" "
                                     "authority=\"\" securityFlags=0x80 namedValueSet=null"});
  EXPECT_TRUE(NothingLeftReferenced(log)) << log.back();
  Screenshot(window.main, "scan-first-paint");
}

// The window has handled a paint once its update region is validated and its queue is past the handler.
bool Repainted(HWND window) {
  if (!WaitFor([&] { return !GetUpdateRect(window, nullptr, FALSE); }, 60s)) return false;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 120000, nullptr) != 0;
}

TEST(Scan, LaterPaintsRepaintWithoutScanningAgain) {
  StandIn standIn;
  const auto processes = ListedProcesses();
  standIn.Write(ScenarioOf({processes.begin(), processes.begin() + 3}));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  ASSERT_TRUE(StartupScan(window).finished) << StatusText(window.status);
  ASSERT_EQ(standIn.Connections().size(), 1u);

  ShowWindow(window.main, SW_MINIMIZE);
  ShowWindow(window.main, SW_RESTORE);
  ASSERT_TRUE(Repainted(window.main)) << "restored";
  // The program's thread held while the window is invalidated, so that the pending paint can be seen
  // before it is handled.
  const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window.main, nullptr));
  ASSERT_NE(thread, nullptr);
  ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));
  const bool invalidated = InvalidateRect(window.main, nullptr, TRUE) && GetUpdateRect(window.main, nullptr, FALSE);
  ResumeThread(thread);
  CloseHandle(thread);
  ASSERT_TRUE(invalidated) << "the window awaits a paint";
  ASSERT_TRUE(Repainted(window.main)) << "invalidated";

  EXPECT_EQ(standIn.Connections().size(), 1u);
  EXPECT_TRUE(window.Idle());
  EXPECT_EQ(StatusText(window.status), ProcessCountText(3));
  EXPECT_EQ(ListRowCount(window.list), 3);
  EXPECT_TRUE(program.Dialogs().empty());
}

TEST(Scan, RefusedConnectionShowsOneBoxAndNoRows) {
  StandIn standIn;
  standIn.Write(ScenarioOf(ListedProcesses(), "fail connect 0x800706BA \"The RPC server is unavailable. \"\n"));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  const ScanOutcome outcome = StartupScan(window);
  ASSERT_TRUE(outcome.finished) << StatusText(window.status);

  ASSERT_EQ(outcome.boxes.size(), 1u);
  EXPECT_EQ(outcome.boxes[0].caption, kWmiErrorCaption);
  EXPECT_EQ(outcome.boxes[0].text, WmiErrorText("The RPC server is unavailable", "2"));
  EXPECT_TRUE(outcome.boxes[0].hasIcon);
  EXPECT_TRUE(outcome.busyWhileBoxShown);

  EXPECT_EQ(StatusText(window.status), "0 processes");
  EXPECT_EQ(ListRowCount(window.list), 0);
  EXPECT_TRUE(window.Idle());
  EXPECT_TRUE(program.Dialogs().empty());
  EXPECT_EQ(ComboItems(window.computer), std::vector<std::string>{LocalComputerName()});
  // A failed scan adds no user name; under Wine an empty one would be added on success.
  const auto users = ComboItems(window.user);
  EXPECT_EQ(std::count(users.begin(), users.end(), ""), 0) << Bracketed(users);
  EXPECT_TRUE(NothingLeftReferenced(standIn.LogLines()));
}

TEST(Scan, EnterInThePasswordFieldScansAndMovesTheComputerToTheTop) {
  StandIn standIn;
  const auto processes = ListedProcesses();
  standIn.Write(ScenarioOf({processes.begin(), processes.begin() + 2}));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  ASSERT_TRUE(StartupScan(window).finished);
  const std::string local = LocalComputerName();

  for (const char* name : {"ALPHA", "BETA"}) {
    SetText(window.computerEdit, name);
    const ScanOutcome outcome = PressScan(window);
    ASSERT_TRUE(outcome.finished) << name;
    EXPECT_TRUE(outcome.boxes.empty()) << name;
  }
  ASSERT_EQ(ComboItems(window.computer), (std::vector<std::string>{local, "ALPHA", "BETA"}));

  standIn.Write(ScenarioOf({processes.begin(), processes.begin() + 5}));
  SetText(window.computerEdit, "alpha");
  RECT field;
  GetClientRect(window.password, &field);
  Click(window.password, field.right / 2, field.bottom / 2);
  ASSERT_TRUE(WaitFor([&] { return FocusedWindow(window.main) == window.password; }, 30s));
  // A key other than Enter starts nothing: exactly one more connection follows the two keys.
  const std::size_t connectionsBefore = standIn.Connections().size();
  KeyPress('X');
  KeyPress(VK_RETURN);
  EXPECT_TRUE(WaitFor([&] {
    return window.Idle() && StatusText(window.status) == ProcessCountText(5) &&
           ComboItems(window.computer) == std::vector<std::string>{"ALPHA", local, "BETA"};
  }, 120s)) << StatusText(window.status) << " " << Bracketed(ComboItems(window.computer));
  EXPECT_EQ(Text(window.computerEdit), "ALPHA");
  EXPECT_EQ(ListRowCount(window.list), 5);
  const auto connections = standIn.Connections();
  ASSERT_EQ(connections.size(), connectionsBefore + 1);
  EXPECT_EQ(connections.back().rfind("ConnectServer server=\"alpha\" ", 0), 0u) << connections.back();
  EXPECT_NE(connections.back().find(" password=<set> "), std::string::npos) << "the X typed into the field";

  // Enter with Shift held scans the same way.
  standIn.Write(ScenarioOf({processes.begin(), processes.begin() + 3}));
  KeyPress(VK_RETURN, true);
  EXPECT_TRUE(WaitFor([&] { return window.Idle() && StatusText(window.status) == ProcessCountText(3); }, 120s))
      << StatusText(window.status);
  EXPECT_EQ(standIn.Connections().size(), connectionsBefore + 2);
  EXPECT_EQ(ComboItems(window.computer), (std::vector<std::string>{"ALPHA", local, "BETA"}));
  EXPECT_TRUE(program.Dialogs().empty());
}

TEST(Scan, LiveModeListsTheLocalProcesses) {
  Program program("", {{"ORVEL_WMI_SCENARIO", ""}, {"ORVEL_WMI_LOG", ""}});
  ScanWindow window(program.MainWindow());
  const ScanOutcome outcome = StartupScan(window);
  ASSERT_TRUE(outcome.finished) << StatusText(window.status);
  EXPECT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;

  const auto rows = ListRows(window.list);
  EXPECT_EQ(StatusText(window.status), ProcessCountText(rows.size()));
  const std::string ownId = std::to_string(program.Id());
  const auto own = std::find_if(rows.begin(), rows.end(), [&](const auto& row) { return row[2] == ownId; });
  ASSERT_NE(own, rows.end()) << "no row for process " << ownId;
  const auto& row = *own;
  ASSERT_EQ(row.size(), 10u);
  EXPECT_EQ(row[0], "Orvelkit.exe");
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, row[1].c_str(), -1,
                           WindowsPath(ORVEL_EXE_UNIX_PATH).c_str(), -1),
            CSTR_EQUAL)
      << row[1];
  EXPECT_EQ(row[3], std::to_string(GetCurrentProcessId())) << "started by this test";
  EXPECT_GE(std::stoul(row[8]), 1u) << "threads";
  const std::string ram = row[4];
  ASSERT_GT(ram.size(), 2u);
  EXPECT_EQ(ram.substr(ram.size() - 2), " K");
  ASSERT_TRUE(IsDecimal(ram.substr(0, ram.size() - 2))) << ram;
  EXPECT_GT(std::stoul(ram.substr(0, ram.size() - 2)), 0u) << ram;
  EXPECT_TRUE(IsCpuTimeUnderAnHour(row[5])) << "CPU time " << row[5];
  ASSERT_TRUE(IsDecimal(row[6])) << "handles " << row[6];
  EXPECT_GT(std::stoul(row[6]), 0u) << "handles";
  DWORD session = 0;
  ASSERT_TRUE(ProcessIdToSessionId(program.Id(), &session));
  EXPECT_EQ(row[7], std::to_string(session)) << "session";
  EXPECT_EQ(row[9], "8") << "the base priority of the normal class it was started in";
  // Every row carries its numbers in plain decimal.
  for (const auto& listed : rows) {
    ASSERT_EQ(listed.size(), 10u);
    for (const int column : {2, 3, 6, 7, 8, 9}) EXPECT_TRUE(IsDecimal(listed[column])) << listed[0] << " column " << column;
    EXPECT_TRUE(listed[4].size() > 2 && IsDecimal(listed[4].substr(0, listed[4].size() - 2))) << listed[0] << " " << listed[4];
  }
  const std::string testerId = std::to_string(GetCurrentProcessId());
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const auto& r) { return r[2] == testerId; }))
      << "the test program itself";
  Screenshot(window.main, "scan-live");
}

}  // namespace
}  // namespace e2e
