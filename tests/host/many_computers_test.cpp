// The window during a scan of several computers, whose answers the test delivers in its own order.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "scan/scan_computer.h"
#include "scan_fixture.h"

namespace orvel::fakes {
namespace {

using Names = std::vector<std::string>;

class ManyComputersTest : public ScanFixture {
 protected:
  void Start(const std::string& field) {
    PcComboBox.SetText(field);
    UserComboBox.SetText("ops");
    PasswordEdit.SetText("pw");
    form1->StartButtonClick(nullptr);
  }
  // Process IDs from 101; a failure keeps the records and reads as stage "8 1".
  static TComputerScan Answer(Names names, const char* failure = nullptr) {
    TComputerScan scan{{}, failure != nullptr, failure ? failure : "", "8 1"};
    for (std::uint32_t k = 0; k < names.size(); ++k) scan.Records.push_back({names[k], "", 101 + k});
    return scan;
  }
  std::uint16_t Press(std::uint16_t key, TControl& where, TKeyEvent& event, TShiftState shift = 0) {
    event(&where, key, shift);
    return key;
  }
  std::uint16_t CtrlInList(std::uint16_t key) { return Press(key, ListView1, ListView1.OnKeyDown, kCtrl); }
  std::uint16_t InWindow(std::uint16_t key) { return Press(key, Form, Form.OnKeyDown); }
  Names Cells(std::size_t column) const {
    Names cells;
    for (int i = 0; i < ListView1.RowCount(); ++i) cells.emplace_back(ListView1.Row(i).Cell(column));
    return cells;
  }
  static constexpr auto kCtrl = static_cast<TShiftState>(TShiftFlag::Ctrl);
};

TEST_F(ManyComputersTest, AnswersInAnyOrderFillTheListStatusAndOneSummary) {
  Start("pcA, pcB;pcC");
  ASSERT_EQ(scans.started.size(), 3u);
  EXPECT_EQ(ListView1.captions.back(), "Computer");
  EXPECT_TRUE(!StartButton.Visible() && Animate1.Playing());
  EXPECT_EQ(StatusBar.SimpleText(), "Scanning 3 computers: 0 done, 0 failed, 0 processes");
  System.tickCount += 100;
  EXPECT_TRUE(scans.Answer("pcC", Answer({"c1.exe", "c2.exe"})));
  System.tickCount += 50;
  EXPECT_TRUE(scans.Answer("pcA", Answer({"a1.exe"}, "Access denied\r\n")));
  EXPECT_EQ(StatusBar.SimpleText(), "Scanning 3 computers: 1 done, 0 failed, 2 processes") << "at most ten a second";
  System.tickCount += 50;
  Application.RunDelayed();
  EXPECT_EQ(StatusBar.SimpleText(), "Scanning 3 computers: 1 done, 1 failed, 3 processes") << "the tick shows it";
  EXPECT_TRUE(ListView1.RowCount() == 0 && Application.posted.size() == 1u) << "listed from the queue";
  const auto first = std::move(Application.posted.front());
  Application.posted.clear();
  first();
  EXPECT_EQ(Cells(0), (Names{"c1.exe", "c2.exe"})) << "one computer a message";
  Application.RunPosted();
  EXPECT_EQ(Cells(0), (Names{"c1.exe", "c2.exe", "a1.exe"}));
  EXPECT_TRUE(Application.boxes.empty()) << "no box per computer";
  EXPECT_TRUE(scans.Answer("pcB", Answer({})));
  EXPECT_EQ(StatusBar.SimpleText(), "3 processes on 2 computers, 1 failed");
  EXPECT_TRUE(StartButton.Visible() && !Animate1.Playing());
  ASSERT_EQ(Application.boxes.size(), 1u);
  EXPECT_EQ(Application.boxes[0].text, "1 of 3 computers could not be scanned:\r\npcA: Access denied (Code: 8 1)");
  EXPECT_EQ(PcComboBox.items.back() + UserComboBox.items.back(), "pcA, pcB;pcCops");
  Application.RunDelayed();
  EXPECT_TRUE(Application.delayed.empty()) << "no tick once idle";
  EXPECT_TRUE(fakeWmi->calls.empty()) << "the window's thread scanned nothing itself";
}

TEST_F(ManyComputersTest, TurnsOfAtMost32EscAndCloseGiveTheScanUp) {
  std::string field;
  for (int i = 0; i < 40; ++i) field += "pc" + std::to_string(i) + " ";
  scans.failStartAt = 32;
  Start(field);
  ASSERT_EQ(scans.started.size(), 32u);
  EXPECT_TRUE(scans.Answer("pc0", Answer({"a.exe"})));
  ASSERT_EQ(scans.started.size(), 33u) << "one answer, one more turn; a worker not started is a failure";
  EXPECT_EQ(scans.started.back().computer, "pc33");
  EXPECT_EQ(InWindow(27), 0) << "Esc taken from the focused control";
  EXPECT_EQ(scans.abandonCalls, 1);
  EXPECT_EQ(StatusBar.SimpleText(), "Stopped: 1 processes on 1 of 40 computers, 1 failed");
  ASSERT_EQ(Application.boxes.size(), 1u);
  EXPECT_EQ(Application.boxes[0].text, "1 of 40 computers could not be scanned:\r\npc32: no thread");
  EXPECT_EQ(InWindow(27), 27) << "no scan runs: Esc is the control's";
  TCloseAction action{};
  Form.OnClose(&Form, action);
  EXPECT_EQ(scans.abandonCalls, 1) << "nothing running to give up";
  Start(field);
  Form.OnClose(&Form, action);
  EXPECT_EQ(scans.abandonCalls, 2);
}

TEST_F(ManyComputersTest, ComputerColumnSortsByCtrlMinusAndGoesWithASingleScan) {
  Start("pcB pcA pcC");
  scans.Answer("pcB", Answer({"b.exe"}));
  scans.Answer("pcA", Answer({"a.exe"}));
  Application.RunPosted();
  EXPECT_EQ(CtrlInList(0xBD), 0xBD);
  EXPECT_EQ(Cells(10), (Names{"pcB", "pcA"})) << "descending first, while pcC still answers";
  CtrlInList(0x6D);
  EXPECT_EQ(Cells(10), (Names{"pcA", "pcB"}));
  CtrlInList('1');
  EXPECT_EQ(ListView1.lastSortKey, -1) << "each column its own direction";
  scans.Answer("pcC", Answer({"c.exe"}));
  EXPECT_EQ(Cells(0), (Names{"c.exe", "b.exe", "a.exe"})) << "a later answer is sorted in";
  Start(" pc1,");
  EXPECT_EQ(scans.started.size(), 3u) << "one name between separators: the single scan";
  ASSERT_GE(fakeWmi->calls.size(), 2u);
  EXPECT_EQ(fakeWmi->calls[1], "ConnectServer(pc1, root\\CIMV2, ops, <set>, , , 128)");
  EXPECT_EQ(ListView1.captions.size(), 10u);
  const int sorts = ListView1.sortCalls;
  CtrlInList(0xBD);
  EXPECT_EQ(ListView1.sortCalls, sorts) << "no Computer column to sort by";
}

TEST_F(ManyComputersTest, EndProcessActsOnTheRowsOwnComputerWithTheScansUser) {
  Start("pcA pcB");
  scans.Answer("pcA", Answer({"a.exe"}));
  scans.Answer("pcB", Answer({"p1.exe"}));
  ListView1.selected = 1;
  Application.boxAnswer = 6;
  PcComboBox.SetText("pcZ");  // the field may change: the row names its computer
  UserComboBox.SetText("admin");
  form1->EndProcessClick(nullptr);
  EXPECT_EQ(Application.boxes.back().text, "The list shows the processes of pcB. Please scan again before ending a process.");
  EXPECT_TRUE(fakeWmi->calls.empty());
  UserComboBox.SetText("ops");
  form1->EndProcessClick(nullptr);
  EXPECT_EQ(Application.boxes.back().text, "End p1.exe (process ID 101) on pcB? Unsaved data in it will be lost.");
  ASSERT_GE(fakeWmi->calls.size(), 5u);
  EXPECT_EQ(fakeWmi->calls[1], "ConnectServer(pcB, root\\CIMV2, ops, <set>, , , 128)");
  EXPECT_EQ(fakeWmi->calls[4], "Get(Win32_Process.Handle=\"101\", 0)");
}

// A worker given up stops between two processes; what it leaves is no failure.
TEST_F(ManyComputersTest, OneComputersScanEndsQuietlyWhenStopped) {
  const std::atomic<bool> stop{true};
  const TComputerScan scan = ScanComputer(*fakeWmi->CreateLocator(), "pcA", "ops", "pw", &stop);
  EXPECT_TRUE(scan.Records.empty() && !scan.Failed);
  EXPECT_EQ(fakeWmi->calls.back(), "NewEnum()");
}

TEST_F(ManyComputersTest, AListThatCannotBeScannedIsAMessageAndNoScan) {
  System.files = {{"empty.txt", "# nothing\r\n"}, {"one.txt", "pc9"}};
  std::string tooMany;
  for (int i = 0; i <= 1000; ++i) tooMany += "pc" + std::to_string(i) + ",";
  const struct { std::string field, box; } cases[] = {
      {"@", "Please write the path of a text file of computer names after \"@\"."},
      {"@ missing.txt", "The file missing.txt could not be read."},
      {"@empty.txt", "The file empty.txt names no computer."},
      {tooMany, "The computer field names more than 1000 computers. Please scan at most 1000 at once."},
  };
  for (const auto& c : cases) {
    Application.boxes.clear();
    Start(c.field);
    ASSERT_EQ(Application.boxes.size(), 1u) << c.box;
    EXPECT_EQ(Application.boxes[0].text, c.box);
    EXPECT_TRUE(scans.started.empty() && fakeWmi->calls.empty() && StartButton.Visible());
  }
  Start("@one.txt");
  ASSERT_EQ(scans.started.size(), 1u) << "a file of one name is a many-computer scan";
  EXPECT_EQ(scans.started[0].computer, "pc9");
}

}  // namespace
}  // namespace orvel::fakes
