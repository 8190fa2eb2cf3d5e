// The balloon on the real platform: the tooltip that the first paint creates over the real list,
// read back with Win32 calls, and the tooltip's notifications arriving through the list's procedure.
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "companions/balloon.h"
#include "host/fake_platform.h"
#include "host/fakes.h"
#include "platform/win32/scan_workers.h"
#include "platform/win32/text.h"
#include "platform/win32/window_api.h"
#include "toolkit_fixture.h"

// After the toolkit's headers, which take back the MessageBox macro that <windows.h> defines.
#include <shlwapi.h>

namespace orvel::toolkit_test {
namespace {

// The tool description the portable code hands to the tooltip is TOOLINFOW up to lParam
// (TTTOOLINFOW_V2_SIZE, which is no constant expression).
static_assert(sizeof(TToolInfo) == offsetof(TTTOOLINFOW, lParam) + sizeof(LPARAM));
#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(TToolInfo) == 44);
#endif
static_assert(offsetof(TToolInfo, uFlags) == offsetof(TTTOOLINFOW, uFlags));
static_assert(offsetof(TToolInfo, hwnd) == offsetof(TTTOOLINFOW, hwnd));
static_assert(offsetof(TToolInfo, uId) == offsetof(TTTOOLINFOW, uId));
static_assert(offsetof(TToolInfo, rect) == offsetof(TTTOOLINFOW, rect));
static_assert(offsetof(TToolInfo, hinst) == offsetof(TTTOOLINFOW, hinst));
static_assert(offsetof(TToolInfo, lpszText) == offsetof(TTTOOLINFOW, lpszText));
static_assert(offsetof(TToolInfo, lParam) == offsetof(TTTOOLINFOW, lParam));

// The portable numbers are the SDK's.
static_assert(balloon::ExStyle == WS_EX_TOPMOST);
static_assert(balloon::Style == (WS_POPUP | TTS_USEVISUALSTYLE | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP));
static_assert(balloon::TopmostFlags == (SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE));
static_assert(balloon::ToolFlags == (TTF_IDISHWND | TTF_SUBCLASS | TTF_TRANSPARENT | TTF_PARSELINKS));
static_assert(balloon::TtmActivate == TTM_ACTIVATE && balloon::TtmSetDelayTime == TTM_SETDELAYTIME);
static_assert(balloon::TtmAddToolW == TTM_ADDTOOLW && balloon::TtmDelToolW == TTM_DELTOOLW);
static_assert(balloon::TtmSetTitleW == TTM_SETTITLEW && balloon::TtmPopup == TTM_POPUP);
static_assert(balloon::TtiInfo == TTI_INFO && balloon::TtdtInitial == TTDT_INITIAL);
static_assert(balloon::TtdtAutoPop == TTDT_AUTOPOP && balloon::TtdtReshow == TTDT_RESHOW);
static_assert(balloon::WmNotify == WM_NOTIFY && balloon::SwHide == SW_HIDE && balloon::SwShow == SW_SHOW);
static_assert(balloon::TtnShow == static_cast<int>(TTN_SHOW) && balloon::TtnPop == static_cast<int>(TTN_POP));
static_assert(balloon::TtnLinkClick == static_cast<int>(TTN_LINKCLICK));

bool UnderWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// The loaded common controls' major version: TTM_GETTITLE came with version 6.
DWORD CommonControlsMajor() {
  const FARPROC symbol = ::GetProcAddress(::GetModuleHandleW(L"comctl32.dll"), "DllGetVersion");
  const auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(symbol));
  DLLVERSIONINFO info{};
  info.cbSize = sizeof info;
  return getVersion && SUCCEEDED(getVersion(&info)) ? info.dwMajorVersion : 0;
}

// TTM_SETTITLEW as the procedure of a window on this thread received and answered it, seen by a
// hook on the thread's sent messages.
struct ReceivedTitle {
  HWND window;
  WPARAM icon;
  std::string text;
  LRESULT result;
};

class TitleWatch {
 public:
  TitleWatch() : hook_(::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterCall, nullptr, ::GetCurrentThreadId())) {
    active_ = this;
  }
  TitleWatch(const TitleWatch&) = delete;
  TitleWatch& operator=(const TitleWatch&) = delete;
  ~TitleWatch() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    active_ = nullptr;
  }
  bool Hooked() const { return hook_ != nullptr; }

  std::vector<ReceivedTitle> titles;

 private:
  static LRESULT CALLBACK AfterCall(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && active_ && call->message == TTM_SETTITLEW) {
      try {
        const auto* text = reinterpret_cast<const wchar_t*>(call->lParam);
        active_->titles.push_back({call->hwnd, call->wParam, win32::Utf8(text), call->lResult});
      } catch (...) {
        // Nothing may cross the hook; the test then finds the title missing.
      }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline TitleWatch* active_ = nullptr;
  HHOOK hook_;
};

