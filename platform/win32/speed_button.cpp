#include "speed_button.h"

#include <iterator>

#include <oleacc.h>

#include "app/form_layout.h"
#include "resource_ids.h"

#include "event_guard.h"
#include "text.h"
#include "window_messages.h"

namespace orvel {

namespace {

constexpr int kGlyphSpacing = 4;  // pixels between glyph and caption at the design density
constexpr int kGlyphWidths[] = {16, 20, 24, 32};  // in the order of their resource ids' steps

}  // namespace

void Win32SpeedButton::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW cls{};
  cls.style = CS_HREDRAW | CS_VREDRAW;  // no CS_DBLCLKS: a quick second click is a second click
  cls.hInstance = instance;
  cls.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.lpszClassName = kClassName;
  Win32Window::RegisterWindowClass(cls);
}

void Win32SpeedButton::Create(const ControlCreation& c) {
  glyphId_ = c.def.glyph;
  shortcut_ = c.def.shortcut;
  spacing_ = Scaled(kGlyphSpacing, c.dpi);
  LoadGlyph(c.instance, glyphId_, c.dpi);
  // No WS_TABSTOP and no focus: the button never calls SetFocus.
  CreateChildWindow(c, kClassName, c.def.caption ? c.def.caption : "", WS_VISIBLE, 0, true);
  ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
}

void Win32SpeedButton::ChangeDpi(int previousDpi, int dpi, HFONT font, const Rect& rect) {
  spacing_ = Scaled(kGlyphSpacing, dpi);
  LoadGlyph(reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE)), glyphId_, dpi);
  Win32ChildControl::ChangeDpi(previousDpi, dpi, font, rect);
}

void Win32SpeedButton::SetCaption(const std::string& caption) {
  if (window_) ::SetWindowTextW(window_, win32::Wide(caption).c_str());
}

void Win32SpeedButton::Click() { FireEvent(application_, OnClick, this); }

std::string Win32SpeedButton::AccessibleName() const {
  return accessibleName_.empty() ? PlainCaption(WindowText(window_)) : accessibleName_;
}

std::string Win32SpeedButton::AccessibleShortcut() const {
  if (shortcut_) return std::string("Ctrl+") + shortcut_;
  const wchar_t accelerator = AcceleratorKey(window_);
  return accelerator ? "Alt+" + win32::Utf8(std::wstring_view(&accelerator, 1)) : std::string();
}

long Win32SpeedButton::AccessibleState() const {
  long state = 0;
  if (!::IsWindowEnabled(window_)) state |= STATE_SYSTEM_UNAVAILABLE;
  if (!::IsWindowVisible(window_)) state |= STATE_SYSTEM_INVISIBLE;
  if (down_) state |= STATE_SYSTEM_PRESSED;
  if (hot_) state |= STATE_SYSTEM_HOTTRACKED;
  return state;
}

// The press runs from the message queue: the asking program must not wait through a scan or a dialog.
bool Win32SpeedButton::DoDefaultAction() {
  return Clickable() && ::PostMessageW(window_, kClickLater, 0, 0) != FALSE;
}

// The colour of the bitmap's bottom-left pixel is transparent. Drawn at its own size rather than
// stretched, a glyph stays sharp.
void Win32SpeedButton::LoadGlyph(HINSTANCE instance, int resourceId, int dpi) {
  glyph_.reset();
  disabledGlyph_.reset();
  glyphSize_ = {0, 0};
  if (resourceId == 0) return;
  int step = 0;
  for (int i = 0; i < static_cast<int>(std::size(kGlyphWidths)); ++i)
    if (kGlyphWidths[i] <= Scaled(16, dpi)) step = i;
  UniqueBitmap bitmap(static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId + step * IDB_GLYPH_STEP),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP info{};
  if (!bitmap || !::GetObjectW(bitmap.get(), sizeof info, &info)) return;
  COLORREF transparent = CLR_NONE;
  {
    UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    const SelectObjectScope select(dc.get(), bitmap.get());
    transparent = ::GetPixel(dc.get(), 0, info.bmHeight - 1);
  }
  glyph_.reset(::ImageList_Create(info.bmWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, 1, 0));
  if (!glyph_ || ::ImageList_AddMasked(glyph_.get(), bitmap.get(), transparent) < 0) {
    glyph_.reset();
    return;
  }
  glyphSize_ = {info.bmWidth, info.bmHeight};
  disabledGlyph_.reset(::ImageList_GetIcon(glyph_.get(), 0, ILD_NORMAL));
}

