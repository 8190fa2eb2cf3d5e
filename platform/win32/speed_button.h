// A flat button with a glyph beside its caption: a raised border only under the mouse, sunken
// while pressed, never the keyboard focus.
#pragma once

#include "controls.h"

namespace orvel {

class Win32SpeedButton : public Win32Control<TSpeedButton>, public AccessibleFacts {
 public:
  static constexpr const wchar_t* kClassName = L"OrvelSpeedButton";
  static void RegisterWindowClass(HINSTANCE instance);

  explicit Win32SpeedButton(TApplication& application) : Win32Control(application) {}
  void Create(const ControlCreation& creation) override;
  void ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return WindowText(window_); }

  // A click by the mouse, the caption's accelerator or the button's shortcut.
  void Click();
  // Shown and enabled: a click by key or by assistive technology reaches it.
  bool Clickable() const { return window_ && ::IsWindowVisible(window_) && ::IsWindowEnabled(window_); }

  // A push button for assistive technology, named by its caption unless it has a name of its own.
  std::string AccessibleName() const override;
  bool IsPushButton() const override { return true; }
  std::string AccessibleShortcut() const override;
  long AccessibleState() const override;
  bool DoDefaultAction() override;

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The glyph drawn for the density: the widest of its sizes that the density's 16 pixels hold.
  void LoadGlyph(HINSTANCE instance, int resourceId, int dpi);
  void Paint(HDC dc) const;
  void DrawFace(HDC dc, const RECT& bounds) const;
  void DrawGlyph(HDC dc, int x, int y, bool enabled) const;
  void MouseMove(POINT at);
  void ButtonDown();
  void ButtonUp();
  void Reset();
  void Redraw() const;

  int glyphId_ = 0;  // the 16-pixel glyph's resource id, 0: none
  char shortcut_ = 0;  // with Ctrl; 0: none
  int spacing_ = 0;  // between glyph and caption
  UniqueImageList glyph_;
  UniqueIcon disabledGlyph_;  // the glyph as an icon, for DrawState's embossed look
  SIZE glyphSize_{0, 0};
  HFONT font_ = nullptr;
  bool hot_ = false;      // the mouse is over the button
  bool pressed_ = false;  // the left button went down on it and is still down
  bool down_ = false;     // pressed with the mouse over it: drawn sunken
};

}  // namespace orvel
