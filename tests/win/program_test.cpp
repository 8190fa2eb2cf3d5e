// The message loop with the start show command, the application object's boxes, and the
// system services, on the real platform.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/system.h"
#include "toolkit_fixture.h"

namespace orvel::toolkit_test {
namespace {

struct WindowState {
  bool visible = false, maximised = false, minimised = false;
};

// Runs the loop of a fresh toolkit until the window closes; the close was queued before.
WindowState RunUntilClosed(int startShowCommand, int* closes) {
  Win32Toolkit toolkit(::GetModuleHandleW(nullptr), startShowCommand);
  Pump(toolkit);  // nothing stale left, WM_QUIT included
  TFormWindow& form = toolkit.CreateMainForm();
  WindowState state;
  form.OnClose = [&](TObject*, TCloseAction&) {
    const HWND main = reinterpret_cast<HWND>(form.Handle());
    state = {::IsWindowVisible(main) != FALSE, ::IsZoomed(main) != FALSE, ::IsIconic(main) != FALSE};
    ++*closes;
  };
  ::PostMessageW(reinterpret_cast<HWND>(form.Handle()), WM_CLOSE, 0, 0);
  toolkit.Run();
  EXPECT_EQ(form.Handle(), 0u) << "the window is gone when Run returns";
  return state;
}

TEST(MessageLoop, ShowsWithTheStartShowCommandAndEndsWhenClosed) {
  struct Case { int start; bool maximised, minimised; };
  const Case cases[] = {{SW_SHOWNORMAL, false, false}, {SW_SHOWMAXIMIZED, true, false},
                        {SW_SHOWMINNOACTIVE, false, true}, {SW_SHOWDEFAULT, false, false}};
  for (const Case& c : cases) {
    int closes = 0;
    const WindowState state = RunUntilClosed(c.start, &closes);
    EXPECT_EQ(closes, 1) << c.start;
    EXPECT_TRUE(state.visible) << c.start;
    EXPECT_EQ(state.maximised, c.maximised) << c.start;
    EXPECT_EQ(state.minimised, c.minimised) << c.start;
  }
}

TEST(MessageLoop, QuitFromElsewhereStillDestroysTheWindow) {
  Win32Toolkit toolkit(::GetModuleHandleW(nullptr), SW_SHOWNORMAL);
  Pump(toolkit);
  TFormWindow& form = toolkit.CreateMainForm();
  ::PostQuitMessage(0);
  toolkit.Run();
  EXPECT_EQ(form.Handle(), 0u);
  MSG quit;
  EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no second quit for a loop that ended";
}

using ApplicationTest = ToolkitTest;

TEST_F(ApplicationTest, BoxesOwnedByTheMainWindow) {
  Win32Application& application = toolkit.Application();
  application.SetTitle("Orvel for Windows Networks");
  EXPECT_EQ(application.Title(), "Orvel for Windows Networks");
  application.ShowMessage("Please select a process");
  application.ShowErrorBox("Failure.");
  EXPECT_EQ(application.MessageBox("Connect failed", "Stage 3", MB_ICONERROR | MB_OK), IDOK);

  ASSERT_EQ(boxes.size(), 3u);
  const RecordedBox expected[] = {{Main(), "Please select a process", "Orvel for Windows Networks", MB_OK},
                                  {Main(), "Failure.", "Orvel for Windows Networks", MB_ICONERROR | MB_OK},
                                  {Main(), "Connect failed", "Stage 3", MB_ICONERROR | MB_OK}};
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].owner, expected[i].owner) << i;
    EXPECT_EQ(boxes[i].text, expected[i].text) << i;
    EXPECT_EQ(boxes[i].caption, expected[i].caption) << i;
    EXPECT_EQ(boxes[i].flags, expected[i].flags) << i;
  }
}

// The real simple message dialog: centred on the screen although its owner stands in a corner,
// with no icon. A timer running inside the box's modal loop reads it and presses OK.
struct SeenBox {
  RECT rect{};
  bool found = false;
  bool hasIcon = false;
  std::string caption;
};
SeenBox seenBox;

