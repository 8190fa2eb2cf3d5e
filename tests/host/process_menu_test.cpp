// The list's context menu: its items by the list's state, copying rows, and ending a process
// through WMI with every refusal and failure reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "companions/process_menu.h"
#include "scan_fixture.h"

namespace orvel::fakes {
namespace {

enum Item { Copy, CopyAll, LookUp = 3, EndProcess = 5 };
constexpr int kIdYes = 6, kIdNo = 7;

class ProcessMenuTest : public ScanFixture {
 protected:
  ProcessMenuTest() { Rescan(); }

  void Rescan() {
    form1->StartButtonClick(nullptr);
    fakeWmi->calls.clear();
  }
  // The enabled state of each item, as the menu offers them now.
  std::vector<bool> Offered() {
    Choose(-1);
    std::vector<bool> enabled;
    for (const TMenuItem& item : Application.menus.back().items) enabled.push_back(item.Enabled);
    return enabled;
  }
  // The menu handler returns, then the message loop runs what it posted.
  void Choose(int item) {
    Application.menuChoice = item;
    form1->ListView1ContextPopup(&ListView1, 30, 40);
    Application.RunPosted();
  }
  std::string LastClip() const { return System.clipboard.empty() ? "(none)" : System.clipboard.back().text; }

  const std::string p1Row = "p1.exe\tC:\\Windows\\p1.exe\t101\t4\t4000 K\t4 s\t230\t1\t12\t8\r\n";
};

TEST_F(ProcessMenuTest, ItemsFollowTheListAndTheSelection) {
  ListView1.selected = -1;
  EXPECT_EQ(Offered(), (std::vector<bool>{false, true, false, false, false, false}));
  ListView1.selected = 1;
  EXPECT_EQ(Offered(), (std::vector<bool>{true, true, false, true, false, true}));
  const FakeApplication::Menu& menu = Application.menus.back();
  EXPECT_EQ(menu.items[Copy].Caption, "&Copy\tCtrl+C");
  EXPECT_EQ(menu.items[2].Caption, "") << "a separator";
  EXPECT_EQ(menu.x, 30);
  EXPECT_EQ(menu.y, 40);
  ListView1.Clear();
  EXPECT_EQ(Offered(), std::vector<bool>(6, false));
  Choose(CopyAll);
  EXPECT_TRUE(System.clipboard.empty()) << "a disabled item does nothing";
}

TEST_F(ProcessMenuTest, LookUpOpensTheSelectedProcessesPage) {
  ListView1.selected = 1;
  Choose(LookUp);
  ASSERT_EQ(System.shellCalls.size(), 1u);
  EXPECT_NE(System.shellCalls[0].file.find("q=p1.exe+site"), std::string::npos) << System.shellCalls[0].file;
}

TEST_F(ProcessMenuTest, CopyAndCtrlCGiveTheSelectedRowsTenTexts) {
  ListView1.selected = 1;
  Application.menuChoice = Copy;
  form1->ListView1ContextPopup(&ListView1, 30, 40);
  EXPECT_TRUE(System.clipboard.empty()) << "not while the list still handles its right-click";
  Application.RunPosted();
  EXPECT_EQ(LastClip(), p1Row);
  EXPECT_EQ(System.clipboard.back().owner, Form.Handle());
  struct Case { TShiftState shift; bool copies; };
  const auto ctrl = static_cast<TShiftState>(TShiftFlag::Ctrl), alt = static_cast<TShiftState>(TShiftFlag::Alt);
  for (const Case c : {Case{ctrl, true}, Case{static_cast<TShiftState>(ctrl | alt), false}, Case{0, false}}) {
    System.clipboard.clear();
    std::uint16_t key = 'C';
    ListView1.OnKeyDown(&ListView1, key, c.shift);
    EXPECT_EQ(System.clipboard.size(), c.copies ? 1u : 0u) << int{c.shift};
  }
  EXPECT_EQ(RowClipText({"a\tb", {"c\r\nd"}}, 4), "a b\tc  d\t\t\r\n") << "one cell per text, every column";
}

TEST_F(ProcessMenuTest, CopyAllGivesTheCaptionsOfTheLanguageAndTheRowsAsShown) {
  System.langId = 0x0407;  // German
  Create();
  Rescan();
  form1->ListView1ColumnClick(&ListView1, 0);  // Process, descending
  Choose(CopyAll);
  const std::string header = "Prozess\tOrdner\tProzess ID\tParent PID\tRAM\tCPU Zeit\tHandles\tSession\tThreads\tPriorit\u00E4t\r\n";
  ASSERT_EQ(LastClip().substr(0, header.size()), header);
  const std::string rows = LastClip().substr(header.size());
  EXPECT_LT(rows.find("p2.exe"), rows.find("p1.exe"));
  EXPECT_LT(rows.find("p1.exe"), rows.find("p0.exe"));
  EXPECT_NE(rows.find(p1Row), std::string::npos);
}

class EndProcessTest : public ProcessMenuTest {
 protected:
  // "End process..." on the row of p1.exe (process ID 101), the question answered so.
  void End(int answer = kIdYes) {
    ListView1.selected = 1;
    Application.boxAnswer = answer;
    Application.boxes.clear();
    Choose(EndProcess);
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& call : fakeWmi->calls) n += call.rfind(prefix, 0) == 0;
    return n;
  }
  std::string LastBox() const { return Application.boxes.empty() ? "(none)" : Application.boxes.back().text; }
};

TEST_F(EndProcessTest, AskedFirstAndNoEndsNothing) {
  End(kIdNo);
  ASSERT_EQ(Application.boxes.size(), 1u);
  EXPECT_EQ(Application.boxes[0].text, "End p1.exe (process ID 101) on WORKSTATION7? Unsaved data in it will be lost.");
  EXPECT_EQ(Application.boxes[0].flags, 0x134u) << "warning, Yes and No, No the default";
  EXPECT_TRUE(fakeWmi->calls.empty());
}

TEST_F(EndProcessTest, YesEndsItWithTheFieldsPasswordAndScansAgain) {
  PcComboBox.SetText("workstation7");  // letter case aside, the computer scanned
  PasswordEdit.SetText("typed later");
  End();
  EXPECT_EQ(std::vector(fakeWmi->calls.begin() + 1, fakeWmi->calls.begin() + 5),
            (std::vector<std::string>{"ConnectServer(WORKSTATION7, root\\CIMV2, , <set>, , , 128)",
                                      "SetImpersonationLevel(3)", "AddPrivilege(19, true)",
                                      "Get(Win32_Process.Handle=\"101\", 0)"}));
  EXPECT_EQ(Count("ExecMethod(1, Terminate)"), 1);
  EXPECT_EQ(Count("ConnectServer("), 2) << "the end, then the scan that shows it gone";
  ASSERT_EQ(ListView1.RowCount(), 2);
  EXPECT_EQ(ListView1.Row(1).Caption, "p2.exe");
  EXPECT_EQ(Application.boxes.size(), 1u) << "only the question";
  EXPECT_EQ(fakeWmi->live, 0);
}

TEST_F(EndProcessTest, RefusedWhenTheFieldsNoLongerNameTheScannedComputerAndUser) {
  for (const auto& [field, text] : {std::pair{&PcComboBox, "OTHERPC"}, std::pair{&UserComboBox, "admin"}}) {
    const std::string before = field->Text();
    field->SetText(text);
    End();
    EXPECT_EQ(LastBox(), "The list shows the processes of WORKSTATION7. Please scan again before ending a process.");
    EXPECT_EQ(Application.boxes.size(), 1u) << "refused without asking first";
    EXPECT_TRUE(fakeWmi->calls.empty());
    field->SetText(before);
  }
}

// The scan of an empty computer field connected to the local computer: the texts name it.
TEST_F(EndProcessTest, AnEmptyComputerFieldIsNamedAsTheLocalComputer) {
  PcComboBox.SetText("");
  Rescan();
  End(kIdNo);
  EXPECT_EQ(LastBox(), "End p1.exe (process ID 101) on WORKSTATION7? Unsaved data in it will be lost.");
  PcComboBox.SetText("OTHERPC");
  End();
  EXPECT_EQ(LastBox(), "The list shows the processes of WORKSTATION7. Please scan again before ending a process.");
}

TEST_F(EndProcessTest, NothingEndedWhenTheProcessIdNoLongerNamesTheListedProcess) {
  for (const auto& [property, value] : {std::pair{"Name", Txt("other.exe")}, std::pair{"ProcessID", Int(999)}}) {
    const WmiValue listed = fakeWmi->processes[1][property];
    fakeWmi->processes[1][property] = value;
    End();
    EXPECT_EQ(LastBox(), "Process ID 101 on WORKSTATION7 no longer belongs to p1.exe. Nothing was ended; scan again to "
                         "see what is running now.") << property;
    EXPECT_EQ(Count("ExecMethod"), 0) << property;
    EXPECT_EQ(ListView1.RowCount(), 3) << "no scan";
    EXPECT_EQ(fakeWmi->live, 0);
    fakeWmi->processes[1][property] = listed;
    fakeWmi->calls.clear();
  }
}

TEST_F(EndProcessTest, EachFailureNamesItsCauseAndKeepsTheList) {
  struct Case { std::int64_t returnValue; const char* failingStep; const char* reason; };
  const Case cases[] = {{2, nullptr, "access denied."},         {3, nullptr, "insufficient privilege."},
                        {8, nullptr, "unknown failure."},       {9, nullptr, "path not found."},
                        {21, nullptr, "invalid parameter."},    {4711, nullptr, "return value 4711."},
                        {0, "ConnectServer", "RPC server unavailable."}, {0, "Get", "Access denied."},
                        {0, "ExecMethod 1", "Timed out."}};
  for (const Case& c : cases) {
    fakeWmi->terminateResults[1] = c.returnValue;
    fakeWmi->failures.clear();
    if (c.failingStep) fakeWmi->failures[c.failingStep] = std::string(c.reason).substr(0, std::string(c.reason).size() - 1);
    End();
    EXPECT_EQ(LastBox(), std::string("p1.exe (process ID 101) could not be ended: ") + c.reason);
    EXPECT_EQ(Application.boxes.back().flags, 0x10u) << "an error box";
    EXPECT_EQ(Count("ConnectServer("), 1) << "no scan after a failure";
    EXPECT_EQ(ListView1.RowCount(), 3);
    EXPECT_EQ(fakeWmi->live, 0) << c.reason;
    fakeWmi->calls.clear();
  }
}

TEST_F(EndProcessTest, TheQuestionInTheUsersLanguage) {
  System.langId = 0x0C0A;  // Spanish
  Create();
  Rescan();
  End(kIdNo);
  EXPECT_EQ(LastBox(), "\u00BFTerminar p1.exe (ID de proceso 101) en WORKSTATION7? Se perder\u00E1n los datos no guardados.");
}

}  // namespace
}  // namespace orvel::fakes
