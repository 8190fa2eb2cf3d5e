#include "form_window.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>

#include "app/form_layout.h"
#include "dpi.h"
#include "list_view.h"
#include "resource_ids.h"
#include "speed_button.h"
#include "text.h"
#include "win32_error.h"

namespace orvel {

namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

// The child of `parent` that is or contains `window`; nullptr when `window` is not inside it.
HWND ChildContaining(HWND parent, HWND window) {
  while (window) {
    const HWND up = ::GetAncestor(window, GA_PARENT);
    if (up == parent) return window;
    window = up;
  }
  return nullptr;
}

bool IsEditControl(HWND window) {
  wchar_t name[8] = {};
  return ::GetClassNameW(window, name, static_cast<int>(std::size(name))) && ::lstrcmpiW(name, L"Edit") == 0;
}

// Child window ids: the control's place in the form definition, after the ids Windows reserves.
constexpr int kFirstControlWindowId = 100;

std::unique_ptr<Win32ChildControl> MakeControl(ControlKind kind, Win32Application& application) {
  switch (kind) {
    case ControlKind::Label: return std::make_unique<Win32Label>(application);
    case ControlKind::Edit: return std::make_unique<Win32Edit>(application);
    case ControlKind::ComboDropDown:
    case ControlKind::ComboSimple: return std::make_unique<Win32ComboBox>(application);
    case ControlKind::SpeedButton: return std::make_unique<Win32SpeedButton>(application);
    case ControlKind::Animate: return std::make_unique<Win32Animate>(application);
    case ControlKind::ListView: return std::make_unique<Win32ListView>(application);
    case ControlKind::StatusBar: return std::make_unique<Win32StatusBar>(application);
  }
  throw std::logic_error("a control kind without a Win32 wrapper");
}

// The work area (the screen without the taskbar and docked bars) of a monitor.
Rect WorkAreaOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!monitor || !::GetMonitorInfoW(monitor, &info))
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  const RECT& work = info.rcWork;
  return {work.left, work.top, work.right - work.left, work.bottom - work.top};
}

// The outer size of a window of the form's styles around the smallest client area, at a density.
Size SmallestOuterSize(int dpi, DWORD style, DWORD exStyle) {
  const Size minimum = MinimumClientSize(dpi);
  RECT frame{0, 0, minimum.width, minimum.height};
  AdjustWindowRectForDpi(frame, style, exStyle, dpi);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// The window's first outer rectangle at a density on a monitor.
Rect FirstPlaceOn(HMONITOR monitor, int dpi) {
  return FirstPlace(dpi, {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}, WorkAreaOf(monitor),
                    SmallestOuterSize(dpi, kFormStyle, kFormExStyle));
}

}  // namespace

void Win32Form::RegisterWindowClass(HINSTANCE instance, HICON icon, HICON smallIcon) {
  WNDCLASSEXW cls{};
  cls.hInstance = instance;
  cls.hIcon = icon;
  cls.hIconSm = smallIcon;
  cls.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  cls.lpszClassName = kClassName;
  Win32Window::RegisterWindowClass(cls);
}

Win32Form::Win32Form(Win32Application& application) : application_(application) {
  for (const ControlDef& def : Form1Controls) controls_.push_back(MakeControl(def.kind, application));
}

Win32Form::~Win32Form() {
  if (!window_) return;
  silent_ = true;
  postQuitOnDestroy_ = false;
  ::DestroyWindow(window_);
}

void Win32Form::Destroy() {
  postQuitOnDestroy_ = false;  // the loop has ended already
  if (window_) ::DestroyWindow(window_);
}

void Win32Form::Create(HINSTANCE instance) {
  // Made for the system's density on the primary screen, and placed anew only when its monitor
  // asks for another place (another density, or too small a work area for the scaled size).
  const POINT screenCentre{::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2};
  const Rect place = FirstPlaceOn(::MonitorFromPoint(screenCentre, MONITOR_DEFAULTTOPRIMARY), SystemDpi());
  ::CreateWindowExW(kFormExStyle, kClassName, win32::Wide(Form1Def.caption).c_str(), kFormStyle, place.left, place.top,
                    place.width, place.height, nullptr, nullptr, instance, CreationParameter());
  if (!window_) ThrowLastError(win32::Utf8(kClassName).c_str());
  dpi_ = WindowDpi(window_);
  const Rect placeHere = FirstPlaceOn(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), dpi_);
  if (placeHere != place)
    ::SetWindowPos(window_, nullptr, placeHere.left, placeHere.top, placeHere.width, placeHere.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  LoadDensityResources();
  application_.SetMainWindow(window_);
  CreateControls(instance);
  ArrangeTabOrder();
  // Accelerators are always underlined, not only after Alt was pressed.
  ::SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
}

// Placed for the client area the window really has: frames differ between systems.
void Win32Form::CreateControls(HINSTANCE instance) {
  RECT client;
  ::GetClientRect(window_, &client);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlDef& def = Form1Controls[i];
    const int windowId = kFirstControlWindowId + static_cast<int>(i);
    controls_[i]->Create(
        {window_, instance, def, windowId, AnchoredRect(def, client.right, client.bottom, dpi_), font_.get(), dpi_});
  }
}

