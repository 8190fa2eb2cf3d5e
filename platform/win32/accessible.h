// What the program's controls tell assistive technology (Microsoft Active Accessibility, which UI
// Automation clients read through its proxy): the system's standard answers, with the name, and for
// the speed buttons the role, shortcut, state and default action, taken from the control itself.
#pragma once

#include <string>

#include "win32_api.h"

namespace orvel {

// Implemented by a control wrapper that answers for its window; asked at every question, so the
// answers follow the control (a relabelled caption, a disabled button).
class AccessibleFacts {
 public:
  virtual std::string AccessibleName() const = 0;
  // A push button: its shortcut ("Alt+S", "Ctrl+B"), its state, and the press that is its default action.
  virtual bool IsPushButton() const { return false; }
  virtual std::string AccessibleShortcut() const { return {}; }
  virtual long AccessibleState() const { return 0; }
  // Starts the default action; returns at once, the action follows from the message queue.
  virtual bool DoDefaultAction() { return false; }

 protected:
  ~AccessibleFacts() = default;
};

// The accessible object of the client area (OBJID_CLIENT) of a window whose Win32Window object is
// also its AccessibleFacts; 0 when it cannot be made (then the window's own handling answers).
LRESULT AccessibleClientObject(HWND window, WPARAM wParam);

}  // namespace orvel
