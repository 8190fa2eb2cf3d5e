// Start-up: the window, its controls, the status-bar size readout, a screenshot.
#include <gtest/gtest.h>

#include "harness.h"

namespace e2e {
namespace {

TEST(Startup, WindowShowsItsControlsAndTheSizeReadout) {
  Program program;
  HWND main = program.MainWindow();
  EXPECT_EQ(Text(main), "Orvel for Windows Networks");

  HWND list = Child(main, "SysListView32");
  HWND status = Child(main, "msctls_statusbar32");
  ASSERT_TRUE(list);
  ASSERT_TRUE(status);
  EXPECT_TRUE(Child(main, "ComboBox", 16)) << "computer field";
  EXPECT_TRUE(Child(main, "ComboBox", 200)) << "user field";
  EXPECT_TRUE(Child(main, "Edit", 328)) << "password field";
  EXPECT_TRUE(Child(main, "SysAnimate32"));
  const char* columns[] = {"Process", "Folder", "Process ID", "Parent PID", "RAM",
                           "CPU Time", "Handles", "Session", "Threads", "Priority"};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(ListColumnCaption(list, i), columns[i]);

  // The first scan ends with the process count; only then does the size readout stand alone.
  ASSERT_TRUE(WaitFor([&] { return StatusText(status).find("processes") != std::string::npos; }, 120s))
      << StatusText(status);
  RECT r;
  GetClientRect(status, &r);
  Click(status, r.right / 2, r.bottom / 2);
  EXPECT_TRUE(WaitFor([&] { return StatusText(status) == "930 \u00D7 697"; }, 30s)) << StatusText(status);
  Screenshot(main, "startup");
}

}  // namespace
}  // namespace e2e
