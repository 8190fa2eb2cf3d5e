// Hostile input end to end: entry-field texts, process texts and property values that a user or a
// remote computer may send. No crash, the documented message, and nothing lost or mangled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"
#include "scan_driver.h"

namespace e2e {
namespace {

const std::vector<Process> kPlain = {
    {"System", "", 4, 0, 0, 120, 8, 1048576, 2500, 10, 20},
    {"services.exe", "C:\\Windows\\System32\\services.exe", 600, 4, 0, 8, 9, 4096000, 400, 3, 2},
    {"notepad.exe", "C:\\Windows\\notepad.exe", 2200, 600, 1, 3, 8, 8192000, 90, 1, 1},
};

std::string Repeated(const std::string& piece, std::size_t length) {
  std::string text;
  while (text.size() < length) text += piece;
  text.resize(length);
  return text;
}

std::string Printable(const std::string& text) {
  std::string shown;
  for (unsigned char c : text.substr(0, 60)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    shown += c >= 32 && c < 127 ? std::string(1, static_cast<char>(c)) : std::string(hex);
  }
  return text.size() > 60 ? shown + "... (" + std::to_string(text.size()) + ")" : shown;
}

struct FieldTexts {
  const char* what;
  std::string computer, user, password;
};

TEST(Sweep, EntryFieldTextsReachTheScanUnchanged) {
  const std::vector<FieldTexts> cases = {
      {"empty", "", "", ""},
      {"300 characters", Repeated("host-name.", 300), Repeated("DOMAIN\\user", 300), Repeated("pass word ", 300)},
      {"control characters", "pc\x01\x02\x1B[2J\x7F", "us\ter\x1B", "p\x01w\x1F\x7F"},
      {"format specifiers", "%s%n%x%p%d", "%n%n%s%08X", "%s%s%s%n"},
      {"letters above 0x7F in any script", "R\u00E9seau-\u00C6\u00F8-\u0141\u00F3d\u017A", "J\u00FCrgen \u20AC \u7530\u4E2D",
       "pa\u00DFwort\u00A7\u03A9"},
  };
  StandIn standIn;
  standIn.Write(ScenarioOf(kPlain));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  ASSERT_TRUE(StartupScan(window).finished);

  for (const FieldTexts& c : cases) {
    SCOPED_TRACE(c.what);
    SetText(window.computerEdit, c.computer);
    SetText(window.userEdit, c.user);
    SetText(window.password, c.password);
    ASSERT_EQ(Text(window.computerEdit), c.computer) << "the field took the text as given";
    ASSERT_EQ(Text(window.userEdit), c.user);

    const ScanOutcome outcome = PressScan(window);
    ASSERT_TRUE(outcome.finished);
    EXPECT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;
    EXPECT_EQ(ListRowCount(window.list), static_cast<int>(kPlain.size()));
    EXPECT_EQ(StatusText(window.status), ProcessCountText(kPlain.size()));
    EXPECT_TRUE(window.Idle());

    const auto connections = standIn.Connections();
    const std::string connection = connections.empty() ? "" : connections.back();
    EXPECT_EQ(connection.rfind("ConnectServer server=\"" + c.computer + "\" namespace=\"root\\CIMV2\" user=\"" +
                                   c.user + "\" password=" + (c.password.empty() ? "<empty>" : "<set>") + " ",
                               0),
              0u)
        << Printable(connection);
    const auto computers = ComboItems(window.computer);
    EXPECT_NE(std::find(computers.begin(), computers.end(), c.computer), computers.end()) << Printable(c.computer);
    const auto users = ComboItems(window.user);
    EXPECT_NE(std::find(users.begin(), users.end(), c.user), users.end()) << Printable(c.user);
  }
  EXPECT_TRUE(program.Running());
  const int kinds = static_cast<int>(cases.size());
  std::printf("[ sweep    ] %d entry-field texts: %d kinds, each as computer, user and password\n", 3 * kinds, kinds);
}

TEST(Sweep, HostileProcessTextsAreShownUnchanged) {
  // UTF-8 in the scenario, as WMI's UTF-16 would carry it; the rows show every character of it.
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"100% %s%n%d %x.exe", "C:\\%TEMP%\\%s%n\\run.exe"},
      {"R&D && Co &amp; &#x41;.exe", "C:\\R&D\\tool.exe"},
      {"#1 #include <x>.exe", "C:\\#build#\\#1.exe"},
      {Repeated("a-very-long-process-name-", 32000), "C:\\" + Repeated("deep\\", 1000) + "x.exe"},
      {"Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x93 \xC3\xBC.exe", "C:\\Programme\\\xC3\x9C" "bersicht\\na\xC3\xAF" "ve.exe"},
      // Letters no single code page holds together.
      {"\xC5\x81\xC3\xB3" "d\xC5\xBA \xE2\x9C\x93 \xE2\x84\xA2 \xCE\xA9.exe", "C:\\\xC5\x82\xC3\xB3" "d\xC5\xBA\\\xE2\x88\x9A.exe"},
  };
  std::vector<Process> processes;
  unsigned id = 100;
  for (const auto& [name, path] : texts) processes.push_back({name, path, id++, 4, 1, 2, 8, 409600, 10, 1, 0});
  StandIn standIn;
  standIn.Write(ScenarioOf(processes));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  const ScanOutcome outcome = StartupScan(window);
  ASSERT_TRUE(outcome.finished) << StatusText(window.status);
  EXPECT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;
  EXPECT_EQ(StatusText(window.status), ProcessCountText(processes.size()));