// The real window calls, noting how many tools the tooltip still has when it is destroyed.
class CheckingWindowApi : public Win32WindowApi {
 public:
  void DestroyWindow(WindowHandle window) override {
    toolsWhenDestroyed = ::SendMessageW(reinterpret_cast<HWND>(window), TTM_GETTOOLCOUNT, 0, 0);
    Win32WindowApi::DestroyWindow(window);
  }
  LRESULT toolsWhenDestroyed = -1;
};

// The main window and its controls from the toolkit, TForm1 over them with the real window calls,
// and recording stand-ins for the system services; then the first paint.
class BalloonWin32Test : public ToolkitTest {
 protected:
  BalloonWin32Test()
      : system(journal),
        listOwnProc(Control<TListView>("ListView1").WindowProc()),
        form1(Form(), TForm1Services{toolkit.Application(), system, wmi, shell, windows, scans}) {
    Form().OnPaint(&Form());
    tooltip = reinterpret_cast<HWND>(form1.HintWindow());
    list = WindowOf("ListView1");
  }
  // The window outlives this object: nothing of it may call into form1 any more.
  ~BalloonWin32Test() override {
    Control<TListView>("ListView1").SetWindowProc(listOwnProc);
    Form().OnDeactivate = nullptr;
    Form().OnClose = nullptr;
    if (::IsWindow(tooltip)) ::DestroyWindow(tooltip);
  }

  // The one tool registered with the tooltip, as the tooltip hands it out.
  TTTOOLINFOW EnumTool(wchar_t* text) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.lpszText = text;
    EXPECT_TRUE(::SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)));
    return tool;
  }

  LRESULT Notify(HWND from, UINT code) {
    NMHDR header{from, static_cast<UINT_PTR>(::GetDlgCtrlID(from)), code};
    return ::SendMessageW(list, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  }

  TitleWatch titleWatch;  // before the first paint, which sets the title
  fakes::Journal journal;
  fakes::FakeSystem system;
  fakes::NoWmi wmi;
  fakes::NoShell shell;
  CheckingWindowApi windows;
  Win32ComputerScans scans{toolkit.Application()};
  TWndMethod listOwnProc;
  TForm1 form1;
  HWND tooltip = nullptr;
  HWND list = nullptr;
};

