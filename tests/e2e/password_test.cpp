// A password typed into the running program never shows up outside the password field: not in a
// message box, a window text, the stand-in's call log, or the debugger output (Wine's channel).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "debug_channel.h"
#include "harness.h"
#include "scan_driver.h"

namespace e2e {
namespace {

const std::vector<Process> kPlain = {
    {"System", "", 4, 0, 0, 120, 8, 1048576, 2500, 10, 20},
    {"lsass.exe", "C:\\Windows\\System32\\lsass.exe", 640, 4, 0, 9, 9, 9830400, 1300, 4, 7},
    {"notepad.exe", "C:\\Windows\\notepad.exe", 2200, 640, 1, 3, 8, 8192000, 90, 1, 1},
};

// Keys typed into the field, Shift held for some; the text they give.
const std::vector<std::pair<WORD, bool>> kKeys = {{'Q', true},  {'Z', false}, {'X', false}, {'7', false},
                                                  {'W', true},  {'J', false}, {'9', false}, {'3', false},
                                                  {'K', false}, {'1', true}};
const std::string kTyped = "Qzx7Wj93k!";

// The environment of this test process, which the traced program inherits through Wine's shell.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const std::vector<std::pair<std::string, std::string>>& variables) {
    for (const auto& [name, value] : variables) {
      char old[4096];
      const DWORD length = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
      saved_.emplace_back(name, length ? std::optional<std::string>(old) : std::nullopt);
      SetEnvironmentVariableA(name.c_str(), value.c_str());
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Presses Enter in the focused password field; answers boxes until that scan has ended.
ScanOutcome EnterScan(const ScanWindow& window, const StandIn& standIn) {
  const std::size_t before = standIn.Connections().size();
  KeyPress(VK_RETURN);
  return AnswerBoxesUntil(window, [&] {
    return standIn.Connections().size() > before && window.Idle() && Dialogs(window.processId).empty();
  });
}

struct TextQuery {
  HWND skipped;
  std::vector<std::string> texts;
};

BOOL CALLBACK CollectText(HWND window, LPARAM data) {
  auto* query = reinterpret_cast<TextQuery*>(data);
  if (window != query->skipped) query->texts.push_back(Text(window));
  return TRUE;
}

// The texts of every window of the program but the password field, the list rows and combo items.
std::vector<std::string> ShownTexts(const ScanWindow& window) {
  TextQuery query{window.password, {Text(window.main), StatusText(window.status)}};
  EnumChildWindows(window.main, CollectText, reinterpret_cast<LPARAM>(&query));
  for (const auto& row : ListRows(window.list)) query.texts.insert(query.texts.end(), row.begin(), row.end());
  for (HWND combo : {window.computer, window.user})
    for (const std::string& item : ComboItems(combo)) query.texts.push_back(item);
  return query.texts;
}

TEST(Password, NeverInAMessageAWindowTheCallLogOrATrace) {
  StandIn standIn;
  standIn.Write(ScenarioOf(kPlain) + "fail connect 0x80070005 \"Access is denied. \"\n");
  const ScopedEnvironment environment(standIn.Environment());
  TracedProgram program;
  const ScanWindow window(program.MainWindow());
  std::vector<Box> boxes = AnswerBoxesUntil(window, [&] {
                             return window.Idle() && StatusText(window.status) == ProcessCountText(0);
                           }).boxes;
  ASSERT_EQ(boxes.size(), 1u) << "the first scan's refused connection; the scenario reached the program";
  EXPECT_EQ(SendMessageA(window.password, EM_GETPASSWORDCHAR, 0, 0), '*');

  RECT field;
  GetClientRect(window.password, &field);
  Click(window.password, field.right / 2, field.bottom / 2);
  ASSERT_TRUE(WaitFor([&] { return FocusedWindow(window.main) == window.password; }, 30s));
  for (const auto& [key, shift] : kKeys) KeyPress(key, shift);
  // The length only: another process may not read a password field's text on Windows.
  ASSERT_TRUE(WaitFor([&] {
    return SendMessageA(window.password, EM_LINELENGTH, 0, 0) == static_cast<LRESULT>(kTyped.size());
  }, 30s));

  // Refused with the password, then accepted, then a failure in the middle of the enumeration.
  for (const std::string& failure : {std::string("fail connect 0x80070005 \"Access is denied. \""), std::string(),
                                     std::string("fail value 1 Name 0x80041001 \"Name withheld\"")}) {
    standIn.Write(ScenarioOf(kPlain) + failure + "\n");
    const ScanOutcome outcome = EnterScan(window, standIn);
    ASSERT_TRUE(outcome.finished) << failure;
    EXPECT_EQ(outcome.boxes.size(), failure.empty() ? 0u : 1u) << failure;
    boxes.insert(boxes.end(), outcome.boxes.begin(), outcome.boxes.end());
  }
  EXPECT_EQ(ListRowCount(window.list), 2) << "the last scan's rows";

  for (const Box& box : boxes) {
    EXPECT_EQ((box.caption + box.text).find(kTyped), std::string::npos) << box.text;
  }
  for (const std::string& text : ShownTexts(window)) EXPECT_EQ(text.find(kTyped), std::string::npos) << text;

  const std::string log = ReadFile(standIn.log);
  EXPECT_EQ(log.find(kTyped), std::string::npos);
  EXPECT_NE(log.find("password=<set>"), std::string::npos) << "the typed password was passed on";
  const std::string channel = ReadFile(program.LogPath());
  EXPECT_EQ(channel.find(kTyped), std::string::npos);
  for (const std::string& trace : program.Traces()) EXPECT_EQ(trace.find(kTyped), std::string::npos) << trace;
}

}  // namespace
}  // namespace e2e
