// Plain window calls for the one window the logic creates itself: the balloon tooltip.
#pragma once

#include <cstdint>

#include "ui.h"

namespace orvel {

// TOOLINFOW up to lParam (the V2 size: 44 bytes in 32-bit programs), member for member; its text is
// UTF-16, which the caller keeps alive while the structure is in use.
struct TToolInfo {
  std::uint32_t cbSize;
  std::uint32_t uFlags;
  WindowHandle hwnd;
  std::uintptr_t uId;
  std::int32_t rect[4];
  std::uintptr_t hinst;
  const char16_t* lpszText;
  std::intptr_t lParam;
};

class IWindowApi {
 public:
  virtual ~IWindowApi() = default;
  virtual WindowHandle CreateWindowExW(std::uint32_t exStyle, const char16_t* className, const char16_t* windowName,
                                       std::uint32_t style, int x, int y, int width, int height,
                                       WindowHandle parent) = 0;  // no menu, the program's instance, no data
  virtual void SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                            std::uint32_t flags) = 0;
  virtual std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) = 0;
  virtual void ShowWindow(WindowHandle window, int command) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
};

}  // namespace orvel