  const auto rows = ListRows(window.list);
  ASSERT_EQ(rows.size(), processes.size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(rows[i], RowAfter(processes[i])) << "row " << i << ": " << Printable(rows[i][0]);
  EXPECT_TRUE(program.Running());
  const int names = static_cast<int>(texts.size());
  std::printf("[ sweep    ] %d process texts: %d names and their paths\n", 2 * names, names);
}

TEST(Sweep, PropertyTextsThatDoNotConvert) {
  // As written in the scenario: texts that are no whole number, and reals that are no number at all.
  const std::vector<std::string> bad = {"\"abc\"", "\"18446744073709551616\"", "\"1e9\"", "\" 12\"",
                                        "\"%s%n\"",  "\"\"",                     "r8:nan",  "r8:inf"};
  // Each ends the scan with a box, two seconds each under Wine: a text, and the reals that are no
  // number or lie beyond 64 bits (a time of that size is still a number of seconds), in each build's
  // own floating point, stand for the rest (host: WmiConversionTest.ValuesThatAreNoWholeNumberFail).
  const std::vector<std::string> badForRequired = {"\"abc\"", "r8:nan", "r8:1e300"};
  StandIn standIn;
  standIn.Write(ScenarioOf(kPlain));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  ASSERT_TRUE(StartupScan(window).finished);
  int tried = 0;

  // In a property that ends the scan: one box for process 1, which keeps what it read before.
  constexpr int kParent = 3;
  for (const std::string& value : badForRequired) {
    SCOPED_TRACE(value);
    ++tried;
    standIn.Write(ScenarioLine(kPlain[0]) + ScenarioLine(kPlain[1], kParent, value) +
                  ScenarioLine(kPlain[2]));
    const ScanOutcome outcome = PressScan(window);
    ASSERT_TRUE(outcome.finished);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    const std::string& box = outcome.boxes[0].text;
    const auto end = box.find("\rCode: 8 1\r\r");
    ASSERT_NE(end, std::string::npos) << Printable(box);
    const std::string message = box.substr(10, end - 10);
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(box, WmiErrorText(message, "8 1")) << "the message shown literally in both places";
    EXPECT_EQ(ListRows(window.list), (std::vector<std::vector<std::string>>{RowAfter(kPlain[0]),
                                                                            RowAfter(kPlain[1], kParent)}));
    EXPECT_EQ(StatusText(window.status), ProcessCountText(2));
    EXPECT_TRUE(window.Idle());
  }

  // In one of the last four: silently skipped for that process; the others are read in full.
  std::string scenario;
  std::vector<std::vector<std::string>> expected;
  for (int position = kRequiredProperties; position < kAllProperties; ++position) {
    for (const std::string& value : bad) {
      ++tried;
      scenario += ScenarioLine(kPlain[1], position, value) + ScenarioLine(kPlain[2]);
      expected.push_back(RowAfter(kPlain[1], position));
      expected.push_back(RowAfter(kPlain[2]));
    }
  }
  // A negative count is kept as its 32-bit pattern.
  ++tried;
  scenario += ScenarioLine(kPlain[2], kParent, "\"-1\"") + ScenarioLine(kPlain[2], 8, "\"-1\"");
  Process negative = kPlain[2];
  negative.parent = 4294967295u;
  expected.push_back(RowAfter(negative));
  negative = kPlain[2];
  negative.handles = 4294967295u;
  expected.push_back(RowAfter(negative));
  standIn.Write(scenario);
  const ScanOutcome outcome = PressScan(window);
  ASSERT_TRUE(outcome.finished);
  EXPECT_TRUE(outcome.boxes.empty()) << outcome.boxes.front().text;
  EXPECT_EQ(ListRows(window.list), expected);
  EXPECT_EQ(StatusText(window.status), ProcessCountText(expected.size()));
  EXPECT_TRUE(NothingLeftReferenced(standIn.LogLines()));
  std::printf("[ sweep    ] %d property values that do not convert or are negative\n", tried);
}

TEST(Sweep, HostileErrorDescriptionsAreShownLiterally) {
  const std::string descriptions[] = {
      "%s%n%x%p %d%% %1!s!",
      "tab\tbell\x07escape\x1B[0m end",
      // Long enough to fill the box, short enough for the harness to read the box back whole.
      Repeated("A remote computer said this. ", 1800),
  };
  StandIn standIn;
  standIn.Write(ScenarioOf(kPlain));
  Program program("", standIn.Environment());
  ScanWindow window(program.MainWindow());
  ASSERT_TRUE(StartupScan(window).finished);
  for (const std::string& description : descriptions) {
    SCOPED_TRACE(Printable(description));
    standIn.Write(ScenarioOf(kPlain) + "fail connect 0x80041001 \"" + description + "\"\n");
    const ScanOutcome outcome = PressScan(window);
    ASSERT_TRUE(outcome.finished);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    std::string message = description;
    while (!message.empty() && (static_cast<unsigned char>(message.back()) <= 32 || message.back() == '.'))
      message.pop_back();
    EXPECT_EQ(outcome.boxes[0].text, WmiErrorText(message, "2")) << Printable(outcome.boxes[0].text);
    EXPECT_EQ(StatusText(window.status), ProcessCountText(0));
    EXPECT_TRUE(window.Idle());
  }
  std::printf("[ sweep    ] %d error descriptions\n", static_cast<int>(std::size(descriptions)));
}

}  // namespace
}  // namespace e2e
