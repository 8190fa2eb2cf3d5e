// The main window: its window class, its controls from the form definition, and the dispatch of
// its messages to the toolkit's events.
#pragma once

#include "app/form1.h"
#include "application.h"
#include "controls.h"
#include "list_view.h"
#include "speed_button.h"

namespace orvel {

class Win32Form : public TFormWindow {
 public:
  static constexpr const char* kClassName = "TForm1";
  static void RegisterWindowClass(HINSTANCE instance, HICON icon, HICON smallIcon);

  explicit Win32Form(Win32Application& application);
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;
  // Destroys a window still open without firing events: what they were bound to may be gone.
  ~Win32Form() override;

  // The window, hidden and centred on the screen, and every control of the form definition.
  void Create(HINSTANCE instance, HFONT font, HICON icon, HICON smallIcon);
  // Destroys the window with its events still bound (the end of the message loop).
  void Destroy();
  TForm1Controls Controls();
  HWND Window() const noexcept { return window_; }

  // Keyboard handling of the message loop; true when the key was used.
  bool MoveFocusByTab(bool backward);
  bool ClickAccelerator(char key);

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_); }
  void SetVisible(bool visible) override;
  bool Visible() const override;
  void SetEnabled(bool enabled) override;
  bool Enabled() const override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return WindowText(window_); }
  int Width() const override;
  int Height() const override;

  Win32ListView ListView1;
  Win32Label PcLabel;
  Win32Label UserLabel;
  Win32Label PassLabel;
  Win32Edit PasswordEdit;
  Win32StatusBar StatusBar;
  Win32SpeedButton DirButton;
  Win32ComboBox PcComboBox;
  Win32Animate Animate1;
  Win32SpeedButton InfoButton;
  Win32SpeedButton GoogleButton;
  Win32SpeedButton StartButton;
  Win32ComboBox UserComboBox;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  Win32ChildControl& Control(ControlId id);
  void CreateControls(HINSTANCE instance, HFONT font);
  void ArrangeTabOrder();
  void Detached() noexcept;

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
  HWND window_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was deactivated
  bool silent_ = false;       // no events any more: the window is destroyed from the destructor
  bool postQuitOnDestroy_ = true;  // closing the window ends the message loop
};

}  // namespace orvel
