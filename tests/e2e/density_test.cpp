// The real program at higher densities: at 144 pixels per inch on the tests' 1280 x 1024 screen, too
// small for the scaled window, the window fitted into it; at 144 and 192 on a screen that holds the
// scaled window, its size, layout and fonts at the density, each in a screenshot.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace e2e {
namespace {

// The prefix's density for the programs started while this lives; the former value comes back.
class ScreenDensity {
 public:
  explicit ScreenDensity(DWORD dpi) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                    nullptr);
    DWORD size = sizeof previous_;
    had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_), &size) ==
           ERROR_SUCCESS;
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~ScreenDensity() {
    if (had_) {
      RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_), sizeof previous_);
    } else {
      RegDeleteValueA(key_, "LogPixels");
    }
    RegCloseKey(key_);
  }
  ScreenDensity(const ScreenDensity&) = delete;
  ScreenDensity& operator=(const ScreenDensity&) = delete;

 private:
  HKEY key_ = nullptr;
  DWORD previous_ = 96;
  bool had_ = false;
};

// A child's rectangle in the client area of the main window.
RECT InClient(HWND main, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int Height(const RECT& r) { return r.bottom - r.top; }

// The program's main window once its first scan has filled the list.
HWND ScannedWindow(Program& program) {
  const HWND main = program.MainWindow();
  EXPECT_TRUE(WaitFor([&] { return StatusText(Child(main, "msctls_statusbar32")).find("processes") != std::string::npos; },
                      120s));
  return main;
}

// Painted before the picture is taken: the shot copies the screen.
void ShotWhenPainted(HWND main, const std::string& name) {
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const HWND list = Child(main, "SysListView32");
  EXPECT_TRUE(WaitFor([&] { return !GetUpdateRect(list, nullptr, FALSE) && !GetUpdateRect(main, nullptr, FALSE); }, 30s));
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, nullptr);
  Screenshot(main, name);
}

// 1395 x 1046 at 144 pixels per inch: fitted into the work area, its status bar and Info button on
// the screen where the density puts them.
TEST(Density, TooLargeForTheScreenTheWindowIsFittedIntoIt) {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  ASSERT_LT(work.right - work.left, 1395) << "the tests' screen must be too small for the scaled window";
  const ScreenDensity density(144);
  Program program;
  const HWND main = ScannedWindow(program);
  RECT outer{};
  GetWindowRect(main, &outer);
  EXPECT_TRUE(EqualRect(&outer, &work)) << outer.left << "," << outer.top << " " << outer.right - outer.left
                                        << " x " << Height(outer);
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(InClient(main, Child(main, "msctls_statusbar32")).bottom, client.bottom);
  const RECT info = InClient(main, Child(main, "OrvelSpeedButton", client.right - 18 - 156));
  EXPECT_EQ(info.right, client.right - 18) << "the Info button at its scaled distance to the right edge";
  ShotWhenPainted(main, "density-144-fitted");
}

// On a screen that holds the scaled window: its designed size scaled, the list where the density puts
// it, the form's and the status bar's fonts grown alike (the status bar's not twice), the whole window
// on the screen in a screenshot each. It runs itself again on a private 2048 x 1536 screen.
TEST(Density, OnAScreenThatHoldsItTheWindowHasItsScaledSize) {
  if (OwnScreen().empty()) {
    std::string output;
    EXPECT_TRUE(RunOnOwnScreen("2048x1536", "Density.OnAScreenThatHoldsItTheWindowHasItsScaledSize", output))
        << output;
    return;
  }
  RECT label96{}, status96{};
  {
    Program program;
    const HWND main = program.MainWindow();
    label96 = InClient(main, Child(main, "Static", 16));
    status96 = InClient(main, Child(main, "msctls_statusbar32"));
  }
  struct Case { DWORD dpi; SIZE outer; int margin; int listTop; };
  const Case cases[] = {{144, {1395, 1046}, 24, 108}, {192, {1860, 1394}, 32, 144}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    const ScreenDensity density(c.dpi);
    Program program;
    const HWND main = ScannedWindow(program);
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.right - outer.left, c.outer.cx);
    EXPECT_EQ(Height(outer), c.outer.cy);
    EXPECT_TRUE(outer.left >= 0 && outer.top >= 0 && outer.right <= GetSystemMetrics(SM_CXSCREEN) &&
                outer.bottom <= GetSystemMetrics(SM_CYSCREEN))
        << "the whole window on the screen";
    const RECT list = InClient(main, Child(main, "SysListView32"));
    EXPECT_EQ(list.left, c.margin);
    EXPECT_EQ(list.top, c.listTop);
    // The label fits its caption in the form's font: -17 at 144, -22 at 192 against -11 at 96.
    const int label = Height(InClient(main, Child(main, "Static", c.margin)));
    EXPECT_GE(label * 96 * 100, Height(label96) * static_cast<int>(c.dpi) * 96) << label << " against " << Height(label96);
    EXPECT_LE(label * 96 * 100, Height(label96) * static_cast<int>(c.dpi) * 110) << label << " against " << Height(label96);
    const int status = Height(InClient(main, Child(main, "msctls_statusbar32")));
    EXPECT_GE(status * 96 * 100, Height(status96) * static_cast<int>(c.dpi) * 85) << status << " against " << Height(status96);
    EXPECT_LE(status * 96 * 100, Height(status96) * static_cast<int>(c.dpi) * 115) << status << " against " << Height(status96);
    ShotWhenPainted(main, "density-" + std::to_string(c.dpi));
  }
}

}  // namespace
}  // namespace e2e