void Win32Form::LoadDensityResources() {
  font_.reset(::CreateFontW(FormFontHeight(dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            win32::Wide(Form1Def.fontName).c_str()));
  // The class's icons (shared, loaded once) are drawn for the system's density; a window on a
  // screen of another one gets icons of its own.
  UniqueIcon big, small;
  if (dpi_ != SystemDpi()) {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    auto load = [&](int widthMetric, int heightMetric) {
      return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                             SystemMetricForDpi(widthMetric, dpi_),
                                             SystemMetricForDpi(heightMetric, dpi_), 0));
    };
    big.reset(load(SM_CXICON, SM_CYICON));
    small.reset(load(SM_CXSMICON, SM_CYSMICON));
  }
  auto shown = [&](const UniqueIcon& own, int classIndex) {
    return reinterpret_cast<LPARAM>(own ? own.get() : reinterpret_cast<HICON>(::GetClassLongPtrW(window_, classIndex)));
  };
  ::SendMessageW(window_, WM_SETICON, ICON_BIG, shown(big, GCLP_HICON));
  ::SendMessageW(window_, WM_SETICON, ICON_SMALL, shown(small, GCLP_HICONSM));
  // Those of a former density go once the window holds the new ones.
  icon_ = std::move(big);
  smallIcon_ = std::move(small);
}

// Moved to a screen of another density: the suggested rectangle, everything laid out anew at the
// density, the column widths (dragged or not) scaled along.
void Win32Form::ChangeDpi(int dpi, const RECT& suggested) {
  const int previous = std::exchange(dpi_, dpi);
  UniqueFont retired = std::move(font_);  // the controls use it until they have the new one
  LoadDensityResources();
  ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  ::GetClientRect(window_, &client);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlDef& def = Form1Controls[i];
    controls_[i]->ChangeDpi(previous, dpi_, font_.get(), AnchoredRect(def, client.right, client.bottom, dpi_));
  }
}

