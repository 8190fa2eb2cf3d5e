// The balloon in the running program: created at the first paint, popped up by a click on the
// list, with its trace on the debugger output (Wine's debug-string channel).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "debug_channel.h"
#include "harness.h"

namespace e2e {
namespace {

const std::string kClick = "               CLICK";

// The program's balloon tooltip, owned by its main window.
HWND BalloonOf(HWND main) {
  for (HWND window = ::FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr); window;
       window = ::FindWindowExA(nullptr, window, "tooltips_class32", nullptr))
    if (::GetWindow(window, GW_OWNER) == main && (::GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON)) return window;
  return nullptr;
}

TEST(DebugChannel, ReadsWinesOutputDebugStringLines) {
  struct Case { const char* line; bool parsed; const char* text; };
  const Case cases[] = {
      {"0124:warn:debugstr:OutputDebugStringA \"               CLICK\"", true, "               CLICK"},
      {"0124:warn:debugstr:OutputDebugStringA \"a \\\"b\\\" \\\\ \\n\\x41\"", true, "a \"b\" \\ \nA"},
      {"0124:warn:debugstr:OutputDebugStringA \"\"", true, ""},
      {"0124:warn:seh:OutputDebugStringA \"-- show\"", true, "-- show"},
      {"0124:err:module:import_dll Library x.dll not found", false, ""},
  };
  for (const Case& c : cases) {
    std::string text = "unchanged";
    EXPECT_EQ(ParseDebugString(c.line, text), c.parsed) << c.line;
    if (c.parsed) {
      EXPECT_EQ(text, c.text) << c.line;
    }
  }
}

// The list, once the start sequence has ended with the first scan; nullptr when it does not.
HWND StartedList(TracedProgram& program) {
  HWND main = program.MainWindow();
  HWND list = Child(main, "SysListView32");
  HWND status = Child(main, "msctls_statusbar32");
  if (!list || !status) return nullptr;
  const bool scanned = WaitFor([&] { return StatusText(status).find("processes") != std::string::npos; }, 120s);
  return scanned ? list : nullptr;
}

void ClickIntoList(HWND list) {
  RECT r;
  ::GetClientRect(list, &r);
  Click(list, r.right / 2, r.bottom * 2 / 3);
}

TEST(Balloon, AClickOnTheListPopsItUpWithItsTrace) {
  TracedProgram program;
  HWND list = StartedList(program);
  ASSERT_TRUE(list);
  EXPECT_EQ(program.Traces(), std::vector<std::string>{"--- created ---"}) << program.LogPath();
  ASSERT_TRUE(BalloonOf(program.MainWindow())) << "the tooltip of the first paint";

  ClickIntoList(list);
  ASSERT_TRUE(WaitFor([&] { return program.Traces().size() >= 3; }, 30s)) << Bracketed(program.Traces());
  const std::vector<std::string> traces = program.Traces();
  EXPECT_EQ(std::vector<std::string>(traces.begin(), traces.begin() + 3),
            (std::vector<std::string>{"--- created ---", kClick, "just popup"}));
  // Wine's tooltip does not show on TTM_POPUP, so "-- show" follows only where it does.
  for (std::size_t i = 3; i < traces.size(); ++i) EXPECT_EQ(traces[i], "-- show") << Bracketed(traces);
}

// Once active, the balloon shows by itself when the pointer rests over the list for 32 seconds;
// a button press over the list hides it, and the click that follows finds it "just hidden".
TEST(Balloon, ShowsAfterRestingOverTheListAndAQuickClickClosesIt) {
  // Waits out the tooltip's real 32 s delay; the 32-bit build's balloon is created and popped up above.
  E2E_SKIP_UNLESS_64_BIT();
  TracedProgram program;
  HWND list = StartedList(program);
  ASSERT_TRUE(list);
  HWND balloon = BalloonOf(program.MainWindow());
  ASSERT_TRUE(balloon);
  ClickIntoList(list);
  ASSERT_TRUE(WaitFor([&] { return program.Traces().size() >= 3; }, 30s)) << Bracketed(program.Traces());

  // One small move over the list starts the tooltip's show delay.
  INPUT move{};
  move.type = INPUT_MOUSE;
  move.mi.dx = 1;
  move.mi.dwFlags = MOUSEEVENTF_MOVE;
  ::SendInput(1, &move, sizeof move);
  ASSERT_TRUE(WaitFor([&] { return program.Traces().size() >= 4; }, 90s)) << Bracketed(program.Traces());
  EXPECT_EQ(program.Traces().back(), "-- show");
  EXPECT_TRUE(::IsWindowVisible(balloon));
  // Wine draws the icon, the title and the body, but shows the links' mark-up as text.
  Screenshot(nullptr, "balloon");

  ClickIntoList(list);
  ASSERT_TRUE(WaitFor([&] { return program.Traces().size() >= 7; }, 30s)) << Bracketed(program.Traces());
  EXPECT_EQ(program.Traces(), (std::vector<std::string>{"--- created ---", kClick, "just popup", "-- show", "-- hide",
                                                        kClick, "just hidden"}));
  EXPECT_FALSE(::IsWindowVisible(balloon));
}

}  // namespace
}  // namespace e2e
