// Failures injected by the WMI stand-in at each call the program's WMI client makes, in one running
// program: at most one box naming the stage, the rows read before the failure, the idle state, the
// histories, every stand-in object released, and the next scan working. Which property position ends
// a scan, and how a message is worded, are the scan's own rules (host tests: ScanProcessesTest,
// OleMessageTextTest) and the client's (Windows-target tests: WmiClientTest); here one case each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "scan_driver.h"

namespace e2e {
namespace {

const std::vector<Process> kProcesses = {
    {"System", "", 4, 0, 0, 120, 8, 1048576, 2500, 10, 20},
    {"smss.exe", "C:\\Windows\\System32\\smss.exe", 300, 4, 0, 2, 11, 409600, 30, 0, 1},
    {"explorer.exe", "C:\\Windows\\explorer.exe", 1500, 1400, 1, 35, 8, 52428800, 1200, 40, 5},
    {"notepad.exe", "C:\\Windows\\notepad.exe", 2200, 1500, 1, 3, 8, 8192000, 90, 1, 1},
};

enum class Shown { None, Wmi, ListView };  // the box a failure brings

struct FaultCase {
  std::string statement;    // the scenario's failure line
  Shown box;
  std::string stage;        // after "Code: "
  std::string message;      // M; empty: any non-empty text
  std::vector<int> stored;  // per row shown: how many properties reached its record
  bool complete;            // the enumeration ended without a reported failure
};

std::vector<int> Full(int rows) { return std::vector<int>(static_cast<std::size_t>(rows), kAllProperties); }

std::string Described(const std::string& point) { return "Injected " + point + " failure"; }

// Under Wine each box costs two seconds as it closes, so a box case is one per call of the client
// that no cheaper test fails; the silent ones are cheap.
std::vector<FaultCase> Cases() {
  std::vector<FaultCase> cases;
  auto reported = [&](const std::string& point, const std::string& stage, std::vector<int> stored) {
    cases.push_back({"fail " + point + " 0x80041001 \"" + Described(point) + ". \"", Shown::Wmi, stage,
                     Described(point), std::move(stored), false});
  };
  // Connection, security set-up, class, instance set, enumerator: no rows.
  reported("connect", "2", {});
  for (const char* point : {"security", "impersonation", "privileges", "add-privilege"}) reported(point, "4", {});
  reported("class", "5", {});
  reported("instances", "6", {});
  reported("enumerator", "6", {});
  // A later property set after complete rows; a required property's lookup keeps the rows before it.
  reported("properties 3", "9", Full(3));
  reported("item 1 Name", "8 1", {kAllProperties, 0});
  // One of the last four properties, the end of the enumeration by a failing Next, and no services
  // object: silent, complete.
  cases.push_back({"fail value 2 WorkingSetSize 0x80041001 \"silent\"", Shown::None, "", "",
                   {kAllProperties, kAllProperties, 7, kAllProperties}, true});
  cases.push_back({"fail next 0 0x80041001", Shown::None, "", "", {}, true});
  cases.push_back({"fail next 3 0x80041001 \"ignored\"", Shown::None, "", "", Full(3), true});
  cases.push_back({"no-services", Shown::None, "", "", {}, true});
  // The locator: reported by the scan command, from the code alone.
  cases.push_back({"fail create E_OUTOFMEMORY \"not read for the locator\"", Shown::ListView, "",
                   SystemMessageText(E_OUTOFMEMORY), {}, false});
  return cases;
}

// M from a box text of the WMI layout; empty when the text has another layout.
std::string MessageOf(const std::string& boxText, const std::string& stage) {
  const std::string head = "WMI error\r";
  const std::string tail = "\rCode: " + stage + "\r\r";
  const auto end = boxText.find(tail);
  if (boxText.rfind(head, 0) != 0 || end == std::string::npos || end < head.size()) return {};
  return boxText.substr(head.size(), end - head.size());
}

void ExpectBox(const FaultCase& c, const ScanOutcome& outcome) {
  if (c.box == Shown::None) {
    EXPECT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;
    return;
  }
  ASSERT_EQ(outcome.boxes.size(), 1u);
  const Box& box = outcome.boxes.front();
  EXPECT_TRUE(outcome.busyWhileBoxShown);
  if (c.box == Shown::ListView) {
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_FALSE(box.hasIcon);
    if (c.message.empty()) {
      EXPECT_GT(box.text.size(), 9u) << box.text;
      EXPECT_EQ(box.text.rfind("ListView ", 0), 0u) << box.text;
    } else {
      EXPECT_EQ(box.text, "ListView " + c.message);
    }
    return;
  }
  EXPECT_EQ(box.caption, kWmiErrorCaption);
  EXPECT_TRUE(box.hasIcon);
  const std::string message = c.message.empty() ? MessageOf(box.text, c.stage) : c.message;
  EXPECT_FALSE(message.empty()) << box.text;
  EXPECT_EQ(box.text, WmiErrorText(message, c.stage));
}

TEST(Faults, AFailureAtEachCallLeavesTheProgramWorking) {
  StandIn standIn;
  standIn.Write(ScenarioOf(kProcesses));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  ASSERT_TRUE(StartupScan(window).finished);

  const auto cases = Cases();
  int number = 0;
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.statement);
    ++number;
    standIn.Write(ScenarioOf(kProcesses) + c.statement + "\n");
    const std::string computer = "pc-" + std::to_string(number);
    const std::string user = "user-" + std::to_string(number);
    SetText(window.computerEdit, computer);
    SetText(window.userEdit, user);
    const std::size_t logFrom = standIn.LogLines().size();

    const ScanOutcome outcome = PressScan(window);
    ASSERT_TRUE(outcome.finished) << "the scan did not return";
    ExpectBox(c, outcome);

    std::vector<std::vector<std::string>> expected;
    for (std::size_t i = 0; i < c.stored.size(); ++i) expected.push_back(RowAfter(kProcesses[i], c.stored[i]));
    EXPECT_EQ(ListRows(window.list), expected);
    EXPECT_EQ(StatusText(window.status), c.box == Shown::ListView ? "Start..." : ProcessCountText(expected.size()));
    EXPECT_TRUE(window.Idle());
    EXPECT_TRUE(program.Dialogs().empty());

    const auto computers = ComboItems(window.computer);
    if (c.box == Shown::ListView) {
      EXPECT_EQ(std::count(computers.begin(), computers.end(), computer), 0);
    } else {
      EXPECT_EQ(computers.back(), computer);
    }
    const auto users = ComboItems(window.user);
    EXPECT_EQ(std::count(users.begin(), users.end(), user), c.complete ? 1 : 0);
    const auto log = standIn.LogLines();
    EXPECT_TRUE(NothingLeftReferenced(log, logFrom)) << log.back();
  }

  // After all of them, a scan without a failure reads every process in full.
  standIn.Write(ScenarioOf(kProcesses));
  const ScanOutcome outcome = PressScan(window);
  ASSERT_TRUE(outcome.finished);
  EXPECT_TRUE(outcome.boxes.empty());
  std::vector<std::vector<std::string>> expected;
  for (const Process& p : kProcesses) expected.push_back(RowAfter(p));
  EXPECT_EQ(ListRows(window.list), expected);
  EXPECT_EQ(StatusText(window.status), ProcessCountText(kProcesses.size()));
  std::printf("[ faults   ] %zu failures injected, one program, %zu scans\n", cases.size(), cases.size() + 2);
}

}  // namespace
}  // namespace e2e