// Tab walks the children in z-order: the focusable ones go to the bottom in Tab sequence.
void Win32Form::ArrangeTabOrder() {
  for (const ControlDef* def : TabSequence())
    ::SetWindowPos(Child(def->name).Window(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

Win32ChildControl& Win32Form::Child(std::string_view name) {
  const ControlDef* def = FindControlDef(name);
  if (!def) throw std::out_of_range("the form has no control " + std::string(name));
  return *controls_[static_cast<std::size_t>(def - Form1Controls.data())];
}

// --- window procedure ----------------------------------------------------------------------------

void Win32Form::Escaped(const std::exception& failure) noexcept { ReportEscapedError(application_, failure); }

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) ArrangeControls(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_GETMINMAXINFO:
      LimitTrackSize(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      Activate(LOWORD(wParam), HIWORD(wParam) != 0);
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_ACTIVATEAPP:
      // The application is no TObject here: its deactivation has no sender.
      if (!wParam) Fire(application_.OnDeactivate, nullptr);
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      if (postQuitOnDestroy_) ::PostQuitMessage(0);
      return 0;
    case WM_NOTIFY:
      return Notify(wParam, lParam);
    case WM_SYSCOLORCHANGE:
      // Only top-level windows hear of it; the common controls repaint in the new colours once told.
      for (const auto& control : controls_)
        if (control->Window()) ::SendMessageW(control->Window(), WM_SYSCOLORCHANGE, wParam, lParam);
      ::InvalidateRect(window_, nullptr, TRUE);
      return 0;
    default:
      return Default(message, wParam, lParam);
  }
}

// The window is gone (window_ is null by now), its controls with it.
void Win32Form::Detached() noexcept {
  for (const auto& control : controls_) control->Detach();
  application_.SetMainWindow(nullptr);
  lastFocus_ = nullptr;
}

// The window itself draws nothing but its background; the paint event follows the painting.
void Win32Form::Paint() {
  {
    const PaintScope background(window_);
  }
  Fire(OnPaint, this);
}

// One pass over the controls that follow the right or bottom edge; the status bar docks itself.
void Win32Form::ArrangeControls(int clientWidth, int clientHeight) {
  HDWP batch = ::BeginDeferWindowPos(static_cast<int>(controls_.size()));
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlDef& def = Form1Controls[i];
    const HWND control = controls_[i]->Window();
    if (!control || !batch || def.kind == ControlKind::StatusBar) continue;
    if (!(def.anchors & (akRight | akBottom))) continue;
    const Rect r = AnchoredRect(def, clientWidth, clientHeight, dpi_);
    batch = ::DeferWindowPos(batch, control, nullptr, r.left, r.top, std::max(r.width, 0), std::max(r.height, 0),
                             SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (batch) ::EndDeferWindowPos(batch);
  const HWND status = Child("StatusBar").Window();
  if (!status) return;
  ::SendMessageW(status, WM_SIZE, 0, 0);
  // Moved and widened at once, it repaints only part of its simple text unless told otherwise.
  ::InvalidateRect(status, nullptr, TRUE);
}

void Win32Form::LimitTrackSize(MINMAXINFO& info) const {
  const Size smallest = SmallestOuterSize(dpi_, static_cast<DWORD>(::GetWindowLongW(window_, GWL_STYLE)),
                                          static_cast<DWORD>(::GetWindowLongW(window_, GWL_EXSTYLE)));
  info.ptMinTrackSize = {smallest.width, smallest.height};
}

void Win32Form::Activate(WORD state, bool minimized) {
  if (state == WA_INACTIVE) {
    const HWND focus = ::GetFocus();
    if (focus && ::IsChild(window_, focus)) lastFocus_ = focus;
    Fire(OnDeactivate, this);
    return;
  }
  if (!minimized) RestoreFocus();
}

// Back to the control that had the focus, else the first in Tab sequence; a control that holds
// the focus already keeps it.
void Win32Form::RestoreFocus() {
  const HWND focus = ::GetFocus();
  if (focus && ::IsChild(window_, focus)) return;
  if (lastFocus_ && ::IsChild(window_, lastFocus_) && ::IsWindowVisible(lastFocus_) && ::IsWindowEnabled(lastFocus_)) {
    ::SetFocus(lastFocus_);
    return;
  }
  FocusFirstControl();
}

void Win32Form::FocusFirstControl() {
  for (const ControlDef* def : TabSequence()) {
    const HWND control = Child(def->name).Window();
    if (control && ::IsWindowVisible(control) && ::IsWindowEnabled(control)) {
      ::SetFocus(control);
      return;
    }
  }
}

bool Win32Form::PreviewKeyDown(WPARAM& key) {
  if (silent_) return true;
  return PassKeyDown(application_, OnKeyDown, *this, key);
}

bool Win32Form::MoveFocusByTab(bool backward) {
  const HWND current = ChildContaining(window_, ::GetFocus());
  const HWND next = ::GetNextDlgTabItem(window_, current, backward);
  if (!next) return false;
  ::SetFocus(next);
  // As in dialogs: the text of an edit field reached by Tab is selected (combo boxes do it themselves).
  if (IsEditControl(next)) ::SendMessageW(next, EM_SETSEL, 0, -1);
  return true;
}

bool Win32Form::ClickAccelerator(wchar_t key) {
  Win32SpeedButton* button = FindButton([&](const Win32SpeedButton& candidate) {
    const wchar_t accelerator = AcceleratorKey(candidate.Window());
    return candidate.Clickable() && accelerator != 0 && accelerator == UpperCase(key);
  });
  if (button) button->Click();
  return button != nullptr;
}

// The key is the button's even while it cannot be clicked.
bool Win32Form::ClickShortcut(std::uint16_t virtualKey) {
  const ControlDef* def = FindShortcutControlDef(virtualKey);
  if (!def) return false;
  auto& button = Find<Win32SpeedButton>(def->name);
  if (button.Clickable()) button.Click();
  return true;
}

Win32SpeedButton* Win32Form::FindButton(const std::function<bool(const Win32SpeedButton&)>& matches) {
  for (const auto& control : controls_) {
    auto* button = dynamic_cast<Win32SpeedButton*>(control.get());
    if (button && matches(*button)) return button;
  }
  return nullptr;
}

// The close event decides: an action of None keeps the window, so does a failing handler.
void Win32Form::Close() {
  TCloseAction action = TCloseAction::Free;
  if (!silent_ && !FireEvent(application_, OnClose, this, action)) return;
  if (action == TCloseAction::None) return;
  ::DestroyWindow(window_);
}

// Notifications go back to the control that sent them.
LRESULT Win32Form::Notify(WPARAM wParam, LPARAM lParam) {
  auto& header = *reinterpret_cast<NMHDR*>(lParam);  // some notifications are answered in place
  const auto index = static_cast<std::size_t>(header.idFrom) - kFirstControlWindowId;
  if (header.idFrom >= kFirstControlWindowId && index < controls_.size() && !silent_) {
    Win32ChildControl& control = *controls_[index];
    LRESULT result = 0;
    if (control.Window() == header.hwndFrom && control.Notify(header, result)) return result;
  }
  return Default(WM_NOTIFY, wParam, lParam);
}

// --- TFormWindow ---------------------------------------------------------------------------------

void Win32Form::SetVisible(bool visible) {
  if (window_) ::ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
}

bool Win32Form::Visible() const { return window_ && (::GetWindowLongW(window_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Win32Form::SetEnabled(bool enabled) {
  if (window_) ::EnableWindow(window_, enabled);
}

bool Win32Form::Enabled() const { return window_ && ::IsWindowEnabled(window_); }

void Win32Form::SetCaption(const std::string& caption) {
  if (window_) ::SetWindowTextW(window_, win32::Wide(caption).c_str());
}

int Win32Form::Width() const {
  RECT rect{};
  if (window_) ::GetWindowRect(window_, &rect);
  return rect.right - rect.left;
}

int Win32Form::Height() const {
  RECT rect{};
  if (window_) ::GetWindowRect(window_, &rect);
  return rect.bottom - rect.top;
}

}  // namespace orvel
