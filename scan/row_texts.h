// The texts of one list row and of the scan's status and error lines.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "../platform/system.h"
#include "../platform/ui.h"
#include "process_info.h"

namespace orvel {

// Empty for 0, "n s" below a minute, the user's long time format below an hour, and from
// an hour on hours:minutes:seconds with the locale's separator (hours never wrap).
std::string CpuTimeText(std::uint32_t seconds, ISystem& system);

// The caption and the sub-item texts of a record, in the order of the process list's columns.
TListRow ProcessRow(const TProcesInformation& record, ISystem& system);

// The pattern with its "%s" and "%d" placeholders replaced by the arguments in order and "%%" read
// as "%"; placeholders beyond the arguments stay as written, and an argument is inserted as it is,
// so a "%" inside it stays literal.
std::string FormatText(const std::string& pattern, std::initializer_list<std::string_view> arguments);
inline std::string FormatWithArgument(const std::string& pattern, const std::string& argument) {
  return FormatText(pattern, {argument});
}

}  // namespace orvel
