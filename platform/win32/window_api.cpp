#include "window_api.h"

#include "win32_api.h"

namespace orvel {

namespace {

HWND ToWindow(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }

// The portable side's UTF-16 units, as the W functions take them: both types are 16 bits here.
const wchar_t* ToWide(const char16_t* text) {
  static_assert(sizeof(char16_t) == sizeof(wchar_t), "UTF-16 code units on both sides");
  return reinterpret_cast<const wchar_t*>(text);
}

}  // namespace

WindowHandle Win32WindowApi::CreateWindowExW(std::uint32_t exStyle, const char16_t* className,
                                             const char16_t* windowName, std::uint32_t style, int x, int y, int width,
                                             int height, WindowHandle parent) {
  return reinterpret_cast<WindowHandle>(::CreateWindowExW(exStyle, ToWide(className), ToWide(windowName), style, x, y,
                                                          width, height, ToWindow(parent), nullptr,
                                                          ::GetModuleHandleW(nullptr), nullptr));
}

void Win32WindowApi::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                                  std::uint32_t flags) {
  ::SetWindowPos(ToWindow(window), ToWindow(insertAfter), x, y, cx, cy, flags);
}

std::intptr_t Win32WindowApi::SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
  return ::SendMessageW(ToWindow(window), message, wParam, lParam);
}

void Win32WindowApi::ShowWindow(WindowHandle window, int command) { ::ShowWindow(ToWindow(window), command); }

void Win32WindowApi::DestroyWindow(WindowHandle window) { ::DestroyWindow(ToWindow(window)); }

}  // namespace orvel
