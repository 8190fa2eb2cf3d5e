// The main window: its window class, its controls from the form definition, and the dispatch of
// its messages to the toolkit's events.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "app/form_definition.h"
#include "app/form_layout.h"
#include "application.h"
#include "controls.h"
#include "event_guard.h"

namespace orvel {

class Win32SpeedButton;

class Win32Form : public TFormWindow, public Win32Window {
 public:
  static constexpr const wchar_t* kClassName = L"TForm1";
  static void RegisterWindowClass(HINSTANCE instance, HICON icon, HICON smallIcon);

  // The control wrappers of the form definition, without windows yet.
  explicit Win32Form(Win32Application& application);
  // Destroys a window still open without firing events: what they were bound to may be gone.
  ~Win32Form() override;

  // The window, hidden and centred on the screen at the density it is shown at (fitted into its
  // monitor's work area where a scaled size does not fit), and every control of the form definition.
  void Create(HINSTANCE instance);
  // Destroys the window with its events still bound (the end of the message loop).
  void Destroy();

  // The wrapper of the control with this name, as its Win32 class.
  template <class Wrapper>
  Wrapper& Find(std::string_view name) {
    return dynamic_cast<Wrapper&>(Child(name));
  }

  // A key for the window or any of its controls, to the window's key handler before the control;
  // false when the handler swallowed it, else the key to pass on is in `key`.
  bool PreviewKeyDown(WPARAM& key);
  // Keyboard handling of the message loop; true when the key was used.
  bool MoveFocusByTab(bool backward);
  bool ClickAccelerator(wchar_t key);  // a character of WM_SYSCHAR
  bool ClickShortcut(std::uint16_t virtualKey);  // Ctrl with the key

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_); }
  void SetVisible(bool visible) override;
  bool Visible() const override;
  void SetEnabled(bool enabled) override;
  bool Enabled() const override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return WindowText(window_); }
  int Width() const override;
  int Height() const override;
  TControl& FindControl(std::string_view name) override { return Child(name).AsControl(); }
  // The window's caption names it.
  void SetAccessibleName(const std::string&) override {}

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Detached() noexcept override;
  void Escaped(const std::exception& failure) noexcept override;
  Win32ChildControl& Child(std::string_view name);
  // The first speed button that matches; nullptr when none does.
  Win32SpeedButton* FindButton(const std::function<bool(const Win32SpeedButton&)>& matches);
  void CreateControls(HINSTANCE instance);
  void ArrangeTabOrder();
  // The form font and the window's icons at the current density.
  void LoadDensityResources();
  void ChangeDpi(int dpi, const RECT& suggested);

  void Paint();
  void ArrangeControls(int clientWidth, int clientHeight);
  void LimitTrackSize(MINMAXINFO& info) const;
  void Activate(WORD state, bool minimized);
  void RestoreFocus();
  void FocusFirstControl();
  void Close();
  LRESULT Notify(WPARAM wParam, LPARAM lParam);

  template <class Handler, class... Args>
  void Fire(const Handler& handler, Args&&... args) {
    if (!silent_) FireEvent(application_, handler, std::forward<Args>(args)...);
  }

  Win32Application& application_;
  std::vector<std::unique_ptr<Win32ChildControl>> controls_;  // in the order of the form definition
  int dpi_ = kDesignDpi;
  UniqueFont font_;
  UniqueIcon icon_, smallIcon_;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was deactivated
  bool silent_ = false;       // no events any more: the window is destroyed from the destructor
  bool postQuitOnDestroy_ = true;  // closing the window ends the message loop
};

}  // namespace orvel
