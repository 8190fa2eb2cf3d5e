// The one boundary conversion of the Win32 side: the portable code's UTF-8 texts to the UTF-16 of the
// W functions and back, without loss (malformed input reads as U+FFFD, as platform/utf.h defines).
#pragma once

#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>

#include "platform/utf.h"

namespace orvel::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t holds UTF-16 code units");

// Into a buffer the caller keeps across many texts (a list's cells); the buffer's terminated text.
inline wchar_t* WideInto(std::wstring& buffer, std::string_view utf8) {
  buffer.clear();
  for (utf::Utf16Units units(utf8); !units.Done();) buffer += static_cast<wchar_t>(units.Next());
  return buffer.data();
}

inline std::wstring Wide(std::string_view utf8) {
  std::wstring result;
  result.reserve(utf8.size());
  WideInto(result, utf8);
  return result;
}

inline std::string Utf8(std::wstring_view utf16) { return utf::ToUtf8<wchar_t>(utf16); }

// A text Windows handed back as a pointer and a count of units (no terminator needed).
inline std::string Utf8(const wchar_t* utf16, std::size_t length) {
  return utf16 != nullptr ? Utf8(std::wstring_view(utf16, length)) : std::string();
}

// A terminated text Windows handed back; nullptr reads as empty.
inline std::string Utf8(const wchar_t* utf16) {
  return utf16 != nullptr ? Utf8(std::wstring_view(utf16, std::wcslen(utf16))) : std::string();
}

}  // namespace orvel::win32
