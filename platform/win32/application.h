// The application object over Win32: title, deactivation event and the toolkit's own boxes.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "win32_api.h"
#include "window.h"

namespace orvel {

// A message-only window of the calling thread for the program's own messages: those `take` answers
// true for are handled, the rest go to the default procedure; a failure is reported to the application.
class Win32MessageWindow : public Win32Window {
 public:
  using Taker = std::function<bool(UINT message, WPARAM wParam)>;
  Win32MessageWindow(TApplication& application, const wchar_t* className, Taker take);
  ~Win32MessageWindow() override;

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Escaped(const std::exception& failure) noexcept override;

  TApplication& application_;
  Taker take_;
};

class Win32Application : public TApplication {
 public:
  // MessageBoxW's shape; replaceable so that tests see the boxes instead of waiting on them.
  using MessageBoxFunction = std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)>;

  Win32Application();
  ~Win32Application() override;

  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  // Owned by the main window, no icon, centred on the screen (a CBT hook moves it there).
  void ShowMessage(const std::string& text) override;
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;
  void ShowErrorBox(const std::string& text) override;
  int PopupMenu(const std::vector<TMenuItem>& items, int x, int y) override;
  // To a message-only window of its own: a posted call needs no main window.
  void Post(std::function<void()> call) override;
  // A timer of that window, killed when it first fires.
  void PostAfter(std::uint32_t milliseconds, std::function<void()> call) override;

  void SetMainWindow(HWND window) noexcept { mainWindow_ = window; }
  HWND MainWindow() const noexcept { return mainWindow_; }
  void SetMessageBoxFunction(MessageBoxFunction function) { messageBox_ = std::move(function); }

 private:
  std::string title_;
  HWND mainWindow_ = nullptr;
  MessageBoxFunction messageBox_;

  void RunNextPosted() noexcept;
  void RunTimed(UINT_PTR timer) noexcept;
  // Receives the posted calls' messages: they wait in the thread's queue behind what is being handled.
  Win32MessageWindow& Calls();
  std::deque<std::function<void()>> posted_;
  std::map<UINT_PTR, std::function<void()>> timed_;  // by timer id
  UINT_PTR lastTimer_ = 0;
  std::unique_ptr<Win32MessageWindow> callWindow_;  // created by the first Post
};

}  // namespace orvel
