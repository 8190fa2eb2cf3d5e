// The lookup button of the real program: without a selected process it asks for one.
#include <gtest/gtest.h>

#include "harness.h"
#include "pointer.h"

#include <commctrl.h>

namespace e2e {
namespace {

TEST(WebLookup, GoogleWithoutSelectionAsksForAProcess) {
  Program program;
  HWND main = program.MainWindow();
  HWND list = Child(main, "SysListView32");
  HWND status = Child(main, "msctls_statusbar32");
  ASSERT_TRUE(list && status);
  // The first scan runs at first paint; the button is for the filled list.
  ASSERT_TRUE(WaitFor([&] { return StatusText(status).find("processes") != std::string::npos; }, 120s))
      << StatusText(status);
  ASSERT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  ASSERT_TRUE(program.Dialogs().empty());

  HWND google = ChildByText(main, "OrvelSpeedButton", "&Google");
  ASSERT_TRUE(google);
  ClickCentre(google);

  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<HWND> dialogs = program.Dialogs();
    box = dialogs.empty() ? nullptr : dialogs.front();
    return box != nullptr;
  })) << "no message box; screen in " << Screenshot(nullptr, "select-process-missing");
  Screenshot(box, "select-process");
  const Box read = ReadBox(box);
  EXPECT_EQ(read.text, "Please select a process.");
  EXPECT_EQ(read.caption, "Orvel for Windows Networks");
  EXPECT_FALSE(read.hasIcon);

  PressButton(box);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 30s));
  EXPECT_TRUE(program.Running());
}

}  // namespace
}  // namespace e2e
