#include "form_window.h"

#include <algorithm>

#include "event_guard.h"
#include "layout.h"
#include "win32_error.h"

namespace orvel {

namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

char UpperCase(char c) {
  // CharUpperA takes a single character in the low word of its pointer argument.
  const auto upper = reinterpret_cast<UINT_PTR>(
      ::CharUpperA(reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<unsigned char>(c)))));
  return static_cast<char>(upper & 0xFF);
}

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
  char name[8] = {};
  return ::GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, "Edit") == 0;
}

}  // namespace

void Win32Form::RegisterWindowClass(HINSTANCE instance, HICON icon, HICON smallIcon) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(instance, kClassName, &existing)) return;
  WNDCLASSEXA cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = &Win32Form::Procedure;
  cls.hInstance = instance;
  cls.hIcon = icon;
  cls.hIconSm = smallIcon;
  cls.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  cls.lpszClassName = kClassName;
  if (!::RegisterClassExA(&cls)) ThrowLastError(kClassName);
}

Win32Form::Win32Form(Win32Application& application)
    : ListView1(application),
      PcLabel(application),
      UserLabel(application),
      PassLabel(application),
      PasswordEdit(application),
      StatusBar(application),
      DirButton(application),
      PcComboBox(application),
      Animate1(application),
      InfoButton(application),
      GoogleButton(application),
      StartButton(application),
      UserComboBox(application),
      application_(application) {}

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

void Win32Form::Create(HINSTANCE instance, HFONT font, HICON icon, HICON smallIcon) {
  const int left = std::max(0, (::GetSystemMetrics(SM_CXSCREEN) - Form1Def.outerWidth) / 2);
  const int top = std::max(0, (::GetSystemMetrics(SM_CYSCREEN) - Form1Def.outerHeight) / 2);
  ::CreateWindowExA(kFormExStyle, kClassName, Form1Def.caption, kFormStyle, left, top, Form1Def.outerWidth,
                    Form1Def.outerHeight, nullptr, nullptr, instance, this);
  if (!window_) ThrowLastError(kClassName);
  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  application_.SetMainWindow(window_);
  CreateControls(instance, font);
  ArrangeTabOrder();
  // Accelerators are always underlined, not only after Alt was pressed.
  ::SendMessageA(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
}

// Placed for the client area the window really has: frames differ between systems.
void Win32Form::CreateControls(HINSTANCE instance, HFONT font) {
  RECT client;
  ::GetClientRect(window_, &client);
  for (const ControlDef& def : Form1ControlDefs)
    Control(def.id).Create({window_, instance, def, AnchoredRect(def, client.right, client.bottom), font});
}

// Tab walks the children in z-order: the focusable ones go to the bottom in Tab sequence.
void Win32Form::ArrangeTabOrder() {
  ControlId sequence[static_cast<int>(ControlId::Count)];
  const int count = TabSequence(sequence, static_cast<int>(ControlId::Count));
  for (int i = 0; i < count; ++i)
    ::SetWindowPos(Control(sequence[i]).Window(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TForm1Controls Win32Form::Controls() {
  return {*this,       ListView1,  PcLabel,    UserLabel,    PassLabel,    PasswordEdit, StatusBar,
          DirButton,   PcComboBox, Animate1,   InfoButton,   GoogleButton, StartButton,  UserComboBox};
}

Win32ChildControl& Win32Form::Control(ControlId id) {
  switch (id) {
    case ControlId::ListView1: return ListView1;
    case ControlId::PcLabel: return PcLabel;
    case ControlId::UserLabel: return UserLabel;
    case ControlId::PassLabel: return PassLabel;
    case ControlId::PasswordEdit: return PasswordEdit;
    case ControlId::StatusBar: return StatusBar;
    case ControlId::DirButton: return DirButton;
    case ControlId::PcComboBox: return PcComboBox;
    case ControlId::Animate1: return Animate1;
    case ControlId::InfoButton: return InfoButton;
    case ControlId::GoogleButton: return GoogleButton;
    case ControlId::StartButton: return StartButton;
    case ControlId::UserComboBox: return UserComboBox;
    case ControlId::Count: break;
  }
  return UserComboBox;  // unreachable: every id is listed
}

// --- window procedure ----------------------------------------------------------------------------

LRESULT CALLBACK Win32Form::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Win32Form*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->Detached();
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    ReportEscapedError(self->application_, error);
  } catch (...) {
    ReportEscapedError(self->application_, UnknownException());
  }
  return 0;
}

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
    default:
      return ::DefWindowProcA(window_, message, wParam, lParam);
  }
}

