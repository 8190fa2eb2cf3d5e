// The balloon tooltip over the process list: the common-controls numbers it speaks and its page.
// Portable: the values are those of <commctrl.h>, which the Win32 tests compare against.
#pragma once

#include <cstdint>
#include <string>

namespace orvel::balloon {

// The tooltip window.
inline constexpr std::uint32_t ExStyle = 0x00000008;  // WS_EX_TOPMOST
inline constexpr const char16_t* ClassName = u"tooltips_class32";
// WS_POPUP | TTS_USEVISUALSTYLE | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP
inline constexpr std::uint32_t Style = 0x80000143;
inline constexpr std::uintptr_t InsertTopmost = static_cast<std::uintptr_t>(-1);  // HWND_TOPMOST
inline constexpr std::uint32_t TopmostFlags = 0x13;  // SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE
// TTF_IDISHWND | TTF_SUBCLASS | TTF_TRANSPARENT | TTF_PARSELINKS
inline constexpr std::uint32_t ToolFlags = 0x1111;

// Tooltip messages (Unicode forms), named after <commctrl.h> without clashing with its macros.
inline constexpr std::uint32_t TtmActivate = 0x401;
inline constexpr std::uint32_t TtmSetDelayTime = 0x403;
inline constexpr std::uint32_t TtmAddToolW = 0x432;
inline constexpr std::uint32_t TtmDelToolW = 0x433;
inline constexpr std::uint32_t TtmSetTitleW = 0x421;
inline constexpr std::uint32_t TtmPopup = 0x422;

inline constexpr std::uintptr_t TtiInfo = 1;
inline constexpr std::uintptr_t TtdtReshow = 1;
inline constexpr std::uintptr_t TtdtAutoPop = 2;
inline constexpr std::uintptr_t TtdtInitial = 3;
inline constexpr std::intptr_t Delay = 32000;  // milliseconds, for all three delays

// What the tooltip tells the tool's window, the list.
inline constexpr std::uint32_t WmNotify = 0x004E;
inline constexpr std::int32_t TtnShow = -521;
inline constexpr std::int32_t TtnPop = -522;
inline constexpr std::int32_t TtnLinkClick = -523;

inline constexpr int SwHide = 0;
inline constexpr int SwShow = 5;

// FHintState: idle, showing, or else the tick count at which the balloon hid.
inline constexpr std::int32_t Idle = 0;
inline constexpr std::int32_t Showing = 5;
// A click this soon after the balloon hid is the click that closed it.
inline constexpr std::uint32_t ClosingClickMs = 500;

// The companion product's page for a language index: German for 1, English for every other.
std::string CompanionPage(std::int32_t language);

}  // namespace orvel::balloon
