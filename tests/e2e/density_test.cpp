// The real program on a screen of 144 pixels per inch: the layout, the form's and the status bar's
// fonts at that density, a screenshot to look at; and Ctrl+B, the browse button's shortcut.
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
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(Density, At144PixelsPerInchEverythingScalesAlike) {
  RECT label96{}, status96{};
  {
    Program program;
    const HWND main = program.MainWindow();
    label96 = InClient(main, Child(main, "Static", 16));
    status96 = InClient(main, Child(main, "msctls_statusbar32"));
  }
  const ScreenDensity density(144);
  Program program;
  const HWND main = program.MainWindow();
  const HWND list = Child(main, "SysListView32");
  ASSERT_TRUE(WaitFor([&] { return StatusText(Child(main, "msctls_statusbar32")).find("processes") != std::string::npos; },
                      120s));
  const RECT listRect = InClient(main, list);
  EXPECT_EQ(listRect.left, 24);
  EXPECT_EQ(listRect.top, 108);
  // The label fits its caption in the form's font: -17 at 144 against -11 at 96.
  const RECT label = InClient(main, Child(main, "Static", 24));
  const int labelHeight = label.bottom - label.top, label96Height = label96.bottom - label96.top;
  EXPECT_GE(labelHeight * 11, label96Height * 16) << labelHeight << " against " << label96Height;
  EXPECT_LE(labelHeight * 11, label96Height * 18) << labelHeight << " against " << label96Height;
  // The status bar's font and size grow alike, not twice as much.
  const RECT status = InClient(main, Child(main, "msctls_statusbar32"));
  const int statusHeight = status.bottom - status.top, status96Height = status96.bottom - status96.top;
  EXPECT_GE(statusHeight * 10, status96Height * 13) << statusHeight << " against " << status96Height;
  EXPECT_LE(statusHeight * 10, status96Height * 17) << statusHeight << " against " << status96Height;
  // Painted before the picture is taken: the shot copies the screen.
  RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(WaitFor([&] { return !GetUpdateRect(list, nullptr, FALSE) && !GetUpdateRect(main, nullptr, FALSE); }, 30s));
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, nullptr);
  Screenshot(main, "density-144");
}

TEST(Density, CtrlBOpensTheComputerBrowser) {
  Program program;
  const HWND main = program.MainWindow();
  ASSERT_TRUE(WaitFor([&] { return StatusText(Child(main, "msctls_statusbar32")).find("processes") != std::string::npos; },
                      120s));
  KeyPress('B', false, true);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (HWND shown : program.Dialogs())
      if (ChildByText(shown, "Static", "Choose a computer")) dialog = shown;
    return dialog != nullptr;
  }, 60s)) << "no browser";
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 30s));
}

}  // namespace
}  // namespace e2e
