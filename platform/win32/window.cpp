#include "window.h"

#include "accessible.h"
#include "app/program.h"
#include "text.h"
#include "win32_error.h"

namespace orvel {

void Win32Window::RegisterWindowClass(WNDCLASSEXW cls) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(cls.hInstance, cls.lpszClassName, &existing)) return;
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = &Win32Window::Procedure;
  if (!::RegisterClassExW(&cls)) ThrowLastError(win32::Utf8(cls.lpszClassName).c_str());
}

void Win32Window::CreateMessageOnly(const wchar_t* className) {
  WNDCLASSEXW cls{};
  cls.hInstance = ::GetModuleHandleW(nullptr);
  cls.lpszClassName = className;
  RegisterWindowClass(cls);
  ::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, CreationParameter());
  if (!window_) ThrowLastError("CreateWindowExW");
}

void Win32Window::Subclass(HWND window) {
  window_ = window;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // Set through the W function, the window stays a Unicode one: its texts never pass a code page.
  original_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::Procedure)));
}

LRESULT Win32Window::Default(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (original_) return ::CallWindowProcW(original_, window_, message, wParam, lParam);
  return ::DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Win32Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->window_ = window;
    }
  }
  auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    if (auto* facts = dynamic_cast<AccessibleFacts*>(self)) facts->Forget(window);
    const LRESULT result = self->Default(message, wParam, lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    self->Detached();
    return result;
  }
  try {
    // Assistive technology asks every window alike; one that answers for itself gives its own object.
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
      if (auto* facts = dynamic_cast<AccessibleFacts*>(self)) {
        if (const LRESULT object = facts->ClientObject(window, wParam)) return object;
      }
    }
    return self->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& failure) {
    self->Escaped(failure);
  } catch (...) {
    self->Escaped(UnknownException());
  }
  return 0;
}

}  // namespace orvel
