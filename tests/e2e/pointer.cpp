#include "pointer.h"

namespace e2e {

namespace {

// One mouse event at an absolute screen point (0..65535 across the primary screen).
INPUT MouseAt(POINT screenPoint, DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(screenPoint.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(screenPoint.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return input;
}

}  // namespace

void ClickCentre(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  POINT p{r.right / 2, r.bottom / 2};
  ClientToScreen(window, &p);
  INPUT inputs[] = {MouseAt(p, 0), MouseAt(p, MOUSEEVENTF_LEFTDOWN), MouseAt(p, MOUSEEVENTF_LEFTUP)};
  SendInput(3, inputs, sizeof(INPUT));
}

}  // namespace e2e
