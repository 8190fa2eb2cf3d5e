// Clicks whose position travels with the button events, so no earlier pointer position can win.
#pragma once

#include <windows.h>

namespace e2e {

// A left click at the centre of the window, as real input.
void ClickCentre(HWND window);

}  // namespace e2e
