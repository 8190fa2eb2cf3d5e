// The call log named by ORVEL_WMI_LOG: one UTF-8 line per call with its arguments, so tests can
// see what a client asked for and whether it released every object.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace standin::call_log {

// Follows ORVEL_WMI_LOG (unset or empty: no log), reopening the file each time, and ORVEL_WMI_LOG_IDS.
void Configure() noexcept;
bool On() noexcept;
// A line of no connection (the live-object count), as it is.
void Write(std::wstring_view line) noexcept;
// A call's line, after "[connection] " when ORVEL_WMI_LOG_IDS asks for connection ids.
void Write(unsigned long connection, std::wstring_view line) noexcept;
// At DLL_PROCESS_DETACH: no lock, as the threads that might hold it may be gone. Closes the file
// when the module is freed while the process goes on.
void WriteWhileUnloading(std::wstring_view line, bool processGoesOn) noexcept;

std::wstring Quoted(std::wstring_view text);  // in double quotes, a quote inside written \"
std::wstring Hex(unsigned long value);
std::wstring Outcome(HRESULT result);          // empty for S_OK, else " -> 0x8004xxxx"
std::wstring ProcessIndex(std::size_t index);  // "class" for the class object

}  // namespace standin::call_log

namespace standin {

// Numbers the locators of the process from 1; everything reached through a locator carries its number.
using ConnectionId = unsigned long;

// Logs a call after it ran, building the line only when there is a log.
template <class Describe>
HRESULT Logged(ConnectionId connection, HRESULT result, Describe&& describe) noexcept {
  if (!call_log::On()) return result;
  try {
    call_log::Write(connection, describe() + call_log::Outcome(result));
  } catch (...) {
  }
  return result;
}

}  // namespace standin
