// A scan of several computers in the real program, each computer scripted by the stand-in: the rows
// of those that answer under their names, one box of those that failed, the status while scanning
// and at the end, Esc giving up a scan, and the window closed while a computer does not answer.
// The course of such a scan in any order of answers is tested on the host (ManyScanTest, ManyComputersTest).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "scan_driver.h"

namespace e2e {
namespace {

const std::vector<Process> kAlpha = {kThreeProcesses[0], kThreeProcesses[2]};
const std::vector<Process> kSlow = {
    {"sqlservr.exe", "C:\\Program Files\\SQL\\sqlservr.exe", 3100, 600, 0, 40, 8, 209715200, 700, 100, 30}};
constexpr const char* kSlowDelay = "4000";  // long enough to see the others answer first

// A scenario section: the computer, its connection delay (none when empty), its processes.
std::string Section(const std::string& computer, const std::string& delay, const std::vector<Process>& processes) {
  return "computer " + computer + "\n" + (delay.empty() ? "" : "delay " + delay + "\n") + ScenarioOf(processes);
}

// The rows of a computer's processes, its name in the Computer column.
std::vector<std::vector<std::string>> RowsOf(const std::string& computer, const std::vector<Process>& processes) {
  std::vector<std::vector<std::string>> rows;
  for (const Process& p : processes) {
    rows.push_back(RowAfter(p));
    rows.back().push_back(computer);
  }
  return rows;
}

std::vector<std::vector<std::string>> Joined(std::vector<std::vector<std::string>> first,
                                             const std::vector<std::vector<std::string>>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

class ManyComputersTest : public ::testing::Test {
 protected:
  // The program up with its first scan (of the local computer, the file's own processes) done.
  void Start(const std::string& sections) {
    standIn.Write(ScenarioOf(kThreeProcesses) + sections);
    program = std::make_unique<Program>("", standIn.Environment());
    window = std::make_unique<ScanWindow>(program->MainWindow());
    ASSERT_TRUE(StartupScan(*window).finished);
  }
  // The field's computers scanned; returns once the scan has begun (the click handler returned).
  void Scan(const std::string& field) {
    SetText(window->computerEdit, field);
    const ScanOutcome outcome = PressScan(*window);
    ASSERT_TRUE(outcome.finished);
    ASSERT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;
  }
  std::vector<std::vector<std::string>> Rows() const { return ListRows(window->list, 11); }
  std::string Status() const { return StatusText(window->status); }
  // How many calls of this kind the stand-in has answered, any connection's.
  std::size_t Calls(const std::string& prefix) const {
    std::size_t calls = 0;
    for (const std::string& line : standIn.LogLines()) calls += line.rfind(prefix, 0) == 0;
    return calls;
  }

  StandIn standIn;
  std::unique_ptr<Program> program;
  std::unique_ptr<ScanWindow> window;
};

TEST_F(ManyComputersTest, RowsOfTheAnsweringComputersAndOneBoxOfTheFailedOne) {
  Start(Section("alpha", "", kAlpha) + Section("slow", kSlowDelay, kSlow) + Section("off", "", {}) +
        "fail connect 0x800706BA \"The RPC server is unavailable.\"\n");
  Scan("alpha, off slow");

  ASSERT_TRUE(WaitFor([&] { return Status() == "Scanning 3 computers: 1 done, 1 failed, 2 processes"; }, 60s))
      << Status();
  EXPECT_TRUE(window->Busy());
  EXPECT_EQ(Rows(), RowsOf("alpha", kAlpha)) << "the failed computer adds no row";
  EXPECT_TRUE(program->Dialogs().empty()) << "no box per computer";

  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return !program->Dialogs().empty() && (box = program->Dialogs().front()); }, 60s));
  EXPECT_EQ(Status(), "3 processes on 2 computers, 1 failed");
  EXPECT_TRUE(window->Idle());
  const Box summary = ReadBox(box);
  EXPECT_EQ(summary.caption, Text(window->main));
  EXPECT_TRUE(summary.hasIcon);
  EXPECT_EQ(summary.text, "1 of 3 computers could not be scanned:\r\noff: The RPC server is unavailable (Code: 2)");
  PressButton(box);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 30s));
  SendMessageTimeoutA(window->main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, nullptr);
  EXPECT_TRUE(program->Dialogs().empty()) << "one box for the whole scan";
  EXPECT_EQ(Rows(), Joined(RowsOf("alpha", kAlpha), RowsOf("slow", kSlow)));
  SendMessageTimeoutA(window->list, LVM_SCROLL, 2000, 0, SMTO_NORMAL, 30000, nullptr);  // the Computer column in view
  Screenshot(window->main, "many-computers");
}

