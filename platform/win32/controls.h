// Win32 wrappers of the main window's controls: each owns the state the portable side reads back
// and turns its control's messages into the toolkit's events.
#pragma once

#include <string>
#include <string_view>

#include "accessible.h"
#include "app/form_definition.h"
#include "app/program.h"
#include "handles.h"
#include "platform/ui.h"
#include "win32_api.h"
#include "window.h"

namespace orvel {

// What a control needs to create its window.
struct ControlCreation {
  HWND parent;
  HINSTANCE instance;
  const ControlDef& def;
  int windowId;  // GWLP_ID of the control's window
  Rect rect;     // where it stands in the parent's current client area
  HFONT font;    // the form's font
  int dpi;       // the density the form is shown at
};

// The text of a window, as UTF-8 and as Windows holds it.
std::string WindowText(HWND window);
std::wstring WideWindowText(HWND window);

// The modifier keys held now (of the thread's keyboard state).
TShiftState CurrentShiftState();

// A character in upper case by the user's locale, as the keyboard's accelerators compare them.
wchar_t UpperCase(wchar_t c);

// The letter a caption's "&" marks, in upper case; 0 when it marks none.
wchar_t AcceleratorKey(HWND window);

inline LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return ::SendMessageW(window, message, wParam, lParam);
}

// The Windows side of every control wrapper.
class Win32ChildControl : public Win32Window {
 public:
  // The control as the window logic sees it.
  virtual TControl& AsControl() noexcept = 0;
  virtual void Create(const ControlCreation& creation) = 0;
  // The form moved to a screen of another density: its font at that density, and the control's
  // place there.
  virtual void ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect);
  // A WM_NOTIFY from this control, reflected to it by the form; true when handled.
  virtual bool Notify(NMHDR& header, LRESULT& result);
  // The window went with its parent.
  void Detach() noexcept { window_ = nullptr; }

 protected:
  std::string accessibleName_;

  // ownClass: the class is one of the program's own, whose procedure finds this object.
  HWND CreateChildWindow(const ControlCreation& creation, const wchar_t* className, std::string_view text,
                         DWORD style, DWORD exStyle, bool ownClass = false);
};

// The TControl part of a wrapper: window handle, visibility and enabled state.
template <class Base>
class Win32Control : public Base, public Win32ChildControl {
 public:
  TControl& AsControl() noexcept override { return *this; }
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_); }
  void SetVisible(bool visible) override {
    if (window_) ::ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
  }
  bool Visible() const override { return window_ && (::GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE) != 0; }
  void SetEnabled(bool enabled) override {
    if (window_) ::EnableWindow(window_, enabled);
  }
  bool Enabled() const override { return window_ && ::IsWindowEnabled(window_); }
  // A window that answers assistive technology for itself follows the new name.
  void SetAccessibleName(const std::string& name) override {
    accessibleName_ = name;
    if (auto* facts = dynamic_cast<AccessibleFacts*>(this); facts && window_) facts->NameChanged(window_);
  }

 protected:
  explicit Win32Control(TApplication& application) : application_(application) {}
  // Shown in the error box, as the main window shows what escapes its procedure.
  void Escaped(const std::exception& failure) noexcept override { ReportEscapedError(application_, failure); }
  TApplication& application_;
};

// Fires the key-down event for a key message before the window sees it; false when the handler
// swallowed the key (set it to 0), else the key to pass on is in wParam.
bool PassKeyDown(TApplication& application, const TKeyEvent& event, TObject& sender, WPARAM& wParam);

// The edit field inside a combo box, which holds the keyboard focus for it: its WM_KEYDOWN and
// WM_SYSKEYDOWN fire the combo box's key-down event before the field sees the key (a handler that
// sets the key to 0 swallows it), and assistive technology hears the combo box's name.
class ComboBoxEdit : public Win32Window, public AccessibleFacts {
 public:
  ComboBoxEdit(TApplication& application, TObject& sender, const TKeyEvent& event, const AccessibleFacts& namedAs)
      : application_(application), sender_(sender), event_(event), namedAs_(namedAs) {}
  void Attach(HWND window) { Subclass(window); }
  std::string AccessibleName() const override { return namedAs_.AccessibleName(); }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Escaped(const std::exception& failure) noexcept override { ReportEscapedError(application_, failure); }
  TApplication& application_;
  TObject& sender_;
  const TKeyEvent& event_;
  const AccessibleFacts& namedAs_;
};

// A static text that sizes itself to its caption, left edge fixed; "&" underlines the next letter.
class Win32Label : public Win32Control<TLabel> {
 public:
  explicit Win32Label(TApplication& application) : Win32Control(application) {}
  void Create(const ControlCreation& creation) override;
  void ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return WindowText(window_); }

 private:
  void AutoSize();
};

// The password field: every character shown as "*"; its keys reach the key event first.
class Win32Edit : public Win32Control<TEdit>, public AccessibleFacts {
 public:
  explicit Win32Edit(TApplication& application) : Win32Control(application) {}
  void Create(const ControlCreation& creation) override;
  void SetText(const std::string& text) override;
  std::string Text() const override { return WindowText(window_); }
  std::string AccessibleName() const override { return accessibleName_; }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A drop-down or simple combo box; key events come from its edit field.
class Win32ComboBox : public Win32Control<TComboBox>, public AccessibleFacts {
 public:
  explicit Win32ComboBox(TApplication& application)
      : Win32Control(application), edit_(application, *this, OnKeyDown, *this) {}
  void Create(const ControlCreation& creation) override;
  void SetAccessibleName(const std::string& name) override;
  void ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) override;
  HWND EditWindow() const noexcept { return edit_.Window(); }

  void SetText(const std::string& text) override;
  std::string Text() const override { return WindowText(window_); }
  int Count() const override;
  std::string Item(int index) const override;
  int FindStringExact(const std::string& text) const override;
  void AddItem(const std::string& text) override;
  void InsertItem(int index, const std::string& text) override;
  void DeleteItem(int index) override;
  void SetItemIndex(int index) override;
  std::string AccessibleName() const override { return accessibleName_; }

 private:
  // The list shows up to 20 entries, or hides when the box is a simple one a line high.
  void FitList();
  void GrowField(HWND list);
  void SizeDropDownList();
  void HideSliverOfList(HWND list);
  ComboBoxEdit edit_;
  int fieldHeight_ = 0;  // the layout's height of the closed box
};

// A status bar in simple mode with a size grip, docked at the bottom of its parent.
class Win32StatusBar : public Win32Control<TStatusBar> {
 public:
  explicit Win32StatusBar(TApplication& application) : Win32Control(application) {}
  void Create(const ControlCreation& creation) override;
  void ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) override;
  bool Notify(NMHDR& header, LRESULT& result) override;
  void SetSimpleText(const std::string& text) override;
  // Kept here too: not every implementation answers SB_GETTEXT for the simple part.
  std::string SimpleText() const override { return text_; }

 private:
  // The system's status bar font at the density.
  void UseFontFor(int dpi);
  UniqueFont font_;
  std::string text_;
};

// The busy animation: a centred, transparent clip, hidden until a scan shows it.
class Win32Animate : public Win32Control<TAnimate> {
 public:
  explicit Win32Animate(TApplication& application) : Win32Control(application) {}
  void Create(const ControlCreation& creation) override;
  void ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) override;
  void UseOwnClip(int resourceId) override;
  bool UsesCommonClip() const override { return usesCommonClip_; }
  void Play() override;
  void Stop() override;
  bool Playing() const override { return playing_; }

 private:
  bool usesCommonClip_ = true;
  bool playing_ = false;
};

}  // namespace orvel
