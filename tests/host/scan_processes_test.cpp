#include <functional>
#include <optional>

#include "scan_fixture.h"

namespace orvel::fakes {
namespace {

using ScanProcessesTest = ScanFixture;

const std::vector<std::string> kUsers{"Administrator", "jdoe"};

TEST_F(ScanProcessesTest, CallsEveryStepInOrderWithItsArguments) {
  fakeWmi->processes.resize(1);
  Scan("PC1", "ops", "pw");
  const std::vector<std::string> expected{
      "CreateLocator()",
      "ConnectServer(PC1, root\\CIMV2, ops, <set>, , , 128)",
      "SetImpersonationLevel(3)",
      "AddPrivilege(19, true)",
      "Get(Win32_Process, 131072)",
      "Instances(0)",
      "NewEnum()",
      "Next()",
      "AsObject(0)",
      "Properties(0)",
      "Value(0, Name)",
      "Value(0, ExecutablePath)",
      "Value(0, ProcessID)",
      "Value(0, ParentProcessId)",
      "Value(0, SessionID)",
      "Value(0, ThreadCount)",
      "Value(0, Priority)",
      "Value(0, WorkingSetSize)",
      "Value(0, HandleCount)",
      "Value(0, UserModeTime)",
      "Value(0, KernelModeTime)",
      "Next()",
  };
  EXPECT_EQ(fakeWmi->calls, expected);
  EXPECT_EQ(fakeWmi->lastPassword, "pw");
  EXPECT_EQ(StatusBar.texts, (std::vector<std::string>{"Start...", "Connecting to PC1 ..."}));
  EXPECT_TRUE(Application.boxes.empty());
}

// An unanswering host must not block the only thread for good: the connection waits at most two minutes.
TEST_F(ScanProcessesTest, ConnectsWithTheMaximumWaitFlag) {
  Scan("", "", "");
  ASSERT_GE(fakeWmi->calls.size(), 2u);
  EXPECT_EQ(fakeWmi->calls[1], "ConnectServer(, root\\CIMV2, , <empty>, , , 128)");
}

TEST_F(ScanProcessesTest, FillsOneRecordPerProcessInEnumerationOrder) {
  const TPIArray records = Scan();
  ASSERT_EQ(records.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    const TProcesInformation& r = records[k];
    EXPECT_EQ(r.Name, "p" + std::to_string(k) + ".exe");
    EXPECT_EQ(r.ExecutablePath, "C:\\Windows\\" + r.Name);
    EXPECT_EQ(r.ProcessId, 100 + k);
    EXPECT_EQ(r.ParentProcessId, 4u);
    EXPECT_EQ(r.SessionId, 1u);
    EXPECT_EQ(r.ThreadCount, 12u);
    EXPECT_EQ(r.Priority, 8u);
    EXPECT_EQ(r.WorkingSetKB, 4000u);
    EXPECT_EQ(r.HandleCount, 230u);
    EXPECT_EQ(r.CpuSeconds, 4u);
  }
  EXPECT_EQ(fakeWmi->live, 0);
}

struct ConversionCase {
  const char* name;
  FakeProcess overrides;
  std::function<void(const TProcesInformation&)> check;
};

TEST_F(ScanProcessesTest, ConvertsEachPropertyByItsRule) {
  const ConversionCase cases[] = {
      {"1023 bytes", {{"WorkingSetSize", Txt("1023")}}, [](auto& r) { EXPECT_EQ(r.WorkingSetKB, 0u); }},
      {"1024 bytes", {{"WorkingSetSize", Txt("1024")}}, [](auto& r) { EXPECT_EQ(r.WorkingSetKB, 1u); }},
      {"3000000000 bytes", {{"WorkingSetSize", Txt("3000000000")}}, [](auto& r) { EXPECT_EQ(r.WorkingSetKB, 2929687u); }},
      {"1.5 s + 2.5 s", {{"UserModeTime", Txt("15000000")}, {"KernelModeTime", Txt("25000000")}},
       [](auto& r) { EXPECT_EQ(r.CpuSeconds, 4u); }},
      {"0.5 s + 0.5 s", {{"UserModeTime", Txt("5000000")}, {"KernelModeTime", Txt("5000000")}},
       [](auto& r) { EXPECT_EQ(r.CpuSeconds, 0u); }},
      {"null user time", {{"UserModeTime", Null()}, {"KernelModeTime", Txt("30000000")}},
       [](auto& r) { EXPECT_EQ(r.CpuSeconds, 3u); }},
      {"negative id", {{"ProcessID", Int(-2)}}, [](auto& r) { EXPECT_EQ(r.ProcessId, 4294967294u); }},
      {"id as text", {{"ParentProcessId", Txt("4294967297")}}, [](auto& r) { EXPECT_EQ(r.ParentProcessId, 1u); }},
      {"null path", {{"ExecutablePath", Null()}},
       [](auto& r) {
         EXPECT_EQ(r.ExecutablePath, "");
         EXPECT_EQ(r.Name, "p0.exe");
         EXPECT_EQ(r.Priority, 8u);
         EXPECT_EQ(r.CpuSeconds, 4u);
       }},
      {"non-numeric working set", {{"WorkingSetSize", Txt("lots")}},
       [](auto& r) {
         EXPECT_EQ(r.WorkingSetKB, 0u);
         EXPECT_EQ(r.HandleCount, 0u);
         EXPECT_EQ(r.CpuSeconds, 0u);
         EXPECT_EQ(r.Priority, 8u);
       }},
      {"non-numeric kernel time", {{"KernelModeTime", Txt("n/a")}},
       [](auto& r) { EXPECT_EQ(r.CpuSeconds, 2u); EXPECT_EQ(r.HandleCount, 230u); }},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcess process = SampleProcess("p0.exe", 100);
    for (const auto& [property, value] : c.overrides) process[property] = value;
    fakeWmi->processes = {process, SampleProcess("p1.exe", 101)};
    Application.boxes.clear();
    const TPIArray records = Scan();
    ASSERT_EQ(records.size(), 2u);
    c.check(records[0]);
    EXPECT_EQ(records[1].WorkingSetKB, 4000u);  // the next process is read normally
    EXPECT_EQ(records[1].CpuSeconds, 4u);
    EXPECT_TRUE(Application.boxes.empty());
  }
}

struct FailureCase {
  const char* name;
  std::function<void(FakeWmi&)> script;
  std::optional<std::string> stage;  // shown after "Code: "; none when nothing is reported
  std::size_t records;
  bool userAdded;
};

TEST_F(ScanProcessesTest, EachFailureReachesWhomItShould) {
  const auto fail = [](const char* step) { return [step](FakeWmi& w) { w.failures[step] = "Broken"; }; };
  const FailureCase cases[] = {
      {"connection", fail("ConnectServer"), "2", 0, false},
      {"impersonation", fail("SetImpersonationLevel"), "4", 0, false},
      {"privilege", fail("AddPrivilege"), "4", 0, false},
      {"class", fail("Get"), "5", 0, false},
      {"instance set", fail("Instances"), "6", 0, false},
      {"enumerator", fail("NewEnum"), "6", 0, false},
      {"first element", fail("AsObject 0"), "7", 0, false},
      {"first property set", fail("Properties 0"), "7", 0, false},
      {"later element", fail("AsObject 2"), "9", 2, false},
      {"later property set", fail("Properties 1"), "9", 1, false},
      {"name of process 1", fail("Value 1 Name"), "8 1", 2, false},
      {"priority of process 2", fail("Value 2 Priority"), "8 2", 3, false},
      {"first process id", [](FakeWmi& w) { w.processes[0]["ProcessID"] = Txt("none"); }, "8 0", 1, false},
      {"last four", fail("Value 0 HandleCount"), std::nullopt, 3, true},
      {"Next fails", [](FakeWmi& w) { w.nextFailsAt = 1; }, std::nullopt, 1, true},
      {"no services object", [](FakeWmi& w) { w.returnsServices = false; }, std::nullopt, 0, true},
  };
  const std::vector<FakeProcess> processes = fakeWmi->processes;
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    fakeWmi->processes = processes;
    fakeWmi->failures.clear();
    fakeWmi->nextFailsAt.reset();
    fakeWmi->returnsServices = true;
    c.script(*fakeWmi);
    Application.boxes.clear();
    UserComboBox.items = kUsers;

    const TPIArray records = Scan("PC1", "newuser", "");

    EXPECT_EQ(records.size(), c.records);
    EXPECT_EQ(UserComboBox.Count(), c.userAdded ? 3 : 2);
    EXPECT_EQ(fakeWmi->live, 0);
    EXPECT_EQ(StatusBar.SimpleText(), "Connecting to PC1 ...");
    if (c.stage) {
      ASSERT_EQ(Application.boxes.size(), 1u);
      EXPECT_NE(Application.boxes[0].text.find("\rCode: " + *c.stage + "\r\r"), std::string::npos)
          << Application.boxes[0].text;
    } else {
      EXPECT_TRUE(Application.boxes.empty());
    }
  }
}

TEST_F(ScanProcessesTest, AFailingPropertyLeavesItsRecordPartlyFilled) {
  fakeWmi->failures["Value 2 Priority"] = "Access denied. ";
  const TPIArray records = Scan();

  ASSERT_EQ(records.size(), 3u);
  const TProcesInformation& third = records[2];
  EXPECT_EQ(third.Name, "p2.exe");
  EXPECT_EQ(third.ThreadCount, 12u);
  EXPECT_EQ(third.Priority, 0u);
  EXPECT_EQ(third.WorkingSetKB, 0u);
  EXPECT_EQ(third.HandleCount, 0u);
  EXPECT_EQ(third.CpuSeconds, 0u);
  EXPECT_EQ(records[1].CpuSeconds, 4u);
  ASSERT_EQ(Application.boxes.size(), 1u);
  EXPECT_EQ(Application.boxes[0].text,
            "WMI error\rAccess denied. \rCode: 8 2\r\r"
            "Hint: Search online for \"WMI Access denied. \" or \"Kestrawatch\" to fix this error.");
  EXPECT_EQ(Application.boxes[0].caption, "WMI error");
  EXPECT_EQ(Application.boxes[0].flags, 0x10u);
}

TEST_F(ScanProcessesTest, APercentSignInTheMessageIsShownLiterally) {
  fakeWmi->failures["ConnectServer"] = "Quota 100%s %d reached";
  Scan();
  ASSERT_EQ(Application.boxes.size(), 1u);
  EXPECT_EQ(Application.boxes[0].text,
            "WMI error\rQuota 100%s %d reached\rCode: 2\r\r"
            "Hint: Search online for \"WMI Quota 100%s %d reached\" or \"Kestrawatch\" to fix this error.");
}

TEST_F(ScanProcessesTest, ReleasesEveryObjectBeforeTheMessageBox) {
  fakeWmi->failures["Value 1 ProcessID"] = "Broken";
  Scan();
  const int box = Position("Application.box");
  ASSERT_GE(box, 0);
  int created = 0;
  int released = 0;
  for (int i = 0; i < box; ++i) {
    created += journal.entries[static_cast<std::size_t>(i)].rfind("wmi.new ", 0) == 0;
    released += journal.entries[static_cast<std::size_t>(i)].rfind("wmi.release ", 0) == 0;
  }
  EXPECT_GT(created, 6);
  EXPECT_EQ(released, created);
  EXPECT_EQ(fakeWmi->live, 0);
}

TEST_F(ScanProcessesTest, AMissingLocatorLeavesTheCallWithStartShown) {
  fakeWmi->failures["CreateLocator"] = "Class not registered";
  TPIArray records;
  EXPECT_THROW(form1->ScanProcesses("PC1", "newuser", "", records), EOleError);
  EXPECT_TRUE(records.empty());
  EXPECT_EQ(StatusBar.texts, std::vector<std::string>{"Start..."});
  EXPECT_TRUE(Application.boxes.empty());
  EXPECT_EQ(UserComboBox.items, kUsers);
  EXPECT_EQ(fakeWmi->live, 0);
}

TEST_F(ScanProcessesTest, UserHistoryGainsANewNameAtTheEndOnly) {
  const struct { const char* user; std::vector<std::string> items; } cases[] = {
      {"JDOE", kUsers},
      {"administrator", kUsers},
      {"guest", {"Administrator", "jdoe", "guest"}},
      {"", {"Administrator", "jdoe", ""}},
  };
  for (const auto& c : cases) {
    UserComboBox.items = kUsers;
    Scan("PC1", c.user, "");
    EXPECT_EQ(UserComboBox.items, c.items) << c.user;
    EXPECT_EQ(UserComboBox.Text(), "") << c.user;
  }
}

}  // namespace
}  // namespace orvel::fakes
