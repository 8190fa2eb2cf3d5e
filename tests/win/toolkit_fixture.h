// The real main window, created through the Win32 toolkit, for tests that query it back with
// Win32 calls. Boxes of the application object are recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/form_definition.h"
#include "app/form_layout.h"
#include "platform/win32/list_view.h"
#include "platform/win32/text.h"
#include "platform/win32/speed_button.h"
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
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
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
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return win32::Utf8(name);
}

// The text of one cell of a list view as UTF-8; column 0 is the item's caption.
inline std::string ItemText(HWND list, int row, int column) {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return win32::Utf8(buffer);
}

// A window's text as UTF-8, read back by Windows' own call.
inline std::string TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return win32::Utf8(text);
}

// A simple status bar's text as UTF-8: Windows answers for the simple part, Wine for part 0.
inline std::string StatusText(HWND status) {
  wchar_t shown[256] = {}, simple[256] = {};
  ::SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(shown));
  ::SendMessageW(status, SB_GETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simple));
  return win32::Utf8(simple[0] ? simple : shown);
}

inline DWORD StyleOf(HWND window) { return static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)); }

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

inline const ControlDef& DefOf(std::string_view name) {
  const ControlDef* def = FindControlDef(name);
  if (!def) throw std::logic_error("no control " + std::string(name));
  return *def;
}

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
  explicit ToolkitTest(int showCommand = SW_SHOWNORMAL) : toolkit(::GetModuleHandleW(nullptr), showCommand) {
    toolkit.Application().SetTitle("Orvel under test");
    toolkit.Application().SetMessageBoxFunction([this](HWND owner, const wchar_t* text, const wchar_t* caption,
                                                       UINT flags) {
      boxes.push_back({owner, win32::Utf8(text), win32::Utf8(caption), flags});
      return IDOK;
    });
    toolkit.CreateMainForm();
  }
  // A window closed by a test ended a message loop that never ran: its WM_QUIT must not reach
  // the loops of later tests.
  ~ToolkitTest() override {
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  Win32Form& Form() { return *toolkit.MainForm(); }
  HWND Main() { return Form().Window(); }

  // A control as TForm1 sees it, found by its name in the form definition.
  template <class Portable = TControl>
  Portable& Control(std::string_view name) {
    return dynamic_cast<Portable&>(Form().FindControl(name));
  }
  HWND WindowOf(std::string_view name) { return reinterpret_cast<HWND>(Control(name).Handle()); }

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
};

}  // namespace orvel::toolkit_test
