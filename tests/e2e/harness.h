// Drives the real Orvelkit.exe from another process: start, wait, read, click, screenshot.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A long case bound by time or resources, nothing of which depends on the build's bitness, runs for
// the 64-bit build only.
#define E2E_SKIP_UNLESS_64_BIT() \
  if (sizeof(void*) != 8) GTEST_SKIP() << "a long case that runs for the 64-bit build only"

// Waits until the condition holds, polling; false when the time-out passed first.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 60s);

// The program's texts are UTF-16 on its windows and UTF-8 in the tests, as in the program itself.
std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view text);

std::string WindowsPath(const std::string& unixPath);  // Z:\... for a Unix path
std::string UnixPath(const std::string& windowsPath);  // the Unix path of a Windows one
std::string TempDir();                                  // a fresh folder for one test's files
void WriteFile(const std::string& path, const std::string& text);
std::string ReadFile(const std::string& path);
// The texts one after another, each in brackets, for a failure message.
std::string Bracketed(const std::vector<std::string>& texts);
// This process's environment with the entries NAME=value added, as CreateProcess takes it.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& extra);

// The program under test. Ends the process when it goes out of scope.
class Program {
 public:
  // Environment entries NAME=value are added to the test's own environment.
  explicit Program(const std::string& arguments = "", std::vector<std::pair<std::string, std::string>> environment = {},
                   int showCommand = SW_SHOWNORMAL);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD Id() const { return info_.dwProcessId; }
  bool Running() const;
  DWORD ExitCode() const;  // STILL_ACTIVE while running
  // The main window, once shown (waits for it).
  HWND MainWindow(std::chrono::milliseconds timeout = 90s);
  // Visible top-level dialogs (#32770) of the program, e.g. message boxes.
  std::vector<HWND> Dialogs() const;
  void Close(std::chrono::milliseconds timeout = 30s);  // WM_CLOSE and wait for the exit

 private:
  PROCESS_INFORMATION info_{};
  HWND main_ = nullptr;
};

// A process's visible top-level window titled with the program's name; nullptr when none came in time.
HWND FindMainWindow(DWORD processId, std::chrono::milliseconds timeout);
// A process's visible top-level dialogs (#32770), e.g. message boxes.
std::vector<HWND> Dialogs(DWORD processId);
// The threads a process has now.
DWORD ThreadCount(DWORD processId);

std::string Text(HWND window);  // the window's text, read as Unicode
std::string ClassName(HWND window);
// The child of a class, by its left edge in the parent's client area (-1: the first of the class).
HWND Child(HWND parent, const char* className, int left = -1);
HWND ChildByText(HWND parent, const char* className, const std::string& text);
// The control holding the keyboard focus in the thread of the main window; nullptr when unknown.
HWND FocusedWindow(HWND main);

// Cross-process reads of Unicode texts through a buffer in the program's memory.
int ListRowCount(HWND list);
std::vector<std::vector<std::string>> ListRows(HWND list, int columns = 10);
std::string ListColumnCaption(HWND list, int column);
int ListColumnWidth(HWND list, int column);
std::string StatusText(HWND statusBar);
int ComboCount(HWND combo);
std::string ComboItem(HWND combo, int index);

// The texts of a message box: its caption and its static texts; closes it with its first button.
struct Box {
  std::string caption;
  std::string text;
  bool hasIcon;
};
Box ReadBox(HWND dialog);
void PressButton(HWND dialog, const char* caption = nullptr);

// The clipboard's Unicode text as UTF-8 (empty when it holds none), and the clipboard emptied.
std::string ClipboardText();
void EmptyTheClipboard();

// Real input at a point of a window's client area.
void Click(HWND window, int x, int y, bool twice = false);
void KeyPress(WORD virtualKey, bool shift = false, bool ctrl = false);

// Saves the window (or the screen for nullptr) as build/<preset>/screenshots/<name>.png.
std::string Screenshot(HWND window, const std::string& name);

// Runs the tests of this program that the filter names on a private screen of this size ("2048x1536"),
// in a copy of the prefix with a server of its own (tests/e2e/own-screen.sh); true when they passed
// in time. Their output goes into `output`.
bool RunOnOwnScreen(const std::string& size, const std::string& filter, std::string& output);
// The size of the private screen this process was started on by RunOnOwnScreen; empty on the tests' own.
std::string OwnScreen();

}  // namespace e2e
