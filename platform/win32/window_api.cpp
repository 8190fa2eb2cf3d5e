#include "window_api.h"

#include "win32_api.h"

namespace orvel {

namespace {

HWND ToWindow(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }

}  // namespace

WindowHandle Win32WindowApi::CreateWindowExA(std::uint32_t exStyle, const char* className, const char* windowName,
                                             std::uint32_t style, int x, int y, int width, int height,
                                             WindowHandle parent) {
  return reinterpret_cast<WindowHandle>(::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height,
                                                          ToWindow(parent), nullptr, ::GetModuleHandleA(nullptr),
                                                          nullptr));
}

void Win32WindowApi::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                                  std::uint32_t flags) {
  ::SetWindowPos(ToWindow(window), ToWindow(insertAfter), x, y, cx, cy, flags);
}

std::intptr_t Win32WindowApi::SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
  return ::SendMessageA(ToWindow(window), message, wParam, lParam);
}

void Win32WindowApi::ShowWindow(WindowHandle window, int command) { ::ShowWindow(ToWindow(window), command); }

void Win32WindowApi::DestroyWindow(WindowHandle window) { ::DestroyWindow(ToWindow(window)); }

}  // namespace orvel
