// A window whose messages go to a C++ object: the one window procedure of the program's own classes
// and of the windows it subclasses.
#pragma once

#include <exception>

#include "win32_api.h"

namespace orvel {

class Win32Window {
 public:
  Win32Window() = default;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;
  virtual ~Win32Window() = default;

  HWND Window() const noexcept { return window_; }

 protected:
  // Registers a window class of the program's own (once); its windows must be created with their
  // object as the creation parameter (CreationParameter()).
  static void RegisterWindowClass(WNDCLASSEXW cls);
  void* CreationParameter() noexcept { return this; }
  // Creates this object's window as a message-only one (HWND_MESSAGE) of a class of its own: a
  // receiver of messages posted to the thread, from the constructor of the class that handles them.
  void CreateMessageOnly(const wchar_t* className);
  // Routes the messages of an existing window here; what Default() gets reaches its old procedure.
  void Subclass(HWND window);

  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
  }
  // The window's own handling: its previous procedure, else DefWindowProc.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const;
  // After the window's last message (WM_NCDESTROY); window_ is null by then.
  virtual void Detached() noexcept {}
  // A failure that escaped HandleMessage, stopped before it could unwind through Windows: each
  // window reports it (none may be swallowed).
  virtual void Escaped(const std::exception& failure) noexcept = 0;

  HWND window_ = nullptr;

 private:
  // `this` lives in GWLP_USERDATA from WM_NCCREATE (or the subclassing) to WM_NCDESTROY.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  WNDPROC original_ = nullptr;
};

}  // namespace orvel