BOOL CALLBACK FindIcon(HWND child, LPARAM) {
  if (::SendMessageW(child, STM_GETICON, 0, 0)) seenBox.hasIcon = true;
  return TRUE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = ::FindWindowW(L"#32770", nullptr);
  if (!box || ::GetWindowThreadProcessId(box, nullptr) != ::GetCurrentThreadId()) return;
  ::KillTimer(nullptr, timer);
  seenBox.found = true;
  ::GetWindowRect(box, &seenBox.rect);
  seenBox.caption = TextOf(box);
  ::EnumChildWindows(box, &FindIcon, 0);
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(SimpleMessageDialog, CentredOnTheScreenWithoutIcon) {
  Win32Toolkit toolkit(::GetModuleHandleW(nullptr), SW_SHOWNORMAL);
  Pump(toolkit);  // a WM_QUIT left by an earlier window would end the box's loop at once
  const HWND main = reinterpret_cast<HWND>(toolkit.CreateMainForm().Handle());
  ::SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ::ShowWindow(main, SW_SHOW);
  toolkit.Application().SetTitle("Orvel \u0434\u043B\u044F \u65E5\u672C");  // shown as set, in any code page
  seenBox = {};
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &InspectBox);
  toolkit.Application().ShowMessage("Please select a process");
  ::KillTimer(nullptr, timer);

  ASSERT_TRUE(seenBox.found);
  EXPECT_EQ(seenBox.caption, "Orvel \u0434\u043B\u044F \u65E5\u672C");
  EXPECT_FALSE(seenBox.hasIcon);
  EXPECT_NEAR((seenBox.rect.left + seenBox.rect.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 2);
  EXPECT_NEAR((seenBox.rect.top + seenBox.rect.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 2);
}

// --- system services ---

// Chosen from the keyboard, as a user does: the item's letter, also past a disabled item; Escape
// chooses nothing.
HWND popupOwner = nullptr;
std::vector<WPARAM> popupKeys;
void CALLBACK TypeIntoMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND menu = ::FindWindowW(L"#32768", nullptr);
  if (!menu || !::IsWindowVisible(menu)) return;
  ::KillTimer(nullptr, timer);
  for (const WPARAM key : popupKeys) ::PostMessageW(menu, WM_KEYDOWN, key, 0);
}

TEST(PopupMenu, ReturnsTheItemChosenByItsLetter) {
  Win32Toolkit toolkit(::GetModuleHandleW(nullptr), SW_SHOWNORMAL);
  Pump(toolkit);
  popupOwner = reinterpret_cast<HWND>(toolkit.CreateMainForm().Handle());
  ::ShowWindow(popupOwner, SW_SHOW);
  ::SetForegroundWindow(popupOwner);
  const std::vector<TMenuItem> items{{"&Copy\tCtrl+C", false}, {"Copy &all", true}, {"", true}, {"&End process...", true}};
  struct Case { std::vector<WPARAM> keys; int chosen; };
  const Case cases[] = {{{'E'}, 3}, {{'A'}, 1}, {{'C'}, -1}, {{VK_ESCAPE}, -1}};
  for (const Case& c : cases) {
    popupKeys = c.keys;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &TypeIntoMenu);
    // A disabled item's letter closes nothing: Escape ends that case.
    if (c.chosen < 0 && c.keys.front() != VK_ESCAPE) popupKeys.push_back(VK_ESCAPE);
    EXPECT_EQ(toolkit.Application().PopupMenu(items, 100, 100), c.chosen) << static_cast<char>(c.keys.front());
    ::KillTimer(nullptr, timer);
  }
}

// UTF-8 in, every character on the clipboard as Unicode text; case-blind beyond ASCII as Windows compares.
TEST(SystemServices, ClipboardTakesUnicodeText) {
  Win32Toolkit toolkit(::GetModuleHandleW(nullptr), SW_SHOWNORMAL);
  const HWND owner = reinterpret_cast<HWND>(toolkit.CreateMainForm().Handle());
  Win32System system;
  system.SetClipboardText(reinterpret_cast<WindowHandle>(owner),
                          "Priorit\u00E4t\t\u0141ukasz\t\u03A9mega.exe\t\u65E5\u672C\u8A9E.exe\U0001F600\r\n");
  ASSERT_TRUE(::OpenClipboard(owner));
  const HANDLE unicode = ::GetClipboardData(CF_UNICODETEXT);
  const std::wstring wide = unicode ? static_cast<const wchar_t*>(::GlobalLock(unicode)) : L"";
  if (unicode) ::GlobalUnlock(unicode);
  ::CloseClipboard();
  EXPECT_EQ(wide, L"Priorit\u00E4t\t\u0141ukasz\t\u03A9mega.exe\t\u65E5\u672C\u8A9E.exe\xD83D\xDE00\r\n");
  EXPECT_TRUE(system.SameTextIgnoringCase("WorkStation7", "WORKSTATION7"));
  EXPECT_FALSE(system.SameTextIgnoringCase("WORKSTATION7", "WORKSTATION"));
  EXPECT_TRUE(system.SameTextIgnoringCase("\u0141UKASZ-PC", "\u0142ukasz-pc"));
}

TEST(SystemServices, ComInitialisationIsBalancedOnSuccessOnly) {
  Win32System system;
  EXPECT_TRUE(system.CoInitialize()) << "S_OK";
  EXPECT_TRUE(system.CoInitialize()) << "S_FALSE also needs its CoUninitialize";
  system.CoUninitialize();
  system.CoUninitialize();
}

