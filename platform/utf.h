// UTF-8, the encoding of every text in the portable code, and UTF-16, the encoding of Windows' own
// texts: conversions both ways and a reader of UTF-16 code units out of UTF-8.
// Malformed UTF-8 (a stray or missing continuation byte, an overlong form, a surrogate, a value past
// U+10FFFF) reads as U+FFFD for each byte of it: nothing is dropped silently, nothing read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace orvel::utf {

inline constexpr char32_t kReplacement = 0xFFFD;

// The code point at text[pos] and the number of bytes it takes (at least 1 while pos < size).
constexpr char32_t Decode(std::string_view text, std::size_t pos, std::size_t& length) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  length = 1;
  if (lead < 0x80) return lead;
  std::size_t count = 0;
  char32_t value = 0, least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    count = 1, value = lead & 0x1Fu, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 2, value = lead & 0x0Fu, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 3, value = lead & 0x07u, least = 0x10000;
  } else {
    return kReplacement;
  }
  if (text.size() - pos <= count) return kReplacement;
  for (std::size_t i = 1; i <= count; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0u) != 0x80u) return kReplacement;
    value = (value << 6) | (next & 0x3Fu);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
  length = count + 1;
  return value;
}

// Reads a UTF-8 text as the UTF-16 code units Windows would hold for it, one at a time.
class Utf16Units {
 public:
  constexpr explicit Utf16Units(std::string_view text) noexcept : text_(text) {}
  constexpr bool Done() const noexcept { return low_ == 0 && pos_ >= text_.size(); }
  // The next unit; only while !Done().
  constexpr char16_t Next() noexcept {
    if (low_ != 0) return static_cast<char16_t>(std::exchange(low_, u'\0'));
    std::size_t length = 1;
    const char32_t c = Decode(text_, pos_, length);
    pos_ += length;
    if (c < 0x10000) return static_cast<char16_t>(c);
    low_ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    return static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  char16_t low_ = 0;  // the second half of a surrogate pair still to come
};

// The number of UTF-16 code units of a UTF-8 text.
constexpr std::size_t Utf16Length(std::string_view text) noexcept {
  std::size_t units = 0;
  for (std::size_t pos = 0, length = 1; pos < text.size(); pos += length) {
    units += Decode(text, pos, length) >= 0x10000 ? 2 : 1;
  }
  return units;
}

inline std::u16string ToUtf16(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (Utf16Units units(text); !units.Done();) result += units.Next();
  return result;
}

inline void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16 (char16_t, or wchar_t on Windows) to UTF-8; a lone surrogate becomes U+FFFD.
template <class Unit>
std::string ToUtf8(std::basic_string_view<Unit> text) {
  static_assert(sizeof(Unit) == 2, "UTF-16 code units");
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = static_cast<char16_t>(text[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
      const char32_t low = static_cast<char16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(result, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(result, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return result;
}
inline std::string ToUtf8(std::u16string_view text) { return ToUtf8<char16_t>(text); }

}  // namespace orvel::utf
