#include "application.h"

#include <iterator>
#include <utility>

#include "event_guard.h"
#include "handles.h"
#include "text.h"
#include "win32_error.h"
#include "window.h"
#include "window_messages.h"

namespace orvel {

namespace {

// The hook of the ShowMessage call in progress on this thread.
thread_local HHOOK centringHook = nullptr;

void CentreOnScreen(HWND box) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoW(::MonitorFromWindow(box, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  RECT rect;
  ::GetWindowRect(box, &rect);
  const RECT& screen = monitor.rcMonitor;
  const int left = screen.left + ((screen.right - screen.left) - (rect.right - rect.left)) / 2;
  const int top = screen.top + ((screen.bottom - screen.top) - (rect.bottom - rect.top)) / 2;
  ::SetWindowPos(box, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsDialogBox(HWND window) {
  wchar_t name[16] = {};
  return ::GetClassNameW(window, name, static_cast<int>(std::size(name))) && ::lstrcmpW(name, L"#32770") == 0;
}

// Message boxes centre themselves on their owner; this one belongs in the middle of the screen.
LRESULT CALLBACK CentreMessageBox(int code, WPARAM wParam, LPARAM lParam) noexcept {
  const HHOOK hook = centringHook;
  if (code == HCBT_ACTIVATE && IsDialogBox(reinterpret_cast<HWND>(wParam))) {
    CentreOnScreen(reinterpret_cast<HWND>(wParam));
    centringHook = nullptr;
    ::UnhookWindowsHookEx(hook);
    return 0;
  }
  return ::CallNextHookEx(hook, code, wParam, lParam);
}

// Hooks the thread for one ShowMessage; the hook unhooks itself once the box is centred.
class CentringHookScope {
 public:
  CentringHookScope() noexcept
      : previous_(std::exchange(centringHook,
                                ::SetWindowsHookExW(WH_CBT, &CentreMessageBox, nullptr, ::GetCurrentThreadId()))) {}
  CentringHookScope(const CentringHookScope&) = delete;
  CentringHookScope& operator=(const CentringHookScope&) = delete;
  ~CentringHookScope() {
    if (centringHook) ::UnhookWindowsHookEx(centringHook);
    centringHook = previous_;
  }

 private:
  HHOOK previous_;
};

}  // namespace

Win32MessageWindow::Win32MessageWindow(TApplication& application, const wchar_t* className, Taker take)
    : application_(application), take_(std::move(take)) {
  CreateMessageOnly(className);
}

Win32MessageWindow::~Win32MessageWindow() {
  if (window_) ::DestroyWindow(window_);
}

LRESULT Win32MessageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return take_(message, wParam) ? 0 : Default(message, wParam, lParam);
}

void Win32MessageWindow::Escaped(const std::exception& failure) noexcept { ReportEscapedError(application_, failure); }

Win32Application::Win32Application() : messageBox_(&::MessageBoxW) {}

Win32Application::~Win32Application() = default;

void Win32Application::ShowMessage(const std::string& text) {
  const CentringHookScope centring;
  messageBox_(mainWindow_, win32::Wide(text).c_str(), win32::Wide(title_).c_str(), MB_OK);
}

int Win32Application::MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
  return messageBox_(mainWindow_, win32::Wide(text).c_str(), win32::Wide(caption).c_str(), flags);
}

void Win32Application::ShowErrorBox(const std::string& text) {
  messageBox_(mainWindow_, win32::Wide(text).c_str(), win32::Wide(title_).c_str(), MB_ICONERROR | MB_OK);
}

// Item i has the command id i + 1: TrackPopupMenuEx answers 0 when nothing was chosen.
int Win32Application::PopupMenu(const std::vector<TMenuItem>& items, int x, int y) {
  const UniqueMenu menu(::CreatePopupMenu());
  if (!menu) ThrowLastError("CreatePopupMenu");
  UINT_PTR command = 0;
  for (const TMenuItem& item : items) {
    ++command;
    const UINT flags = item.Caption.empty() ? MF_SEPARATOR : MF_STRING | (item.Enabled ? MF_ENABLED : MF_GRAYED);
    const std::wstring caption = win32::Wide(item.Caption);
    if (!::AppendMenuW(menu.get(), flags, command, caption.empty() ? nullptr : caption.c_str()))
      ThrowLastError("AppendMenuW");
  }
  const BOOL chosen = ::TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                         x, y, mainWindow_, nullptr);
  return static_cast<int>(chosen) - 1;
}

Win32MessageWindow& Win32Application::Calls() {
  if (!callWindow_) {
    callWindow_ = std::make_unique<Win32MessageWindow>(*this, L"OrvelPostedCalls", [this](UINT message, WPARAM wParam) {
      if (message == kRunPosted) RunNextPosted();
      else if (message == WM_TIMER) RunTimed(static_cast<UINT_PTR>(wParam));
      else return false;
      return true;
    });
  }
  return *callWindow_;
}

void Win32Application::Post(std::function<void()> call) {
  const HWND window = Calls().Window();
  posted_.push_back(std::move(call));
  if (!::PostMessageW(window, kRunPosted, 0, 0)) {
    posted_.pop_back();
    ThrowLastError("PostMessageW");
  }
}

// One message, one call, in the order posted; a failing call is reported as a failing handler is.
void Win32Application::RunNextPosted() noexcept {
  if (posted_.empty()) return;
  const std::function<void()> call = std::move(posted_.front());
  posted_.pop_front();
  FireEvent(*this, call);
}

void Win32Application::PostAfter(std::uint32_t milliseconds, std::function<void()> call) {
  const HWND window = Calls().Window();
  const UINT_PTR timer = ++lastTimer_;
  timed_.emplace(timer, std::move(call));
  if (!::SetTimer(window, timer, milliseconds, nullptr)) {
    timed_.erase(timer);
    ThrowLastError("SetTimer");
  }
}

void Win32Application::RunTimed(UINT_PTR timer) noexcept {
  const auto found = timed_.find(timer);
  if (found == timed_.end()) return;
  ::KillTimer(callWindow_->Window(), timer);
  const std::function<void()> call = std::move(found->second);
  timed_.erase(found);
  FireEvent(*this, call);
}

}  // namespace orvel
