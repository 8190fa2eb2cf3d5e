// What the program's controls tell assistive technology (Microsoft Active Accessibility, which UI
// Automation clients read through its proxy): the system's standard answers, with the name, and for
// the speed buttons the role, shortcut, state and default action, taken from the control itself.
#pragma once

#include <string>

#include "win32_api.h"

namespace orvel {

// Implemented by the Win32Window object of a window that answers for itself; asked at every
// question, so the answers follow the control (a relabelled caption, a disabled button).
class AccessibleFacts {
 public:
  virtual std::string AccessibleName() const = 0;
  // A push button: its shortcut ("Alt+S", "Ctrl+B"), its state, and the press that is its default action.
  virtual bool IsPushButton() const { return false; }
  virtual std::string AccessibleShortcut() const { return {}; }
  virtual long AccessibleState() const { return 0; }
  // Starts the default action; returns at once, the action follows from the message queue.
  virtual bool DoDefaultAction() { return false; }

  // The answer to WM_GETOBJECT for the window's client area (OBJID_CLIENT). A field is named by
  // Dynamic Annotation where the system offers it, which leaves the answers to the standard object
  // (0 here: the window's own handling); elsewhere, and for a push button, an object of its own.
  LRESULT ClientObject(HWND window, WPARAM wParam);
  // The name changed: an annotation follows it.
  void NameChanged(HWND window);
  // The window's last message: its annotation goes with it.
  void Forget(HWND window) noexcept;

 protected:
  ~AccessibleFacts() = default;

 private:
  enum class Naming { Untried, Annotated, OwnObject };
  Naming naming_ = Naming::Untried;
};

}  // namespace orvel
