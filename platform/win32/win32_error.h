// Failures of Win32 calls as the program's one exception type.
#pragma once

#include <string>

#include "platform/ole_error.h"
#include "win32_api.h"

namespace orvel {

// The system's message text for an error or result code as FormatMessageW gives it (at most 256
// UTF-16 units, inserts ignored, line end kept), as UTF-8; empty when there is none.
std::string SystemMessageText(DWORD code);

// Throws EOleError for the calling thread's last error: the system's text, else what failed.
[[noreturn]] void ThrowLastError(const char* what);

}  // namespace orvel