TEST_F(BalloonWin32Test, TheTooltipIsATopmostBalloonOwnedByTheMainWindow) {
  ASSERT_TRUE(::IsWindow(tooltip));
  EXPECT_EQ(ClassNameOf(tooltip), "tooltips_class32");
  const DWORD wanted = WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_USEVISUALSTYLE;
  EXPECT_EQ(StyleOf(tooltip) & wanted, wanted) << std::hex << StyleOf(tooltip);
  EXPECT_TRUE(::GetWindowLongW(tooltip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(::GetWindow(tooltip, GW_OWNER), Main());
  EXPECT_EQ(system.traces, std::vector<std::string>{"--- created ---"});
}

TEST_F(BalloonWin32Test, TheListIsTheOneToolWithItsFlagsAndTheBody) {
  EXPECT_EQ(form1.ToolInfo().cbSize, TTTOOLINFOW_V2_SIZE);
  ASSERT_EQ(::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t text[1024] = {};
  const TTTOOLINFOW tool = EnumTool(text);
  EXPECT_EQ(tool.uFlags & 0x1111u, 0x1111u) << std::hex << tool.uFlags;
  EXPECT_TRUE(tool.uFlags & TTF_PARSELINKS);
  EXPECT_EQ(tool.hwnd, list);
  EXPECT_EQ(tool.uId, reinterpret_cast<UINT_PTR>(list));

  // Looked up by window and id, as TTM_DELTOOLW will find it; Wine copies out 80 characters at most.
  TTTOOLINFOW byId{};
  byId.cbSize = TTTOOLINFOW_V2_SIZE;
  byId.hwnd = list;
  byId.uId = reinterpret_cast<UINT_PTR>(list);
  wchar_t byIdText[1024] = {};
  byId.lpszText = byIdText;
  ASSERT_TRUE(::SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&byId)));
  EXPECT_EQ(byId.uFlags, tool.uFlags);
  const std::string body = LanguageTexts[txtHintBody][0];
  const std::string copied = win32::Utf8(byIdText);
  ASSERT_GE(copied.size(), 40u);
  EXPECT_EQ(body.compare(0, copied.size(), copied), 0) << copied;
}

TEST_F(BalloonWin32Test, AllThreeDelaysAre32Seconds) {
  for (WPARAM which : {TTDT_INITIAL, TTDT_AUTOPOP, TTDT_RESHOW})
    EXPECT_EQ(::SendMessageW(tooltip, TTM_GETDELAYTIME, which, 0), 32000) << which;
}

TEST_F(BalloonWin32Test, TheTitleWithTheInformationIcon) {
  ASSERT_TRUE(titleWatch.Hooked());
  ASSERT_EQ(titleWatch.titles.size(), 1u);
  const ReceivedTitle& received = titleWatch.titles[0];
  EXPECT_EQ(received.window, tooltip);
  EXPECT_EQ(received.icon, static_cast<WPARAM>(TTI_INFO));
  EXPECT_EQ(received.text, LanguageTexts[txtHintTitle][0]);
  EXPECT_EQ(received.result, TRUE) << "the tooltip took the title";

  // Reading the title back came with the common controls 6; Wine's answers it empty.
  if (UnderWine() || CommonControlsMajor() < 6) return;
  WCHAR title[100] = {};
  TTGETTITLE get{sizeof get, 0, static_cast<UINT>(std::size(title)), title};
  ::SendMessageW(tooltip, TTM_GETTITLE, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_EQ(win32::Utf8(title), LanguageTexts[txtHintTitle][0]);
  EXPECT_EQ(get.uTitleBitmap, static_cast<UINT>(TTI_INFO));
}

// The tooltip's notifications reach the list through its replaced procedure, which then passes
// every message on: the list still answers its own messages.
TEST_F(BalloonWin32Test, NotificationsThroughTheRealListProcedure) {
  system.tickCount = 50000;
  Notify(tooltip, TTN_SHOW);
  EXPECT_EQ(form1.ToolInfo().lParam, 5);
  Notify(tooltip, TTN_POP);
  EXPECT_EQ(form1.ToolInfo().lParam, 50000);
  Notify(Main(), TTN_LINKCLICK);
  EXPECT_TRUE(system.shellCalls.empty()) << "from another window";
  Notify(tooltip, TTN_LINKCLICK);
  ASSERT_EQ(system.shellCalls.size(), 1u);
  EXPECT_EQ(system.shellCalls[0].owner, reinterpret_cast<WindowHandle>(Main()));
  EXPECT_FALSE(::IsWindowVisible(tooltip));
  EXPECT_EQ(system.traces, (std::vector<std::string>{"--- created ---", "-- show", "-- hide", "-- TTN_LINKCLICK"}));
  EXPECT_EQ(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 250);
}

TEST_F(BalloonWin32Test, CloseRemovesTheToolAndThenDestroysTheTooltip) {
  TCloseAction action = TCloseAction::Free;
  form1.FormClose(nullptr, action);
  EXPECT_EQ(windows.toolsWhenDestroyed, 0) << "the tooltip finds the tool by window and id";
  EXPECT_FALSE(::IsWindow(tooltip));
  EXPECT_EQ(action, TCloseAction::Free);
}

}  // namespace
}  // namespace orvel::toolkit_test
