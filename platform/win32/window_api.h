// Plain window calls of Windows for the one window the logic creates itself.
#pragma once

#include "platform/window_api.h"

namespace orvel {

class Win32WindowApi : public IWindowApi {
 public:
  WindowHandle CreateWindowExW(std::uint32_t exStyle, const char16_t* className, const char16_t* windowName,
                               std::uint32_t style, int x, int y, int width, int height,
                               WindowHandle parent) override;
  void SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override;
  std::intptr_t SendMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;
  void ShowWindow(WindowHandle window, int command) override;
  void DestroyWindow(WindowHandle window) override;
};

}  // namespace orvel