LRESULT Win32SpeedButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(PaintScope(window_).get());
      return 0;
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills every pixel
    case WM_MOUSEMOVE:
      MouseMove({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_MOUSELEAVE:
      hot_ = false;
      Redraw();
      return 0;
    case WM_LBUTTONDOWN:
      ButtonDown();
      return 0;
    case WM_LBUTTONUP:
      ButtonUp();
      return 0;
    case WM_CAPTURECHANGED:
      if (pressed_ && reinterpret_cast<HWND>(lParam) != window_) Reset();
      return 0;
    case WM_ENABLE:
    case WM_SHOWWINDOW:
      if (!wParam) Reset();
      Redraw();
      return Default(message, wParam, lParam);
    case WM_SETTEXT: {
      const LRESULT result = Default(message, wParam, lParam);
      Redraw();
      return result;
    }
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      if (lParam) Redraw();
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case kClickLater:
      if (Clickable()) Click();
      return 0;
    default:
      return Default(message, wParam, lParam);
  }
}

void Win32SpeedButton::MouseMove(POINT at) {
  if (!hot_) {
    hot_ = true;
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window_, 0};
    ::TrackMouseEvent(&track);
    Redraw();
  }
  if (!pressed_) return;
  RECT client;
  ::GetClientRect(window_, &client);
  const bool inside = ::PtInRect(&client, at) != FALSE;
  if (inside == down_) return;
  down_ = inside;
  Redraw();
}

void Win32SpeedButton::ButtonDown() {
  ::SetCapture(window_);
  pressed_ = down_ = true;
  Redraw();
}

void Win32SpeedButton::ButtonUp() {
  if (!pressed_) return;
  const bool clicked = down_;
  pressed_ = down_ = false;
  ::ReleaseCapture();
  Redraw();
  // Shown raised again before the handler runs: a scan keeps the thread busy for a while.
  ::UpdateWindow(window_);
  if (clicked) Click();
}

void Win32SpeedButton::Reset() {
  hot_ = pressed_ = down_ = false;
}

void Win32SpeedButton::Redraw() const {
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

// Drawn off-screen and copied in one go, so hovering does not flicker.
void Win32SpeedButton::Paint(HDC dc) const {
  RECT bounds;
  ::GetClientRect(window_, &bounds);
  const int width = bounds.right, height = bounds.bottom;
  UniqueMemoryDC buffer(::CreateCompatibleDC(dc));
  UniqueBitmap surface(::CreateCompatibleBitmap(dc, width, height));
  if (!buffer || !surface) {
    DrawFace(dc, bounds);
    return;
  }
  const SelectObjectScope select(buffer.get(), surface.get());
  DrawFace(buffer.get(), bounds);
  ::BitBlt(dc, 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
}

void Win32SpeedButton::DrawFace(HDC dc, const RECT& bounds) const {
  ::FillRect(dc, &bounds, ::GetSysColorBrush(COLOR_BTNFACE));
  const bool enabled = ::IsWindowEnabled(window_) != FALSE;
  RECT edge = bounds;
  if (enabled && (down_ || hot_)) ::DrawEdge(dc, &edge, down_ ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);

  const std::wstring caption = WideWindowText(window_);
  const SelectObjectScope font(dc, font_);
  SIZE text{0, 0};
  if (!caption.empty()) {
    RECT extent{0, 0, 0, 0};
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &extent, DT_CALCRECT | DT_SINGLELINE);
    text = {extent.right, extent.bottom};
  }
  const int spacing = (glyph_ && text.cx > 0) ? spacing_ : 0;
  const int offset = down_ ? 1 : 0;
  const int left = (bounds.right - (glyphSize_.cx + spacing + text.cx)) / 2 + offset;
  DrawGlyph(dc, left, (bounds.bottom - glyphSize_.cy) / 2 + offset, enabled);
  if (caption.empty()) return;

  const int textLeft = left + glyphSize_.cx + spacing;
  const int textTop = (bounds.bottom - text.cy) / 2 + offset;
  if (!enabled) {
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption.c_str()), static_cast<WPARAM>(caption.size()),
                 textLeft, textTop, text.cx, text.cy, DST_PREFIXTEXT | DSS_DISABLED);
    return;
  }
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  RECT area{textLeft, textTop, textLeft + text.cx, textTop + text.cy};
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &area, DT_SINGLELINE | DT_LEFT);
}

void Win32SpeedButton::DrawGlyph(HDC dc, int x, int y, bool enabled) const {
  if (!glyph_) return;
  if (enabled || !disabledGlyph_) {
    ::ImageList_Draw(glyph_.get(), 0, dc, x, y, ILD_TRANSPARENT);
    return;
  }
  ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(disabledGlyph_.get()), 0, x, y, glyphSize_.cx,
               glyphSize_.cy, DST_ICON | DSS_DISABLED);
}

}  // namespace orvel