TEST(SystemServices, NamesFitTheBufferOrFail) {
  Win32System system;
  char16_t name[256] = {};
  std::uint32_t size = 16;
  ASSERT_TRUE(system.GetComputerNameW(name, &size));
  EXPECT_EQ(size, std::char_traits<char16_t>::length(name));
  char16_t tiny[2] = {};
  size = 2;
  EXPECT_FALSE(system.GetComputerNameW(tiny, &size));

  size = 256;
  ASSERT_TRUE(system.GetUserNameW(name, &size));
  wchar_t expected[256] = {};
  ::GetEnvironmentVariableW(L"USERNAME", expected, 256);
  if (expected[0]) {
    EXPECT_EQ(std::u16string(name), std::u16string(reinterpret_cast<const char16_t*>(expected)));
  }
}

TEST(SystemServices, CommandLineSplitAsTheRuntimeDoes) {
  Win32System system;
  const std::vector<std::string> arguments = system.CommandLineArguments();
  ASSERT_EQ(static_cast<int>(arguments.size()), __argc);
  for (int i = 0; i < __argc; ++i) EXPECT_EQ(arguments[static_cast<std::size_t>(i)], __argv[i]) << i;
}

TEST(SystemServices, CommandLineSplitByThePlatformsRules) {
  struct Case {
    const wchar_t* line;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {L"Orvelkit.exe /language \"1 \"", {"Orvelkit.exe", "/language", "1 "}},
      {L"\"C:\\Program Files\\Orvelkit.exe\" \"/language\" 1", {"C:\\Program Files\\Orvelkit.exe", "/language", "1"}},
      {L"Orvelkit.exe /language \"\"", {"Orvelkit.exe", "/language", ""}},
      {L"Orvelkit.exe \"\" /language", {"Orvelkit.exe", "", "/language"}},
      {L"Orvelkit.exe\t/language \t  2", {"Orvelkit.exe", "/language", "2"}},
      {L"Orvelkit.exe /lan\"guage 1\"", {"Orvelkit.exe", "/language 1"}},
      // Backslashes are literal unless a quote follows; then pairs halve and an odd one keeps the quote.
      {L"Orvelkit.exe C:\\dir\\ a\\\"b", {"Orvelkit.exe", "C:\\dir\\", "a\"b"}},
      {L"Orvelkit.exe \"a\\\\\" b", {"Orvelkit.exe", "a\\", "b"}},
      {L"Orvelkit.exe a\\\\\\\"b \"c d\"e", {"Orvelkit.exe", "a\\\"b", "c de"}},
      // The program's own path keeps its backslashes, even before the closing quote.
      {L"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
      // Every character kept as UTF-8: full-width look-alikes stay themselves, never "/language".
      {L"Orvelkit.exe \x00E4 \xFF0F\xFF4C\xFF41\xFF4E\xFF47\xFF55\xFF41\xFF47\xFF45 1",
       {"Orvelkit.exe", "\u00E4", "\uFF0F\uFF4C\uFF41\uFF4E\uFF47\uFF55\uFF41\uFF47\uFF45", "1"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << testing::PrintToString(std::wstring(c.line));
  }
}

// Bytes as they are, from a path beyond any code page; nothing of what is missing or not a file.
TEST(SystemServices, ReadFileHandsBackTheWholeFile) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::filesystem::path file = folder / L"orvel-\u0141\u65E5-list.txt";
  const std::string bytes = std::string("pc1\r\n\0#\xFF\xFE", 9) + std::string(200000, 'x');
  std::ofstream(file, std::ios::binary) << bytes;
  Win32System system;
  EXPECT_EQ(system.ReadFile(win32::Utf8(file.wstring().c_str())), bytes);
  std::filesystem::remove(file);
  EXPECT_EQ(system.ReadFile(win32::Utf8(file.wstring().c_str())), std::nullopt);
  EXPECT_EQ(system.ReadFile(win32::Utf8(folder.wstring().c_str())), std::nullopt);
}

TEST(SystemServices, LongTimeTextOfSecondsAfterMidnight) {
  Win32System system;
  const std::string separator = system.TimeSeparator();
  ASSERT_FALSE(separator.empty());
  struct Case { std::uint32_t seconds; const char* minutes; const char* secondsText; };
  const Case cases[] = {{75, "01", "15"}, {60, "01", "00"}, {3599, "59", "59"}, {86399, "59", "59"}};
  for (const Case& c : cases) {
    const std::string text = system.LongTimeText(c.seconds);
    const std::string tail = separator + c.minutes + separator + c.secondsText;
    EXPECT_NE(text.find(tail), std::string::npos) << c.seconds << ": " << text;
  }
  EXPECT_EQ(system.LongTimeText(86400), "") << "not a time of day";
}

}  // namespace
}  // namespace orvel::toolkit_test
