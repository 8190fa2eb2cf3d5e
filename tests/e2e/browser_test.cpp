// The browse button of the real program and its shortcut Ctrl+B: Wine's shell offers no computers, so
// the dialog is checked for its title and then cancelled.
#include <gtest/gtest.h>

#include "harness.h"
#include "pointer.h"

namespace e2e {
namespace {

constexpr int kDirButtonLeft = 154;
constexpr int kComputerFieldLeft = 16;

// The browse dialog of the program, once it is up, found by its title text.
HWND WaitForBrowseDialog(const Program& program, const std::string& title) {
  HWND found = nullptr;
  WaitFor([&] {
    for (HWND dialog : program.Dialogs())
      if (ChildByText(dialog, "Static", title)) found = dialog;
    return found != nullptr;
  });
  return found;
}

// What is up instead, for the failure message.
std::string OpenDialogs(const Program& program) {
  std::string texts;
  for (HWND dialog : program.Dialogs()) texts += " [" + ReadBox(dialog).caption + ": " + ReadBox(dialog).text + "]";
  return texts.empty() ? " none" : texts;
}

TEST(Browser, DirButtonOrCtrlBOpensTheTitledDialogAndCancelKeepsTheField) {
  struct Case {
    const char* arguments;
    const char* title;
    bool byShortcut;  // Ctrl+B instead of a click on the button
  } cases[] = {{"", "Choose a computer", false}, {"/language 1", "Computer ausw\u00E4hlen", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    Program program(c.arguments);
    HWND main = program.MainWindow();
    HWND field = Child(main, "ComboBox", kComputerFieldLeft);
    HWND browse = Child(main, "OrvelSpeedButton", kDirButtonLeft);
    ASSERT_TRUE(field && browse);
    // The first scan ends by putting the computer into the history.
    ASSERT_TRUE(WaitFor([&] { return ComboCount(field) > 0; }, 120s));

    const std::string typed = "typed PC-1";
    SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()), SMTO_NORMAL, 10000, nullptr);
    ASSERT_EQ(Text(field), typed);
    const int historySize = ComboCount(field);

    if (c.byShortcut) {
      KeyPress('B', false, true);
    } else {
      ClickCentre(browse);
    }
    HWND dialog = WaitForBrowseDialog(program, c.title);
    ASSERT_TRUE(dialog) << "no browse dialog with the title; dialogs:" << OpenDialogs(program) << "; screen in "
                        << Screenshot(nullptr, "browse-missing");
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main)) << "the dialog is modal";
    // Painted before the picture is taken: the shot copies the screen.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Screenshot(dialog, std::string("browse-") + (c.arguments[0] ? "de" : "en"));

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 30s));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(main) != FALSE; }, 30s));
    EXPECT_EQ(Text(field), typed);
    EXPECT_EQ(ComboCount(field), historySize);
    EXPECT_TRUE(program.Running());
  }
}

}  // namespace
}  // namespace e2e