TEST_F(ManyComputersTest, EscStopsTheScanAndDropsTheLateAnswer) {
  Start(Section("alpha", "", kAlpha) + Section("slow", kSlowDelay, kSlow));
  const DWORD threadsIdle = ThreadCount(program->Id());
  ASSERT_GT(threadsIdle, 0u);
  Scan("alpha slow");
  ASSERT_TRUE(WaitFor([&] { return Rows() == RowsOf("alpha", kAlpha); }, 60s));
  ASSERT_TRUE(window->Busy());
  ASSERT_EQ(Calls("ConnectServer server=\"slow\""), 0u) << "the slow computer answered before Esc";
  ASSERT_GT(ThreadCount(program->Id()), threadsIdle) << "the slow computer's worker";

  KeyPress(VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return window->Idle(); }, 30s));
  EXPECT_EQ(Status(), "Stopped: 2 processes on 1 of 2 computers, 0 failed");

  // The slow computer answers after all, and its worker ends: two round trips after that, whatever
  // it might have posted has been run.
  ASSERT_TRUE(WaitFor([&] { return Calls("ConnectServer server=\"slow\"") == 1; }, 60s));
  ASSERT_TRUE(WaitFor([&] { return ThreadCount(program->Id()) <= threadsIdle; }, 60s))
      << ThreadCount(program->Id()) << " threads, " << threadsIdle << " before the scan";
  for (int i = 0; i < 2; ++i) SendMessageTimeoutA(window->main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, nullptr);
  EXPECT_EQ(Rows(), RowsOf("alpha", kAlpha));
  EXPECT_EQ(Status(), "Stopped: 2 processes on 1 of 2 computers, 0 failed");
  EXPECT_TRUE(window->Idle());
  EXPECT_TRUE(program->Dialogs().empty());
  EXPECT_TRUE(NothingLeftReferenced(standIn.LogLines()));
}

TEST_F(ManyComputersTest, ClosingTheWindowEndsTheProgramWithoutWaitingForAComputer) {
  constexpr auto kHung = 60s;
  Start(Section("alpha", "", kAlpha) + Section("hung", std::to_string(kHung.count() * 1000), kSlow));
  Scan("alpha hung");
  ASSERT_TRUE(WaitFor([&] { return Rows() == RowsOf("alpha", kAlpha); }, 60s));
  // The startup scan's locator, alpha's and hung's: hung's worker is waiting in its connection.
  ASSERT_TRUE(WaitFor([&] { return Calls("QueryInterface ISWbemLocator") == 3; }, 60s));
  ASSERT_TRUE(window->Busy());

  const auto closed = Clock::now();
  program->Close(kHung / 2);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - closed);
  ASSERT_FALSE(program->Running()) << "still running after " << took.count() << " ms";
  EXPECT_LT(took, 10s) << "Wine takes some 2 s to end any program";
  EXPECT_EQ(program->ExitCode(), 0u);
  EXPECT_EQ(Calls("ConnectServer server=\"hung\""), 0u) << "ended before the computer answered";
  std::printf("[ many     ] the program ended %lld ms after the window was closed\n",
              static_cast<long long>(took.count()));
}

}  // namespace
}  // namespace e2e
