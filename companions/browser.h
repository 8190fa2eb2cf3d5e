// The shell's folder browser, set up to pick a computer below the network folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "../platform/shell.h"
#include "../platform/system.h"

namespace orvel {

constexpr std::uint32_t BifBrowseForComputer = 0x1000;
constexpr std::uint32_t BifNewDialogStyle = 0x0040;
constexpr int CsidlNetwork = 18;
constexpr std::uint32_t BffmInitialized = 1;
constexpr std::uint32_t BffmSetSelectionW = 0x467;  // WM_USER + 103
constexpr std::uint32_t SemFailCriticalErrors = 1;
constexpr std::size_t BrowseNameSize = 260;  // MAX_PATH, in UTF-16 units

// The chosen computer's display name; empty when cancelled or when the shell cannot allocate.
std::string BrowseForComputer(IShell& shell, ISystem& system, WindowHandle owner, const std::string& title,
                              const std::string& initialSelection);

// Preselects the path in data (UTF-16) once the dialog has initialised; always answers 0.
int BrowseCallback(IShell& shell, WindowHandle window, std::uint32_t message, std::intptr_t lParam,
                   std::intptr_t data) noexcept;

}  // namespace orvel
