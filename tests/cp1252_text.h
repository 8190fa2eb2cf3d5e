// Code page 1252 to UTF-8, as Windows converts it: the ANSI code page of the test systems.
#pragma once

#include <string>
#include <string_view>

namespace orvel::cp1252 {

// 0x80-0x9F; the unassigned bytes map to the C1 controls, as Windows maps them.
inline constexpr char32_t High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline char32_t CodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return High[byte - 0x80];
  return byte;
}

// Every code point of code page 1252 lies in the Basic Multilingual Plane: at most three bytes.
inline void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

inline std::string ToUtf8(std::string_view text) {
  std::string utf8;
  for (const char c : text) AppendUtf8(utf8, CodePoint(static_cast<unsigned char>(c)));
  return utf8;
}

}  // namespace orvel::cp1252
