#include <algorithm>
#include <functional>

#include "scan/row_texts.h"
#include "scan_fixture.h"

namespace orvel::fakes {
namespace {

using ScanCommandTest = ScanFixture;

const std::vector<std::string> kBusy{"StartButton.disable", "StartButton.hide", "Animate1.show", "Animate1.play"};
const std::vector<std::string> kIdle{"Animate1.hide", "Animate1.stop", "StartButton.show", "StartButton.enable"};

bool EndsWith(const std::vector<std::string>& entries, const std::vector<std::string>& tail) {
  return entries.size() >= tail.size() && std::equal(tail.begin(), tail.end(), entries.end() - static_cast<std::ptrdiff_t>(tail.size()));
}

TEST_F(ScanCommandTest, ShowsOneRowPerRecordWithItsTexts) {
  fakeWmi->processes[1]["ProcessID"] = Int(-2);
  fakeWmi->processes[1]["WorkingSetSize"] = Null();
  fakeWmi->processes[1]["UserModeTime"] = Txt("600000000000");
  StartButton.OnClick(&StartButton);

  ASSERT_EQ(ListView1.RowCount(), 3);
  EXPECT_EQ(ListView1.Row(0).Caption, "p0.exe");
  EXPECT_EQ(ListView1.Row(0).SubItems,
            (std::vector<std::string>{"C:\\Windows\\p0.exe", "100", "4", "4000 K", "4 s", "230", "1", "12", "8"}));
  EXPECT_EQ(ListView1.Row(1).SubItems,
            (std::vector<std::string>{"C:\\Windows\\p1.exe", "4294967294", "4", "0 K", "16:40:02", "230", "1", "12", "8"}));
  EXPECT_EQ(ListView1.Row(2).Caption, "p2.exe");
  EXPECT_EQ(StatusBar.SimpleText(), "3 processes");
  EXPECT_EQ(ListView1.updateDepth, 0);
  EXPECT_LT(Position("ListView1.begin-update"), Position("ListView1.end-update"));
  EXPECT_EQ(fakeWmi->calls.at(1), "ConnectServer(WORKSTATION7, root\\CIMV2, , <empty>, , , 128)");
}

TEST_F(ScanCommandTest, PassesTheThreeFieldsToTheScan) {
  PcComboBox.SetText("far-host");
  UserComboBox.SetText("ops");
  PasswordEdit.SetText("pa%ss");
  StartButton.OnClick(&StartButton);
  EXPECT_EQ(fakeWmi->calls.at(1), "ConnectServer(far-host, root\\CIMV2, ops, <set>, , , 128)");
  EXPECT_EQ(fakeWmi->lastPassword, "pa%ss");
  for (const std::string& entry : journal.entries) EXPECT_EQ(entry.find("pa%ss"), std::string::npos) << entry;
}

TEST_F(ScanCommandTest, EveryScanStartsFromAnEmptyList) {
  StartButton.OnClick(&StartButton);
  fakeWmi->processes.resize(1);
  StartButton.OnClick(&StartButton);
  EXPECT_EQ(ListView1.RowCount(), 1);
  EXPECT_EQ(StatusBar.SimpleText(), "1 processes");
}

struct PathCase {
  const char* name;
  std::function<void()> script;
  int rows;
  std::vector<std::string> messages;
  std::string status;
  bool historyUpdated;
};

TEST_F(ScanCommandTest, BusyWhileScanningAndIdleAfterwardsOnEveryPath) {
  const PathCase cases[] = {
      {"success", [] {}, 3, {}, "3 processes", true},
      {"failure shown by the scan", [this] { fakeWmi->failures["ConnectServer"] = "Denied"; }, 0, {},
       "0 processes", true},
      {"failure after two processes", [this] { fakeWmi->failures["AsObject 2"] = "Gone"; }, 2, {},
       "2 processes", true},
      {"no locator", [this] { fakeWmi->failures["CreateLocator"] = "Class not registered"; }, 0,
       {"ListView Class not registered"}, "Start...", false},
      {"list refuses a row", [this] { ListView1.failAddAt = 1; }, 1, {"ListView fake list is full"},
       "Connecting to WORKSTATION7 ...", false},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    fakeWmi->failures.clear();
    ListView1.failAddAt = -1;
    Application.messages.clear();
    PcComboBox.items.clear();
    journal.entries.clear();
    c.script();

    StartButton.OnClick(&StartButton);

    const int busy = Position(kBusy[0]);
    ASSERT_GE(busy, 0);
    EXPECT_TRUE(std::equal(kBusy.begin(), kBusy.end(), journal.entries.begin() + busy));
    EXPECT_LT(busy, Position("wmi.call CreateLocator()"));
    EXPECT_TRUE(EndsWith(journal.entries, kIdle));
    EXPECT_TRUE(StartButton.Visible() && StartButton.Enabled());
    EXPECT_FALSE(Animate1.Visible() || Animate1.Playing());
    EXPECT_EQ(ListView1.RowCount(), c.rows);
    EXPECT_EQ(ListView1.updateDepth, 0);
    EXPECT_EQ(Application.messages, c.messages);
    EXPECT_EQ(StatusBar.SimpleText(), c.status);
    EXPECT_EQ(PcComboBox.items, c.historyUpdated ? std::vector<std::string>{"WORKSTATION7"} : std::vector<std::string>{});
    EXPECT_EQ(fakeWmi->live, 0);
  }
}

class ThrowingApplication : public FakeApplication {
 public:
  using FakeApplication::FakeApplication;
  void ShowMessage(const std::string& text) override {
    FakeApplication::ShowMessage(text);
    throw EOleError("no message box", 0);
  }
};

TEST_F(ScanCommandTest, IdleAgainWhenTheFailureMessageFailsOrAnUnknownFailureEscapes) {
  ThrowingApplication application(journal);
  TForm1 form(Form, {application, System, *wmi, *shell, *windows, scans});
  const struct { const char* name; std::function<void()> script; std::size_t messages; } cases[] = {
      {"the message box fails", [this] { fakeWmi->failures["CreateLocator"] = "Class not registered"; }, 1},
      {"a failure of no standard kind", [this] { fakeWmi->whileCreatingLocator = [] { throw 42; }; }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fakeWmi->failures.clear();
    fakeWmi->whileCreatingLocator = nullptr;
    application.messages.clear();
    journal.entries.clear();
    c.script();

    EXPECT_ANY_THROW(form.StartButtonClick(&StartButton));

    EXPECT_GE(Position(kBusy[0]), 0);
    EXPECT_TRUE(EndsWith(journal.entries, kIdle));
    EXPECT_TRUE(StartButton.Visible() && StartButton.Enabled());
    EXPECT_FALSE(Animate1.Visible() || Animate1.Playing());
    EXPECT_EQ(application.messages.size(), c.messages);
    EXPECT_EQ(fakeWmi->live, 0);
  }
}

TEST_F(ScanCommandTest, ComputerHistoryMovesAKnownNameToTheTop) {
  const struct { const char* typed; std::vector<std::string> items; const char* field; int selected; } cases[] = {
      {"beta", {"BETA", "ALPHA"}, "BETA", 0},
      {"ALPHA", {"ALPHA", "BETA"}, "ALPHA", 0},
      {"GAMMA", {"ALPHA", "BETA", "GAMMA"}, "GAMMA", -1},
  };
  for (const auto& c : cases) {
    PcComboBox.items = {"ALPHA", "BETA"};
    PcComboBox.itemIndex = -1;
    PcComboBox.SetText(c.typed);
    StartButton.OnClick(&StartButton);
    EXPECT_EQ(PcComboBox.items, c.items) << c.typed;
    EXPECT_EQ(PcComboBox.Text(), c.field) << c.typed;
    EXPECT_EQ(PcComboBox.itemIndex, c.selected) << c.typed;
  }
}

TEST_F(ScanCommandTest, RepeatedScansNeverDuplicateAName) {
  PcComboBox.SetText("host1");
  StartButton.OnClick(&StartButton);
  PcComboBox.SetText("host2");
  StartButton.OnClick(&StartButton);
  PcComboBox.SetText("HOST1");
  StartButton.OnClick(&StartButton);
  EXPECT_EQ(PcComboBox.items, (std::vector<std::string>{"host1", "host2"}));
  EXPECT_EQ(PcComboBox.Text(), "host1");
}

TEST_F(ScanCommandTest, EnterInAnyEntryFieldScansWhateverModifiersAreHeld) {
  struct Field { const char* name; TKeyEvent& event; TObject* sender; };
  const Field fields[] = {{"computer", PcComboBox.OnKeyDown, &PcComboBox},
                          {"user", UserComboBox.OnKeyDown, &UserComboBox},
                          {"password", PasswordEdit.OnKeyDown, &PasswordEdit}};
  const struct { std::uint16_t key; TShiftState shift; bool scans; } keys[] = {
      {13, 0, true}, {13, static_cast<TShiftState>(TShiftFlag::Shift), true},
      {13, static_cast<TShiftState>(TShiftFlag::Ctrl), true}, {13, 7, true},
      {10, 0, false}, {27, 0, false}, {'A', 0, false}, {9, 0, false},
  };
  for (const Field& field : fields) {
    for (const auto& k : keys) {
      fakeWmi->calls.clear();
      std::uint16_t key = k.key;
      field.event(field.sender, key, k.shift);
      EXPECT_EQ(!fakeWmi->calls.empty(), k.scans) << field.name << " key " << k.key << " shift " << int(k.shift);
      EXPECT_EQ(key, k.key) << field.name;
    }
  }
}

TEST_F(ScanCommandTest, FirstPaintScansOnceAndLaterPaintsOnlyRepaint) {
  // A paint dispatched while the first scan runs, as the window gets one while it waits.
  int paintsDuringScan = 0;
  fakeWmi->whileCreatingLocator = [this, &paintsDuringScan] {
    // Only the first: a handler still bound would otherwise recurse without end.
    if (++paintsDuringScan == 1 && Form.OnPaint) Form.OnPaint(&Form);
  };
  ASSERT_TRUE(Form.OnPaint);
  Form.OnPaint(&Form);

  EXPECT_EQ(paintsDuringScan, 1);
  EXPECT_EQ(std::count(fakeWmi->calls.begin(), fakeWmi->calls.end(), "CreateLocator()"), 1);
  EXPECT_FALSE(Form.OnPaint);
  EXPECT_EQ(fakeWmi->calls.at(1), "ConnectServer(WORKSTATION7, root\\CIMV2, , <empty>, , , 128)");
  EXPECT_EQ(ListView1.RowCount(), 3);
  EXPECT_EQ(StatusBar.SimpleText(), "3 processes");
}

TEST(CpuTimeTextTest, SecondsTimeOfDayThenHoursThatNeverWrap) {
  Journal journal;
  FakeSystem system(journal);
  system.timeSeparator = ".";  // tells the locale's long time format (":" in the fake) from the duration
  const struct { std::uint32_t seconds; const char* text; } cases[] = {
      {0, ""},          {1, "1 s"},           {59, "59 s"},
      {60, "0:01:00"},  {3599, "0:59:59"},    {3600, "1.00.00"},
      {90061, "25.01.01"}, {4294967295u, "1193046.28.15"},
  };
  for (const auto& c : cases) EXPECT_EQ(CpuTimeText(c.seconds, system), c.text) << c.seconds;
}

}  // namespace
}  // namespace orvel::fakes