void Win32Form::Detached() noexcept {
  for (const ControlDef& def : Form1ControlDefs) Control(def.id).Detach();
  if (application_.MainWindow() == window_) application_.SetMainWindow(nullptr);
  window_ = nullptr;
  lastFocus_ = nullptr;
}

// The window itself draws nothing but its background; the paint event follows the painting.
void Win32Form::Paint() {
  PAINTSTRUCT paint;
  ::BeginPaint(window_, &paint);
  ::EndPaint(window_, &paint);
  Fire(OnPaint, this);
}

// One pass over the controls that follow the right or bottom edge; the status bar docks itself.
void Win32Form::ArrangeControls(int clientWidth, int clientHeight) {
  HDWP batch = ::BeginDeferWindowPos(static_cast<int>(ControlId::Count));
  for (const ControlDef& def : Form1ControlDefs) {
    const HWND control = Control(def.id).Window();
    if (!control || !batch || def.kind == ControlKind::StatusBar) continue;
    if (!(def.anchors & (akRight | akBottom))) continue;
    const Rect r = AnchoredRect(def, clientWidth, clientHeight);
    batch = ::DeferWindowPos(batch, control, nullptr, r.left, r.top, std::max(r.width, 0), std::max(r.height, 0),
                             SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (batch) ::EndDeferWindowPos(batch);
  const HWND status = StatusBar.Window();
  if (!status) return;
  ::SendMessageA(status, WM_SIZE, 0, 0);
  // Moved and widened at once, it repaints only part of its simple text unless told otherwise.
  ::InvalidateRect(status, nullptr, TRUE);
}

void Win32Form::LimitTrackSize(MINMAXINFO& info) const {
  const Size minimum = MinimumClientSize();
  RECT frame{0, 0, minimum.width, minimum.height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongA(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongA(window_, GWL_EXSTYLE)));
  info.ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
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
  ControlId sequence[static_cast<int>(ControlId::Count)];
  const int count = TabSequence(sequence, static_cast<int>(ControlId::Count));
  for (int i = 0; i < count; ++i) {
    const HWND control = Control(sequence[i]).Window();
    if (control && ::IsWindowVisible(control) && ::IsWindowEnabled(control)) {
      ::SetFocus(control);
      return;
    }
  }
}

bool Win32Form::MoveFocusByTab(bool backward) {
  const HWND current = ChildContaining(window_, ::GetFocus());
  const HWND next = ::GetNextDlgTabItem(window_, current, backward);
  if (!next) return false;
  ::SetFocus(next);
  // As in dialogs: the text of an edit field reached by Tab is selected (combo boxes do it themselves).
  if (IsEditControl(next)) ::SendMessageA(next, EM_SETSEL, 0, -1);
  return true;
}

bool Win32Form::ClickAccelerator(char key) {
  for (Win32SpeedButton* button : {&StartButton, &GoogleButton, &InfoButton, &DirButton}) {
    if (!button->Window() || !::IsWindowVisible(button->Window()) || !button->Enabled()) continue;
    const char accelerator = AcceleratorOf(button->Caption().c_str());
    if (accelerator == 0 || UpperCase(accelerator) != UpperCase(key)) continue;
    button->Click();
    return true;
  }
  return false;
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
  const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
  const int index = ControlIndexFromWindowId(header.idFrom);
  if (index >= 0 && !silent_) {
    Win32ChildControl& control = Control(static_cast<ControlId>(index));
    LRESULT result = 0;
    if (control.Window() == header.hwndFrom && control.Notify(header, result)) return result;
  }
  return ::DefWindowProcA(window_, WM_NOTIFY, wParam, lParam);
}

// --- TFormWindow ---------------------------------------------------------------------------------

void Win32Form::SetVisible(bool visible) {
  if (window_) ::ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
}

bool Win32Form::Visible() const { return window_ && (::GetWindowLongA(window_, GWL_STYLE) & WS_VISIBLE) != 0; }

void Win32Form::SetEnabled(bool enabled) {
  if (window_) ::EnableWindow(window_, enabled);
}

bool Win32Form::Enabled() const { return window_ && ::IsWindowEnabled(window_); }

void Win32Form::SetCaption(const std::string& caption) {
  if (window_) ::SetWindowTextA(window_, caption.c_str());
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
