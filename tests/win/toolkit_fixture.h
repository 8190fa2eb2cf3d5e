// The real main window, created through the Win32 toolkit, for tests that query it back with
// Win32 calls. Boxes of the application object are recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/form_definition.h"
#include "platform/win32/toolkit.h"

namespace orvel::toolkit_test {

struct RecordedBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT flags;
};

// Dispatches what is queued, through the toolkit's own message handling; a WM_QUIT left by an
// earlier window is dropped.
inline void Pump(Win32Toolkit& toolkit) {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message != WM_QUIT) toolkit.ProcessMessage(message);
}

// Pumps until the condition holds or the time is up; returns the condition.
template <class Condition>
bool PumpUntil(Win32Toolkit& toolkit, Condition done, DWORD timeoutMs = 10000) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    Pump(toolkit);
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

inline std::string ClassNameOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

// The text of one cell of a list view; column 0 is the item's caption.
inline std::string ItemText(HWND list, int row, int column) {
  char buffer[1024] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

inline DWORD StyleOf(HWND window) { return static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE)); }

// A child's rectangle in its parent's client coordinates.
inline Rect ClientRectOf(HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetAncestor(child, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

inline SIZE ClientSizeOf(HWND window) {
  RECT r;
  ::GetClientRect(window, &r);
  return {r.right, r.bottom};
}

inline const ControlDef& DefOf(ControlId id) { return Form1ControlDefs[static_cast<int>(id)]; }

// Sets or clears the pressed bit of keys in the thread's keyboard state, restored at the end.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    ::GetKeyboardState(saved_);
    BYTE state[256];
    ::GetKeyboardState(state);
    for (int key : keys) state[key] |= 0x80;
    ::SetKeyboardState(state);
  }
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;
  ~HeldKeys() { ::SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

class ToolkitTest : public ::testing::Test {
 protected:
  explicit ToolkitTest(int showCommand = SW_SHOWNORMAL) : toolkit(::GetModuleHandleA(nullptr), showCommand) {
    toolkit.Application().SetTitle("Orvel under test");
    toolkit.Application().SetMessageBoxFunction([this](HWND owner, const char* text, const char* caption, UINT flags) {
      boxes.push_back({owner, text, caption, flags});
      return IDOK;
    });
    controls.emplace(toolkit.CreateMainForm());
  }
  // A window closed by a test ended a message loop that never ran: its WM_QUIT must not reach
  // the loops of later tests.
  ~ToolkitTest() override {
    MSG quit;
    while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  Win32Form& Form() { return *toolkit.MainForm(); }
  HWND Main() { return Form().Window(); }

  // The window of each control as TForm1 sees the controls.
  TControl& ControlOf(ControlId id) {
    const TForm1Controls& c = *controls;
    switch (id) {
      case ControlId::ListView1: return c.ListView1;
      case ControlId::PcLabel: return c.PcLabel;
      case ControlId::UserLabel: return c.UserLabel;
      case ControlId::PassLabel: return c.PassLabel;
      case ControlId::PasswordEdit: return c.PasswordEdit;
      case ControlId::StatusBar: return c.StatusBar;
      case ControlId::DirButton: return c.DirButton;
      case ControlId::PcComboBox: return c.PcComboBox;
      case ControlId::Animate1: return c.Animate1;
      case ControlId::InfoButton: return c.InfoButton;
      case ControlId::GoogleButton: return c.GoogleButton;
      case ControlId::StartButton: return c.StartButton;
      case ControlId::UserComboBox: return c.UserComboBox;
      case ControlId::Count: break;
    }
    throw std::logic_error("no such control");
  }
  HWND WindowOf(ControlId id) { return reinterpret_cast<HWND>(ControlOf(id).Handle()); }

  // Shows the window and waits until it is active.
  void ShowActive() {
    ::ShowWindow(Main(), SW_SHOW);
    ::SetForegroundWindow(Main());
    ASSERT_TRUE(PumpUntil(toolkit, [&] { return ::GetActiveWindow() == Main(); }));
  }

  // The direct child of the main window that holds the focus.
  HWND FocusedControl() {
    HWND window = ::GetFocus();
    while (window && ::GetAncestor(window, GA_PARENT) != Main()) window = ::GetAncestor(window, GA_PARENT);
    return window;
  }

  Win32Toolkit toolkit;
  std::vector<RecordedBox> boxes;
  std::optional<TForm1Controls> controls;
};

}  // namespace orvel::toolkit_test
