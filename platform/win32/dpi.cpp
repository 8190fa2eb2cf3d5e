#include "dpi.h"

#include "app/form_layout.h"
#include "handles.h"
#include "system.h"

namespace orvel {
namespace {

template <class Function>
Function User32(const char* name) {
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  const FARPROC address = user32 ? ::GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
// shcore's GetDpiForMonitor with MDT_EFFECTIVE_DPI (0) as the kind of density.
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
// Takes NONCLIENTMETRICSW (there is no A form).
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

}  // namespace

int SystemDpi() {
  const WindowDC screen(nullptr);
  const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

int MonitorDpi(HWND window) {
  static const auto getDpiForMonitor = [] {
    const HMODULE shcore = LoadSystemLibrary("shcore.dll");
    const FARPROC address = shcore ? ::GetProcAddress(shcore, "GetDpiForMonitor") : nullptr;
    return reinterpret_cast<GetDpiForMonitorFunction>(reinterpret_cast<void (*)()>(address));
  }();
  const HMONITOR monitor = window ? ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr;
  UINT dpiX = 0, dpiY = 0;
  if (!getDpiForMonitor || !monitor || FAILED(getDpiForMonitor(monitor, kEffectiveDpi, &dpiX, &dpiY))) return 0;
  return static_cast<int>(dpiY);
}

int WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow) {
    const UINT dpi = window ? getDpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
  }
  const int dpi = MonitorDpi(window);
  return dpi > 0 ? dpi : SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
  static const auto forDpi = User32<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
  return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
  static const auto forDpi = User32<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  if (forDpi && forDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
  ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

LOGFONTW StatusFontForDpi(int dpi) {
  static const auto forDpi = User32<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW atDpi{};
  atDpi.cbSize = sizeof atDpi;
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof atDpi, &atDpi, 0, static_cast<UINT>(dpi))) return atDpi.lfStatusFont;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW font{};
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return font;
  font = metrics.lfStatusFont;
  font.lfHeight = ::MulDiv(font.lfHeight, dpi, SystemDpi());
  return font;
}

}  // namespace orvel
