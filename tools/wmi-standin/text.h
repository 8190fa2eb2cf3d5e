// Text helpers: UTF-8 and UTF-16, BSTRs, the environment.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <string_view>

namespace standin {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view text);
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) noexcept;
std::wstring UpperCase(std::wstring_view text);  // the same for any locale
// Read from the process environment itself: the C runtime's copy misses later SetEnvironmentVariable calls.
std::wstring EnvironmentVariable(const wchar_t* name);

inline std::wstring_view FromBstr(BSTR text) noexcept {
  return text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view();
}

}  // namespace standin
