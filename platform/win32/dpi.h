// Pixel densities: the window's own where Windows knows it (Windows 10 1607 and later), else its
// monitor's (Windows 8.1), else the system's. The newer calls are looked up at run time so that older
// Windows still start the program.
#pragma once

#include "win32_api.h"

namespace orvel {

// The density the window is shown at, in pixels per inch.
int WindowDpi(HWND window);
// The density of the monitor that shows most of the window (GetDpiForMonitor); 0 where the system
// has no such call.
int MonitorDpi(HWND window);
// The system's density, as programs unaware of densities get it.
int SystemDpi();

// GetSystemMetrics, AdjustWindowRectEx and the status bars' font at a density.
int SystemMetricForDpi(int index, int dpi);
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);
LOGFONTW StatusFontForDpi(int dpi);

}  // namespace orvel
